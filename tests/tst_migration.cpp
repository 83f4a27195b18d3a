#include "app/aleatoire.h"
#include "app/application.h"
#include "db/jeuessai.h"
#include "db/migration.h"
#include "db/schema.h"
#include "support/environnement.h"

#include <QDate>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>
#include <QTime>
#include <QVariant>

using Migration::ResultatMigration;

namespace {

const QString CONNEXION_FABRIQUE = QStringLiteral("essai_fabrique");
const QString CONNEXION_LECTURE = QStringLiteral("essai_lecture");

// Crée (ou complète) un fichier SQLite sur une connexion à part et y exécute les instructions.
bool fabriquerBase(const QString& chemin, const QStringList& instructions)
{
    bool ok = true;
    {
        QSqlDatabase base = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), CONNEXION_FABRIQUE);
        base.setDatabaseName(chemin);
        ok = base.open();
        {
            QSqlQuery requete(base);
            for (const QString& instruction : instructions) {
                if (!ok)
                    break;
                if (!requete.exec(instruction)) {
                    qWarning("%s : %s", qPrintable(instruction), qPrintable(requete.lastError().text()));
                    ok = false;
                }
            }
        }
        base.close();
    }
    QSqlDatabase::removeDatabase(CONNEXION_FABRIQUE);
    return ok;
}

// Les lignes d'une requête, valeurs en texte séparées par « | », NULL écrit « NULL ».
QStringList lignes(const QSqlDatabase& base, const QString& texte)
{
    QStringList resultat;
    QSqlQuery requete(base);
    if (!requete.exec(texte)) {
        resultat << QStringLiteral("ERREUR ") + requete.lastError().text();
        return resultat;
    }
    while (requete.next()) {
        QStringList valeurs;
        for (int colonne = 0; colonne < requete.record().count(); ++colonne) {
            const QVariant valeur = requete.value(colonne);
            valeurs << (valeur.isNull() ? QStringLiteral("NULL") : valeur.toString());
        }
        resultat << valeurs.join(QLatin1Char('|'));
    }
    return resultat;
}

QStringList lignes(const QString& texte)
{
    return lignes(QSqlDatabase::database(), texte);
}

// Les mêmes lignes lues par une seconde connexion sur le fichier courant : elle ne voit que
// ce qui a été validé.
QStringList lignesValidees(const QString& texte)
{
    QStringList resultat;
    {
        QSqlDatabase base = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), CONNEXION_LECTURE);
        base.setDatabaseName(Application::chemins().courante);
        if (base.open())
            resultat = lignes(base, texte);
        else
            resultat << QStringLiteral("ERREUR ") + base.lastError().text();
        base.close();
    }
    QSqlDatabase::removeDatabase(CONNEXION_LECTURE);
    return resultat;
}

int compter(const QString& texte)
{
    QSqlQuery requete;
    if (!requete.exec(texte) || !requete.next())
        return -1;
    return requete.value(0).toInt();
}

const QString ECOLE_ANCIENNE = QStringLiteral("École des Tilleuls\n3 rue des Écoles\n44000 Nantes");

const QString LIRE_GENERAL =
    QStringLiteral("SELECT id, ecole, langue_defaut, version FROM general ORDER BY id");
const QString LIRE_CLASSES = QStringLiteral("SELECT id_classe, libelle, tri FROM classes ORDER BY id_classe");
const QString LIRE_NIVEAUX = QStringLiteral("SELECT id_niveau, libelle, tri FROM niveaux ORDER BY id_niveau");
const QString LIRE_ELEVES = QStringLiteral(
    "SELECT id_eleve, id_classe, id_niveau, nom, prenom, date_naiss, upd, maj FROM eleves ORDER BY id_eleve");
const QString LIRE_NOTES =
    QStringLiteral("SELECT id_note, id_eleve, id_comp, date, maj FROM notes ORDER BY id_note");

const QStringList NIVEAUX_DE_DEPART = {"1|CP|0",  "2|CE1|1",      "3|CE2|2",      "4|CM1|3",
                                       "5|CM2|4", "6|CYCLE II|5", "7|CYCLE III|6"};
const QString GENERAL_DE_DEPART = QStringLiteral("1||allemand|3");

// Les lignes que les deux anciennes versions ont en commun.
QStringList donneesCommunes()
{
    return {
        "INSERT INTO classes VALUES(4,'CE1 Mme Martin',2)",
        "INSERT INTO classes VALUES(9,'CM2 M. Bernard',1)",
        "INSERT INTO classes VALUES(12,'CLIS',NULL)",
        "INSERT INTO niveaux VALUES(2,'CE1',1)",
        "INSERT INTO niveaux VALUES(5,'CM2',4)",
        "INSERT INTO niveaux VALUES(8,'CLIS',0)",
        "INSERT INTO eleves VALUES(1001,4,2,'Dupont','Léa','2002-03-14',1,'2009-09-01 08:15:00')",
        "INSERT INTO eleves VALUES(1002,9,5,'Martin','Noé','1999-12-31',0,'2009-09-02 10:00:00')",
        "INSERT INTO eleves VALUES(1040,12,8,'Petit','Zoé',NULL,NULL,'2010-01-05 17:45:30')",
    };
}

