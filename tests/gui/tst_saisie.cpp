// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/commun/grilles.h"
#include "gui/entry/diafiltreniveau.h"
#include "gui/entry/mdisaisie.h"
#include "gui/exchange/diaexporteclasse.h"
#include "gui/mainwindow/mainwindow.h"
#include "gui/mainwindow/mymdiarea.h"
#include "gui/print/diaimprimer.h"
#include "gui/report/diabilan.h"
#include "support/clavier.h"
#include "support/dialogues.h"
#include "support/donnees.h"
#include "support/environnement.h"
#include "support/repondeuressai.h"
#include "support/sql.h"

#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSqlQuery>
#include <QStatusBar>
#include <QTableWidget>
#include <QTest>

// Classe « CE1 A » : DUPONT (CP), BERNARD (CE1, né le 01/06/2009) et MARTIN (CE1), en colonnes dans
// cet ordre au tri par niveau. Au départ la grille de P1C1 montre (ligne 0) « », « 06/05/2010 », « »
// (le texte de DUPONT n'est pas une date) et (ligne 1) « », « », « 02/01/2011 ».
namespace {
const QString AVRIL = QStringLiteral("03/04/2009"); // « 3/4/09 » normalisé
using B = QMessageBox::StandardButton;

QStringList notes()
{
    return Sql::lignes("SELECT id_eleve, (SELECT ref FROM competences c WHERE c.id_comp=n.id_comp), date "
                       "FROM notes n ORDER BY id_note",
                       " ");
}

QString libelle(const QString& ref)
{
    return Sql::valeur("SELECT libelle FROM competences WHERE ref=?", {ref}).toString();
}

// La grille de « CE1 A » pour une compétence du palier 1, comme la nomme une question.
QString grille(const QString& competence = "P1C1")
{
    return "CE1 A, Palier 1, compétence « " + libelle(competence) + " »";
}

QRect zone(int gauche, int haut, int droite, int bas)
{
    return QRect(QPoint(gauche, haut), QPoint(droite, bas));
}

QStringList textes(QTableWidget* table, const QRect& zone = QRect(0, 0, 3, 3))
{
    QStringList resultat;
    for (int ligne = zone.top(); ligne <= zone.bottom(); ++ligne)
        for (int colonne = zone.left(); colonne <= zone.right(); ++colonne)
            resultat << table->item(ligne, colonne)->text();
    return resultat;
}

void selectionner(QTableWidget* table, const QRect& z)
{
    table->clearSelection();
    table->setRangeSelected(QTableWidgetSelectionRange(z.top(), z.left(), z.bottom(), z.right()), true);
}

using Clavier::taper;
} // namespace

class TstSaisie : public QObject
{
    Q_OBJECT
    Environnement::Dossier dossier;
    std::unique_ptr<MainWindow> principale;
    std::unique_ptr<RepondeurEssai> repondeur;
    mdiSaisie* fenetre = nullptr;

    template <typename T> T* w(const char* nom) { return fenetre->findChild<T*>(nom); }

    // Ouvre une fenêtre par la fenêtre principale et affiche une compétence de « CE1 A ».
    QTableWidget* ouvrir(const QString& competence = "P1C1")
    {
        principale->saisirDates();
        fenetre =
            qobject_cast<mdiSaisie*>(principale->espaceTravail()->subWindowList().constLast()->widget());
        w<QComboBox>("cbClasses")->setCurrentIndex(1);
        auto* paliers = w<QComboBox>("cbPaliers");
        paliers->setCurrentIndex(paliers->findData(Sql::idRef("P1")));
        auto* competences = w<QComboBox>("cbCompetences");
        competences->setCurrentIndex(competences->findData(Sql::idRef(competence)));
        w<QPushButton>("btAfficher")->click();
        return w<QTableWidget>("table");
    }
    // La fenêtre principale active et la fenêtre de saisie active en elle, comme quand
    // l'enseignante y travaille : ses raccourcis clavier valent alors.
    void activer()
    {
        principale->activateWindow();
        QVERIFY(QTest::qWaitFor([this] { return principale->isActiveWindow(); }));
        principale->espaceTravail()->setActiveSubWindow(
            principale->espaceTravail()->subWindowList().constLast());
    }
    // Fait `action`, qui doit montrer la boîte `titre` / `texte` (réponse OK).
    template <typename Action> void boite(Action action, const QString& titre, const QString& texte)
    {
        repondeur->bouton(QMessageBox::Ok);
        action();
        QCOMPARE(repondeur->dernierMessage(), titre + "|" + texte);
    }

private Q_SLOTS:
    void initTestCase()
    {
        Environnement::preparer();
        QVERIFY(Environnement::nouvelleBase(dossier));
        Sql::valeur("INSERT INTO classes(id_classe,libelle,tri) VALUES(1,'CE1 A',1),(2,'CM2 B',2)");
        Sql::valeur("INSERT INTO eleves(id_eleve,id_classe,id_niveau,nom,prenom,date_naiss) VALUES"
                    "(10,1,2,'MARTIN','Léa',NULL),(11,1,1,'DUPONT','Paul',NULL),(12,1,2,'BERNARD','Zoé','"
                    "2009-06-01'),"
                    "(13,2,5,'ROUX','Max',NULL)");
        principale = std::make_unique<MainWindow>();
        principale->resize(1000, 800);
        principale->show();
    }
    void init()
    {
        repondeur = std::make_unique<RepondeurEssai>();
        Sql::valeur("DELETE FROM notes");
        const qint64 a1 = Sql::idRef("P1C1A1");
        Sql::valeur("INSERT INTO notes(id_eleve,id_comp,date) VALUES(12,?,'2010-05-06'),(11,?,'abc'),"
                    "(10,?,'2011-01-02'),(13,?,'2010-01-01'),(12,?,'2009-09-09')",
                    {a1, a1, Sql::idRef("P1C1A2"), a1, Sql::idRef("P1C3A1")});
    }
    void cleanup()
    {
        qDeleteAll(principale->espaceTravail()->subWindowList()); // sans question de fermeture
        repondeur.reset();
    }

