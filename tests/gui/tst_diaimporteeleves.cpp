// SPDX-License-Identifier: GPL-3.0-or-later
// Le dialogue de l'importation des élèves : ses contrôles avant tout, la copie de la base proposée,
// la question de la suppression, le message de fin et ceux des refus. Le moteur (fichiers, cases,
// comptes) est essayé dans le cœur (tests/core/tst_importeleves).
#include "core/commun/application.h"
#include "gui/pupils/diaimporteeleves.h"
#include "support/baseeleves.h"
#include "support/donnees.h"
#include "support/environnement.h"
#include "support/repondeuressai.h"
#include "support/sql.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTest>

namespace {
using BaseEleves::classes;
using BaseEleves::eleves;
using BaseEleves::exporter;
using BaseEleves::registre;
using BaseEleves::resume;
const QStringList QUESTION = {"SAUVEGARDE ?", "La base de données contient des élèves."};
const QStringList FIN = {"Opération terminée", "La base de données a été mise à jour"};
// La suite du message de fin : les six comptes, puis les détails qui ne sont pas nuls (le dernier :
// la ligne nettoyée de ses caractères de contrôle).
QStringList bilan(const QList<int>& n)
{
    const QStringList comptes = QString("Élèves ajoutés : %1|Élèves changés de classe : %1|Élèves changés de "
                                        "niveau dans leur classe : %1|Élèves retrouvés sans changement : %1|"
                                        "Lignes ignorées : %1|Élèves supprimés : %1")
                                    .split('|');
    const QStringList details = {
        "Lignes incomplètes (nom, prénom, date de naissance, classe ou niveau vide) : %1",
        "Nouveaux élèves non ajoutés (case « Ajouter les nouveaux élèves » non cochée) : %1",
        "Élèves laissés dans leur classe et leur niveau alors que le fichier en donne d'autres "
        "(case « Mettre à jour la répartition des élèves à partir des classes du fichier » non cochée) : %1",
        "Élèves de la base absents du fichier, gardés : %1",
        "Lignes dont les noms portaient des caractères de contrôle (caractère nul, tabulation…), enregistrés "
        "sans eux : 1 (lignes %1)"};
    QStringList lignes{""}, suite;
    for (int i = 0; i < comptes.size(); ++i)
        lignes << comptes.at(i).arg(n.value(i));
    for (int i = 0; i < details.size(); ++i)
        if (n.value(comptes.size() + i) > 0)
            suite << details.at(i).arg(n.value(comptes.size() + i));
    return suite.isEmpty() ? lignes : lignes + QStringList{""} + suite;
}
const QString MARTIN = "INSERT INTO eleves(id_eleve,id_classe,id_niveau,nom,prenom,date_naiss) "
                       "VALUES(1,1,1,'MARTIN','Léo','2001-03-07')";
// Les boîtes au seul bouton OK sont acquittées d'office ; toutes sont notées (titre, première ligne).
// Le message de fin est gardé en entier, sans sa première ligne.
struct RepondeurImport : RepondeurEssai {
    QStringList vus, bilan;
    QMessageBox::StandardButton message(Invite::Genre genre, QWidget* parent, const QString& titre,
                                        const QString& texte, QMessageBox::StandardButtons boutons,
                                        QMessageBox::StandardButton defaut) override
    {
        vus << titre << texte.section('\n', 0, 0);
        if (titre == FIN.first())
            bilan = texte.split('\n').mid(1);
        return boutons == QMessageBox::Ok
                   ? QMessageBox::Ok
                   : RepondeurEssai::message(genre, parent, titre, texte, boutons, defaut);
    }
};
} // namespace

class TstDiaImportEleves : public QObject
{
    Q_OBJECT
    Environnement::Dossier dossier;
    std::unique_ptr<RepondeurImport> repondeur;
    std::unique_ptr<diaImporteEleves> dialogue;

