// SPDX-License-Identifier: GPL-3.0-or-later
// L'ordre des élèves, partout où ils sont montrés ou imprimés : grille de saisie (par niveau puis
// nom, ou par nom seul), éditeur des élèves, choix des élèves à imprimer et ordre d'impression,
// bilan LPC, conflits de l'import d'une classe. Toujours l'ordre alphabétique d'un lecteur
// français, jamais celui des octets (ÉTIENNE après ZOLA) : chaque fenêtre montre l'ordre de
// l'unique lecture des élèves d'une classe (Requetes::elevesClasse), dont les cas sont essayés
// dans le cœur (tests/core/tst_eleves).

#include "core/db/requetes.h"
#include "core/exchange/fichierclasse.h"
#include "core/exchange/importclasse.h"
#include "core/report/bilan.h"
#include "gui/entry/mdisaisie.h"
#include "gui/mainwindow/mainwindow.h"
#include "gui/mainwindow/mymdiarea.h"
#include "gui/print/diacocheeleve.h"
#include "gui/print/diaimprimer.h"
#include "gui/pupils/diaeleve.h"
#include "support/donnees.h"
#include "support/environnement.h"
#include "support/interlocuteur.h"
#include "support/repondeuressai.h"
#include "support/sql.h"

#include <QComboBox>
#include <QFile>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

namespace {

using Sql::valeur;

QString nomDe(qint64 id)
{
    return valeur("SELECT nom || ' ' || prenom FROM eleves WHERE id_eleve=?", {id}).toString();
}

} // namespace

class TstOrdreAlphabetique : public QObject
{
    Q_OBJECT

    Environnement::Dossier dossier;
    std::unique_ptr<MainWindow> principale;

    // Les élèves de la grille de « CM2 A », affichée avec le tri d'index `tri` (0 : niveau, nom ; 1 : nom).
    QStringList grille(int tri)
    {
        principale->saisirDates();
        auto* fenetre = principale->espaceTravail()->subWindowList().constLast();
        const auto w = [&](const char* nom) { return fenetre->widget()->findChild<QComboBox*>(nom); };
        w("cbClasses")->setCurrentIndex(1);
        w("cbPaliers")->setCurrentIndex(w("cbPaliers")->findData(Sql::idRef("P2")));
        w("cbCompetences")->setCurrentIndex(1);
        w("cbTri")->setCurrentIndex(tri);
        fenetre->widget()->findChild<QPushButton*>("btAfficher")->click();
        auto* table = fenetre->widget()->findChild<QTableWidget*>("table");
        QStringList eleves;
        for (int colonne = 0; colonne < table->columnCount(); ++colonne)
            eleves << table->horizontalHeaderItem(colonne)->text().section('\n', 0, 0);
        fenetre->close();
        return eleves;
    }

private Q_SLOTS:
    void initTestCase()
    {
        Environnement::preparer();
        QVERIFY(Environnement::nouvelleBase(dossier));
        valeur("INSERT INTO classes(id_classe,libelle,tri) VALUES(1,'CM2 A',0)");
        principale = std::make_unique<MainWindow>();
        principale->show();
    }
    void cleanupTestCase() { principale.reset(); }

    void ordre_data()
    {
        QTest::addColumn<QStringList>("eleves"); // « NOM|Prénom|niveau », dans l'ordre où ils sont entrés
        QTest::addColumn<QStringList>("attendu"); // par niveau, puis nom et prénom
        QTest::addColumn<QStringList>("parNom");  // tri par nom seul (grille) ; vide : le même

        ligne("niveaux d'abord",
              QStringList{"ZOLA|Léa|CM1", "ABEL|Paul|CM2", "ÉTIENNE|Marc|CM1", "ÉMILE|Rose|CM2"},
              QStringList{"ÉTIENNE Marc", "ZOLA Léa", "ABEL Paul", "ÉMILE Rose"},
              QStringList{"ABEL Paul", "ÉMILE Rose", "ÉTIENNE Marc", "ZOLA Léa"});
    }
    void ordre()
    {
        QFETCH(QStringList, eleves);
        QFETCH(QStringList, attendu);
        QFETCH(QStringList, parNom);
        valeur("DELETE FROM eleves");
        for (const QString& e : eleves)
            valeur("INSERT INTO eleves(id_classe,id_niveau,nom,prenom,date_naiss) SELECT "
                   "1,id_niveau,?,?,'2010-01-01' "
                   "FROM niveaux WHERE libelle=?",
                   {e.section('|', 0, 0), e.section('|', 1, 1), e.section('|', 2, 2)});

        QCOMPARE(grille(0), attendu);
        QCOMPARE(grille(1), parNom.isEmpty() ? attendu : parNom);

        diaEleve editeur(nullptr);
        editeur.findChild<QComboBox*>("cbClasse")->setCurrentIndex(1);
        editeur.actualiser();
        auto* table = editeur.findChild<QTableWidget*>("table");
        QStringList edites;
        for (int ligne = 0; ligne < table->rowCount(); ++ligne)
            edites << table->item(ligne, 0)->text() + ' ' + table->item(ligne, 1)->text();
        QCOMPARE(edites, attendu);

        QPrinter imprimante;
        imprimante.setOutputFormat(QPrinter::PdfFormat);
        OptionsImpression options;
        diaImprimer impression(nullptr, &imprimante, options);
        QStringList imprimes;
        for (const qint64 id : impression.selection())
            imprimes << nomDe(id);
        QCOMPARE(imprimes, attendu);

        QList<qint64> selection;
        diaCocheEleve choix(nullptr, Requetes::elevesClasse(1).valeurOu({}), selection);
        auto* liste = choix.findChild<QListWidget*>("lw");
        QStringList coches;
        for (int i = 0; i < liste->count(); ++i)
            coches << liste->item(i)->text().section(" - ", 0, 0);
        QCOMPARE(coches, attendu);

        Bilan bilan;
        QVERIFY(bilan.construire(1, Sql::idRef("P2"), false));
        QStringList dansLeBilan;
        for (const Eleve& e : bilan.eleves())
            dansLeBilan << e.nom + ' ' + e.prenom;
        QCOMPARE(dansLeBilan, attendu);

        // Le fichier de la classe garde son ordre ; l'import montre ses conflits dans l'ordre alphabétique
        // (tous par nom : les niveaux n'y comptent pas).
        const QString fichier = dossier->filePath("classe.xml");
        QFile sortie(fichier);
        QVERIFY(sortie.open(QIODevice::WriteOnly));
        sortie.write(FichierClasse::texte(*FichierClasse::construire(1, "CM2 A", Sql::idRef("P2"))));
        sortie.close();
        valeur("UPDATE eleves SET date_naiss='2011-02-02'");
        InterlocuteurEssai conflits; // la mise à jour est abandonnée aux conflits
        QVERIFY(!ImportClasse(conflits).importer(fichier));
        QCOMPARE(conflits.conflits, parNom.isEmpty() ? attendu : parNom);
    }
};

QTEST_MAIN(TstOrdreAlphabetique)
#include "tst_ordrealphabetique.moc"
