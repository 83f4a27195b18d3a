// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/commun/resultat.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <map>
#include <optional>

// Le journal des saisies pas encore enregistrées : un petit fichier privé du dossier des données
// (« QuorvelV3.sqlite.saisies ») qui tient, pour chaque grille ouverte, les cases que
// l'enseignant a changées depuis le dernier enregistrement. Il est réécrit en entier, d'un coup,
// au plus une seconde après chaque changement. Après un arrêt brutal (programme tué, coupure de
// courant, fin de session), le démarrage suivant propose de remettre ces dates dans leurs
// grilles. Le journal n'écrit jamais dans la base : abîmé, il ne coûte que la reprise.
//
// Une case y est nommée par des clés stables et de quoi voir que la base a changé depuis :
// l'élève par son identifiant, son nom et son prénom (une clé peut resservir après une
// suppression), le nœud par son identifiant et sa référence (« P1C1A1 »).
namespace JournalSaisies {

// Les deux grilles de saisie : dates des items d'une compétence, dates de validation des
// compétences d'un palier.
enum class Sorte { Competences, Palier };

// Une case changée et pas encore enregistrée.
struct Case {
    qint64 idEleve = 0;
    QString nom;
    QString prenom;
    qint64 idNoeud = 0;
    QString ref;
    QString texte; // tel que la grille le montre : vide (date effacée), date, ou texte invalide
    bool operator==(const Case& autre) const;
};

// Une grille : de quoi la rouvrir à l'identique, et ses cases changées.
struct Grille {
    Sorte sorte = Sorte::Competences;
    qint64 idClasse = 0;
    QString classe;
    qint64 idPalier = 0;
    QString palier;
    qint64 idCompetence = 0; // grille des compétences seulement (0 pour un palier)
    QString competence;
    bool triParNom = false;
    QList<qint64> niveaux; // filtre de niveau ; vide : tous les niveaux
    QList<Case> cases;
    bool operator==(const Grille& autre) const;
};

// Le texte du fichier : une ligne d'en-tête (format, version, empreinte SHA-256 du reste), puis
// les grilles en JSON.
QByteArray ecrire(const QList<Grille>& grilles);
// Relit ce texte ; FichierIllisible quand l'en-tête, l'empreinte ou le contenu ne conviennent pas
// (fichier abîmé, tronqué, retouché, d'une autre version). Chaque champ est contrôlé :
// identifiants entiers positifs, textes et nombres bornés.
Resultat<QList<Grille>> lire(const QByteArray& octets);
// La partie JSON seule, sans l'en-tête ni l'empreinte (pour le fuzzing et les essais).
Resultat<QList<Grille>> lireCorps(const QByteArray& corps);

// Au-delà, le fichier est refusé à la lecture.
inline constexpr qint64 TAILLE_MAX = 64 * 1024 * 1024;
inline constexpr int TEXTE_MAX = 65536;

// Le chemin du fichier, à côté de la base courante (son nom suivi de SUFFIXE) ; vide quand aucune
// base n'est fixée.
inline const QString SUFFIXE = QStringLiteral(".saisies");
QString chemin();

// Lit le fichier ; les écritures interrompues (fichiers provisoires) sont effacées. Un fichier
// absent ne tient aucune grille ; FichierIllisible quand il ne se relit pas.
Resultat<QList<Grille>> charger();
// Écrit le fichier entier ou rien (privé, mis sur le disque) ; sans grille, il est supprimé.
// FichierNonEcrit quand l'écriture a échoué : le fichier d'avant est resté.
Resultat<> enregistrer(const QList<Grille>& grilles);
// Supprime le fichier.
Resultat<> effacer();

// Les noms des élèves et les références des nœuds, lus dans la base pour nommer les cases.
struct Identites {
    QHash<qint64, std::pair<QString, QString>> eleves; // nom, prénom
    QHash<qint64, QString> refs;
};
Resultat<Identites> identites(const QList<qint64>& eleves, const QList<qint64>& noeuds);

// Ce qui peut revenir d'une grille du journal dans la base d'aujourd'hui.
struct Retour {
    Grille grille;            // l'en-tête, et seulement les cases à remettre
    int perdues = 0;          // cases qui ne peuvent pas revenir
    bool introuvable = false; // la classe, le palier ou la compétence n'existent plus
};
// Confronte le journal à la base : une case revient quand son élève existe encore, avec le
// même nom et le même prénom, dans la classe de la grille (et l'un des niveaux de son filtre),
// et que son nœud existe, avec la même référence, à sa place dans la grille. Une case égale à
// ce que la base tient déjà n'est plus une modification : elle n'est ni remise ni perdue.
// LectureImpossible quand la base ne se lit pas : rien n'est jugé perdu.
Resultat<QList<Retour>> confronter(const QList<Grille>& grilles);

// L'écrivain du journal, un seul pour le programme. Chaque grille s'inscrit avec la fonction qui
// rend sa part (rien quand elle est occupée : sa dernière part est gardée) et signale chacun
// de ses changements ; le fichier est réécrit au plus tard DELAI_MS après le premier
// changement qui suit une écriture.
class Ecrivain : public QObject
{
    Q_OBJECT
public:
    static constexpr int DELAI_MS = 1000;
    using Source = std::function<std::optional<Grille>()>;

    static Ecrivain& instance();

    int inscrire(Source source);
    // La grille a été fermée (enregistrée ou abandonnée par l'enseignant) : sa part disparaît du
    // fichier tout de suite.
    void retirer(int cle);
    // La grille est détruite : sa part disparaît, sauf pendant une suspension.
    void oublier(int cle);
    // Un changement : le fichier sera réécrit bientôt. Met fin à une suspension (l'enseignant
    // travaille de nouveau : la fin de session a été annulée).
    void signaler();
    // Réécrit le fichier tout de suite ; FichierNonEcrit quand l'écriture a échoué.
    Resultat<> ecrireMaintenant();
    // Fin de session décidée : le fichier est écrit une dernière fois, puis plus rien n'y
    // touche, ni les fermetures ni les destructions qui suivent, jusqu'au prochain changement.
    void suspendre();
    bool estSuspendu() const { return suspendu; }
    // Pendant que la reprise rouvre ses grilles, le fichier tient des cases qu'aucune grille ne
    // montre encore : rien ne le réécrit (une fin de session, une grille construite qui laisse
    // la boucle d'événements tourner) avant qu'elle ait fini.
    void retenir(bool oui) { retenu = oui; }

Q_SIGNALS:
    // L'écriture a échoué (disque plein, dossier interdit…), la première fois d'une série.
    void ecritureRefusee(const QString& detail);

private:
    Ecrivain();
    void reecrire();
    struct Part {
        Source source;
        Grille derniere;
    };
    std::map<int, Part> parts;
    QTimer minuterie;
    int suivante = 1;
    bool suspendu = false;
    bool retenu = false;
    bool enEchec = false;
    QString cheminEcrit;
    QByteArray dernierEcrit;
};

} // namespace JournalSaisies
