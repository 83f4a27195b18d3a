// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/db/migration.h"

#include "core/commun/application.h"
#include "core/commun/transaction.h"
#include "core/db/requete.h"
#include "core/db/schema.h"

#include <QSqlError>
#include <QVariant>

#include <limits>

namespace Migration {

namespace {

// Nombre de lignes copiées entre deux passages de la boucle d'événements. Y passer à chaque
// ligne coûterait autant que l'insertion elle-même sur les grosses tables de notes ; tous les
// cent enregistrements, l'indicateur de la fenêtre d'attente tourne encore sans à-coup.
constexpr int LIGNES_ENTRE_EVENEMENTS = 100;

// Clé de nœud d'un enregistrement de la version 1, traduite quand c'est un entier ; une
// valeur vide ou qui n'est pas un nombre passe telle quelle.
QVariant traduireNoeud(const QVariant& valeur)
{
    if (valeur.isNull())
        return valeur;
    bool entier = false;
    const qlonglong cle = valeur.toLongLong(&entier);
    if (!entier || cle < std::numeric_limits<int>::min() || cle > std::numeric_limits<int>::max())
        return valeur;
    return noeudVersion1(static_cast<int>(cle));
}

// Deux paires d'items du livret viennent dans l'ordre des listes officielles, le second code
// avant le premier (P2C5D5 avant P2C5D4, P2C6B2 avant P2C6B1) ; les anciennes versions les avaient
// dans l'ordre des codes. Une base neuve donne donc à chacun la clé qu'avait l'autre dans les
// anciennes bases : les enregistrements repris sont rendus à leur item.
Resultat<> rendreItemsEchanges(const QSqlDatabase& nouvelle)
{
    const std::pair<const char*, const char*> paires[] = {{"P2C5D4", "P2C5D5"}, {"P2C6B1", "P2C6B2"}};
    Base::Requete cle(QStringLiteral("SELECT id_comp FROM competences WHERE ref=?"), nouvelle);
    Base::Requete echange(
        QStringLiteral(
            "UPDATE notes SET id_comp = CASE id_comp WHEN ? THEN ? ELSE ? END WHERE id_comp IN (?, ?)"),
        nouvelle);
    for (const auto& [premier, second] : paires) {
        const auto clePremier = cle.premiere({QLatin1String(premier)});
        if (!clePremier)
            return clePremier.erreur();
        const auto cleSecond = cle.premiere({QLatin1String(second)});
        if (!cleSecond)
            return cleSecond.erreur();
        const qlonglong p = clePremier->toLongLong();
        const qlonglong s = cleSecond->toLongLong();
        // Un livret posé dans l'ordre des codes a les clés des anciennes bases : rien à rendre.
        if (p == 0 || s == 0 || s + 1 != p)
            continue;
        // L'ancienne clé du premier est la nouvelle du second, et inversement.
        if (Resultat<> r = echange.executer({s, p, s, s, p}); !r)
            return r;
    }
    return {};
}

// Les étapes de la version 2, chacune seulement si toutes les précédentes ont réussi.
Resultat<> etapesVersion2(const QSqlDatabase& ancienne, const QSqlDatabase& nouvelle)
{
    if (Resultat<> r = Base::executer(QStringLiteral("DELETE FROM general"), {}, nouvelle); !r)
        return r;
    if (Resultat<> r = copierTable(QStringLiteral("general"), QStringLiteral("id,ecole,langue_defaut"),
                                   ancienne, nouvelle);
        !r)
        return r;
    if (Resultat<> r =
            Base::executer(QStringLiteral("UPDATE general SET version=?"), {Schema::VERSION}, nouvelle);
        !r)
        return r;
    if (Resultat<> r = copierTable(QStringLiteral("classes"), QStringLiteral("id_classe,libelle,tri"),
                                   ancienne, nouvelle);
        !r)
        return r;
    if (Resultat<> r = copierTable(
            QStringLiteral("eleves"),
            QStringLiteral("id_eleve,id_classe,id_niveau,nom,prenom,date_naiss,upd,maj"), ancienne, nouvelle);
        !r)
        return r;
    // Les sept niveaux de départ s'en vont : les élèves gardent les clés de leurs niveaux.
    if (Resultat<> r = Base::executer(QStringLiteral("DELETE FROM niveaux"), {}, nouvelle); !r)
        return r;
    if (Resultat<> r = copierTable(QStringLiteral("niveaux"), QStringLiteral("id_niveau,libelle,tri"),
                                   ancienne, nouvelle);
        !r)
        return r;
    if (Resultat<> r = copierTable(QStringLiteral("notes"),
                                   QStringLiteral("id_note,id_eleve,id_comp,date,maj"), ancienne, nouvelle);
        !r)
        return r;
    return rendreItemsEchanges(nouvelle);
}

// Les enregistrements de la version 1, clé de nœud traduite.
Resultat<> copierNotesVersion1(const QSqlDatabase& ancienne, const QSqlDatabase& nouvelle)
{
    Base::Requete lecture(QStringLiteral("SELECT id_note,id_eleve,id_comp,date,maj FROM notes"), ancienne);
    Base::Requete insertion(
        QStringLiteral("INSERT INTO notes(id_note,id_eleve,id_comp,date,maj) VALUES(?,?,?,?,?)"), nouvelle);
    Resultat<> insere;
    int lignes = 0;
    const Resultat<> lu = lecture.pourChaqueLigne({}, [&](const Base::Requete& r) {
        insere = insertion.executer(
            {r.valeur(0), r.valeur(1), traduireNoeud(r.valeur(2)), r.valeur(3), r.valeur(4)});
        if (++lignes % LIGNES_ENTRE_EVENEMENTS == 0)
            Application::laisserVivre();
        return insere.reussi();
    });
    return !insere ? insere : lu;
}

// Les étapes de la version 1, chacune seulement si toutes les précédentes ont réussi.
Resultat<> etapesVersion1(const QSqlDatabase& ancienne, const QSqlDatabase& nouvelle)
{
    if (Resultat<> r = copierTable(QStringLiteral("classes"), QStringLiteral("id_classe,libelle,tri"),
                                   ancienne, nouvelle);
        !r)
        return r;
    if (Resultat<> r = copierTable(
            QStringLiteral("eleves"),
            QStringLiteral("id_eleve,id_classe,id_niveau,nom,prenom,date_naiss,upd,maj"), ancienne, nouvelle);
        !r)
        return r;
    {
        // Sans ligne 1 dans l'ancienne base (ou sans table `general` lisible), les réglages de
        // l'école restent ceux de la pose.
        const auto ecole =
            Base::lignes(QStringLiteral("SELECT ecole,langue_defaut FROM general WHERE id=1"), {}, ancienne);
        if (ecole && !ecole->isEmpty())
            if (Resultat<> r = Base::executer(
                    QStringLiteral("UPDATE general SET ecole=?, langue_defaut=?, version=? WHERE id=1"),
                    {ecole->first().at(0), ecole->first().at(1), Schema::VERSION}, nouvelle);
                !r)
                return r;
    }
    if (Resultat<> r = Base::executer(QStringLiteral("DELETE FROM niveaux"), {}, nouvelle); !r)
        return r;
    if (Resultat<> r = copierTable(QStringLiteral("niveaux"), QStringLiteral("id_niveau,libelle,tri"),
                                   ancienne, nouvelle);
        !r)
        return r;
    if (Resultat<> r = copierNotesVersion1(ancienne, nouvelle); !r)
        return r;
    return rendreItemsEchanges(nouvelle);
}

// Le cadre commun des deux reprises : connexion sur l'ancien fichier, étapes dans une
// transaction de la connexion par défaut validée quoi qu'il arrive, puis retrait de la
// connexion.
Resultat<> importer(const QString& cheminAncien, const QString& nomConnexion,
                    Resultat<> (*etapes)(const QSqlDatabase&, const QSqlDatabase&))
{
    Resultat<> resultat;
    {
        QSqlDatabase ancienne = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nomConnexion);
        ancienne.setHostName(QStringLiteral("localhost"));
        ancienne.setDatabaseName(cheminAncien);
        // Lecture seule : la reprise ne fait que lire l'ancien fichier, et un chemin absent
        // échoue à l'ouverture au lieu de laisser un fichier vide derrière lui.
        ancienne.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!ancienne.open()) {
            resultat = Erreur(Raison::OuvertureImpossible, ancienne.lastError().text()).sur(cheminAncien);
        } else {
            // SQLite ne lit le fichier qu'à la première requête : un fichier qui n'est pas une
            // base compte comme impossible à ouvrir, avant qu'on ne touche à la base neuve.
            if (const auto sonde =
                    Base::valeur(QStringLiteral("SELECT COUNT(*) FROM sqlite_master"), {}, ancienne);
                !sonde) {
                resultat = Erreur(Raison::OuvertureImpossible, sonde.erreur().texte).sur(cheminAncien);
            } else {
                QSqlDatabase nouvelle = QSqlDatabase::database();
                Transaction transaction(nouvelle);
                const Resultat<> fait = etapes(ancienne, nouvelle);
                if (!fait)
                    resultat = Erreur(Raison::MigrationIncomplete, fait.erreur().texte);
                // Ce qui a été copié avant un échec reste : la transaction est validée dans
                // tous les cas.
                if (transaction.estOuverte())
                    if (Resultat<> valide = transaction.valider(); !valide && resultat)
                        resultat = Erreur(Raison::MigrationIncomplete, valide.erreur().texte);
            }
            ancienne.close();
        }
    }
    QSqlDatabase::removeDatabase(nomConnexion);
    return resultat;
}

} // namespace

