// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDate>
#include <QString>

#include <optional>

// Les dates sont gardées en texte « yyyy-MM-dd » et montrées ou saisies en « dd/MM/yyyy ».
namespace Dates {

inline const QString FORMAT_STOCKAGE = QStringLiteral("yyyy-MM-dd");
inline const QString FORMAT_AFFICHAGE = QStringLiteral("dd/MM/yyyy");

// Une date écrite « dd/MM/yyyy » (texte vide pour une date invalide) : la forme de toutes les
// cellules de date, écrite sans passer par le formatage général des dates, coûteux dans une grille.
QString afficher(const QDate& date);

// Normalise une date tapée par l'utilisateur, sur place. « 3 » donne le 3 du mois courant,
// « 3/4 » le 3 avril de l'année courante, « 3-4-9 » l'année 2009 ou 1909 selon l'année
// courante. Une date valide revient écrite « dd/MM/yyyy » ; un texte vide est valide et
// reste vide ; un texte invalide est laissé tel quel. `aujourdhui` fixe le mois et l'année
// par défaut.
bool normaliser(QString& texte, const QDate& aujourdhui = QDate::currentDate());

// Première et dernière années qu'une date tapée peut avoir : celles que normaliser() accepte.
inline constexpr int PREMIERE_ANNEE = 1900;
inline constexpr int DERNIERE_ANNEE = 9999;

// Vrai quand la date est une vraie date, d'une année que l'on peut taper et garder.
bool permise(const QDate& date);

// Ce que contient une cellule de date, lu comme valeur : rien pour un texte vide (ou de
// blancs), sinon la date que donne normaliser(), invalide quand le texte n'en est pas une. Les
// fonctions du cœur qui écrivent refusent une date invalide.
std::optional<QDate> saisie(const QString& texte);

// Première année du livret de compétences : une validation plus ancienne est invraisemblable.
inline constexpr int ANNEE_LIVRET = 2008;

// Pourquoi une date de validation est invraisemblable.
enum Invraisemblance { DansLeFutur = 1, AvantLaNaissance = 2, AvantLeLivret = 4 };

// Les raisons (`Invraisemblance`) pour lesquelles une date de validation est invraisemblable :
// dans le futur, avant la naissance de l'élève quand elle est connue, avant la première année
// du livret ; 0 quand elle est vraisemblable ou invalide. La fenêtre demande alors confirmation.
int invraisemblances(const QDate& date, const QDate& naissance,
                     const QDate& aujourdhui = QDate::currentDate());

// Lit une date venue d'un fichier : « dd/MM/yyyy » quand le texte contient « / »,
// « yyyy-MM-dd » sinon. Un texte qui ne correspond pas donne une date invalide.
QDate lire(const QString& texte);

} // namespace Dates
