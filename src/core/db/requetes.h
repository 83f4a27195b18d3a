// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/db/modele.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>

// Les lectures que partagent plusieurs fonctions du programme.
namespace Requetes {

// Liste d'identifiants pour une clause IN : des entiers venus de la base, jamais du texte
// de l'utilisateur.
QString listeIdentifiants(const QList<qint64>& ids);

// « SELECT libelle,id_classe FROM classes ORDER BY tri » ; vide quand la lecture échoue.
QList<Entree> classes(const QSqlDatabase& base = QSqlDatabase::database());
// « SELECT libelle, id_niveau FROM niveaux ORDER BY tri » ; vide quand la lecture échoue.
QList<Entree> niveaux(const QSqlDatabase& base = QSqlDatabase::database());

// Le nom et l'adresse de l'école (« SELECT ecole FROM general », première ligne) ; vide quand
// ils manquent.
QString ecole(const QSqlDatabase& base = QSqlDatabase::database());

// Les élèves d'une classe que rend `sql` : colonnes nom, prénom, libellé du niveau, id_eleve ;
// un seul paramètre, la classe. Rangés dans l'ordre alphabétique français (la base compare les
// octets), niveau après niveau quand `parNiveau`.
QList<Eleve> elevesClasse(const QString& sql, qint64 idClasse, bool parNiveau);

} // namespace Requetes