    // Saisie normalisée et marquée : invalide en rouge, invraisemblable en orange avec la raison en
    // bulle ; « Refaire » n'est actif qu'après « Défaire ».
    void saisie_data()
    {
        QTest::addColumn<int>("colonne");
        QTest::addColumn<QString>("tape");
        QTest::addColumn<QString>("attendu");
        QTest::addColumn<bool>("invalide");
        QTest::addColumn<QString>("raison"); // début de la bulle d'une date à vérifier
        const QDate auj = QDate::currentDate();
        const QString siecleSuivant = QString::number((auj.year() + 1) % 100).rightJustified(2, '0');
        ligne("date", 0, "3/4/09", AVRIL, false, "");
        ligne("jour et mois d'aujourd'hui", 0, auj.toString("d/M"), auj.toString("dd/MM/yyyy"), false, "");
        ligne("mot", 0, "abc", "abc", true, "");
        ligne("demain", 0, auj.addDays(1).toString("d/M/yyyy"), auj.addDays(1).toString("dd/MM/yyyy"), false,
              "Cette date est dans le futur.");
        ligne("année à venir lue au siècle dernier", 0, "2/9/" + siecleSuivant,
              QString("02/09/19") + siecleSuivant, false,
              "Cette date précède 2008, première année du livret de compétences.");
        ligne("avant la naissance", 1, "1/1/09", "01/01/2009", false,
              "Cette date précède la naissance de l'élève (01/06/2009).");
    }
    void saisie()
    {
        QFETCH(int, colonne);
        QFETCH(QString, tape);
        QFETCH(QString, attendu);
        QFETCH(bool, invalide);
        QFETCH(QString, raison);
        QTableWidget* t = ouvrir();
        taper(t, 2, colonne, tape);
        QTableWidgetItem* cellule = t->item(2, colonne);
        QCOMPARE(cellule->text(), attendu);
        QCOMPARE(cellule->data(Grilles::ROLE_INVALIDE).toInt(), invalide ? 1 : 0);
        QCOMPARE(cellule->foreground().color(), invalide           ? QColor(Qt::red)
                                                : raison.isEmpty() ? QColor(Qt::black)
                                                                   : QColor(200, 90, 0));
        QCOMPARE(Grilles::dateAVerifier(cellule), !raison.isEmpty());
        QCOMPARE(cellule->font().italic(), !raison.isEmpty());
        QCOMPARE(cellule->toolTip().section('\n', 0, 0), raison);
        // L'état se dit aussi en toutes lettres, pas seulement par la couleur.
        const QString description = Clavier::cellule(t, 2, colonne).section(" | ", 3);
        QCOMPARE(description.isEmpty(), !invalide && raison.isEmpty());
        if (invalide)
            QVERIFY(description.startsWith("Date incorrecte"));
        if (!raison.isEmpty())
            QVERIFY(description.startsWith("Date à vérifier. " + raison));
        QVERIFY(fenetre->estModifie());
        QCOMPARE(fenetre->profondeurAnnulation(), 1);

        auto* refaire = w<QAbstractButton>("btYank");
        auto* menuRefaire = fenetre->findChild<QAction*>("acYank");
        const auto refaisable = [&] { // bouton et menu du clic droit ; -1 s'ils diffèrent
            return refaire->isEnabled() == menuRefaire->isEnabled() ? int(refaire->isEnabled()) : -1;
        };
        QCOMPARE(refaisable(), 0);
        fenetre->undo();
        QCOMPARE(cellule->text(), "");
        QVERIFY(!Grilles::dateAVerifier(cellule) && cellule->toolTip().isEmpty());
        QCOMPARE(refaisable(), 1);
        fenetre->yank();
        QCOMPARE(cellule->text(), attendu);
        QCOMPARE(Grilles::dateAVerifier(cellule), !raison.isEmpty());
        QCOMPARE(refaisable(), 0);
        fenetre->undo();
        taper(t, 0, 0, "1/2/10"); // une nouvelle saisie efface ce qui restait à refaire
        QCOMPARE(refaisable(), 0);
    }

