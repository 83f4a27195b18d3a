// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/commun/resultat.h"

#include <QList>
#include <QString>

// Le travail de l'éditeur des listes des classes et des niveaux, sans widget : lecture des
// entrées avec leur usage par les élèves, écriture de toutes les modifications en une fois.
namespace Listes {

// Vrai pour la liste des niveaux ; tout autre nom désigne la liste des classes.
bool estNiveaux(const QString& table);

// Une entrée de la liste, dans l'ordre d'affichage. `cle` vaut 0 pour une entrée ajoutée
// dans le dialogue, la clé de la ligne pour une entrée qu'aucun élève n'utilise, et moins la
// clé pour une entrée utilisée par au moins un élève.
struct Entree {
    QString libelle;
    qlonglong cle = 0;
};

// Les entrées de la table, par `tri` croissant, avec leur usage.
Resultat<QList<Entree>> charger(const QString& table);

// Écrit la liste en une transaction : chaque entrée reçoit son libellé et sa position pour
// `tri` (mise à jour d'une entrée existante, insertion d'une nouvelle), puis chaque clé
// supprimée encore inutilisée est effacée. Un libellé vide (ou de blancs) est refusé avant
// toute écriture (Raison ChampsManquants, `ligne` : sa position à partir de 1) ; toute
// instruction refusée arrête le travail et rien n'est écrit.
Resultat<> enregistrer(const QString& table, const QList<Entree>& entrees,
                       const QList<qlonglong>& supprimees);

} // namespace Listes
