// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/commun/resultat.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>

#include <optional>

// Lectures et écritures des dates des grilles de saisie : les feuilles d'un nœud de l'arbre
// des compétences et les enregistrements de validation (`notes`).
namespace Notes {

// Les feuilles sous un nœud (le nœud lui-même quand il n'a pas d'enfant), en profondeur.
Resultat<QList<qint64>> feuilles(qint64 idNoeud);

using Cle = QPair<qint64, qint64>; // (élève, nœud)

// Le texte de date du premier enregistrement de chaque paire (élève, nœud) parmi les élèves
// et les nœuds donnés ; les paires sans enregistrement sont absentes.
Resultat<QHash<Cle, QString>> dates(const QList<qint64>& eleves, const QList<qint64>& noeuds);

// Une cellule de grille à enregistrer : une date, ou rien (la cellule est vide).
struct Cellule {
    qint64 idEleve = 0;
    qint64 idComp = 0;
    std::optional<QDate> date;
};

// Ce qu'un enregistrement a changé dans la base.
struct Bilan {
    int ecrites = 0;  // dates nouvelles ou changées
    int effacees = 0; // enregistrements supprimés (cellule vidée)
};

// Écrit chaque cellule dans une transaction : enregistrement créé, changé ou supprimé selon
// qu'il existait et que la cellule tient une date. Une date invalide ou d'une année qu'on ne
// peut taper (Dates::permise) refuse tout avant la moindre écriture : Raison DateInvalide,
// `ligne` = rang de la cellule à partir de 1. Dès qu'une instruction est refusée par la base,
// rien n'est écrit.
Resultat<Bilan> enregistrer(const QList<Cellule>& cellules);

} // namespace Notes
