// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/commun/resultat.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>

class LecteurCsv;

// Le moteur de l'importation des élèves depuis le fichier CSV de Base Elèves, sans aucun
// widget : reconnaissance des en-têtes, recherche des six colonnes lues, puis l'importation
// elle-même (marquage, ajouts, répartition, suppressions, classes vides, renumérotation) dans
// une seule transaction sur la connexion par défaut. Le dialogue diaImporteEleves fait les
// contrôles, propose la copie de la base, pose la question du milieu et montre les messages.
namespace ImportEleves {

// Les six champs lus, dans l'ordre où ils sont cherchés dans la ligne d'en-tête.
enum Champ { Nom, Prenom, DateNaissance, Classe, Niveau, Cycle };
inline constexpr int NOMBRE_CHAMPS = 6;

// Colonne de chaque champ dans le fichier (indice à partir de 0), -1 quand il manque.
using Colonnes = std::array<int, NOMBRE_CHAMPS>;

// Motif cherché pour un champ (« Nom ?l?ve », « pr?nom ?l?ve », « date naissance »,
// « classe », « niveau », « cycle »).
QString motif(Champ champ);

// Vrai quand l'en-tête correspond au motif : l'en-tête est débarrassé de ses blancs autour,
// puis chaque caractère devient « ? » quand le motif porte « ? » à la même place ou quand ce
// n'est ni une lettre ASCII, ni un chiffre ASCII, ni une espace ; la copie est enfin comparée
// au motif sans tenir compte de la casse. « NOM ÉLÈVE » correspond ainsi à « Nom ?l?ve ».
bool comparerEntete(const QString& entete, const QString& motif);

// Pour chaque champ, la première colonne de la ligne d'en-tête qui correspond à son motif.
Colonnes chercherColonnes(const QStringList& entete);

// Le premier champ manquant dans l'ordre de la recherche, ou -1 quand les six sont là.
int premierChampManquant(const Colonnes& colonnes);

// Les colonnes des six champs dans le fichier lu. Refus : FichierIncorrect (moins de deux
// lignes ou de quatre colonnes), ChampIntrouvable (`nombre` : le premier champ qui manque).
Resultat<Colonnes> preparer(const LecteurCsv& lecteur);

// Nombre d'élèves de la base.
Resultat<qint64> nombreEleves();

// Les trois cases du dialogue.
struct Options {
    bool ajouter = false;   // ajouter les nouveaux élèves
    bool supprimer = false; // supprimer les élèves absents du fichier (après confirmation)
    bool repartir = false;  // mettre les élèves dans la classe et le niveau du fichier
};

// La question posée au milieu de l'importation, avant de supprimer les élèves absents du
// fichier (et leurs enregistrements) : reçoit leur nombre, rend vrai pour supprimer.
using ConfirmationSuppression = std::function<bool(int nombre)>;

struct Comptes {
    // Comptes de l'importation faite. Chaque ligne d'élève du fichier compte une fois :
    // ignorée (incomplète ou nouvel élève non ajouté), ajoutée, déplacée, changée de niveau
    // ou retrouvée sans changement.
    int ignores = 0;    // lignes sans nom, prénom, date, classe ou niveau (ni cycle)
    int nonAjoutes = 0; // élèves absents de la base, laissés de côté sans `ajouter`
    int retrouves = 0;  // élèves du fichier déjà dans la base
    int ajoutes = 0;
    int deplaces = 0;      // élèves changés de classe (et peut-être de niveau)
    int changesNiveau = 0; // élèves changés de niveau dans leur classe
    int inchanges = 0;     // élèves retrouvés que l'importation n'a pas changés
    int nonRepartis = 0;   // parmi eux, ceux que le fichier place ailleurs (sans `repartir`)
    int supprimes = 0;
    int absentsGardes = 0; // élèves de la base absents du fichier, gardés
    int classesCreees = 0;
    int niveauxCrees = 0;
    int classesSupprimees = 0;
    // Lignes (comptées comme dans le fichier) dont un nom, un prénom, une classe ou un niveau
    // portait des caractères de contrôle, retirés avant de l'enregistrer.
    QList<int> lignesNettoyees;
};

// L'importation des lignes 1 et suivantes du fichier lu, dans une seule transaction :
//   - tous les élèves sont d'abord marqués upd=0, puis upd=1 quand ils sont retrouvés dans le
//     fichier (même nom, prénom et date de naissance, comparés tels quels, aux majuscules ASCII
//     près) ou ajoutés ; les classes et les niveaux sont retrouvés de même ;
//   - avec `ajouter`, un élève absent de la base est créé, sa classe et son niveau aussi au
//     besoin (placés en dernier) ; un niveau vide est remplacé par le cycle ;
//   - avec `repartir`, un élève connu prend la classe et le niveau du fichier ;
//   - avec `supprimer`, les élèves restés à 0 sont supprimés avec leurs enregistrements de
//     `notes`, si `confirmer` l'accepte (il n'est appelé que s'il y en a) ;
//   - enfin, quelles que soient les options, les classes sans élève sont supprimées et les
//     autres renumérotées 0, 1, 2… dans leur ordre.
// Refus, et rien de changé : MiseAZeroImpossible (le marquage de départ), DateInvalide (une
// date de naissance illisible, `ligne` comptée comme dans le fichier, l'en-tête étant la ligne
// 1), ou toute instruction refusée par la base.
Resultat<Comptes> importer(const LecteurCsv& lecteur, const Colonnes& colonnes, const Options& options,
                           const ConfirmationSuppression& confirmer);

} // namespace ImportEleves
