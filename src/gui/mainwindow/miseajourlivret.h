// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

// Le texte du livret dans une base qui vient d'une version précédente du programme.

// Au démarrage, et après une restauration : une base posée par un livret d'avant reçoit les
// libellés et l'ordre du livret actuel, une seule fois, en une transaction, après une copie de
// sécurité datée quand elle tient des données. L'enseignante est prévenue une fois, avec la
// liste des items dont le sens a changé. Rien n'est fait pour une base à jour ; en cas d'échec,
// rien n'est modifié et la mise à jour sera retentée au démarrage suivant.
void mettreLivretAJour(QWidget* parent);

// Après la reprise d'une base d'une version 1 ou 2 : ses dates ont été données sous l'ancien
// texte du livret. Quand la reprise a apporté des dates, l'enseignante reçoit le même avis.
void signalerLivretNational(QWidget* parent);
