// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/entry/diapropagedate.h"
#include "ui_diapropagedate.h"

#include "core/commun/dates.h"
#include "gui/commun/invite.h"

#include <QDoubleValidator>
#include <QPushButton>
#include <QRadioButton>

namespace {
// Choix retenus pour toute l'exécution (jamais enregistrés).
Palier::Mode modeMemorise = Palier::Mode::RecenteSinonDefaut;
double pourcentageMemorise = 80.0;
} // namespace

diaPropageDate::diaPropageDate(QWidget* parent)
    : QDialog(parent, Qt::WindowFlags()), ui(std::make_unique<Ui::diaPropageDate>()),
      choisie(QDate::currentDate())
{
    ui->setupUi(this);
    connect(ui->btRaz, &QPushButton::clicked, this, &diaPropageDate::raz);
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &diaPropageDate::accept);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &diaPropageDate::reject);

    // Le pourcentage s'écrit avec un point décimal, quelle que soit la langue du poste.
    auto* validateur = new QDoubleValidator(0.0, 100.0, 2, ui->edPourcent);
    validateur->setNotation(QDoubleValidator::StandardNotation);
    validateur->setLocale(QLocale::c());
    ui->edPourcent->setValidator(validateur);
    ui->edPourcent->setText(QString::number(pourcentageMemorise, 'f', 1));

    QRadioButton* mode = modeMemorise == Palier::Mode::RecenteSeulement ? ui->rb2
                         : modeMemorise == Palier::Mode::DateDefaut     ? ui->rb3
                                                                        : ui->rb1;
    mode->setChecked(true);
    // Le focus part du mode retenu : c'est le premier choix, et un lecteur d'écran le dit coché.
    mode->setFocus();
}

diaPropageDate::~diaPropageDate() = default;

Palier::Mode diaPropageDate::modeRetenu()
{
    return modeMemorise;
}

double diaPropageDate::pourcentageRetenu()
{
    return pourcentageMemorise;
}

void diaPropageDate::definirDate(const QString& texte)
{
    QString date = texte;
    if (Dates::normaliser(date))
        ui->edDate->setText(date);
    else
        ui->edDate->setText(Dates::afficher(choisie));
}

void diaPropageDate::raz()
{
    ui->edPourcent->setText(QStringLiteral("0.0"));
}

void diaPropageDate::accept()
{
    QString date = ui->edDate->text();
    if (!Dates::normaliser(date)) {
        Invite::avertissement(this, tr("Erreur"), tr("La date est incorrecte"));
        return;
    }
    // Sans date, « Mettre la date ci-dessous » ne mettrait rien : OK le dit au lieu de se taire.
    if (date.isEmpty() && ui->rb3->isChecked()) {
        Invite::avertissement(this, tr("Erreur"),
                              tr("Indiquez la date à mettre dans les cases vides, par exemple 15/06/2024."));
        ui->edDate->setFocus();
        return;
    }
    choisie = QDate::fromString(date, Dates::FORMAT_AFFICHAGE);
    modeMemorise = ui->rb2->isChecked()   ? Palier::Mode::RecenteSeulement
                   : ui->rb3->isChecked() ? Palier::Mode::DateDefaut
                                          : Palier::Mode::RecenteSinonDefaut;

    bool lu = false;
    double pourcentage = ui->edPourcent->text().toDouble(&lu);
    if (!lu)
        pourcentage = 0.0;
    if (pourcentage < 0.0 || pourcentage > 100.0) {
        Invite::avertissement(this, tr("Erreur"), tr("Le pourcentage semble erroné."));
        return;
    }
    pourcentageMemorise = pourcentage;
    QDialog::accept();
}
