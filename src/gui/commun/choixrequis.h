// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QAbstractButton;

// Aucun bouton qui valide un dialogue ne se tait : tant qu'un choix requis manque, il est éteint,
// et sa bulle comme sa description pour les lecteurs d'écran disent ce qui manque.
namespace ChoixRequis {

// `manque` : ce qui manque, en une phrase qui dit quoi faire ; vide quand rien ne manque (le
// bouton s'allume et sa bulle s'efface).
void suivre(QAbstractButton* bouton, const QString& manque);

} // namespace ChoixRequis