    // Les en-têtes que dit un lecteur d'écran en entrant dans une case : l'élève et son niveau,
    // l'agrégat et l'item, même là où l'agrégat ne s'écrit pas ; l'état d'une date gardée
    // invraisemblable.
    void lecteurEcran_data()
    {
        QTest::addColumn<QPoint>("cellule"); // colonne, ligne
        QTest::addColumn<QString>("attendu");
        ligne(
            "premier item de l'agrégat", QPoint(1, 0),
            "BERNARD Zoé, CE1 | Dire : S\u2019exprimer clairement à l\u2019oral en utilisant un vocabulaire "
            "approprié | 06/05/2010 | ");
        ligne("item suivant, agrégat non écrit", QPoint(2, 1),
              "MARTIN Léa, CE1 | Dire : Participer en classe à un échange verbal en respectant les "
              "règles de la communication | 02/01/2011 | ");
    }
    void lecteurEcran()
    {
        QFETCH(QPoint, cellule);
        QTEST(Clavier::cellule(ouvrir(), cellule.y(), cellule.x()), "attendu");
    }

    // Au clavier, dans la grille (case de BERNARD, « 06/05/2010 ») : la frappe ouvre la saisie,
    // Entrée valide, Échap annule, Suppr efface, Maj et une flèche étendent la sélection, Tab
    // sort de la grille au lieu d'en parcourir les cases (mais valide une frappe et passe à la
    // case voisine, comme un tableur), Ctrl+S enregistre, date encore dans l'éditeur comprise ;
    // Alt+- ouvre le menu de la barre de titre, dont les boutons n'ont pas de focus.
    void clavier_data()
    {
        QTest::addColumn<QString>("tape"); // sans Entrée
        QTest::addColumn<QKeySequence>("touches");
        QTest::addColumn<QString>("texte"); // de la case ensuite
        QTest::addColumn<int>("selection"); // nombre de cases sélectionnées
        QTest::addColumn<QString>("focus");
        QTest::addColumn<bool>("modifie");
        const QString avant = "06/05/2010";
        const QString apres = "03/04/2010";
        ligne("Entrée valide", "3/4/10", QKeySequence(Qt::Key_Return), apres, 1, "table", true);
        ligne("Échap annule", "3/4/10", QKeySequence(Qt::Key_Escape), avant, 1, "table", false);
        ligne("Suppr efface", "", QKeySequence(QKeySequence::Delete), "", 1, "table", true);
        ligne("Maj et flèche étendent la sélection", "", QKeySequence(Qt::SHIFT | Qt::Key_Down), avant, 2,
              "table", false);
        ligne("Tab sort de la grille", "", QKeySequence(Qt::Key_Tab), avant, 1, "cbClasses", false);
        ligne("Tab valide la frappe", "3/4/10", QKeySequence(Qt::Key_Tab), apres, 1, "éditeur", true);
        ligne("Ctrl+S enregistre", "3/4/10", QKeySequence(QKeySequence::Save), apres, 1, "table", false);
        ligne("Alt+- ouvre le menu de la fenêtre", "", QKeySequence(Qt::ALT | Qt::Key_Minus), avant, 1,
              "menu de la fenêtre", false);
    }
    void clavier()
    {
        QFETCH(QString, tape);
        QFETCH(QKeySequence, touches);
        QFETCH(QString, focus);
        QTableWidget* t = ouvrir();
        activer();
        t->setFocus();
        t->setCurrentCell(0, 1);
        if (!tape.isEmpty())
            taper(t, 0, 1, tape, false);
        QTest::keySequence(QApplication::focusWidget(), touches);
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (QWidget* menu = QApplication::activePopupWidget()) {
            menu->close();
            QCOMPARE(menu, qobject_cast<QMdiSubWindow*>(fenetre->parentWidget())->systemMenu());
            QCOMPARE(QString("menu de la fenêtre"), focus);
            return;
        }
        QTEST(t->item(0, 1)->text(), "texte");
        QTEST(int(t->selectedItems().size()), "selection");
        QWidget* aLeFocus = QApplication::focusWidget();
        QCOMPARE(!aLeFocus                                    ? QString()
                 : aLeFocus != t && t->isAncestorOf(aLeFocus) ? QString("éditeur")
                                                              : aLeFocus->objectName(),
                 focus);

        QTEST(fenetre->estModifie(), "modifie");
        QCOMPARE(notes().contains("12 P1C1A1 2010-04-03"), touches == QKeySequence::Save);
    }

