// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>
#include <utility>
#include <variant>

// La seule forme d'échec du cœur : une fonction rend un Resultat, qui tient soit la valeur
// voulue, soit une Erreur. L'erreur dit pourquoi (une Raison, typée) et porte les données dont
// la fenêtre a besoin pour écrire son message (le texte du pilote, un nom, une ligne) ; jamais
// la phrase elle-même : les messages s'écrivent dans gui/, en français, par tr().

enum class Raison {
    // --- La base ------------------------------------------------------------------------
    LectureImpossible,   // une lecture a échoué ; `texte` : ce qu'a dit le pilote
    EcritureRefusee,     // une écriture ou la validation a été refusée : rien n'a changé ; `texte`
    BaseOccupee,         // le fichier est tenu par un autre programme ; `texte`
    BaseEndommagee,      // le fichier n'est pas une base lisible ; `texte`
    OuvertureImpossible, // la base (ou un fichier) ne s'ouvre pas ; `nom`, `texte`

    // --- Valeurs refusées avant toute écriture (`ligne` : rang de la valeur, à partir de 1)
    DateInvalide,    // une date qui n'en est pas une, ou hors des années permises
    ChampsManquants, // une ligne d'élève remplie en partie, ou un champ vide
    NiveauAbsent,    // niveau inconnu dont la création n'est pas acceptée ; `nom`
    ClasseAbsente,   // aucune classe choisie
    ClasseSupprimee, // la classe n'existe plus dans la base
    TropDeLignes,    // nom et adresse de l'école trop longs ; `nombre` : lignes permises
    AncienMotDePasseIncorrect,
    MotsDePasseDifferents,
    MotDePasseNonRepresentable, // un caractère du nouveau mot de passe ne peut pas être gardé tel quel
    ReglagesNonEcrits,          // le fichier des réglages n'a pas pu être écrit : l'ancien reste
    Abandon,                    // l'utilisateur a renoncé en chemin (réponse à une question)

    // --- Fichiers venus de l'extérieur ------------------------------------------------
    FichierIllisible,      // `nom` : le chemin, `texte` : ce qu'a dit le système
    FichierTropGros,       // `nom`, `nombre` : la taille permise en Mo
    TropDeCases,           // `nom`, `ligne` : lignes, `colonne` : colonnes de la plus large
    SeparateurIntrouvable, // aucun séparateur dans la première ligne d'un CSV
    CopieImpossible,       // `nom` : source, `texte` : cible ou ce qu'a dit le système

    // --- Fichiers écrits ----------------------------------------------------------------
    FichierNonEcrit, // `nom` : le fichier, `nombre` : la panne (EcritureSure::Panne), `texte` : le système

    // --- Livret des compétences ---------------------------------------------------------
    LivretAvecNotes,      // des dates sont enregistrées : le livret ne peut être remplacé
    ReferenceSansLibelle, // une case du livret sans « code/libellé » ; `ligne`, `colonne`
    LibelleVide,          // `ligne`, `colonne`
    InstructionRefusee,   // une instruction du script du schéma ; `nom` : elle, `texte`

    // --- Import Base Elèves -------------------------------------------------------------
    FichierIncorrect,    // trop peu de lignes ou de colonnes
    ChampIntrouvable,    // une colonne manque ; `nombre` : le champ (ImportEleves::Champ)
    MiseAZeroImpossible, // le marquage de départ des élèves a échoué ; `texte`

