// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/mainwindow/diainitialise.h"
#include "ui_diainitialise.h"

#include "core/commun/application.h"
#include "core/db/initialisation.h"
#include "core/db/migration.h"
#include "core/db/schema.h"
#include "gui/commun/diawait.h"
#include "gui/commun/invite.h"
#include "gui/commun/messages.h"
#include "gui/mainwindow/miseajourlivret.h"

#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QLayout>

#include <algorithm>

diaInitialise::diaInitialise(QWidget* parent, bool premier)
    : QDialog(parent), ui(std::make_unique<Ui::diaInitialise>()), premierDemarrage(premier)
{
    ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    appliquerTextes();
    // L'explication repliée (chemin de la base compris) doit tenir en entier : avec une police
    // plus large que celle pour laquelle la taille de départ est prévue (ou à une autre échelle
    // d'affichage), la fenêtre grandit au lieu de la couper.
    resize(width(), std::max(height(), layout()->totalHeightForWidth(width())));
}

diaInitialise::~diaInitialise() = default;

QString diaInitialise::explication() const
{
    return ui->lbExplication->text();
}

void diaInitialise::appliquerTextes()
{
    const Application::CheminsBase& chemins = Application::chemins();
    if (!premierDemarrage) {
        ui->lbExplication->setTextFormat(Qt::RichText);
        ui->lbExplication->setText(
            tr("Voulez-vous remettre à zéro toute la base de données ?") +
            QStringLiteral("<br><br><b><span style=\"font-size:8pt\">") +
            tr("IMPORTANT: l'effet est immédiat, il n'est pas possible de revenir en arrière !") +
            QStringLiteral("</span></b>"));
    } else if (QFile::exists(chemins.v1) || QFile::exists(chemins.v2)) {
        ui->lbExplication->setTextFormat(Qt::PlainText);
        ui->lbExplication->setText(tr(
            "Quorvel a détecté une version précédente de la base de données.\nQuorvel va d'abord créer une "
            "nouvelle base de données.\nPuis, il proposera de récupérer les enregistrements de la version "
            "précédente.\nCliquez sur OUI pour procéder (vos données précédentes seront récupérées)"));
    } else {
        ui->lbExplication->setTextFormat(Qt::PlainText);
        ui->lbExplication->setText(tr("La base de données va maintenant être créée.\nLe chemin complet est: "
                                      "%1\nCliquez sur OUI pour procéder.")
                                       .arg(chemins.courante));
    }
}

void diaInitialise::changeEvent(QEvent* evenement)
{
    QDialog::changeEvent(evenement);
    if (evenement->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        appliquerTextes();
    }
}

