// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QUrl;

// Ouverture d'un document ou d'une adresse par le programme que le bureau lui associe.
namespace Bureau {

// Vrai quand un programme du poste a pris le document. Sous Linux, `xdg-open` (trouvé dans le
// PATH) est lancé à part, de façon que le lecteur survive à Quorvel, et son code de sortie est
// guetté un court instant : un poste sans aucun lecteur de PDF le fait échouer aussitôt, ce que
// l'ouverture de la boîte à outils ne dirait pas. Un lanceur encore en marche au bout de ce délai
// a trouvé son programme (il l'attend). Sans `xdg-open`, et ailleurs que sous Linux, l'ouverture
// de la boîte à outils répond seule.
bool ouvrir(const QUrl& url);

} // namespace Bureau