const QStringList CLASSES_ANCIENNES = {"4|CE1 Mme Martin|2", "9|CM2 M. Bernard|1", "12|CLIS|NULL"};
const QStringList NIVEAUX_ANCIENS = {"2|CE1|1", "5|CM2|4", "8|CLIS|0"};
const QString ELEVE_1001 = QStringLiteral("1001|4|2|Dupont|Léa|2002-03-14|1|2009-09-01 08:15:00");
const QString ELEVE_1002 = QStringLiteral("1002|9|5|Martin|Noé|1999-12-31|0|2009-09-02 10:00:00");
const QString ELEVE_1040 = QStringLiteral("1040|12|8|Petit|Zoé|NULL|NULL|2010-01-05 17:45:30");

// Base de la version 2 : les tables du schéma actuel, version 2 dans general.
QStringList baseVersion2(const QStringList& notes)
{
    QStringList instructions = Schema::instructionsScript().value_or(QStringList());
    instructions << "DELETE FROM niveaux"
                 << QStringLiteral(
                        "UPDATE general SET ecole='%1', langue_defaut='anglais', version=2 WHERE id=1")
                        .arg(ECOLE_ANCIENNE);
    instructions << donneesCommunes() << notes;
    return instructions;
}

const QStringList TABLES_VERSION1 = {
    "CREATE TABLE general(id INTEGER PRIMARY KEY, ecole TEXT, langue_defaut TINYTEXT)",
    "CREATE TABLE classes(id_classe INTEGER PRIMARY KEY, libelle TINYTEXT, tri INTEGER)",
    "CREATE TABLE eleves(id_eleve INTEGER PRIMARY KEY, id_classe INTEGER, id_niveau INTEGER, nom TINYTEXT, "
    "prenom TINYTEXT, date_naiss DATE, upd INTEGER, maj DATETIME DEFAULT CURRENT_TIMESTAMP)",
    "CREATE TABLE niveaux(id_niveau INTEGER PRIMARY KEY, libelle TINYTEXT, tri INTEGER)",
    "CREATE TABLE notes(id_note INTEGER PRIMARY KEY, id_eleve INTEGER, id_comp INTEGER, date DATE, "
    "maj DATETIME DEFAULT CURRENT_TIMESTAMP)",
};

// Base de la version 1 ; `ligneGeneral` vide : pas de ligne dans general.
QStringList baseVersion1(const QStringList& notes, const QString& ligneGeneral)
{
    QStringList instructions = TABLES_VERSION1;
    if (!ligneGeneral.isEmpty())
        instructions << ligneGeneral;
    instructions << donneesCommunes() << notes;
    return instructions;
}

QString ligneGeneralVersion1()
{
    return QStringLiteral("INSERT INTO general VALUES(1,'%1','italien')").arg(ECOLE_ANCIENNE);
}

// Un petit arbre : un palier, deux compétences, trois agrégats, quatre items. Les nœuds
// datés par le jeu d'essai sont ceux de profondeur 1 ou 3.
const QStringList ARBRE = {
    "INSERT INTO competences VALUES(1,0,'Palier 1',0,1,'P1')",
    "INSERT INTO competences VALUES(2,1,'Compétence 1',1,1,'P1C1')",
    "INSERT INTO competences VALUES(3,2,'Dire',2,1,'P1C1A')",
    "INSERT INTO competences VALUES(4,3,'Item 1',3,1,'P1C1A1')",
    "INSERT INTO competences VALUES(5,3,'Item 2',3,2,'P1C1A2')",
    "INSERT INTO competences VALUES(6,2,'Lire',2,2,'P1C1B')",
    "INSERT INTO competences VALUES(7,6,'Item 3',3,1,'P1C1B1')",
    "INSERT INTO competences VALUES(8,1,'Compétence 2',1,2,'P1C2')",
    "INSERT INTO competences VALUES(9,8,'Nombres',2,1,'P1C2A')",
    "INSERT INTO competences VALUES(10,9,'Item 4',3,1,'P1C2A1')",
};
const QList<int> NOEUDS_DATES = {2, 4, 5, 7, 8, 10};

} // namespace

class TstMigration : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void noeudVersion1_data();
    void noeudVersion1();
    void copieTable_data();
    void copieTable();
    void importVersion2();
    void importVersion1();
    void importVersion1Noeud_data();
    void importVersion1Noeud();
    void version1SansGeneral_data();
    void version1SansGeneral();
    void echecEnCours_data();
    void echecEnCours();
    void ancienFichierIllisible_data();
    void ancienFichierIllisible();

    void aleatoire();
    void jeuEssaiSansEleves();
    void jeuEssai_data();
    void jeuEssai();
    void jeuEssaiReproductible();
    void jeuEssaiGraineHorloge();

