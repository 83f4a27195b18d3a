// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "gui/commun/mydialog.h"

#include <QList>
#include <QStringList>

#include <memory>

class QTableWidgetItem;

namespace Ui {
class diaAjouteEleves;
}

// Dialogue « Ajout d'élèves » : une grille de nom, prénom, date de naissance et niveau où
// l'on tape les nouveaux élèves d'une classe, puis l'enregistrement dans `eleves` (un élève
// déjà présent n'est pas ajouté deux fois, un niveau inconnu peut être créé sur-le-champ).
// Effacer porte sur toutes les plages sélectionnées ; couper, copier et coller, sur une seule.
class diaAjouteEleves : public MyDialog
{
    Q_OBJECT

public:
    explicit diaAjouteEleves(QWidget* parent = nullptr);
    ~diaAjouteEleves() override;

    // La grille a des changements non enregistrés.
    bool estModifie() const { return modifie; }
    // Clé de la classe chargée, 0 quand aucune ne l'est.
    qlonglong classeChargee() const { return idClasse; }

public Q_SLOTS:
    void actualiser();
    void enregistrerClick();
    void copier();
    void coller();
    void couper();
    void undo();
    void changerNiveau();
    void ajouterLignes();
    void itemChanged(QTableWidgetItem* item);
    void effacer();
    // « Enregistrer » suit les modifications, « Ajouter 10 lignes » la classe chargée.
    void actualiserBoutons();
    void editeNiveaux();
    void editeClasses();
    void curentItemChanged(QTableWidgetItem* courant, QTableWidgetItem* precedent);

    // Bouton de fermeture et case de fermeture : propose d'enregistrer les changements.
    void reject() override;

protected:
    void changeEvent(QEvent* evenement) override;

private:
    // Ce qu'une opération a remplacé dans une zone : la zone (bornes comprises) et les textes
    // d'avant, ligne par ligne de haut en bas, de gauche à droite dans une ligne.
    struct Annulation {
        int gauche = 0;
        int haut = 0;
        int droite = 0;
        int bas = 0;
        QStringList textes;
    };
    // Un pas à défaire : une zone par plage touchée (plusieurs pour une sélection multiple).
    using Pas = QList<Annulation>;

    // Le seul chemin par lequel le programme écrit une cellule (date normalisée et marquée).
    void ecrireCellule(QTableWidgetItem* cellule, const QString& texte, Annulation* annulation);
    QTableWidgetItem* cellule(int ligne, int colonne);
    void creerCellules(int premiereLigne);
    // Valide la date (ou le texte) encore dans l'éditeur de la cellule courante.
    void validerSaisieEnCours();
    // Met la cellule courante (sans toucher à la sélection) et le focus sur une case : la première
    // d'une classe chargée, ou celle que refuse l'enregistrement, pour la corriger aussitôt ;
    // colonne -1 : la première case vide de la ligne.
    void allerA(int ligne, int colonne);
    // Enregistre la grille ; vrai en cas de succès, avec les deux comptes.
    bool enregistrer(int& ajoutes, int& ignores);
    // Enregistrement demandé par une question avant de fermer ou de recharger (sans bilan).
    bool enregistrerSansBilan();
    bool remplirClasses();
    bool remplirNiveaux();
    void marquerModifie(bool oui);

    std::unique_ptr<Ui::diaAjouteEleves> ui;
    qlonglong idClasse = 0;
    bool modifie = false;
    bool gardeEdition = false;
    QString texteAvant; // texte de la cellule courante quand elle l'est devenue
    QList<Pas> pileAnnulation;
};
