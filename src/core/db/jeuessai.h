// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/commun/resultat.h"

#include <QtGlobal>

// Jeu d'essai : remplace tous les enregistrements de validation par des dates tirées au
// hasard, pour essayer les grilles, l'impression et le bilan sur des volumes réalistes.
// Travaille sur la connexion par défaut, en une transaction : la première instruction refusée
// par la base annule tout (les anciennes dates restent) et revient comme erreur.
namespace JeuEssai {

// Graine prise sur l'horloge : le nombre de secondes écoulées depuis minuit (heure locale).
Resultat<> generer();

// Même travail avec une graine donnée : deux appels avec la même graine sur les mêmes élèves
// et le même arbre donnent les mêmes dates.
Resultat<> generer(quint32 graine);

} // namespace JeuEssai
