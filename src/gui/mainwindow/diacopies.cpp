// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/mainwindow/diacopies.h"
#include "ui_diacopies.h"

#include "gui/commun/choixrequis.h"

#include <QDir>
#include <QHeaderView>
#include <QLocale>
#include <QPushButton>

namespace {
enum Colonne { Moment, Eleves, Dates, Sorte, Emplacement };

QString nombre(qint64 valeur)
{
    return QLocale(QLocale::French).toString(valeur);
}
} // namespace

diaCopies::diaCopies(const QList<Ligne>& lignes, const CopiesAuto::Contenu& actuelle, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::diaCopies>()), copies(lignes)
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    ui->buttonBox->button(QDialogButtonBox::Ok)->setText(tr("&Restaurer cette copie"));
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &diaCopies::accept);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &diaCopies::reject);
    connect(ui->btFichier, &QPushButton::clicked, this, &diaCopies::autreFichier);
    connect(ui->liste, &QTreeWidget::itemActivated, this, &diaCopies::accept);

    ui->lbActuelle->setText(
        actuelle.lisible
            ? tr("Base actuelle : %1 élèves, %2 dates.").arg(nombre(actuelle.eleves), nombre(actuelle.dates))
            : tr("La base actuelle ne se lit pas."));
    ui->liste->setHeaderLabels(
        {tr("Date et heure"), tr("Élèves"), tr("Dates"), tr("Copie"), tr("Emplacement")});
    for (const Ligne& l : std::as_const(copies)) {
        const bool lisible = l.contenu.lisible;
        auto* ligne = new QTreeWidgetItem(
            ui->liste, {texteMoment(l.copie.moment), lisible ? nombre(l.contenu.eleves) : tr("illisible"),
                        lisible ? nombre(l.contenu.dates) : QString(), texteSorte(l.copie),
                        l.secondDossier ? tr("second dossier") : tr("cet ordinateur")});
        ligne->setToolTip(Emplacement, QDir::toNativeSeparators(l.copie.chemin));
        for (const int colonne : {Eleves, Dates})
            ligne->setTextAlignment(colonne, Qt::AlignRight | Qt::AlignVCenter);
    }
    ui->liste->header()->setStretchLastSection(false);
    for (int colonne = 0; colonne < ui->liste->columnCount(); ++colonne)
        ui->liste->resizeColumnToContents(colonne);
    if (ui->liste->topLevelItemCount() > 0)
        ui->liste->setCurrentItem(ui->liste->topLevelItem(0));
    // « Restaurer cette copie » n'agit que sur une copie choisie dans la liste.
    const auto suivreChoix = [this] {
        ChoixRequis::suivre(ui->buttonBox->button(QDialogButtonBox::Ok),
                            ui->liste->currentItem() ? QString() : tr("Choisissez une copie dans la liste."));
    };
    connect(ui->liste, &QTreeWidget::currentItemChanged, this, suivreChoix);
    suivreChoix();
    ui->liste->setFocus();
}

diaCopies::~diaCopies() = default;

QString diaCopies::texteMoment(const QDateTime& moment)
{
    return QLocale(QLocale::French).toString(moment, QStringLiteral("dddd d MMMM yyyy, HH' h 'mm"));
}

QString diaCopies::texteSorte(const CopiesAuto::Copie& copie)
{
    switch (copie.sorte) {
    case CopiesAuto::Sorte::Quotidienne:
        return tr("du jour");
    case CopiesAuto::Sorte::Hebdomadaire:
        return tr("de la semaine");
    case CopiesAuto::Sorte::FinAnnee: {
        const int annee = CopiesAuto::anneeScolaire(copie.moment.date());
        return tr("de fin d'année scolaire %1-%2").arg(annee).arg(annee + 1);
    }
    case CopiesAuto::Sorte::Surnumeraire:
        break;
    }
    return tr("ancienne");
}

void diaCopies::accept()
{
    const int rang = ui->liste->indexOfTopLevelItem(ui->liste->currentItem());
    if (rang < 0 || rang >= copies.size())
        return;
    choisi = copies.at(rang).copie.chemin;
    QDialog::accept();
}

void diaCopies::autreFichier()
{
    choisi.clear();
    QDialog::accept();
}
