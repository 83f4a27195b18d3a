// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class Apropos;
}

// Boîte « À propos » : nom et version du programme, texte de présentation, licence et
// remerciements ; ouvre le contrat de licence et la boîte « À propos » de Qt.
class Apropos : public QDialog
{
    Q_OBJECT

public:
    explicit Apropos(QWidget* parent = nullptr);
    ~Apropos() override;

public slots:
    void aProposQt();
    void licence();

private:
    QString textePresentation() const;

    std::unique_ptr<Ui::Apropos> ui;
};
