// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "gui/commun/mydialog.h"

#include <memory>

namespace Ui {
class diaImporteClasse;
}

// Dialogue « Classe non trouvée » : la classe du fichier n'existe pas dans la base ; créer
// une nouvelle classe ou placer les élèves dans une classe existante (renommée ou non).
class diaImporteClasse : public MyDialog
{
    Q_OBJECT

public:
    diaImporteClasse(const QString& nomClasse, QWidget* parent);
    ~diaImporteClasse() override;

    // Après acceptation : classe choisie (0 pour en créer une) et souhait de la renommer.
    qint64 idClasse() const { return classe; }
    bool renommer() const { return renommage; }

public Q_SLOTS:
    // Le choix d'une classe existante n'est possible que quand son bouton est coché.
    void suivreChoix();
    void accept() override;

private:
    std::unique_ptr<Ui::diaImporteClasse> ui;
    qint64 classe = 0;
    bool renommage = false;
};
