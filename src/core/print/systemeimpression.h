// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/commun/resultat.h"

#include <QString>

// Ce que le système d'impression de l'ordinateur (CUPS) dit d'une file d'impression, et le
// résultat de l'envoi d'un travail. La boîte à outils ne dit pas si une file accepte les
// travaux ni si elle est arrêtée, et son moteur d'impression annonce la réussite même quand
// le système a refusé le travail : on le demande donc au système lui-même. Sans CUPS (autres
// systèmes), rien n'est vérifiable et seul le refus du peintre est vu.
namespace SystemeImpression {

enum class Etat {
    NonVerifiable,     // pas de système d'impression à interroger
    Prete,             // existe, accepte les travaux, n'est pas arrêtée
    Introuvable,       // la file n'existe pas (ou plus) : imprimante débranchée ou retirée
    RefuseTravaux,     // la file refuse les nouveaux travaux
    Arretee,           // la file garde les travaux sans les imprimer
    ServiceInjoignable // le service d'impression ne répond pas
};

struct EtatFile {
    Etat etat = Etat::NonVerifiable;
    QString message; // message d'état de la file, tel que le système le donne (peut être vide)
};

// L'état de la file `nom` (nom d'imprimante de la boîte à outils, instance « file/instance »
// comprise). Sur CUPS, une interrogation réussie remet à zéro la dernière erreur du fil :
// appelée juste avant un envoi, elle fait que resultatEnvoi() ne lit que cet envoi.
EtatFile etat(const QString& nom);

// Après la fin du peintre sur une imprimante du système (le travail y est soumis à ce
// moment, dans ce fil) : réussi quand l'envoi a réussi, sinon EnvoiRefuse avec l'erreur donnée
// par le système.
Resultat<> envoi();

} // namespace SystemeImpression
