// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/commun/application.h"
#include "core/db/chargeurlivret.h"
#include "core/db/jeuessai.h"
#include "core/db/migration.h"
#include "core/db/miseajourlivret.h"
#include "core/db/requetes.h"
#include "core/entry/notes.h"
#include "support/donnees.h"
#include "support/environnement.h"
#include "support/sql.h"

#include <QDate>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

namespace {

using Sql::surFichier;

QStringList lire(const QString& requete)
{
    return surFichier(Application::chemins().courante, {requete});
}

QString cheminAncien(int version)
{
    return version == 2 ? Application::chemins().v2 : Application::chemins().v1;
}

Resultat<> importer(int version)
{
    return version == 2 ? Migration::importerVersion2(cheminAncien(2))
                        : Migration::importerVersion1(cheminAncien(1));
}

// Une base d'une ancienne version, colonnes nommées ; `general` est l'instruction qui remplit
// (ou retire) la table general, `noeud` la clé de nœud de l'unique enregistrement.
QStringList ancienneBase(int version, const QString& general, int noeud)
{
    return {
        QStringLiteral("CREATE TABLE general(id INTEGER PRIMARY KEY, ecole TEXT, langue_defaut TINYTEXT%1)")
            .arg(version == 2 ? QStringLiteral(", version INTEGER") : QString()),
        "CREATE TABLE classes(id_classe INTEGER PRIMARY KEY, libelle TINYTEXT, tri INTEGER)",
        "CREATE TABLE eleves(id_eleve INTEGER PRIMARY KEY, id_classe INTEGER, id_niveau INTEGER, "
        "nom TINYTEXT, prenom TINYTEXT, date_naiss DATE, upd INTEGER, maj DATETIME)",
        "CREATE TABLE niveaux(id_niveau INTEGER PRIMARY KEY, libelle TINYTEXT, tri INTEGER)",
        "CREATE TABLE notes(id_note INTEGER PRIMARY KEY, id_eleve INTEGER, id_comp INTEGER, date DATE, "
        "maj DATETIME)",
        general,
        "INSERT INTO classes VALUES(4,'CE1 Mme Martin',2),(12,'CLIS',NULL)",
        "INSERT INTO niveaux VALUES(2,'CE1',1),(8,'CLIS',0)",
        "INSERT INTO eleves VALUES(1001,4,2,'Dupont','Léa','2002-03-14',1,'2009-09-01 08:15:00'),"
        "(1002,12,8,'Petit','Zoé',NULL,NULL,'2010-01-05 17:45:30'),"
        "(1040,4,8,'Martin','Noé','1999-12-31',0,'2009-09-02 10:00:00')",
        QStringLiteral("INSERT INTO notes VALUES(7,1001,%1,'2010-05-04','2010-05-04 18:00:00')").arg(noeud),
    };
}

const QString GENERAL_V1 = QStringLiteral("INSERT INTO general VALUES(1,'École des Tilleuls','italien')");
const QString GENERAL_DE_DEPART = QStringLiteral("1||allemand|3");
const QString LIRE_GENERAL = QStringLiteral("SELECT id, ecole, langue_defaut, version FROM general");
const QString LIRE_ELEVES = QStringLiteral(
    "SELECT id_eleve, id_classe, id_niveau, nom, prenom, date_naiss, upd, maj FROM eleves ORDER BY id_eleve");
const QStringList ELEVES = {"1001|4|2|Dupont|Léa|2002-03-14|1|2009-09-01 08:15:00",
                            "1002|12|8|Petit|Zoé|NULL|NULL|2010-01-05 17:45:30",
                            "1040|4|8|Martin|Noé|1999-12-31|0|2009-09-02 10:00:00"};

// Un palier, une compétence, un agrégat, deux items, une deuxième compétence : les nœuds
// datés par le jeu d'essai (profondeurs 1 et 3) sont 2, 4, 5 et 6.
const QString ARBRE = QStringLiteral(
    "INSERT INTO competences VALUES(1,0,'Palier',0,1,'P1'),(2,1,'Comp',1,1,'P1C1'),(3,2,'Agr',2,1,'P1C1A'),"
    "(4,3,'Item',3,1,'P1C1A1'),(5,3,'Item',3,2,'P1C1A2'),(6,1,'Comp',1,2,'P1C2')");

} // namespace

class TstMigration : public QObject
{
    Q_OBJECT
    Environnement::Dossier dossier;

private Q_SLOTS:
    void initTestCase() { Environnement::preparer(); }

