// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/commun/ecrituresure.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

// Les copies automatiques de la base : une copie par jour où la base a changé, dans le dossier
// « copies » du dossier des données (et, si l'enseignant en a choisi un, dans un second dossier :
// clé USB, partage réseau). Chaque copie est un instantané cohérent pris base ouverte (API de
// sauvegarde en ligne de SQLite, par morceaux, sur une connexion à part en lecture seule),
// vérifié avant de compter (« PRAGMA integrity_check », version du schéma, nombres d'élèves et de dates),
// écrit entier ou pas du tout et privé (EcritureSure). Seules les copies dont le nom suit le modèle comptent
// ; les plus anciennes sont écartées selon aGarder(), jamais avant qu'une nouvelle copie ait réussi.
//
// Rien ici ne pose de question ni n'écrit de message : la fenêtre principale décide quand copier
// (GardienCopies) et dit ce qui a échoué.
namespace CopiesAuto {

// Le dossier des copies, dans le dossier des données.
inline const QString NOM_DOSSIER = QStringLiteral("copies");
// Le modèle des noms de copies (« QuorvelV3-2026-03-14-1712.sqlite »).
inline const QString MOTIF = QStringLiteral("QuorvelV3-*.sqlite");
// Ce qui est gardé : les copies des 7 derniers jours où une copie a été faite, la dernière de
// chacune des 4 dernières semaines qui en ont, et la dernière de chaque année scolaire (qui
// finit le 31 août), jamais écartée.
inline constexpr int JOURS_GARDES = 7;
inline constexpr int SEMAINES_GARDEES = 4;
// Clé des réglages (propres à l'ordinateur) du second dossier.
inline const QString CLE_SECOND_DOSSIER = QStringLiteral("second dossier des copies");

// Le dossier des copies de l'exécution en cours.
QString dossier();
// Le second dossier choisi dans les options (vide : aucun), et son changement (vide : retiré).
QString secondDossier();
void definirSecondDossier(const QString& chemin);

// Nom de la copie faite à cet instant, et instant d'une copie d'après son nom (rien pour un
// fichier qui ne suit pas le modèle).
QString nomCopie(const QDateTime& moment);
std::optional<QDateTime> momentDe(const QString& nomFichier);

// L'année scolaire d'une date : 2025 pour le 1er septembre 2025 comme pour le 31 août 2026.
int anneeScolaire(const QDate& date);

// À quel titre une copie est gardée.
enum class Sorte {
    Quotidienne,  // une des 7 derniers jours
    Hebdomadaire, // la dernière d'une des 4 dernières semaines
    FinAnnee,     // la dernière d'une année scolaire finie : jamais écartée
    Surnumeraire, // aucune des trois : écartée à la prochaine copie réussie
};

// La règle, sur les instants de copies : la sorte de chacun, au jour `aujourdhui`.
QMap<QDateTime, Sorte> trier(const QList<QDateTime>& moments, const QDate& aujourdhui);

struct Copie {
    QString chemin;
    QDateTime moment;
    Sorte sorte = Sorte::Quotidienne;
};
// Les copies d'un dossier, de la plus récente à la plus ancienne.
QList<Copie> lister(const QString& dossier, const QDate& aujourdhui);

// Écarte les copies surnuméraires du dossier, sauf `epargnee` (la copie qui vient d'être faite :
// même quand l'horloge de l'ordinateur a été en avance, la dernière copie reste) ; rend combien
// l'ont été.
int elaguer(const QString& dossier, const QDate& aujourdhui, const QString& epargnee = QString());

// Vrai quand la base a été écrite depuis que la plus récente copie du dossier a été prise (ou
// quand il n'y a pas de copie).
bool baseModifiee(const QString& base, const QString& dossier);
// L'instant de la plus récente copie du dossier, par son nom ; invalide sans copie.
QDateTime derniereCopie(const QString& dossier);

// Ce que tient une copie (ou la base) : lu sur une connexion à part, en lecture seule.
struct Contenu {
    bool lisible = false;
    int version = 0;
    qint64 eleves = 0;
    qint64 dates = 0;
};
Contenu lireContenu(const QString& chemin);

// Tous les fichiers du dossier des copies que le programme y a posés : copies et fichiers
// provisoires d'une copie interrompue.
QStringList fichiersPoses(const QString& dossier);

struct Demande {
    QString base;     // le fichier de la base, ouverte ou non par le programme
    QString dossier;  // le dossier des copies (créé au besoin, privé)
    QString second;   // second dossier ; vide : aucun
    QDateTime moment; // instant qui nomme la copie
};

struct Bilan {
    // La copie dans le dossier des copies.
    EcritureSure::Panne panne = EcritureSure::Panne::Aucune;
    QString detail; // le constat du système ou de SQLite
    QString chemin; // la copie faite
    Contenu contenu;
    // La copie dans le second dossier.
    enum class Second {
        SansObjet, // aucun second dossier, ou la première copie a échoué
        Absent,    // le dossier n'est pas là (clé non branchée) : rien à dire
        Ecrite,
        EnEchec,
    };
    Second second = Second::SansObjet;
    EcritureSure::Panne panneSecond = EcritureSure::Panne::Aucune;
    QString detailSecond;
    QString cheminSecond;
    bool reussie() const { return panne == EcritureSure::Panne::Aucune; }
};

// Fait la copie, puis écarte les copies surnuméraires. Peut tourner dans un autre fil que celui
// de la connexion par défaut : elle a ses propres connexions, ouvertes et retirées ici. Un échec
// ne touche ni à la base ni aux copies déjà faites.
Bilan copier(const Demande& demande);

} // namespace CopiesAuto
