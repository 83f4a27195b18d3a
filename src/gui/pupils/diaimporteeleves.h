// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/db/lecteurcsv.h"
#include "core/pupils/importeleves.h"

#include <QDialog>
#include <QString>

#include <memory>

namespace Ui {
class diaImporteEleves;
}

// Dialogue « Importation et mise à jour des élèves » : choix du fichier CSV de Base Elèves
// et des trois actions (ajouter, supprimer les absents, mettre à jour la répartition). OK
// contrôle le fichier, propose une copie de la base quand elle contient déjà des élèves,
// puis lance l'importation (voir importeleves.h). Toutes les questions passent par Invite.
class diaImporteEleves : public QDialog
{
    Q_OBJECT

public:
    // Le fichier et le dossier de la copie de la base se choisissent à partir du dossier de
    // départ (DossierDepart).
    explicit diaImporteEleves(QWidget* parent);
    ~diaImporteEleves() override;

public Q_SLOTS:
    // Choix du fichier CSV ; un choix annulé vide le chemin.
    void parcourir();
    // OK n'est actif que si une case au moins est cochée : suit chaque case.
    void suivreCases();
    // Propose de copier la base avant l'importation ; vrai pour continuer l'importation.
    bool sauveBase();
    // Contrôles puis importation ; le dialogue reste ouvert après un refus.
    void accept() override;

protected:
    void changeEvent(QEvent* evenement) override;

private:
    bool confirmerSuppression(int nombre);
    // Le message de fin : ce que l'importation a fait, ligne par ligne, et ce qu'elle a laissé.
    static QString bilan(const ImportEleves::Comptes& comptes);
    // Le nom d'un champ de l'en-tête, quand il manque.
    static QString nomChamp(int champ);

    std::unique_ptr<Ui::diaImporteEleves> ui;
    LecteurCsv lecteur;
};
