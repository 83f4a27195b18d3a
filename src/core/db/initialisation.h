// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/commun/resultat.h"

#include <QString>
#include <QStringList>

// Pose une base complète et vide de la version actuelle sur la connexion par défaut : le
// script du schéma, l'arbre des compétences du livret, les paramètres d'impression des
// paliers. Le dialogue d'initialisation s'occupe des questions et des messages.
namespace Initialisation {

inline const QString RESSOURCE_LIVRET = QStringLiteral(":outils/livrets.csv");

// Paramètres d'impression d'un palier, selon son rang (à partir de 0) dans l'ordre du livret.
struct ParametresPalier {
    quint32 couleur; // ARGB opaque
    QString texte;   // niveau où le palier est évalué
    QString entete;  // image de la barre de couleur
};
ParametresPalier parametresPalier(int rang);

// Exécute les instructions d'un script l'une après l'autre, en laissant la boucle
// d'événements traiter ce qui n'est pas saisie de l'utilisateur avant chacune. S'arrête à la
// première en échec : Raison InstructionRefusee, `nom` l'instruction, `texte` le pilote.
Resultat<> executerScript(const QStringList& instructions);

// Le script, le livret et les paramètres des paliers, en une transaction : tout est validé,
// ou rien ne change. La base neuve n'a pas de langue vivante : l'enseignante la choisit.
// `instructions` : celles du script du schéma. Entre deux instructions, la boucle d'événements
// traite ce qui n'est pas saisie de l'utilisateur. Refus : ceux du script (InstructionRefusee),
// du livret (ChargeurLivret::load) ou de la validation.
Resultat<> poserBase(const QStringList& instructions, const QString& livret = RESSOURCE_LIVRET);

// Vrai quand la base ouverte tient au moins un élève, une classe ou un enregistrement, ou
// quand ces tables existent mais ne se laissent pas lire (fichier abîmé ou verrouillé) :
// une réinitialisation y perdrait des données.
bool contientDesDonnees();

// Copie de sécurité du fichier de base à côté de lui, sous un nom daté
// (« QuorvelV3.sqlite.2026-12-06-1030.avant-initialisation »). Rend le chemin de la copie ;
// refus : CopieImpossible, avec ce qu'a dit le système.
Resultat<QString> copierAvantInitialisation(const QString& cheminBase);

// La même copie de sécurité, sous le nom daté que termine `suffixe` (voir nomDate).
Resultat<QString> copierADate(const QString& cheminBase, const QString& suffixe);

// Suffixe de la copie faite avant que le démarrage ne mette à jour une base d'une version
// précédente (le texte du livret, par exemple).
inline const QString SUFFIXE_AVANT_MISE_A_JOUR = QStringLiteral(".avant-mise-a-jour");

// Un nom daté et libre à côté du fichier de base (« QuorvelV3.sqlite.2026-12-06-1030<suffixe> »,
// puis « …-2<suffixe> », « …-3<suffixe> »… si le nom est pris).
QString nomDate(const QString& cheminBase, const QString& suffixe);

} // namespace Initialisation
