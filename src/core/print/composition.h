// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/commun/resultat.h"
#include "core/print/optionsimpression.h"

#include <QColor>
#include <QFont>
#include <QString>
#include <QtGlobal>

class QPainter;

// Le dessin des pages du livret sur un peintre dont la fenêtre logique est le rectangle de
// 2100 × 2970 en (0, 0) (un A4 portrait en dixièmes de millimètre) ; la vue, page entière ou
// moitié de feuille paysage, est l'affaire de l'appelant. Gris, enseignant et langue sont
// ceux des options données. Les textes des pages sont ceux du livret officiel, écrits ici
// comme son contenu. Une lecture de la base qui échoue arrête le dessin et revient comme
// erreur : une page ne se dessine jamais vide ou fausse sans le dire.
namespace Composition {

inline constexpr int LARGEUR_PAGE = 2100;
inline constexpr int HAUTEUR_PAGE = 2970;

// Couleur, texte du niveau et image de barre d'un palier (paramcomp), gris appliqué.
struct Apparence {
    QColor couleur;
    QString niveau;
    QString barre; // nom du fichier sous :/livret/
};
Resultat<Apparence> apparencePalier(qint64 palierId, bool gris);

// Le texte HTML de l'attestation d'un palier pour un élève ; noms, libellés et nom de l'école
// y sont échappés (les sauts de ligne de l'école deviennent <br/>).
Resultat<QString> htmlAttestation(qint64 palierId, qint64 eleveId, const QString& ecole,
                                  const OptionsImpression& options);

// Bloc d'un domaine sous `y` ; rend l'ordonnée où commence le bloc suivant.
Resultat<int> dessinerAgregat(int y, QPainter& peintre, const QFont& police, qint64 agregatId,
                              const QColor& couleur, qint64 eleveId);

} // namespace Composition

// Page d'attestation d'un palier ; numéro 0 : pas de pied de page.
Resultat<> dessinerAttestation(QPainter& peintre, qint64 palierId, qint64 eleveId, const QString& ecole,
                               int numero, int nombre, const OptionsImpression& options);
// Page d'une compétence ; rien du tout pour l'id 0 ou une compétence sans palier.
Resultat<> dessinerCompetence(QPainter& peintre, qint64 competenceId, qint64 eleveId, int numero, int nombre,
                              const OptionsImpression& options);
// Pied de page « n / m » (ou « - n - » sans nombre de pages), seulement pour un numéro > 0.
void dessinerNumero(QPainter& peintre, int numero, int nombre);
