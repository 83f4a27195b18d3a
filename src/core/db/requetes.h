// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/commun/resultat.h"
#include "core/db/modele.h"

#include <QList>
#include <QString>
#include <QStringList>

// Les lectures que partagent plusieurs fonctions du programme, chacune écrite une seule fois,
// et la création d'une classe ou d'un niveau.
namespace Requetes {

// Liste d'identifiants pour une clause IN : des entiers venus de la base, jamais du texte
// de l'utilisateur.
QString listeIdentifiants(const QList<qint64>& ids);

// Les classes, dans leur ordre (`tri`).
Resultat<QList<Entree>> classes();
// Les niveaux, dans leur ordre (`tri`).
Resultat<QList<Entree>> niveaux();
// Les paliers : les nœuds sans parent, dans l'ordre du livret.
Resultat<QList<Noeud>> paliers();
// Les enfants d'un nœud, dans l'ordre du livret (`numero`).
Resultat<QList<Noeud>> enfants(qint64 idParent);

// Quels élèves d'une classe lire, et dans quel ordre.
struct FiltreEleves {
    QList<qint64> niveaux;       // ces niveaux seulement (vide : tous)
    QStringList libellesNiveaux; // ces libellés de niveau seulement, sans égard à la casse (vide : tous)
    bool parNiveau = true;       // niveau après niveau (ordre des niveaux), sinon tous ensemble
};
// Les élèves d'une classe, dans l'ordre alphabétique français (la base compare les octets) :
// par nom puis prénom, niveau après niveau quand `parNiveau`. Un élève dont le niveau n'existe
// plus vient en tête, sans libellé et avec un niveau 0. La date de naissance est lue quand elle
// est valide.
Resultat<QList<Eleve>> elevesClasse(qint64 idClasse, const FiltreEleves& filtre = {});

// « NOM Prénom » d'un élève ; vide quand il n'existe pas.
Resultat<QString> nomEleve(qint64 idEleve);
// Le libellé d'une classe ; vide quand elle n'existe pas.
Resultat<QString> libelleClasse(qint64 idClasse);

// L'école (ligne 1 de `general`) ; des textes vides quand la ligne manque.
Resultat<Ecole> ecole();

// Crée un niveau, ou une classe, rangé après tous les autres ; rend sa clé. Le libellé est
// gardé tel quel : c'est à l'appelant de savoir qu'il n'existe pas encore.
Resultat<qint64> creerNiveau(const QString& libelle);
Resultat<qint64> creerClasse(const QString& libelle);

} // namespace Requetes
