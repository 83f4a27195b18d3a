// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/commun/ecrituresure.h"
#include "core/commun/resultat.h"

#include <QByteArray>
#include <QString>

// Les écritures de fichiers entiers du programme (fichier de classe, bilan, sauvegarde, copies
// de la base, copie de travail de l'import) : par EcritureSure, le fichier écrit est relu et
// comparé à ce qui devait y être avant de prendre le nom de la destination. Un échec laisse la
// destination telle qu'elle était (ou absente), sans fichier à moitié écrit à côté ; il revient
// en Raison FichierNonEcrit, la panne dans `nombre`.
namespace FichierSur {

// L'échec d'une écriture de `chemin`, et la panne qu'il porte.
Erreur echec(const QString& chemin, EcritureSure::Panne panne, const QString& detail);
EcritureSure::Panne panne(const Erreur& erreur);

// Écrit `octets` sous `destination`.
Resultat<> ecrire(const QString& destination, const QByteArray& octets, EcritureSure::Droits droits);

// Recopie le fichier `source` sous `destination`, octet pour octet.
Resultat<> copier(const QString& source, const QString& destination, EcritureSure::Droits droits);

} // namespace FichierSur
