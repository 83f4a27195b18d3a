// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>
#include <QVariant>

// Lectures et écritures des essais dans la base, en une ligne : ce que la base contient, écrit
// en texte comparable.
namespace Sql {

// Exécute `sql` sur la connexion par défaut, valeurs liées aux « ? » ; un refus arrête l'essai.
// Rend la première valeur de la première ligne, sinon la clé de la ligne insérée.
QVariant valeur(const QString& sql, const QVariantList& valeurs = {});

// Les lignes du résultat de `sql`, valeurs jointes par `separateur`, NULL écrit « NULL ».
QStringList lignes(const QString& sql, const QString& separateur = QStringLiteral("|"));

// Tout le contenu des tables nommées, lignes dans l'ordre de leur clé : ce qu'une écriture refusée
// ne doit pas avoir touché.
QString contenu(const QStringList& tables = {"classes", "niveaux", "eleves", "notes"});

// Même chose sur le fichier `chemin`, par une connexion à part qui ne voit que ce qui est validé :
// les instructions dans l'ordre, puis les lignes de la dernière ; un échec rend « ERREUR … ».
QStringList surFichier(const QString& chemin, const QStringList& instructions);

// La clé du nœud du livret de code `ref`, 0 s'il n'y en a pas.
qint64 idRef(const QString& ref);

} // namespace Sql
