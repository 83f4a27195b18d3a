// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/commun/resultat.h"
#include "gui/commun/messages.h"

#include <QDialog>

#include <optional>
#include <utility>

// Un dialogue qui lit dans la base ce qu'il montre, à sa construction : quand une lecture
// échoue, l'enseignant l'apprend (Messages::lectureImpossible) et le dialogue ne s'ouvre pas,
// plutôt que de montrer des listes vides comme s'il n'y avait rien.
class MyDialog : public QDialog
{
    Q_OBJECT

public:
    using QDialog::QDialog;

    // Faux quand une lecture de la construction a échoué.
    bool pret() const { return lu; }
    int exec() override { return lu ? QDialog::exec() : QDialog::Rejected; }

protected:
    // La valeur lue ; rien, après l'avoir dit, quand la lecture a échoué. Après un premier
    // échec, plus rien n'est lu ni dit : le dialogue ne s'ouvrira pas.
    template <typename T> std::optional<T> lire(Resultat<T> resultat)
    {
        if (!lu)
            return std::nullopt;
        std::optional<T> valeur = Messages::lu(parentWidget() ? parentWidget() : this, std::move(resultat));
        lu = valeur.has_value();
        return valeur;
    }

private:
    bool lu = true;
};