    void init()
    {
        // Une connexion retirée alors qu'elle sert encore, ou ouverte deux fois, fait échouer l'essai.
        QTest::failOnWarning(QRegularExpression(QStringLiteral("still in use|duplicate connection name")));
        QVERIFY(Environnement::nouvelleBase(dossier, Environnement::Pose::Schema));
    }

    void reprise_data()
    {
        QTest::addColumn<int>("version");
        QTest::addColumn<QString>("general");
        QTest::addColumn<QString>("reglages");
        QTest::addColumn<int>("ancien");
        QTest::addColumn<int>("nouveau");

        // Les clés de nœuds de la version 2 sont déjà celles de l'arbre actuel.
        ligne("version 2", 2, "INSERT INTO general VALUES(1,'École des Tilleuls','anglais',2)",
              "1|École des Tilleuls|anglais|3", 178, 178);
        // Version 1 : 178 devient 186, 179 à 185 perdent un, 186 à 211 gagnent un.
        const int noeuds[][2] = {{178, 186}, {179, 178}, {185, 184}, {186, 187},
                                 {211, 212}, {212, 212}, {177, 177}, {100, 100}};
        for (const auto& [ancien, nouveau] : noeuds)
            QTest::addRow("version 1, nœud %d", ancien)
                << 1 << GENERAL_V1 << "1|École des Tilleuls|italien|3" << ancien << nouveau;
        // Sans ligne 1 dans general, les réglages de la base neuve restent ; le reste est repris.
        ligne("version 1, autre ligne dans general", 1,
              "INSERT INTO general VALUES(2,'Autre école','espagnol')", GENERAL_DE_DEPART, 178, 186);
        ligne("version 1, sans table general", 1, "DROP TABLE general", GENERAL_DE_DEPART, 178, 186);
    }

    void reprise()
    {
        QFETCH(int, version);
        QFETCH(QString, general);
        QFETCH(QString, reglages);
        QFETCH(int, ancien);
        QFETCH(int, nouveau);
        QCOMPARE(surFichier(cheminAncien(version), ancienneBase(version, general, ancien)), QStringList());

        QVERIFY(importer(version));
        QVERIFY(!QSqlDatabase::contains(Migration::CONNEXION_V1) &&
                !QSqlDatabase::contains(Migration::CONNEXION_V2));
        QCOMPARE(lire(LIRE_GENERAL), QStringList{reglages});
        QCOMPARE(lire("SELECT id_classe, libelle, tri FROM classes ORDER BY id_classe"),
                 (QStringList{"4|CE1 Mme Martin|2", "12|CLIS|NULL"}));
        QCOMPARE(lire(LIRE_ELEVES), ELEVES);
        // Les sept niveaux de départ cèdent la place aux anciens, qui gardent leurs clés.
        QCOMPARE(lire("SELECT id_niveau, libelle, tri FROM niveaux ORDER BY id_niveau"),
                 (QStringList{"2|CE1|1", "8|CLIS|0"}));
        QCOMPARE(lire("SELECT id_note, id_eleve, id_comp, date, maj FROM notes"),
                 QStringList{QStringLiteral("7|1001|%1|2010-05-04|2010-05-04 18:00:00").arg(nouveau)});
    }

    // Les anciennes bases avaient P2C5D4 avant P2C5D5 et P2C6B1 avant P2C6B2, le livret actuel
    // l'inverse : chaque date reprise revient sur le même item (même code), les voisins ne
    // bougent pas.
    void itemsEchanges_data()
    {
        QTest::addColumn<int>("version");
        QTest::addColumn<QList<int>>("anciens"); // P2C5D3, P2C5D4, P2C5D5, P2C6B1, P2C6B2
        ligne("version 2", 2, QList<int>{190, 191, 192, 199, 200});
        ligne("version 1", 1, QList<int>{189, 190, 191, 198, 199});
    }
    void itemsEchanges()
    {
        QFETCH(int, version);
        QFETCH(QList<int>, anciens);
        QVERIFY(Environnement::initialiserBase());
        QStringList instructions =
            ancienneBase(version, version == 2 ? "INSERT INTO general VALUES(1,'','anglais',2)" : GENERAL_V1,
                         anciens.at(0));
        for (int i = 1; i < anciens.size(); ++i)
            instructions << QStringLiteral("INSERT INTO notes VALUES(%1,1001,%2,'2010-05-%1',NULL)")
                                .arg(10 + i)
                                .arg(anciens.at(i));
        QCOMPARE(surFichier(cheminAncien(version), instructions), QStringList());
        QVERIFY(importer(version));
        QCOMPARE(lire("SELECT c.ref, n.date FROM notes n JOIN competences c ON c.id_comp = n.id_comp "
                      "ORDER BY n.id_note"),
                 (QStringList{"P2C5D3|2010-05-04", "P2C5D4|2010-05-11", "P2C5D5|2010-05-12",
                              "P2C6B1|2010-05-13", "P2C6B2|2010-05-14"}));
    }

