// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/pupils/diaimporteeleves.h"

#include "core/commun/application.h"
#include "core/commun/dossierdepart.h"
#include "core/db/sauvegarde.h"
#include "core/pupils/importeleves.h"
#include "gui/commun/invite.h"
#include "gui/commun/messageecriture.h"
#include "gui/commun/messages.h"

#include "ui_diaimporteeleves.h"

#include <QDir>
#include <QEvent>
#include <QFile>
#include <QPushButton>

diaImporteEleves::diaImporteEleves(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::diaImporteEleves>())
{
    ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    connect(ui->btParcourir, &QPushButton::clicked, this, &diaImporteEleves::parcourir);
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &diaImporteEleves::accept);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &diaImporteEleves::reject);

    for (QCheckBox* cases : {ui->chkAjouter, ui->chkSupprimer, ui->chkRepartir})
        connect(cases, &QCheckBox::toggled, this, &diaImporteEleves::suivreCases);
    suivreCases();
}

diaImporteEleves::~diaImporteEleves() = default;

void diaImporteEleves::parcourir()
{
    ui->edPath->setText(Invite::fichierAOuvrir(this, tr("Importer à partir du fichier CSV des élèves"),
                                               DossierDepart::dossier(),
                                               tr("Fichiers CSV (*.csv);;Tous fichiers (*.*)")));
}

void diaImporteEleves::suivreCases()
{
    const bool coche =
        ui->chkAjouter->isChecked() || ui->chkSupprimer->isChecked() || ui->chkRepartir->isChecked();
    ui->buttonBox->button(QDialogButtonBox::Ok)->setEnabled(coche);
}

