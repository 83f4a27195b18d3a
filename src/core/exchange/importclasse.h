// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/exchange/fichierclasse.h"

#include <QCoreApplication>
#include <QDomDocument>
#include <QDomElement>
#include <QList>
#include <QSet>
#include <QSqlQuery>
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
    enum class Genre { Information, Avertissement };
    virtual ~InterlocuteurImport();

    virtual void message(Genre genre, const QString& titre, const QString& texte) = 0;
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
// élèves, niveaux, écriture en une seule transaction, bilan et copie de travail « out.xml »
// (dans le dossier des données).
class ImportClasse
{
    Q_DECLARE_TR_FUNCTIONS(ImportClasse)

public:
    struct Compteurs {
        int elevesAjoutes = 0;
        int elevesMisAJour = 0;
        int notesAjoutees = 0;
        int notesMisesAJour = 0;
        int notesIgnorees = 0;
        int niveauxCrees = 0;
        int notesSupprimees = 0;
        int elevesIgnores = 0;
        bool classeCreee = false;
        bool classeRenommee = false;
        // Élèves (et nom de classe) dont les noms portaient des caractères de contrôle, retirés.
        int nomsNettoyes = 0;
    };

    // Refus d'un fichier : titre et texte de l'avertissement ; vides quand rien n'est refusé.
    struct Refus {
        QString titre;
        QString texte;
        bool refuse() const { return !titre.isEmpty(); }
    };

    explicit ImportClasse(InterlocuteurImport& interlocuteur);

    // Ce que l'importation fait des octets du fichier avant de toucher à la base ; aucune de
    // ces trois étapes n'ouvre de requête.
    // Analyse XML prudente des octets lus (taille bornée comprise).
    static Refus analyserOctets(const QByteArray& octets, QDomDocument& document);
    // Contrôles de la racine qui ne demandent que le fichier : format, version, somme de
    // contrôle.
    static Refus controlerRacine(const QDomDocument& document);
    // Déchiffre (fichier chiffré, version 3) le nom, le prénom et la date de naissance d'un
    // élément `eleve`, remplacés en mémoire par leur texte clair, retire les caractères de
    // contrôle du nom, du prénom et du niveau (`nettoye` passe alors à vrai), puis vérifie ses
    // attributs.
    static Refus preparerEleve(Chiffreur& chiffreur, QDomElement& eleve, bool chiffre,
                               bool* nettoye = nullptr);

    // L'importation complète du fichier ; vrai quand la base a été mise à jour.
    bool importer(const QString& chemin);

    const Compteurs& compteurs() const { return cpt; }
    // Texte du bilan montré à la fin.
    QString bilan() const;

    // Fusionne une date du fichier (un enfant d'élève) ; faux en cas d'échec.
    bool importerNote(qint64 idEleve, const QDomElement& note, qint64 idPalier);
    // Ajoute les dates du palier de l'élève que le fichier n'a pas touchées ; faux quand la
    // base n'a pas pu les lire.
    bool chercherNotesAbsentes(qint64 idEleve, qint64 idPalier);

private:
    struct Niveau {
        QString libelle;
        qint64 id = 0;
    };

    void avertir(const QString& titre, const QString& texte);
    FichierSur::Issue ecrireCopieDeTravail() const;
    bool lire(const QString& chemin);
    bool controler();
    bool premierePasse();
    bool deuxiemePasse();
    bool ecrire();
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
    QList<qint64> elevesMisAJour;
    QSet<qint64> notesVues;
    QList<qint64> notesSupprimables;
    Compteurs cpt;
    bool panneBase = false; // une instruction refusée par la base pendant l'écriture
    QSqlQuery chercheComp;
    QSqlQuery chercheNote;
    QSqlQuery insereNote;
    QSqlQuery majNote;
    QSqlQuery notesEleve;
    FichierClasse::ArbrePaliers arbre;
};
