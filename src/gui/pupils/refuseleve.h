// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/commun/resultat.h"

#include <QCoreApplication>
#include <QString>

class QWidget;

// Ce que disent l'éditeur des élèves et l'ajout d'élèves quand le contrôle des lignes
// (Eleves::verifier) refuse une ligne : le même avertissement dans les deux dialogues.
class RefusEleve
{
    Q_DECLARE_TR_FUNCTIONS(RefusEleve)

public:
    // Colonnes des deux grilles.
    enum Colonne { Nom = 0, Prenom = 1, Naissance = 2, Niveau = 3 };

    // Montre le refus de la ligne `erreur.ligne` ; `champsManquants` est le texte d'une ligne
    // incomplète propre au dialogue. Rend la colonne de la case à corriger, -1 pour la
    // première case vide de la ligne ; -2 quand la raison n'est pas un refus de ligne.
    static int montrer(QWidget* parent, const Erreur& erreur, const QString& champsManquants);
};
