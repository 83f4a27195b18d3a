// SPDX-License-Identifier: GPL-3.0-or-later
// Le moteur de l'importation des élèves depuis Base Elèves, dans le cœur seul : les fichiers tels
// que les écrivent Base Elèves et les tableurs, les en-têtes, les trois cases, les comptes rendus
// au dialogue, et les refus qui ne touchent à rien (date illisible, base tenue ailleurs).
#include "core/commun/dates.h"
#include "core/db/lecteurcsv.h"
#include "core/pupils/importeleves.h"
#include "support/baseeleves.h"
#include "support/donnees.h"
#include "support/environnement.h"
#include "support/sql.h"

#include <QFile>
#include <QTest>

namespace {

using BaseEleves::classes;
using BaseEleves::eleves;
using BaseEleves::exporter;
using BaseEleves::Ligne;
using BaseEleves::registre;
using BaseEleves::resume;

// Les comptes dans l'ordre du message de fin (ajoutés, changés de classe, de niveau, sans
// changement, incomplets, non ajoutés, non répartis, supprimés, absents gardés), puis les classes
// créées, les niveaux créés et les classes supprimées.
QList<int> comptes(const ImportEleves::Comptes& c)
{
    return {c.ajoutes,       c.deplaces,      c.changesNiveau, c.inchanges,
            c.ignores,       c.nonAjoutes,    c.nonRepartis,   c.supprimes,
            c.absentsGardes, c.classesCreees, c.niveauxCrees,  c.classesSupprimees};
}

} // namespace

class TstImportEleves : public QObject
{
    Q_OBJECT
    Environnement::Dossier dossier;
    LecteurCsv lecteur;

    // Le fichier écrit puis lu comme le lit le dialogue (séparateur reconnu).
    Resultat<ImportEleves::Colonnes> charger(const QByteArray& contenu)
    {
        QFile fichier(dossier->filePath("export.csv"));
        if (!fichier.open(QIODevice::WriteOnly) || fichier.write(contenu) != contenu.size())
            return Erreur(Raison::FichierIllisible);
        fichier.close();
        if (Resultat<> lu = lecteur.load(fichier.fileName(), true); !lu)
            return lu.erreur();
        return ImportEleves::preparer(lecteur);
    }

private Q_SLOTS:
    void initTestCase() { Environnement::preparer(); }
    void init() { QVERIFY(Environnement::nouvelleBase(dossier)); }

    // Tout le registre dans une base vide : élèves, classes dans l'ordre du fichier, aucun niveau
    // nouveau ; quel que soit l'encodage, le séparateur et l'ordre des colonnes.
    void fichiers_data()
    {
        QTest::addColumn<QChar>("sep");
        QTest::addColumn<int>("utf8");
        QTest::addColumn<int>("rotation");
        ligne("Windows-1252, point-virgule", QChar(';'), 0, 0);
        ligne("UTF-8 avec BOM, tabulation", QChar('\t'), 1, 5);
        ligne("Windows-1252, virgule", QChar(','), 0, 11);
        ligne("UTF-8 sans BOM, point-virgule", QChar(';'), 2, 3);
    }
    void fichiers()
    {
        QFETCH(QChar, sep);
        QFETCH(int, utf8);
        QFETCH(int, rotation);
        const QList<Ligne> lus = registre();
        const auto colonnes = charger(exporter(lus, sep, utf8, rotation));
        QVERIFY(colonnes);
        ImportEleves::Options options;
        options.ajouter = true;
        const auto fait = ImportEleves::importer(lecteur, *colonnes, options, [](int) { return false; });
        QVERIFY(fait);
        QCOMPARE(fait->ajoutes, 300);
        QStringList attendus, trouves = eleves(), ordre;
        for (const Ligne& e : lus)
            attendus << QStringList{e[0],
                                    e[1],
                                    Dates::lire(e[2]).toString("yyyy-MM-dd"),
                                    e[3],
                                    e[4].isEmpty() ? e[5] : e[4].toUpper(),
                                    "1"}
                            .join(':');
        attendus.sort(), trouves.sort();
        QCOMPARE(trouves, attendus);
        for (int i = 0; i < 12; ++i)
            ordre << lus.at(i).at(3) + ':' + QString::number(i);
        QCOMPARE(classes(), ordre);
        QCOMPARE(Sql::lignes("SELECT COUNT(*) FROM niveaux"), QStringList{"7"});
    }

    // Un fichier sans élève ou sans l'une des six colonnes est refusé avant toute importation.
    void entetes_data()
    {
        QTest::addColumn<QByteArray>("fichier");
        QTest::addColumn<QString>("refus");
        ligne("en-tête seul", exporter({}, ';'), "incorrect");
        ligne("sans cycle",
              exporter(registre().mid(0, 3), ';', false, 0,
                       BaseEleves::ENTETES.mid(0, 11) + BaseEleves::ENTETES.mid(12)),
              "champ 5");
        ligne("« Nom » seul n'est pas « NOM ÉLÈVE »",
              exporter(registre().mid(0, 3), ';', false, 0,
                       QStringList(BaseEleves::ENTETES).replaceInStrings("NOM ÉLÈVE", "Nom")),
              "champ 0");
        ligne("complet", exporter(registre().mid(0, 3), ';'), "");
    }
    void entetes()
    {
        QFETCH(QByteArray, fichier);
        const auto colonnes = charger(fichier);
        QTEST(colonnes ? QString()
              : colonnes.erreur().raison == Raison::FichierIncorrect
                  ? QStringLiteral("incorrect")
                  : QStringLiteral("champ %1").arg(colonnes.erreur().nombre),
              "refus");
    }

