// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <optional>

// Le modèle de données : version du schéma, ouverture de la base et contrôle de version.
namespace Schema {

inline constexpr int VERSION = 3;
inline const QString RESSOURCE_SCRIPT = QStringLiteral(":sql/tables.sql");

// Ouvre la base SQLite comme connexion par défaut du processus. Un chemin qui n'existe
// pas encore donne un fichier vide, privé. En cas d'échec, `erreur` reçoit le texte du pilote.
// `lectureSeule` : la base est ouverte pour être lue seulement (dossier ou fichier qui ne peut
// pas être modifié) ; toute écriture est alors refusée par SQLite.
bool ouvrirBaseParDefaut(const QString& chemin, QString* erreur, bool lectureSeule = false);

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
// ligne. Rien quand la ressource ne peut être lue.
std::optional<QStringList> instructionsScript(const QString& ressource = RESSOURCE_SCRIPT);

// Pourquoi le fichier de la base ouverte ne se lit pas : verrouillé par un autre programme,
// ou abîmé (ce n'est pas une base SQLite, il est tronqué…). Rien quand il est sain ; un
// fichier vide est sain : c'est une base neuve.
// L'examen rapide lit l'en-tête et le schéma (un fichier tronqué y est déjà refusé : il est
// plus court que ce que son en-tête annonce) ; l'examen complet relit aussi chaque page,
// proportionnellement à la taille du fichier.
struct DefautFichier {
    bool verrouille = false;
    QString texte; // le constat de SQLite
};
enum class Examen { Rapide, Complet };
std::optional<DefautFichier> defautFichier(Examen examen,
                                           const QSqlDatabase& base = QSqlDatabase::database());

EtatVersion controlerVersion(const QSqlDatabase& base = QSqlDatabase::database());

} // namespace Schema