    // Une base posée par l'ancien livret, avec des dates sur des items dont le sens change et sur
    // les items qui changent de place, reçoit les libellés et l'ordre du livret actuel : chaque
    // nœud garde sa clé, son code, son parent et sa profondeur, chaque date reste sur son item, et
    // une seconde passe n'a plus rien à faire.
    void livretMisAJour()
    {
        QVERIFY(Environnement::initialiserBase(QFINDTESTDATA("../donnees/livrets-ancien.csv")));
        Sql::valeur("INSERT INTO eleves(id_eleve, nom) VALUES(1, 'Dupont'), (2, 'Martin')");
        int jour = 0;
        for (const char* ref : {"P2C5A1", "P2C5D4", "P2C5D5", "P2C6B1", "P2C6B2", "P1C3B1", "P2C5D3"})
            for (const int eleve : {1, 2})
                if (eleve == 1 || QByteArray(ref).startsWith("P2C5D"))
                    Sql::valeur(
                        "INSERT INTO notes(id_eleve, id_comp, date, maj) VALUES(?, ?, ?, '2011-06-30')",
                        {eleve, Sql::idRef(QLatin1String(ref)),
                         QStringLiteral("2011-06-%1").arg(++jour, 2, 10, QLatin1Char('0'))});
        const QString lireNotes =
            QStringLiteral("SELECT n.id_note, n.id_eleve, n.id_comp, c.ref, n.date, n.maj "
                           "FROM notes n JOIN competences c ON c.id_comp = n.id_comp "
                           "ORDER BY n.id_note");
        const QString lireArbre = QStringLiteral(
            "SELECT id_comp, id_comp_parent, profondeur, ref FROM competences ORDER BY id_comp");
        const QStringList notes = lire(lireNotes);
        const QStringList arbre = lire(lireArbre);
        const qint64 p2c5d = Sql::idRef("P2C5D");

        const QList<MiseAJourLivret::Changement> changements = MiseAJourLivret::ecarts().valeurOu({});
        QCOMPARE(MiseAJourLivret::sensChange(changements), MiseAJourLivret::SENS_CHANGE);
        const Resultat<> applique = MiseAJourLivret::appliquer(changements);
        QVERIFY2(applique, qPrintable(applique ? QString() : applique.erreur().texte));

        QCOMPARE(lire(lireNotes), notes);
        QCOMPARE(lire(lireArbre), arbre);
        // Libellés et places : ceux du livret actuel, nœud pour nœud.
        ChargeurLivret chargeur;
        const auto livret = chargeur.lire(Initialisation::RESSOURCE_LIVRET);
        QVERIFY(livret);
        QStringList attendu;
        for (const NoeudLivret& noeud : *livret)
            attendu << QStringLiteral("%1|%2|%3").arg(noeud.ref).arg(noeud.numero).arg(noeud.libelle);
        QStringList obtenu = lire("SELECT ref, numero, libelle FROM competences");
        obtenu.sort();
        attendu.sort();
        QCOMPARE(obtenu, attendu);
        // La grille montre les items dans l'ordre du texte national, chacun avec ses dates.
        QStringList grille;
        for (const Noeud& item : Requetes::enfants(p2c5d).valeurOu({}))
            grille
                << lire(QStringLiteral(
                            "SELECT c.ref || IFNULL(' ' || group_concat(n.date, ' '), '') FROM competences c "
                            "LEFT JOIN notes n ON n.id_comp = c.id_comp WHERE c.id_comp = %1")
                            .arg(item.id))
                       .value(0);
        QCOMPARE(grille, (QStringList{"P2C5D1", "P2C5D2", "P2C5D3 2011-06-09 2011-06-10",
                                      "P2C5D5 2011-06-04 2011-06-05", "P2C5D4 2011-06-02 2011-06-03"}));
        QCOMPARE(MiseAJourLivret::ecarts()->size(), 0);
        const QList<MiseAJourLivret::ItemARevoir> items =
            MiseAJourLivret::itemsARevoir({"P1C3B1", "P2C5A1", "P2C5A2"}).valeurOu({});
        QCOMPARE(items.size(), 3);
        QCOMPARE((QList<int>{items.at(0).eleves, items.at(1).eleves, items.at(2).eleves}),
                 (QList<int>{1, 1, 0}));
        QCOMPARE(items.at(1).libelle,
                 QStringLiteral("Identifier les périodes de l\u2019histoire au programme"));
    }

