// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/mainwindow/mainwindow.h"
#include "ui_mainwindow.h"

#include "core/commun/application.h"
#include "core/commun/dossierdepart.h"
#include "core/commun/motdepasse.h"
#include "core/db/jeuessai.h"
#include "core/db/schema.h"
#include "core/entry/journalsaisies.h"
#include "core/exchange/importclasse.h"
#include "gui/commun/apropos.h"
#include "gui/commun/invite.h"
#include "gui/commun/messages.h"
#include "gui/entry/mdibase.h"
#include "gui/entry/mdipalier.h"
#include "gui/entry/mdisaisie.h"
#include "gui/exchange/diaexporteclasse.h"
#include "gui/exchange/importdialogues.h"
#include "gui/mainwindow/diainitialise.h"
#include "gui/mainwindow/finsession.h"
#include "gui/mainwindow/gardiencopies.h"
#include "gui/mainwindow/menusauvegarde.h"
#include "gui/mainwindow/miseajourlivret.h"
#include "gui/mainwindow/mymdiarea.h"
#include "gui/mainwindow/reprisesaisies.h"
#include "gui/print/diaimprimer.h"
#include "gui/pupils/diaajouteeleves.h"
#include "gui/pupils/diaeleve.h"
#include "gui/pupils/diaimporteeleves.h"
#include "gui/report/diabilan.h"
#include "gui/settings/diamdp.h"
#include "gui/settings/diaparam.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QScopeGuard>
#include <QStatusBar>
#include <QTimer>

