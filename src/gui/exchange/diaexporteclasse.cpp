// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/exchange/diaexporteclasse.h"
#include "ui_diaexporteclasse.h"

#include "core/commun/dossierdepart.h"
#include "core/db/requetes.h"
#include "core/exchange/fichierclasse.h"
#include "gui/commun/choixrequis.h"
#include "gui/commun/invite.h"
#include "gui/commun/messageecriture.h"
#include "gui/commun/messages.h"

#include <QPushButton>

diaExporteClasse::diaExporteClasse(QWidget* parent)
    : MyDialog(parent), ui(std::make_unique<Ui::diaExporteClasse>())
{
    ui->setupUi(this);
    if (const auto classes = lire(Requetes::classes()))
        for (const Entree& classe : *classes)
            ui->cbClasse->addItem(classe.libelle, classe.id);
    ui->cbPalier->addItem(tr("Choisissez un palier"), 0);
    if (const auto paliers = lire(Requetes::paliers()))
        for (const Noeud& palier : *paliers)
            ui->cbPalier->addItem(palier.libelle, palier.id);
    connect(ui->cbClasse, &QComboBox::currentIndexChanged, this, &diaExporteClasse::suivreChoix);
    connect(ui->cbPalier, &QComboBox::currentIndexChanged, this, &diaExporteClasse::suivreChoix);
    suivreChoix();
}

QString diaExporteClasse::manque() const
{
    if (ui->cbClasse->currentIndex() < 0)
        return tr("Aucune classe à exporter : ajoutez ou importez d'abord des élèves.");
    if (ui->cbPalier->currentIndex() < 0 || ui->cbPalier->currentData().toLongLong() == 0)
        return tr("Choisissez le palier à exporter : un fichier ne contient les dates que d'un palier.");
    return {};
}

void diaExporteClasse::suivreChoix()
{
    ChoixRequis::suivre(ui->buttonBox->button(QDialogButtonBox::Ok), manque());
}

diaExporteClasse::~diaExporteClasse() = default;

void diaExporteClasse::accept()
{
    if (!manque().isEmpty())
        return; // OK est alors éteint, et sa bulle dit ce qui manque
    const QString chemin = Invite::fichierAEnregistrer(
        this, tr("Exporter une classe"), DossierDepart::chemin(ui->cbClasse->currentText() + ".xml"),
        tr("Fichiers XML (*.xml);;Tous fichiers (*.*)"));
    if (chemin.isEmpty())
        return;
    // La classe entière est lue d'abord : une lecture refusée n'écrit rien.
    const auto document = Messages::lu(
        this, FichierClasse::construire(ui->cbClasse->currentData().toLongLong(), ui->cbClasse->currentText(),
                                        ui->cbPalier->currentData().toLongLong()));
    if (!document)
        return;
    // Écrit à côté, relu, puis nommé : un disque plein ou une clé retirée ne laisse ni fichier à
    // moitié écrit ni ancien fichier écrasé.
    if (const Resultat<> ecrit = FichierClasse::ecrire(chemin, *document); !ecrit) {
        Invite::avertissement(this, tr("Erreur"), MessageEcriture::texte(ecrit.erreur()));
        return;
    }
    MyDialog::accept();
}
