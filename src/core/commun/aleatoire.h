// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

// Le générateur pseudo-aléatoire unique du programme. Tous les tirages (jeu d'essai, octet
// aléatoire du chiffrement des fichiers de classe) passent par lui ; chaque fonctionnalité
// l'initialise à l'endroit où elle doit le faire. Sans initialisation, la graine vaut 1.
namespace Aleatoire {

// Réinitialise le générateur avec cette graine : la suite des tirages qui suit ne dépend
// que d'elle.
void initialiser(quint32 graine);

// Le tirage suivant, sur 32 bits.
quint32 tirer();

} // namespace Aleatoire
