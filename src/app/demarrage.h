// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Le démarrage complet du programme, de la ligne de commande à la fin de la boucle
// d'événements ; rend l'état de sortie du processus.
int demarrer(int argc, char** argv);
