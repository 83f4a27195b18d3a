// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/commun/fichiersur.h"
#include "core/commun/resultat.h"
#include "core/db/requete.h"

#include <QByteArray>
#include <QDomDocument>
#include <QHash>
#include <QString>
#include <QtGlobal>

// Le fichier de classe : document XML en UTF-8, indenté d'une espace, racine `classe`
// (nom, version, ref_palier, checksum), un `eleve` par élève (nom, prénom et date de
// naissance chiffrés, maj et niveau en clair) et un `note` vide par date du palier.
namespace FichierClasse {

// Appartenance d'un nœud de l'arbre des compétences à un palier, par remontée des parents ;
// la requête est préparée une fois et resservie.
class ArbrePaliers
{
public:
    ArbrePaliers();
    // Vrai quand le nœud `idComp` est le palier lui-même ou descend de lui dans l'arbre.
    Resultat<bool> appartient(qint64 idComp, qint64 idPalier);

private:
    Resultat<qint64> parentDe(qint64 idComp);

    Base::Requete parent;
    QHash<qint64, qint64> parents; // déjà lus : chaque nœud n'est lu qu'une fois par fichier
};

// Attribut de la racine qui nomme l'école qui a écrit le fichier (nom et adresse de ses
// paramètres). La somme de contrôle ne le couvre pas : les versions précédentes, qui ne le
// connaissent pas, lisent ces fichiers comme avant ; un fichier sans lui se lit comme avant.
inline const QString ATTRIBUT_ECOLE = QStringLiteral("ecole");

// Vrai quand les deux textes nomment la même école : mêmes mots, sans égard aux blancs, aux
// fins de ligne ni à la casse. Une école inconnue (texte vide) n'en contredit aucune.
bool memeEcole(const QString& ecole1, const QString& ecole2);

// Construit le document complet de la classe pour un palier, somme de contrôle comprise.
Resultat<QDomDocument> construire(qint64 idClasse, const QString& libelleClasse, qint64 idPalier);

// Texte du document tel qu'il est écrit dans le fichier.
QByteArray texte(const QDomDocument& document);

// Écrit le document dans le fichier choisi, entier ou pas du tout : un échec laisse le fichier
// du même nom tel qu'il était.
Resultat<> ecrire(const QString& chemin, const QDomDocument& document);

// Taille de fichier au-delà de laquelle la lecture est refusée.
inline constexpr qint64 TAILLE_MAX_FICHIER = 16 * 1024 * 1024;

// Analyse prudente d'un texte venu de l'extérieur : un premier passage en flux refuse les
// déclarations de type (et donc les entités : DeclarationDeType), l'imbrication trop profonde
// (ImbricationProfonde), trop d'éléments (TropDElements) et les valeurs démesurées
// (ValeurTropLongue, TexteTropLong) avant de bâtir l'arbre ; un texte qui n'est pas du XML
// bien formé donne AnalyseXml, avec ce qu'a dit le lecteur. Chaque refus porte la ligne et la
// colonne où il a été vu. Un fichier plus gros que TAILLE_MAX_FICHIER : FichierTropGros.
Resultat<> analyser(const QByteArray& octets, QDomDocument& document);

} // namespace FichierClasse