private:
    QString cheminV1() const { return Application::chemins().v1; }
    QString cheminV2() const { return Application::chemins().v2; }
    void poserEleves(int nombre);
    std::unique_ptr<QTemporaryDir> dossier;
};

void TstMigration::initTestCase()
{
    Environnement::preparer();
}

void TstMigration::init()
{
    // Une connexion retirée alors qu'une requête ou une copie vit encore, ou ouverte deux fois
    // sous le même nom, se signale par un avertissement : il fait échouer l'essai.
    QTest::failOnWarning(QRegularExpression(QStringLiteral("still in use")));
    QTest::failOnWarning(QRegularExpression(QStringLiteral("duplicate connection name")));
    dossier = Environnement::nouveauDossierDonnees();
    QVERIFY(dossier->isValid());
    QVERIFY(Environnement::ouvrirBase());
    QVERIFY(Environnement::poserSchema());
}

void TstMigration::cleanup()
{
    Environnement::fermerBase();
    dossier.reset();
}

// --- Traduction des clés de nœuds de la version 1 ------------------------------------------

namespace {
void lignesNoeuds()
{
    QTest::addColumn<int>("ancien");
    QTest::addColumn<int>("nouveau");
    QTest::newRow("178 devient l'item P2C5C1") << 178 << 186;
    QTest::newRow("179, premier décalé vers le bas") << 179 << 178;
    QTest::newRow("182") << 182 << 181;
    QTest::newRow("185, dernier décalé vers le bas") << 185 << 184;
    QTest::newRow("186, premier décalé vers le haut") << 186 << 187;
    QTest::newRow("200") << 200 << 201;
    QTest::newRow("211, dernier décalé vers le haut") << 211 << 212;
    QTest::newRow("212 inchangé") << 212 << 212;
    QTest::newRow("177 inchangé") << 177 << 177;
    QTest::newRow("100 inchangé") << 100 << 100;
    QTest::newRow("1 inchangé") << 1 << 1;
}
} // namespace

void TstMigration::noeudVersion1_data()
{
    lignesNoeuds();
}

void TstMigration::noeudVersion1()
{
    QFETCH(int, ancien);
    QFETCH(int, nouveau);
    QCOMPARE(Migration::noeudVersion1(ancien), nouveau);
}

// --- Copie d'une table ---------------------------------------------------------------------

void TstMigration::copieTable_data()
{
    QTest::addColumn<QStringList>("ancienne");
    QTest::addColumn<QStringList>("preparation");
    QTest::addColumn<QString>("colonnes");
    QTest::addColumn<bool>("reussi");
    QTest::addColumn<QStringList>("attendu");

    const QString table =
        QStringLiteral("CREATE TABLE classes(id_classe INTEGER PRIMARY KEY, libelle TINYTEXT, "
                       "tri INTEGER)");
    const QStringList troisClasses = {table, "INSERT INTO classes VALUES(1,'CP',3)",
                                      "INSERT INTO classes VALUES(2,'CE1',NULL)",
                                      "INSERT INTO classes VALUES(5,'CE2 / CM1',1)"};

    // Les valeurs vides restent vides, les autres arrivent telles quelles.
    QTest::newRow("toutes les lignes, vides gardés")
        << troisClasses << QStringList() << "id_classe,libelle,tri" << true
        << QStringList{"1|CP|3|integer|text", "2|CE1|NULL|null|text", "5|CE2 / CM1|1|integer|text"};
    QTest::newRow("table vide") << QStringList{table} << QStringList() << "id_classe,libelle,tri" << true
                                << QStringList();
    QTest::newRow("colonnes choisies seulement")
        << troisClasses << QStringList() << "id_classe,libelle" << true
        << QStringList{"1|CP|NULL|null|text", "2|CE1|NULL|null|text", "5|CE2 / CM1|NULL|null|text"};
    QTest::newRow("table absente de l'ancienne base")
        << QStringList{"CREATE TABLE autre(x INTEGER)"} << QStringList() << "id_classe,libelle,tri" << false
        << QStringList();
    QTest::newRow("colonne absente de l'ancienne base")
        << troisClasses << QStringList() << "id_classe,libelle,rang" << false << QStringList();
    // La deuxième insertion heurte une clé déjà là : la première reste, la troisième n'est
    // pas tentée.
    QTest::newRow("échec au milieu") << troisClasses
                                     << QStringList{"INSERT INTO classes VALUES(2,'Déjà là',9)"}
                                     << "id_classe,libelle,tri" << false
                                     << QStringList{"1|CP|3|integer|text", "2|Déjà là|9|integer|text"};
}

