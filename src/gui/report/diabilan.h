// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/report/bilan.h"
#include "gui/commun/mydialog.h"

#include <memory>

class QAbstractButton;
class QPrinter;
class QPushButton;
class diaApercu;
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

    // L'aperçu du bilan construit, tel que l'imprimante le recevrait, prêt à montrer ; nul
    // avant le premier bilan.
    std::unique_ptr<diaApercu> preparerApercu();

public Q_SLOTS:
    // Fermer rejette le dialogue ; Enregistrer enregistre le bilan ; « &Imprimer » l'imprime ;
    // « &Aperçu... » le montre tel qu'il sera imprimé.
    void buttonBoxClicked(QAbstractButton* bouton);
    // Reconstruit le bilan de la classe et du palier choisis (bouton ou F5).
    void actualiser();

protected:
    void changeEvent(QEvent* evenement) override;

private:
    class Suivi;

    void enregistrer();
    void apercu();
    // Imprime le bilan après le dialogue d'impression ; vrai quand il est parti.
    bool imprimer();
    // Portrait, marges de l'imprimante : le bilan tel qu'il part, sauf autre choix de l'utilisateur.
    void preparerImprimante();
    // Les pages vers l'imprimante ; vide quand elles sont parties, sinon ce qui l'a empêché.
    QString envoyer();
    // Enregistrer, Imprimer et Aperçu ne s'allument qu'une fois un bilan construit ; sinon leur
    // bulle dit quoi faire.
    void suivreBilan();

    std::unique_ptr<Ui::DiaBilan> ui;
    QPrinter* printer = nullptr;
    QPushButton* btImprimer = nullptr;
    QPushButton* btApercu = nullptr;
    diaWait* attente = nullptr;
    Bilan bilan;
    qint64 idClasse = 0;   // classe du dernier bilan construit, 0 avant le premier
    QString libelleClasse; // son libellé
};
