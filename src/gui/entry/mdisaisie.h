// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "gui/entry/mdibase.h"

#include <memory>

namespace Ui {
class mdiSaisie;
}

// Saisie des dates d'une compétence pour une classe : une colonne par élève (filtre de
// niveau et tri appliqués), une ligne par item de la compétence, rangés par agrégat ; chaque
// cellule tient la date à laquelle l'élève a validé l'item. Les opérations d'édition
// (saisie, presse-papiers, défaire, refaire, propager) sont celles de MdiBase.
class mdiSaisie : public MdiBase
{
    Q_OBJECT
public:
    mdiSaisie(HoteSaisie& hote, QWidget* parent);
    ~mdiSaisie() override;

    // Remplit les listes des classes, des paliers et des compétences.
    bool chargerListes() override;
    bool rouvrir(const JournalSaisies::Grille& grille) override;

public Q_SLOTS:
    void cbPalierChange(int index);
    void cbClasseChange(int index);
    void filtreNiveaux();
    void afficher();
    bool enregistrer() override;

private:
    Resultat<> construireLignes(qint64 idCompetence);
    Resultat<> remplirCellules();

    std::unique_ptr<Ui::mdiSaisie> ui;
};
