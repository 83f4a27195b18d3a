// SPDX-License-Identifier: GPL-3.0-or-later
// Une base que le programme ne peut pas lire (un autre programme la tient verrouillée) : chaque
// fenêtre le dit à l'enseignante, « La base de données n'a pas pu être lue : … », et ne montre
// jamais une liste vide, une grille vide ou un bilan vide comme s'il n'y avait rien.
#include "core/exchange/fichierclasse.h"
#include "gui/entry/diafiltreniveau.h"
#include "gui/entry/mdipalier.h"
#include "gui/entry/mdisaisie.h"
#include "gui/exchange/diaexporteclasse.h"
#include "gui/mainwindow/mainwindow.h"
#include "gui/mainwindow/mymdiarea.h"
#include "gui/print/diaimprimer.h"
#include "gui/pupils/diaajouteeleves.h"
#include "gui/pupils/diaedite.h"
#include "gui/pupils/diaeleve.h"
#include "gui/pupils/diaimporteeleves.h"
#include "gui/report/diabilan.h"
#include "gui/settings/diaparam.h"
#include "support/donnees.h"
#include "support/environnement.h"
#include "support/repondeuressai.h"
#include "support/sql.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>

namespace {

const QString MESSAGE =
    QStringLiteral("Lecture impossible|La base de données n'a pas pu être lue : database is locked");

template <typename T = QWidget> T* w(QObject* parent, const char* nom)
{
    return parent->findChild<T*>(nom);
}

} // namespace

class TstBaseIllisible : public QObject
{
    Q_OBJECT

    Environnement::Dossier dossier;
    std::unique_ptr<RepondeurEssai> repondeur;
    QString fichierClasse;
    std::unique_ptr<Environnement::VerrouBase> verrou;

    // Un autre programme prend la base : plus personne ne peut la lire tant qu'il la tient.
    void verrouiller()
    {
        verrou = std::make_unique<Environnement::VerrouBase>();
        QVERIFY(verrou->tenu());
    }

    // La fenêtre a dit que la base n'a pas pu être lue, en un seul message.
    void verifierMessage()
    {
        const QStringList lus = repondeur->lus();
        QCOMPARE(lus.size(), 1);
        QVERIFY2(lus.first().startsWith(MESSAGE), qPrintable(lus.first()));
        QCOMPARE(int(repondeur->dernier().genre), int(Invite::Genre::Critique));
    }

private Q_SLOTS:
    void initTestCase() { Environnement::preparer(); }

    void init()
    {
        QVERIFY(Environnement::nouvelleBase(dossier));
        Sql::valeur("INSERT INTO classes(id_classe,libelle,tri) VALUES(1,'CE1 A',0)");
        Sql::valeur("INSERT INTO eleves(id_eleve,id_classe,id_niveau,nom,prenom,date_naiss) VALUES"
                    "(1,1,2,'MARTIN','Léo','2001-02-03'),(2,1,2,'DURAND','Zoé','2002-03-04')");
        Sql::valeur("INSERT INTO notes(id_eleve,id_comp,date) SELECT 1,id_comp,'2012-05-04' FROM competences "
                    "WHERE ref LIKE 'P1C1%'");
        fichierClasse = dossier->filePath("classe.xml");
        QFile fichier(fichierClasse);
        QVERIFY(fichier.open(QIODevice::WriteOnly));
        fichier.write(FichierClasse::texte(*FichierClasse::construire(1, "CE1 A", Sql::idRef("P1"))));
        fichier.close();
        repondeur = std::make_unique<RepondeurEssai>();
    }
    void cleanup()
    {
        verrou.reset();
        repondeur.reset();
    }

    // Les fenêtres qui lisent en s'ouvrant : le message, et elles ne s'ouvrent pas (une fenêtre
    // de saisie se referme).
    void ouverture_data()
    {
        QTest::addColumn<QString>("fenetre");
        for (const char* fenetre : {"saisie", "paliers", "élèves", "ajout d'élèves", "listes des classes",
                                    "impression", "bilan", "exportation", "paramètres", "version"})
            ligne(fenetre, fenetre);
    }
    void ouverture()
    {
        QFETCH(QString, fenetre);
        QPrinter imprimante;
        OptionsImpression options;
        std::unique_ptr<MainWindow> principale;
        if (fenetre == "saisie" || fenetre == "paliers" || fenetre == "version") {
            principale = std::make_unique<MainWindow>();
            if (fenetre != "version")
                QCoreApplication::processEvents(); // contrôle de version passé
        }
        verrouiller();
        repondeur->bouton(QMessageBox::Ok);
        std::unique_ptr<MyDialog> dialogue;
        if (fenetre == "saisie" || fenetre == "paliers") {
            fenetre == "saisie" ? principale->saisirDates() : principale->saisirPaliers();
            QTRY_VERIFY(principale->espaceTravail()->subWindowList().isEmpty());
        } else if (fenetre == "version") {
            // Sans la version, rien n'est montré : surtout pas une base à initialiser.
            principale->show();
            QTRY_VERIFY(!principale->isVisible());
        } else if (fenetre == "listes des classes") {
            diaEdite listes(nullptr);
            QVERIFY(!listes.charger("classes"));
        } else {
            if (fenetre == "élèves")
                dialogue = std::make_unique<diaEleve>(nullptr);
            else if (fenetre == "ajout d'élèves")
                dialogue = std::make_unique<diaAjouteEleves>(nullptr);
            else if (fenetre == "impression")
                dialogue = std::make_unique<diaImprimer>(nullptr, &imprimante, options);
            else if (fenetre == "bilan")
                dialogue = std::make_unique<DiaBilan>(nullptr, &imprimante);
            else if (fenetre == "exportation")
                dialogue = std::make_unique<diaExporteClasse>(nullptr);
            else
                dialogue = std::make_unique<diaParam>(nullptr);
            QVERIFY(!dialogue->pret());
            QCOMPARE(dialogue->exec(), int(QDialog::Rejected)); // ne s'ouvre pas
        }
        verifierMessage();
    }

