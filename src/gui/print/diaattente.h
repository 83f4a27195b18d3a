// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class diaAttente;
}

// Pause d'un recto/verso manuel : remettre les fiches dans le bac (retournées, mode 0, ou non,
// mode 1) ou les retirer du bac de sortie (mode 2). OK poursuit, Abandonner arrête le tirage.
class diaAttente : public QDialog
{
    Q_OBJECT

public:
    explicit diaAttente(QWidget* parent);
    ~diaAttente() override;

    void setMode(int mode);

public Q_SLOTS:
    void aide();

private:
    std::unique_ptr<Ui::diaAttente> ui;
};
