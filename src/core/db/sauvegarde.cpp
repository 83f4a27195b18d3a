// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/db/sauvegarde.h"

#include "core/commun/application.h"
#include "core/db/schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlError>
#include <QTemporaryFile>
#include <QVariant>

namespace Sauvegarde {

namespace {

QString connexionParDefaut()
{
    return QLatin1String(QSqlDatabase::defaultConnection);
}

// Réserve un nom de fichier unique dans le dossier temporaire du système : le fichier est
// créé pour obtenir le nom, puis supprimé pour que le nom soit libre.
bool reserverNomTemporaire(QString& nom)
{
    QTemporaryFile fichier(QDir::tempPath() + MODELE_TEMPORAIRE);
    fichier.setAutoRemove(false);
    if (!fichier.open())
        return false;
    nom = fichier.fileName();
    fichier.close();
    QFile::remove(nom);
    return true;
}

// La copie temporaire et les fichiers que SQLite a pu poser à côté d'elle.
void supprimerCopieTemporaire(const QString& nom)
{
    if (nom.isEmpty())
        return;
    for (const QString& suffixe :
         {QString(), QStringLiteral("-journal"), QStringLiteral("-wal"), QStringLiteral("-shm")})
        QFile::remove(nom + suffixe);
}

// La version de la base : VersionIllisible, VersionIncompatible, ou réussi.
Resultat<> controlerVersion(const QSqlDatabase& base)
{
    const Resultat<Schema::EtatVersion> etat = Schema::controlerVersion(base);
    if (!etat)
        return Erreur(Raison::VersionIllisible, etat.erreur().texte);
    switch (etat->statut) {
    case Schema::EtatVersion::AInitialiser:
        return Erreur(Raison::VersionIllisible);
    case Schema::EtatVersion::Incorrecte:
        return Erreur(Raison::VersionIncompatible).avec(etat->version);
    case Schema::EtatVersion::Correcte:
        break;
    }
    return {};
}

// Étapes 3 et 4 : ouvre la copie temporaire sur la connexion « nouvelle_base » et contrôle
// sa version. La connexion est fermée et retirée en sortant.
Resultat<> examinerCopie(const QString& temporaire)
{
    Resultat<> resultat;
    {
        QSqlDatabase base = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), CONNEXION_TEMPORAIRE);
        base.setHostName(QStringLiteral("localhost"));
        base.setDatabaseName(temporaire);
        if (!base.open()) {
            resultat = Erreur(Raison::OuvertureImpossible, base.lastError().text());
        } else {
            // Une sauvegarde abîmée (copie interrompue, clé retirée trop tôt) peut encore
            // montrer la bonne version : elle remplacerait une base saine.
            const Resultat<> examen = Schema::examiner(Schema::Examen::Complet, base);
            const Resultat<> version = controlerVersion(base);
            if (!examen && examen.erreur().raison == Raison::BaseEndommagee)
                resultat = examen;
            else
                resultat = version;
            base.close();
        }
    }
    QSqlDatabase::removeDatabase(CONNEXION_TEMPORAIRE);
    return resultat;
}

void fermerConnexionParDefaut()
{
    if (QSqlDatabase::contains(connexionParDefaut()))
        QSqlDatabase::database(connexionParDefaut(), false).close();
}

// Ouvre la connexion par défaut sur le chemin de la base courante (elle est créée si le
// programme n'en a pas encore). L'échec porte le texte du pilote.
Resultat<> ouvrirConnexionParDefaut()
{
    const QString courante = Application::chemins().courante;
    if (!QSqlDatabase::contains(connexionParDefaut()))
        return Schema::ouvrirBaseParDefaut(courante);
    QSqlDatabase base = QSqlDatabase::database(connexionParDefaut(), false);
    if (base.isOpen())
        return {};
    base.setDatabaseName(courante);
    if (!base.open())
        return Erreur(Raison::OuvertureImpossible, base.lastError().text()).sur(courante);
    Schema::creerIndex();
    return {};
}

// Copie `source` sous `destination` en remplaçant ce nom d'un seul coup : la copie est écrite
// à côté, relue, mise sur le disque, puis renommée par-dessus. Tant qu'elle n'est pas complète,
// `destination` garde son contenu d'avant (ou reste absent) ; un arrêt du programme en
// cours de route ne laisse jamais sous ce nom un fichier à moitié écrit, ni plus rien du tout.
// Les copies de la base sont privées, comme elle.
bool recopierEnUneFois(const QString& source, const QString& destination)
{
    return FichierSur::copier(source, destination, EcritureSure::Droits::Prives).reussi();
}

