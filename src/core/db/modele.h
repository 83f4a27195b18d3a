// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QtGlobal>

// Les enregistrements que les fonctions du programme se passent, lus de la base : un élève, un
// nœud de l'arbre des compétences, une entrée de la liste des classes ou des niveaux. Chaque
// lecture remplit ce dont elle a besoin ; le reste garde sa valeur par défaut.

// Un élève.
struct Eleve {
    qint64 id = 0; // 0 : élève pas encore enregistré (ligne ajoutée dans un dialogue)
    QString nom;
    QString prenom;
    QString niveau; // libellé du niveau
    qint64 idNiveau = 0;
    QString dateNaiss;         // « dd/MM/yyyy », ou vide
    bool dateInvalide = false; // la date de naissance saisie n'est pas une date
};

// Un nœud de l'arbre des compétences : palier (profondeur 0), compétence (1), agrégat (2) ou
// item (3).
struct Noeud {
    qint64 id = 0;
    qint64 parent = 0;
    int profondeur = 0;
    QString libelle;
    QString ref; // « P1 », « P1C1 », « P1C1A », « P1C1A1 »
};

// Une classe ou un niveau, dans l'ordre d'affichage (`tri`).
struct Entree {
    QString libelle;
    qint64 id = 0;
};
