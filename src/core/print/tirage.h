// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/commun/resultat.h"
#include "core/print/optionsimpression.h"
#include "core/print/pages.h"

#include <QList>
#include <QRect>
#include <QString>

class QPainter;

// Le tirage : ce qu'un choix du dialogue d'impression fait partir vers l'imprimante, sous la
// forme d'un plan — une suite de travaux d'impression et de pauses — puis le dessin de chaque
// feuille du plan sur un peintre (fenêtre logique de 2100 × 2970, vues page entière ou moitiés
// de feuille paysage). Le plan est une simple valeur : le dialogue l'exécute sur l'imprimante ;
// un aperçu peut dessiner les mêmes feuilles, une à une, sur une image ; un essai le lit sans
// imprimante.
namespace Tirage {

using ListeTirage = QList<QList<FaceImprimee>>; // une liste de faces par élève imprimé

// Où une page se dessine sur la feuille.
enum class Place { Entiere, Gauche, Droite };

// Une page à dessiner : identifiant de page (voir pages.h), élève, numéro dans son livret (0 :
// pas de pied de page) et nombre de pages du livret.
struct Vue {
    Place place = Place::Entiere;
    qint64 page = 0;
    qint64 eleve = 0;
    int numero = 0;
    int nombre = 0;

    bool operator==(const Vue& autre) const
    {
        return place == autre.place && page == autre.page && eleve == autre.eleve && numero == autre.numero &&
               nombre == autre.nombre;
    }
};

// Une face de feuille : ce que l'imprimante reçoit entre deux nouvelles pages.
using Feuille = QList<Vue>;

// Ce que contient un travail, pour le nommer dans la file de l'imprimante et pour dire à
// l'utilisateur ce qui est déjà parti quand il échoue.
enum class Contenu { Attestations, Livrets, Rectos, Versos };

// Un travail d'impression : un envoi à l'imprimante, d'une traite.
struct Travail {
    Contenu contenu = Contenu::Livrets;
    qint64 eleve = 0; // l'élève d'un recto/verso élève par élève, 0 pour toute la sélection
    bool paysage = false;
    QList<Feuille> feuilles;
    // Ce qui est déjà imprimé quand ce travail part : rien pour le premier (un échec n'a alors
    // rien imprimé) ; sinon les élèves dont les rectos sont faits et ceux dont le livret l'est en
    // entier.
    bool premier = true;
    QList<qint64> rectosFaits;
    QList<qint64> complets;
};

// Pause d'un recto/verso manuel : 0 remettre les feuilles retournées, 1 les remettre sans les
// retourner, 2 retirer les feuilles du bac de sortie.
struct Etape {
    enum Sorte { Envoi, Pause } sorte = Envoi;
    Travail travail;
    int pause = 0;
};

// Le recto-verso de l'imprimante pendant le tirage : tel que l'utilisateur l'a choisi, aucun
// (chaque face sur sa feuille, ou recto/verso manuel), ou sur le bord court (brochure).
enum class RectoVerso { CommeChoisi, Aucun, BordCourt };

struct Plan {
    RectoVerso rectoVerso = RectoVerso::CommeChoisi;
    QList<Etape> etapes;
    // Les travaux du plan, dans l'ordre.
    QList<Travail> travaux() const;
};

// Les attestations seules des élèves donnés, sans numéro : une par page en portrait, deux par
// feuille en paysage (gauche puis droite) ; un seul travail, sans recto-verso : une
// attestation se donne seule, jamais celle d'un autre élève au dos.
Plan planAttestations(qint64 palierId, const QList<qint64>& eleves, bool paysage);

// Les livrets de la liste, selon la disposition et le recto/verso des options :
// - continu : un seul travail, chaque face de chaque élève ; une brochure sur une imprimante qui
//   imprime elle-même les deux faces se retourne sur le bord court ;
// - recto/verso manuel : les rectos (première moitié des faces des élèves qui en ont au moins
//   deux), une pause (0 bac haut, 1 bac bas), puis les versos (seconde moitié, élèves dans
//   l'ordre pour le bac haut, à rebours pour le bac bas) ;
// - élève par élève : pour chacun, ses rectos, une pause, ses versos, une pause 2.
Plan planCompetences(const ListeTirage& liste, const OptionsImpression& options, bool imprimanteRectoVerso);

// La liste de tirage des élèves de la sélection (ceux sans page n'y sont pas) ; `rectoVerso` :
// l'imprimante imprime les deux faces (voir Pages::ordonner).
Resultat<ListeTirage> construireToutesPages(qint64 palierId, const QList<qint64>& selection,
                                            const OptionsImpression& options, bool rectoVerso = false);

// Règle la fenêtre logique du peintre et rend sa vue (la page entière de l'appareil).
QRect preparerPeintre(QPainter& peintre);
QRect moitieGauche(const QRect& vue);
QRect moitieDroite(const QRect& vue);

// Dessine une face de feuille dans la vue du peintre ; une lecture de la base refusée arrête.
Resultat<> dessinerFeuille(QPainter& peintre, const QRect& vue, const Feuille& feuille, const QString& ecole,
                           const OptionsImpression& options);

} // namespace Tirage