    // Réponses O(ui), N(on), A(nnuler), d(ossier des copies), b(ase : son dossier), - (aucun dossier) ; cases
    // « a », « s », « r » ; fichier nul : chemin blanc, « ? » : absent. Rend le résultat, -1 : resté ouvert.
    int importer(const QString& reponses, const QString& cases, const QByteArray& contenu)
    {
        for (const QChar r : reponses)
            r == '-'      ? repondeur->annulation()
            : r.isLower() ? repondeur->chemin(r == 'b' ? dossier->path() : dossier->filePath("copies"))
                          : repondeur->bouton(r == 'O'   ? QMessageBox::Yes
                                              : r == 'N' ? QMessageBox::No
                                                         : QMessageBox::Cancel);
        for (const auto& [nom, lettre] :
             {std::pair{"chkAjouter", 'a'}, {"chkSupprimer", 's'}, {"chkRepartir", 'r'}})
            dialogue->findChild<QCheckBox*>(nom)->setChecked(cases.contains(lettre));
        QFile fichier(dossier->filePath(contenu == "?" ? "absent.csv" : "export.csv"));
        if (contenu != "?" && !contenu.isNull() && fichier.open(QIODevice::WriteOnly))
            fichier.write(contenu), fichier.close();
        dialogue->findChild<QLineEdit*>("edPath")->setText(contenu.isNull() ? " " : fichier.fileName());
        QSignalSpy fin(dialogue.get(), &QDialog::finished);
        dialogue->accept();
        return fin.isEmpty() ? -1 : fin.first().first().toInt();
    }

private Q_SLOTS:
    void initTestCase() { Environnement::preparer(); }
    void init()
    {
        QVERIFY(Environnement::nouvelleBase(dossier));
        repondeur = std::make_unique<RepondeurImport>();
        dialogue = std::make_unique<diaImporteEleves>(nullptr);
    }
    void cleanup()
    {
        dialogue.reset();
        repondeur.reset();
    }

    // Sans réponse, la base n'a pas d'élève ; avec trois, une copie plus ancienne attend dans « copies ».
    void sauvegarde_data()
    {
        QTest::addColumn<QString>("reponses");
        QTest::addColumn<int>("resultat");
        QTest::addColumn<QStringList>("messages");
        const QStringList copie = {"Copie",
                                   "La base a été exportée sous le nom: <dossier>/copies/QuorvelV3.sqlite"};
        const QStringList existe = {"Fichier existant",
                                    "Un fichier du même nom existe déjà. Faut-il le remplacer ?"};
        ligne("aucun élève", "", 1, FIN);
        ligne("annuler", "A", 0, QUESTION);
        ligne("non", "N", 1, QUESTION + FIN);
        ligne("oui", "Od", 1, QUESTION + copie + FIN);
        ligne("oui, copie gardée", "OdN", 0,
              QUESTION + existe +
                  QStringList{"Stop",
                              "L'importation est interrompue car la sauvegarde n'a pas été effectuée."});
        ligne("oui, copie remplacée", "OdO", 1, QUESTION + existe + copie + FIN);
        ligne("oui, dossier de la base (pas effacé pour être « remplacé »)", "Ob", 0,
              QUESTION +
                  QStringList{"Erreur",
                              "La base n'a pas pu être exportée correctement. L'importation est annulée."});
    }
    void sauvegarde()
    {
        QFETCH(QString, reponses);
        QFETCH(int, resultat);
        QFile ancienne(dossier->filePath("copies/QuorvelV3.sqlite"));
        QVERIFY(QDir().mkpath(dossier->filePath("copies")));
        QVERIFY(reponses.size() < 3 ||
                (ancienne.open(QIODevice::WriteOnly) && ancienne.write("ancienne") == 8));
        ancienne.close();
        QVERIFY(QSqlQuery().exec("INSERT INTO classes VALUES(1,'CP A',0)") &&
                (reponses.isEmpty() || QSqlQuery().exec(MARTIN)));
        QCOMPARE(importer(reponses, "a", exporter(registre().mid(0, 1), ';')), resultat);
        QFETCH(QStringList, messages);
        QCOMPARE(repondeur->vus, messages.replaceInStrings("<dossier>", dossier->path()));
        QVERIFY(QFile::exists(Application::chemins().courante));
        QCOMPARE(eleves().size(), int(!reponses.isEmpty()) + resultat);
        QCOMPARE(ancienne.size() > 8, repondeur->vus.contains("Copie")); // copie faite, ou l'ancienne gardée
    }