bool diaImporteEleves::sauveBase()
{
    const auto eleves = Messages::lu(this, ImportEleves::nombreEleves());
    if (!eleves)
        return false;
    if (*eleves == 0)
        return true;

    const QMessageBox::StandardButton reponse = Invite::question(
        this, tr("SAUVEGARDE ?"),
        tr("La base de données contient des élèves.\n\nVoulez-vous sauvegarder la base avant que Quorvel "
           "n'effectue l'importation des nouveaux élèves ?\n\nSi vous répondez OUI, une fenêtre s'ouvre qui "
           "permet de choisir un DOSSIER (pas un fichier) qui recueille la base sauvegardée. Choisissez un "
           "dossier sur votre disque dur ou une clé USB. L'importation démarre immédiatement après la "
           "sauvegarde.\n\nSi vous répondez NON, la sauvegarde n'a pas lieu et l'importation démarre "
           "immédiatement.\n\nSi vous répondez ANNULER, la sauvegarde est annulée ainsi que toute "
           "l'importation.\n\nRéponse conseillée: OUI"),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (reponse == QMessageBox::No)
        return true;
    if (reponse != QMessageBox::Yes)
        return false;

    const QString dossier = Invite::dossier(this, tr("Dossier de destination"), DossierDepart::dossier());
    if (dossier.isEmpty()) {
        Invite::avertissement(
            this, tr("Stop"),
            tr("L'importation est interrompue, aucun dossier de sauvegarde n'a été sélectionné."));
        return false;
    }

    // Le dossier de la base elle-même : « remplacer » la copie effacerait la base en usage.
    // La copie est alors impossible, et l'importation n'a pas lieu.
    const QString cible = Sauvegarde::cheminCopie(dossier);
    if (Sauvegarde::estLaBaseCourante(cible)) {
        Invite::avertissement(
            this, tr("Erreur"),
            tr("La base n'a pas pu être exportée correctement. L'importation est annulée."));
        return false;
    }
    if (QFile::exists(cible)) {
        if (Invite::question(this, tr("Fichier existant"),
                             tr("Un fichier du même nom existe déjà. Faut-il le remplacer ?"),
                             QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
            Invite::avertissement(
                this, tr("Stop"),
                tr("L'importation est interrompue car la sauvegarde n'a pas été effectuée."));
            return false;
        }
    }

    // L'ancienne copie n'est remplacée que par une copie entière : en cas d'échec, elle reste.
    const Resultat<> copie = Sauvegarde::copierBase(cible);
    if (!copie) {
        Invite::avertissement(
            this, tr("Erreur"),
            tr("La base n'a pas pu être exportée correctement. L'importation est annulée.") +
                QLatin1Char('\n') + MessageEcriture::texte(copie.erreur()));
        return false;
    }
    Invite::information(this, tr("Copie"),
                        tr("La base a été exportée sous le nom: %1").arg(QDir::toNativeSeparators(cible)));
    return true;
}

void diaImporteEleves::accept()
{
    ImportEleves::Options options;
    options.ajouter = ui->chkAjouter->isChecked();
    options.supprimer = ui->chkSupprimer->isChecked();
    options.repartir = ui->chkRepartir->isChecked();
    if (!options.ajouter && !options.supprimer && !options.repartir) {
        Invite::avertissement(this, tr("Aucune action cochée"), tr("Veuillez cocher au moins une case!"));
        return;
    }

    const QString chemin = ui->edPath->text().trimmed();
    if (chemin.isEmpty()) {
        Invite::avertissement(this, tr("Pas de fichier"),
                              tr("Veuillez indiquer la position du fichier CSV à utiliser."));
        return;
    }

    if (const Resultat<> lu = lecteur.load(chemin, true); !lu) {
        // Le fichier n'a pas pu être ouvert : d'abord le message du lecteur, sans parent.
        if (const auto refus = Messages::refusCsv(lu.erreur()))
            Invite::avertissement(nullptr, refus->first, refus->second);
        Invite::avertissement(this, tr("Problème sur chargement"), tr("Le fichier n'a pas pu être chargé."));
        return;
    }

    const Resultat<ImportEleves::Colonnes> colonnes = ImportEleves::preparer(lecteur);
    if (!colonnes) {
        Invite::avertissement(
            this, tr("Problème sur fichier"),
            colonnes.erreur().raison == Raison::ChampIntrouvable
                ? tr("Le fichier CSV ne semble pas correct. Impossible de trouver le champ: %1")
                      .arg(nomChamp(int(colonnes.erreur().nombre)))
                : tr("Le fichier CSV ne semble pas correct."));
        return;
    }

    if (!sauveBase()) {
        reject();
        return;
    }

    const Resultat<ImportEleves::Comptes> resultat = ImportEleves::importer(
        lecteur, *colonnes, options, [this](int nombre) { return confirmerSuppression(nombre); });
    if (!resultat) {
        switch (resultat.erreur().raison) {
        case Raison::MiseAZeroImpossible:
            Invite::avertissement(this, tr("Problème sur la base"),
                                  tr("Impossible de mettre le champ 'upd' à zéro"));
            break;
        case Raison::DateInvalide:
            Invite::avertissement(this, tr("Problème sur fichier"),
                                  tr("Date de naissance invalide en ligne: %1").arg(resultat.erreur().ligne));
            break;
        case Raison::LectureImpossible:
            Messages::lectureImpossible(this, resultat.erreur());
            break;
        default:
            Invite::avertissement(this, tr("Problème sur la base"),
                                  tr("La base de données n'a pas pu être mise à jour. Aucune modification "
                                     "n'a été enregistrée."));
            break;
        }
        return;
    }
    Invite::information(this, tr("Opération terminée"), bilan(*resultat));
    QDialog::accept();
}

QString diaImporteEleves::nomChamp(int champ)
{
    switch (champ) {
    case ImportEleves::Nom:
        return tr("Nom élève");
    case ImportEleves::Prenom:
        return tr("Prénom élève");
    case ImportEleves::DateNaissance:
        return tr("Date naissance");
    case ImportEleves::Classe:
        return tr("Classe");
    case ImportEleves::Niveau:
        return tr("Niveau");
    default:
        return tr("Cycle");
    }
}

QString diaImporteEleves::bilan(const ImportEleves::Comptes& r)
{
    QStringList lignes{tr("La base de données a été mise à jour"),
                       QString(),
                       tr("Élèves ajoutés : %1").arg(r.ajoutes),
                       tr("Élèves changés de classe : %1").arg(r.deplaces),
                       tr("Élèves changés de niveau dans leur classe : %1").arg(r.changesNiveau),
                       tr("Élèves retrouvés sans changement : %1").arg(r.inchanges),
                       tr("Lignes ignorées : %1").arg(r.ignores + r.nonAjoutes),
                       tr("Élèves supprimés : %1").arg(r.supprimes)};
    // Ce que l'importation n'a pas fait, et pourquoi.
    QStringList details;
    if (r.ignores > 0)
        details << tr("Lignes incomplètes (nom, prénom, date de naissance, classe ou niveau vide) : %1")
                       .arg(r.ignores);
    if (r.nonAjoutes > 0)
        details << tr("Nouveaux élèves non ajoutés (case « Ajouter les nouveaux élèves » non cochée) : %1")
                       .arg(r.nonAjoutes);
    if (r.nonRepartis > 0)
        details << tr("Élèves laissés dans leur classe et leur niveau alors que le fichier en donne d'autres "
                      "(case « Mettre à jour la répartition des élèves à partir des classes du fichier » non "
                      "cochée) : %1")
                       .arg(r.nonRepartis);
    if (r.absentsGardes > 0)
        details << tr("Élèves de la base absents du fichier, gardés : %1").arg(r.absentsGardes);
    if (!r.lignesNettoyees.isEmpty()) {
        QStringList lignesNettoyees;
        for (const int ligne : r.lignesNettoyees.mid(0, 10))
            lignesNettoyees << QString::number(ligne);
        if (r.lignesNettoyees.size() > 10)
            lignesNettoyees << QStringLiteral("…");
        details
            << tr("Lignes dont les noms portaient des caractères de contrôle (caractère nul, tabulation…), "
                  "enregistrés sans eux : %1 (lignes %2)")
                   .arg(r.lignesNettoyees.size())
                   .arg(lignesNettoyees.join(QLatin1String(", ")));
    }
    if (!details.isEmpty())
        lignes << QString() << details;
    return lignes.join(QLatin1Char('\n'));
}

bool diaImporteEleves::confirmerSuppression(int nombre)
{
    return Invite::question(
               this, tr("Suppression des enregistrements des élèves"),
               tr("Nombre d'enregistrements d'élèves à supprimer: %1\nProcéder à la suppression ?")
                   .arg(nombre),
               QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void diaImporteEleves::changeEvent(QEvent* evenement)
{
    QDialog::changeEvent(evenement);
    if (evenement->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
}
