// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/settings/diaparam.h"

#include "core/db/requetes.h"
#include "core/settings/parametres.h"
#include "gui/commun/invite.h"

#include "ui_diaparam.h"

#include <QEvent>

diaParam::diaParam(QWidget* parent) : MyDialog(parent), ui(std::make_unique<Ui::diaParam>())
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &diaParam::accept);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &diaParam::reject);

    // Sans ligne 1 dans `general`, les champs restent vides.
    if (const auto ecole = lire(Requetes::ecole())) {
        ui->edEcole->setPlainText(ecole->ecole);
        ui->edLangue->setText(ecole->langue);
    }
}

diaParam::~diaParam() = default;

void diaParam::accept()
{
    if (const Resultat<> ecrit = Parametres::enregistrer(ui->edEcole->toPlainText(), ui->edLangue->text());
        !ecrit) {
        if (ecrit.erreur().raison == Raison::TropDeLignes)
            Invite::avertissement(this, tr("Adresse incorrecte"),
                                  tr("Le nom et l'adresse de l'école comportent trop de lignes."));
        else
            Invite::avertissement(this, tr("Erreur"),
                                  tr("Une erreur s'est produite lors de l'enregistrement des donnnées."));
        return;
    }
    MyDialog::accept();
}

void diaParam::changeEvent(QEvent* evenement)
{
    MyDialog::changeEvent(evenement);
    if (evenement->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
}
