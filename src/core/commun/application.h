// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Valeurs fixées une fois pour toutes au démarrage et lues partout ailleurs.
namespace Application {

inline const QString NOM = QStringLiteral("Quorvel");
inline const QString ORGANISATION = QStringLiteral("Marvek");
inline const QString VERSION_LOGICIELLE =
    QStringLiteral("1.0"); // donnée à la boîte à outils, jamais affichée
inline const QString VERSION_AFFICHEE = QStringLiteral("3.1");
inline const QString VERSION_FICHIER_CLASSE = QStringLiteral("3");

inline const QString FICHIER_BASE_V3 = QStringLiteral("QuorvelV3.sqlite");
inline const QString FICHIER_BASE_V2 = QStringLiteral("QuorvelV2.sqlite");
inline const QString FICHIER_BASE_V1 = QStringLiteral("Quorvel.sqlite");
// Copie de travail de la dernière importation de classe (noms en clair), dans le dossier des
// données, lisible par l'utilisateur seul.
inline const QString FICHIER_COPIE_IMPORT = QStringLiteral("out.xml");

// Les trois chemins de base de données, toujours avec « / » comme séparateur.
struct CheminsBase {
    QString courante; // base de la version actuelle
    QString v1;       // première version du logiciel
    QString v2;       // deuxième version
};

// Calcule le dossier des données à partir de l'emplacement donné par la plateforme :
// barres obliques inverses remplacées par « / », dossier personnel + nom de l'application
// quand l'emplacement est vide.
QString repertoireDonnees(const QString& emplacementPlateforme, const QString& dossierPersonnel);

// Dossier des données de l'utilisateur courant (emplacement de la plateforme pour
// l'organisation et l'application), créé privé avec ses parents s'il n'existe pas.
QString preparerRepertoireDonnees();

CheminsBase cheminsDans(const QString& repertoire);

// Chemins de l'exécution en cours, fixés au démarrage.
void definirChemins(const CheminsBase& chemins);
const CheminsBase& chemins();
// Dossier des données de l'exécution en cours : celui de la base courante.
QString dossierDonnees();

// Les documents livrés avec le programme, posés à côté de lui (dans l'arbre de construction comme
// une fois installé).
inline const QString DOCUMENT_GUIDE = QStringLiteral("quorvel.pdf");
inline const QString DOCUMENT_LICENCE = QStringLiteral("licence.pdf");
// Dossier où sont cherchés ces documents : celui du programme, sauf pour un essai qui en a fixé un
// autre (chaîne vide : de nouveau celui du programme).
QString dossierDocuments();
void definirDossierDocuments(const QString& dossier);
// Chemin absolu d'un document livré (guide, licence).
QString cheminDocument(const QString& nomFichier);

// Laisse la boucle d'événements traiter ce qui attend, sauf la saisie de l'utilisateur, pour
// que la fenêtre d'attente reste vivante pendant un long travail. Au plus un passage toutes
// les 20 ms : l'indicateur ne tourne que toutes les 40 ms, et chaque passage de trop coûte
// autant que le travail lui-même (mise en page d'une grille en construction, par exemple).
void laisserVivre();
// Au début d'un long travail : le premier passage attend lui aussi 20 ms, un travail plus court
// ne s'interrompt pas pour peindre.
void commencerTravail();

} // namespace Application
