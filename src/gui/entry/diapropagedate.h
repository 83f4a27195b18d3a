// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/entry/palier.h"

#include <QDate>
#include <QDialog>
#include <QString>

#include <memory>

namespace Ui {
class diaPropageDate;
}

// Propagation sous condition dans la grille des paliers : choix du mode (date la plus récente
// ou date par défaut), de la date par défaut et du pourcentage de réussite minimum. Le dernier
// mode et le dernier pourcentage acceptés sont gardés pour toute l'exécution du programme et
// partagés par toutes les fenêtres des paliers.
class diaPropageDate : public QDialog
{
    Q_OBJECT
public:
    explicit diaPropageDate(QWidget* parent);
    ~diaPropageDate() override;

    // Date par défaut proposée : le texte normalisé quand c'est une date, sinon la date
    // choisie (aujourd'hui).
    void definirDate(const QString& texte);
    // La date choisie, lue dans le champ après acceptation.
    QDate dateChoisie() const { return choisie; }

    // Le mode des boutons rb1, rb2, rb3 : Palier::Mode dans l'ordre.
    static Palier::Mode modeRetenu();
    static double pourcentageRetenu();

public Q_SLOTS:
    void raz();
    void accept() override;

private:
    std::unique_ptr<Ui::diaPropageDate> ui;
    QDate choisie;
};