    // La copie d'une sélection, puis le collage du presse-papiers sur elle.
    void collage_data()
    {
        QTest::addColumn<QRect>("selection");
        QTest::addColumn<QString>("copie");
        QTest::addColumn<QString>("presse");
        QTest::addColumn<QString>("attendu"); // lignes et colonnes 0 à 2 ; vide : refusé
        const QString bloc = "1/1/10\t2/1/10\t3/1/10\n4/1/10\t\tabc\n";
        ligne("une cellule", zone(1, 0, 1, 0), "06/05/2010\n", "1/2/10\tabc\n\t3/4/09\n",
              "|01/02/2010|abc|||03/04/2009|||");
        ligne("même taille", zone(0, 1, 2, 2), "\t\t02/01/2011\n\t\t\n", bloc,
              "|06/05/2010||01/01/2010|02/01/2010|03/01/2010|04/01/2010||abc");
        ligne("même taille, depuis le coin", zone(0, 0, 2, 1), "\t06/05/2010\t\n\t\t02/01/2011\n", bloc,
              "01/01/2010|02/01/2010|03/01/2010|04/01/2010||abc|||");
        ligne("taille différente", zone(0, 1, 1, 2), "\t\n\t\n", bloc, "");
        ligne("dernière colonne", zone(2, 0, 2, 0), "\n", "1/1/10\t2/1/10\n", "");
        ligne("ligne vide, lignes courtes", zone(0, 0, 0, 0), "\n",
              "1/1/10\t2/1/10\t3/1/10\n\n4/1/10\n7/1/10\t8/1/10\t9/1/10\tx\n",
              "01/01/2010|02/01/2010|03/01/2010||||04/01/2010||");
        // Une colonne copiée avec des cases vides se recolle case pour case.
        const QString colonne = "\n02/01/2011\n\n"; // la copie de la colonne 2, lignes 0 à 2
        ligne("colonne avec des vides", zone(0, 0, 0, 0), "\n", colonne,
              "|06/05/2010||02/01/2011||02/01/2011|||");
        ligne("colonne avec des vides, même taille", zone(0, 0, 0, 2), "\n\n\n", colonne,
              "|06/05/2010||02/01/2011||02/01/2011|||");
        ligne("une seule fin de ligne finale ignorée", zone(2, 0, 2, 0), "\n", "1/1/10\n\n",
              "|06/05/2010|01/01/2010||||||");
        ligne("fins de ligne CRLF", zone(0, 0, 0, 0), "\n", "1/1/10\t2/1/10\r\n3/1/10\t\r\n",
              "01/01/2010|02/01/2010||03/01/2010||02/01/2011|||");
        ligne("fins de ligne CR", zone(2, 0, 2, 0), "\n", "1/1/10\r\r3/1/10\r",
              "|06/05/2010|01/01/2010||||||03/01/2010");
    }
    void collage()
    {
        QFETCH(QRect, selection);
        QFETCH(QString, attendu);
        QTableWidget* t = ouvrir();
        const QString avant = textes(t).join('|');
        selectionner(t, selection);
        QGuiApplication::clipboard()->clear();
        fenetre->copier();
        QTEST(QGuiApplication::clipboard()->text(), "copie");
        QFETCH(QString, presse);
        QGuiApplication::clipboard()->setText(presse);
        if (attendu.isEmpty()) {
            boite([this] { fenetre->coller(); }, "Coller",
                  "Impossible de coller car la plage sélectionnée n'a pas la même taille que "
                  "celle dans le presse-papier.");
            QCOMPARE(textes(t).join('|'), avant);
            QVERIFY(!fenetre->estModifie());
            taper(t, 2, 0, "3/4/09"); // la grille reste éditable après le refus
            QCOMPARE(t->item(2, 0)->text(), AVRIL);
            return;
        }
        fenetre->coller();
        QCOMPARE(textes(t).join('|'), attendu);
        QCOMPARE(fenetre->profondeurAnnulation(), 1);
        fenetre->undo();
        QCOMPARE(textes(t).join('|'), avant);
        fenetre->yank();
        QCOMPARE(textes(t).join('|'), attendu);
    }

    // Les cellules non vides (date ou mot) sont gardées ; une date incorrecte est refusée.
    void propagation()
    {
        QTableWidget* t = ouvrir();
        taper(t, 0, 2, "abc");
        selectionner(t, zone(0, 0, 2, 0));
        const auto propager = [this, t](const QString& date) {
            w<QLineEdit>("edDate")->setText(date);
            w<QAbstractButton>("btPropager")->click();
            return textes(t, zone(0, 0, 2, 0));
        };
        const QStringList avant{"", "06/05/2010", "abc"};
        boite([&] { QCOMPARE(propager("32/13/10"), avant); }, "Erreur", "Format de date incorrect.");
        QCOMPARE(propager("1/9/10"), QStringList({"01/09/2010", "06/05/2010", "abc"}));
        fenetre->undo();
        QCOMPARE(textes(t, zone(0, 0, 2, 0)), avant);
    }

