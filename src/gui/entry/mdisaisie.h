// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "gui/entry/mdibase.h"

#include <memory>

namespace Ui {
class mdiSaisie;
}

// Saisie des dates d'une compétence pour une classe : une colonne par élève (filtre de
// niveau et tri appliqués), une ligne par item de la compétence, rangés par agrégat ; chaque
// cellule tient la date à laquelle l'élève a validé l'item.
class mdiSaisie : public MdiBase
{
    Q_OBJECT
public:
    explicit mdiSaisie(QWidget* parent);
    ~mdiSaisie() override;

    // Remplit les listes des classes, des paliers et des compétences.
    void chargerListes(HoteSaisie* hote) override;
    bool rouvrir(const JournalSaisies::Grille& grille) override;

public Q_SLOTS:
    void cbPalierChange(int index);
    void cbClasseChange(int index);
    void filtreNiveaux();
    void afficher();
    // Les opérations communes sont celles de la base ; elles sont reprises ici pour que la
    // fenêtre présente tous ses créneaux.
    void itemChanged(QTableWidgetItem* cellule);
    void curentItemChanged(QTableWidgetItem* courante, QTableWidgetItem* precedente);
    void undo() override;
    void yank() override;
    void couper() override;
    void copier() override;
    void coller() override;
    void effacer() override;
    void propager();
    void edDateEditingFinished();
    bool enregistrer() override;
    void timeOut() override;

private:
    void construireLignes(qint64 idCompetence);
    void remplirCellules();

    std::unique_ptr<Ui::mdiSaisie> ui;
};
