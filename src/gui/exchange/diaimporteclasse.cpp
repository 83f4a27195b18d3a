// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/exchange/diaimporteclasse.h"
#include "ui_diaimporteclasse.h"

#include "core/db/requetes.h"
#include "gui/commun/invite.h"

#include <QLabel>

diaImporteClasse::diaImporteClasse(const QString& nomClasse, QWidget* parent)
    : MyDialog(parent), ui(std::make_unique<Ui::diaImporteClasse>())
{
    ui->setupUi(this);
    ui->edClasse->setText(nomClasse);
    // Une liste déroulante annonce sa valeur comme nom et trouve son nom par l'étiquette qui la
    // désigne (sous Linux, son nom accessible n'est pas lu) ; celle des classes n'en a pas à
    // l'écran : une étiquette cachée la nomme pour les lecteurs d'écran.
    auto* etiquette = new QLabel(ui->cbClasse->accessibleName(), ui->frame);
    etiquette->setBuddy(ui->cbClasse);
    etiquette->hide();
    if (const auto classes = lire(Requetes::classes()))
        for (const Entree& classe : *classes)
            ui->cbClasse->addItem(classe.libelle, classe.id);
    suivreChoix();
    // Le cadre suit le choix dès qu'il change (clavier, souris ou technique d'assistance) :
    // la touche Tab qui suit mène à la liste des classes.
    connect(ui->rbUtiliseClasse, &QRadioButton::toggled, this, &diaImporteClasse::suivreChoix);
    // Le nom de la classe n'est qu'à lire : on commence par choisir quoi faire.
    ui->rbNouvelleClasse->setFocus();
}

diaImporteClasse::~diaImporteClasse() = default;

void diaImporteClasse::suivreChoix()
{
    ui->frame->setEnabled(ui->rbUtiliseClasse->isChecked());
}

void diaImporteClasse::accept()
{
    if (ui->rbNouvelleClasse->isChecked()) {
        classe = 0;
        renommage = false;
        MyDialog::accept();
    } else if (ui->rbUtiliseClasse->isChecked()) {
        if (ui->cbClasse->currentIndex() < 0) {
            Invite::avertissement(this, tr("Erreur"), tr("Veuillez sélectionner une classe"));
            return;
        }
        classe = ui->cbClasse->currentData().toLongLong();
        renommage = ui->chkRenommer->isChecked();
        MyDialog::accept();
    } else {
        Invite::avertissement(this, tr("Erreur"), tr("Veuillez cocher une action."));
    }
}
