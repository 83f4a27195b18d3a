// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/exchange/dianotessupprimables.h"
#include "ui_dianotessupprimables.h"

#include "gui/commun/invite.h"

#include <QPushButton>

diaNotesSupprimables::diaNotesSupprimables(int nombre, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::diaNotesSupprimables>())
{
    ui->setupUi(this);
    QFont police = ui->lbTitre->font();
    police.setBold(true);
    ui->lbTitre->setFont(police);
    ui->lbDates->setText(tr("Nombre de dates concernées : %1").arg(nombre));
    // OK attend qu'un choix soit fait, de quelque façon qu'il le soit : souris, clavier ou
    // technique d'assistance (qui coche le bouton sans le cliquer).
    QPushButton* ok = ui->buttonBox->button(QDialogButtonBox::Ok);
    const auto suivreChoix = [this, ok] {
        ok->setEnabled(ui->rbConserver->isChecked() || ui->rbSupprimer->isChecked());
    };
    connect(ui->rbConserver, &QRadioButton::toggled, ok, suivreChoix);
    connect(ui->rbSupprimer, &QRadioButton::toggled, ok, suivreChoix);
    suivreChoix();
}

diaNotesSupprimables::~diaNotesSupprimables() = default;

void diaNotesSupprimables::accept()
{
    if (ui->rbConserver->isChecked())
        done(1);
    else if (ui->rbSupprimer->isChecked())
        done(2);
}

void diaNotesSupprimables::reject()
{
    if (Invite::question(this, tr("Abandonner la mise à jour"),
                         tr("Voulez-vous vraiment abandonner la mise à jour ?"),
                         QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes)
        done(0);
}
