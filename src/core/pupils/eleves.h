// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/commun/resultat.h"
#include "core/db/modele.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// Le travail de l'éditeur des élèves, sans widget : le contrôle des lignes d'élèves (commun à
// l'éditeur et à l'ajout d'élèves), l'enregistrement, le déplacement et la suppression
// d'élèves, la suppression d'une classe vidée.
namespace Eleves {

// Question « faut-il créer ce niveau ? », posée par le dialogue.
using QuestionNiveau = std::function<bool(const QString& niveau)>;

// L'élève tel qu'il sera écrit : nom, prénom et niveau sans les blancs qui les entourent.
Eleve nettoye(const Eleve& eleve);

// Le contrôle des lignes d'élèves, ligne par ligne, avant toute écriture : les quatre champs
// remplis (Raison ChampsManquants), une date de naissance valide (DateInvalide), un niveau
// connu — comparé sans égard à la casse à `niveauxConnus` — ou dont la création est acceptée
// par `creerNiveau` (NiveauAbsent sinon, ou sans question). Chaque texte de niveau nouveau
// n'est demandé qu'une fois, sans égard à la casse non plus. `ligne` : la ligne refusée, à
// partir de 1. Avec `lignesVidesPassees`, une ligne entièrement vide est passée. Rend les
// niveaux à créer, chacun une seule fois. Rien n'est écrit ici.
Resultat<QStringList> verifier(const QList<Eleve>& eleves, const QList<Entree>& niveauxConnus,
                               const QuestionNiveau& creerNiveau, bool lignesVidesPassees = false);

// Vrai pour une ligne dont aucun champ n'est rempli.
bool estVide(const Eleve& eleve);

// Écrit, en une seule transaction, les niveaux à créer puis chaque élève de la liste dans la
// classe : insertion pour un id 0, mise à jour sinon. Les lignes sont contrôlées d'abord (voir
// verifier(), sans question : un niveau inconnu doit être parmi `niveauxACreer`) et la base
// n'est pas touchée quand l'une est refusée. Le niveau d'un élève est cherché par son texte
// sans égard à la casse. Rend les élèves écrits, avec leur id et celui de leur niveau.
// ClasseSupprimee, et rien d'écrit, quand la classe n'existe plus.
Resultat<QList<Eleve>> enregistrer(qint64 idClasse, const QList<Eleve>& eleves,
                                   const QStringList& niveauxACreer);

// Change de classe les élèves donnés (les id 0 sont passés), en une transaction.
Resultat<> deplacer(const QList<qint64>& ids, qint64 idClasse);

// Supprime les élèves donnés avec tous leurs enregistrements de `notes`, en une transaction.
Resultat<> supprimer(const QList<qint64>& ids);

// Nombre d'élèves de la classe.
Resultat<qint64> compterEleves(qint64 idClasse);

// Vrai quand la classe existe encore.
Resultat<bool> classeExiste(qint64 idClasse);

// Supprime la ligne de la classe.
Resultat<> supprimerClasse(qint64 idClasse);

} // namespace Eleves
