// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/db/sauvegarde.h"

#include "core/commun/application.h"
#include "core/db/schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryFile>
#include <QVariant>

namespace Sauvegarde {

namespace {

QString traduire(const char* texte)
{
    return QCoreApplication::translate("Sauvegarde", texte);
}

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

enum class Version { Illisible, Incompatible, Correcte };

Version lireVersion(const QSqlDatabase& base)
{
    QSqlQuery requete(base);
    if (!requete.exec(QStringLiteral("SELECT version FROM general WHERE id=1")) || !requete.next())
        return Version::Illisible;
    return requete.value(0).toInt() == Schema::VERSION ? Version::Correcte : Version::Incompatible;
}

QString messageVersion(Version version)
{
    if (version == Version::Illisible)
        return traduire("Impossible de lire la version de la base. Restauration annulée.");
    return traduire("La version de la base à restaurer est incompatible avec cette version de Quorvel. "
                    "Restauration annulée.");
}

// Étapes 3 et 4 : ouvre la copie temporaire sur la connexion « nouvelle_base » et contrôle
// sa version. La connexion est fermée et retirée en sortant. Rend le message d'échec, ou
// un texte vide.
QString examinerCopie(const QString& temporaire)
{
    QString message;
    {
        QSqlDatabase base = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), CONNEXION_TEMPORAIRE);
        base.setHostName(QStringLiteral("localhost"));
        base.setDatabaseName(temporaire);
        if (!base.open()) {
            message = traduire("Erreur d'ouverture de la nouvelle base de données avec le message: %1")
                          .arg(base.lastError().text());
        } else {
            // Une sauvegarde abîmée (copie interrompue, clé retirée trop tôt) peut encore
            // montrer la bonne version : elle remplacerait une base saine.
            const auto defaut = Schema::defautFichier(Schema::Examen::Complet, base);
            const Version version = lireVersion(base);
            if (defaut && !defaut->verrouille)
                message =
                    traduire("Ce fichier est endommagé (%1) : il ne peut pas remplacer la base actuelle, "
                             "qui n'a pas été modifiée. Choisissez une autre sauvegarde.")
                        .arg(defaut->texte);
            else if (version != Version::Correcte)
                message = messageVersion(version);
            base.close();
        }
    }
    QSqlDatabase::removeDatabase(CONNEXION_TEMPORAIRE);
    return message;
}

void fermerConnexionParDefaut()
{
    if (QSqlDatabase::contains(connexionParDefaut()))
        QSqlDatabase::database(connexionParDefaut(), false).close();
}

// Ouvre la connexion par défaut sur le chemin de la base courante (elle est créée si le
// programme n'en a pas encore). En cas d'échec, `erreur` reçoit le texte du pilote.
bool ouvrirConnexionParDefaut(QString* erreur)
{
    const QString courante = Application::chemins().courante;
    if (!QSqlDatabase::contains(connexionParDefaut()))
        return Schema::ouvrirBaseParDefaut(courante, erreur);
    QSqlDatabase base = QSqlDatabase::database(connexionParDefaut(), false);
    if (base.isOpen())
        return true;
    base.setDatabaseName(courante);
    if (base.open()) {
        Schema::creerIndex();
        return true;
    }
    if (erreur)
        *erreur = base.lastError().text();
    return false;
}

// Copie `source` sous `destination` en remplaçant ce nom d'un seul coup : la copie est écrite
// à côté, relue, mise sur le disque, puis renommée par-dessus. Tant qu'elle n'est pas complète,
// `destination` garde son contenu d'avant (ou reste absent) ; un arrêt du programme en
// cours de route ne laisse jamais sous ce nom un fichier à moitié écrit, ni plus rien du tout.
// Les copies de la base sont privées, comme elle.
bool recopierEnUneFois(const QString& source, const QString& destination)
{
    return FichierSur::copier(source, destination, EcritureSure::Droits::Prives).reussie();
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
    ouvrirConnexionParDefaut(nullptr);
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

FichierSur::Issue copierBase(const QString& cible)
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

QString restaurer(const QString& fichier, const OptionsRestauration& options)
{
    const QString courante = Application::chemins().courante;

    // 1. Nom de la copie temporaire.
    QString temporaire;
    if (!reserverNomTemporaire(temporaire))
        return traduire("Impossible d'ouvrir un fichier temporaire pour recopier la base.");
    // La copie temporaire ne survit pas à la restauration, réussie ou non.
    const auto nettoyage = qScopeGuard([&temporaire] { supprimerCopieTemporaire(temporaire); });

    // 2. Copie du fichier choisi : la base en usage peut ainsi être restaurée sur elle-même. Elle
    // est privée : le dossier temporaire est ouvert à tous les utilisateurs de l'ordinateur.
    if (!recopierEnUneFois(fichier, temporaire))
        return traduire("Impossible de recopier le fichier %1 vers %2").arg(fichier, temporaire);

    // 3 et 4. Ouverture à part et contrôle de la version, avant de toucher à la base courante.
    const QString refus = examinerCopie(temporaire);
    if (!refus.isEmpty())
        return refus;

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
        ouvrirConnexionParDefaut(nullptr);
        return traduire("Impossible de renommer la base de données %1 en %2. Restauration annulée")
            .arg(courante, ancienne);
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
        ouvrirConnexionParDefaut(nullptr);
        return traduire("erreur de copie de %1 vers %2").arg(temporaire, courante);
    }

    // 9. Réouverture de la connexion par défaut sur la nouvelle base.
    QString erreur;
    if (!ouvrirConnexionParDefaut(&erreur)) {
        remettreAncienneBase(courante, ancienne);
        return traduire(
                   "Erreur d'ouverture de la base de données avec le message: %1\nQuorvel tente de restaurer "
                   "l'ancienne base.")
            .arg(erreur);
    }

    // 10. Dernier contrôle de la version, sur la connexion par défaut cette fois.
    const Version version = lireVersion(QSqlDatabase::database(connexionParDefaut(), false));
    if (version != Version::Correcte) {
        remettreAncienneBase(courante, ancienne);
        return messageVersion(version);
    }
    return QString();
}

} // namespace Sauvegarde
