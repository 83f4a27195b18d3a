// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/commun/messages.h"

#include "gui/commun/invite.h"

QString Messages::texteLecture(const Erreur& erreur)
{
    return tr("La base de données n'a pas pu être lue : %1\n\nRien n'a été modifié. Fermez tout autre "
              "programme qui l'utiliserait (une autre copie de Quorvel, un outil de sauvegarde ou de "
              "synchronisation…), puis recommencez.")
        .arg(erreur.texte);
}

void Messages::lectureImpossible(QWidget* parent, const Erreur& erreur)
{
    Invite::critique(parent, tr("Lecture impossible"), texteLecture(erreur));
}

void Messages::ecritureRefusee(QWidget* parent, const Erreur& erreur)
{
    if (erreur.raison == Raison::LectureImpossible) {
        lectureImpossible(parent, erreur);
        return;
    }
    Invite::critique(
        parent, tr("Enregistrement impossible"),
        tr("La base de données a refusé l'écriture (%1) : disque plein, fichier en lecture seule "
           "ou utilisé par un autre programme.\n\nRien n'a été modifié. Libérez de la place sur "
           "le disque ou fermez l'autre programme, puis recommencez.")
            .arg(erreur.texte));
}

std::optional<std::pair<QString, QString>> Messages::refusCsv(const Erreur& erreur)
{
    const QString titre = tr("Chargement");
    switch (erreur.raison) {
    case Raison::FichierIllisible:
        return std::pair{titre, tr("Le chargement de \"%1\" a échoué avec le message d'erreur: %2")
                                    .arg(erreur.nom, erreur.texte)};
    case Raison::FichierTropGros:
        return std::pair{titre,
                         tr("Le chargement de \"%1\" a été refusé : le fichier dépasse %2 Mo, ce qui ne "
                            "correspond pas à un fichier CSV attendu par Quorvel. Vérifiez le fichier "
                            "choisi.")
                             .arg(erreur.nom)
                             .arg(erreur.nombre)};
    case Raison::TropDeCases:
        return std::pair{titre,
                         tr("Le chargement de \"%1\" a été refusé : le fichier compte %2 lignes dont la "
                            "plus large a %3 colonnes, ce qui ne correspond pas à un fichier CSV attendu "
                            "par Quorvel. Vérifiez le fichier choisi.")
                             .arg(erreur.nom)
                             .arg(erreur.ligne)
                             .arg(erreur.colonne)};
    default:
        return std::nullopt;
    }
}