void diaInitialise::accept()
{
    if (!premierDemarrage &&
        Invite::question(this, tr("Confirmez"),
                         tr("Êtes-vous sûr de vouloir réinitialiser toute la base de données ?\nConfirmez en "
                            "cliquant sur OUI."),
                         QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
        reject();
        return;
    }

    const Resultat<QStringList> instructions = Schema::instructionsScript();
    if (!instructions) {
        Invite::avertissement(this, tr("ERREUR"),
                              tr("Impossible d'ouvrir le fichier 'tables.sql' dans les ressources !"));
        return;
    }

    // Avant que le script n'efface toutes les tables, la base qui tient des données est
    // copiée à côté d'elle : une réponse « Oui » donnée trop vite ne perd rien.
    QString copieSecurite;
    if (Initialisation::contientDesDonnees()) {
        const QString chemin = Application::chemins().courante;
        const Resultat<QString> copie = Initialisation::copierAvantInitialisation(chemin);
        if (!copie) {
            Invite::avertissement(
                this, tr("Copie de sécurité impossible"),
                tr("La base de données actuelle n'a pas pu être copiée avant l'initialisation (%1).\n"
                   "L'initialisation est annulée : rien n'a été modifié.\n"
                   "Vérifiez la place libre sur le disque et les droits d'écriture dans le dossier %2.")
                    .arg(copie.erreur().texte, QFileInfo(chemin).absolutePath()));
            reject();
            return;
        }
        copieSecurite = *copie;
    }

    Resultat<> posee;
    {
        diaWait attente(this);
        attente.preparer(false, QString());
        attente.show();
        posee = Initialisation::poserBase(*instructions);
    }

    if (!posee) {
        signalerEchec(posee.erreur());
        reject();
        return;
    }

    QString fin = tr("La base de données a été initialisée.");
    if (!copieSecurite.isEmpty())
        fin += QLatin1Char('\n') + tr("L'ancienne base a été gardée sous le nom :\n%1").arg(copieSecurite);
    Invite::information(this, tr("OPÉRATION TERMINÉE"), fin);

    proposerMigration();
    QDialog::accept();
}

void diaInitialise::signalerEchec(const Erreur& erreur)
{
    if (erreur.raison == Raison::InstructionRefusee)
        Invite::avertissement(this, tr("ERREUR"), erreur.nom + QLatin1Char('\n') + erreur.texte);
    const auto refusCsv = Messages::refusCsv(erreur);
    if (refusCsv)
        Invite::avertissement(nullptr, refusCsv->first, refusCsv->second);
    // Le dernier message dit ce qui a manqué : le livret, ou ce qu'a dit la base.
    QString detail;
    switch (erreur.raison) {
    case Raison::FichierIllisible:
    case Raison::FichierTropGros:
    case Raison::TropDeCases:
    case Raison::SeparateurIntrouvable:
        detail = tr("Impossible de charger le fichier %1").arg(erreur.nom);
        break;
    case Raison::LivretAvecNotes:
        detail = tr(
            "Impossible d'importer le livret car il existe des notes. Il faut d'abord supprimer les notes.");
        break;
    case Raison::ReferenceSansLibelle:
        detail = tr("Référence absente dans le libelle, ligne %1, colonne %2")
                     .arg(erreur.ligne)
                     .arg(erreur.colonne);
        break;
    case Raison::LibelleVide:
        detail = tr("Libellé vide en ligne %1, colonne %2").arg(erreur.ligne).arg(erreur.colonne);
        break;
    case Raison::InstructionRefusee:
        break; // déjà dit
    default:
        detail = erreur.texte;
        break;
    }
    Invite::information(
        this, tr("PROBLÈME"),
        tr("Il y a eu des erreurs. Toutes les requêtes risquent de poser des problèmes.\n%1").arg(detail));
}

void diaInitialise::proposerMigration()
{
    const Application::CheminsBase& chemins = Application::chemins();
    const bool version2 = QFile::exists(chemins.v2);
    if (!version2 && !QFile::exists(chemins.v1))
        return;

    const QString question =
        version2 ? tr("Une précédente version (V2) de Quorvel a été détectée. Voulez-vous récupérer les "
                      "enregistrements de cette précédente version?\nRéponse conseillée: OUI")
                 : tr("Une précédente version (V1) de Quorvel a été détectée. Voulez-vous récupérer les "
                      "enregistrements de cette précédente version?\nRéponse conseillée: OUI");
    const QString titre = version2 ? tr("Importer les données de la version 2 précédente")
                                   : tr("Importer les données de la version 1 précédente");
    if (Invite::question(this, titre, question, QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;

    const QString ancien = version2 ? chemins.v2 : chemins.v1;
    Resultat<> resultat;
    {
        diaWait attente(this);
        attente.preparer(false, version2 ? tr("Importation des données de la base (version 2 précédente)")
                                         : tr("Importation des données de la base (précédente version)"));
        attente.show();
        resultat = version2 ? Migration::importerVersion2(ancien) : Migration::importerVersion1(ancien);
        if (!resultat && resultat.erreur().raison == Raison::OuvertureImpossible)
            Invite::critique(nullptr,
                             version2 ? tr("Erreur d'ouverture de la base de données V2")
                                      : tr("Erreur d'ouverture de la base de données ancienne"),
                             resultat.erreur().texte);
    }

    if (resultat) {
        QFile::remove(ancien);
        Invite::information(
            this, tr("Importation terminée"),
            tr("L'importation s'est correctement terminée.\nNous vous suggérons de faire IMMÉDIATEMENT une "
               "sauvegarde de la base de données, car vos anciennes sauvegardes ne sont plus "
               "valables.\nRendez-vous "
               "dans le menu Fichiers, Base de données, Sauvegarder la base de données entière."));
    } else {
        Invite::avertissement(
            this, tr("Problèmes..."),
            tr("Des problèmes se sont produits lors de l'importation. La base risque d'être "
               "incomplète ou incohérente."));
    }
    signalerLivretNational(this);
}
