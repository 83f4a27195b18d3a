// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/commun/grilles.h"
#include "gui/entry/diapropagedate.h"
#include "gui/entry/mdipalier.h"
#include "gui/mainwindow/mainwindow.h"
#include "gui/mainwindow/mymdiarea.h"
#include "support/clavier.h"
#include "support/dialogues.h"
#include "support/donnees.h"
#include "support/environnement.h"
#include "support/repondeuressai.h"
#include "support/sql.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPointer>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSqlQuery>
#include <QStatusBar>
#include <QTableWidget>
#include <QTest>

// Un palier d'essai : C1 a un domaine de trois items, C2 n'a aucun enfant, C3 a un domaine
// d'un item et un domaine sans item (deux feuilles). Trois élèves de CE1 : ALPHA, BRAVO,
// CHARLIE, dans cet ordre en colonnes. Les lignes de date sont 2 (C1), 5 (C2) et 8 (C3).
namespace {
enum : qint64 { P9 = 9000, C1, A1, I1, I2, I3, C2, C3, A2, I4, A3 };

const QString GRILLE_INITIALE = "||02/01/2013 / 07/06/2012|| / ||";
// La grille initiale avec « xyz » tapé pour CHARLIE sur C2.
const QString RIEN = "||02/01/2013 / 07/06/2012||xyz / ||";

qint64 inserer(const QString& sql, const QVariantList& valeurs = {})
{
    return Sql::valeur(sql, valeurs).toLongLong();
}

// Les lignes de date de la grille : cellules jointes par « | », compétences par « / ».
QString grilleDates(const QTableWidget* table)
{
    QStringList lignes;
    for (int ligne = 2; ligne < table->rowCount(); ligne += 3) {
        QStringList cellules;
        for (int colonne = 0; colonne < table->columnCount(); ++colonne)
            cellules << table->item(ligne, colonne)->text();
        lignes << cellules.join('|');
    }
    return lignes.join(" / ");
}

// Sélection d'une plage : colonnes en x, lignes en y.
void selectionner(QTableWidget* table, const QRect& z)
{
    table->clearSelection();
    table->setRangeSelected(QTableWidgetSelectionRange(z.top(), z.left(), z.bottom(), z.right()), true);
}

void saisir(QTableWidget* table, int ligne, int colonne, const QString& texte)
{
    table->setCurrentCell(ligne, colonne);
    table->item(ligne, colonne)->setText(texte);
}
} // namespace

class TstPalier : public QObject
{
    Q_OBJECT
    Environnement::Dossier dossier;
    std::unique_ptr<MainWindow> principale;
    std::unique_ptr<RepondeurEssai> repondeur;
    mdiPalier* fenetre = nullptr;
    QTableWidget* table = nullptr;
    qint64 eleves[3] = {};

private Q_SLOTS:
    void initTestCase()
    {
        Environnement::preparer();
        QVERIFY(Environnement::nouvelleBase(dossier));
        const QList<qint64> noeuds[] = {{P9, 0, 0},  {C1, P9, 1}, {A1, C1, 2}, {I1, A1, 3},
                                        {I2, A1, 3}, {I3, A1, 3}, {C2, P9, 1}, {C3, P9, 1},
                                        {A2, C3, 2}, {I4, A2, 3}, {A3, C3, 2}}; // nœud, parent, profondeur
        for (const QList<qint64>& n : noeuds)
            inserer("INSERT INTO competences(id_comp,id_comp_parent,libelle,profondeur,numero,ref) "
                    "VALUES(?,?,?,?,1,?)",
                    {n[0], n[1], QStringLiteral("Libellé %1").arg(n[0] - P9), n[2], QString::number(n[0])});
        const qint64 classe = inserer("INSERT INTO classes(libelle,tri) VALUES('CE1 A',1)");
        for (const int i : {2, 0, 1}) // dans le désordre : l'ordre des colonnes vient du tri
            eleves[i] = inserer("INSERT INTO eleves(id_classe,id_niveau,nom,prenom) VALUES(?,2,?,'Zoé')",
                                {classe, QStringList{"ALPHA", "BRAVO", "CHARLIE"}.at(i)});
        principale = std::make_unique<MainWindow>();
        principale->show();
    }
    void init()
    {
        inserer("DELETE FROM notes");
        const QList<QVariantList> notes{{eleves[0], I1, "2010-05-06"},   {eleves[0], I2, "2010-03-01"},
                                        {eleves[0], C2, "2012-06-07"},   {eleves[0], I4, "2009-09-09"},
                                        {eleves[1], I1, "pas une date"}, {eleves[2], C1, "2013-01-02"}};
        for (const QVariantList& note : notes)
            inserer("INSERT INTO notes(id_eleve,id_comp,date) VALUES(?,?,?)", note);
        repondeur = std::make_unique<RepondeurEssai>();
        principale->saisirPaliers();
        fenetre = qobject_cast<mdiPalier*>(principale->espaceTravail()->subWindowList().last()->widget());
        table = fenetre->findChild<QTableWidget*>("table");
        fenetre->findChild<QComboBox*>("cbClasses")->setCurrentIndex(1);
        auto* paliers = fenetre->findChild<QComboBox*>("cbPaliers");
        paliers->setCurrentIndex(paliers->findData(P9));
        fenetre->afficher();
        QCOMPARE(QSize(table->columnCount(), table->rowCount()), QSize(3, 9));
        QCOMPARE(grilleDates(table), GRILLE_INITIALE);
    }
    void cleanup()
    {
        qDeleteAll(principale->espaceTravail()->subWindowList());
        repondeur.reset();
    }