    // Les lectures faites fenêtre ouverte : le message, et rien de montré à la place.
    void lecture_data()
    {
        QTest::addColumn<QString>("action");
        for (const char* action :
             {"grille de saisie", "grille des paliers", "compétences du palier", "élèves de la classe",
              "niveaux de la classe", "bilan", "import d'une classe", "import Base Elèves", "impression"})
            ligne(action, action);
    }
    void lecture()
    {
        QFETCH(QString, action);
        const qint64 p1 = Sql::idRef("P1");
        MainWindow principale;
        QCoreApplication::processEvents(); // contrôle de version passé
        if (action == "grille de saisie" || action == "grille des paliers" ||
            action == "compétences du palier") {
            const bool palier = action == "grille des paliers";
            palier ? principale.saisirPaliers() : principale.saisirDates();
            QWidget* fenetre = principale.espaceTravail()->subWindowList().constLast()->widget();
            w<QComboBox>(fenetre, "cbClasses")->setCurrentIndex(1);
            auto* paliers = w<QComboBox>(fenetre, "cbPaliers");
            if (action == "compétences du palier") {
                verrouiller();
                repondeur->bouton(QMessageBox::Ok);
                paliers->setCurrentIndex(paliers->findData(p1));
                QCOMPARE(w<QComboBox>(fenetre, "cbCompetences")->count(), 0);
            } else {
                paliers->setCurrentIndex(paliers->findData(p1));
                verrouiller();
                repondeur->bouton(QMessageBox::Ok);
                w<QPushButton>(fenetre, "btAfficher")->click();
                // Pas une classe sans élève ni une grille sans date : rien du tout.
                QCOMPARE(w<QTableWidget>(fenetre, "table")->rowCount(), 0);
                QCOMPARE(w<QTableWidget>(fenetre, "table")->columnCount(), 0);
            }
        } else if (action == "élèves de la classe") {
            diaEleve dialogue(nullptr);
            w<QComboBox>(&dialogue, "cbClasse")->setCurrentIndex(1);
            verrouiller();
            repondeur->bouton(QMessageBox::Ok);
            dialogue.actualiser();
            QCOMPARE(w<QTableWidget>(&dialogue, "table")->rowCount(), 0);
        } else if (action == "niveaux de la classe") {
            diaFiltreNiveau dialogue(nullptr);
            verrouiller();
            repondeur->bouton(QMessageBox::Ok);
            QVERIFY(!dialogue.charger(1));
        } else if (action == "bilan") {
            QPrinter imprimante;
            DiaBilan dialogue(nullptr, &imprimante);
            w<QComboBox>(&dialogue, "cbClasse")->setCurrentIndex(0);
            w<QComboBox>(&dialogue, "cbPalier")->setCurrentIndex(0);
            verrouiller();
            repondeur->bouton(QMessageBox::Ok);
            w<QToolButton>(&dialogue, "btActualiser")->click();
            QVERIFY(w<QTextEdit>(&dialogue, "edTexte")->toPlainText().isEmpty());
        } else if (action == "import d'une classe") {
            verrouiller();
            repondeur->chemin(fichierClasse);
            repondeur->bouton(QMessageBox::Ok);
            principale.importerClasse();
        } else if (action == "import Base Elèves") {
            const QString csv = dossier->filePath("base-eleves.csv");
            QFile fichier(csv);
            QVERIFY(fichier.open(QIODevice::WriteOnly));
            fichier.write("Nom élève;Prénom élève;Date naissance;Classe;Niveau;Cycle\n"
                          "NOUVEAU;Léa;01/02/2016;CE1 A;CE1;\n");
            fichier.close();
            diaImporteEleves dialogue(nullptr);
            w<QCheckBox>(&dialogue, "chkAjouter")->setChecked(true);
            w<QLineEdit>(&dialogue, "edPath")->setText(csv);
            verrouiller();
            repondeur->bouton(QMessageBox::Ok);
            dialogue.accept();
            QCOMPARE(dialogue.result(), int(QDialog::Rejected));
        } else if (action == "impression") {
            QPrinter imprimante(QPrinter::HighResolution);
            imprimante.setOutputFormat(QPrinter::PdfFormat);
            const QString pdf = dossier->filePath("livrets.pdf");
            imprimante.setOutputFileName(pdf);
            OptionsImpression options;
            options.what = 2;
            options.compAll = true;
            options.teacher = "M. X";
            options.palierId = p1;
            diaImprimer dialogue(nullptr, &imprimante, options);
            verrouiller();
            repondeur->bouton(QMessageBox::Ok);
            dialogue.accept();
            QCOMPARE(dialogue.result(), int(QDialog::Rejected));
            QVERIFY(!QFile::exists(pdf)); // pas de livrets vides
        }
        verifierMessage();
    }
};

QTEST_MAIN(TstBaseIllisible)
#include "tst_baseillisible.moc"
