// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/pupils/refuseleve.h"

#include "gui/commun/invite.h"

int RefusEleve::montrer(QWidget* parent, const Erreur& erreur, const QString& champsManquants)
{
    switch (erreur.raison) {
    case Raison::ChampsManquants:
        Invite::avertissement(parent, tr("Erreur"), champsManquants.arg(erreur.ligne));
        return -1;
    case Raison::DateInvalide:
        Invite::avertissement(
            parent, tr("Erreur"),
            tr("Opération annulée: date de naissance incorrecte en ligne %1").arg(erreur.ligne));
        return Naissance;
    case Raison::NiveauAbsent:
        Invite::avertissement(parent, tr("Arrêt"),
                              tr("Opération annulée: le niveau n'existe pas en ligne %1").arg(erreur.ligne));
        return Niveau;
    default:
        return -2;
    }
}