    // Réussite (feuilles validées / feuilles) et date la plus récente de chaque compétence.
    void affichage_data()
    {
        QTest::addColumn<QPoint>("cellule"); // colonne, ligne
        QTest::addColumn<QString>("texte");
        ligne("deux items sur trois", QPoint(0, 0), "2/3\n(66.7%)");
        ligne("date la plus récente", QPoint(0, 1), "06/05/2010");
        ligne("texte non date compté", QPoint(1, 0), "1/3\n(33.3%)");
        ligne("validation sans item", QPoint(2, 2), "02/01/2013");
        ligne("sans enfant, sa propre feuille", QPoint(0, 3), "1/1\n(100.0%)");
        ligne("sans enfant, date récente", QPoint(0, 4), "07/06/2012");
        ligne("domaine sans item compté", QPoint(0, 6), "1/2\n(50.0%)");
    }
    void affichage()
    {
        QFETCH(QPoint, cellule);
        QTEST(table->item(cellule.y(), cellule.x())->text(), "texte");
    }

    // Ce qu'un lecteur d'écran dit d'une case de validation : l'élève, la compétence et la ligne,
    // la date, puis son état et ce que montrent les deux lignes au-dessus.
    void lecteurEcran_data()
    {
        QTest::addColumn<QPoint>("cellule"); // colonne, ligne
        QTest::addColumn<QString>("tape");
        QTest::addColumn<QString>("attendu");
        ligne("à valider", QPoint(0, 2), "",
              "ALPHA Zoé, CE1 | Libellé 1, date de validation |  | Items validés : 2 sur 3 (66.7 %). "
              "Date la plus récente : 06/05/2010.");
        ligne("date incorrecte", QPoint(2, 5), "xyz",
              "CHARLIE Zoé, CE1 | Libellé 6, date de validation | xyz | Date incorrecte : tapez-la sous la "
              "forme jour/mois/année, par exemple 15/06/2024. Items validés : 0 sur 1 (0.0 %). Date la plus "
              "récente : aucune.");
        ligne("réussite", QPoint(1, 0), "", "BRAVO Zoé, CE1 | Libellé 1, réussite | 1/3\\n(33.3%) | ");
    }
    void lecteurEcran()
    {
        QFETCH(QPoint, cellule);
        QFETCH(QString, tape);
        if (!tape.isEmpty())
            saisir(table, cellule.y(), cellule.x(), tape);
        QTEST(Clavier::cellule(table, cellule.y(), cellule.x()), "attendu");
    }

    // Après l'affichage, le focus est dans la grille, sur la première case de validation (les
    // lignes du dessus ne se sélectionnent pas) : la frappe y va tout de suite, et la flèche
    // descend à la validation de la compétence suivante.
    void clavierApresAffichage()
    {
        principale->activateWindow();
        QVERIFY(QTest::qWaitFor([this] { return principale->isActiveWindow(); }));
        QCOMPARE(QApplication::focusWidget(), table);
        const auto taper = [](const QString& texte) {
            for (const QChar lettre : texte)
                QTest::keyClick(QApplication::focusWidget(), lettre.toLatin1());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QCoreApplication::processEvents();
        };
        taper("1/2/11");
        QTest::keyClick(table, Qt::Key_Down);
        taper("2/2/12");
        QCOMPARE(grilleDates(table), "01/02/2011||02/01/2013 / 02/02/2012|| / ||");
        QVERIFY(fenetre->estModifie());
    }