    // Création (DUPONT), modification (BERNARD), suppression (MARTIN) ; le texte non date de DUPONT,
    // montré vide, est supprimé aussi ; les autres compétences et classes ne bougent pas.
    void enregistrement()
    {
        QTableWidget* t = ouvrir();
        taper(t, 1, 0, "7/7/10");
        taper(t, 0, 1, "8/8/10");
        selectionner(t, zone(2, 1, 2, 1));
        fenetre->effacer();
        QVERIFY(fenetre->enregistrer());
        QCOMPARE(notes(), QStringList({"12 P1C1A1 2010-08-08", "13 P1C1A1 2010-01-01", "12 P1C3A1 2009-09-09",
                                       "11 P1C1A2 2010-07-07"}));
        QVERIFY(!fenetre->estModifie());
        // Ce qui a changé est annoncé dans la barre d'état, sans boîte à fermer.
        QCOMPARE(principale->statusBar()->currentMessage(),
                 "Grille enregistrée : 2 dates écrites, 2 dates effacées.");

        // Une base qui refuse l'écriture (fichier en lecture seule) : l'enregistrement rend faux,
        // l'enseignant est averti et la grille garde ses modifications, qu'une fermeture ne perd
        // donc pas sans question.
        taper(t, 1, 2, "9/9/10");
        QSqlQuery().exec("PRAGMA query_only=1");
        repondeur->bouton(QMessageBox::Ok);
        QVERIFY(!fenetre->enregistrer());
        QCOMPARE(repondeur->dernier().titre, QString("Enregistrement impossible"));
        QVERIFY(fenetre->estModifie());
        QSqlQuery().exec("PRAGMA query_only=0");
        QVERIFY(fenetre->enregistrer());
        QVERIFY(notes().join(' ').contains("P1C1A2 2010-09-09"));
        QCOMPARE(principale->statusBar()->currentMessage(), "Grille enregistrée : 1 date écrite.");
    }

    // Une date gardée invraisemblable (MARTIN, 1999), déjà acceptée, reste en orange sans être
    // redemandée ; seules les dates saisies depuis le dernier enregistrement (tapées, collées,
    // propagées) font poser la question, qui dit combien et où est la première ; Non y mène.
    // Enregistrées, elles ne sont plus redemandées à l'enregistrement suivant.
    void datesAVerifier_data()
    {
        QTest::addColumn<QString>("saisie"); // comment la date de 2099 arrive chez DUPONT (P1C1B1)
        QTest::addColumn<int>("reponse");    // -1 : aucune question
        QTest::addColumn<QString>("question");
        const QString ou =
            "le 01/01/2099, pour DUPONT Paul, item « " + libelle("P1C1B") + " : " + libelle("P1C1B1") + " »";
        const QString une =
            "Une date saisie depuis le dernier enregistrement est invraisemblable : " + ou +
            ".\nCette date est dans le futur.\nElle est écrite en orange (le pointeur posé sur "
            "la case dit pourquoi).\n\nOui : l'enregistrer quand même.\nNon : y revenir pour "
            "la corriger.";
        ligne("tapée, enregistrée quand même", "tapée", int(B::Yes), une);
        ligne("tapée, y revenir", "tapée", int(B::No), une);
        ligne("propagée", "propagée", int(B::No), une);
        ligne("deux collées", "collées", int(B::No),
              "2 dates saisies depuis le dernier enregistrement sont invraisemblables. La première : " + ou +
                  ".\nCette date est dans le futur.\nElles sont écrites en orange (le pointeur posé sur une "
                  "case dit pourquoi).\n\nOui : les enregistrer quand même.\nNon : aller à la première "
                  "pour la corriger.");
        ligne("seule la date gardée", "", -1, "");
    }
    void datesAVerifier()
    {
        QFETCH(QString, saisie);
        QFETCH(int, reponse);
        Sql::valeur("INSERT INTO notes(id_eleve,id_comp,date) VALUES(10,?,'1999-01-01')",
                    {Sql::idRef("P1C1A3")});
        const QStringList avant = notes();
        QTableWidget* t = ouvrir();
        QVERIFY(Grilles::dateAVerifier(t->item(2, 2)));
        if (saisie == "tapée") {
            taper(t, 3, 0, "1/1/2099");
        } else if (saisie == "propagée") {
            selectionner(t, zone(0, 3, 0, 3));
            w<QLineEdit>("edDate")->setText("1/1/2099");
            w<QAbstractButton>("btPropager")->click();
        } else if (saisie == "collées") {
            selectionner(t, zone(0, 3, 0, 3));
            QGuiApplication::clipboard()->setText("1/1/2099\t1/1/2098\n");
            fenetre->coller();
        } else {
            taper(t, 3, 0, "2/2/2010");
        }
        t->setCurrentCell(0, 0);
        if (reponse >= 0)
            repondeur->bouton(B(reponse));
        QCOMPARE(fenetre->enregistrer(), reponse != B::No);
        QTEST(repondeur->messages().isEmpty() ? QString() : repondeur->dernierMessage().section('|', 1),
              "question");
        if (reponse >= 0)
            QCOMPARE(repondeur->dernier().titre, "Dates à vérifier");
        QVERIFY(Grilles::dateAVerifier(t->item(2, 2))); // toujours montrée
        if (reponse == B::No) {
            QCOMPARE(notes(), avant);
            QVERIFY(fenetre->estModifie());
            QCOMPARE(t->currentItem(), t->item(3, 0)); // la date nouvelle, pas celle de 1999
            return;
        }
        QVERIFY(notes().contains("10 P1C1A3 1999-01-01")); // celle de la base, inchangée
        QCOMPARE(notes().contains("11 P1C1B1 2099-01-01"), reponse == B::Yes);
        // Le second enregistrement ne redemande rien : 2099 est désormais enregistrée, comme 1999.
        const int questions = int(repondeur->messages().size());
        taper(t, 0, 0, "3/3/2010");
        QVERIFY(fenetre->enregistrer());
        QCOMPARE(repondeur->messages().size(), questions);
        QVERIFY(notes().contains("11 P1C1A1 2010-03-03"));
    }

