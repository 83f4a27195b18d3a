// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/settings/diaparam.h"

#include "core/commun/application.h"
#include "core/db/copiesauto.h"
#include "core/settings/parametres.h"
#include "gui/commun/invite.h"

#include "ui_diaparam.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QPushButton>
#include <QStorageInfo>

diaParam::diaParam(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::diaParam>())
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &diaParam::accept);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &diaParam::reject);

    connect(ui->btParcourir, &QPushButton::clicked, this, &diaParam::parcourir);

    // Sans ligne 1 dans `general`, les champs restent vides.
    if (const auto ecole = Parametres::lire()) {
        ui->edEcole->setPlainText(ecole->ecole);
        ui->edLangue->setText(ecole->langue);
    }
    montrerDossierCopies();
    ui->edSecondDossier->setText(QDir::toNativeSeparators(CopiesAuto::secondDossier()));
}

void diaParam::montrerDossierCopies()
{
    ui->lbCopies->setText(
        tr("Chaque jour où la base change, Quorvel en garde une copie vérifiée dans le dossier :\n%1\n\n"
           "Une copie sur le même disque ne protège ni d'une panne de ce disque ni d'un vol de "
           "l'ordinateur : choisissez en plus un second dossier, sur une clé USB ou un partage réseau. "
           "Les copies y sont écrites aussi chaque fois qu'il est présent.")
            .arg(QDir::toNativeSeparators(CopiesAuto::dossier())));
}

void diaParam::parcourir()
{
    const QString choisi = Invite::dossier(this, tr("Second dossier des copies automatiques"),
                                           QDir::fromNativeSeparators(ui->edSecondDossier->text()));
    if (!choisi.isEmpty())
        ui->edSecondDossier->setText(QDir::toNativeSeparators(choisi));
}

bool diaParam::secondDossierAccepte(const QString& second)
{
    if (second.isEmpty())
        return true;
    const QString donnees = QFileInfo(Application::dossierDonnees()).absoluteFilePath();
    const QString choisi = QFileInfo(second).absoluteFilePath();
    if (choisi == donnees || choisi.startsWith(donnees + QLatin1Char('/'))) {
        Invite::avertissement(this, tr("Second dossier des copies"),
                              tr("Ce dossier est celui des données de Quorvel : les copies y sont déjà.\n"
                                 "Choisissez un dossier sur une clé USB ou un partage réseau."));
        return false;
    }
    // Absent (clé non branchée) : accepté sans rien dire, les copies l'attendront.
    if (!QFileInfo(second).isDir())
        return true;
    const QStorageInfo disqueDonnees(donnees);
    const QStorageInfo disqueChoisi(second);
    if (disqueDonnees.isValid() && disqueChoisi.isValid() &&
        disqueDonnees.rootPath() == disqueChoisi.rootPath() &&
        disqueDonnees.device() == disqueChoisi.device())
        return Invite::question(this, tr("Second dossier des copies"),
                                tr("Ce dossier est sur le même disque que la base de données : une panne de "
                                   "ce disque emporterait la base et ces copies ensemble.\n\n"
                                   "Le garder quand même ? (Non : choisir un autre dossier.)"),
                                QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    return true;
}

diaParam::~diaParam() = default;

void diaParam::accept()
{
    const QString second = QDir::fromNativeSeparators(ui->edSecondDossier->text().trimmed());
    if (!secondDossierAccepte(second))
        return;
    switch (Parametres::enregistrer(ui->edEcole->toPlainText(), ui->edLangue->text())) {
    case Parametres::Enregistrement::TropDeLignes:
        Invite::avertissement(this, tr("Adresse incorrecte"),
                              tr("Le nom et l'adresse de l'école comportent trop de lignes."));
        return;
    case Parametres::Enregistrement::Echec:
        Invite::avertissement(this, tr("Erreur"),
                              tr("Une erreur s'est produite lors de l'enregistrement des données."));
        return;
    case Parametres::Enregistrement::Fait:
        break;
    }
    CopiesAuto::definirSecondDossier(second);
    QDialog::accept();
}

void diaParam::changeEvent(QEvent* evenement)
{
    QDialog::changeEvent(evenement);
    if (evenement->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        montrerDossierCopies();
    }
}