    // La copie ne garde que les lignes de date de la sélection ; le bloc collé (deux lignes de deux
    // dates, la seconde courte) va sur les lignes de date à partir de celle de la sélection.
    void collage_data()
    {
        QTest::addColumn<QRect>("selection");
        QTest::addColumn<QString>("copie");
        QTest::addColumn<QString>("presse");
        QTest::addColumn<QString>("attendu"); // vide : collage refusé
        const QString bloc = "01/02/2010\t3/4/2010\n\t05/06/2010\n";
        ligne("réussite", QRect(0, 0, 1, 1), "", bloc,
              "01/02/2010|03/04/2010|02/01/2013 / |05/06/2010| / ||");
        ligne("date récente", QRect(0, 4, 1, 1), "", bloc,
              "||02/01/2013 / 01/02/2010|03/04/2010| / |05/06/2010|");
        ligne("même taille", QRect(0, 3, 2, 3), "07/06/2012\t\n", bloc,
              "||02/01/2013 / 01/02/2010|03/04/2010| / |05/06/2010|");
        ligne("hors grille", QRect(1, 6, 1, 1), "", bloc,
              "||02/01/2013 / 07/06/2012|| / |01/02/2010|03/04/2010");
        ligne("hauteur différente", QRect(0, 0, 2, 6), "\t\n07/06/2012\t\n", bloc, "");
        ligne("dernière colonne", QRect(2, 2, 1, 1), "02/01/2013\n", bloc, "");
        // Une compétence sans date au milieu du bloc (une ligne vide), fins de ligne d'un tableur.
        ligne("ligne vide, CRLF", QRect(1, 2, 1, 1), "\n", "01/02/2010\t\r\n\r\n05/06/2010\t\r\n",
              "|01/02/2010| / 07/06/2012|| / |05/06/2010|");
    }
    void collage()
    {
        QFETCH(QRect, selection);
        QFETCH(QString, attendu);
        selectionner(table, selection);
        fenetre->copier();
        QTEST(QGuiApplication::clipboard()->text(), "copie");
        QFETCH(QString, presse);
        QGuiApplication::clipboard()->setText(presse);
        if (attendu.isEmpty())
            repondeur->bouton(QMessageBox::Ok);
        fenetre->coller();
        if (attendu.isEmpty()) {
            QCOMPARE(repondeur->dernier().titre, "Coller");
            QCOMPARE(grilleDates(table), GRILLE_INITIALE);
            return;
        }
        QCOMPARE(grilleDates(table), attendu);
        QCOMPARE(table->item(4, 0)->text(), "07/06/2012"); // les autres lignes ne bougent pas
        fenetre->undo();
        QCOMPARE(grilleDates(table), GRILLE_INITIALE);
    }

    void enregistrement()
    {
        // L'enregistrement de CHARLIE sur C1, seul daté de 2013 : changé, il garde son identifiant.
        const auto idNote2013 = [] {
            return Sql::valeur("SELECT id_note FROM notes WHERE date LIKE '2013%'").toLongLong();
        };
        const qint64 idChangee = idNote2013();
        saisir(table, 2, 0, "1/2/2011");   // créée
        saisir(table, 2, 2, "3/3/2013");   // changée
        saisir(table, 5, 0, "");           // supprimée (C2 est sa propre feuille)
        saisir(table, 5, 1, "04/04/2014"); // créée
        saisir(table, 8, 2, "5/5/2015");   // créée, dernière compétence
        QVERIFY(fenetre->enregistrer());
        QVERIFY(!fenetre->estModifie());
        QStringList lues; // « élève:nœud:date », élève 0 à 2, nœud compté depuis P9
        for (QSqlQuery requete("SELECT id_eleve, id_comp, date FROM notes"); requete.next();)
            lues << QStringLiteral("%1:%2:%3")
                        .arg(std::find(eleves, eleves + 3, requete.value(0).toLongLong()) - eleves)
                        .arg(requete.value(1).toLongLong() - P9)
                        .arg(requete.value(2).toString());
        lues.sort();
        QCOMPARE(lues,
                 (QStringList{"0:1:2011-02-01", "0:3:2010-05-06", "0:4:2010-03-01", "0:9:2009-09-09",
                              "1:3:pas une date", "1:6:2014-04-04", "2:1:2013-03-03", "2:7:2015-05-05"}));
        QCOMPARE(idNote2013(), idChangee);
        fenetre->afficher(); // une compétence sans enfant validée devient sa propre feuille réussie
        QCOMPARE(table->item(3, 1)->text(), "1/1\n(100.0%)");
        QCOMPARE(grilleDates(table), "01/02/2011||03/03/2013 / |04/04/2014| / ||05/05/2015");
    }