void TstMigration::copieTable()
{
    QFETCH(QStringList, ancienne);
    QFETCH(QStringList, preparation);
    QFETCH(QString, colonnes);
    QFETCH(bool, reussi);
    QFETCH(QStringList, attendu);

    const QString chemin = dossier->filePath(QStringLiteral("ancienne.sqlite"));
    QVERIFY(fabriquerBase(chemin, ancienne));
    QSqlQuery requete;
    for (const QString& instruction : preparation)
        QVERIFY2(requete.exec(instruction), qPrintable(instruction));

    const QString nom = QStringLiteral("essai_ancienne");
    {
        QSqlDatabase base = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nom);
        base.setDatabaseName(chemin);
        QVERIFY(base.open());
        QCOMPARE(Migration::copierTable(QStringLiteral("classes"), colonnes, base), reussi);
        base.close();
    }
    QSqlDatabase::removeDatabase(nom);
    QCOMPARE(
        lignes(
            "SELECT id_classe, libelle, tri, typeof(tri), typeof(libelle) FROM classes ORDER BY id_classe"),
        attendu);
}

// --- Reprise de la version 2 ---------------------------------------------------------------

void TstMigration::importVersion2()
{
    QVERIFY(fabriquerBase(
        cheminV2(),
        baseVersion2({"INSERT INTO notes VALUES(7,1001,178,'2010-05-04','2010-05-04 18:00:00')",
                      "INSERT INTO notes VALUES(8,1002,186,'2009-11-30','2009-11-30 12:00:00')",
                      "INSERT INTO notes VALUES(15,1040,3,'2010-01-06','2010-01-06 09:00:00')"})));
    const QByteArray avant = [&] {
        QFile fichier(cheminV2());
        return fichier.open(QIODevice::ReadOnly) ? fichier.readAll() : QByteArray();
    }();

    const ResultatMigration resultat = Migration::importerVersion2(cheminV2());
    QVERIFY(resultat.reussi);
    QVERIFY(!resultat.ouvertureImpossible);
    QVERIFY(resultat.erreurOuverture.isEmpty());
    QVERIFY(!QSqlDatabase::contains(Migration::CONNEXION_V2));

    // Réglages de l'école repris, version portée à 3 ; une seule ligne.
    QCOMPARE(lignesValidees(LIRE_GENERAL), QStringList{"1|" + ECOLE_ANCIENNE + "|anglais|3"});
    QCOMPARE(lignesValidees(LIRE_CLASSES), CLASSES_ANCIENNES);
    // Les huit colonnes, maj comprise, telles qu'elles étaient.
    QCOMPARE(lignesValidees(LIRE_ELEVES), (QStringList{ELEVE_1001, ELEVE_1002, ELEVE_1040}));
    // Les niveaux de départ ont disparu ; les anciens gardent leurs clés.
    QCOMPARE(lignesValidees(LIRE_NIVEAUX), NIVEAUX_ANCIENS);
    // Les clés de nœuds de la version 2 sont celles de l'arbre actuel : aucune traduction.
    QCOMPARE(lignesValidees(LIRE_NOTES), (QStringList{"7|1001|178|2010-05-04|2010-05-04 18:00:00",
                                                      "8|1002|186|2009-11-30|2009-11-30 12:00:00",
                                                      "15|1040|3|2010-01-06|2010-01-06 09:00:00"}));
    // L'ancien fichier n'est que lu (c'est le dialogue qui le supprime après coup).
    QFile fichier(cheminV2());
    QVERIFY(fichier.open(QIODevice::ReadOnly));
    QCOMPARE(fichier.readAll(), avant);
    // Aucune transaction ne reste ouverte sur la connexion par défaut.
    QSqlDatabase base = QSqlDatabase::database();
    QVERIFY(base.transaction());
    QVERIFY(base.rollback());
}

// --- Reprise de la version 1 ---------------------------------------------------------------

