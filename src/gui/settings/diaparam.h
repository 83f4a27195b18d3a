// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "gui/commun/mydialog.h"

#include <memory>

namespace Ui {
class diaParam;
}

// Dialogue « Paramètres » : nom et adresse de l'école (4 lignes au plus) et principale langue
// vivante étrangère enseignée, gardés dans la ligne 1 de la table `general`.
class diaParam : public MyDialog
{
    Q_OBJECT

public:
    explicit diaParam(QWidget* parent = nullptr);
    ~diaParam() override;

public Q_SLOTS:
    // Enregistre et ferme ; le dialogue reste ouvert, les champs tels que tapés, quand
    // l'adresse a trop de lignes ou que l'écriture échoue.
    void accept() override;

protected:
    void changeEvent(QEvent* evenement) override;

private:
    std::unique_ptr<Ui::diaParam> ui;
};