    void modes_data()
    {
        // Sélection des lignes 2 à 5 : C1 (ALPHA 66,67 %, BRAVO 33,3 % sans date, CHARLIE déjà
        // validée) et C2 (ALPHA validée, BRAVO 0 %, CHARLIE « xyz » invalide). Les lignes s'enchaînent :
        // le dialogue s'ouvre sur le mode et le pourcentage retenus à la précédente (rb1 et 80.0 d'abord).
        // Une propagation qui remplit se défait en un pas et dit combien ; sinon elle dit pourquoi.
        QTest::addColumn<QRect>("selection");
        QTest::addColumn<QString>("ouverture"); // vide : dialogue pas ouvert
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("minimum");
        QTest::addColumn<QString>("attendu");
        QTest::addColumn<QString>("dit"); // barre d'état, ou message (titre « Propagation de la date »)
        const QRect tout(0, 2, 3, 4);
        ligne("0, minimum 0", tout, "1 80.0", 0, "0",
              "06/05/2010|15/06/2020|02/01/2013 / 07/06/2012|15/06/2020|xyz / ||",
              "Date de validation mise dans 3 cases.");
        ligne("1, minimum 0", tout, "1 0.0", 1, "0", "06/05/2010||02/01/2013 / 07/06/2012||xyz / ||",
              "Date de validation mise dans 1 case.");
        ligne("2, minimum 0", tout, "2 0.0", 2, "0",
              "15/06/2020|15/06/2020|02/01/2013 / 07/06/2012|15/06/2020|xyz / ||",
              "Date de validation mise dans 3 cases.");
        ligne("0, 66.6 atteint", tout, "3 0.0", 0, "66.6", "06/05/2010||02/01/2013 / 07/06/2012||xyz / ||",
              "Date de validation mise dans 1 case.");
        ligne("2, 66.7 non atteint", tout, "1 66.6", 2, "66.7", RIEN,
              "Aucun des élèves dont la case sélectionnée est vide n'atteint 66.7 % de réussite : aucune "
              "case n'a "
              "été remplie.\nBaissez le pourcentage de réussite minimum pour les remplir.");
        ligne("1, sans date d'item", QRect(1, 2, 1, 4), "3 66.7", 1, "0", RIEN,
              "Aucun des élèves retenus n'a de date d'item pour ces compétences : "
              "aucune case n'a été remplie.\nChoisissez un mode qui met la date "
              "par défaut pour les remplir.");
        ligne("déjà remplie", QRect(2, 2, 1, 1), "2 0.0", 0, "0", RIEN,
              "Toutes les cases sélectionnées ont déjà une date de validation : aucune "
              "n'a été remplie.");
        ligne("aucune ligne de validation", QRect(0, 0, 3, 2), "", 0, "0", RIEN,
              "Aucune case de la ligne « Date validation: » n'est sélectionnée : rien n'a été "
              "rempli.\nCliquez "
              "sur l'intitulé « Date validation: » d'une compétence, ou sélectionnez des cases jaunes, puis "
              "recommencez.");
    }
    void modes()
    {
        QFETCH(QRect, selection);
        QFETCH(int, mode);
        QFETCH(QString, minimum);
        QFETCH(QString, attendu);
        QFETCH(QString, dit);
        fenetre->findChild<QLineEdit*>("edDate")->setText("15/6/2020");
        saisir(table, 5, 2, "xyz");
        selectionner(table, selection);
        principale->statusBar()->clearMessage();
        QString ouverture;
        auto fait = quandDialogue<diaPropageDate>(
            [=, &ouverture](diaPropageDate* dialogue) {
                // Un échec ici ne doit pas laisser le dialogue ouvert.
                const auto fermer = qScopeGuard([dialogue] {
                    if (dialogue->isVisible())
                        dialogue->reject();
                });
                auto* pourcent = dialogue->findChild<QLineEdit*>("edPourcent");
                QRadioButton* modes[3] = {};
                for (const int i : {0, 1, 2}) {
                    modes[i] = dialogue->findChild<QRadioButton*>(QStringLiteral("rb%1").arg(i + 1));
                    if (modes[i]->isChecked())
                        ouverture = QString::number(i + 1) + ' ' + pourcent->text();
                }
                // Au clavier seul : le focus part du mode retenu, les flèches changent de mode,
                // Tab mène au pourcentage, Entrée valide.
                QCOMPARE(QApplication::focusWidget(), modes[ouverture.left(1).toInt() - 1]);
                for (int i = 0; i < 2; ++i)
                    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
                for (int i = 0; i < mode; ++i)
                    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
                QVERIFY(modes[mode]->isChecked());
                for (int i = 0; i < 5 && QApplication::focusWidget() != pourcent; ++i)
                    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                QCOMPARE(QApplication::focusWidget(), pourcent);
                QTest::keySequence(pourcent, QKeySequence::SelectAll);
                QTest::keyClicks(pourcent, minimum);
                QTest::keyClick(pourcent, Qt::Key_Return);
            },
            1000);
        const bool remplit = attendu != RIEN;
        if (!remplit)
            repondeur->bouton(QMessageBox::Ok);
        fenetre->propagerDateRecente();
        QTEST(ouverture, "ouverture");
        QCOMPARE(*fait, !ouverture.isEmpty());
        QCOMPARE(grilleDates(table), attendu);
        QVERIFY(Grilles::dateInvalide(table->item(5, 2))); // « xyz » reste marquée
        if (!remplit) {
            QCOMPARE(repondeur->dernierMessage(), "Propagation de la date|" + dit);
            QCOMPARE(fenetre->profondeurAnnulation(), 1);
            return;
        }
        QCOMPARE(principale->statusBar()->currentMessage(), dit);
        fenetre->undo(); // toute la propagation, en un pas
        QCOMPARE(grilleDates(table), RIEN);
    }

