// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/commun/fichiersur.h"
#include "core/commun/resultat.h"
#include "core/db/modele.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Le bilan LPC d'une classe pour un palier, sans aucun widget : les élèves concernés, les
// items du palier dans l'ordre de l'arbre, la matrice des validations, puis le document HTML
// (titre, liste des élèves, groupes d'items par ensemble d'élèves qui les ont validés,
// attestations). Le dialogue DiaBilan montre le document, l'enregistre et l'imprime.
//
// Les lectures se font sur la connexion par défaut, par ensembles (une requête pour toute la
// matrice) ; tout texte venu de la base est échappé avant d'entrer dans le HTML. Les textes du
// document sont son contenu, écrits ici avec son balisage.
class Bilan
{
public:
    // L'arbre des compétences lu d'un coup : les nœuds par identifiant, et les enfants de
    // chaque nœud dans l'ordre de « numero ».
    struct Arbre {
        QHash<qint64, Noeud> noeuds;
        QHash<qint64, QList<qint64>> enfants;
        QString libelle(qint64 id) const { return noeuds.value(id).libelle; }
    };

    struct Item {
        qint64 id = 0;
        qint64 agregat = 0;    // le parent de l'item
        qint64 competence = 0; // le parent de l'agrégat, 0 quand il est introuvable
        QString libelle;
    };

    // Les étapes annoncées pendant la construction.
    enum class Etape { Eleves, Items, Validations };

    // Ce que la construction signale à qui la lance (le dialogue : fenêtre d'attente,
    // boucle d'événements). Tout est facultatif.
    class Suivi
    {
    public:
        virtual ~Suivi();
        virtual void etape(Etape etape);
        virtual void laisserVivre();
    };

    // Construit le bilan : remplace les élèves, les items, la matrice et le document. Une
    // lecture refusée par la base arrête tout et revient comme erreur (LectureImpossible).
    Resultat<> construire(qint64 idClasse, qint64 idPalier, bool filtreNiveau, Suivi* suivi = nullptr);
    // Vrai quand le filtre des niveaux a été demandé sur un palier ni P1 ni P2 : la liste des
    // élèves est alors vide.
    bool palierSansReference() const { return sansReference; }

    const QList<Eleve>& eleves() const { return listeEleves; }
    const QList<Item>& items() const { return listeItems; }
    // Une chaîne par item, dans l'ordre des items : le caractère j vaut « 1 » quand l'élève j
    // a au moins un enregistrement de validation pour l'item, « 0 » sinon.
    const QStringList& matrice() const { return validations; }
    const QString& html() const { return texte; }

    // --- Les morceaux, séparés pour être essayés sur des cas faits à la main ---------

    static Resultat<Arbre> lireArbre();
    // Les items (profondeur 3) sous le palier, en profondeur d'abord, enfants par numero.
    static QList<Item> collecterItems(const Arbre& arbre, qint64 idPalier, Suivi* suivi = nullptr);
    // Les élèves de la classe ; avec le filtre, seulement ceux du niveau du palier (P1 : CE1
    // ou CYCLE II, P2 : CM2 ou CYCLE III). `refConnue` est mis à faux quand le filtre est
    // demandé pour un autre palier : la liste est alors vide.
    static Resultat<QList<Eleve>> selectionnerEleves(qint64 idClasse, const QString& refPalier,
                                                     bool filtreNiveau, bool* refConnue = nullptr);
    // Pour chaque nœud, sa chaîne de validations par élève.
    static Resultat<QStringList> lireValidations(const QList<Eleve>& eleves, const QList<qint64>& noeuds);

    static QString titre(const QString& classe, const std::optional<QString>& palier);
    static QString sectionEleves(const QList<Eleve>& eleves, bool filtreNiveau);
    static QString sectionItems(const QList<Eleve>& eleves, const QList<Item>& items,
                                const QStringList& matrice, const Arbre& arbre);
    // `competences` : identifiant et libellé de chaque enfant du palier ; `matrice` : leur
    // chaîne de validations, dans le même ordre.
    static QString sectionAttestations(const QList<Eleve>& eleves, const QList<Noeud>& competences,
                                       const QStringList& matrice);

    // --- Enregistrement --------------------------------------------------------------

    // Le fichier proposé : « <classe>.html » dans le dossier de départ (DossierDepart).
    static QString cheminPropose(const QString& classe);
    // Un nom de fichier tiré d'un libellé : les caractères qu'un système de fichiers refuse
    // (« / \ : * ? " < > | », caractères de contrôle) deviennent « - », sans blancs ni points
    // au bout ; les accents et les espaces restent. « bilan » quand il ne reste rien.
    static QString nomFichier(const QString& libelle);
    // Écrit le HTML (en UTF-8, le codage que déclare l'export HTML du document) dans le fichier,
    // entier ou pas du tout : un échec laisse le fichier du même nom tel qu'il était.
    // Refus : FichierNonEcrit.
    static Resultat<> ecrire(const QString& chemin, const QString& html);

private:
    QList<Eleve> listeEleves;
    QList<Item> listeItems;
    QStringList validations;
    QString texte;
    bool sansReference = false;
};
