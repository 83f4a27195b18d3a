// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/commun/ecrituresure.h"
#include "core/commun/resultat.h"

#include <QCoreApplication>
#include <QString>

// Ce qu'on dit à l'enseignant d'un fichier qui n'a pas pu être écrit (export de classe, bilan,
// sauvegarde, tirage dans un fichier PDF) : ce qui a échoué, ce qu'il faut faire, et que rien
// n'a été laissé à moitié écrit.
class MessageEcriture
{
    Q_DECLARE_TR_FUNCTIONS(MessageEcriture)

public:
    // « Le fichier « … » n'a pas pu être écrit : le disque est plein (…). » suivi de ce qu'il faut
    // faire et de ce qu'est devenu un fichier du même nom.
    static QString texte(const QString& chemin, EcritureSure::Panne panne, const QString& detail);
    // La même chose pour un échec rendu par le cœur (FichierNonEcrit : le fichier dans `nom`).
    static QString texte(const Erreur& erreur);
};