void TstMigration::importVersion1()
{
    // Assez d'enregistrements pour passer plusieurs fois par la boucle d'événements.
    QStringList notes;
    QStringList attendu;
    for (int numero = 1; numero <= 450; ++numero) {
        const int noeud = 150 + numero % 80; // de 150 à 229 : les trois plages et autour
        const QString date = QDate(2009, 1, 1).addDays(numero).toString(QStringLiteral("yyyy-MM-dd"));
        const QString maj = date + QStringLiteral(" 12:00:00");
        const int eleve = numero % 2 ? 1001 : 1040;
        notes << QStringLiteral("INSERT INTO notes VALUES(%1,%2,%3,'%4','%5')")
                     .arg(numero)
                     .arg(eleve)
                     .arg(noeud)
                     .arg(date, maj);
        attendu << QStringLiteral("%1|%2|%3|%4|%5")
                       .arg(numero)
                       .arg(eleve)
                       .arg(Migration::noeudVersion1(noeud))
                       .arg(date, maj);
    }
    QVERIFY(fabriquerBase(cheminV1(), baseVersion1(notes, ligneGeneralVersion1())));

    const ResultatMigration resultat = Migration::importerVersion1(cheminV1());
    QVERIFY(resultat.reussi);
    QVERIFY(!resultat.ouvertureImpossible);
    QVERIFY(!QSqlDatabase::contains(Migration::CONNEXION_V1));

    QCOMPARE(lignesValidees(LIRE_GENERAL), QStringList{"1|" + ECOLE_ANCIENNE + "|italien|3"});
    QCOMPARE(lignesValidees(LIRE_CLASSES), CLASSES_ANCIENNES);
    QCOMPARE(lignesValidees(LIRE_ELEVES), (QStringList{ELEVE_1001, ELEVE_1002, ELEVE_1040}));
    QCOMPARE(lignesValidees(LIRE_NIVEAUX), NIVEAUX_ANCIENS);
    QCOMPARE(lignesValidees(LIRE_NOTES), attendu);
    QVERIFY(QFile::exists(cheminV1()));
}

void TstMigration::importVersion1Noeud_data()
{
    lignesNoeuds();
}

void TstMigration::importVersion1Noeud()
{
    QFETCH(int, ancien);
    QFETCH(int, nouveau);
    QVERIFY(fabriquerBase(
        cheminV1(),
        baseVersion1(
            {QStringLiteral("INSERT INTO notes VALUES(31,1002,%1,'2010-06-15','2010-06-15 16:30:00')")
                 .arg(ancien)},
            ligneGeneralVersion1())));
    QVERIFY(Migration::importerVersion1(cheminV1()).reussi);
    QCOMPARE(lignesValidees(LIRE_NOTES),
             QStringList{QStringLiteral("31|1002|%1|2010-06-15|2010-06-15 16:30:00").arg(nouveau)});
}

void TstMigration::version1SansGeneral_data()
{
    QTest::addColumn<QStringList>("general");
    QTest::newRow("table vide") << QStringList();
    QTest::newRow("autre ligne que la 1")
        << QStringList{"INSERT INTO general VALUES(2,'Autre école','espagnol')"};
    QTest::newRow("table absente") << QStringList{"DROP TABLE general"};
}

void TstMigration::version1SansGeneral()
{
    QFETCH(QStringList, general);
    QVERIFY(fabriquerBase(
        cheminV1(),
        baseVersion1({"INSERT INTO notes VALUES(3,1001,178,'2010-03-02','2010-03-02 08:00:00')"}, {}) +
            general));

    const ResultatMigration resultat = Migration::importerVersion1(cheminV1());
    QVERIFY(resultat.reussi);
    QVERIFY(!QSqlDatabase::contains(Migration::CONNEXION_V1));
    // Les réglages de l'école restent ceux de la base neuve ; le reste est repris.
    QCOMPARE(lignesValidees(LIRE_GENERAL), QStringList{GENERAL_DE_DEPART});
    QCOMPARE(lignesValidees(LIRE_CLASSES), CLASSES_ANCIENNES);
    QCOMPARE(lignesValidees(LIRE_ELEVES), (QStringList{ELEVE_1001, ELEVE_1002, ELEVE_1040}));
    QCOMPARE(lignesValidees(LIRE_NIVEAUX), NIVEAUX_ANCIENS);
    QCOMPARE(lignesValidees(LIRE_NOTES), QStringList{"3|1001|186|2010-03-02|2010-03-02 08:00:00"});
}

// --- Échec en cours de reprise -------------------------------------------------------------

void TstMigration::echecEnCours_data()
{
    QTest::addColumn<int>("version");
    QTest::addColumn<QString>("preparation");
    QTest::addColumn<QStringList>("general");
    QTest::addColumn<QStringList>("eleves");
    QTest::addColumn<QStringList>("niveaux");
    QTest::addColumn<QStringList>("notes");

    // Un élève de même clé déjà présent dans la base neuve : l'insertion du deuxième élève
    // échoue, le premier est copié, le troisième ne l'est pas.
    const QString eleveDejaLa = QStringLiteral("INSERT INTO eleves(id_eleve, nom) VALUES(1002, 'Déjà là')");
    const QString ligneDejaLa = QStringLiteral("1002|NULL|NULL|Déjà là|NULL|NULL|NULL|");
    QTest::newRow("version 2, au milieu des élèves")
        << 2 << eleveDejaLa << QStringList{"1|" + ECOLE_ANCIENNE + "|anglais|3"}
        << QStringList{ELEVE_1001, ligneDejaLa} << NIVEAUX_DE_DEPART << QStringList();
    QTest::newRow("version 1, au milieu des élèves")
        << 1 << eleveDejaLa << QStringList{GENERAL_DE_DEPART} << QStringList{ELEVE_1001, ligneDejaLa}
        << NIVEAUX_DE_DEPART << QStringList();
    // Un enregistrement de même clé déjà présent : la dernière étape s'arrête au deuxième.
    const QString noteDejaLa =
        QStringLiteral("INSERT INTO notes VALUES(8,1,1,'2011-01-01','2011-01-01 00:00:00')");
    QTest::newRow("version 1, au milieu des enregistrements")
        << 1 << noteDejaLa << QStringList{"1|" + ECOLE_ANCIENNE + "|italien|3"}
        << QStringList{ELEVE_1001, ELEVE_1002, ELEVE_1040} << NIVEAUX_ANCIENS
        << QStringList{"7|1001|186|2010-05-04|2010-05-04 18:00:00", "8|1|1|2011-01-01|2011-01-01 00:00:00"};
    QTest::newRow("version 2, au milieu des enregistrements")
        << 2 << noteDejaLa << QStringList{"1|" + ECOLE_ANCIENNE + "|anglais|3"}
        << QStringList{ELEVE_1001, ELEVE_1002, ELEVE_1040} << NIVEAUX_ANCIENS
        << QStringList{"7|1001|178|2010-05-04|2010-05-04 18:00:00", "8|1|1|2011-01-01|2011-01-01 00:00:00"};
}

