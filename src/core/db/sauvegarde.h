// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/commun/resultat.h"

#include "core/commun/fichiersur.h"

#include <QString>

#include <functional>

// Sauvegarde et restauration de la base entière, vue comme un seul fichier : le travail sur
// les fichiers et les connexions, sans aucune question posée à l'utilisateur (les questions
// et les messages sont dans menusauvegarde.h).
namespace Sauvegarde {

// Connexion temporaire sur laquelle la restauration examine la base proposée.
inline const QString CONNEXION_TEMPORAIRE = QStringLiteral("nouvelle_base");
// Modèle du nom de la copie temporaire, à la suite du dossier temporaire du système.
inline const QString MODELE_TEMPORAIRE = QStringLiteral("/tmp_quorvel_XXXXXX.sqlite");
// Suffixe de la base remplacée, laissée à côté de la nouvelle.
inline const QString SUFFIXE_ANCIENNE = QStringLiteral(".bak");

// Chemin de la copie dans le dossier choisi : la base garde son propre nom de fichier.
QString cheminCopie(const QString& dossier);

// Vrai quand la cible d'une copie est le fichier même de la base ouverte (dossier des
// données choisi comme dossier de sauvegarde) : le remplacer détruirait la base.
bool estLaBaseCourante(const QString& cible);

// Copie la base courante vers `cible` sans la fermer, entière ou pas du tout : la copie est
// écrite à côté, relue, rendue privée (elle tient les données des élèves) puis nommée ; un fichier
// qui portait déjà ce nom n'est remplacé qu'à ce moment-là, et reste tel quel après un échec.
// Refus : FichierNonEcrit.
Resultat<> copierBase(const QString& cible);

// Réglages de la restauration. Le programme se sert des valeurs par défaut ; les essais
// remplacent la recopie de l'étape 8 pour simuler une panne (ou une copie qui donne un
// autre fichier que prévu) et vérifier que l'ancienne base est bien remise en place.
struct OptionsRestauration {
    // Recopie de la copie temporaire vers un fichier neuf à côté de la base courante, qui
    // remplace ensuite celle-ci d'un seul coup ; rend vrai quand elle a réussi. Vide : la
    // copie temporaire remplace directement la base courante, d'un seul coup aussi.
    std::function<bool(const QString& temporaire, const QString& destination)> recopie;
};

// Les étapes de la restauration à partir du fichier choisi : copie temporaire, contrôle de
// sa version sur la connexion « nouvelle_base », ancienne base gardée en « .bak », copie
// mise à sa place et connexion par défaut rouverte dessus. Le chemin de la base courante
// tient à tout instant une base entière, l'ancienne ou la nouvelle : un arrêt brutal du
// programme pendant l'échange ne la perd jamais.
// Refus, selon l'étape : TemporaireImpossible, CopieImpossible (`nom` le fichier choisi, `texte`
// la copie), OuvertureImpossible, BaseEndommagee, VersionIllisible, VersionIncompatible,
// AncienneBaseNonGardee (`nom` la base, `texte` la copie « .bak »), RecopieImpossible (`nom` la
// copie, `texte` la base), ReouvertureImpossible (l'ancienne base est remise).
// Quoi qu'il arrive : l'ancienne base est remise en place après un échec, la connexion par
// défaut est de nouveau ouverte en sortant, et la copie temporaire est supprimée (elle
// contient les données personnelles des élèves).
Resultat<> restaurer(const QString& fichier, const OptionsRestauration& options = {});

// Supprime les copies temporaires qu'une restauration interrompue (arrêt brutal) a laissées dans
// le dossier temporaire : elles contiennent les données personnelles des élèves. À appeler
// quand l'instance unique est acquise, aucune restauration ne peut alors être en cours.
void supprimerCopiesOubliees();

} // namespace Sauvegarde
