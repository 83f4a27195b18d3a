// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class MainWindow;

// Au démarrage, les dates tapées et pas encore enregistrées quand le programme s'est arrêté
// (programme tué, coupure de courant, fin de session) : le journal des saisies est relu et
// confronté à la base, et l'enseignant, qui lit combien de cases et dans quelles grilles, choisit
// de les reprendre ou de les abandonner.
namespace RepriseSaisies {

// Oui : chaque grille est rouverte (même classe, palier, compétence, tri et filtre de niveau) et
// ses cases y sont remises, marquées et pas encore enregistrées, pour qu'il les vérifie avant
// d'enregistrer. Non : le journal est effacé. Un journal abîmé est dit, puis effacé ; les cases
// qui ne peuvent plus revenir (élève ou compétence supprimés ou changés depuis) sont comptées.
void proposer(MainWindow* fenetre);

} // namespace RepriseSaisies
