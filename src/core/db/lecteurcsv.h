// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/commun/resultat.h"

#include <QChar>
#include <QList>
#include <QString>
#include <QStringList>

// Lecteur de fichiers CSV, commun au chargement du livret et à l'importation des élèves
// depuis Base Elèves.
//
// Lecture : tout le fichier est lu puis décodé. Une marque d'ordre des octets (BOM) choisit
// l'encodage Unicode correspondant ; sans elle, un fichier qui porte des octets non ASCII et
// qui est de l'UTF-8 valide est lu en UTF-8, tout autre en Windows-1252, sur toutes les
// plateformes. Le texte est coupé en lignes comme le ferait un flux de texte : une ligne
// se termine à « \n », et un « \r » juste avant ce « \n » fait partie de la fin de ligne (un
// fichier CRLF donne donc les mêmes lignes qu'un fichier LF). Chaque ligne est ensuite coupée
// à chaque retour chariot restant (fichiers Mac anciens), et chaque morceau passe par
// l'automate des champs :
//
//   début de champ + guillemet        : rien ; entre guillemets
//   début de champ + séparateur       : ferme le champ (vide) ; début de champ
//   début de champ + autre            : l'ajoute ; hors guillemets
//   hors guillemets + séparateur      : ferme le champ ; début de champ
//   hors guillemets + autre (guillemet compris) : l'ajoute ; hors guillemets
//   entre guillemets + deux guillemets : ajoute un guillemet ; entre guillemets
//   entre guillemets + un guillemet    : rien ; hors guillemets
//   entre guillemets + autre (séparateur compris) : l'ajoute ; entre guillemets
//
// À la fin d'un morceau, le champ est fermé et la ligne ajoutée ; sauf si un champ entre
// guillemets est encore ouvert : on lui ajoute alors « \n\r » (saut de ligne PUIS retour
// chariot, dans cet ordre) et la ligne continue avec le morceau suivant. Après la dernière
// ligne, une ligne restée ouverte est gardée (avec ce champ en dernier) seulement si elle a
// déjà au moins un champ fermé. Enfin toutes les lignes sont complétées de champs vides
// jusqu'à la largeur de la plus large.
class LecteurCsv
{
public:
    LecteurCsv() = default;

    // Lit tout le fichier. Avec `detecterSeparateur`, le séparateur est le premier « ; »,
    // « , » ou tabulation trouvé hors guillemets dans la PREMIÈRE ligne ; s'il n'y en a pas :
    // Raison SeparateurIntrouvable. Sans détection, le séparateur courant est gardé (« ; » par
    // défaut).
    //
    // Refus : FichierIllisible (le fichier ne s'ouvre pas ; `nom` le chemin, `texte` ce qu'a dit
    // le système) ; pour un fichier démesuré, FichierTropGros (plus de TAILLE_MAX octets,
    // `nombre` la taille permise en Mo) ou TropDeCases (plus de CASES_MAX cases une fois toutes
    // les lignes complétées à la largeur de la plus large : une première ligne de milliers de
    // séparateurs suivie de milliers de lignes épuiserait sinon la mémoire ; `ligne` et
    // `colonne` disent combien de lignes et de colonnes).
    Resultat<> load(const QString& chemin, bool detecterSeparateur);

    // Un export de Base Elèves d'une école fait quelques centaines de kilo-octets et
    // quelques dizaines de milliers de cases ; le livret, quelques kilo-octets.
    static constexpr qint64 TAILLE_MAX = 8 * 1024 * 1024;
    static constexpr qint64 CASES_MAX = 4 * 1000 * 1000;

    QChar separateur() const { return sep; }
    void setSeparateur(QChar separateur) { sep = separateur; }

    // Nombre de lignes lues et largeur de la plus large (toutes ont cette largeur).
    int nombreLignes() const { return nbLignes; }
    int nombreColonnes() const { return nbColonnes; }

    // Champs de la ligne `index` (à partir de 0) ; liste vide hors des bornes.
    const QStringList& ligne(int index) const;
    const QList<QStringList>& lignes() const { return contenu; }

    // Décode des octets comme le fait load() : encodage Unicode de la BOM s'il y en a une,
    // UTF-8 pour un texte non ASCII qui en est de valide, Windows-1252 sinon ; les marques
    // U+FEFF restées dans le texte sont retirées.
    static QString decoder(const QByteArray& octets);
    // Décodage Windows-1252 par notre propre table, pour une boîte à outils construite sans
    // le convertisseur de ce jeu de caractères (public pour que les essais le comparent).
    static QString decoderWindows1252ParTable(const QByteArray& octets);

private:
    static QString decoderSelonEncodage(const QByteArray& octets);

    QChar sep = QLatin1Char(';');
    QList<QStringList> contenu;
    int nbLignes = 0;
    int nbColonnes = 0;
};
