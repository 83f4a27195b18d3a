// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/settings/diaparam.h"

#include "core/commun/application.h"
#include "core/commun/dossierdepart.h"
#include "core/db/copiesauto.h"
#include "core/db/requetes.h"
#include "core/settings/parametres.h"
#include "gui/commun/invite.h"

#include "ui_diaparam.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QStorageInfo>

#include <algorithm>

diaParam::diaParam(QWidget* parent) : MyDialog(parent), ui(std::make_unique<Ui::diaParam>())
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &diaParam::accept);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &diaParam::reject);

    connect(ui->btParcourir, &QPushButton::clicked, this, &diaParam::parcourir);

    // Aucune langue n'est choisie d'avance : la liste ne fait que proposer. Sans ligne 1 dans
    // `general`, les champs restent vides.
    ui->cbLangue->addItems(Parametres::LANGUES);
    ui->cbLangue->setCurrentIndex(-1);
    ui->cbLangue->lineEdit()->setPlaceholderText(tr("choisissez ou tapez la langue"));
    if (const auto ecole = lire(Requetes::ecole())) {
        ui->edEcole->setPlainText(ecole->ecole);
        const int rang = ui->cbLangue->findText(ecole->langue);
        if (rang >= 0)
            ui->cbLangue->setCurrentIndex(rang);
        else
            ui->cbLangue->setCurrentText(ecole->langue);
    }
    montrerDossierCopies();
    ui->edSecondDossier->setText(QDir::toNativeSeparators(CopiesAuto::secondDossier()));
    // Les explications repliées (dossier des copies compris) doivent tenir en entier : la fenêtre
    // grandit au lieu de les couper.
    resize(width(), std::max(height(), layout()->totalHeightForWidth(width())));
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
    // Le choix part du second dossier déjà donné, sinon du dossier de départ de tout le programme.
    const QString actuel = QDir::fromNativeSeparators(ui->edSecondDossier->text().trimmed());
    const QString choisi = Invite::dossier(this, tr("Second dossier des copies automatiques"),
                                           actuel.isEmpty() ? DossierDepart::dossier() : actuel);
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
    // Une langue vide n'est jamais gardée en silence : elle laisserait un blanc sur chaque livret.
    const QString langue = ui->cbLangue->currentText();
    if (Parametres::normaliserLangue(langue).isEmpty() &&
        Parametres::lignesAdresse(ui->edEcole->toPlainText()).size() <= Parametres::LIGNES_MAX &&
        Invite::question(this, tr("Langue vivante"),
                         tr("Aucune langue vivante n'est choisie. Elle est imprimée sur le livret de chaque "
                            "élève (palier 2, compétence 2) : sans elle, la ligne « La maîtrise du niveau A1 "
                            "est validée en … » portera un blanc à compléter à la main.\n\nLaisser la langue "
                            "vide ?\n(Non : revenir au choix de la langue.)"),
                         QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
        ui->cbLangue->setFocus();
        return;
    }
    const QString second = QDir::fromNativeSeparators(ui->edSecondDossier->text().trimmed());
    if (!secondDossierAccepte(second))
        return;
    if (const Resultat<> ecrit = Parametres::enregistrer(ui->edEcole->toPlainText(), langue); !ecrit) {
        if (ecrit.erreur().raison == Raison::TropDeLignes)
            Invite::avertissement(this, tr("Adresse incorrecte"),
                                  tr("Le nom et l'adresse de l'école comportent trop de lignes."));
        else
            Invite::avertissement(this, tr("Erreur"),
                                  tr("Une erreur s'est produite lors de l'enregistrement des données."));
        return;
    }
    CopiesAuto::definirSecondDossier(second);
    MyDialog::accept();
}

void diaParam::changeEvent(QEvent* evenement)
{
    MyDialog::changeEvent(evenement);
    if (evenement->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        montrerDossierCopies();
    }
}
