// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/commun/resultat.h"
#include "core/entry/notes.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QString>

#include <optional>

// Calculs de la grille des paliers : pour chaque élève et chaque compétence d'un palier, la
// réussite sur les feuilles de la compétence (items validés sur items), la date la plus
// récente parmi ces validations et la date de validation de la compétence elle-même ; la
// disposition de la grille et la règle de la propagation sous condition.
namespace Palier {

// Trois lignes par compétence : la réussite, la date la plus récente, puis la date de
// validation, seule ligne de dates.
inline constexpr int LIGNES_PAR_COMPETENCE = 3;
enum Decalage { LigneReussite = 0, LigneRecente = 1, LigneValidation = 2 };
// La ligne de la grille pour la compétence de rang `rang` (à partir de 0).
constexpr int ligne(int rang, Decalage decalage)
{
    return LIGNES_PAR_COMPETENCE * rang + decalage;
}
// Le rang de la compétence d'une ligne.
constexpr int rang(int ligne)
{
    return ligne / LIGNES_PAR_COMPETENCE;
}
// Vrai pour une ligne de dates (la validation d'une compétence).
constexpr bool estLigneValidation(int ligne)
{
    return ligne % LIGNES_PAR_COMPETENCE == LigneValidation;
}

// Une compétence du palier avec ses feuilles (elle-même quand elle n'a pas d'enfant ; un
// domaine sans item compte pour une feuille).
struct Competence {
    qint64 id = 0;
    QString libelle;
    QList<qint64> feuilles;
};

// Les compétences d'un palier, dans l'ordre du livret ; aucune pour l'identifiant 0.
Resultat<QList<Competence>> competences(qint64 idPalier);

struct Reussite {
    int validees = 0; // feuilles ayant un enregistrement, quel que soit son texte
    int total = 0;    // nombre de feuilles
    double pourcentage = 0.0;
    QDate plusRecente; // invalide quand aucune feuille validée ne porte de date lisible
    QDate validation;  // date de l'enregistrement de la compétence, invalide sinon
};

// Les réussites de chaque paire (élève, compétence), lues dans la base en une seule requête
// sur les enregistrements de validation. Les élèves et compétences d'identifiant 0 sont
// écartés.
Resultat<QHash<Notes::Cle, Reussite>> reussites(const QList<qint64>& eleves,
                                                const QList<Competence>& competences);

// Le même calcul sur des dates déjà lues (premier enregistrement de chaque paire).
Reussite reussite(qint64 idEleve, const Competence& competence, const QHash<Notes::Cle, QString>& dates);

// Une date telle qu'elle est gardée dans la base (« yyyy-MM-dd ») ; invalide sinon.
QDate dateStockee(const QString& texte);

// La propagation sous condition : quelle date mettre dans une case de validation vide.
enum class Mode {
    RecenteSinonDefaut, // la date la plus récente des items, sinon la date par défaut
    RecenteSeulement,   // la date la plus récente des items, sinon rien
    DateDefaut          // la date par défaut
};
struct Propagation {
    bool atteint = false;      // la réussite de l'élève atteint le minimum
    std::optional<QDate> date; // la date à mettre, rien quand il n'y en a pas
};
// Pour un élève dont la réussite est `pourcentage` et dont l'item validé le plus récemment
// l'a été le `recente` (invalide : aucun) : la date que donne le mode, quand la réussite
// atteint `minimum` (en pour cent).
Propagation propager(double pourcentage, const QDate& recente, Mode mode, double minimum,
                     const QDate& defaut);

} // namespace Palier
