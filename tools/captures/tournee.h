// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

class MainWindow;
class QWidget;

// La tournée de toutes les fenêtres de Quorvel sur une école d'exemple, que partagent le
// programme de captures et l'essai d'accessibilité : chaque fenêtre et chaque dialogue est
// ouvert dans un état parlant (grilles affichées, cases cochées, champs remplis), puis remis
// à celui qui le visite, tant qu'il est ouvert.
namespace Tournee {

// Ce qu'on fait d'une fenêtre ouverte (pas forcément encore montrée), sous son nom : sa
// classe en minuscules, suivie d'un cas quand la classe revient plusieurs fois.
using Visite = std::function<void(QWidget* fenetre, const QString& nom)>;
// Ce qui n'a pas pu se faire pendant la tournée (élément du formulaire introuvable…).
using Probleme = std::function<void(const QString& texte)>;

// Pose dans la base par défaut, ouverte et vide, l'école d'exemple : le code d'initialisation
// du programme, trois classes d'élèves, des dates tirées par le jeu d'essai, les paramètres
// de l'école remplis. Vrai quand tout est posé.
bool poserEcole(const Probleme& probleme);

// Les deux fenêtres de saisie ouvertes dans l'espace de travail, chacune avec sa grille
// affichée et une case courante (« mdisaisie », « mdipalier »), avec leurs deux dialogues
// (« diafiltreniveau », « diapropagedate »), puis la fenêtre principale, les deux grilles en
// mosaïque (« mainwindow »). Les grilles restent ouvertes après la visite.
void fenetres(MainWindow& principale, const Visite& visite, const Probleme& probleme);

// Chaque dialogue du programme, construit avec la fenêtre principale pour parent et rempli,
// mais ni montré ni lancé par exec().
void dialogues(MainWindow& principale, const Visite& visite, const Probleme& probleme);

} // namespace Tournee
