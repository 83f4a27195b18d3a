// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "gui/entry/mdibase.h"

#include <memory>

namespace Ui {
class mdiPalier;
}

// Saisie des dates de validation des compétences d'un palier pour une classe (les dates des
// attestations). Chaque compétence occupe trois lignes (Palier::LIGNES_PAR_COMPETENCE) : la
// réussite de l'élève sur ses items, la date la plus récente parmi ces items, puis la date de
// validation de la compétence, seule ligne modifiable. La mécanique d'édition (cellules de
// date, presse-papiers, effacer, défaire, propager, questions, état des actions) vient de
// MdiBase ; la fenêtre n'a pas de « Refaire ».
class mdiPalier : public MdiBase
{
    Q_OBJECT
public:
    mdiPalier(HoteSaisie& hote, QWidget* parent);
    ~mdiPalier() override;

    // Remplit les listes des classes et des paliers ; `modifie` est effacé.
    bool chargerListes() override;
    bool rouvrir(const JournalSaisies::Grille& grille) override;

public Q_SLOTS:
    void cbClasseChange(int index);
    void filtreNiveaux();
    void afficher();
    void yank() override; // pas de « Refaire » dans cette fenêtre
    bool enregistrer() override;
    void actualiserActions() override;
    void propagerDateRecente();

protected:
    bool estLigneDate(int ligne) const override;
    int ligneCollee(int haut, int rang) const override;
    int lignesCouvertes(int lignes) const override;
    bool blocTient(int haut, int nombre) const override;
    bool avecRefaire() const override { return false; }
    QString texteRienSelectionne() const override;
    QString nomLigne(int ligne) const override;

private:
    Resultat<> construire();

    std::unique_ptr<Ui::mdiPalier> ui;
};
