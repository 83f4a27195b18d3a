// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/commun/resultat.h"
#include "core/entry/journalsaisies.h"
#include "core/entry/notes.h"

#include <QDate>
#include <QList>
#include <QMainWindow>
#include <QRect>
#include <QStringList>

#include <functional>
#include <optional>

class HoteSaisie;
class QAbstractButton;
class QComboBox;
class QLineEdit;
class QTableWidget;
class QTableWidgetItem;
class diaWait;

// Base des fenêtres de saisie des dates (par compétence et par palier), sous-fenêtres de
// l'espace de travail de la fenêtre principale. Elle tient toute la mécanique commune d'une
// grille de cellules de date : écriture d'une cellule, saisie, copier, couper, coller,
// effacer, défaire, refaire, propagation, état des actions et questions avant de fermer ou de
// recharger. Chaque fenêtre construit et enregistre sa grille. La fenêtre qui l'accueille lui
// est donnée à la construction (HoteSaisie).
//
// Pendant la construction de la grille, `attente` tient le dialogue d'attente : la fenêtre
// est alors occupée, toutes ses opérations sont sans effet et elle refuse de se fermer.
class MdiBase : public QMainWindow
{
    Q_OBJECT
public:
    MdiBase(HoteSaisie& hote, QWidget* parent);
    ~MdiBase() override;

    bool occupe() const { return attente != nullptr; }
    bool estModifie() const { return modifie; }
    int profondeurAnnulation() const { return int(annulations.size()); }

    // Une zone de cellules et les textes de ses cellules de date, ligne par ligne, de gauche
    // à droite.
    struct Annulation {
        QRect zone; // colonnes gauche..droite (x), lignes haut..bas (y), bornes comprises
        QStringList textes;
    };
    // Un pas à défaire (ou à refaire) : une zone par plage touchée, dans l'ordre où elles
    // l'ont été (une sélection multiple en donne plusieurs).
    using Pas = QList<Annulation>;

    // Valide la date encore dans l'éditeur de la cellule courante, comme la touche Entrée.
    void validerSaisieEnCours();
    // Question avant de fermer (la date en cours d'édition comptée) : vrai quand la fenêtre
    // peut se fermer (rien à enregistrer, enregistrement réussi, ou modifications
    // abandonnées). Une fenêtre occupée refuse.
    bool accepterFermeture();
    // Avant une impression faite d'après la base : la date en cours d'édition est validée ;
    // s'il reste des modifications, `texte` (où « %1 » nomme la grille) demande s'il faut les
    // enregistrer d'abord (Oui enregistre et ne continue qu'en cas de succès, Non continue sans
    // elles, Annuler arrête). Vrai pour continuer.
    bool enregistrerAvantImpression(const QString& texte);
    // Après une réponse donnée pour toutes les fenêtres à la fois (fermeture du programme) :
    // la prochaine fermeture ne repose pas la question.
    void accorderFermeture() { fermetureAccordee = true; }

    // Remplit les listes de la fenêtre ; `modifie` est effacé. Faux, après l'avoir dit, quand
    // la base n'a pas pu être lue.
    virtual bool chargerListes() = 0;

    // La grille telle qu'une question la nomme : « CE1 A, compétence « … » ».
    static QString nommer(const JournalSaisies::Grille& grille);
    // Le nom de la grille affichée, que chaque question sur des dates pas encore enregistrées
    // donne ; quand deux fenêtres montrent la même grille, il dit aussi laquelle (« fenêtre 2
    // sur 2 », dans l'ordre de leur ouverture).
    QString nomGrille() const;
    // La session du bureau se termine et l'enseignant peut répondre : la question de la
    // fermeture, la grille nommée (Oui enregistre et ne continue qu'en cas de succès, Non
    // abandonne ses modifications, Annuler arrête la fin de session). Vrai pour continuer.
    bool accepterFinSession();
    // La session se termine sans question possible : les cases changées dont la date est valide
    // et vraisemblable sont enregistrées ; les autres (dates incorrectes, dates à vérifier)
    // restent au journal des saisies, d'où le prochain démarrage propose de les reprendre. Vrai
    // quand il ne reste rien à enregistrer.
    bool enregistrerSansQuestion();
    // Reprise après un arrêt imprévu : la grille est affichée pour la même classe, le même
    // palier, la même compétence, le même tri et le même filtre de niveau. Vrai quand c'est fait.
    virtual bool rouvrir(const JournalSaisies::Grille& grille);
    // Remet ces cases dans la grille affichée, en un seul pas à défaire, marquées « reprises » et
    // pas encore enregistrées ; rend le nombre de cases remises (une case dont l'élève ou le
    // nœud n'est pas dans la grille est laissée).
    int remettre(const QList<JournalSaisies::Case>& cases);

public Q_SLOTS:
    // Les opérations d'édition, que la fenêtre principale appelle sur la fenêtre de saisie
    // active.
    virtual void copier();
    virtual void coller();
    virtual void couper();
    virtual void effacer();
    virtual void undo();
    virtual void yank();

