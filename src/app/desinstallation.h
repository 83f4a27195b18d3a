#pragma once

#include "app/application.h"

// Commande « -desinstalle » : après confirmation, supprime les fichiers de base de données
// (actuelle, sa copie « .bak », versions 1 et 2) et nomme, un par avertissement, ceux qui
// n'ont pu l'être. Rien n'est demandé quand ni la base actuelle ni celle de la version 1
// n'existent.
void desinstaller(const Application::CheminsBase& chemins);
