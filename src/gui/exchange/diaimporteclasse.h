// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QTimer>

#include <memory>

namespace Ui {
class diaImporteClasse;
}

// Dialogue « Classe non trouvée » : la classe du fichier n'existe pas dans la base ; créer
// une nouvelle classe ou placer les élèves dans une classe existante (renommée ou non).
class diaImporteClasse : public QDialog
{
    Q_OBJECT

public:
    diaImporteClasse(const QString& nomClasse, QWidget* parent);
    ~diaImporteClasse() override;

    // Après acceptation : classe choisie (0 pour en créer une) et souhait de la renommer.
    qint64 idClasse() const { return classe; }
    bool renommer() const { return renommage; }

public Q_SLOTS:
    void myTimeOut();
    void accept() override;

private:
    std::unique_ptr<Ui::diaImporteClasse> ui;
    QTimer minuterie;
    qint64 classe = 0;
    bool renommage = false;
};
