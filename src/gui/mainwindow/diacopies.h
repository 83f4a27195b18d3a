// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/db/copiesauto.h"

#include <QDialog>

#include <memory>

namespace Ui {
class diaCopies;
}

// Dialogue « Restaurer la base de données » : la liste des copies automatiques (date et heure,
// nombre d'élèves et de dates, sorte de copie, emplacement), la plus récente en haut et choisie
// d'office. OK choisit la copie de la ligne courante ; « Choisir un autre fichier... » ferme le
// dialogue pour laisser choisir un fichier à la main.
class diaCopies : public QDialog
{
    Q_OBJECT

public:
    struct Ligne {
        CopiesAuto::Copie copie;
        CopiesAuto::Contenu contenu;
        bool secondDossier = false; // copie du second dossier (clé USB, partage)
    };

    diaCopies(const QList<Ligne>& lignes, const CopiesAuto::Contenu& actuelle, QWidget* parent);
    ~diaCopies() override;

    // Après un exec() accepté : le chemin de la copie choisie, ou vide quand l'enseignant veut
    // choisir un autre fichier.
    QString cheminChoisi() const { return choisi; }

    // Les textes d'une ligne, tels que la liste les montre.
    static QString texteMoment(const QDateTime& moment);
    static QString texteSorte(const CopiesAuto::Copie& copie);

public Q_SLOTS:
    void accept() override;
    void autreFichier();

private:
    std::unique_ptr<Ui::diaCopies> ui;
    QList<Ligne> copies;
    QString choisi;
};
