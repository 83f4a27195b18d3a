// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/db/migration.h"

#include "core/commun/application.h"
#include "core/commun/transaction.h"
#include "core/db/schema.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <limits>

namespace Migration {

namespace {

// Nombre de lignes copiées entre deux passages de la boucle d'événements. Y passer à chaque
// ligne coûterait autant que l'insertion elle-même sur les grosses tables de notes ; tous les
// cent enregistrements, l'indicateur de la fenêtre d'attente tourne encore sans à-coup.
constexpr int LIGNES_ENTRE_EVENEMENTS = 100;

// Vrai quand la lecture s'est arrêtée sur une erreur plutôt qu'au bout des lignes.
bool lectureEnErreur(const QSqlQuery& lecture)
{
    return lecture.lastError().type() != QSqlError::NoError;
}

bool executer(const QSqlDatabase& base, const QString& instruction)
{
    QSqlQuery requete(base);
    return requete.exec(instruction);
}

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
bool rendreItemsEchanges(const QSqlDatabase& nouvelle)
{
    const std::pair<const char*, const char*> paires[] = {{"P2C5D4", "P2C5D5"}, {"P2C6B1", "P2C6B2"}};
    QSqlQuery cle(nouvelle);
    if (!cle.prepare(QStringLiteral("SELECT id_comp FROM competences WHERE ref=?")))
        return false;
    const auto lireCle = [&cle](const char* ref) -> qlonglong {
        cle.bindValue(0, QLatin1String(ref));
        return cle.exec() && cle.next() ? cle.value(0).toLongLong() : 0;
    };
    QSqlQuery echange(nouvelle);
    if (!echange.prepare(QStringLiteral(
            "UPDATE notes SET id_comp = CASE id_comp WHEN ? THEN ? ELSE ? END WHERE id_comp IN (?, ?)")))
        return false;
    for (const auto& [premier, second] : paires) {
        const qlonglong clePremier = lireCle(premier);
        const qlonglong cleSecond = lireCle(second);
        // Un livret posé dans l'ordre des codes a les clés des anciennes bases : rien à rendre.
        if (clePremier == 0 || cleSecond == 0 || cleSecond + 1 != clePremier)
            continue;
        // L'ancienne clé du premier est la nouvelle du second, et inversement.
        echange.bindValue(0, cleSecond);
        echange.bindValue(1, clePremier);
        echange.bindValue(2, cleSecond);
        echange.bindValue(3, cleSecond);
        echange.bindValue(4, clePremier);
        if (!echange.exec())
            return false;
    }
    return true;
}

// Les étapes de la version 2, chacune seulement si toutes les précédentes ont réussi.
bool etapesVersion2(const QSqlDatabase& ancienne, const QSqlDatabase& nouvelle)
{
    if (!executer(nouvelle, QStringLiteral("DELETE FROM general")))
        return false;
    if (!copierTable(QStringLiteral("general"), QStringLiteral("id,ecole,langue_defaut"), ancienne, nouvelle))
        return false;
    {
        QSqlQuery version(nouvelle);
        if (!version.prepare(QStringLiteral("UPDATE general SET version=?")))
            return false;
        version.bindValue(0, Schema::VERSION);
        if (!version.exec())
            return false;
    }
    if (!copierTable(QStringLiteral("classes"), QStringLiteral("id_classe,libelle,tri"), ancienne, nouvelle))
        return false;
    if (!copierTable(QStringLiteral("eleves"),
                     QStringLiteral("id_eleve,id_classe,id_niveau,nom,prenom,date_naiss,upd,maj"), ancienne,
                     nouvelle))
        return false;
    // Les sept niveaux de départ s'en vont : les élèves gardent les clés de leurs niveaux.
    if (!executer(nouvelle, QStringLiteral("DELETE FROM niveaux")))
        return false;
    if (!copierTable(QStringLiteral("niveaux"), QStringLiteral("id_niveau,libelle,tri"), ancienne, nouvelle))
        return false;
    return copierTable(QStringLiteral("notes"), QStringLiteral("id_note,id_eleve,id_comp,date,maj"), ancienne,
                       nouvelle) &&
           rendreItemsEchanges(nouvelle);
}

// Les enregistrements de la version 1, clé de nœud traduite.
bool copierNotesVersion1(const QSqlDatabase& ancienne, const QSqlDatabase& nouvelle)
{
    QSqlQuery lecture(ancienne);
    lecture.setForwardOnly(true);
    if (!lecture.exec(QStringLiteral("SELECT id_note,id_eleve,id_comp,date,maj FROM notes")))
        return false;
    QSqlQuery insertion(nouvelle);
    if (!insertion.prepare(
            QStringLiteral("INSERT INTO notes(id_note,id_eleve,id_comp,date,maj) VALUES(?,?,?,?,?)")))
        return false;
    int lignes = 0;
    while (lecture.next()) {
        insertion.bindValue(0, lecture.value(0));
        insertion.bindValue(1, lecture.value(1));
        insertion.bindValue(2, traduireNoeud(lecture.value(2)));
        insertion.bindValue(3, lecture.value(3));
        insertion.bindValue(4, lecture.value(4));
        if (!insertion.exec())
            return false;
        if (++lignes % LIGNES_ENTRE_EVENEMENTS == 0)
            Application::laisserVivre();
    }
    return !lectureEnErreur(lecture);
}

// Les étapes de la version 1, chacune seulement si toutes les précédentes ont réussi.
bool etapesVersion1(const QSqlDatabase& ancienne, const QSqlDatabase& nouvelle)
{
    if (!copierTable(QStringLiteral("classes"), QStringLiteral("id_classe,libelle,tri"), ancienne, nouvelle))
        return false;
    if (!copierTable(QStringLiteral("eleves"),
                     QStringLiteral("id_eleve,id_classe,id_niveau,nom,prenom,date_naiss,upd,maj"), ancienne,
                     nouvelle))
        return false;
    {
        // Sans ligne 1 dans l'ancienne base, les réglages de l'école restent ceux de la pose.
        QSqlQuery lecture(ancienne);
        if (lecture.exec(QStringLiteral("SELECT ecole,langue_defaut FROM general WHERE id=1")) &&
            lecture.next()) {
            QSqlQuery miseAJour(nouvelle);
            if (!miseAJour.prepare(
                    QStringLiteral("UPDATE general SET ecole=?, langue_defaut=?, version=? WHERE id=1")))
                return false;
            miseAJour.bindValue(0, lecture.value(0));
            miseAJour.bindValue(1, lecture.value(1));
            miseAJour.bindValue(2, Schema::VERSION);
            if (!miseAJour.exec())
                return false;
        }
    }
    if (!executer(nouvelle, QStringLiteral("DELETE FROM niveaux")))
        return false;
    if (!copierTable(QStringLiteral("niveaux"), QStringLiteral("id_niveau,libelle,tri"), ancienne, nouvelle))
        return false;
    return copierNotesVersion1(ancienne, nouvelle) && rendreItemsEchanges(nouvelle);
}

// Le cadre commun des deux reprises : connexion sur l'ancien fichier, étapes dans une
// transaction de la connexion par défaut validée quoi qu'il arrive, puis retrait de la
// connexion.
ResultatMigration importer(const QString& cheminAncien, const QString& nomConnexion,
                           bool (*etapes)(const QSqlDatabase&, const QSqlDatabase&))
{
    ResultatMigration resultat;
    {
        QSqlDatabase ancienne = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nomConnexion);
        ancienne.setHostName(QStringLiteral("localhost"));
        ancienne.setDatabaseName(cheminAncien);
        // Lecture seule : la reprise ne fait que lire l'ancien fichier, et un chemin absent
        // échoue à l'ouverture au lieu de laisser un fichier vide derrière lui.
        ancienne.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!ancienne.open()) {
            resultat.ouvertureImpossible = true;
            resultat.erreurOuverture = ancienne.lastError().text();
        } else {
            // SQLite ne lit le fichier qu'à la première requête : un fichier qui n'est pas une
            // base compte comme impossible à ouvrir, avant qu'on ne touche à la base neuve.
            {
                QSqlQuery sonde(ancienne);
                if (!sonde.exec(QStringLiteral("SELECT COUNT(*) FROM sqlite_master")) || !sonde.next()) {
                    resultat.ouvertureImpossible = true;
                    resultat.erreurOuverture = sonde.lastError().text();
                }
            }
            if (!resultat.ouvertureImpossible) {
                QSqlDatabase nouvelle = QSqlDatabase::database();
                Transaction transaction(nouvelle);
                resultat.reussi = etapes(ancienne, nouvelle);
                // Ce qui a été copié avant un échec reste : la transaction est validée dans
                // tous les cas.
                if (transaction.estOuverte() && !transaction.valider())
                    resultat.reussi = false;
            }
            ancienne.close();
        }
    }
    QSqlDatabase::removeDatabase(nomConnexion);
    return resultat;
}

} // namespace

