// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/exchange/importclasse.h"

#include <QDialog>

#include <memory>

namespace Ui {
class diaNiveau;
}

// Dialogue « Niveaux » : une ligne par changement de niveau, trois cases valant un seul
// choix (niveau actuel, niveau proposé, ignorer l'élève).
class diaNiveau : public QDialog
{
    Q_OBJECT

public:
    diaNiveau(QList<ChangementNiveau>& changements, QWidget* parent);
    ~diaNiveau() override;

public Q_SLOTS:
    void accept() override;

private:
    std::unique_ptr<Ui::diaNiveau> ui;
    QList<ChangementNiveau>& liste;
};
