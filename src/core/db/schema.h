// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/commun/resultat.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// Le modèle de données : version du schéma, ouverture de la base et contrôle de version.
namespace Schema {

inline constexpr int VERSION = 3;
inline const QString RESSOURCE_SCRIPT = QStringLiteral(":sql/tables.sql");

// Ouvre la base SQLite comme connexion par défaut du processus. Un chemin qui n'existe
// pas encore donne un fichier vide, privé. Refus : OuvertureImpossible, avec le texte du pilote.
// `lectureSeule` : la base est ouverte pour être lue seulement (dossier ou fichier qui ne peut
// pas être modifié) ; toute écriture est alors refusée par SQLite.
Resultat<> ouvrirBaseParDefaut(const QString& chemin, bool lectureSeule = false);

// Index de recherche des enregistrements par élève et nœud, créé s'il manque. Les grilles
// et les rapports lisent les dates par paire (élève, nœud) : sans lui, chaque lecture
// parcourt toute la table. Un index ne change rien au fichier pour une autre copie du
// programme ; un échec (fichier neuf sans table, fichier en lecture seule) est sans effet.
void creerIndex(const QSqlDatabase& base = QSqlDatabase::database());

// Ce que le contrôle de version trouve dans un fichier.
struct EtatVersion {
    enum Statut {
        AInitialiser, // fichier neuf ou étranger : pas de table general utilisable
        Incorrecte,   // table general d'une autre version
        Correcte,
    };
    Statut statut = AInitialiser;
    int version = 0; // version lue dans general (Incorrecte ou Correcte)
};

// Les instructions d'un script SQL des ressources, une par ligne : lignes vides et lignes
// commençant par « # » sautées, la suite de deux caractères « \n » remplacée par un saut de
// ligne. Refus : FichierIllisible quand la ressource ne peut être lue.
Resultat<QStringList> instructionsScript(const QString& ressource = RESSOURCE_SCRIPT);

// Le fichier de la base ouverte se lit-il ? Refus : BaseOccupee (verrouillé par un autre
// programme) ou BaseEndommagee (ce n'est pas une base SQLite, il est tronqué…), avec le
// constat de SQLite. Un fichier vide est sain : c'est une base neuve.
// L'examen rapide lit l'en-tête et le schéma (un fichier tronqué y est déjà refusé : il est
// plus court que ce que son en-tête annonce) ; l'examen complet relit aussi chaque page,
// proportionnellement à la taille du fichier.
enum class Examen { Rapide, Complet };
Resultat<> examiner(Examen examen, const QSqlDatabase& base = QSqlDatabase::database());

// La version du fichier ouvert ; un fichier sans table `general` est à initialiser. Une
// lecture qui échoue est une erreur, jamais un fichier à initialiser.
Resultat<EtatVersion> controlerVersion(const QSqlDatabase& base = QSqlDatabase::database());

// Met de côté le fichier de la base courante sous `deCote` (avec le journal d'une
// transaction inachevée, qui serait sinon rejoué dans la base neuve), puis rouvre la
// connexion par défaut sur un fichier neuf au même chemin. Rien n'est touché quand le
// fichier ne peut pas être déplacé (Raison CopieImpossible).
Resultat<> mettreDeCote(const QString& chemin, const QString& deCote);

// Vrai quand le pilote SQLite de Qt est installé (sans lui, aucune base ne s'ouvre).
bool piloteDisponible();

} // namespace Schema
