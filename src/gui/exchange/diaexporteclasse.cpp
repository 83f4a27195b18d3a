// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/exchange/diaexporteclasse.h"
#include "core/db/requetes.h"
#include "ui_diaexporteclasse.h"

#include "core/exchange/fichierclasse.h"
#include "gui/commun/invite.h"
#include "gui/commun/messageecriture.h"

#include <QFileInfo>
#include <QSqlQuery>
#include <QStandardPaths>

diaExporteClasse::diaExporteClasse(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::diaExporteClasse>())
{
    ui->setupUi(this);
    for (const Entree& classe : Requetes::classes())
        ui->cbClasse->addItem(classe.libelle, classe.id);
    ui->cbPalier->addItem(tr("Choisissez un palier"), 0);
    QSqlQuery requete;
    requete.exec("SELECT libelle, id_comp FROM competences WHERE id_comp_parent=0 ORDER BY numero, id_comp");
    while (requete.next())
        ui->cbPalier->addItem(requete.value(0).toString(), requete.value(1));
}

diaExporteClasse::~diaExporteClasse() = default;

QString& diaExporteClasse::dossierExport()
{
    static QString dossier = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return dossier;
}

void diaExporteClasse::accept()
{
    if (ui->cbClasse->currentIndex() < 0 || ui->cbPalier->currentIndex() < 0 ||
        ui->cbPalier->currentData().toLongLong() == 0)
        return;
    const QString chemin = Invite::fichierAEnregistrer(
        this, tr("Exporter une classe"), dossierExport() + "/" + ui->cbClasse->currentText() + ".xml",
        tr("Fichiers XML (*.xml);;Tous fichiers (*.*)"));
    if (chemin.isEmpty())
        return;
    dossierExport() = QFileInfo(chemin).absolutePath();
    const QDomDocument document =
        FichierClasse::construire(ui->cbClasse->currentData().toLongLong(), ui->cbClasse->currentText(),
                                  ui->cbPalier->currentData().toLongLong());
    // Écrit à côté, relu, puis nommé : un disque plein ou une clé retirée ne laisse ni fichier à
    // moitié écrit ni ancien fichier écrasé.
    const FichierSur::Issue issue = FichierClasse::ecrire(chemin, document);
    if (!issue.reussie()) {
        Invite::avertissement(this, tr("Erreur"), MessageEcriture::texte(chemin, issue.panne, issue.detail));
        return;
    }
    QDialog::accept();
}
