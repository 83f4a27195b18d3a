// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/settings/diamdp.h"

#include "core/commun/motdepasse.h"
#include "core/settings/parametres.h"
#include "gui/commun/invite.h"

#include "ui_diamdp.h"

#include <QDir>
#include <QEvent>
#include <QLayout>

#include <algorithm>

diaMdp::diaMdp(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::diaMdp>())
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    // L'explication repliée doit tenir en entier : avec une police plus large que celle pour
    // laquelle la taille de départ est prévue (ou à une autre échelle d'affichage), la fenêtre
    // grandit au lieu de la couper.
    resize(width(), std::max(height(), layout()->totalHeightForWidth(width())));

    // Sans mot de passe fixé, l'ancien ne sert pas : le focus part du nouveau.
    if (MotDePasse::empreinteStockee().isEmpty())
        ui->edNouv1->setFocus();

    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &diaMdp::accept);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &diaMdp::reject);
}

diaMdp::~diaMdp() = default;

void diaMdp::accept()
{
    const Resultat<> change =
        Parametres::changerMotDePasse(ui->edAncien->text(), ui->edNouv1->text(), ui->edNouv2->text());
    if (!change) {
        switch (change.erreur().raison) {
        case Raison::AncienMotDePasseIncorrect:
            Invite::avertissement(this, tr("Mot de passe"), tr("Le mot de passe ancien ne correspond pas."));
            break;
        case Raison::MotDePasseNonRepresentable:
            Invite::avertissement(this, tr("Mot de passe"),
                                  tr("Le nouveau mot de passe contient un caractère qui ne peut pas être "
                                     "enregistré tel qu'il a été tapé.\nChoisissez un mot de passe fait "
                                     "d'autres caractères."));
            break;
        case Raison::ReglagesNonEcrits:
            Invite::avertissement(this, tr("Mot de passe"),
                                  tr("Le mot de passe n'a pas pu être enregistré dans le fichier des "
                                     "réglages\n%1\nL'ancien mot "
                                     "de passe reste en vigueur. Libérez de la place sur le disque et "
                                     "vérifiez que vous avez le "
                                     "droit d'écrire dans votre dossier personnel, puis recommencez.")
                                      .arg(QDir::toNativeSeparators(MotDePasse::fichierReglages())));
            break;
        default: // MotsDePasseDifferents
            Invite::avertissement(this, tr("Mot de passe"), tr("Les mots de passe ne correspondent pas."));
            break;
        }
        return;
    }
    QDialog::accept();
}

void diaMdp::changeEvent(QEvent* evenement)
{
    QDialog::changeEvent(evenement);
    if (evenement->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
}
