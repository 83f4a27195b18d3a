// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/commun/messageecriture.h"

#include "core/commun/fichiersur.h"

#include <QDir>

QString MessageEcriture::texte(const Erreur& erreur)
{
    return texte(erreur.nom, FichierSur::panne(erreur), erreur.texte);
}

QString MessageEcriture::texte(const QString& chemin, EcritureSure::Panne panne, const QString& detail)
{
    using Panne = EcritureSure::Panne;
    QString raison;
    QString conseil;
    switch (panne) {
    case Panne::DisquePlein:
        raison = tr("le disque est plein");
        conseil = tr("Libérez de la place sur le disque (ou choisissez un autre emplacement, une clé USB par "
                     "exemple), puis recommencez.");
        break;
    case Panne::Interdit:
        raison = tr("vous n'avez pas le droit d'écrire à cet endroit, ou le support est protégé en écriture");
        conseil = tr("Choisissez un autre dossier (dans vos documents, par exemple), puis recommencez.");
        break;
    case Panne::DossierAbsent:
        raison = tr("son dossier n'existe pas ou n'existe plus (clé USB retirée ?)");
        conseil = tr("Rebranchez le support ou choisissez un autre dossier, puis recommencez.");
        break;
    case Panne::Verification:
        raison = tr("le fichier relu après l'écriture était incomplet");
        conseil = tr("Le disque est peut-être plein, ou le support a été retiré pendant l'écriture : libérez "
                     "de la place ou choisissez un autre emplacement, puis recommencez.");
        break;
    case Panne::Aucune:
    case Panne::Autre:
        raison = tr("le système a refusé l'écriture");
        conseil = tr("Vérifiez le support (place libre, clé bien branchée) ou choisissez un autre "
                     "emplacement, puis recommencez.");
        break;
    }
    if (!detail.isEmpty())
        raison += QStringLiteral(" (%1)").arg(detail);
    return tr("Le fichier « %1 » n'a pas pu être écrit : %2.\n%3\nAucun fichier incomplet n'a été laissé ; "
              "un fichier qui portait déjà ce nom n'a pas été modifié.")
        .arg(QDir::toNativeSeparators(chemin), raison, conseil);
}
