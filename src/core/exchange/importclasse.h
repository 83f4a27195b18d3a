// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/commun/resultat.h"
#include "core/db/requete.h"
#include "core/exchange/fichierclasse.h"

#include <QDomDocument>
#include <QDomElement>
#include <QList>
#include <QSet>
#include <QString>
#include <QtGlobal>

class Chiffreur;

// Conflit de date de naissance entre un élève du fichier et un élève de la base.
// Action : 0 garder la date de la base, 1 prendre celle du fichier, 2 créer un nouvel
// élève, 3 ignorer l'élève.
struct ConflitDate {
    qint64 idEleve = 0;
    QString nom;
    QString prenom;
    QString dateBase;    // « yyyy-MM-dd »
    QString dateFichier; // « yyyy-MM-dd »
    int action = 0;
    int element = -1; // rang de l'élève du fichier qui a produit le conflit
};

// Changement de niveau proposé. Action : 0 garder le niveau actuel, 1 prendre le niveau
// proposé, 2 ignorer l'élève.
struct ChangementNiveau {
    QString nom;
    QString prenom;
    QString dateNaiss;
    int action = 1;
    QString niveauActuel; // vide pour un nouvel élève
    QString niveauPropose;
    int element = -1;
};

// Ce que l'importation demande à l'utilisateur au milieu de son travail : le programme le
// fait par ses dialogues, un essai par des réponses écrites d'avance.
class InterlocuteurImport
{
public:
    virtual ~InterlocuteurImport();

    // Classe absente de la base : faux quand l'utilisateur renonce ; sinon l'identifiant
    // choisi (0 pour créer la classe) et le souhait de la renommer.
    virtual bool choisirClasse(const QString& nomClasse, qint64& idClasse, bool& renommer) = 0;
    // Faux quand l'utilisateur renonce ; sinon l'action de chaque élément est écrite.
    virtual bool resoudreDates(QList<ConflitDate>& conflits) = 0;
    virtual bool resoudreNiveaux(QList<ChangementNiveau>& changements) = 0;
    // 0 : abandon de la mise à jour ; 1 : conserver les dates ; 2 : les supprimer.
    virtual int notesSupprimables(int nombre) = 0;
    // Le fichier a été écrit par une autre école que celle de la base (les deux nommées) : vrai
    // pour fusionner quand même, faux pour arrêter l'importation sans rien changer. Sans
    // question à poser (essais, banc), la fusion se fait comme pour un fichier sans école.
    virtual bool accepterAutreEcole(const QString& ecoleFichier, const QString& ecoleBase)
    {
        Q_UNUSED(ecoleFichier);
        Q_UNUSED(ecoleBase);
        return true;
    }
    // Attente pendant l'écriture ; `avancer` est appelé avant chaque date.
    virtual void debutEcriture() {}
    virtual void avancer() {}
    virtual void finEcriture() {}
};

// Fusion d'un fichier de classe dans la base : contrôles, déchiffrement, rapprochement des
// élèves, niveaux, écriture en une seule transaction, compteurs du bilan et copie de travail
// « out.xml » (dans le dossier des données).
class ImportClasse
{
public:
    // Un élève ou une date ne compte comme mis à jour que quand la base a changé : un fichier
    // réimporté tel quel ne met rien à jour.
    struct Compteurs {
        QString classe; // nom de la classe du fichier
        int elevesAjoutes = 0;
        // Élèves déjà dans la base dont la date de naissance, le niveau ou la classe a changé.
        int elevesMisAJour = 0;
        // Élèves retrouvés dans la base, déjà dans cette classe, à ce niveau, à cette date de
        // naissance.
        int elevesInchanges = 0;
        int notesAjoutees = 0;
        // Dates du fichier, plus récentes, qui remplacent une autre date de la base.
        int notesMisesAJour = 0;
        // Dates du fichier que la base tient déjà, à la même valeur.
        int notesInchangees = 0;
        // Dates du fichier qui diffèrent de la base sans l'emporter : la date de la base, saisie
        // plus tard, est gardée.
        int notesIgnorees = 0;
        int niveauxCrees = 0;
        int notesSupprimees = 0;
        // Élèves de la classe dans la base, absents du fichier.
        int elevesIgnores = 0;
        bool classeCreee = false;
        bool classeRenommee = false;
        // Élèves (et nom de classe) dont les noms portaient des caractères de contrôle, retirés.
        int nomsNettoyes = 0;
        // Ce qu'a dit le système quand la copie de travail n'a pas pu être écrite (l'importation
        // elle-même est faite) ; vide quand elle l'a été.
        QString copieNonEcrite;
    };

