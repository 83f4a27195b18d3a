// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

// Le dossier des données, privé : les noms et les dates de naissance des élèves ne se lisent que
// par l'utilisateur qui s'en sert, même sur un ordinateur d'école partagé entre plusieurs comptes.
// Le dossier est en 0700, chaque fichier qu'il tient (base, journaux de SQLite, copies, « .bak »,
// « out.xml », verrou) en 0600, quel que soit le masque de création du processus. Sous Windows,
// le dossier de l'utilisateur est déjà privé : rien n'y est changé.
namespace DossierDonnees {

// Crée le dossier (et ses parents) ; le dossier lui-même est créé privé. Vrai quand il existe.
bool creer(const QString& dossier);

// Crée vide et privé le fichier `chemin` quand il n'existe pas (la base, avant que SQLite ne la
// crée avec les droits usuels) ; rien s'il existe. SQLite donne à ses journaux les droits de la
// base.
void creerFichierPrive(const QString& chemin);

// Rend privés le dossier, ses sous-dossiers et chacun de leurs fichiers (un lien symbolique n'est
// pas suivi). Rend les chemins qui étaient ouverts à d'autres et le sont plus (vide : rien à
// faire, comme à chaque démarrage après le premier).
QStringList resserrer(const QString& dossier);

// Ce qui empêche d'écrire les données.
enum class Ecriture {
    Possible,
    DossierEnLectureSeule, // rien ne peut être créé dans le dossier (droits, support protégé…)
    BaseEnLectureSeule,    // le fichier de la base ne peut pas être modifié
};

// Essaie pour de vrai : un fichier créé puis supprimé dans le dossier, la base ouverte en
// écriture (sans rien y écrire). À appeler avant que SQLite n'ouvre la base : fermer un autre
// accès au même fichier lèverait ses verrous.
Ecriture ecriture(const QString& dossier, const QString& base);

} // namespace DossierDonnees