void TstMigration::echecEnCours()
{
    QFETCH(int, version);
    QFETCH(QString, preparation);
    QFETCH(QStringList, general);
    QFETCH(QStringList, eleves);
    QFETCH(QStringList, niveaux);
    QFETCH(QStringList, notes);

    const QStringList anciennesNotes = {
        "INSERT INTO notes VALUES(7,1001,178,'2010-05-04','2010-05-04 18:00:00')",
        "INSERT INTO notes VALUES(8,1002,186,'2009-11-30','2009-11-30 12:00:00')",
        "INSERT INTO notes VALUES(15,1040,3,'2010-01-06','2010-01-06 09:00:00')"};
    const QString chemin = version == 2 ? cheminV2() : cheminV1();
    QVERIFY(fabriquerBase(chemin, version == 2 ? baseVersion2(anciennesNotes)
                                               : baseVersion1(anciennesNotes, ligneGeneralVersion1())));
    QSqlQuery requete;
    QVERIFY(requete.exec(preparation));
    requete.finish();
    // maj de la ligne déjà là : donnée par la base, on ne compare que sa présence.
    const QString majDejaLa = lignes("SELECT maj FROM eleves WHERE id_eleve=1002").value(0);

    const ResultatMigration resultat =
        version == 2 ? Migration::importerVersion2(chemin) : Migration::importerVersion1(chemin);
    QVERIFY(!resultat.reussi);
    QVERIFY(!resultat.ouvertureImpossible);
    QVERIFY(resultat.erreurOuverture.isEmpty());
    QVERIFY(!QSqlDatabase::contains(version == 2 ? Migration::CONNEXION_V2 : Migration::CONNEXION_V1));

    // Tout ce qui a été copié avant l'échec est validé : une autre connexion le voit.
    QCOMPARE(lignesValidees(LIRE_GENERAL), general);
    QCOMPARE(lignesValidees(LIRE_CLASSES), CLASSES_ANCIENNES);
    QStringList elevesLus = lignesValidees(LIRE_ELEVES);
    for (QString& ligne : elevesLus)
        if (ligne.startsWith(QLatin1String("1002|NULL|")) && ligne.endsWith(majDejaLa))
            ligne.chop(majDejaLa.size());
    QCOMPARE(elevesLus, eleves);
    QCOMPARE(lignesValidees(LIRE_NIVEAUX), niveaux);
    QCOMPARE(lignesValidees(LIRE_NOTES), notes);
    QVERIFY(QFile::exists(chemin));
}

// --- Ancien fichier illisible --------------------------------------------------------------

void TstMigration::ancienFichierIllisible_data()
{
    QTest::addColumn<int>("version");
    QTest::addColumn<QByteArray>("contenu");
    QTest::addColumn<bool>("present");
    QTest::addColumn<bool>("ouvertureImpossible");

    const QByteArray texte = "Ceci n'est pas une base de données, seulement un texte un peu long pour "
                             "dépasser l'en-tête d'un fichier SQLite.\n";
    QTest::newRow("version 2, fichier texte") << 2 << texte.repeated(10) << true << true;
    QTest::newRow("version 1, fichier texte") << 1 << texte.repeated(10) << true << true;
    QTest::newRow("version 2, fichier absent") << 2 << QByteArray() << false << true;
    QTest::newRow("version 1, fichier absent") << 1 << QByteArray() << false << true;
    // Un fichier vide est une base SQLite vide : elle s'ouvre, la première lecture échoue.
    QTest::newRow("version 1, fichier vide") << 1 << QByteArray() << true << false;
}

