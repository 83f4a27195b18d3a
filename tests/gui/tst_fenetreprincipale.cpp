// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/commun/application.h"
#include "core/commun/dossierdepart.h"
#include "core/commun/motdepasse.h"
#include "core/db/schema.h"
#include "gui/commun/diawait.h"
#include "gui/commun/mystyle.h"
#include "gui/entry/mdibase.h"
#include "gui/entry/mdisaisie.h"
#include "gui/exchange/diaexporteclasse.h"
#include "gui/mainwindow/mainwindow.h"
#include "gui/mainwindow/mymdiarea.h"
#include "gui/pupils/diaimporteeleves.h"
#include "gui/report/diabilan.h"
#include "gui/settings/diaparam.h"
#include "support/clavier.h"
#include "support/dialogues.h"
#include "support/donnees.h"
#include "support/environnement.h"
#include "support/repondeuressai.h"
#include "support/sql.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QHeaderView>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QScopeGuard>
#include <QSettings>
#include <QSqlQuery>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Fenêtre principale dont l'initialisation du premier démarrage se contente d'être notée ;
// celle demandée par le menu suit son cours.
class FenetreEssai : public MainWindow
{
public:
    QList<bool> initialisations;
    void initialiser(bool premierDemarrage) override
    {
        initialisations.append(premierDemarrage);
        if (!premierDemarrage)
            MainWindow::initialiser(premierDemarrage);
    }
};

// Petite fenêtre de saisie qui note les opérations reçues.
class SaisieEssai : public MdiBase
{
public:
    explicit SaisieEssai(MainWindow& principale) : MdiBase(principale, &principale) {}
    QStringList operations;
    bool chargerListes() override { return true; }
    bool enregistrer() override { return true; }
    void copier() override { operations << "copier"; }
    void coller() override { operations << "coller"; }
    void couper() override { operations << "couper"; }
    void effacer() override { operations << "effacer"; }
    void undo() override { operations << "undo"; }
    void yank() override { operations << "yank"; }
    void occuper(bool oui)
    {
        delete attente;
        attente = oui ? new diaWait(this) : nullptr;
    }
};

void fixerMotDePasse(const QByteArray& empreinte)
{
    QSettings().setValue(MotDePasse::CLE_REGLAGES, empreinte);
}

} // namespace

class TstFenetrePrincipale : public QObject
{
    Q_OBJECT
    Environnement::Dossier dossier;
    std::unique_ptr<RepondeurEssai> repondeur;
    std::unique_ptr<FenetreEssai> fenetre;

    // Ouvre une fenêtre principale de 650 × 500 sur une base neuve, son contrôle de version
    // fait (il part au premier tour de la boucle d'événements).
    bool ouvrirPrincipale()
    {
        if (!Environnement::poserSchema())
            return false;
        fenetre = std::make_unique<FenetreEssai>();
        fenetre->resize(650, 500);
        fenetre->show();
        QCoreApplication::processEvents();
        return fenetre->initialisations.isEmpty();
    }

private Q_SLOTS:
    void initTestCase() { Environnement::preparer(); }
    void init()
    {
        dossier = Environnement::nouveauDossierDonnees();
        QVERIFY(Environnement::ouvrirBase());
        repondeur = std::make_unique<RepondeurEssai>();
        fixerMotDePasse(QByteArray());
    }
    void cleanup()
    {
        fenetre.reset();
        repondeur.reset();
    }

