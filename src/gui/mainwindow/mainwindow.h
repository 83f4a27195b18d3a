// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/print/optionsimpression.h"
#include "gui/entry/hotesaisie.h"

#include <QMainWindow>
#include <QString>

#include <memory>

class GardienCopies;
class GestionnaireSession;
class MdiBase;
class MyMdiArea;
class QMdiSubWindow;
class QPrinter;

namespace Ui {
class MainWindow;
}

// La fenêtre principale : menus, espace de travail des fenêtres de saisie, et les deux
// contrôles des fonctions qui restructurent les données (aucune fenêtre de saisie
// ouverte, mot de passe).
class MainWindow : public QMainWindow, public HoteSaisie
{
    Q_OBJECT
public:
    // Au premier tour de la boucle d'événements, la fenêtre contrôle la version de la base (et
    // propose l'initialisation d'une base neuve) ; `SansControle` l'en dispense, pour la
    // vérification du démarrage, qui n'ouvre aucune base.
    enum class Demarrage { ControleVersion, SansControle };
    explicit MainWindow(QWidget* parent = nullptr, Demarrage demarrage = Demarrage::ControleVersion);
    ~MainWindow() override;

    // Vrai une fois le démarrage fini : version de la base contrôlée, questions du démarrage
    // posées (initialisation, mise à jour du livret, reprise des saisies).
    bool demarrageTermine() const { return demarrageFini; }

    // Contrôle d'accès : vrai quand aucun mot de passe n'est fixé, ou quand l'utilisateur
    // donne le bon ; une réponse vide (ou l'annulation) refuse sans message.
    bool accesAutorise();

    // Ajoute le widget à l'espace de travail comme sous-fenêtre détruite à la fermeture,
    // à la position courante de la cascade.
    QMdiSubWindow* placerSousFenetre(QWidget* widget);

    // Les copies automatiques de la base, confiées par le démarrage (une fenêtre sans gardien,
    // comme dans la plupart des essais, n'en fait pas) : lancées quand la base est reconnue,
    // faites à la fermeture, attendues avant une restauration ou une initialisation.
    void confierCopies(GardienCopies* gardien) { copies = gardien; }

    MyMdiArea* espaceTravail() const { return espace; }
    QPrinter* imprimante() const { return printer.get(); }
    // Les choix du dialogue d'impression, gardés pour toute l'exécution.
    OptionsImpression& optionsImpression() { return choixImpression; }

    // Ce que les fenêtres de saisie connaissent de cette fenêtre : la sous-fenêtre active,
    // les actions d'édition dont la fenêtre de saisie active règle l'état, et un message bref
    // dans la barre d'état, qui s'efface seul au bout de quelques secondes. Sans sous-fenêtre
    // active, les actions d'édition sont éteintes.
    QMdiSubWindow* sousFenetreActive() const override;
    QAction* actionUndo() const override;
    QAction* actionYank() const override;
    QAction* actionCopier() const override;
    QAction* actionColler() const override;
    QAction* actionCouper() const override;
    QAction* actionEffacer() const override;
    void annoncer(const QString& message) override;

    // La session du bureau se termine (`QGuiApplication::commitDataRequest`, que la fenêtre
    // reçoit de Qt) : voir FinSession::terminer.
    bool terminerSession(GestionnaireSession& gestionnaire);

public Q_SLOTS:
    void bilanLPC();
    void importerEleves();
    virtual void initialiser(bool premierDemarrage);
    void initialiser();
    void saisirDates();
    void couper();
    void copier();
    void coller();
    void effacer();
    void undo();
    void yank();
    void jeuEssai();
    void saisirPaliers();
    void imprimer();
    void editer();
    void options();
    void sauvegarder();
    void restaurer();
    void initGale();
    void mdp();
    void aide();
    void aPropos();
    void ajouterEleves();
    void exporterClasse();
    void importerClasse();
    void cascade();
    void tile();
    void suivante();
    void precedente();
    void fermerTout();
    void updateActions(QMdiSubWindow* sousFenetre);

protected:
    void closeEvent(QCloseEvent* evenement) override;
    void changeEvent(QEvent* evenement) override;

private:
    // Refuse, avec un message titré `titre`, quand une sous-fenêtre est active.
    bool fenetresFermees(const QString& titre);
    // Ferme toutes les sous-fenêtres. Chaque fenêtre de saisie modifiée pose sa question
    // « Fermeture » à son tour, au premier plan ; « Annuler » (ou un enregistrement refusé)
    // arrête tout et laisse chaque fenêtre ouverte avec son travail. Vrai quand tout est fermé.
    bool fermerSousFenetres();
    // Avant d'imprimer d'après la base : chaque fenêtre de saisie modifiée, au premier plan,
    // propose d'enregistrer d'abord ce qu'elle montre. Faux quand l'enseignant annule.
    bool enregistrerAvantImpression(const QString& texte);
    // Place une fenêtre de saisie neuve et remplit ses listes ; fermée aussitôt quand la base
    // n'a pas pu être lue (l'enseignant l'a appris).
    void ouvrirSaisie(MdiBase* fenetre);
    // La base est reconnue et la fenêtre ouverte : les copies automatiques commencent.
    void demarrerCopies();

    std::unique_ptr<Ui::MainWindow> ui;
    MyMdiArea* espace = nullptr;
    std::unique_ptr<QPrinter> printer;
    OptionsImpression choixImpression;
    GardienCopies* copies = nullptr;
    bool demarrageFini = false;
    int decalageX = 0;
    int decalageY = 0;
};