    // --- Fichier de classe --------------------------------------------------------------
    AnalyseXml,          // `ligne`, `colonne`, `texte` : ce qu'a dit le lecteur XML
    DeclarationDeType,   // déclaration de type ou entité (refusées) ; `ligne`, `colonne`
    ImbricationProfonde, // `ligne`, `colonne`
    TropDElements,       // `ligne`, `colonne`
    ValeurTropLongue,    // `ligne`, `colonne`
    TexteTropLong,       // `ligne`, `colonne`
    FormatInconnu,       // la racine n'est pas une classe
    VersionInconnue,     // version du fichier que ce programme ne lit pas
    SommeAbsente,        // somme de contrôle absente
    SommeIncorrecte,     // fichier modifié hors du programme
    DechiffrementImpossible,
    AttributsManquants, // un élève sans nom, prénom, niveau, date ou date de mise à jour
    PalierAbsent,       // le fichier ne nomme pas de palier
    PalierInconnu,      // le palier du fichier n'est pas dans la base ; `nom`
    ClasseAbsenteDuFichier,
    AucunNiveau,        // la base n'a aucun niveau
    ReferenceAbsente,   // une date du fichier sans référence de compétence
    CompetenceInconnue, // une date du fichier pour une compétence absente de la base ; `nom`
    ClasseNonCreee,     // la classe n'a pas pu être créée ; `nom`, `texte`

    // --- Sauvegarde et restauration -----------------------------------------------------
    TemporaireImpossible,  // pas de fichier temporaire pour la copie
    VersionIllisible,      // la version de la base ne se lit pas
    VersionIncompatible,   // base d'une autre version du schéma
    AncienneBaseNonGardee, // la base courante n'a pas pu être gardée ; `nom`, `texte` : la copie
    RecopieImpossible,     // la copie n'a pas pu remplacer la base ; `nom`, `texte` : la base
    ReouvertureImpossible, // la nouvelle base ne s'ouvre pas ; l'ancienne est remise ; `texte`
    MigrationIncomplete,   // la reprise d'une ancienne base s'est arrêtée en chemin

    // --- Impression ---------------------------------------------------------------------
    EnvoiRefuse, // le système d'impression n'a pas pris le travail ; `texte`
};

struct Erreur {
    Raison raison = Raison::LectureImpossible;
    QString texte; // ce qu'a dit le pilote, le système ou le lecteur de fichiers
    QString nom;   // ce dont il s'agit : un fichier, une classe, un niveau, une instruction
    qint64 ligne = 0;
    qint64 colonne = 0;
    qint64 nombre = 0;

    Erreur(Raison r, QString t = {}) : raison(r), texte(std::move(t)) {}

    Erreur& sur(QString quoi)
    {
        nom = std::move(quoi);
        return *this;
    }
    Erreur& enLigne(qint64 l, qint64 c = 0)
    {
        ligne = l;
        colonne = c;
        return *this;
    }
    Erreur& avec(qint64 n)
    {
        nombre = n;
        return *this;
    }
};

// La valeur voulue, ou ce qui l'a empêchée. Sans valeur à rendre : Resultat<>.
template <typename T = void> class [[nodiscard]] Resultat
{
public:
    Resultat(T valeur) : contenu(std::in_place_index<0>, std::move(valeur)) {}
    Resultat(Erreur erreur) : contenu(std::in_place_index<1>, std::move(erreur)) {}

    bool reussi() const { return contenu.index() == 0; }
    explicit operator bool() const { return reussi(); }

    const T& valeur() const& { return std::get<0>(contenu); }
    T& valeur() & { return std::get<0>(contenu); }
    T&& valeur() && { return std::get<0>(std::move(contenu)); }
    const T& operator*() const& { return valeur(); }
    T& operator*() & { return valeur(); }
    const T* operator->() const { return &valeur(); }
    T* operator->() { return &valeur(); }
    // La valeur, ou `autre` après un échec.
    T valeurOu(T autre) const& { return reussi() ? valeur() : std::move(autre); }

    const Erreur& erreur() const { return std::get<1>(contenu); }

private:
    std::variant<T, Erreur> contenu;
};

template <> class [[nodiscard]] Resultat<void>
{
public:
    Resultat() = default;
    Resultat(Erreur erreur) : echec(std::move(erreur)) {}

    bool reussi() const { return !echec.has_value(); }
    explicit operator bool() const { return reussi(); }
    const Erreur& erreur() const { return *echec; }

private:
    std::optional<Erreur> echec;
};
