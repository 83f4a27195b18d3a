// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/commun/resultat.h"
#include "core/db/lecteurcsv.h"

#include <QList>
#include <QString>

// Un nœud du livret tel que le fichier le donne.
struct NoeudLivret {
    QString ref;
    QString libelle;
    int profondeur = 0; // la colonne
    int numero = 0;     // place parmi les frères, à partir de 1, dans l'ordre du fichier
    int parent = -1;    // rang du parent dans la liste des nœuds, -1 pour un palier
};

// Chargeur du livret de compétences : lit le fichier du livret (CSV séparé par « ; ») et
// remplace l'arbre de la table `competences` sur la connexion par défaut.
//
// Format : chaque ligne porte au plus un nœud par colonne, la colonne donnant la profondeur
// (0 palier, 1 compétence, 2 agrégat, 3 item). Une case est vide ou contient « code/libellé ».
// Le premier enfant d'un nœud est sur la même ligne, dans la première case non vide à sa
// droite ; les enfants suivants commencent les lignes d'après, cases de gauche vides.
//
// Le chargement n'ouvre pas de transaction : il s'exécute dans celle de l'appelant, qui
// l'annule en cas d'échec (les nœuds déjà insérés lui sont laissés).
class ChargeurLivret
{
public:
    ChargeurLivret() = default;

    // Lit le livret et remplace l'arbre des compétences. Refus : ceux du lecteur CSV quand le
    // fichier ne se lit pas ; LivretAvecNotes quand des dates sont enregistrées ;
    // ReferenceSansLibelle et LibelleVide, avec la ligne et la colonne (à partir de 0) de la
    // case ; une instruction refusée par la base.
    Resultat<> load(const QString& chemin);

    // Lit le livret sans toucher à la base : ses nœuds dans l'ordre du fichier, qui est celui
    // des clés d'une base neuve (chaque parent avant ses enfants). Refus : ceux de load() qui
    // viennent du fichier.
    Resultat<QList<NoeudLivret>> lire(const QString& chemin);

    const LecteurCsv& lecteur() const { return lecteurCsv; }

private:
    Resultat<QList<NoeudLivret>> parcourir() const;

    LecteurCsv lecteurCsv;
};
