#include "app/mainwindow.h"
#include "app/mymdiarea.h"
#include "entry/diafiltreniveau.h"
#include "entry/grilles.h"
#include "entry/mdisaisie.h"
#include "support/dialogues.h"
#include "support/environnement.h"
#include "support/repondeuressai.h"

#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableWidget>
#include <QTest>

// Essais de la saisie par compétence et, par elle, de la mécanique commune des grilles : de
// vraies tables, sans écran, dans une fenêtre principale.
//
// Classe « CE1 A » : DUPONT (CP), BERNARD et MARTIN (CE1), en colonnes dans cet ordre au tri
// par niveau. Lignes de P1C1 : les trois items de « Dire », puis ceux de « Lire »… Au départ
// la grille montre (ligne 0) « », « 06/05/2010 », « » (le texte enregistré pour DUPONT n'est
// pas une date) et (ligne 1) « », « », « 02/01/2011 ».

namespace {
enum : qint64 { MARTIN = 10, DUPONT = 11, BERNARD = 12 };
const QString AVRIL = QStringLiteral("03/04/2005"); // « 3/4/05 » normalisé

qint64 idRef(const QString& ref)
{
    QSqlQuery q(QString("SELECT id_comp FROM competences WHERE ref='%1'").arg(ref));
    return q.next() ? q.value(0).toLongLong() : 0;
}

QStringList notes()
{
    QStringList lignes;
    QSqlQuery q(
        "SELECT id_eleve, (SELECT ref FROM competences c WHERE c.id_comp=n.id_comp), date FROM notes n "
        "ORDER BY id_note");
    while (q.next())
        lignes
            << QString("%1 %2 %3").arg(q.value(0).toString(), q.value(1).toString(), q.value(2).toString());
    return lignes;
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

// Frappe au clavier dans une cellule, validée par Entrée.
void taper(QTableWidget* table, int ligne, int colonne, const QString& texte)
{
    table->setCurrentCell(ligne, colonne);
    QTest::keyClick(table, texte.at(0).toLatin1());
    auto* editeur = table->findChild<QLineEdit*>();
    QVERIFY(editeur);
    QTest::keyClicks(editeur, texte.mid(1));
    QTest::keyClick(editeur, Qt::Key_Return);
    // Le délégué valide l'éditeur au tour suivant de la boucle, puis le détruit.
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
} // namespace

class TstSaisie : public QObject
{
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> dossier;
    std::unique_ptr<MainWindow> principale;
    std::unique_ptr<RepondeurEssai> repondeur;
    mdiSaisie* fenetre = nullptr;

    template <typename T> T* w(const char* nom) { return fenetre->findChild<T*>(nom); }
    QTableWidget* table() { return w<QTableWidget>("table"); }

    // Ouvre une fenêtre par la fenêtre principale et, sur demande, affiche P1C1 de « CE1 A ».
    QTableWidget* ouvrir(int tri = 0, bool afficher = true)
    {
        principale->saisirDates();
        fenetre =
            qobject_cast<mdiSaisie*>(principale->espaceTravail()->subWindowList().constLast()->widget());
        if (afficher) {
            w<QComboBox>("cbClasses")->setCurrentIndex(1);
            w<QComboBox>("cbTri")->setCurrentIndex(tri);
            auto* paliers = w<QComboBox>("cbPaliers");
            paliers->setCurrentIndex(paliers->findData(idRef("P1")));
            auto* competences = w<QComboBox>("cbCompetences");
            competences->setCurrentIndex(competences->findData(idRef("P1C1")));
            w<QPushButton>("btAfficher")->click();
        }
        return table();
    }
    // Fait `action`, qui doit montrer la boîte `titre` / `texte` (réponse OK).
    template <typename Action> void boite(Action action, const QString& titre, const QString& texte)
    {
        repondeur->bouton(QMessageBox::Ok);
        action();
        QVERIFY(!repondeur->messages().isEmpty());
        QCOMPARE(repondeur->dernier().titre, titre);
        QCOMPARE(repondeur->dernier().texte, texte);
    }

private Q_SLOTS:
    void initTestCase()
    {
        Environnement::preparer();
        dossier = Environnement::nouveauDossierDonnees();
        QVERIFY(Environnement::ouvrirBase());
        QVERIFY(Environnement::initialiserBase());
        QSqlQuery q;
        QVERIFY(q.exec("INSERT INTO classes(id_classe,libelle,tri) VALUES(1,'CE1 A',1),(2,'CM2 B',2)"));
        QVERIFY(q.exec(
            "INSERT INTO eleves(id_eleve,id_classe,id_niveau,nom,prenom) VALUES(10,1,2,'MARTIN','Léa'),"
            "(11,1,1,'DUPONT','Paul'),(12,1,2,'BERNARD','Zoé'),(13,2,5,'ROUX','Max')"));
        principale = std::make_unique<MainWindow>();
        principale->resize(1000, 800);
        principale->show();
        QVERIFY(QTest::qWaitFor([this] { return principale->minuterieActions().isActive(); }));
    }
    void init()
    {
        repondeur = std::make_unique<RepondeurEssai>();
        QSqlQuery q;
        QVERIFY(q.exec("DELETE FROM notes"));
        QVERIFY(q.exec(
            QString("INSERT INTO notes(id_eleve,id_comp,date) VALUES(12,%1,'2010-05-06'),(11,%1,'abc'),"
                    "(10,%2,'2011-01-02'),(13,%1,'2010-01-01'),(12,%3,'2009-09-09')")
                .arg(idRef("P1C1A1"))
                .arg(idRef("P1C1A2"))
                .arg(idRef("P1C3A1"))));
    }
    void cleanup()
    {
        qDeleteAll(principale->espaceTravail()->subWindowList()); // sans question de fermeture
        const bool toutServi = repondeur->fileVide();
        repondeur.reset();
        QVERIFY2(toutServi, "des réponses préparées n'ont pas servi");
    }
    void affichage_data()
    {
        QTest::addColumn<int>("tri");
        QTest::addColumn<QList<qint64>>("eleves");
        QTest::addColumn<QString>("premiere");
        QTest::newRow("niveau, nom") << 0 << QList<qint64>{DUPONT, BERNARD, MARTIN} << "DUPONT Paul\nCP";
        QTest::newRow("nom") << 1 << QList<qint64>{BERNARD, DUPONT, MARTIN} << "BERNARD Zoé\nCE1";
    }
    void affichage()
    {
        QFETCH(int, tri);
        QFETCH(QList<qint64>, eleves);
        QFETCH(QString, premiere);
        QTableWidget* t = ouvrir(tri);
        QList<qint64> colonnes;
        for (int c = 0; c < t->columnCount(); ++c) {
            colonnes << t->horizontalHeaderItem(c)->data(Qt::UserRole).toLongLong();
            QCOMPARE(t->horizontalHeaderItem(c)->textAlignment(), int(Qt::AlignBaseline));
        }
        QCOMPARE(colonnes, eleves);
        QCOMPARE(t->horizontalHeaderItem(0)->text(), premiere);
        QVERIFY(t->horizontalHeader()->minimumHeight() >= 100);
        QCOMPARE(t->verticalHeader()->width(), 200);

        // 23 items en six agrégats ; le libellé de l'agrégat sur son premier item seulement.
        QCOMPARE(t->rowCount(), 23);
        QStringList agregats;
        for (int ligne = 0; ligne < 5; ++ligne)
            agregats << t->verticalHeaderItem(ligne)->text().section('|', 0, 0);
        QCOMPARE(agregats, QStringList({"Dire", "", "", "Lire", ""}));
        QVERIFY(t->verticalHeaderItem(1)->text().startsWith("|Participer en classe"));
        QCOMPARE(t->verticalHeaderItem(3)->data(Qt::UserRole).toLongLong(), idRef("P1C1B1"));
        QCOMPARE(t->verticalHeaderItem(3)->textAlignment(), int(Qt::AlignBaseline));

        // Le texte « abc » enregistré pour DUPONT n'est pas une date : cellule vide.
        const int dupont = int(eleves.indexOf(DUPONT)), bernard = int(eleves.indexOf(BERNARD));
        QCOMPARE(t->item(0, dupont)->text(), "");
        QCOMPARE(t->item(0, bernard)->text(), "06/05/2010");
        QCOMPARE(t->item(0, bernard)->textAlignment(), int(Qt::AlignCenter));
        QCOMPARE(t->item(0, bernard)->data(Grilles::ROLE_INVALIDE).toInt(), 0);
        QVERIFY(!fenetre->estModifie() && !fenetre->occupe() && fenetre->rienARefaire());

        QStringList menu;
        for (const QAction* action : t->actions())
            menu << action->text();
        QCOMPARE(menu, QStringList({"Couper", "Copier", "Coller", "Effacer", "Défaire", "Refaire",
                                    "Propager la date dans la sélection"}));
        QVERIFY(w<QPushButton>("btNiveaux")->toolTip().contains("sélectionnez ceux à affichier."));
    }

    void saisie_data()
    {
        QTest::addColumn<QString>("tape");
        QTest::addColumn<QString>("attendu");
        QTest::addColumn<bool>("invalide");
        QTest::newRow("date") << "3/4/05" << AVRIL << false;
        QTest::newRow("date partielle")
            << "5/6" << QDate(QDate::currentDate().year(), 6, 5).toString("dd/MM/yyyy") << false;
        QTest::newRow("mot") << "abc"
                             << "abc" << true;
    }
    void saisie()
    {
        QFETCH(QString, tape);
        QFETCH(QString, attendu);
        QFETCH(bool, invalide);
        QTableWidget* t = ouvrir();
        taper(t, 2, 1, tape);
        QTableWidgetItem* cellule = t->item(2, 1);
        QCOMPARE(cellule->text(), attendu);
        QCOMPARE(cellule->data(Grilles::ROLE_INVALIDE).toInt(), invalide ? 1 : 0);
        QCOMPARE(cellule->foreground().color(), invalide ? QColor(Qt::red) : QColor(Qt::black));
        QVERIFY(fenetre->estModifie());
        QCOMPARE(fenetre->profondeurAnnulation(), 1);

        // La minuterie règle les boutons de la fenêtre active et les actions de la principale.
        principale->espaceTravail()->setActiveSubWindow(
            principale->espaceTravail()->subWindowList().constLast());
        fenetre->timeOut();
        QVERIFY(w<QPushButton>("btEnregistrer")->isEnabled() && principale->actionUndo()->isEnabled());

        fenetre->undo();
        QCOMPARE(cellule->text(), "");
        QCOMPARE(fenetre->profondeurAnnulation(), 0);
        fenetre->yank();
        QCOMPARE(cellule->text(), attendu);
        QCOMPARE(fenetre->profondeurAnnulation(), 1);
    }

    void copie()
    {
        QTableWidget* t = ouvrir();
        for (const auto& [plage, presse] :
             {std::pair{zone(0, 0, 2, 1), QString("\t06/05/2010\t\n\t\t02/01/2011\n")},
              std::pair{zone(0, 0, 0, 0), QString("\n")}}) {
            selectionner(t, plage);
            QGuiApplication::clipboard()->clear();
            fenetre->copier();
            QCOMPARE(QGuiApplication::clipboard()->text(), presse);
        }
        QVERIFY(!fenetre->estModifie());
    }

    void collage_data()
    {
        QTest::addColumn<QString>("presse");
        QTest::addColumn<QRect>("selection");
        QTest::addColumn<QStringList>("attendus"); // lignes et colonnes 0 à 2 ; vide : refusé
        const QString bloc = "1/1/10\t2/1/10\t3/1/10\n4/1/10\t\tabc\n";
        QTest::newRow("une cellule") << "1/2/10\tabc\n\t3/4/05\n"
                                     << zone(1, 0, 1, 0)
                                     << QStringList{"", "01/02/2010", "abc", "", "", AVRIL, "", "", ""};
        QTest::newRow("même taille") << bloc << zone(0, 1, 2, 2)
                                     << QStringList{"",           "06/05/2010", "",
                                                    "01/01/2010", "02/01/2010", "03/01/2010",
                                                    "04/01/2010", "",           "abc"};
        QTest::newRow("taille différente") << bloc << zone(0, 1, 1, 2) << QStringList();
        QTest::newRow("dernière colonne") << "1/1/10\t2/1/10\n" << zone(2, 0, 2, 0) << QStringList();
        QTest::newRow("lignes courtes")
            << "1/1/10\t2/1/10\t3/1/10\n\n4/1/10\n7/1/10\t8/1/10\t9/1/10\tx\n"
            << zone(0, 0, 0, 0) << QStringList{"01/01/2010", "02/01/2010", "03/01/2010", "04/01/2010", "",
                                               "",           "07/01/2010", "08/01/2010", "09/01/2010"};
    }
    void collage()
    {
        QFETCH(QString, presse);
        QFETCH(QRect, selection);
        QFETCH(QStringList, attendus);
        QTableWidget* t = ouvrir();
        const QStringList avant = textes(t);
        QGuiApplication::clipboard()->setText(presse);
        selectionner(t, selection);
        if (attendus.isEmpty()) {
            boite([this] { fenetre->coller(); }, "Coller",
                  "Impossible de coller car la plage sélectionnée n'a pas la même taille que "
                  "celle dans le presse-papier.");
            QCOMPARE(textes(t), avant);
            QVERIFY(!fenetre->estModifie());
            taper(t, 2, 0, "3/4/05"); // la grille reste éditable après le refus
            QCOMPARE(t->item(2, 0)->text(), AVRIL);
            QVERIFY(fenetre->estModifie());
            return;
        }
        fenetre->coller();
        QCOMPARE(textes(t), attendus);
        QVERIFY(fenetre->estModifie());
        QCOMPARE(fenetre->profondeurAnnulation(), 1);
        fenetre->undo();
        QCOMPARE(textes(t), avant);
        fenetre->yank();
        QCOMPARE(textes(t), attendus);
    }

    void propagation_data()
    {
        QTest::addColumn<QString>("date");
        QTest::addColumn<QStringList>("attendus");
        QTest::newRow("date courte") << "1/9/10" << QStringList{"01/09/2010", "06/05/2010", "abc"};
        QTest::newRow("date incorrecte") << "32/13/10" << QStringList{"", "06/05/2010", "abc"};
    }
    void propagation()
    {
        QFETCH(QString, date);
        QFETCH(QStringList, attendus);
        QTableWidget* t = ouvrir();
        taper(t, 0, 2, "abc");
        auto* edDate = w<QLineEdit>("edDate");
        QCOMPARE(edDate->text(), QDate::currentDate().toString("dd/MM/yyyy"));
        edDate->setText(" " + date + " ");
        QTest::keyClick(edDate, Qt::Key_Return); // fin d'édition : le champ est normalisé
        selectionner(t, zone(0, 0, 2, 0));
        const bool refus = attendus.first().isEmpty();
        const auto propager = [this] { w<QAbstractButton>("btPropager")->click(); };
        if (refus)
            boite(propager, "Erreur", "Format de date incorrect.");
        else
            propager();
        QCOMPARE(textes(t, zone(0, 0, 2, 0)), attendus);
        QCOMPARE(t->item(0, 2)->data(Grilles::ROLE_INVALIDE).toInt(), 1);
        QCOMPARE(edDate->text(), refus ? date : "01/09/2010");
        if (refus)
            return;
        fenetre->undo();
        QCOMPARE(textes(t, zone(0, 0, 2, 0)), QStringList({"", "06/05/2010", "abc"}));
    }

    void enregistrement()
    {
        // (Le refus pour une date incorrecte : voir questions().) Création (DUPONT), modification (BERNARD),
        // suppression (MARTIN) ; l'enregistrement de DUPONT qui n'était pas une date, montré vide, est
        // supprimé aussi.
        QTableWidget* t = ouvrir();
        taper(t, 1, 0, "7/7/10");
        taper(t, 0, 1, "8/8/10");
        selectionner(t, zone(2, 1, 2, 1));
        fenetre->effacer();
        QVERIFY(fenetre->enregistrer());
        const QStringList apres{"12 P1C1A1 2010-08-08", "13 P1C1A1 2010-01-01", "12 P1C3A1 2009-09-09",
                                "11 P1C1A2 2010-07-07"};
        QCOMPARE(notes(), apres);
        QVERIFY(!fenetre->estModifie() && fenetre->rienARefaire());
        QCOMPARE(fenetre->profondeurAnnulation(), 0);
        QVERIFY(fenetre->enregistrer()); // un second enregistrement réécrit les mêmes dates
        QCOMPARE(notes(), apres);

        // Une transaction impossible à ouvrir : rien d'écrit, les modifications restent.
        taper(t, 2, 2, "9/9/10");
        QVERIFY(QSqlDatabase::database().transaction());
        QVERIFY(!fenetre->enregistrer());
        QVERIFY(QSqlDatabase::database().rollback());
        QVERIFY(fenetre->estModifie());
        QCOMPARE(notes(), apres);
    }

    void questions_data()
    {
        QTest::addColumn<bool>("fermer");
        QTest::addColumn<QString>("tape"); // vide : pas de modification, pas de question
        QTest::addColumn<int>("bouton");
        QTest::addColumn<bool>("garde"); // fenêtre restée ouverte, ou grille non rechargée
        QTest::addColumn<bool>("enregistre");
        QTest::newRow("fermer sans modification")
            << true << "" << int(QMessageBox::NoButton) << false << false;
        QTest::newRow("fermer oui refusé") << true << "abc" << int(QMessageBox::Yes) << true << false;
        QTest::newRow("fermer oui") << true << "3/4/05" << int(QMessageBox::Yes) << false << true;
        QTest::newRow("fermer non") << true << "3/4/05" << int(QMessageBox::No) << false << false;
        QTest::newRow("fermer annuler") << true << "3/4/05" << int(QMessageBox::Cancel) << true << false;
        QTest::newRow("recharger oui refusé") << false << "abc" << int(QMessageBox::Yes) << true << false;
        QTest::newRow("recharger oui") << false << "3/4/05" << int(QMessageBox::Yes) << false << true;
        QTest::newRow("recharger non") << false << "3/4/05" << int(QMessageBox::No) << false << false;
        QTest::newRow("recharger annuler") << false << "3/4/05" << int(QMessageBox::Cancel) << true << false;
    }
    void questions()
    {
        QFETCH(bool, fermer);
        QFETCH(QString, tape);
        QFETCH(int, bouton);
        QFETCH(bool, garde);
        QFETCH(bool, enregistre);
        QTableWidget* t = ouvrir();
        QStringList attendus;
        if (!tape.isEmpty()) {
            taper(t, 2, 0, tape);
            repondeur->bouton(QMessageBox::StandardButton(bouton));
            attendus << (fermer
                             ? "Fermeture : Voulez-vous enregistrer les modifications avant de quitter ?"
                             : "Enregistrer les modifications : Voulez-vous enregistrer les modifications ?");
        }
        if (bouton == QMessageBox::Yes && !enregistre) {
            repondeur->bouton(QMessageBox::Ok);
            attendus << "Dates incorrectes : Impossible d'enregistrer car certaines dates sont incorrectes.";
        }
        const QString tapee = t->item(2, 0)->text();

        QPointer<mdiSaisie> suivi(fenetre);
        if (fermer) {
            principale->espaceTravail()->subWindowList().constLast()->close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCOMPARE(!suivi.isNull(), garde);
        } else {
            w<QPushButton>("btAfficher")->click();
            QCOMPARE(t->item(2, 0)->text(), garde ? tapee : enregistre ? AVRIL : "");
            QCOMPARE(fenetre->estModifie(), garde);
            taper(t, 3, 0, "3/4/05"); // la grille reste éditable
            QCOMPARE(t->item(3, 0)->text(), AVRIL);
        }
        QStringList messages;
        for (const Invite::Message& message : repondeur->messages())
            messages << message.titre + " : " + message.texte;
        QCOMPARE(messages, attendus);
        QCOMPARE(notes().contains("11 P1C1A3 2005-04-03"), enregistre);
    }

    void filtreNiveau()
    {
        QCOMPARE(ouvrir()->columnCount(), 3);
        auto* classes = w<QComboBox>("cbClasses");
        auto* bouton = w<QPushButton>("btNiveaux");
        classes->setCurrentIndex(0);
        boite([bouton] { bouton->click(); }, "Choix des niveaux",
              "Choisissez d'abord une classe dans la liste déroulante");

        classes->setCurrentIndex(1);
        const auto colonnes = [this] {
            w<QPushButton>("btAfficher")->click();
            return table()->columnCount();
        };
        // Ouvre le dialogue, note ce que montre la liste, coche le seul niveau `coche` et
        // valide (ou annule) ; note si le dialogue est resté ouvert.
        QStringList vus;
        const auto choisir = [&](const QString& coche, bool valider) {
            const auto fait =
                quandDialogue<diaFiltreNiveau>([&vus, coche, valider](diaFiltreNiveau* dialogue) {
                    auto* liste = dialogue->findChild<QListWidget*>("lwNiveaux");
                    QString vu;
                    for (int i = 0; i < liste->count(); ++i) {
                        QListWidgetItem* entree = liste->item(i);
                        vu += entree->text() + (entree->checkState() == Qt::Checked ? "+ " : "- ");
                        entree->setCheckState(entree->text() == coche ? Qt::Checked : Qt::Unchecked);
                    }
                    if (valider)
                        dialogue->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
                    vus << vu + (dialogue->isVisible() ? "ouvert" : "fermé");
                    if (dialogue->isVisible())
                        dialogue->reject();
                });
            bouton->click();
            return *fait;
        };
        QVERIFY(choisir("CE1", true));
        QCOMPARE(colonnes(), 2);
        classes->setCurrentIndex(2); // le changement de classe vide le filtre
        classes->setCurrentIndex(1);
        QCOMPARE(colonnes(), 3);
        QVERIFY(choisir("CE1", true));
        QCOMPARE(colonnes(), 2);
        QVERIFY(choisir("CE1", false)); // annulé : plus de filtre, mais le choix reste coché
        QCOMPARE(colonnes(), 3);
        QVERIFY(choisir("", true)); // rien de coché : le dialogue reste ouvert
        QCOMPARE(vus,
                 QStringList({"CP- CE1- fermé", "CP- CE1+ fermé", "CP- CE1+ ouvert", "CP- CE1+ ouvert"}));
    }

    void choixPalier()
    {
        ouvrir(0, false);
        auto* paliers = w<QComboBox>("cbPaliers");
        auto* competences = w<QComboBox>("cbCompetences");
        QCOMPARE(paliers->itemText(0), "Choisissez un palier");
        QCOMPARE(competences->itemText(0), "Choisissez d'abord un palier");
        QCOMPARE(w<QComboBox>("cbClasses")->itemText(2), "CM2 B");

        paliers->setCurrentIndex(paliers->findData(idRef("P2")));
        QCOMPARE(competences->count(), 7);
        QCOMPARE(competences->currentData().toLongLong(), idRef("P2C1"));
        const auto afficher = [this] { w<QPushButton>("btAfficher")->click(); };
        boite(afficher, "Classe", "Veuillez choisir une classe");

        w<QComboBox>("cbClasses")->setCurrentIndex(1);
        paliers->setCurrentIndex(0);
        QCOMPARE(competences->count(), 1);
        QCOMPARE(competences->currentData().toLongLong(), 0);
        boite(afficher, "Compétences", "Veuillez choisir une compétence");
        QCOMPARE(table()->columnCount(), 0);
    }
};

QTEST_MAIN(TstSaisie)
#include "tst_saisie.moc"
