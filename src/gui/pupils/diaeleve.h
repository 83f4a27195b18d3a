// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/pupils/eleves.h"
#include "gui/commun/mydialog.h"

#include <QList>
#include <QString>

#include <memory>

class QAbstractButton;
class QLabel;
class QPushButton;
class QTableWidgetItem;
class QTableWidgetSelectionRange;

namespace Ui {
class diaEleve;
}

// Dialogue « Edition des élèves » : les élèves d'une classe (nom, prénom, date de naissance,
// niveau) modifiés dans une grille puis enregistrés ; déplacement des élèves sélectionnés
// vers une autre classe, changement de leur niveau, suppression avec leurs enregistrements,
// ajout d'un élève, suppression d'une classe vidée ; accès à l'édition des listes des
// classes et des niveaux.
class diaEleve : public MyDialog
{
    Q_OBJECT

public:
    explicit diaEleve(QWidget* parent = nullptr);
    ~diaEleve() override;

public Q_SLOTS:
    void actualiser();
    // Vrai quand les lignes de la grille ont été écrites.
    bool enregistrer();
    void copier();
    void supprimer();
    void buttonBoxClicked(QAbstractButton* bouton);
    void changerNiveau();
    void changerClasse();
    void ajouterEleve();
    void itemChanged(QTableWidgetItem* item);
    void effacer();
    // Les boutons suivent la sélection, la classe chargée et les modifications.
    void actualiserBoutons();
    void editeNiveaux();
    void editeClasses();

    // Fermeture (bouton Fermer, Échap, case de fermeture) : propose d'enregistrer d'abord.
    void reject() override;

protected:
    void changeEvent(QEvent* evenement) override;

private:
    bool remplirClasses();
    bool remplirNiveaux();
    void marquerModifie(bool oui);
    void ajouterLigne(const Eleve& eleve);
    QList<Eleve> lireGrille() const;
    // Les lignes touchées par la sélection, toutes plages comprises, de haut en bas.
    QList<int> lignesSelectionnees() const;
    QList<qlonglong> idsLignes(const QList<int>& lignes) const;
    void retirerLignes(const QList<int>& lignes);
    // Valide le texte encore dans l'éditeur de la cellule courante.
    void validerSaisieEnCours();
    // Met la cellule courante (sans toucher à la sélection) et le focus sur une case : la première
    // d'une classe chargée, ou celle que refuse l'enregistrement, pour la corriger aussitôt ;
    // colonne -1 : la première case vide de la ligne.
    void allerA(int ligne, int colonne);
    void verifierClasseVidee();
    // La base a refusé une suppression ou un déplacement : l'enseignant le lit (`titre`, `texte`),
    // et le tableau montre ce que la base tient vraiment. Les modifications pas encore
    // enregistrées y restent ; seules partent les lignes des élèves que la base ne tient plus dans
    // la classe. Sans modification en attente, toute la classe est relue.
    void signalerRefus(const QString& titre, const QString& texte);

    std::unique_ptr<Ui::diaEleve> ui;
    QPushButton* btEnregistrer = nullptr;
    QLabel* etiquetteClasse = nullptr; // cachée : le nom de la liste des classes
    qlonglong classeChargee = 0;       // 0 : aucune classe chargée
    QString nomClasseChargee;
    bool modifie = false;
    bool garde = false; // levée pendant que le dialogue écrit lui-même dans la grille
};
