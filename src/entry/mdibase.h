#pragma once

#include <QMainWindow>

class MainWindow;
class diaWait;

// Base des fenêtres de saisie des dates, sous-fenêtres de l'espace de travail de la
// fenêtre principale. Les opérations d'édition sont virtuelles : la fenêtre principale
// les appelle sur la fenêtre de saisie active.
class MdiBase : public QMainWindow
{
    Q_OBJECT
public:
    explicit MdiBase(QWidget* parent);

    // Vrai pendant la construction de la grille (le dialogue d'attente est montré) :
    // la fenêtre ne fait alors rien et refuse de se fermer.
    bool occupe() const { return attente != nullptr; }
    bool estModifie() const { return modifie; }

public Q_SLOTS:
    virtual void copier();
    virtual void coller();
    virtual void couper();
    virtual void effacer();
    virtual void undo();
    virtual void yank();
    virtual void chargerListes(MainWindow* fenetre);

protected:
    void closeEvent(QCloseEvent* evenement) override;

    diaWait* attente = nullptr;
    bool modifie = false;
    MainWindow* fenetrePrincipale = nullptr;
};