    // Un échec au milieu de la réécriture ne laisse rien : l'arbre reste celui d'avant.
    void livretMisAJourEnEchec()
    {
        QVERIFY(Environnement::initialiserBase(QFINDTESTDATA("../donnees/livrets-ancien.csv")));
        const QString lireArbre = QStringLiteral("SELECT * FROM competences ORDER BY id_comp");
        const QStringList avant = lire(lireArbre);
        Sql::valeur("CREATE TRIGGER refus BEFORE UPDATE ON competences WHEN NEW.ref = 'P2C6B2' "
                    "BEGIN SELECT RAISE(ABORT, 'refusé'); END");
        const Resultat<> applique = MiseAJourLivret::appliquer(MiseAJourLivret::ecarts().valeurOu({}));
        QVERIFY(!applique);
        QVERIFY2(applique.erreur().texte.contains("refusé"), qPrintable(applique.erreur().texte));
        QCOMPARE(lire(lireArbre), avant);
    }

    // Un arbre qui n'a pas exactement les nœuds du livret n'est pas touché ; une base posée par le
    // livret actuel n'a rien à recevoir.
    void livretNonReconnu_data()
    {
        QTest::addColumn<QString>("livret");
        QTest::addColumn<QString>("changement");
        const QString ancien = QFINDTESTDATA("../donnees/livrets-ancien.csv");
        ligne("livret actuel", QString(), QString());
        ligne("nœud en moins", ancien, "DELETE FROM competences WHERE ref = 'P2C7C3'");
        ligne("nœud en plus", ancien,
              "INSERT INTO competences(id_comp_parent, libelle, profondeur, numero, ref) VALUES(0, 'P3', 0, "
              "3, 'P3')");
        ligne("autre parent", ancien,
              "UPDATE competences SET id_comp_parent = (SELECT id_comp FROM competences WHERE ref = 'P2C6A') "
              "WHERE ref = 'P2C6B1'");
        ligne("parent disparu", ancien, "UPDATE competences SET id_comp_parent = 9999 WHERE ref = 'P2C6B1'");
        ligne("autre profondeur", ancien, "UPDATE competences SET profondeur = 2 WHERE ref = 'P2C7C3'");
        ligne("code changé", ancien, "UPDATE competences SET ref = 'P2C7C9' WHERE ref = 'P2C7C3'");
        ligne("sans table", ancien, "DROP TABLE competences");
    }
    void livretNonReconnu()
    {
        QFETCH(QString, livret);
        QFETCH(QString, changement);
        QVERIFY(Environnement::initialiserBase(livret));
        if (!changement.isEmpty())
            Sql::valeur(changement);
        // Une table disparue ne se lit pas : c'est dit, et rien n'est touché non plus.
        const auto lus = MiseAJourLivret::ecarts();
        QCOMPARE(lus ? lus->size() : 0, 0);
    }

    // Un élève de même clé déjà dans la base neuve : la copie s'arrête au deuxième élève, et ce
    // qui a été copié avant l'échec reste, validé.
    void echecEnCours()
    {
        QCOMPARE(surFichier(cheminAncien(1), ancienneBase(1, GENERAL_V1, 178)), QStringList());
        Sql::valeur("INSERT INTO eleves(id_eleve, nom, maj) VALUES(1002, 'Déjà là', '2000-01-01')");
        const Resultat<> resultat = importer(1);
        QVERIFY(!resultat);
        QCOMPARE(int(resultat.erreur().raison), int(Raison::MigrationIncomplete));
        QCOMPARE(lire("SELECT COUNT(*) FROM classes"), QStringList{"2"});
        QCOMPARE(lire(LIRE_ELEVES),
                 (QStringList{ELEVES.at(0), "1002|NULL|NULL|Déjà là|NULL|NULL|NULL|2000-01-01"}));
        QCOMPARE(lire(LIRE_GENERAL), QStringList{GENERAL_DE_DEPART});
        QCOMPARE(lire("SELECT COUNT(*) FROM niveaux"), QStringList{"7"});
        QCOMPARE(lire("SELECT COUNT(*) FROM notes"), QStringList{"0"});
    }

