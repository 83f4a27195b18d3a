// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/db/modele.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// Le travail de l'éditeur des élèves, sans widget : les élèves d'une classe, l'enregistrement
// avec sa passe de contrôle, le déplacement et la suppression d'élèves, la suppression d'une
// classe vidée.
namespace Eleves {

// Les élèves d'une classe, triés par niveau, nom et prénom. Une date de naissance gardée
// qui n'est pas une date revient vide.
QList<Eleve> chargerClasse(qlonglong idClasse, const QSqlDatabase& base = QSqlDatabase::database());
// La même lecture ; rien quand la base ne se lit pas (prise par un autre programme…).
std::optional<QList<Eleve>> lireClasse(qlonglong idClasse,
                                       const QSqlDatabase& base = QSqlDatabase::database());

enum class Refus {
    Aucun,
    ChampsVides,    // un des quatre champs est vide
    DateIncorrecte, // la date de naissance porte la marque « invalide »
    NiveauAbsent,   // niveau inconnu, et l'utilisateur n'a pas voulu le créer
};

struct Verification {
    Refus refus = Refus::Aucun;
    int ligne = 0;             // ligne refusée, comptée à partir de 1
    QStringList niveauxACreer; // niveaux nouveaux acceptés, chacun une seule fois
};

// Question « faut-il créer ce niveau ? », posée par le dialogue.
using QuestionNiveau = std::function<bool(const QString& niveau)>;

// Passe de contrôle de l'enregistrement, ligne par ligne, avant toute écriture. Un niveau
// absent de `niveauxConnus` (comparé sans égard à la casse) n'est demandé qu'une fois par
// texte distinct, sans égard à la casse non plus. Rien n'est écrit ici.
Verification verifier(const QList<Eleve>& eleves, const QStringList& niveauxConnus,
                      const QuestionNiveau& creerNiveau);

// Écrit, en une seule transaction, les niveaux à créer (sans `tri`) puis chaque élève de la
// liste dans la classe : insertion pour un id 0 (l'élève reçoit alors son id), mise à jour
// sinon. Le niveau d'un élève est cherché par son texte sans égard à la casse ; `idNiveau`
// est tenu à jour. Faux, et rien d'écrit, quand la classe n'existe plus ou qu'une
// instruction échoue.
bool enregistrer(qlonglong idClasse, QList<Eleve>& eleves, const QStringList& niveauxACreer,
                 const QSqlDatabase& base = QSqlDatabase::database());

// Change de classe les élèves donnés (les id 0 sont passés), en une transaction.
bool deplacer(const QList<qlonglong>& ids, qlonglong idClasse,
              const QSqlDatabase& base = QSqlDatabase::database());

// Supprime les élèves donnés avec tous leurs enregistrements de `notes`, en une transaction.
bool supprimer(const QList<qlonglong>& ids, const QSqlDatabase& base = QSqlDatabase::database());

// Nombre d'élèves de la classe ; -1 quand la lecture échoue.
qlonglong compterEleves(qlonglong idClasse, const QSqlDatabase& base = QSqlDatabase::database());

// Nombre de classes de cette clé : 1 quand elle existe, 0 quand elle a été supprimée ; -1
// quand la lecture échoue.
qlonglong compterClasse(qlonglong idClasse, const QSqlDatabase& base = QSqlDatabase::database());

// Supprime la ligne de la classe.
bool supprimerClasse(qlonglong idClasse, const QSqlDatabase& base = QSqlDatabase::database());

} // namespace Eleves