    void propager();
    void edDateEditingFinished();
    void itemChanged(QTableWidgetItem* cellule);
    void curentItemChanged(QTableWidgetItem* courante, QTableWidgetItem* precedente);
    // Met l'état des actions d'édition (ceux de la fenêtre, et ceux de la fenêtre principale
    // quand celle-ci est la sous-fenêtre active) d'accord avec la grille : appelé à chaque
    // changement de la grille, du presse-papiers et de la sous-fenêtre active.
    virtual void actualiserActions();

    // Enregistre la grille ; vrai quand elle a été écrite.
    virtual bool enregistrer() = 0;

protected:
    // Ce que la fenêtre donne de son formulaire, après l'avoir construit.
    struct Grille {
        QTableWidget* table = nullptr;
        QLineEdit* edDate = nullptr;
        QAbstractButton* btColler = nullptr;
        QAbstractButton* btUndo = nullptr;
        QAbstractButton* btYank = nullptr; // absent de la fenêtre des paliers
        QAbstractButton* btEnregistrer = nullptr;
        QAbstractButton* btAfficher = nullptr;
        QComboBox* cbClasses = nullptr; // premier choix de l'enseignante : le focus y est au départ
        QList<QAction*> actionsMenu;    // menu contextuel de la grille, dans l'ordre
        QAction* acUndo = nullptr;      // « Défaire » et « Refaire » de ce menu
        QAction* acYank = nullptr;      // absent de la fenêtre des paliers
    };
    // Branche la grille : signaux de la table, du champ de date et du presse-papiers, menu
    // contextuel, date du jour dans le champ. Au clavier, dans toute la fenêtre :
    // Ctrl+S enregistre, F5 affiche ou réactualise, Alt+- ouvre le menu de la sous-fenêtre
    // (restaurer, déplacer, taille, réduire, agrandir, fermer) ; Tab entre dans la grille et
    // en sort, les flèches s'y déplacent.
    void installerGrille(const Grille& grille);

    // Les lignes de dates de la grille, et la place d'un bloc collé : par défaut, toutes les
    // lignes, et la ligne `rang` du bloc sur la `rang`-ième ligne sous `haut`. La fenêtre des
    // paliers les change (une ligne de dates par compétence).
    virtual bool estLigneDate(int ligne) const;
    virtual int ligneCollee(int haut, int rang) const;
    // Le nombre de lignes d'un bloc que couvre une sélection de `lignes` lignes.
    virtual int lignesCouvertes(int lignes) const;
    // Vrai quand un bloc de `nombre` lignes collé depuis la ligne `haut` tient dans la grille
    // (ses lignes au-delà de la dernière sont alors passées).
    virtual bool blocTient(int haut, int nombre) const;
    // Vrai quand la fenêtre a un « Refaire ».
    virtual bool avecRefaire() const { return true; }

    // L'unique chemin par lequel la fenêtre écrit une cellule de date : normalisation, marque
    // d'invalidité et couleur ; l'ancien texte va dans `annulation` quand elle est donnée.
    void ecrireCellule(QTableWidgetItem* cellule, const QString& texte, Annulation* annulation = nullptr);

    // Question posée avant de recharger la grille quand elle a des modifications : vrai pour
    // continuer (enregistrement réussi, ou modifications abandonnées).
    bool confirmerRechargement();
    // Ce que la grille va montrer, pour le journal des saisies et les questions : la classe, le
    // palier et la compétence choisis (`cbCompetences` nul pour les paliers), le tri et le filtre
    // de niveau. Appelé juste avant la construction de la grille.
    void decrireGrille(const QComboBox* cbClasses, const QComboBox* cbPaliers, const QComboBox* cbCompetences,
                       bool triParNom);
    // Pour rouvrir une grille : la classe, le palier, le tri et le filtre de niveau choisis comme
    // dans `grille` ; faux quand la classe ou le palier manquent aux listes.
    bool choisirComme(const JournalSaisies::Grille& grille, QComboBox* cbClasses, QComboBox* cbPaliers,
                      QComboBox* cbTri);
    // Début et fin de la construction de la grille : dialogue d'attente, table en lecture
    // seule, garde levée ; puis pile vidée, rien à refaire, pas de modification. Après une
    // lecture refusée pendant la construction, la grille reste vide et l'enseignant apprend
    // pourquoi : elle ne passe jamais pour une classe sans élève ou sans date.
    void commencerChargement(const QString& message);
    void terminerChargement(const Resultat<>& construction = {});
    // Laisse la boucle d'événements traiter ce qui n'est pas saisie de l'utilisateur.
    static void laisserVivre();

    // Listes communes aux deux fenêtres : les classes puis les paliers, chacune après son
    // entrée « rien de choisi » (donnée 0) ; `modifie` est effacé. Faux, après l'avoir dit,
    // quand la base n'a pas pu être lue.
    bool remplirClassesEtPaliers(QComboBox* cbClasses, QComboBox* cbPaliers);
    // Le filtre de niveau (vide : tous les niveaux) : vidé au changement de classe et au début
    // de chaque choix ; le choix se fait dans diaFiltreNiveau pour la classe courante.
    void choisirNiveaux(QComboBox* cbClasses);
    QList<qint64> filtreNiveau;
    // Les colonnes des élèves de la classe (filtre de niveau et tri appliqués) : en-tête « NOM
    // Prénom », saut de ligne, niveau ; identifiant de l'élève en donnée ; largeur d'une date.
    Resultat<> construireColonnes(qint64 idClasse, bool triParNom);