    void menusEtActions()
    {
        QVERIFY(ouvrirPrincipale());
        FenetreEssai& f = *fenetre;
        QCOMPARE(f.windowTitle(), QStringLiteral("Quorvel"));
        const QList<QAction*> actions = f.findChildren<QAction*>(QRegularExpression("^ac"));
        QCOMPARE(actions.size(), 28);
        // Chaque action qui a une icône la trouve dans les ressources.
        for (QAction* action : actions)
            QVERIFY2(action->objectName() == "acJeuEssai" || !action->icon().isNull(),
                     qPrintable(action->objectName()));

        // Les textes tels qu'ils se lisent (la lettre soulignée n'en change pas un caractère).
        const auto contenu = [](const QList<QAction*>& entrees) {
            QStringList textes;
            for (QAction* action : entrees)
                textes << (action->isSeparator() ? QStringLiteral("-") : QString(action->text()).remove('&'));
            return textes;
        };
        QCOMPARE(contenu(f.menuBar()->actions()),
                 QStringList({"Fichiers", "Saisies", "Édition", "Fenêtres", "LPC", "Aide"}));
        QCOMPARE(contenu(f.findChild<QMenu*>("menuFichiers")->actions()),
                 QStringList(
                     {"Import/export", "Base de données", "Mot de passe...", "Imprimer...", "Options..."}));
        QCOMPARE(contenu(f.findChild<QMenu*>("menuSauvegardes")->actions()),
                 QStringList({"Initialiser la base de données...", "-",
                              "Sauvegarder la base de données entière...",
                              "Restaurer la base de données entière..."}));
        QCOMPARE(contenu(f.findChild<QMenu*>("menuEdition")->actions()),
                 QStringList({"Couper", "Copier", "Coller", "Effacer", "-", "Défaire"}));
        QCOMPARE(f.actionEffacer()->shortcut(), QKeySequence(QKeySequence::Delete));
    }

    void controleVersion_data()
    {
        QTest::addColumn<QStringList>("preparation");
        QTest::addColumn<bool>("avertissement");
        QTest::addColumn<bool>("initialisation");
        const auto general = [](int version) {
            return QStringList{
                "CREATE TABLE general(id INTEGER PRIMARY KEY, ecole TEXT, langue_defaut TINYTEXT, "
                "version INTEGER)",
                QString("INSERT INTO general VALUES(1,'','allemand',%1)").arg(version)};
        };
        // Tout fichier sans ligne 1 dans general est à initialiser, comme un fichier neuf.
        ligne("fichier neuf", QStringList(), false, true);
        ligne("table general vide", general(3).mid(0, 1), false, true);
        ligne("sans ligne 1",
              QStringList{general(3).first(), "INSERT INTO general VALUES(2,'','allemand',3)"}, false, true);
        ligne("fichier étranger", QStringList{"CREATE TABLE clients(id INTEGER)"}, false, true);
        ligne("version 2", general(2), true, true);
        ligne("version 3", general(3), false, false);
    }
    void controleVersion()
    {
        QFETCH(QStringList, preparation);
        QFETCH(bool, avertissement);
        QFETCH(bool, initialisation);
        QSqlQuery requete;
        for (const QString& instruction : preparation)
            QVERIFY(requete.exec(instruction));
        if (avertissement)
            repondeur->bouton(QMessageBox::Ok);

        fenetre = std::make_unique<FenetreEssai>();
        QVERIFY(fenetre->initialisations.isEmpty()); // au premier tour de la boucle seulement
        QCoreApplication::processEvents();

        QCOMPARE(fenetre->initialisations, initialisation ? QList<bool>{true} : QList<bool>{});
        QCOMPARE(repondeur->lus(),
                 avertissement ? QStringList{"Version incorrecte|La base de données semble avoir une version "
                                             "incompatible (2) avec ce logiciel (3). Une réinitialisation va "
                                             "avoir lieu."}
                               : QStringList());
        if (avertissement)
            QCOMPARE(int(repondeur->dernier().genre), int(Invite::Genre::Avertissement));
    }

