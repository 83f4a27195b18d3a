// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/commun/resultat.h"

#include <QCoreApplication>
#include <QString>

#include <optional>
#include <utility>

class QWidget;

// Les messages que plusieurs fenêtres donnent pour une même raison d'échec du cœur : une
// lecture de la base refusée, un fichier CSV qui ne se lit pas. Chaque fenêtre écrit les
// siens pour les raisons qui lui sont propres.
class Messages
{
    Q_DECLARE_TR_FUNCTIONS(Messages)

public:
    // « La base de données n'a pas pu être lue : … », avec ce qu'en a dit la base.
    static QString texteLecture(const Erreur& erreur);
    // Le dit à l'enseignant : jamais une liste vide ou une grille vide à la place.
    static void lectureImpossible(QWidget* parent, const Erreur& erreur);

    // Une écriture refusée par la base (disque plein, fichier en lecture seule ou pris ailleurs) :
    // rien n'a été modifié, et l'enseignant apprend quoi faire. Une lecture refusée en chemin
    // est dite comme telle.
    static void ecritureRefusee(QWidget* parent, const Erreur& erreur);

    // La valeur lue ; rien, après l'avoir dit à l'enseignant, quand la lecture a échoué.
    template <typename T> static std::optional<T> lu(QWidget* parent, Resultat<T> resultat)
    {
        if (!resultat) {
            lectureImpossible(parent, resultat.erreur());
            return std::nullopt;
        }
        return std::move(resultat).valeur();
    }

    // Le titre et le texte du refus d'un fichier CSV par le lecteur (fichier qui ne s'ouvre
    // pas, démesuré) ; rien pour une autre raison.
    static std::optional<std::pair<QString, QString>> refusCsv(const Erreur& erreur);
};
