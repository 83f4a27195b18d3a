// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "gui/commun/mydialog.h"

#include <memory>

namespace Ui {
class diaParam;
}

// Dialogue « Paramètres » : nom et adresse de l'école (4 lignes au plus) et principale langue
// vivante étrangère enseignée, gardés dans la ligne 1 de la table `general` ; le second dossier
// des copies automatiques, propre à cet ordinateur, gardé dans les réglages. La langue, imprimée
// sur chaque livret, n'est jamais choisie d'avance : la liste propose, l'enseignante choisit ou
// tape ; laissée vide, elle est confirmée par une question.
class diaParam : public MyDialog
{
    Q_OBJECT

public:
    explicit diaParam(QWidget* parent = nullptr);
    ~diaParam() override;

public Q_SLOTS:
    // Enregistre et ferme ; le dialogue reste ouvert, les champs tels que tapés, quand
    // l'adresse a trop de lignes, que l'écriture échoue, que l'enseignante ne confirme pas une
    // langue vide, ou que le second dossier est refusé (celui des données ; sur le même disque,
    // quand l'enseignant ne le confirme pas).
    void accept() override;
    void parcourir();

protected:
    void changeEvent(QEvent* evenement) override;

private:
    void montrerDossierCopies();
    bool secondDossierAccepte(const QString& second);

    std::unique_ptr<Ui::diaParam> ui;
};
