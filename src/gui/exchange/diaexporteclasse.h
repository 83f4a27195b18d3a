// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "gui/commun/mydialog.h"

#include <QString>

#include <memory>

namespace Ui {
class diaExporteClasse;
}

// Dialogue « Exporter une classe » : choix de la classe et du palier, puis écriture du
// fichier de classe (voir fichierclasse.h).
class diaExporteClasse : public MyDialog
{
    Q_OBJECT

public:
    explicit diaExporteClasse(QWidget* parent);
    ~diaExporteClasse() override;

public Q_SLOTS:
    void accept() override;

private Q_SLOTS:
    // OK n'est actif qu'une fois la classe et le palier choisis ; sa bulle dit ce qui manque.
    void suivreChoix();

private:
    // Ce qui manque pour exporter, en une phrase ; vide quand rien ne manque.
    QString manque() const;

    std::unique_ptr<Ui::diaExporteClasse> ui;
};
