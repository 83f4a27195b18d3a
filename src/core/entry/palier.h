// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/entry/notes.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QString>

// Calculs de la grille des paliers : pour chaque élève et chaque compétence d'un palier, la
// réussite sur les feuilles de la compétence (items validés sur items), la date la plus
// récente parmi ces validations et la date de validation de la compétence elle-même.
namespace Palier {

// Une compétence du palier avec ses feuilles (elle-même quand elle n'a pas d'enfant ; un
// domaine sans item compte pour une feuille).
struct Competence {
    qint64 id = 0;
    QString libelle;
    QList<qint64> feuilles;
};

// Les compétences d'un palier, dans l'ordre où la base les rend ; aucune pour l'identifiant 0.
QList<Competence> competences(qint64 idPalier);

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
QHash<Notes::Cle, Reussite> reussites(const QList<qint64>& eleves, const QList<Competence>& competences);

// Le même calcul sur des dates déjà lues (premier enregistrement de chaque paire).
Reussite reussite(qint64 idEleve, const Competence& competence, const QHash<Notes::Cle, QString>& dates);

// Une date telle qu'elle est gardée dans la base (« yyyy-MM-dd ») ; invalide sinon.
QDate dateStockee(const QString& texte);

} // namespace Palier
