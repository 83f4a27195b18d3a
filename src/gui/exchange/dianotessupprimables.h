// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class diaNotesSupprimables;
}

// Dialogue « Conserver des dates ? » : des dates de la base manquent dans le fichier.
// Résultat : 1 les conserver, 2 les supprimer ; 0 quand l'utilisateur abandonne la mise à
// jour (après confirmation).
class diaNotesSupprimables : public QDialog
{
    Q_OBJECT

public:
    diaNotesSupprimables(int nombre, QWidget* parent);
    ~diaNotesSupprimables() override;

public Q_SLOTS:
    void accept() override;
    void reject() override;

private:
    std::unique_ptr<Ui::diaNotesSupprimables> ui;
};