    // Élève d'une colonne, nœud d'une ligne (0 quand l'en-tête manque).
    qint64 eleveColonne(int colonne) const;
    qint64 noeudLigne(int ligne) const;
    // Cellule de date neuve : texte, marque valide, centrée.
    static QTableWidgetItem* nouvelleCelluleDate(const QString& texte);

    // Avant d'enregistrer : vrai quand l'enregistrement peut continuer. La saisie en cours est
    // validée. Une date invalide le refuse : avertissement, puis la première cellule invalide
    // devient la courante. Des dates à vérifier parmi celles changées depuis le chargement ou le
    // dernier enregistrement font poser une question, qui dit combien et où est la première :
    // les enregistrer quand même, ou y revenir (la première devient la courante).
    bool controlerAvantEnregistrement();
    // Ce qu'une question dit d'une case : l'élève de sa colonne (« NOM Prénom ») et le nœud de sa
    // ligne (« item « Agrégat : item » » ; la fenêtre des paliers nomme la compétence).
    QString eleveNomme(int colonne) const;
    virtual QString nomLigne(int ligne) const;
    // Après un enregistrement réussi.
    void marquerEnregistre();
    // Écrit les cellules en une transaction et annonce dans la barre d'état de la fenêtre
    // principale ce qui a changé. Refusée, rien n'est écrit : l'enseignant en est averti et la
    // grille garde ses modifications, pour ne pas les perdre à la fermeture. `cellules` donne la
    // cellule de chaque valeur, pour y mener l'enseignant quand une valeur est refusée.
    bool enregistrerCellules(const QList<QTableWidgetItem*>& cellules, const QList<Notes::Cellule>& valeurs);

    // Les cellules de date des plages sélectionnées, chaque cellule une seule fois, plage par
    // plage, ligne par ligne, de gauche à droite.
    QList<QTableWidgetItem*> cellulesDateSelectionnees() const;
    // Réécrit chaque cellule de date de toutes les plages sélectionnées avec le texte que
    // donne `nouveauTexte`, en un seul pas à défaire.
    void reecrirePlages(const std::function<QString(const QTableWidgetItem*)>& nouveauTexte);
    // Début d'un pas à défaire : la pile à refaire est vidée (une nouvelle modification).
    void empilerPas(const Pas& pas);
    // Ce que dit une propagation quand aucune cellule de date n'est sélectionnée.
    virtual QString texteRienSelectionne() const;
    // Message bref et non bloquant dans la barre d'état de la fenêtre principale.
    void annoncer(const QString& message);
    // Date de naissance de l'élève d'une colonne (invalide quand elle n'est pas connue).
    QDate naissanceColonne(int colonne) const;

    void closeEvent(QCloseEvent* evenement) override;

    diaWait* attente = nullptr;
    bool modifie = false;
    HoteSaisie& fenetrePrincipale;

    QTableWidget* table = nullptr;
    QLineEdit* champDate = nullptr;
    bool garde = true;
    QList<Pas> annulations;
    QList<Pas> retablissements; // les pas défaits, à refaire ; vidée par toute nouvelle modification
    QTableWidgetItem* celluleCourante = nullptr;
    QString texteCourant;

    // Vrai quand la fenêtre est la sous-fenêtre active de l'espace de travail.
    bool estActive() const;

private:
    // Écrit dans les cellules de date de la zone les textes de `source`, dans l'ordre où ils
    // y ont été relevés ; les textes remplacés vont dans `remplaces`.
    void ecrireZone(const Annulation& source, Annulation& remplaces);
    // La première cellule de date qui vérifie `critere`, en lisant ligne par ligne.
    QTableWidgetItem* premiereCellule(const std::function<bool(const QTableWidgetItem*)>& critere) const;
    // Rend courante une cellule et la montre.
    void allerA(QTableWidgetItem* cellule);
    // Les cellules de date changées depuis le chargement ou le dernier enregistrement.
    QList<QTableWidgetItem*> cellulesChangees() const;
    // La part de la grille dans le journal des saisies ; rien quand elle est occupée.
    std::optional<JournalSaisies::Grille> partJournal() const;
    // Les cellules ont été enregistrées : la base tient désormais leur texte.
    void noterEnregistrees(const QList<QTableWidgetItem*>& cellules);

    Grille boutons;
    bool fermetureAccordee = false;
    // Ce que montre la grille (sans cases) et les noms de ses élèves et nœuds, pour le journal.
    JournalSaisies::Grille grilleChargee;
    JournalSaisies::Identites identites;
    int cleJournal = 0;
    // « Non » à la fin de session : la part de la grille quitte le journal jusqu'au changement
    // suivant.
    bool abandonnee = false;
};
