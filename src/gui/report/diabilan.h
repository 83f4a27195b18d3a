// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/report/bilan.h"
#include "gui/commun/mydialog.h"

#include <memory>

class QAbstractButton;
class QPrinter;
class QPushButton;
class diaWait;

namespace Ui {
class DiaBilan;
}

// Dialogue « Bilan pour LPC » : choix de la classe et du palier, construction du bilan
// (voir bilan.h) montré dans un éditeur de texte riche que l'utilisateur peut retoucher,
// puis enregistrement en HTML ou impression sur l'imprimante prêtée par la fenêtre
// principale. Toutes les questions passent par Invite.
class DiaBilan : public MyDialog
{
    Q_OBJECT

public:
    DiaBilan(QWidget* parent, QPrinter* imprimante);
    ~DiaBilan() override;

public Q_SLOTS:
    // Fermer rejette le dialogue ; Enregistrer enregistre le bilan ; « &Imprimer » l'imprime.
    void buttonBoxClicked(QAbstractButton* bouton);
    // Reconstruit le bilan de la classe et du palier choisis (bouton ou F5).
    void actualiser();

protected:
    void changeEvent(QEvent* evenement) override;

private:
    class Suivi;

    void enregistrer();
    void imprimer();
    // Enregistrer et Imprimer ne s'allument qu'une fois un bilan construit ; sinon leur bulle dit
    // quoi faire.
    void suivreBilan();

    std::unique_ptr<Ui::DiaBilan> ui;
    QPrinter* printer = nullptr;
    QPushButton* btImprimer = nullptr;
    diaWait* attente = nullptr;
    Bilan bilan;
    qint64 idClasse = 0;   // classe du dernier bilan construit, 0 avant le premier
    QString libelleClasse; // son libellé
};
