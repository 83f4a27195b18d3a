// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDate>
#include <QString>
#include <QtGlobal>

#include <optional>

// Les enregistrements que les fonctions du programme se passent : un élève, un nœud de l'arbre
// des compétences, une entrée de la liste des classes ou des niveaux. Chaque lecture remplit ce
// dont elle a besoin ; le reste garde sa valeur par défaut.

// Un élève. Les textes sont ceux de la base, ou tels que tapés (débarrassés ici des blancs qui
// les entourent par le cœur qui les écrit).
struct Eleve {
    qint64 id = 0; // 0 : élève pas encore enregistré (ligne ajoutée dans un dialogue)
    QString nom;
    QString prenom;
    QString niveau; // libellé du niveau
    qint64 idNiveau = 0;
    // Date de naissance : vide quand il n'y en a pas (ou qu'elle ne se lit pas dans la base) ;
    // une date invalide est une date tapée qui n'en est pas une, refusée à l'écriture.
    std::optional<QDate> naissance;
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

// Le nom et l'adresse de l'école (lignes séparées par des sauts de ligne), et la principale
// langue vivante étrangère enseignée : la ligne 1 de `general`.
struct Ecole {
    QString ecole;
    QString langue;
};
