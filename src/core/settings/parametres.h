// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/commun/resultat.h"

#include <QString>
#include <QStringList>

// Le travail des dialogues « Options... » et « Mot de passe... », sans widget : les
// paramètres de l'école gardés dans la ligne 1 de `general` (lus par Requetes::ecole), et le
// changement du mot de passe gardé dans les réglages.
namespace Parametres {

// Nombre de lignes non vides permis pour le nom et l'adresse de l'école.
inline constexpr int LIGNES_MAX = 4;

// Les langues que le dialogue propose (l'enseignante peut en taper une autre) : langues
// étrangères et régionales enseignées à l'école primaire, dans l'ordre alphabétique.
inline const QStringList LANGUES = {
    QStringLiteral("allemand"),  QStringLiteral("anglais"), QStringLiteral("arabe"),
    QStringLiteral("basque"),    QStringLiteral("breton"),  QStringLiteral("catalan"),
    QStringLiteral("chinois"),   QStringLiteral("corse"),   QStringLiteral("créole"),
    QStringLiteral("espagnol"),  QStringLiteral("italien"), QStringLiteral("occitan"),
    QStringLiteral("portugais"), QStringLiteral("russe")};

// Les lignes du nom et de l'adresse tapés, lignes vides écartées.
QStringList lignesAdresse(const QString& texte);

// La langue telle qu'elle est gardée : sans espaces autour, en minuscules.
QString normaliserLangue(const QString& texte);

// Enregistre dans la ligne 1 de `general` le nom et l'adresse (lignes vides écartées) et la
// langue normalisée, tels que l'utilisateur les a tapés. Refus, sans rien écrire : TropDeLignes
// (plus de LIGNES_MAX lignes non vides ; `nombre` : LIGNES_MAX).
Resultat<> enregistrer(const QString& texteEcole, const QString& texteLangue);

// Fixe, change ou retire le mot de passe. L'ancien n'est contrôlé que si un mot de passe est
// fixé (AncienMotDePasseIncorrect) ; les deux nouveaux sont comparés caractère pour caractère,
// sous leur forme composée (MotsDePasseDifferents) ; un caractère qui ne peut pas être gardé tel
// quel est refusé (MotDePasseNonRepresentable) ; un nouveau vide retire le mot de passe. Rien
// n'est changé quand un contrôle échoue ; ReglagesNonEcrits quand le fichier des réglages n'a pas
// pu être écrit (l'ancien mot de passe reste).
Resultat<> changerMotDePasse(const QString& ancien, const QString& nouveau1, const QString& nouveau2);

} // namespace Parametres
