// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "gui/commun/invite.h"

// Répondeur des essais : les réponses sont mises en file d'avance, chaque message est noté,
// et une question qui arrive sans réponse préparée fait échouer l'essai en cours sur-le-champ
// au lieu de le bloquer, comme une réponse restée sans question. Installé à la construction,
// retiré à la destruction.
class RepondeurEssai : public RepondeurPrepare
{
public:
    RepondeurEssai();
    ~RepondeurEssai() override;

    // Le dernier message montré (un essai qui n'en attend pas échoue), et le même en
    // « titre|texte ».
    Invite::Message dernier() const;
    QString dernierMessage() const { return dernier().titre + '|' + dernier().texte; }
    // Tous les messages montrés, « titre|texte ».
    QStringList lus() const;
    // Une réponse par lettre, dans l'ordre : O(ui), N(on), A(nnuler), K (OK), R(éessayer),
    // « - » annule la prochaine saisie ou le prochain choix.
    void reponses(const QString& lettres);

protected:
    void inattendu(const QString& description) override;
};