    // Une base posée par l'ancien livret reçoit le texte national au démarrage, une seule fois,
    // après une copie de sécurité datée ; l'avis nomme les neuf items dont le sens a changé, avec
    // le nombre d'élèves qui y ont une date, et dit où est la copie. La grille montre ensuite les
    // items dans l'ordre du texte national, chacun avec ses dates.
    void livretAncien()
    {
        QVERIFY(Environnement::initialiserBase(QFINDTESTDATA("../donnees/livrets-ancien.csv")));
        Sql::valeur("INSERT INTO classes(id_classe, libelle, tri) VALUES(1, 'CM2', 1)");
        Sql::valeur(
            "INSERT INTO eleves(id_eleve, id_classe, id_niveau, nom, prenom) VALUES(1, 1, 5, 'DUPONT', "
            "'Léa'), (2, 1, 5, 'MARTIN', 'Noé')");
        Sql::valeur("INSERT INTO notes(id_eleve, id_comp, date) SELECT e.id_eleve, c.id_comp, '2011-06-14' "
                    "FROM eleves e, competences c WHERE c.ref IN ('P2C5A1', 'P2C5D4') AND (e.id_eleve = 1 OR "
                    "c.ref = 'P2C5A1')");
        Sql::valeur(
            "INSERT INTO notes(id_eleve, id_comp, date) SELECT 1, id_comp, '2011-06-15' FROM competences "
            "WHERE ref = 'P2C5D5'");
        const QStringList dates =
            Sql::lignes("SELECT n.id_eleve, c.ref, n.date FROM notes n JOIN competences c "
                        "ON c.id_comp = n.id_comp ORDER BY n.id_note");
        repondeur->bouton(QMessageBox::Ok);
        fenetre = std::make_unique<FenetreEssai>();
        QTRY_VERIFY(fenetre->demarrageTermine());

        QCOMPARE(repondeur->lus().size(), 1);
        const Invite::Message avis = repondeur->dernier();
        QCOMPARE(int(avis.genre), int(Invite::Genre::Information));
        QCOMPARE(avis.titre, QStringLiteral("Livret mis à jour"));
        const QStringList copies = QDir(dossier->path()).entryList({"QuorvelV3.sqlite.*.avant-mise-a-jour"});
        QCOMPARE(copies.size(), 1);
        const QStringList lignesAvis = avis.texte.split('\n');
        QStringList items = lignesAvis.filter(QRegularExpression("^• "));
        QCOMPARE(
            items,
            (QStringList{
                "• palier 1, compétence 3 : « Situer un objet par rapport à soi ou à un autre objet, "
                "donner sa position et décrire son déplacement » (aucune date)",
                "• palier 2, compétence 2 : « Comprendre des mots familiers et des expressions très "
                "courantes » (aucune date)",
                "• palier 2, compétence 2 : « Utiliser des expressions et des phrases proches des "
                "modèles rencontrés lors des apprentissages » (aucune date)",
                "• palier 2, compétence 2 : « Produire de manière autonome quelques phrases » (aucune "
                "date)",
                "• palier 2, compétence 5 : « Identifier les périodes de l\u2019histoire au programme » "
                "(2 élèves ont une date)",
                "• palier 2, compétence 5 : « Connaître et mémoriser les principaux repères "
                "chronologiques (événements et personnages) » (aucune date)",
                "• palier 2, compétence 5 : « Comprendre une ou deux questions liées au développement "
                "durable et agir en conséquence (l\u2019eau dans la commune, la réduction et le recyclage "
                "des déchets) » (aucune date)",
                "• palier 2, compétence 5 : « Reconnaître et décrire des œuvres préalablement "
                "étudiées » (aucune date)",
                "• palier 2, compétence 5 : « Pratiquer le dessin et diverses formes d\u2019expressions "
                "visuelles et plastiques » (aucune date)"}));
        QVERIFY2(avis.texte.contains("(palier 2, compétence 5 ; palier 2, compétence 6)"),
                 qPrintable(avis.texte));
        QVERIFY2(avis.texte.endsWith(QDir::toNativeSeparators(dossier->filePath(copies.first()))),
                 qPrintable(avis.texte));
        // La base a le texte nouveau, la copie l'ancien ; les dates n'ont pas bougé.
        QCOMPARE(Sql::lignes("SELECT n.id_eleve, c.ref, n.date FROM notes n JOIN competences c "
                             "ON c.id_comp = n.id_comp ORDER BY n.id_note"),
                 dates);
        const QString lecture = QStringLiteral("SELECT libelle FROM competences WHERE ref = 'P2C5A1'");
        QCOMPARE(Sql::lignes(lecture),
                 QStringList{"Identifier les périodes de l\u2019histoire au programme"});
        QVERIFY(Sql::surFichier(dossier->filePath(copies.first()), {lecture})
                    .value(0)
                    .startsWith("Identifier les principales périodes"));

        fenetre->saisirDates();
        auto* saisie =
            qobject_cast<mdiSaisie*>(fenetre->espaceTravail()->subWindowList().constLast()->widget());
        QVERIFY(saisie);
        saisie->findChild<QComboBox*>("cbClasses")->setCurrentIndex(1);
        for (const auto& [liste, ref] : {std::pair{"cbPaliers", "P2"}, std::pair{"cbCompetences", "P2C5"}}) {
            auto* choix = saisie->findChild<QComboBox*>(liste);
            choix->setCurrentIndex(choix->findData(Sql::idRef(ref)));
        }
        saisie->findChild<QPushButton*>("btAfficher")->click();
        auto* grille = saisie->findChild<QTableWidget*>("table");
        QStringList arts; // l'item et la date de DUPONT, domaine « Pratiquer les arts… »
        for (int ligne = 0; ligne < grille->rowCount(); ++ligne)
            if (const QString lue = Clavier::cellule(grille, ligne, 0); lue.contains(" | Pratiquer les arts"))
                arts << lue.section(" : ", 1).section(" | ", 0, 1).left(30) + "|" + lue.section(" | ", 2, 2);
        QCOMPARE(arts,
                 (QStringList{"Distinguer les grandes catégor|", "Reconnaître et décrire des œuv|",
                              "Pratiquer le dessin et diverse|", "Interpréter de mémoire une cha|15/06/2011",
                              "Inventer et réaliser des texte|14/06/2011"}));
        qDeleteAll(fenetre->espaceTravail()->subWindowList());

        // Au démarrage suivant, plus rien à faire : ni avis ni nouvelle copie.
        fenetre.reset();
        fenetre = std::make_unique<FenetreEssai>();
        QTRY_VERIFY(fenetre->demarrageTermine());
        QTest::qWait(20);
        QCOMPARE(repondeur->lus().size(), 1);
        QCOMPARE(QDir(dossier->path()).entryList({"*.avant-mise-a-jour"}).size(), 1);
    }