Resultat<> copierTable(const QString& table, const QString& colonnes, const QSqlDatabase& ancienne,
                       const QSqlDatabase& nouvelle)
{
    Application::laisserVivre();
    const int nombreColonnes = int(colonnes.count(QLatin1Char(','))) + 1;

    QString texteInsertion = QStringLiteral("INSERT INTO %1(%2) VALUES(?").arg(table, colonnes);
    for (int colonne = 1; colonne < nombreColonnes; ++colonne)
        texteInsertion += QLatin1String(",?");
    texteInsertion += QLatin1Char(')');

    Base::Requete lecture(QStringLiteral("SELECT %1 FROM %2").arg(colonnes, table), ancienne);
    // Préparée une seule fois, à la première ligne, puis reprise pour chacune.
    Base::Requete insertion(texteInsertion, nouvelle);
    Resultat<> insere;
    int lignes = 0;
    QVariantList valeurs;
    const Resultat<> lu = lecture.pourChaqueLigne({}, [&](const Base::Requete& r) {
        valeurs.clear();
        for (int colonne = 0; colonne < nombreColonnes; ++colonne)
            valeurs.append(r.valeur(colonne));
        insere = insertion.executer(valeurs);
        if (++lignes % LIGNES_ENTRE_EVENEMENTS == 0)
            Application::laisserVivre();
        return insere.reussi();
    });
    return !insere ? insere : lu;
}

int noeudVersion1(int ancien)
{
    if (ancien == 178)
        return 186;
    if (ancien >= 179 && ancien <= 185)
        return ancien - 1;
    if (ancien >= 186 && ancien <= 211)
        return ancien + 1;
    return ancien;
}

Resultat<> importerVersion2(const QString& cheminAncien)
{
    return importer(cheminAncien, CONNEXION_V2, etapesVersion2);
}

Resultat<> importerVersion1(const QString& cheminAncien)
{
    return importer(cheminAncien, CONNEXION_V1, etapesVersion1);
}

} // namespace Migration
