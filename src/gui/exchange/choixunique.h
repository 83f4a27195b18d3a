// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QDialog;
class QTreeWidget;
class QTreeWidgetItem;

// Cases d'une ligne d'arbre qui valent un seul choix : cocher une case décoche les autres
// de la ligne, décocher la case cochée la recoche. Seules les colonnes à partir de
// `premiere` qui portent une case comptent. Au clavier, les flèches vont de case en case et
// Espace coche la case courante.
namespace ChoixUnique {

void installer(QTreeWidget* arbre, int premiere);
// Rang de la case cochée compté depuis `premiere`, ou -1.
int choix(const QTreeWidgetItem* ligne, int premiere);
// Ajoute une case (cochée ou non) dans la colonne.
void ajouterCase(QTreeWidgetItem* ligne, int colonne, bool cochee);
// Colonnes à la largeur de leur contenu ; le dialogue s'élargit pour les montrer toutes sans
// défilement, dans la limite de l'écran.
void montrerColonnes(QDialog* dialogue, QTreeWidget* arbre);

} // namespace ChoixUnique