void TstMigration::ancienFichierIllisible()
{
    QFETCH(int, version);
    QFETCH(QByteArray, contenu);
    QFETCH(bool, present);
    QFETCH(bool, ouvertureImpossible);

    const QString chemin = version == 2 ? cheminV2() : cheminV1();
    if (present) {
        QFile fichier(chemin);
        QVERIFY(fichier.open(QIODevice::WriteOnly));
        QCOMPARE(fichier.write(contenu), qint64(contenu.size()));
    }

    const ResultatMigration resultat =
        version == 2 ? Migration::importerVersion2(chemin) : Migration::importerVersion1(chemin);
    QVERIFY(!resultat.reussi);
    QCOMPARE(resultat.ouvertureImpossible, ouvertureImpossible);
    // Le texte du pilote, pour la boîte d'erreur du dialogue.
    QCOMPARE(resultat.erreurOuverture.isEmpty(), !ouvertureImpossible);
    QVERIFY(!QSqlDatabase::contains(version == 2 ? Migration::CONNEXION_V2 : Migration::CONNEXION_V1));
    // Un chemin absent ne laisse pas de fichier derrière lui.
    QCOMPARE(QFile::exists(chemin), present);

    // La base neuve n'a pas bougé.
    QCOMPARE(lignesValidees(LIRE_GENERAL), QStringList{GENERAL_DE_DEPART});
    QCOMPARE(lignesValidees(LIRE_NIVEAUX), NIVEAUX_DE_DEPART);
    QCOMPARE(compter("SELECT COUNT(*) FROM classes"), 0);
    QCOMPARE(compter("SELECT COUNT(*) FROM eleves"), 0);
}

// --- Générateur pseudo-aléatoire -----------------------------------------------------------

void TstMigration::aleatoire()
{
    Aleatoire::initialiser(20100901u);
    QList<quint32> premiers;
    for (int i = 0; i < 6; ++i)
        premiers << Aleatoire::tirer();
    // Une même graine redonne la même suite, depuis le début.
    Aleatoire::initialiser(20100901u);
    for (int i = 0; i < 6; ++i)
        QCOMPARE(Aleatoire::tirer(), premiers.at(i));
    // C'est la suite du générateur de la boîte à outils pour cette graine.
    QRandomGenerator reference(20100901u);
    for (int i = 0; i < 6; ++i)
        QCOMPARE(premiers.at(i), reference.generate());
    // Une autre graine donne une autre suite.
    Aleatoire::initialiser(20100902u);
    QList<quint32> autres;
    for (int i = 0; i < 6; ++i)
        autres << Aleatoire::tirer();
    QVERIFY(autres != premiers);
}

// --- Jeu d'essai -----------------------------------------------------------------------------

void TstMigration::poserEleves(int nombre)
{
    QSqlDatabase base = QSqlDatabase::database();
    QVERIFY(base.transaction());
    QSqlQuery requete;
    QVERIFY(requete.prepare(QStringLiteral("INSERT INTO eleves(id_eleve, id_classe, id_niveau, nom, prenom) "
                                           "VALUES(?,1,2,?,'Prénom')")));
    for (int numero = 0; numero < nombre; ++numero) {
        requete.bindValue(0, 500 + 3 * numero);
        requete.bindValue(1, QStringLiteral("Élève %1").arg(numero));
        QVERIFY(requete.exec());
    }
    QVERIFY(base.commit());
}

void TstMigration::jeuEssaiSansEleves()
{
    QSqlQuery requete;
    for (const QString& instruction : ARBRE)
        QVERIFY(requete.exec(instruction));
    QVERIFY(requete.exec("INSERT INTO notes(id_eleve, id_comp, date) VALUES(77, 4, '2011-02-03')"));
    QVERIFY(requete.exec("INSERT INTO notes(id_eleve, id_comp, date) VALUES(78, 3, '2011-02-04')"));

    JeuEssai::generer(4242u);
    QCOMPARE(lignesValidees("SELECT COUNT(*) FROM notes"), QStringList{"0"});
    QCOMPARE(compter("SELECT COUNT(*) FROM competences"), ARBRE.size());
}

void TstMigration::jeuEssai_data()
{
    QTest::addColumn<quint32>("graine");
    QTest::newRow("minuit") << 0u;
    QTest::newRow("une seconde") << 1u;
    QTest::newRow("midi") << 43200u;
    QTest::newRow("dernière seconde du jour") << 86399u;
}