    // Les trois cases. Alice est retrouvée malgré la casse, Bob change de classe et de niveau, Carl
    // n'est pas dans le fichier, Dan est nouveau (le cycle pour niveau) ; « Vide » disparaît
    // toujours, le tri est refait. La suppression n'est faite que si la question l'accepte.
    void importation_data()
    {
        QTest::addColumn<QStringList>("base");
        QTest::addColumn<QString>("cases");
        QTest::addColumn<QByteArray>("fichier");
        QTest::addColumn<bool>("supprimer");     // la réponse à la question de la suppression
        QTest::addColumn<int>("question");       // nombre d'élèves à supprimer annoncé, -1 : pas posée
        QTest::addColumn<QStringList>("apres");  // élèves, classes, niveaux, notes
        QTest::addColumn<QList<int>>("comptes"); // voir comptes()
        const QStringList ecole = {"DELETE FROM niveaux WHERE libelle='CYCLE III'",
                                   "INSERT INTO classes VALUES(1,'Vide',0),(2,'CP A',1),(3,'CE1 B',2)",
                                   "INSERT INTO eleves(id_eleve,id_classe,id_niveau,nom,prenom,date_naiss) "
                                   "VALUES(1,2,1,'ALICE','Anne','2015-01-02'),"
                                   "(2,2,1,'BOB','Paul','2014-05-06'),(3,3,2,'CARL','Luc','2013-07-08')",
                                   "INSERT INTO notes(id_eleve,id_comp,date) "
                                   "VALUES(1,4,'2020-01-01'),(3,4,'2020-01-01'),(3,5,'2020-02-02')"};
        const QByteArray fichier = exporter({{"alice", "ANNE", "02/01/2015", "cp a", "ce1", ""},
                                             {"BOB", "Paul", "2014-05-06", "CE1 B", "ce1", ""},
                                             {"DAN", "Eva", "03/03/2012", "CM2 C", "", "CYCLE III"},
                                             {"", "Sans", "01/01/2012", "CP A", "CP", ""}},
                                            ';', false, 7);
        const QString a = "ALICE:Anne:2015-01-02:CP A:CP:1", aNiveau = "ALICE:Anne:2015-01-02:CP A:CE1:1",
                      b = "BOB:Paul:2014-05-06:CP A:CP:1", bDeplace = "BOB:Paul:2014-05-06:CE1 B:CE1:1",
                      c = "CARL:Luc:2013-07-08:CE1 B:CE1:0", d = "DAN:Eva:2012-03-03:CM2 C:CYCLE III:1";
        const QStringList deux = {"CP A:0", "CE1 B:1"}, trois = deux + QStringList{"CM2 C:2"};
        ligne("ajouter", ecole, "a", fichier, false, -1,
              QStringList{a, b, c, d} + trois + QStringList{"7:6", "3"},
              QList<int>{1, 0, 0, 2, 1, 0, 2, 0, 1, 1, 1, 1});
        ligne("supprimer, oui", ecole, "s", fichier, true, 1, QStringList{a, b, "CP A:0", "6:5", "1"},
              QList<int>{0, 0, 0, 2, 1, 1, 2, 1, 0, 0, 0, 2});
        ligne("supprimer, non", ecole, "s", fichier, false, 1,
              QStringList{a, b, c} + deux + QStringList{"6:5", "3"},
              QList<int>{0, 0, 0, 2, 1, 1, 2, 0, 1, 0, 0, 1});
        ligne("répartir", ecole, "r", fichier, false, -1,
              QStringList{aNiveau, bDeplace, c} + deux + QStringList{"6:5", "3"},
              QList<int>{0, 1, 1, 0, 1, 1, 0, 0, 1, 0, 0, 1});
        ligne("les trois", ecole, "asr", fichier, true, 1,
              QStringList{aNiveau, bDeplace, d} + trois + QStringList{"7:6", "1"},
              QList<int>{1, 1, 1, 0, 1, 0, 0, 1, 0, 1, 1, 1});
        // Deux classes, deux niveaux qui ne diffèrent que par la casse : le premier, comme LIKE.
        ligne("casse : le premier libellé",
              QStringList{"INSERT INTO classes VALUES(1,'CP A',0),(2,'cp a',1)",
                          "INSERT INTO niveaux VALUES(8,'ce1',7)"},
              "a", exporter({{"NEUF", "Jean", "01/09/2010", "Cp A", "Ce1", ""}}, ';'), false, -1,
              QStringList{"NEUF:Jean:2010-09-01:CP A:CE1:1", "CP A:0", "8:7", "0"},
              QList<int>{1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1});
    }
    void importation()
    {
        QFETCH(QStringList, base);
        QFETCH(QString, cases);
        QFETCH(QByteArray, fichier);
        QFETCH(bool, supprimer);
        for (const QString& sql : base)
            Sql::valeur(sql);
        const auto colonnes = charger(fichier);
        QVERIFY(colonnes);
        ImportEleves::Options options;
        options.ajouter = cases.contains('a');
        options.supprimer = cases.contains('s');
        options.repartir = cases.contains('r');
        int question = -1;
        const auto fait = ImportEleves::importer(lecteur, *colonnes, options, [&](int nombre) {
            question = nombre;
            return supprimer;
        });
        QVERIFY(fait);
        QTEST(question, "question");
        QTEST(resume(), "apres");
        QTEST(comptes(*fait), "comptes");
    }

