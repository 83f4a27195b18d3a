// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QList>
#include <QString>

#include <memory>

class QListWidgetItem;

namespace Ui {
class diaEdite;
}

// Dialogue « Edition et tri des items » : renomme, ajoute, supprime (si aucun élève ne s'en
// sert) et ordonne les classes ou les niveaux. Rien n'est écrit avant OK ; le dialogue n'est
// accepté que lorsque des modifications ont été écrites.
class diaEdite : public QDialog
{
    Q_OBJECT

public:
    explicit diaEdite(QWidget* parent = nullptr);
    ~diaEdite() override;

    // Charge la liste à éditer : « niveaux » pour les niveaux, tout autre nom (« classes »)
    // pour les classes. À appeler avant exec() ; faux, après l'avoir dit, quand la base n'a pas
    // pu être lue.
    bool charger(const QString& table);

public Q_SLOTS:
    void modifier();
    void ajouter();
    void supprimer();
    // Les boutons suivent l'entrée choisie et sa place.
    void actualiserBoutons();
    void up();
    void down();

    // Écrit toutes les modifications en une transaction ; sans modification, le dialogue
    // est refusé.
    void accept() override;

protected:
    void changeEvent(QEvent* evenement) override;

private:
    QListWidgetItem* entreeSelectionnee() const;
    // Vrai quand une entrée autre que `sauf` porte ce libellé, sans égard à la casse.
    bool libelleExiste(const QString& libelle, const QListWidgetItem* sauf) const;
    void deplacer(int decalage);
    // Le nom de la liste pour les techniques d'assistance : celle des classes ou des niveaux.
    void nommerListe();

    std::unique_ptr<Ui::diaEdite> ui;
    QString table;
    QList<qlonglong> supprimees; // clés des entrées existantes supprimées
    bool change = false;
    QString derniereSaisie; // dernier libellé tapé pour un ajout
};