    // Un clic sur l'intitulé « Date validation: » sélectionne les dates de la compétence ; Ctrl en
    // ajoute une autre, et les deux sont propagées.
    void selectionParLesIntitules()
    {
        QHeaderView* intitules = table->verticalHeader();
        for (const auto& [ligne, touches] : {std::pair{2, Qt::NoModifier}, {8, Qt::ControlModifier}})
            QTest::mouseClick(intitules->viewport(), Qt::LeftButton, touches,
                              QPoint(5, intitules->sectionViewportPosition(ligne) + 5));
        QCOMPARE(table->selectedRanges().size(), 2);
        fenetre->findChild<QLineEdit*>("edDate")->setText("15/6/2020");
        fenetre->findChild<QAbstractButton*>("btPropager")->click();
        QCOMPARE(grilleDates(table),
                 "15/06/2020|15/06/2020|02/01/2013 / 07/06/2012|| / 15/06/2020|15/06/2020|15/06/2020");
        QCOMPARE(principale->statusBar()->currentMessage(), "Date propagée dans 5 cases.");
        fenetre->undo();
        QCOMPARE(grilleDates(table), GRILLE_INITIALE);
    }

    // Fermer la grille modifiée : la question la nomme ; Oui enregistre, et une date invraisemblable
    // tapée fait poser « Dates à vérifier », qui nomme l'élève et la compétence ; Non y ramène et la
    // fenêtre reste ouverte.
    void fermetureDateAVerifier()
    {
        saisir(table, 5, 1, "1/1/2099");
        repondeur->reponses("ON");
        QPointer<mdiPalier> suivi(fenetre);
        principale->espaceTravail()->subWindowList().constLast()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(suivi);
        QCOMPARE(
            repondeur->lus(),
            QStringList({"Fermeture|Voulez-vous enregistrer les modifications de la grille CE1 A, "
                         "attestations du palier « Libellé 0 » avant de la fermer ?",
                         "Dates à vérifier|Une date saisie depuis le dernier enregistrement est "
                         "invraisemblable : le 01/01/2099, pour BRAVO Zoé, compétence « Libellé 6 ».\n"
                         "Cette date est dans le futur.\nElle est écrite en orange (le pointeur posé sur la "
                         "case dit pourquoi).\n\nOui : l'enregistrer quand même.\nNon : y revenir pour la "
                         "corriger."}));
        QCOMPARE(table->currentItem(), table->item(5, 1));
    }

    // Sans date par défaut, « Mettre la date ci-dessous » ne remplirait rien : OK le dit et le
    // dialogue reste ouvert ; les modes qui reprennent la date la plus récente s'en passent.
    void propagationSansDate_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<bool>("accepte");
        ligne("mettre la date ci-dessous", "rb3", false);
        ligne("la plus récente seulement", "rb2", true);
    }
    void propagationSansDate()
    {
        QFETCH(QString, mode);
        QFETCH(bool, accepte);
        diaPropageDate dialogue(fenetre);
        dialogue.definirDate(QString());
        dialogue.findChild<QRadioButton*>(mode)->setChecked(true);
        if (!accepte)
            repondeur->bouton(QMessageBox::Ok);
        dialogue.accept();
        QCOMPARE(dialogue.result() == QDialog::Accepted, accepte);
        if (!accepte)
            QCOMPARE(repondeur->dernierMessage(),
                     "Erreur|Indiquez la date à mettre dans les cases vides, par exemple 15/06/2024.");
    }
};

QTEST_MAIN(TstPalier)
#include "tst_palier.moc"
