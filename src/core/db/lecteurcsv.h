// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QChar>
#include <QCoreApplication>
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
    Q_DECLARE_TR_FUNCTIONS(LecteurCsv)

public:
    LecteurCsv() = default;

    // Lit tout le fichier. Avec `detecterSeparateur`, le séparateur est le premier « ; »,
    // « , » ou tabulation trouvé hors guillemets dans la PREMIÈRE ligne ; s'il n'y en a pas,
    // le résultat est faux, sans message. Sans détection, le séparateur courant est gardé
    // (« ; » par défaut).
    //
    // Quand le fichier ne peut pas être ouvert, le résultat est faux et messageErreur()
    // donne le texte « Le chargement de "<chemin>" a échoué avec le message d'erreur: <texte
    // du système> ». Le cœur du programme ne montre aucune boîte : c'est le dialogue appelant
    // qui doit alors afficher ce texte dans un avertissement sans parent, de titre
    // titreMessageErreur() (« Chargement »), avant ses propres messages.
    //
    // Un fichier démesuré est refusé de la même façon, avec son propre texte : plus de
    // TAILLE_MAX octets, ou plus de CASES_MAX cases une fois toutes les lignes complétées à
    // la largeur de la plus large (une première ligne de milliers de séparateurs suivie de
    // milliers de lignes épuiserait sinon la mémoire).
    bool load(const QString& chemin, bool detecterSeparateur);

    // Un export de Base Elèves d'une école fait quelques centaines de kilo-octets et
    // quelques dizaines de milliers de cases ; le livret, quelques kilo-octets.
    static constexpr qint64 TAILLE_MAX = 8 * 1024 * 1024;
    static constexpr qint64 CASES_MAX = 4 * 1000 * 1000;

    // Texte de l'échec d'ouverture (ou du refus d'un fichier démesuré) du dernier
    // chargement ; vide pour tout autre résultat.
    QString messageErreur() const { return message; }
    // Titre de l'avertissement qui montre messageErreur() : « Chargement ».
    static QString titreMessageErreur();

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
    QString message;
};
