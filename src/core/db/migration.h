// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/commun/resultat.h"

#include <QSqlDatabase>
#include <QString>

// Reprise des données d'une base des versions précédentes (« QuorvelV2.sqlite » pour la
// version 2, « Quorvel.sqlite » pour la version 1) dans la base neuve, connexion par défaut,
// juste après sa pose. L'arbre des compétences n'est jamais repris : la base neuve vient de
// charger le sien. L'écran d'attente, les messages et la suppression de l'ancien fichier
// reviennent au dialogue d'initialisation.
namespace Migration {

inline const QString CONNEXION_V2 = QStringLiteral("ancienne_baseV2");
inline const QString CONNEXION_V1 = QStringLiteral("ancienne_base");

// Reprise d'une base de la version 2, ou de la version 1. Tout ce qui est copié l'est dans
// une transaction de la connexion par défaut, validée quelle que soit l'issue : ce qui a été
// copié avant un échec reste. La connexion sur l'ancien fichier n'existe que pendant l'appel.
// Réussi quand toutes les étapes ont réussi (le dialogue supprime alors l'ancien fichier).
// Refus : OuvertureImpossible quand l'ancien fichier ne s'ouvre pas ou n'est pas une base
// lisible, avec le texte du pilote (rien n'a été touché dans la base neuve) ;
// MigrationIncomplete quand une étape a échoué, avec le texte du pilote.
// Les anciennes bases avaient les items P2C5D4 et P2C5D5, P2C6B1 et P2C6B2 dans l'ordre de leurs
// codes, le livret actuel dans l'ordre inverse : leurs enregistrements sont rendus à leur item.
Resultat<> importerVersion2(const QString& cheminAncien);
Resultat<> importerVersion1(const QString& cheminAncien);

// Copie une table de l'ancienne base dans la nouvelle : toutes les lignes de
// « SELECT colonnes FROM table », clés comprises, insérées telles quelles. `colonnes` est une
// liste séparée par des virgules. Le premier échec (lecture ou insertion) arrête la copie ;
// les lignes déjà insérées restent. Nom de table et colonnes viennent toujours de constantes
// du programme.
Resultat<> copierTable(const QString& table, const QString& colonnes, const QSqlDatabase& ancienne,
                       const QSqlDatabase& nouvelle = QSqlDatabase::database());

// Traduit la clé d'un nœud de l'arbre de la version 1 en clé de l'arbre des versions 2 et 3 :
// 178 devient 186, 179 à 185 perdent un, 186 à 211 gagnent un, les autres restent.
int noeudVersion1(int ancien);

} // namespace Migration
