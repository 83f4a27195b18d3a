// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/db/modele.h"

#include <QDialog>
#include <QList>

#include <memory>

namespace Ui {
class diaCocheEleve;
}

// « Sélection des élèves » : les élèves d'une classe à cocher, tels que le dialogue
// d'impression les a lus. OK remplace la sélection par les élèves cochés, dans l'ordre de la
// liste (niveau, nom, prénom) ; sans élève coché, OK est éteint et sa bulle le dit. Annuler
// laisse la sélection telle quelle.
class diaCocheEleve : public QDialog
{
    Q_OBJECT

public:
    diaCocheEleve(QWidget* parent, const QList<Eleve>& eleves, QList<qint64>& selection);
    ~diaCocheEleve() override;

public Q_SLOTS:
    void coche(bool coche);
    void accept() override;

private Q_SLOTS:
    void suivreChoix();

private:
    std::unique_ptr<Ui::diaCocheEleve> ui;
    QList<qint64>& selection;
};
