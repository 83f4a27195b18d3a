// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/commun/resultat.h"
#include "core/db/initialisation.h"

#include <QList>
#include <QString>
#include <QStringList>

// Une base posée par un livret d'avant reçoit les libellés et l'ordre du livret actuel. Rien
// d'autre ne change : chaque nœud garde sa clé (chaque date reste donc sur son item, sous le même
// code), seuls `libelle` et `numero` (la place parmi les frères) sont réécrits, et la base reste
// lisible par toute autre copie du programme (ni colonne ni table nouvelle). La différence se
// voit au contenu : une base à jour n'a plus rien à recevoir.
namespace MiseAJourLivret {

// Les items dont le sens a changé quand le livret a pris le texte national de 2010, dans l'ordre
// du livret : les dates données sous l'ancien libellé sont à revoir.
inline const QStringList SENS_CHANGE = {"P1C3B1", "P2C2B2", "P2C2C2", "P2C2E4", "P2C5A1",
                                        "P2C5A2", "P2C5A4", "P2C5D2", "P2C5D3"};

// Un nœud à réécrire.
struct Changement {
    qint64 id = 0;
    QString ref;
    QString ancienLibelle;
    QString libelle;
    int ancienNumero = 0;
    int numero = 0;
};

// Ce qui sépare l'arbre de la base ouverte du livret `chemin` : les nœuds dont le libellé ou la
// place diffère, dans l'ordre du livret. Vide quand la base est à jour, et aussi quand son arbre
// n'a pas exactement les nœuds du livret (mêmes codes, mêmes parents, mêmes profondeurs) : un
// arbre qu'on ne reconnaît pas n'est pas touché. Refus : ceux de la lecture du livret, et
// LectureImpossible quand l'arbre de la base ne se lit pas.
Resultat<QList<Changement>> ecarts(const QString& chemin = Initialisation::RESSOURCE_LIVRET);

// Réécrit ces nœuds en une seule transaction : tout, ou rien (EcritureRefusee, avec le texte du
// pilote).
Resultat<> appliquer(const QList<Changement>& changements);

// Un item à revoir : son libellé actuel et le nombre d'élèves qui y ont une date.
struct ItemARevoir {
    QString ref;
    QString libelle;
    int eleves = 0;
};

// Les items de `refs` dans l'ordre donné ; un code absent de la base est passé.
Resultat<QList<ItemARevoir>> itemsARevoir(const QStringList& refs);

// Le nombre de dates enregistrées dans la base.
Resultat<qint64> nombreDates();

// Les items de SENS_CHANGE dont ces changements réécrivent le libellé.
QStringList sensChange(const QList<Changement>& changements);

} // namespace MiseAJourLivret