    // Les noms du fichier sont pris à la lettre : « % » et « _ » ne retrouvent ni MARTIN, ni sa
    // classe, ni un niveau. Les caractères de contrôle sont retirés (une tabulation devient une
    // espace) et la ligne est nommée.
    void textesALaLettre_data()
    {
        QTest::addColumn<QByteArray>("fichier");
        QTest::addColumn<QStringList>("apres");
        QTest::addColumn<QList<int>>("nettoyees");
        ligne("jokers pris à la lettre", exporter({{"MART%", "L_o", "07/03/2001", "CP_A", "C%", ""}}, ';', 2),
              QStringList{"MART%:L_o:2001-03-07:CP_A:C%:1", "MARTIN:Léo:2001-03-07:CP A:CP:0", "CP A:0",
                          "CP_A:1", "8:7", "0"},
              QList<int>());
        ligne("caractère nul",
              exporter({{QString::fromUtf8("NUL\0BYTE", 8), "Zoé\tAnne", "01/01/2015",
                         QString::fromUtf8("CP\0 A", 5), "CP", ""}},
                       ';'),
              QStringList{"MARTIN:Léo:2001-03-07:CP A:CP:0", "NULBYTE:Zoé Anne:2015-01-01:CP A:CP:1",
                          "CP A:0", "7:6", "0"},
              QList<int>{2});
    }
    void textesALaLettre()
    {
        QFETCH(QByteArray, fichier);
        Sql::valeur("INSERT INTO classes VALUES(1,'CP A',0)");
        Sql::valeur("INSERT INTO eleves(id_eleve,id_classe,id_niveau,nom,prenom,date_naiss) "
                    "VALUES(1,1,1,'MARTIN','Léo','2001-03-07')");
        const auto colonnes = charger(fichier);
        QVERIFY(colonnes);
        ImportEleves::Options options;
        options.ajouter = true;
        options.repartir = true;
        const auto fait = ImportEleves::importer(lecteur, *colonnes, options, [](int) { return false; });
        QVERIFY(fait);
        QTEST(resume(), "apres");
        QTEST(fait->lignesNettoyees, "nettoyees");
    }

    // Une date illisible annule tout, y compris la ligne précédente déjà traitée, et nomme la ligne
    // du fichier (l'en-tête est la ligne 1) ; une base tenue par un autre programme est refusée
    // dès le marquage de départ. Rien n'a changé.
    void refus()
    {
        Sql::valeur("INSERT INTO classes VALUES(1,'CP A',0)");
        Sql::valeur("INSERT INTO eleves(id_eleve,id_classe,id_niveau,nom,prenom,date_naiss) "
                    "VALUES(1,1,1,'MARTIN','Léo','2001-03-07')");
        const QString avant = Sql::contenu();
        const auto colonnes = charger(exporter({{"NEUF", "Jean", "01/09/2010", "CE2 Z", "CE2", ""},
                                                {"Martin", "léo", "7/3/2001", "CP A", "CP", ""}},
                                               '\t'));
        QVERIFY(colonnes);
        const ImportEleves::Options tout{true, true, true};
        const auto date = ImportEleves::importer(lecteur, *colonnes, tout, [](int) { return true; });
        QVERIFY(!date);
        QCOMPARE(int(date.erreur().raison), int(Raison::DateInvalide));
        QCOMPARE(date.erreur().ligne, 3);
        QCOMPARE(Sql::contenu(), avant);

        const auto valables = charger(exporter({{"NEUF", "Jean", "01/09/2010", "CE2 Z", "CE2", ""}}, ';'));
        QVERIFY(valables);
        {
            Environnement::VerrouBase verrou;
            QVERIFY(verrou.tenu());
            const auto nombre = ImportEleves::nombreEleves();
            QVERIFY(!nombre);
            QCOMPARE(int(nombre.erreur().raison), int(Raison::LectureImpossible));
            QVERIFY(!ImportEleves::importer(lecteur, *valables, tout, [](int) { return true; }));
        }
        QCOMPARE(Sql::contenu(), avant);
    }
};

QTEST_GUILESS_MAIN(TstImportEleves)
#include "tst_importeleves.moc"
