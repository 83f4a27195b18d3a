// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/commun/ecrituresure.h"

#include <QByteArray>
#include <QString>

// Les écritures de fichiers entiers du programme (fichier de classe, bilan, sauvegarde, copies
// de la base, copie de travail de l'import) : par EcritureSure, le fichier écrit est relu et
// comparé à ce qui devait y être avant de prendre le nom de la destination. Un échec laisse la
// destination telle qu'elle était (ou absente), sans fichier à moitié écrit à côté.
namespace FichierSur {

struct Issue {
    EcritureSure::Panne panne = EcritureSure::Panne::Aucune;
    QString detail; // le texte du système, pour le message
    bool reussie() const { return panne == EcritureSure::Panne::Aucune; }
};

// La panne d'une écriture qui a échoué (Aucune quand elle a réussi).
Issue issue(const EcritureSure& ecriture);

// Écrit `octets` sous `destination`.
Issue ecrire(const QString& destination, const QByteArray& octets, EcritureSure::Droits droits);

// Recopie le fichier `source` sous `destination`, octet pour octet.
Issue copier(const QString& source, const QString& destination, EcritureSure::Droits droits);

} // namespace FichierSur
