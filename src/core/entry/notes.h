// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/db/modele.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>

// Lectures et écritures des grilles de saisie : élèves d'une classe, nœuds de l'arbre des
// compétences, dates des enregistrements de validation.
namespace Notes {

// Les élèves d'une classe, éventuellement des seuls niveaux donnés, triés par niveau puis
// par nom, ou par nom seulement.
QList<Eleve> elevesClasse(qint64 idClasse, const QList<qint64>& niveaux, bool triParNom);

// Les enfants d'un nœud, dans l'ordre où la base les rend.
QList<Noeud> enfants(qint64 idParent);

// Les feuilles sous un nœud (le nœud lui-même quand il n'a pas d'enfant), en profondeur.
QList<qint64> feuilles(qint64 idNoeud);

using Cle = QPair<qint64, qint64>; // (élève, nœud)

// Le texte de date du premier enregistrement de chaque paire (élève, nœud) parmi les élèves
// et les nœuds donnés ; les paires sans enregistrement sont absentes.
QHash<Cle, QString> dates(const QList<qint64>& eleves, const QList<qint64>& noeuds);

// Une cellule de grille à enregistrer : date affichée « dd/MM/yyyy », ou vide.
struct Cellule {
    qint64 idEleve = 0;
    qint64 idComp = 0;
    QString date;
};

// Ce qu'un enregistrement a changé dans la base.
struct Bilan {
    int ecrites = 0;  // dates nouvelles ou changées
    int effacees = 0; // enregistrements supprimés (cellule vidée)
};

// Écrit chaque cellule dans une transaction : enregistrement créé, changé ou supprimé selon
// qu'il existait et que la cellule tient une date. Vrai quand la transaction est validée ;
// faux, et rien d'écrit, dès qu'une instruction est refusée par la base. `bilan`, quand il
// est donné, reçoit ce qui a changé (seulement quand c'est vrai).
bool enregistrer(const QList<Cellule>& cellules, Bilan* bilan = nullptr);

// Les dates de naissance des élèves donnés ; un élève sans date lisible est absent.
QHash<qint64, QDate> datesNaissance(const QList<qint64>& eleves);

} // namespace Notes
