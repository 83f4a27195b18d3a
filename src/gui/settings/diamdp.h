// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class diaMdp;
}

// Dialogue « Mot de passe » : fixe, change ou retire le mot de passe que la fenêtre
// principale demande avant la réinitialisation de la base, l'importation d'élèves et la
// restauration. Seule son empreinte est gardée, dans les réglages.
class diaMdp : public QDialog
{
    Q_OBJECT

public:
    explicit diaMdp(QWidget* parent = nullptr);
    ~diaMdp() override;

public Q_SLOTS:
    // Contrôle l'ancien mot de passe et les deux saisies du nouveau, puis enregistre et
    // ferme ; le dialogue reste ouvert, les champs tels que tapés, quand un contrôle échoue.
    void accept() override;

protected:
    void changeEvent(QEvent* evenement) override;

private:
    std::unique_ptr<Ui::diaMdp> ui;
};