bool copierTable(const QString& table, const QString& colonnes, const QSqlDatabase& ancienne,
                 const QSqlDatabase& nouvelle)
{
    Application::laisserVivre();
    const int nombreColonnes = int(colonnes.count(QLatin1Char(','))) + 1;

    QSqlQuery lecture(ancienne);
    lecture.setForwardOnly(true);
    if (!lecture.exec(QStringLiteral("SELECT %1 FROM %2").arg(colonnes, table)))
        return false;

    QString texteInsertion = QStringLiteral("INSERT INTO %1(%2) VALUES(?").arg(table, colonnes);
    for (int colonne = 1; colonne < nombreColonnes; ++colonne)
        texteInsertion += QLatin1String(",?");
    texteInsertion += QLatin1Char(')');

    // Préparée une seule fois, à la première ligne, puis reprise pour chacune.
    QSqlQuery insertion(nouvelle);
    bool preparee = false;
    int lignes = 0;
    while (lecture.next()) {
        if (!preparee) {
            if (!insertion.prepare(texteInsertion))
                return false;
            preparee = true;
        }
        for (int colonne = 0; colonne < nombreColonnes; ++colonne)
            insertion.bindValue(colonne, lecture.value(colonne));
        if (!insertion.exec())
            return false;
        if (++lignes % LIGNES_ENTRE_EVENEMENTS == 0)
            Application::laisserVivre();
    }
    return !lectureEnErreur(lecture);
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

ResultatMigration importerVersion2(const QString& cheminAncien)
{
    return importer(cheminAncien, CONNEXION_V2, etapesVersion2);
}

ResultatMigration importerVersion1(const QString& cheminAncien)
{
    return importer(cheminAncien, CONNEXION_V1, etapesVersion1);
}

} // namespace Migration