    // La case de fermeture et « Afficher » avec des modifications, la date encore dans l'éditeur
    // (sans Entrée) comprise.
    void questions_data()
    {
        QTest::addColumn<bool>("fermer");
        QTest::addColumn<bool>("enCours");
        QTest::addColumn<int>("bouton");
        QTest::addColumn<bool>("garde"); // fenêtre restée ouverte, ou grille non rechargée
        QTest::addColumn<bool>("enregistre");
        QTest::addColumn<bool>("clavier"); // Ctrl+F4 ou F5 au lieu de la case ou du bouton
        ligne("fermer oui refusé", true, false, int(B::Yes), true, false, false);
        ligne("fermer oui", true, false, int(B::Yes), false, true, false);
        ligne("fermer annuler", true, false, int(B::Cancel), true, false, false);
        ligne("fermer, saisie en cours : oui", true, true, int(B::Yes), false, true, false);
        ligne("recharger oui refusé", false, false, int(B::Yes), true, false, false);
        ligne("recharger oui", false, false, int(B::Yes), false, true, false);
        ligne("recharger, saisie en cours : oui", false, true, int(B::Yes), false, true, false);
        ligne("fermer au clavier : oui", true, false, int(B::Yes), false, true, true);
        ligne("recharger au clavier : non", false, false, int(B::No), false, false, true);
    }
    void questions()
    {
        QFETCH(bool, fermer);
        QFETCH(bool, enCours);
        QFETCH(int, bouton);
        QFETCH(bool, garde);
        QFETCH(bool, enregistre);
        QFETCH(bool, clavier);
        const bool refuse = bouton == B::Yes && !enregistre;
        QTableWidget* t = ouvrir();
        taper(t, 2, 0, refuse ? "abc" : "3/4/09", !enCours);
        if (refuse)
            t->setCurrentCell(0, 2);
        repondeur->bouton(B(bouton));
        // La question nomme la grille : classe, palier, compétence.
        QStringList attendus{fermer ? "Fermeture|Voulez-vous enregistrer les modifications de la grille " +
                                          grille() + " avant de la fermer ?"
                                    : "Enregistrer les modifications|Voulez-vous enregistrer les "
                                      "modifications de la grille " +
                                          grille() + " ?"};
        if (refuse) {
            repondeur->bouton(QMessageBox::Ok);
            attendus << "Dates incorrectes|Impossible d'enregistrer car certaines dates sont incorrectes.";
        }
        QPointer<mdiSaisie> suivi(fenetre);
        if (clavier) {
            activer();
            t->setFocus();
            QTest::keySequence(t, QKeySequence(fermer ? "Ctrl+F4" : "F5"));
        }
        if (fermer) {
            if (!clavier)
                principale->espaceTravail()->subWindowList().constLast()->close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCOMPARE(!suivi.isNull(), garde);
        } else {
            if (!clavier)
                w<QPushButton>("btAfficher")->click();
            QCOMPARE(t->item(2, 0)->text(), refuse ? "abc" : garde || enregistre ? AVRIL : "");
            QCOMPARE(fenetre->estModifie(), garde);
        }
        QCOMPARE(repondeur->lus(), attendus);
        QCOMPARE(notes().contains("11 P1C1A3 2009-04-03"), enregistre);
        if (refuse) // la première date incorrecte devient la cellule courante
            QCOMPARE(t->currentItem(), t->item(2, 0));
    }

    // Deux élèves choisis avec Ctrl (clics sur leurs noms) : propager et effacer touchent les deux
    // colonnes, en un seul pas à défaire ; copier, couper et coller refusent, sans rien changer.
    void selectionMultiple_data()
    {
        QTest::addColumn<QString>("bouton");
        QTest::addColumn<QString>("refus"); // début du message ; vide : fait
        QTest::addColumn<QString>("attendu");
        const QString avant = "|06/05/2010||||02/01/2011|||";
        const QString d = "01/09/2010";
        ligne("propager", "btPropager", "",
              QStringList{d, "06/05/2010", d, d, "", "02/01/2011", d, "", d}.join('|'));
        ligne("effacer", "btEffacer", "", "|06/05/2010|||||||");
        ligne("copier", "btCopier", "Impossible de copier plusieurs plages", avant);
        ligne("couper", "btCouper", "Impossible de couper plusieurs plages", avant);
        ligne("coller", "btColler", "Impossible de coller dans plusieurs plages", avant);
    }
    void selectionMultiple()
    {
        QFETCH(QString, bouton);
        QFETCH(QString, refus);
        QTableWidget* t = ouvrir();
        const QString avant = textes(t).join('|');
        QHeaderView* noms = t->horizontalHeader();
        for (const auto& [colonne, touches] : {std::pair{0, Qt::NoModifier}, {2, Qt::ControlModifier}})
            QTest::mouseClick(noms->viewport(), Qt::LeftButton, touches,
                              QPoint(noms->sectionViewportPosition(colonne) + 5, 5));
        QCOMPARE(t->selectedRanges().size(), 2);
        QGuiApplication::clipboard()->setText("x\n");
        w<QLineEdit>("edDate")->setText("1/9/10");
        if (!refus.isEmpty())
            repondeur->bouton(QMessageBox::Ok);
        w<QAbstractButton>(bouton.toLatin1())->click();
        QTEST(textes(t).join('|'), "attendu");
        if (!refus.isEmpty()) {
            QVERIFY(repondeur->dernier().texte.startsWith(refus));
            QCOMPARE(QGuiApplication::clipboard()->text(), "x\n");
            QVERIFY(!fenetre->estModifie());
            return;
        }
        QCOMPARE(t->item(t->rowCount() - 1, 2)->text(), bouton == "btPropager" ? "01/09/2010" : "");
        if (bouton == "btPropager")
            QCOMPARE(principale->statusBar()->currentMessage(),
                     QString("Date propagée dans %1 cases.").arg(2 * t->rowCount() - 1));
        QCOMPARE(fenetre->profondeurAnnulation(), 1);
        fenetre->undo();
        QCOMPARE(textes(t).join('|'), avant);
    }