    void motDePasse_data()
    {
        QTest::addColumn<QByteArray>("stockee");
        QTest::addColumn<QStringList>("saisies"); // "<annuler>" annule la boîte
        QTest::addColumn<bool>("accorde");
        QTest::addColumn<int>("erreurs");

        const QByteArray secret = MotDePasse::empreinte(QStringLiteral("Écolier"));
        ligne("aucun mot de passe", QByteArray(), QStringList(), true, 0);
        ligne("bon mot de passe", secret, QStringList{"Écolier"}, true, 0);
        ligne("autre casse, puis vide", secret, QStringList{"écolier", ""}, false, 1);
        ligne("faux puis bon", secret, QStringList{"ecolier", "x", "Écolier"}, true, 2);
        ligne("réponse vide", secret, QStringList{""}, false, 0);
        ligne("annulation", secret, QStringList{"<annuler>"}, false, 0);
        ligne("empreinte en majuscules", secret.toUpper(), QStringList{"Écolier", ""}, false, 1);
    }
    void motDePasse()
    {
        QFETCH(QByteArray, stockee);
        QFETCH(QStringList, saisies);
        QFETCH(bool, accorde);
        QFETCH(int, erreurs);
        QVERIFY(ouvrirPrincipale());
        fixerMotDePasse(stockee);
        for (int i = 0; i < saisies.size(); ++i) {
            if (saisies.at(i) == "<annuler>")
                repondeur->annulation();
            else
                repondeur->texteSaisi(saisies.at(i));
            if (i + 1 < saisies.size())
                repondeur->bouton(QMessageBox::Ok);
        }
        QCOMPARE(fenetre->accesAutorise(), accorde);
        QCOMPARE(repondeur->lus(), QStringList(erreurs, "Erreur !|Mot de passe incorrect !"));
    }

