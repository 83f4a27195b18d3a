// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QTemporaryDir>

#include <memory>

// Environnement d'un essai : réglages et dossiers en mode essai de la boîte à outils (jamais
// ceux d'un vrai utilisateur), et un dossier de données neuf à chaque fois.
namespace Environnement {

// À appeler au début de initTestCase().
void preparer();

// Dossier temporaire neuf ; les chemins de base de données de l'exécution y sont fixés. Quand
// il disparaît, la base ouverte par ouvrirBase() est d'abord fermée : un essai n'a rien à
// fermer à la main, et remplacer le dossier par un neuf ferme la base de l'ancien.
struct FermerBase {
    void operator()(QTemporaryDir* dossier) const;
};
using Dossier = std::unique_ptr<QTemporaryDir, FermerBase>;
Dossier nouveauDossierDonnees();

// Remplace `dossier` par un dossier de données neuf dont la base est ouverte et posée par le
// code du programme : `Schema` le seul script du schéma, `Complete` la base d'une installation
// neuve (livret des compétences et paramètres des paliers compris). Faux quand la base n'a pas
// pu être posée. L'ancien dossier (et sa base) disparaît d'abord.
enum class Pose { Schema, Complete };
bool nouvelleBase(Dossier& dossier, Pose pose = Pose::Complete);

// Ouvre (ou crée vide) la base courante comme connexion par défaut ; fermeture et retrait
// de la connexion par fermerBase().
bool ouvrirBase();
void fermerBase();

// Un autre programme qui tient la base courante : tant que l'objet vit, personne ne peut la lire.
// La connexion par défaut est d'abord rouverte sans attente, pour qu'une lecture échoue aussitôt
// au lieu d'attendre que le verrou soit levé.
class VerrouBase
{
public:
    VerrouBase();
    ~VerrouBase();
    VerrouBase(const VerrouBase&) = delete;
    VerrouBase& operator=(const VerrouBase&) = delete;
    bool tenu() const { return pris; }

private:
    bool pris = false;
};

// Pose le seul script du schéma, comme le fait l'initialisation du programme.
bool poserSchema();

// Pose une base complète d'installation neuve par le code d'initialisation du programme :
// schéma, livret des compétences (celui des ressources, ou le fichier `livret`), paramètres
// des paliers.
bool initialiserBase(const QString& livret = QString());

} // namespace Environnement