MainWindow::MainWindow(QWidget* parent, Demarrage demarrage)
    : QMainWindow(parent), ui(std::make_unique<Ui::MainWindow>())
{
    ui->setupUi(this);

    connect(ui->acImportEleves, &QAction::triggered, this, &MainWindow::importerEleves);
    connect(ui->acInitialise, &QAction::triggered, this, qOverload<>(&MainWindow::initialiser));
    connect(ui->acDates, &QAction::triggered, this, &MainWindow::saisirDates);
    connect(ui->acUndo, &QAction::triggered, this, &MainWindow::undo);
    connect(ui->acCopier, &QAction::triggered, this, &MainWindow::copier);
    connect(ui->acColler, &QAction::triggered, this, &MainWindow::coller);
    connect(ui->acCouper, &QAction::triggered, this, &MainWindow::couper);
    connect(ui->acEffacer, &QAction::triggered, this, &MainWindow::effacer);
    connect(ui->acJeuEssai, &QAction::triggered, this, &MainWindow::jeuEssai);
    connect(ui->acPaliers, &QAction::triggered, this, &MainWindow::saisirPaliers);
    connect(ui->acImprimer, &QAction::triggered, this, &MainWindow::imprimer);
    connect(ui->acEdite, &QAction::triggered, this, &MainWindow::editer);
    connect(ui->acOptions, &QAction::triggered, this, &MainWindow::options);
    connect(ui->acImport, &QAction::triggered, this, &MainWindow::restaurer);
    connect(ui->acExport, &QAction::triggered, this, &MainWindow::sauvegarder);
    connect(ui->acMdp, &QAction::triggered, this, &MainWindow::mdp);
    connect(ui->acAide, &QAction::triggered, this, &MainWindow::aide);
    connect(ui->acAPropos, &QAction::triggered, this, &MainWindow::aPropos);
    connect(ui->acAjouterEleves, &QAction::triggered, this, &MainWindow::ajouterEleves);
    connect(ui->acExporterClasse, &QAction::triggered, this, &MainWindow::exporterClasse);
    connect(ui->acImporteClasse, &QAction::triggered, this, &MainWindow::importerClasse);
    connect(ui->acBilan, &QAction::triggered, this, &MainWindow::bilanLPC);
    connect(ui->acCascade, &QAction::triggered, this, &MainWindow::cascade);
    connect(ui->acTile, &QAction::triggered, this, &MainWindow::tile);
    connect(ui->acSuiv, &QAction::triggered, this, &MainWindow::suivante);
    connect(ui->acPrec, &QAction::triggered, this, &MainWindow::precedente);
    connect(ui->acFermerTout, &QAction::triggered, this, &MainWindow::fermerTout);
    // « Refaire » n'est dans aucun menu, mais son raccourci Ctrl+Y, que promettent les bulles
    // des fenêtres de saisie, refait dans la fenêtre de saisie active (qui en règle l'état).
    addAction(ui->acYank);
    connect(ui->acYank, &QAction::triggered, this, &MainWindow::yank);

    espace = new MyMdiArea(this);
    setCentralWidget(espace);
    connect(espace, &QMdiArea::subWindowActivated, this, &MainWindow::updateActions);

    // Fin de la session du bureau : les dates pas encore enregistrées ne sont pas perdues en
    // silence. Qt demande un appel direct : la session n'attend pas la boucle d'événements.
    if (auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        connect(
            application, &QGuiApplication::commitDataRequest, this,
            [this](QSessionManager& gestionnaire) {
                GestionnaireSessionQt session(gestionnaire);
                terminerSession(session);
            },
            Qt::DirectConnection);
    // Le journal des dates pas encore enregistrées ne s'écrit plus : l'enseignant le lit.
    connect(&JournalSaisies::Ecrivain::instance(), &JournalSaisies::Ecrivain::ecritureRefusee, this,
            [this](const QString& detail) {
                annoncer(
                    tr("Attention : la copie de secours des dates pas encore enregistrées n'a pas pu être "
                       "écrite (%1). Enregistrez vos grilles.")
                        .arg(detail));
            });

    printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    statusBar(); // créée tout de suite : l'espace de travail ne rétrécit pas au premier message
    updateActions(nullptr);
    if (demarrage == Demarrage::ControleVersion)
        QTimer::singleShot(0, this, &MainWindow::initGale);
}

MainWindow::~MainWindow()
{
    // En se détruisant avec ses enfants, l'espace de travail signale la disparition de ses
    // sous-fenêtres : il ne doit plus appeler cette fenêtre, déjà en partie détruite.
    disconnect(espace, nullptr, this, nullptr);
}

bool MainWindow::terminerSession(GestionnaireSession& gestionnaire)
{
    return FinSession::terminer(espace, gestionnaire);
}

QMdiSubWindow* MainWindow::sousFenetreActive() const
{
    return espace->activeSubWindow();
}

void MainWindow::annoncer(const QString& message)
{
    statusBar()->showMessage(message, 6000);
}

QAction* MainWindow::actionUndo() const
{
    return ui->acUndo;
}
QAction* MainWindow::actionYank() const
{
    return ui->acYank;
}
QAction* MainWindow::actionCopier() const
{
    return ui->acCopier;
}
QAction* MainWindow::actionColler() const
{
    return ui->acColler;
}
QAction* MainWindow::actionCouper() const
{
    return ui->acCouper;
}
QAction* MainWindow::actionEffacer() const
{
    return ui->acEffacer;
}

// ---------------------------------------------------------------------------
// Les deux contrôles

namespace {
// Les fenêtres de saisie de l'espace de travail, dans l'ordre de leur ouverture, chacune avec sa
// sous-fenêtre.
QList<std::pair<QMdiSubWindow*, MdiBase*>> grillesOuvertes(const QMdiArea* espace)
{
    QList<std::pair<QMdiSubWindow*, MdiBase*>> grilles;
    for (QMdiSubWindow* sousFenetre : espace->subWindowList())
        if (auto* fenetre = qobject_cast<MdiBase*>(sousFenetre->widget()))
            grilles.append({sousFenetre, fenetre});
    return grilles;
}
} // namespace

bool MainWindow::fenetresFermees(const QString& titre)
{
    if (!espace->activeSubWindow())
        return true;
    // Les grilles qui ont des dates pas encore enregistrées sont nommées : l'enseignant sait
    // lesquelles enregistrer avant de les fermer.
    QStringList modifiees;
    for (const auto& [sousFenetre, fenetre] : grillesOuvertes(espace)) {
        fenetre->validerSaisieEnCours(); // la date encore dans l'éditeur compte
        if (fenetre->estModifie())
            modifiees << tr("– %1").arg(fenetre->nomGrille());
    }
    QString texte = tr("Veuillez d'abord fermer toutes les fenêtres actives.");
    if (!modifiees.isEmpty())
        texte +=
            QStringLiteral("\n\n") +
            (modifiees.size() == 1
                 ? tr("Cette grille a des dates pas encore enregistrées : enregistrez-la avant de la fermer.")
                 : tr("Ces grilles ont des dates pas encore enregistrées : enregistrez-les avant de les "
                      "fermer.")) +
            QLatin1Char('\n') + modifiees.join(QLatin1Char('\n'));
    Invite::information(this, titre, texte);
    return false;
}

bool MainWindow::accesAutorise()
{
    const QByteArray stockee = MotDePasse::empreinteStockee();
    if (stockee.isEmpty())
        return true;
    for (;;) {
        const auto saisi =
            Invite::texte(this, tr("Mot de passe"), tr("Mot de passe pour accéder à cette fonctionnalité: "),
                          QLineEdit::Password, QString());
        if (!saisi || saisi->isEmpty())
            return false;
        if (MotDePasse::correspond(*saisi, stockee))
            return true;
        Invite::information(this, tr("Erreur !"), tr("Mot de passe incorrect !"));
    }
}

// ---------------------------------------------------------------------------
// Sous-fenêtres

QMdiSubWindow* MainWindow::placerSousFenetre(QWidget* widget)
{
    QMdiSubWindow* sousFenetre = espace->addSubWindow(widget);
    sousFenetre->setAttribute(Qt::WA_DeleteOnClose);
    espace->setWindowIcon(widget->windowIcon());

    const auto deuxTiers = [](int taille) { return (2 * (taille - 1) + 2) / 3; };
    // Jamais plus petite que ce que demande son contenu : sinon ses listes et ses boutons se
    // chevauchent (fenêtre principale à sa taille de départ, grandes polices).
    const QSize minimum = sousFenetre->minimumSizeHint();
    const int largeur = std::max({200, deuxTiers(width()), minimum.width()});
    const int hauteur = std::max({200, deuxTiers(height()), minimum.height()});
    sousFenetre->resize(largeur, hauteur);

    if (decalageX + largeur > width() - 1)
        decalageX = 0;
    if (decalageY + hauteur > height() - 1)
        decalageY = 0;
    sousFenetre->move(decalageX, decalageY);

    sousFenetre->show();
    decalageX += 10;
    decalageY += 10;
    return sousFenetre;
}

void MainWindow::updateActions(QMdiSubWindow* sousFenetre)
{
    const bool fenetres = !espace->subWindowList().isEmpty();
    for (QAction* action : {ui->acTile, ui->acCascade, ui->acSuiv, ui->acPrec, ui->acFermerTout})
        action->setEnabled(fenetres);
    if (sousFenetre)
        espace->setWindowIcon(sousFenetre->windowIcon());
    // La fenêtre de saisie devenue active règle les actions d'édition ; sans elle, elles
    // s'éteignent.
    if (auto* fenetre = sousFenetre ? qobject_cast<MdiBase*>(sousFenetre->widget()) : nullptr) {
        fenetre->actualiserActions();
        return;
    }
    for (QAction* action : {ui->acColler, ui->acCopier, ui->acCouper, ui->acUndo, ui->acYank, ui->acEffacer})
        action->setEnabled(false);
}

void MainWindow::cascade()
{
    espace->cascadeSubWindows();
}
void MainWindow::tile()
{
    espace->tileSubWindows();
}
void MainWindow::suivante()
{
    espace->activateNextSubWindow();
}
void MainWindow::precedente()
{
    espace->activatePreviousSubWindow();
}

void MainWindow::fermerTout()
{
    if (espace->subWindowList().isEmpty())
        return;
    if (Invite::question(this, tr("Fermer les fenêtres"), tr("Fermer toutes les fenêtres ?"),
                         QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes)
        fermerSousFenetres();
}

bool MainWindow::fermerSousFenetres()
{
    const QList<std::pair<QMdiSubWindow*, MdiBase*>> grilles = grillesOuvertes(espace);
    for (const auto& [sousFenetre, fenetre] : grilles)
        if (fenetre->occupe())
            return false;
    // Toutes les questions d'abord : une fenêtre n'est fermée que quand aucune n'a répondu
    // « Annuler ». Ainsi « Non » puis « Annuler » ne perd rien.
    QList<MdiBase*> accordees;
    for (const auto& [sousFenetre, fenetre] : grilles) {
        fenetre->validerSaisieEnCours();
        if (fenetre->estModifie())
            espace->setActiveSubWindow(sousFenetre); // l'enseignant voit de quelle grille il s'agit
        if (!fenetre->accepterFermeture())
            return false;
        accordees.append(fenetre);
    }
    for (MdiBase* fenetre : accordees)
        fenetre->accorderFermeture();
    espace->closeAllSubWindows();
    return espace->subWindowList().isEmpty();
}

namespace {
// La fenêtre de saisie de la sous-fenêtre active, ou nul.
MdiBase* fenetreSaisieActive(MyMdiArea* espace)
{
    QMdiSubWindow* active = espace->activeSubWindow();
    return active ? qobject_cast<MdiBase*>(active->widget()) : nullptr;
}
} // namespace

void MainWindow::couper()
{
    if (MdiBase* fenetre = fenetreSaisieActive(espace))
        fenetre->couper();
}

void MainWindow::copier()
{
    if (MdiBase* fenetre = fenetreSaisieActive(espace))
        fenetre->copier();
}

void MainWindow::coller()
{
    if (MdiBase* fenetre = fenetreSaisieActive(espace))
        fenetre->coller();
}

void MainWindow::effacer()
{
    if (MdiBase* fenetre = fenetreSaisieActive(espace))
        fenetre->effacer();
}

void MainWindow::undo()
{
    if (MdiBase* fenetre = fenetreSaisieActive(espace))
        fenetre->undo();
}

void MainWindow::yank()
{
    if (MdiBase* fenetre = fenetreSaisieActive(espace))
        fenetre->yank();
}

// ---------------------------------------------------------------------------
// Démarrage : contrôle de version

void MainWindow::initGale()
{
    // Retenu depuis le démarrage, le journal des saisies peut de nouveau s'écrire une fois le
    // choix fait (ou la base initialisée : il ne vaut plus rien).
    const auto relacher = qScopeGuard([this] {
        JournalSaisies::Ecrivain::instance().retenir(false);
        demarrageFini = true;
    });
    const Resultat<Schema::EtatVersion> lu = Schema::controlerVersion();
    if (!lu) {
        // Sans la version, rien ne peut être montré : surtout pas une base à initialiser.
        Messages::lectureImpossible(this, lu.erreur());
        close();
        return;
    }
    const Schema::EtatVersion& etat = *lu;
    if (etat.statut == Schema::EtatVersion::AInitialiser) {
        initialiser(true);
        demarrerCopies();
        return;
    }
    if (etat.statut == Schema::EtatVersion::Incorrecte) {
        Invite::avertissement(
            this, tr("Version incorrecte"),
            tr("La base de données semble avoir une version incompatible (%1) avec ce logiciel "
               "(%2). Une réinitialisation va avoir lieu.")
                .arg(etat.version)
                .arg(Schema::VERSION));
        initialiser(true);
    } else {
        // Une base d'une version précédente reçoit le texte du livret actuel, une fois.
        mettreLivretAJour(this);
    }
    // Les dates tapées et pas enregistrées lors d'un arrêt imprévu, dans une base qui n'est pas à
    // initialiser.
    if (etat.statut == Schema::EtatVersion::Correcte)
        RepriseSaisies::proposer(this);
    demarrerCopies();
}

void MainWindow::demarrerCopies()
{
    // Une initialisation refusée au premier démarrage a fermé la fenêtre : rien à copier.
    if (!copies || !isVisible())
        return;
    const Resultat<Schema::EtatVersion> etat = Schema::controlerVersion();
    if (etat && etat->statut == Schema::EtatVersion::Correcte)
        copies->auDemarrage();
}

// ---------------------------------------------------------------------------
// Fonctions des menus

void MainWindow::initialiser()
{
    initialiser(false);
}

void MainWindow::initialiser(bool premierDemarrage)
{
    if (!fenetresFermees(tr("Initialisation")))
        return;
    if (!premierDemarrage && !accesAutorise())
        return;
    const GardienCopies::Pause pause(copies);
    diaInitialise dialogue(this, premierDemarrage);
    if (dialogue.exec() == QDialog::Accepted)
        options();
    else if (premierDemarrage)
        close();
}

void MainWindow::importerEleves()
{
    if (!fenetresFermees(tr("Importation d'élèves")) || !accesAutorise())
        return;
    diaImporteEleves dialogue(this);
    dialogue.exec();
}

void MainWindow::editer()
{
    if (!fenetresFermees(tr("Édition")))
        return;
    diaEleve dialogue(this);
    dialogue.exec();
}

void MainWindow::ajouterEleves()
{
    if (!fenetresFermees(tr("Ajout d'élèves")))
        return;
    diaAjouteEleves dialogue(this);
    dialogue.exec();
}

void MainWindow::restaurer()
{
    if (!fenetresFermees(tr("Édition")) || !accesAutorise())
        return;
    // La liste des copies et la base ne bougent plus pendant le choix et l'échange.
    const GardienCopies::Pause pause(copies);
    restaurerBase(this);
    // Une sauvegarde faite par une version précédente reçoit le texte du livret actuel.
    mettreLivretAJour(this);
}

void MainWindow::importerClasse()
{
    if (!fenetresFermees(tr("Édition")))
        return;
    const QString chemin = Invite::fichierAOuvrir(this, tr("Importer une classe"), DossierDepart::dossier(),
                                                  tr("Fichiers XML (*.xml);;Tous fichiers (*.*)"));
    if (chemin.isEmpty())
        return;
    ImportDialogues dialogues(this);
    dialogues.montrer(ImportClasse(dialogues).importer(chemin));
}

bool MainWindow::enregistrerAvantImpression(const QString& texte)
{
    for (const auto& [sousFenetre, fenetre] : grillesOuvertes(espace)) {
        fenetre->validerSaisieEnCours();
        if (fenetre->estModifie())
            espace->setActiveSubWindow(sousFenetre);
        if (!fenetre->enregistrerAvantImpression(texte))
            return false;
    }
    return true;
}

void MainWindow::bilanLPC()
{
    if (!enregistrerAvantImpression(
            tr("Des dates de la grille %1 ne sont pas encore enregistrées : le bilan ne "
               "les montrerait pas.\nVoulez-vous les enregistrer d'abord ?")))
        return;
    DiaBilan dialogue(this, imprimante());
    dialogue.exec();
}
void MainWindow::ouvrirSaisie(MdiBase* fenetre)
{
    QMdiSubWindow* sousFenetre = placerSousFenetre(fenetre);
    if (!fenetre->chargerListes())
        sousFenetre->close();
}
void MainWindow::saisirDates()
{
    ouvrirSaisie(new mdiSaisie(*this, this));
}
void MainWindow::saisirPaliers()
{
    ouvrirSaisie(new mdiPalier(*this, this));
}
void MainWindow::jeuEssai()
{
    if (const Resultat<> fait = JeuEssai::generer(); !fait)
        Invite::critique(this, tr("Jeu d'essai"),
                         tr("Le jeu d'essai n'a pas pu être écrit : la base de données a refusé l'écriture "
                            "(%1). Les dates d'avant sont restées.")
                             .arg(fait.erreur().texte));
}
void MainWindow::imprimer()
{
    if (!enregistrerAvantImpression(tr("Des dates de la grille %1 ne sont pas encore enregistrées : elles ne "
                                       "seraient pas imprimées.\nVoulez-vous les enregistrer d'abord ?")))
        return;
    diaImprimer dialogue(this, printer.get(), choixImpression);
    dialogue.exec();
}
void MainWindow::options()
{
    diaParam dialogue(this);
    dialogue.exec();
}

void MainWindow::sauvegarder()
{
    if (!enregistrerAvantImpression(
            tr("Des dates de la grille %1 ne sont pas encore enregistrées : la "
               "sauvegarde ne les contiendrait pas.\nVoulez-vous les enregistrer d'abord ?")))
        return;
    sauvegarderBase(this);
}

void MainWindow::mdp()
{
    diaMdp dialogue(this);
    dialogue.exec();
}
void MainWindow::exporterClasse()
{
    if (!enregistrerAvantImpression(
            tr("Des dates de la grille %1 ne sont pas encore enregistrées : le fichier "
               "exporté ne les contiendrait pas.\nVoulez-vous les enregistrer d'abord ?")))
        return;
    diaExporteClasse dialogue(this);
    dialogue.exec();
}

void MainWindow::aide()
{
    Invite::ouvrirDocument(this, Application::DOCUMENT_GUIDE);
}

void MainWindow::aPropos()
{
    Apropos dialogue(this);
    dialogue.exec();
}

// ---------------------------------------------------------------------------

void MainWindow::closeEvent(QCloseEvent* evenement)
{
    // Une fenêtre qui se charge refuse sans question ; une fenêtre modifiée pose la sienne. Après
    // une fin de session, tout est déjà décidé : Qt ferme les fenêtres en quittant, sans question.
    if (!FinSession::decidee() && !fermerSousFenetres()) {
        evenement->ignore();
        return;
    }
    evenement->accept();
    // Tout ce qui est enregistré est dans la base : la copie du jour, fenêtre déjà cachée.
    if (copies) {
        hide();
        copies->aLaFermeture();
    }
}

void MainWindow::changeEvent(QEvent* evenement)
{
    QMainWindow::changeEvent(evenement);
    if (evenement->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
}
