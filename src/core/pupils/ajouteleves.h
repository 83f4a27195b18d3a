// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/db/modele.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// Ajout d'élèves à une classe : le contrôle des lignes saisies, la création des niveaux
// acceptés et l'insertion des élèves qui ne sont pas déjà dans la base. Aucun widget ici : le
// dialogue d'ajout lit sa grille et appelle ce module.
namespace AjoutEleves {

// Une ligne de la grille, telle que saisie (les textes sont débarrassés ici des blancs qui
// les entourent).
struct Ligne {
    QString nom;
    QString prenom;
    QString dateNaissance; // « dd/MM/yyyy », déjà normalisée par la cellule de date
    QString niveau;
    bool dateInvalide = false; // marque « date invalide » de la cellule
};

// Pourquoi l'enregistrement s'est arrêté.
enum class Arret {
    Aucun,           // enregistrement fait
    ClasseAbsente,   // aucune classe chargée
    ClasseSupprimee, // la classe chargée n'existe plus (supprimée par l'éditeur de listes)
    ChampsManquants, // ligne remplie en partie
    DateIncorrecte,  // date de naissance marquée invalide
    NiveauAbsent,    // niveau inconnu dont la création a été refusée
    ErreurBase       // la base a refusé une instruction : tout est annulé
};

struct Resultat {
    Arret arret = Arret::Aucun;
    int ligne = 0;            // ligne de l'arrêt, numérotée à partir de 1
    int ajoutes = 0;          // élèves insérés
    int ignores = 0;          // élèves déjà présents (même nom, prénom et date de naissance)
    QStringList niveauxCrees; // niveaux insérés, dans l'ordre où ils ont été acceptés
    bool reussi() const { return arret == Arret::Aucun; }
};

// Question « Nouveau niveau ? » : vrai quand l'utilisateur accepte de créer le niveau.
using QuestionNiveau = std::function<bool(const QString& niveau)>;

// Vrai quand deux libellés de niveau sont les mêmes à la casse près.
bool memeNiveau(const QString& a, const QString& b);

// Enregistre les lignes dans la classe `idClasse`, les niveaux étant cherchés parmi
// `niveauxConnus` (la liste montrée à l'utilisateur). Toutes les questions sont posées pendant
// le contrôle, avant la moindre écriture ; un arrêt du contrôle laisse la base telle qu'elle
// était. L'écriture (niveaux nouveaux puis élèves) se fait dans une seule transaction.
Resultat enregistrer(const QList<Ligne>& lignes, qlonglong idClasse, const QList<Entree>& niveauxConnus,
                     const QuestionNiveau& creerNiveau);

} // namespace AjoutEleves
