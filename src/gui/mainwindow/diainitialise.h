// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/commun/resultat.h"

#include <QDialog>

#include <memory>

namespace Ui {
class diaInitialise;
}

// Dialogue d'initialisation de la base : au premier démarrage (ou après un contrôle de
// version qui l'exige) et à la demande de l'utilisateur. Oui pose une base neuve (script du
// schéma, livret, paramètres des paliers), puis propose de reprendre les données d'une
// version précédente. Accepté quand la base a été posée.
class diaInitialise : public QDialog
{
    Q_OBJECT
public:
    diaInitialise(QWidget* parent, bool premierDemarrage);
    ~diaInitialise() override;

    // Texte d'explication affiché, selon le cas.
    QString explication() const;

public Q_SLOTS:
    void accept() override;

protected:
    void changeEvent(QEvent* evenement) override;

private:
    void appliquerTextes();
    // Ce qui a empêché de poser la base, dans les messages de toujours : l'instruction du
    // script refusée, le message du lecteur du livret, puis ce qui a manqué.
    void signalerEchec(const Erreur& erreur);
    void proposerMigration();

    std::unique_ptr<Ui::diaInitialise> ui;
    bool premierDemarrage;
};
