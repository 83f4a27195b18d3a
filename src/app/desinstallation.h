// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/commun/application.h"

#include <QStringList>

// Commande « -desinstalle » : après confirmation, supprime les fichiers de base de données
// (actuelle, versions 1 et 2) et les copies que le programme a faites (voir copiesFaites()),
// puis nomme, un par avertissement, ceux qui n'ont pu l'être. Rien n'est demandé quand ni la
// base actuelle, ni celle de la version 1, ni aucune copie n'existent.
void desinstaller(const Application::CheminsBase& chemins);

// Les fichiers qui existent, en dehors des bases actuelle et de la version 1, et que la
// désinstallation supprime : la base de la version 2, les journaux de SQLite laissés à côté des
// bases, l'ancienne base gardée par une restauration (« .bak ») et les copies temporaires
// d'une restauration interrompue, les copies datées faites avant une réinitialisation et les
// fichiers abîmés mis de côté au démarrage, les copies automatiques du dossier « copies » (pas
// celles du second dossier, qui est à l'enseignant), la copie de travail de l'import de classe.
// Tous tiennent des données des élèves.
QStringList copiesFaites(const Application::CheminsBase& chemins);
