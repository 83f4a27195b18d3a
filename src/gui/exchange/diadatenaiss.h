// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/exchange/importclasse.h"

#include <QDialog>

#include <memory>

namespace Ui {
class diaDateNaiss;
}

// Dialogue « Conflits sur les dates de naissance » : une ligne par conflit, quatre cases
// valant un seul choix (garder la date de la base, prendre celle du fichier, créer un
// nouvel élève, ignorer l'élève). OK écrit le choix de chaque ligne dans son conflit.
class diaDateNaiss : public QDialog
{
    Q_OBJECT

public:
    diaDateNaiss(QList<ConflitDate>& conflits, QWidget* parent);
    ~diaDateNaiss() override;

public Q_SLOTS:
    void accept() override;

private:
    std::unique_ptr<Ui::diaDateNaiss> ui;
    QList<ConflitDate>& liste;
};