void TstMigration::jeuEssai()
{
    QFETCH(quint32, graine);
    constexpr int nombreEleves = 400;
    QSqlQuery requete;
    for (const QString& instruction : ARBRE)
        QVERIFY(requete.exec(instruction));
    poserEleves(nombreEleves);
    // Des enregistrements d'avant, dont un sur un agrégat : tous s'en vont.
    QVERIFY(requete.exec(
        "INSERT INTO notes(id_note, id_eleve, id_comp, date) VALUES(90000, 500, 3, '2011-02-03')"));
    QVERIFY(requete.exec(
        "INSERT INTO notes(id_note, id_eleve, id_comp, date) VALUES(90001, 503, 4, '2011-02-04')"));
    requete.finish();

    JeuEssai::generer(graine);

    // Ce qu'attend la suite des tirages : pour chaque élève puis chaque nœud daté, le tirage
    // « garder ou non », puis le jour, le mois et l'année.
    QRandomGenerator reference(graine);
    QStringList attendu;
    for (int numero = 0; numero < nombreEleves; ++numero) {
        for (int noeud : NOEUDS_DATES) {
            if ((reference.generate() & 3u) == 0)
                continue;
            int jour = int(reference.generate() % 30u) + 1;
            const int mois = int(reference.generate() % 12u) + 1;
            if (mois == 2 && jour > 28)
                jour = 28;
            const int annee = 2008 + int(reference.generate() % 3u);
            attendu << QStringLiteral("%1|%2|%3")
                           .arg(500 + 3 * numero)
                           .arg(noeud)
                           .arg(QDate(annee, mois, jour).toString(QStringLiteral("yyyy-MM-dd")));
        }
    }
    const QStringList obtenu = lignesValidees("SELECT id_eleve, id_comp, date FROM notes ORDER BY id_note");
    QCOMPARE(obtenu, attendu);

    // Propriétés des données, vérifiées à part de la suite exacte.
    const QSet<int> noeudsDates(NOEUDS_DATES.cbegin(), NOEUDS_DATES.cend());
    QSet<QString> paires;
    QSet<int> annees;
    QSet<int> moisVus;
    for (const QString& ligne : obtenu) {
        const QStringList valeurs = ligne.split(QLatin1Char('|'));
        QVERIFY2(noeudsDates.contains(valeurs.at(1).toInt()), qPrintable(ligne));
        QVERIFY2(!paires.contains(valeurs.at(0) + "/" + valeurs.at(1)), qPrintable(ligne));
        paires.insert(valeurs.at(0) + "/" + valeurs.at(1));
        const QDate date = QDate::fromString(valeurs.at(2), QStringLiteral("yyyy-MM-dd"));
        QVERIFY2(date.isValid(), qPrintable(ligne));
        QVERIFY2(date >= QDate(2008, 1, 1) && date <= QDate(2010, 12, 30), qPrintable(ligne));
        QVERIFY2(date.day() <= 30, qPrintable(ligne));
        annees.insert(date.year());
        moisVus.insert(date.month());
    }
    QCOMPARE(annees.size(), 3);
    QCOMPARE(moisVus.size(), 12);
    // Trois paires sur quatre en moyenne : sur 2 400 paires, l'écart type est d'environ 21.
    const int paires_total = nombreEleves * int(NOEUDS_DATES.size());
    QVERIFY2(obtenu.size() > paires_total * 65 / 100 && obtenu.size() < paires_total * 85 / 100,
             qPrintable(QString::number(obtenu.size())));
    // maj est laissé à la base.
    QCOMPARE(compter("SELECT COUNT(*) FROM notes WHERE maj IS NULL"), 0);
}

void TstMigration::jeuEssaiReproductible()
{
    QSqlQuery requete;
    for (const QString& instruction : ARBRE)
        QVERIFY(requete.exec(instruction));
    poserEleves(50);
    const QString lire =
        QStringLiteral("SELECT id_eleve, id_comp, date FROM notes ORDER BY id_eleve, id_comp");

    JeuEssai::generer(31337u);
    const QStringList premier = lignes(lire);
    QVERIFY(!premier.isEmpty());
    JeuEssai::generer(31337u);
    QCOMPARE(lignes(lire), premier);
    JeuEssai::generer(31338u);
    QVERIFY(lignes(lire) != premier);
}

void TstMigration::jeuEssaiGraineHorloge()
{
    // Sans élève, le générateur est seulement initialisé : le tirage suivant est le premier de
    // la suite de la graine, qui est l'heure en secondes depuis minuit.
    const int avant = QTime::currentTime().msecsSinceStartOfDay() / 1000;
    JeuEssai::generer();
    const quint32 tirage = Aleatoire::tirer();
    const int apres = QTime::currentTime().msecsSinceStartOfDay() / 1000;

    QList<int> candidates;
    if (apres >= avant) {
        for (int seconde = avant; seconde <= apres; ++seconde)
            candidates << seconde;
    } else { // passage de minuit pendant l'essai
        for (int seconde = avant; seconde < 86400; ++seconde)
            candidates << seconde;
        for (int seconde = 0; seconde <= apres; ++seconde)
            candidates << seconde;
    }
    bool trouve = false;
    for (int seconde : candidates)
        trouve = trouve || QRandomGenerator(quint32(seconde)).generate() == tirage;
    QVERIFY(trouve);
}

QTEST_GUILESS_MAIN(TstMigration)
#include "tst_migration.moc"
