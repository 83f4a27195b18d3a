// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Le dossier où s'ouvre chaque choix de fichier ou de dossier du programme : le dernier dossier
// utilisé pendant l'exécution, quel que soit le dialogue qui l'a choisi (export, import,
// sauvegarde, bilan…), sinon le dossier « Documents » de l'utilisateur quand il existe, sinon son
// dossier personnel. Un dossier qui a disparu depuis (clé USB retirée) n'est pas proposé.
// Rien n'est gardé d'une exécution à l'autre.
namespace DossierDepart {

// La règle : le premier de ces dossiers qui existe ; le dossier personnel en dernier recours.
QString choisir(const QString& dernier, const QString& documents, const QString& maison);

// Le dossier de départ d'un choix de fichier ou de dossier.
QString dossier();
// Le fichier proposé à l'enregistrement : `nomFichier` dans le dossier de départ.
QString chemin(const QString& nomFichier);

// Un fichier ou un dossier vient d'être choisi (un chemin vide est ignoré) : son dossier, ou
// lui-même pour un dossier, devient le dernier utilisé.
void retenir(const QString& choisi);
// Oublie le dernier dossier utilisé (essais).
void oublier();

} // namespace DossierDepart