    void ancienFichierIllisible_data()
    {
        QTest::addColumn<int>("version");
        QTest::addColumn<bool>("present");
        QTest::addColumn<QByteArray>("contenu");
        QTest::addColumn<bool>("ouvertureImpossible");

        ligne("version 2, fichier texte", 2, true,
              QByteArray("Ceci n'est pas une base de données.\n").repeated(40), true);
        ligne("version 1, fichier absent", 1, false, QByteArray(), true);
        // Un fichier vide est une base SQLite vide : elle s'ouvre, la première copie échoue.
        ligne("version 1, fichier vide", 1, true, QByteArray(), false);
    }

    void ancienFichierIllisible()
    {
        QFETCH(int, version);
        QFETCH(bool, present);
        QFETCH(QByteArray, contenu);
        QFETCH(bool, ouvertureImpossible);
        if (present) {
            QFile fichier(cheminAncien(version));
            QVERIFY(fichier.open(QIODevice::WriteOnly));
            QCOMPARE(fichier.write(contenu), qint64(contenu.size()));
        }

        const Resultat<> resultat = importer(version);
        QVERIFY(!resultat);
        QCOMPARE(resultat.erreur().raison == Raison::OuvertureImpossible, ouvertureImpossible);
        QVERIFY(!resultat.erreur().texte.isEmpty());
        QVERIFY(!QSqlDatabase::contains(Migration::CONNEXION_V1) &&
                !QSqlDatabase::contains(Migration::CONNEXION_V2));
        QCOMPARE(QFile::exists(cheminAncien(version)), present);
        // La base neuve n'a pas bougé.
        QCOMPARE(lire(LIRE_GENERAL), QStringList{GENERAL_DE_DEPART});
        QCOMPARE(lire("SELECT COUNT(*) FROM niveaux"), QStringList{"7"});
    }

    // Le jeu d'essai efface les dates d'avant et n'en pose que sur les compétences et les items
    // des élèves présents (aucun : aucune date), toujours les mêmes pour une même graine.
    void jeuEssai()
    {
        constexpr int eleves = 400;
        Sql::valeur(ARBRE);
        Sql::valeur(
            "INSERT INTO notes(id_eleve, id_comp, date) VALUES(77,4,'2011-02-03'),(78,3,'2011-02-04')");
        QVERIFY(JeuEssai::generer(4242u));
        QCOMPARE(lire("SELECT COUNT(*), (SELECT COUNT(*) FROM competences) FROM notes"), QStringList{"0|6"});
        Sql::valeur(
            QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                           "INSERT INTO eleves(id_eleve, nom) SELECT 500 + 3 * i, 'Élève' FROM n")
                .arg(eleves));
        // Un enregistrement d'avant, sur un agrégat : il s'en va.
        Sql::valeur("INSERT INTO notes(id_eleve, id_comp, date) VALUES(503, 3, '2011-02-03')");
        const QString lecture =
            QStringLiteral("SELECT n.id_eleve, n.id_comp, c.profondeur, n.date FROM notes n "
                           "LEFT JOIN competences c ON c.id_comp = n.id_comp ORDER BY n.id_note");
        QVERIFY(JeuEssai::generer(31337u));
        const QStringList notes = lire(lecture);
        QSet<QString> paires;
        for (const QString& note : notes) {
            const QStringList valeurs = note.split(QLatin1Char('|'));
            QVERIFY2(valeurs.at(2) == "1" || valeurs.at(2) == "3", qPrintable(note));
            const QDate date = QDate::fromString(valeurs.at(3), QStringLiteral("yyyy-MM-dd"));
            QVERIFY2(date.isValid() && date >= QDate(2008, 1, 1) && date <= QDate(2010, 12, 30),
                     qPrintable(note));
            paires.insert(valeurs.at(0) + QLatin1Char('/') + valeurs.at(1));
        }
        QCOMPARE(paires.size(), notes.size());
        // Trois paires sur quatre datées en moyenne : sur 1 600, l'écart type est d'environ 17.
        QVERIFY2(notes.size() > 4 * eleves * 65 / 100 && notes.size() < 4 * eleves * 85 / 100,
                 qPrintable(QString::number(notes.size())));

        // Même graine, mêmes données ; une autre graine en donne d'autres.
        QVERIFY(JeuEssai::generer(31337u));
        QCOMPARE(lire(lecture), notes);
        QVERIFY(JeuEssai::generer(31338u));
        QVERIFY(lire(lecture) != notes);
    }
};

QTEST_GUILESS_MAIN(TstMigration)
#include "tst_migration.moc"