    explicit ImportClasse(InterlocuteurImport& interlocuteur);

    // Ce que l'importation fait des octets du fichier avant de toucher à la base ; aucune de
    // ces trois étapes n'ouvre de requête.
    // Analyse XML prudente des octets lus (taille bornée comprise), voir FichierClasse::analyser.
    static Resultat<> analyserOctets(const QByteArray& octets, QDomDocument& document);
    // Contrôles de la racine qui ne demandent que le fichier : format (FormatInconnu), version
    // (VersionInconnue), somme de contrôle (SommeAbsente, SommeIncorrecte).
    static Resultat<> controlerRacine(const QDomDocument& document);
    // Déchiffre (fichier chiffré, version 3) le nom, le prénom et la date de naissance d'un
    // élément `eleve`, remplacés en mémoire par leur texte clair (DechiffrementImpossible),
    // retire les caractères de contrôle du nom, du prénom et du niveau (`nettoye` passe alors à
    // vrai), puis vérifie ses attributs (AttributsManquants).
    static Resultat<> preparerEleve(Chiffreur& chiffreur, QDomElement& eleve, bool chiffre,
                                    bool* nettoye = nullptr);

    // L'importation complète du fichier ; rend les compteurs du bilan quand la base a été mise
    // à jour. Refus, et rien de changé dans la base : ceux de la lecture du fichier
    // (FichierIllisible, et ceux des trois étapes ci-dessus), PalierAbsent, PalierInconnu,
    // ClasseAbsenteDuFichier, AucunNiveau, ClasseNonCreee, ReferenceAbsente et
    // CompetenceInconnue (une date du fichier), Abandon (l'utilisateur a renoncé à une
    // question, celle d'un fichier d'une autre école comprise), LectureImpossible (avant
    // l'écriture), EcritureRefusee (pendant l'écriture, lectures comprises).
    Resultat<Compteurs> importer(const QString& chemin);

    const Compteurs& compteurs() const { return cpt; }

    // Fusionne une date du fichier (un enfant d'élève).
    Resultat<> importerNote(qint64 idEleve, const QDomElement& note, qint64 idPalier);
    // Ajoute les dates du palier de l'élève que le fichier n'a pas touchées.
    Resultat<> chercherNotesAbsentes(qint64 idEleve, qint64 idPalier);

private:
    struct Niveau {
        QString libelle;
        qint64 id = 0;
    };

    Resultat<> ecrireCopieDeTravail() const;
    Resultat<> lire(const QString& chemin);
    Resultat<> controler();
    Resultat<> premierePasse();
    Resultat<> deuxiemePasse();
    Resultat<> ecrire();
    int indexNiveau(const QString& libelle) const;

    InterlocuteurImport& dialogue;
    QDomDocument document;
    QDomElement racine;
    QList<QDomElement> eleves;
    QString nomClasse;
    qint64 idPalier = 0;
    qint64 idClasse = 0;
    bool renommer = false;
    QList<Niveau> niveaux;
    QList<ConflitDate> conflits;
    QList<ChangementNiveau> changements;
    QSet<qint64> elevesImportes;
    QList<qint64> elevesRetrouves; // élèves du fichier déjà dans la base
    QSet<qint64> notesVues;
    QList<qint64> notesSupprimables;
    Compteurs cpt;
    Base::Requete chercheComp{QStringLiteral("SELECT id_comp FROM competences WHERE ref=?")};
    Base::Requete chercheNote{
        QStringLiteral("SELECT id_note,maj,date FROM notes WHERE id_comp=? AND id_eleve=?")};
    // La date prise du fichier garde l'instant de sa saisie (son « maj ») : la règle « la plus
    // récente l'emporte » des importations suivantes compare alors les bons instants.
    Base::Requete insereNote{QStringLiteral("INSERT INTO notes(id_eleve,id_comp,date,maj) "
                                            "VALUES(?,?,?,COALESCE(NULLIF(?,''),CURRENT_TIMESTAMP))")};
    Base::Requete majNote{QStringLiteral(
        "UPDATE notes SET date=?, maj=COALESCE(NULLIF(?,''),CURRENT_TIMESTAMP) WHERE id_note=?")};
    Base::Requete notesEleve{
        QStringLiteral("SELECT notes.id_note, competences.id_comp_parent FROM notes, competences WHERE "
                       "notes.id_eleve=? AND notes.id_comp=competences.id_comp")};
    FichierClasse::ArbrePaliers arbre;
};