    // Les actions qui remplacent la base ou ses listes attendent que toutes les fenêtres soient
    // fermées ; le mot de passe n'est demandé qu'après cette garde : aucune saisie n'est préparée.
    void gardeFenetresOuvertes_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("titre");
        for (const auto& [action, titre] : {std::pair{"acInitialise", "Initialisation"},
                                            {"acImportEleves", "Importation d'élèves"},
                                            {"acEdite", "Édition"},
                                            {"acAjouterEleves", "Ajout d'élèves"},
                                            {"acImport", "Édition"},
                                            {"acImporteClasse", "Édition"}})
            ligne(action, action, titre);
    }
    void gardeFenetresOuvertes()
    {
        QFETCH(QString, action);
        QFETCH(QString, titre);
        QVERIFY(ouvrirPrincipale());
        fixerMotDePasse(MotDePasse::empreinte(QStringLiteral("secret")));
        fenetre->placerSousFenetre(new SaisieEssai(*fenetre));
        QVERIFY(fenetre->espaceTravail()->activeSubWindow());
        repondeur->bouton(QMessageBox::Ok);
        fenetre->findChild<QAction*>(action)->trigger();
        QCOMPARE(repondeur->lus(),
                 QStringList{titre + "|Veuillez d'abord fermer toutes les fenêtres actives."});
    }

    // Chaque choix de fichier ou de dossier, qu'il vienne d'un menu ou d'un dialogue, s'ouvre dans
    // le dernier dossier utilisé (la règle elle-même, Documents et dossier personnel compris :
    // tests/core/tst_dossierdepart).
    void dossierDepart_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("propose"); // fichier proposé dans ce dossier ; vide : le dossier
        ligne("importer une classe", "acImporteClasse", "");
        ligne("sauvegarder la base", "acExport", "");
        ligne("restaurer la base", "acImport", "");
        ligne("importer des élèves", "acImportEleves", "");
        ligne("exporter une classe", "acExporterClasse", "CE1 A.xml");
        ligne("enregistrer le bilan", "acBilan", "CE1 A.html");
        ligne("second dossier des copies", "acOptions", "");
    }
    void dossierDepart()
    {
        QFETCH(QString, action);
        QFETCH(QString, propose);
        QVERIFY(Environnement::nouvelleBase(dossier));
        Sql::valeur("INSERT INTO classes(id_classe,libelle,tri) VALUES(1,'CE1 A',1)");
        fenetre = std::make_unique<FenetreEssai>();
        fenetre->show();
        QCoreApplication::processEvents();
        QTemporaryDir utilise;
        DossierDepart::retenir(utilise.path());
        const auto choisirPuisFermer = [this](QDialog* d, const char* bouton) {
            repondeur->annulation();
            d->findChild<QAbstractButton*>(bouton)->click();
            d->reject();
        };
        std::shared_ptr<bool> ouvert = std::make_shared<bool>(true);
        if (action == "acImportEleves") {
            ouvert = quandDialogue<diaImporteEleves>(
                [&](diaImporteEleves* d) { choisirPuisFermer(d, "btParcourir"); });
        } else if (action == "acOptions") {
            ouvert = quandDialogue<diaParam>([&](diaParam* d) { choisirPuisFermer(d, "btParcourir"); });
        } else if (action == "acExporterClasse") {
            ouvert = quandDialogue<diaExporteClasse>([&](diaExporteClasse* d) {
                d->findChild<QComboBox*>("cbPalier")->setCurrentIndex(1);
                repondeur->annulation();
                d->findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Ok)->click();
                d->reject();
            });
        } else if (action == "acBilan") {
            ouvert = quandDialogue<DiaBilan>([&](DiaBilan* d) {
                d->findChild<QComboBox*>("cbClasse")->setCurrentIndex(0);
                d->findChild<QComboBox*>("cbPalier")->setCurrentIndex(0);
                d->findChild<QAbstractButton*>("btActualiser")->click();
                repondeur->annulation();
                d->findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Save)->click();
                d->reject();
            });
        } else {
            repondeur->annulation();
            if (action == "acExport")
                repondeur->bouton(QMessageBox::Ok); // « La sauvegarde est annulée »
        }
        fenetre->findChild<QAction*>(action)->trigger();
        QVERIFY(*ouvert);
        QCOMPARE(repondeur->departs(),
                 QStringList{propose.isEmpty() ? utilise.path() : utilise.filePath(propose)});
        DossierDepart::oublier();
    }

    void placementEnCascade()
    {
        QVERIFY(ouvrirPrincipale());
        FenetreEssai& f = *fenetre;
        const int largeur = std::max(200, (2 * (f.width() - 1) + 2) / 3);
        const int hauteur = std::max(200, (2 * (f.height() - 1) + 2) / 3);
        int x = 0;
        int y = 0;
        for (int i = 0; i < 30; ++i, x += 10, y += 10) {
            QMdiSubWindow* sf = f.placerSousFenetre(new SaisieEssai(f));
            x = x + largeur > f.width() - 1 ? 0 : x;
            y = y + hauteur > f.height() - 1 ? 0 : y;
            QCOMPARE(sf->geometry(), QRect(x, y, largeur, hauteur));
            QVERIFY(sf->testAttribute(Qt::WA_DeleteOnClose));
        }
        // Les deux retours au bord ont bien eu lieu (à la 23e et à la 18e fenêtre pour 650 × 500).
        QCOMPARE(f.width(), 650);
        QVERIFY(f.espaceTravail()->subWindowList().at(22)->pos().x() == 0);
        QVERIFY(f.espaceTravail()->subWindowList().at(17)->pos().y() == 0);
    }

    // Les actions des fenêtres suivent l'espace de travail ; les opérations d'édition vont à la
    // fenêtre de saisie active, et à rien sans elle ; la fermeture attend la fin d'un chargement ;
    // « Fermer tout » demande confirmation dès qu'il y a quelque chose à fermer.
    void espaceDeTravail()
    {
        QVERIFY(ouvrirPrincipale());
        FenetreEssai& f = *fenetre;
        const auto toutes = [&](bool actives) {
            for (const char* nom : {"acTile", "acCascade", "acSuiv", "acPrec", "acFermerTout"})
                if (f.findChild<QAction*>(nom)->isEnabled() != actives)
                    return false;
            return true;
        };
        QVERIFY(toutes(false));
        f.copier();
        f.fermerTout(); // espace vide : aucune question
        auto* saisie = new SaisieEssai(f);
        f.placerSousFenetre(saisie);
        QTRY_VERIFY(toutes(true));
        // La fenêtre de saisie active règle les actions d'édition dès qu'elle l'est.
        QVERIFY(f.actionCopier()->isEnabled());
        f.couper();
        f.copier();
        f.coller();
        f.effacer();
        f.undo();
        f.yank();
        QCOMPARE(saisie->operations, QStringList({"couper", "copier", "coller", "effacer", "undo", "yank"}));
        f.placerSousFenetre(new QWidget); // pas une fenêtre de saisie : elle ne reçoit rien
        f.copier();
        QCOMPARE(saisie->operations.size(), 6);

        repondeur->bouton(QMessageBox::No);
        f.fermerTout();
        QCOMPARE(repondeur->lus(), QStringList{"Fermer les fenêtres|Fermer toutes les fenêtres ?"});
        QCOMPARE(f.espaceTravail()->subWindowList().size(), 2);
        repondeur->bouton(QMessageBox::Yes);
        f.fermerTout();
        QTRY_VERIFY(f.espaceTravail()->subWindowList().isEmpty());
        // Plus de sous-fenêtre active : les actions des fenêtres et celles d'édition s'éteignent.
        QTRY_VERIFY(toutes(false));
        QVERIFY(!f.actionCopier()->isEnabled() && !f.actionUndo()->isEnabled());
        // Une fenêtre qui charge encore retient la fermeture.
        saisie = new SaisieEssai(f);
        f.placerSousFenetre(saisie);
        saisie->occuper(true);
        QVERIFY(!f.close());
        QVERIFY(f.isVisible());
        saisie->occuper(false);
        QVERIFY(f.close());
    }

    // Au clavier seul : chaque menu s'ouvre par Alt et sa lettre soulignée ; les actions fréquentes
    // ont leur raccourci, qui agit dans la fenêtre de saisie active. La première des deux fenêtres
    // de saisie ouvertes est l'active. L'aide est le guide posé à côté du programme, ouvert par le
    // bureau ; sans lecteur de PDF, rien n'est dit.
    void clavier_data()
    {
        QTest::addColumn<QKeySequence>("touches");
        QTest::addColumn<QString>("attendu"); // menu ouvert, opération reçue, fenêtre active ou ouverte
        for (const auto& [lettre, menu] :
             {std::pair{Qt::Key_F, "menuFichiers"}, std::pair{Qt::Key_S, "menuSaisies"},
              std::pair{Qt::Key_D, "menuEdition"}, std::pair{Qt::Key_N, "menuFen_tres"},
              std::pair{Qt::Key_L, "menuLPC"}, std::pair{Qt::Key_A, "menuAide"}})
            ligne(menu, QKeySequence(Qt::ALT | lettre), QString("menu %1").arg(menu));
        ligne("Ctrl+Z défait", QKeySequence(QKeySequence::Undo), "opération undo");
        ligne("Ctrl+Y refait", QKeySequence(QKeySequence::Redo), "opération yank");
        ligne("Suppr efface", QKeySequence(QKeySequence::Delete), "opération effacer");
        ligne("Ctrl+F6 passe à la suivante", QKeySequence("Ctrl+F6"), "active 1");
        ligne("Ctrl+D saisit les dates des compétences", QKeySequence("Ctrl+D"), "ouverte mdiSaisie");
        ligne("Ctrl+T saisit les dates des attestations", QKeySequence("Ctrl+T"), "ouverte mdiPalier");
        ligne("F1 ouvre l'aide", QKeySequence(QKeySequence::HelpContents), "aide /quorvel.pdf");
    }
    void clavier()
    {
        QFETCH(QKeySequence, touches);
        QFETCH(QString, attendu);
        QVERIFY(ouvrirPrincipale());
        FenetreEssai& f = *fenetre;
        auto* saisie = new SaisieEssai(f);
        const QList<QMdiSubWindow*> cadres{f.placerSousFenetre(saisie),
                                           f.placerSousFenetre(new SaisieEssai(f))};
        f.espaceTravail()->setActiveSubWindow(cadres.first());
        f.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        for (QAction* action : {f.actionUndo(), f.actionYank(), f.actionEffacer()})
            action->setEnabled(true); // comme le fait la fenêtre de saisie active
        QTemporaryDir documents;
        QFile guide(documents.filePath("quorvel.pdf"));
        QVERIFY(guide.open(QIODevice::WriteOnly) && guide.write("%PDF-1.4\n") > 0);
        Application::definirDossierDocuments(documents.path());
        const auto retour = qScopeGuard([] { Application::definirDossierDocuments(QString()); });

        QTest::keySequence(&f, touches);
        QString obtenu;
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            obtenu = "menu " + menu->objectName();
            menu->close();
        } else if (!saisie->operations.isEmpty()) {
            obtenu = "opération " + saisie->operations.join(' ');
        } else if (f.espaceTravail()->subWindowList().size() > 2) {
            obtenu = QString("ouverte ") +
                     f.espaceTravail()->subWindowList().constLast()->widget()->metaObject()->className();
        } else if (!repondeur->urlsOuvertes().isEmpty()) {
            obtenu = "aide " + repondeur->urlsOuvertes().constFirst().toLocalFile().remove(documents.path());
        } else {
            obtenu = "active " + QString::number(cadres.indexOf(f.espaceTravail()->activeSubWindow()));
        }
        QCOMPARE(obtenu, attendu);
        QCOMPARE(repondeur->urlsOuvertes().size(), int(attendu.startsWith("aide")));
        QVERIFY(repondeur->messages().isEmpty());
        qDeleteAll(f.espaceTravail()->subWindowList());
    }

    void enteteVertical_data()
    {
        QTest::addColumn<QString>("libelle");
        QTest::addColumn<int>("hauteurSection"); // 8 : trop basse
        ligne("nom et prénom, section basse", "DUPONT|Jean", 8);
        ligne("nom seul, section basse", "DUPONT", 8);
        ligne("nom et prénom, section haute", "DUPONT|Jean", 200);
    }

    // Le libellé « NOM|Prénom » d'un en-tête vertical : le nom en gras au-dessus du prénom, et
    // la section portée à la hauteur des deux lignes plus 10 pixels quand elle est trop basse.
    void enteteVertical()
    {
        QFETCH(QString, libelle);
        QFETCH(int, hauteurSection);
        const bool deuxLignes = libelle.contains('|');

        MyStyle style;
        QTableWidget table(1, 1);
        table.setStyle(&style);
        table.verticalHeader()->setStyle(&style);
        table.verticalHeader()->setMinimumSectionSize(1);
        auto* item = new QTableWidgetItem(libelle);
        item->setTextAlignment(Qt::AlignBaseline);
        table.setVerticalHeaderItem(0, item);
        table.verticalHeader()->setFixedWidth(200);
        table.verticalHeader()->resizeSection(0, hauteurSection);
        table.resize(400, 400);
        table.show();
        QVERIFY(QTest::qWaitForWindowExposed(&table));

        const auto [premiere, seconde] = MyStyle::lignesLibelle(libelle);
        QCOMPARE(seconde.isEmpty(), !deuxLignes);

        // Hauteurs attendues : la première ligne en gras, la seconde en graisse normale.
        QImage image(10, 10, QImage::Format_ARGB32);
        QPainter peintre(&image);
        const QRect cadre(0, 0, table.verticalHeader()->width(), hauteurSection);
        int attendue = 0;
        for (const auto& [texte, graisse] : {std::pair{premiere, QFont::Bold}, {seconde, QFont::Normal}}) {
            QFont police = table.verticalHeader()->font();
            police.setWeight(graisse);
            peintre.setFont(police);
            if (!texte.isEmpty())
                attendue +=
                    peintre.boundingRect(cadre, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, texte)
                        .height();
        }
        peintre.end();

        table.verticalHeader()->grab(); // force le dessin
        if (hauteurSection == 8)
            QTRY_COMPARE(table.verticalHeader()->sectionSize(0), attendue + 10);
        else
            QCOMPARE(table.verticalHeader()->sectionSize(0), hauteurSection);

        // Sans l'alignement particulier, le dessin ordinaire ne touche pas à la section.
        item->setTextAlignment(Qt::AlignLeft);
        table.verticalHeader()->resizeSection(0, 8);
        table.verticalHeader()->grab();
        QCOMPARE(table.verticalHeader()->sectionSize(0), 8);
    }
};

QTEST_MAIN(TstFenetrePrincipale)
#include "tst_fenetreprincipale.moc"
