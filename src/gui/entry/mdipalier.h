// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "gui/entry/mdibase.h"

#include <memory>

namespace Ui {
class mdiPalier;
}

// Saisie des dates de validation des compétences d'un palier pour une classe (les dates des
// attestations). Chaque compétence occupe trois lignes : la réussite de l'élève sur ses items,
// la date la plus récente parmi ces items, puis la date de validation de la compétence, seule
// ligne modifiable. La mécanique d'édition (cellules de date, presse-papiers, effacer,
// défaire, propager, questions, minuterie) vient de MdiBase ; la fenêtre n'a pas de « Refaire ».
class mdiPalier : public MdiBase
{
    Q_OBJECT
public:
    explicit mdiPalier(QWidget* parent);
    ~mdiPalier() override;

    // Remplit les listes des classes et des paliers ; `modifie` est effacé.
    void chargerListes(HoteSaisie* hote) override;
    bool rouvrir(const JournalSaisies::Grille& grille) override;

    // Les autres emplacements (saisie d'une cellule, cellule courante, défaire, couper,
    // copier, coller, effacer, propager, champ de date) sont ceux de MdiBase.
public Q_SLOTS:
    void cbClasseChange(int index);
    void filtreNiveaux();
    void afficher();
    void yank() override; // pas de « Refaire » dans cette fenêtre
    bool enregistrer() override;
    void timeOut() override;
    void propagerDateRecente();

private:
    std::unique_ptr<Ui::mdiPalier> ui;
};
