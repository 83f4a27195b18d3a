// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Le démarrage complet du programme, de la ligne de commande à la fin de la boucle
// d'événements ; rend l'état de sortie du processus. Options : « -desinstalle » (supprimer les
// données, après confirmation) et « -verifie » (démarrer jusqu'à la fenêtre principale, vérifier
// que le guide, la licence et le pilote SQLite sont là, puis quitter : 0 quand tout y est).
int demarrer(int argc, char** argv);