    void importation_data()
    {
        QTest::addColumn<QStringList>("base");
        QTest::addColumn<QString>("cases");
        QTest::addColumn<QByteArray>("fichier"); // nul : chemin blanc ; « ? » : fichier absent
        QTest::addColumn<QString>("reponses");
        QTest::addColumn<int>("resultat"); // -1 : le dialogue reste ouvert
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QStringList>("apres"); // élèves, classes, niveaux, notes ; vide : rien n'a changé
        // Le message de fin : ajoutés, changés de classe, de niveau, sans changement, lignes ignorées,
        // supprimés ; puis incomplètes, non ajoutés, non répartis, gardés. Vide : pas de message de fin.
        QTest::addColumn<QList<int>>("bilan");
        const QStringList martin = {"INSERT INTO classes VALUES(1,'CP A',0)", MARTIN};
        // Les contrôles dans l'ordre, avant toute question.
        const QStringList incorrect = {"Problème sur fichier", "Le fichier CSV ne semble pas correct."};
        const auto refus = [&](const char* nom, const char* cases, const QByteArray& f,
                               const QStringList& m) {
            ligne(nom, martin, QString(cases), f, QString(), -1, m, QStringList(), QList<int>());
        };
        refus("aucune case", "", exporter(registre().mid(0, 3), ';'),
              {"Aucune action cochée", "Veuillez cocher au moins une case!"});
        refus("chemin blanc", "a", {},
              {"Pas de fichier", "Veuillez indiquer la position du fichier CSV à utiliser."});
        refus("fichier absent", "s", "?",
              {"Chargement", "Le chargement de ", "Problème sur chargement",
               "Le fichier n'a pas pu être chargé."});
        refus("en-tête seul", "a", exporter({}, ';'), incorrect);
        refus("sans cycle", "asr",
              exporter(registre().mid(0, 3), ';', false, 0,
                       BaseEleves::ENTETES.mid(0, 11) + BaseEleves::ENTETES.mid(12)),
              {incorrect.first(), incorrect.last() + " Impossible de trouver le champ: Cycle"});
        // Les cases jusqu'au message de fin (le détail des cases : tests/core/tst_importeleves). Alice est
        // retrouvée, Bob change de classe et de niveau, Carl n'est pas dans le fichier, Dan est nouveau.
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
        const QStringList suppression = {"Suppression des enregistrements des élèves",
                                         "Nombre d'enregistrements d'élèves à supprimer: 1"};
        const QString a = "ALICE:Anne:2015-01-02:CP A:CP:1", aNiveau = "ALICE:Anne:2015-01-02:CP A:CE1:1",
                      b = "BOB:Paul:2014-05-06:CP A:CP:1", bDeplace = "BOB:Paul:2014-05-06:CE1 B:CE1:1",
                      c = "CARL:Luc:2013-07-08:CE1 B:CE1:0", d = "DAN:Eva:2012-03-03:CM2 C:CYCLE III:1";
        const QStringList deux = {"CP A:0", "CE1 B:1"}, trois = deux + QStringList{"CM2 C:2"};
        const auto cas = [&](const char* nom, const char* cases, const QString& reponses,
                             const QStringList& apres, const QList<int>& bilan) {
            ligne(nom, ecole, QString(cases), fichier, reponses, 1,
                  QUESTION + (reponses.size() > 1 ? suppression : QStringList()) + FIN, apres, bilan);
        };
        cas("supprimer, non", "s", "NN", QStringList{a, b, c} + deux + QStringList{"6:5", "3"},
            {0, 0, 0, 2, 2, 0, 1, 1, 2, 1});
        cas("les trois", "asr", "NO", QStringList{aNiveau, bDeplace, d} + trois + QStringList{"7:6", "1"},
            {1, 1, 1, 0, 1, 1, 1, 0, 0, 0});
        // Une date illisible annule tout, y compris la ligne précédente déjà traitée, et nomme la ligne.
        ligne("date illisible", martin, "asr",
              exporter({{"NEUF", "Jean", "01/09/2010", "CE2 Z", "CE2", ""},
                        {"Martin", "léo", "7/3/2001", "CP A", "CP", ""}},
                       '\t'),
              "N", -1,
              QUESTION + QStringList{"Problème sur fichier", "Date de naissance invalide en ligne: 3"},
              QStringList(), QList<int>());
    }
    void importation()
    {
        QFETCH(QStringList, base);
        QFETCH(QStringList, apres);
        for (const QString& sql : base)
            QVERIFY2(QSqlQuery().exec(sql), qPrintable(sql));
        const QString avant = Sql::contenu();
        QFETCH(QString, cases);
        QFETCH(QByteArray, fichier);
        QFETCH(QString, reponses);
        QTEST(importer(reponses, cases, fichier), "resultat");
        if (repondeur->vus.first() == "Chargement") // suivi du chemin et du message du système
            repondeur->vus[1] = repondeur->vus[1].section('"', 0, 0);
        QTEST(repondeur->vus, "messages");
        if (apres.isEmpty())
            QCOMPARE(Sql::contenu(), avant);
        else
            QCOMPARE(resume(), apres);
        QFETCH(QList<int>, bilan);
        QCOMPARE(repondeur->bilan, bilan.isEmpty() ? QStringList() : ::bilan(bilan));
    }
};

QTEST_MAIN(TstDiaImportEleves)
#include "tst_diaimporteeleves.moc"
