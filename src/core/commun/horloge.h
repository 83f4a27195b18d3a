// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDate>
#include <QDateTime>

// L'heure du programme, pour ce qui se décide au calendrier (les copies automatiques : une par
// jour, par semaine, par année scolaire). Par défaut l'horloge du système ; un essai la fixe
// pour dérouler des jours et des semaines sans attendre.
namespace Horloge {

// L'instant présent, en heure locale.
QDateTime maintenant();
QDate aujourdhui();

// Fixe l'instant que rendra maintenant() jusqu'au prochain appel ; un instant invalide rend
// l'horloge du système.
void fixer(const QDateTime& instant);

} // namespace Horloge