    // Fermer la fenêtre principale : chaque grille modifiée (la seconde a sa date encore dans
    // l'éditeur) pose sa question à son tour, en la nommant, jamais dans les mêmes mots que l'autre,
    // même quand les deux fenêtres montrent la même grille ; « Annuler » arrête tout sans rien perdre.
    void fermeturePrincipale_data()
    {
        QTest::addColumn<QString>("reponses"); // O(ui), N(on), A(nnuler), dans l'ordre des fenêtres
        QTest::addColumn<bool>("fermee");
        QTest::addColumn<QString>("enregistrees"); // numéros des fenêtres enregistrées
        QTest::addColumn<QString>("seconde");      // compétence de la seconde grille
        QTest::addColumn<QStringList>("noms");     // grilles nommées par les questions, dans l'ordre
        const QStringList deux{grille("P1C1"), grille("P1C3")};
        const QStringList memes{grille() + " (fenêtre 1 sur 2)", grille() + " (fenêtre 2 sur 2)"};
        ligne("non, non", "NN", true, "", "P1C3", deux);
        ligne("oui, oui", "OO", true, "12", "P1C3", deux);
        ligne("oui, annuler", "OA", false, "1", "P1C3", deux);
        ligne("non, annuler : rien de perdu", "NA", false, "", "P1C3", deux);
        ligne("annuler à la première", "A", false, "", "P1C3", deux.mid(0, 1));
        ligne("la même grille deux fois", "NN", true, "", "P1C1", memes);
    }
    void fermeturePrincipale()
    {
        QFETCH(QString, reponses);
        QFETCH(bool, fermee);
        QFETCH(QString, enregistrees);
        QFETCH(QString, seconde);
        QFETCH(QStringList, noms);
        taper(ouvrir(), 2, 0, "3/4/09");
        QPointer<mdiSaisie> premiere(fenetre);
        taper(ouvrir(seconde), 0, 0, "5/5/10", false);
        QPointer<mdiSaisie> deuxieme(fenetre);
        repondeur->reponses(reponses);

        QCOMPARE(principale->close(), fermee);
        principale->show();
        QStringList questions;
        for (const Invite::Message& message : repondeur->messages())
            questions << message.titre + "|" + message.texte;
        QStringList attendues;
        for (const QString& nom : std::as_const(noms))
            attendues << "Fermeture|Voulez-vous enregistrer les modifications de la grille " + nom +
                             " avant de la fermer ?";
        QCOMPARE(questions, attendues);
        QCOMPARE(notes().contains("11 P1C1A3 2009-04-03"), enregistrees.contains('1'));
        QCOMPARE(notes().join(' ').contains("2010-05-05"), enregistrees.contains('2'));
        if (fermee)
            return;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); // une grille fermée a disparu
        QVERIFY(premiere && deuxieme);
        QCOMPARE(premiere->estModifie(), !enregistrees.contains('1'));
        // La seconde, interrogée, a sa date dans la grille ; sinon, elle l'a encore dans l'éditeur.
        QCOMPARE(deuxieme->estModifie(), reponses.size() == 2);
        if (reponses.size() == 1)
            QCOMPARE(deuxieme->findChild<QTableWidget*>("table")->findChild<QLineEdit*>()->text(), "5/5/10");
    }

    // Une fonction qui attend que toutes les fenêtres soient fermées nomme celles dont des dates ne
    // sont pas encore enregistrées (la date encore dans l'éditeur comprise), et elles seules.
    void gardeNommeLesGrilles()
    {
        taper(ouvrir(), 2, 0, "3/4/09", false);
        ouvrir("P1C3");
        repondeur->bouton(QMessageBox::Ok);
        principale->findChild<QAction*>("acImporteClasse")->trigger();
        QCOMPARE(
            repondeur->dernierMessage(),
            "Édition|Veuillez d'abord fermer toutes les fenêtres actives.\n\nCette grille a des dates pas "
            "encore enregistrées : enregistrez-la avant de la fermer.\n– " +
                grille());
    }

    // Imprimer, faire le bilan, exporter une classe ou sauvegarder la base se fait d'après la base :
    // une grille modifiée (date encore dans l'éditeur) propose d'enregistrer d'abord, en disant ce
    // qui manquerait ; Annuler n'ouvre pas le dialogue.
    void avantImpression_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("reponse");
        QTest::addColumn<QString>("manque"); // ce que la question dit de ce qui manquerait
        ligne("imprimer : oui", "imprimer", int(B::Yes), "elles ne seraient pas imprimées");
        ligne("imprimer : non", "imprimer", int(B::No), "elles ne seraient pas imprimées");
        ligne("imprimer : annuler", "imprimer", int(B::Cancel), "elles ne seraient pas imprimées");
        ligne("bilan : oui", "bilan", int(B::Yes), "le bilan ne les montrerait pas");
        ligne("exporter une classe : oui", "exporter", int(B::Yes),
              "le fichier exporté ne les contiendrait pas");
        ligne("exporter une classe : annuler", "exporter", int(B::Cancel),
              "le fichier exporté ne les contiendrait pas");
        ligne("sauvegarder la base : non", "sauvegarder", int(B::No),
              "la sauvegarde ne les contiendrait pas");
        ligne("sauvegarder la base : annuler", "sauvegarder", int(B::Cancel),
              "la sauvegarde ne les contiendrait pas");
    }
    void avantImpression()
    {
        QFETCH(QString, action);
        QFETCH(int, reponse);
        QFETCH(QString, manque);
        taper(ouvrir(), 2, 0, "3/4/09", false);
        repondeur->bouton(B(reponse));
        std::shared_ptr<bool> ouvert;
        if (action == "bilan") {
            ouvert = quandDialogue<DiaBilan>([](DiaBilan* d) { d->reject(); }, 500);
            principale->bilanLPC();
        } else if (action == "exporter") {
            ouvert = quandDialogue<diaExporteClasse>([](diaExporteClasse* d) { d->reject(); }, 500);
            principale->exporterClasse();
        } else if (action == "sauvegarder") {
            if (reponse != B::Cancel)
                repondeur->reponses("-K"); // le choix du dossier, annulé, et ce qu'en dit le programme
            principale->sauvegarder();
            ouvert =
                std::make_shared<bool>(repondeur->lus().contains("Annulation|La sauvegarde est annulée"));
        } else {
            ouvert = quandDialogue<diaImprimer>([](diaImprimer* d) { d->reject(); }, 500);
            principale->imprimer();
        }
        QCOMPARE(repondeur->messages().constFirst().titre, "Enregistrer les modifications");
        QVERIFY(repondeur->messages().constFirst().texte.startsWith(
            "Des dates de la grille " + grille() + " ne sont pas encore enregistrées : " + manque));
        QCOMPARE(*ouvert, reponse != B::Cancel);
        QCOMPARE(notes().contains("11 P1C1A3 2009-04-03"), reponse == B::Yes);
        QCOMPARE(fenetre->estModifie(), reponse != B::Yes);
    }

    // Annuler retire le filtre, la réouverture montre le dernier choix, OK sans rien de coché est
    // éteint et le dialogue reste ouvert ; tout se fait au clavier.
    void filtreNiveau()
    {
        QCOMPARE(ouvrir()->columnCount(), 3);
        QStringList vus; // CE1 coché à l'ouverture, puis dialogue resté ouvert
        const auto choisir = [&](bool ce1, bool valider) {
            const auto fait = quandDialogue<diaFiltreNiveau>([&vus, ce1, valider](diaFiltreNiveau* dialogue) {
                // Au clavier : la liste a le focus, flèche vers CE1, Espace coche, Entrée valide.
                auto* liste = dialogue->findChild<QListWidget*>("lwNiveaux");
                vus << QString::number(liste->item(1)->checkState() == Qt::Checked);
                QCOMPARE(QApplication::focusWidget(), liste);
                QTest::keyClick(liste, Qt::Key_Down);
                if ((liste->item(1)->checkState() == Qt::Checked) != ce1)
                    QTest::keyClick(liste, Qt::Key_Space);
                QCOMPARE(liste->item(1)->checkState() == Qt::Checked, ce1);
                // Sans niveau coché, OK est éteint et sa bulle dit pourquoi.
                const QAbstractButton* ok =
                    dialogue->findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Ok);
                QCOMPARE(ok->isEnabled(), ce1);
                QCOMPARE(ok->toolTip().isEmpty(), ce1);
                if (valider)
                    QTest::keyClick(liste, Qt::Key_Return);
                vus.last() += QString::number(dialogue->isVisible());
                if (dialogue->isVisible())
                    dialogue->reject();
            });
            w<QPushButton>("btNiveaux")->click();
            w<QPushButton>("btAfficher")->click();
            return *fait ? w<QTableWidget>("table")->columnCount() : -1;
        };
        QCOMPARE(choisir(true, true), 2);
        QCOMPARE(choisir(false, false), 3);
        QCOMPARE(choisir(false, true), 3);
        QCOMPARE(vus, QStringList({"00", "11", "11"}));
    }
};

QTEST_MAIN(TstSaisie)
#include "tst_saisie.moc"
