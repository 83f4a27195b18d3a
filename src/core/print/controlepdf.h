// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Relecture d'un fichier PDF écrit par le programme, avant de lui donner son nom : le moteur PDF
// de la boîte à outils ne dit pas quand une écriture échoue (disque plein, clé retirée), le
// fichier terminé doit donc montrer lui-même qu'il est entier.
namespace ControlePdf {

// Vrai quand le fichier commence par l'en-tête « %PDF- », finit par « %%EOF » précédé de
// « startxref » et de la position de la table des renvois, et que cette table est bien à cette
// position : tout octet perdu en chemin la décale.
bool complet(const QString& chemin);

} // namespace ControlePdf