// Après un échec des étapes 9 et 10 : l'ancienne base reprend sa place sous le chemin
// courant (d'un seul coup, le chemin n'est jamais vide), la copie « .bak » disparaît, et le
// programme repart sur elle (la connexion par défaut ne doit jamais rester fermée).
void remettreAncienneBase(const QString& courante, const QString& ancienne)
{
    fermerConnexionParDefaut();
    if (recopierEnUneFois(ancienne, courante)) {
        QFile::remove(ancienne);
    } else {
        QFile::remove(courante);
        QFile::rename(ancienne, courante);
    }
    // Rouverte sur l'ancienne base : un échec ici se verra à la prochaine lecture.
    static_cast<void>(ouvrirConnexionParDefaut());
}

} // namespace

QString cheminCopie(const QString& dossier)
{
    return dossier + QLatin1Char('/') + Application::FICHIER_BASE_V3;
}

bool estLaBaseCourante(const QString& cible)
{
    return QFileInfo(cible) == QFileInfo(Application::chemins().courante);
}

Resultat<> copierBase(const QString& cible)
{
    return FichierSur::copier(Application::chemins().courante, cible, EcritureSure::Droits::Prives);
}

void supprimerCopiesOubliees()
{
    const QString modele = MODELE_TEMPORAIRE.mid(1).replace(QStringLiteral("XXXXXX"), QStringLiteral("*"));
    const QDir temporaire(QDir::tempPath());
    for (const QString& nom : temporaire.entryList({modele}, QDir::Files))
        supprimerCopieTemporaire(temporaire.filePath(nom));
    EcritureSure::supprimerProvisoires(temporaire.path(), modele);
}

Resultat<> restaurer(const QString& fichier, const OptionsRestauration& options)
{
    const QString courante = Application::chemins().courante;

    // 1. Nom de la copie temporaire.
    QString temporaire;
    if (!reserverNomTemporaire(temporaire))
        return Erreur(Raison::TemporaireImpossible);
    // La copie temporaire ne survit pas à la restauration, réussie ou non.
    const auto nettoyage = qScopeGuard([&temporaire] { supprimerCopieTemporaire(temporaire); });

    // 2. Copie du fichier choisi : la base en usage peut ainsi être restaurée sur elle-même. Elle
    // est privée : le dossier temporaire est ouvert à tous les utilisateurs de l'ordinateur.
    if (!recopierEnUneFois(fichier, temporaire))
        return Erreur(Raison::CopieImpossible, temporaire).sur(fichier);

    // 3 et 4. Ouverture à part et contrôle de la version, avant de toucher à la base courante.
    if (Resultat<> examen = examinerCopie(temporaire); !examen)
        return examen;

    // 5. La base courante est fermée le temps de l'échange.
    fermerConnexionParDefaut();

    // 6. Une ancienne base laissée par une restauration précédente est remplacée.
    const QString ancienne = courante + SUFFIXE_ANCIENNE;
    if (QFile::exists(ancienne))
        QFile::remove(ancienne);

    // 7. La base courante est gardée en « .bak ». Elle est recopiée, pas renommée : son
    // chemin n'est jamais vide, et un arrêt du programme à n'importe quel moment de
    // l'échange laisse sous ce chemin soit l'ancienne base, soit la nouvelle, entière.
    if (!recopierEnUneFois(courante, ancienne)) {
        QFile::remove(ancienne);
        static_cast<void>(ouvrirConnexionParDefaut());
        return Erreur(Raison::AncienneBaseNonGardee, ancienne).sur(courante);
    }

    // 8. La copie remplace la base courante, d'un seul coup. Une recopie imposée par les
    // essais écrit d'abord à côté, sous un nom qui n'existe pas encore.
    bool recopiee = false;
    if (options.recopie) {
        const QString aCote = courante + QStringLiteral(".restauration");
        QFile::remove(aCote);
        recopiee = options.recopie(temporaire, aCote) && recopierEnUneFois(aCote, courante);
        QFile::remove(aCote);
    } else {
        recopiee = recopierEnUneFois(temporaire, courante);
    }
    if (!recopiee) {
        // La base courante n'a pas été touchée : la copie « .bak » n'a plus de raison d'être.
        QFile::remove(ancienne);
        static_cast<void>(ouvrirConnexionParDefaut());
        return Erreur(Raison::RecopieImpossible, courante).sur(temporaire);
    }

    // 9. Réouverture de la connexion par défaut sur la nouvelle base.
    if (Resultat<> ouverte = ouvrirConnexionParDefaut(); !ouverte) {
        remettreAncienneBase(courante, ancienne);
        return Erreur(Raison::ReouvertureImpossible, ouverte.erreur().texte);
    }

    // 10. Dernier contrôle de la version, sur la connexion par défaut cette fois.
    if (Resultat<> version = controlerVersion(QSqlDatabase::database(connexionParDefaut(), false));
        !version) {
        remettreAncienneBase(courante, ancienne);
        return version;
    }
    return {};
}

} // namespace Sauvegarde
