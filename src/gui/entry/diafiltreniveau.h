// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QList>

#include <memory>

namespace Ui {
class diaFiltreNiveau;
}

// Choix des niveaux à afficher dans une grille de saisie, parmi ceux des élèves d'une classe.
// Le dernier choix est gardé pour tout le programme : rouvert sur la même classe, le
// dialogue le montre coché.
class diaFiltreNiveau : public QDialog
{
    Q_OBJECT
public:
    explicit diaFiltreNiveau(QWidget* parent);
    ~diaFiltreNiveau() override;

    // Remplit la liste avec les niveaux présents parmi les élèves de la classe. Faux, après
    // l'avoir dit, quand la base n'a pas pu être lue.
    bool charger(qint64 idClasse);

    // Les niveaux du dernier choix validé.
    static QList<qint64> niveauxRetenus();

public Q_SLOTS:
    void accept() override;

private Q_SLOTS:
    // OK n'est actif qu'avec un niveau coché au moins ; sinon sa bulle le dit.
    void suivreChoix();

private:
    std::unique_ptr<Ui::diaFiltreNiveau> ui;
};
