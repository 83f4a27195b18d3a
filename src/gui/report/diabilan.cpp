// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/report/diabilan.h"

#include "core/commun/application.h"
#include "core/db/requetes.h"
#include "gui/commun/choixrequis.h"
#include "gui/commun/diawait.h"
#include "gui/commun/envoiimpression.h"
#include "gui/commun/invite.h"
#include "gui/commun/messageecriture.h"
#include "gui/commun/tiragefichier.h"

#include "ui_diabilan.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QPrinter>
#include <QPushButton>
#include <QTextDocument>

// Ce que la construction du bilan montre pendant qu'elle travaille : les textes de la
// fenêtre d'attente, la boucle d'événements qui la garde peinte, les messages.
class DiaBilan::Suivi : public Bilan::Suivi
{
public:
    explicit Suivi(DiaBilan* dialogue) : dialogue(dialogue) {}

    void etape(Bilan::Etape etape) override
    {
        switch (etape) {
        case Bilan::Etape::Eleves:
            dialogue->attente->preparer(false, tr("Compilation de la liste des élèves"));
            break;
        case Bilan::Etape::Items:
            dialogue->attente->preparer(false, tr("Création de la liste des compétences..."));
            break;
        case Bilan::Etape::Validations:
            dialogue->attente->preparer(false,
                                        tr("Recherche et classement des items validés par les élèves..."));
            break;
        }
    }

    void laisserVivre() override { Application::laisserVivre(); }

private:
    DiaBilan* dialogue;
};

DiaBilan::DiaBilan(QWidget* parent, QPrinter* imprimante)
    : MyDialog(parent), ui(std::make_unique<Ui::DiaBilan>()), printer(imprimante)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowMaximizeButtonHint | Qt::WindowContextHelpButtonHint);
    btImprimer = ui->buttonBox->addButton(tr("&Imprimer"), QDialogButtonBox::ActionRole);

    connect(ui->buttonBox, &QDialogButtonBox::clicked, this, &DiaBilan::buttonBoxClicked);
    connect(ui->btActualiser, &QToolButton::clicked, this, &DiaBilan::actualiser);

    if (const auto classes = lire(Requetes::classes()))
        for (const Entree& classe : *classes)
            ui->cbClasse->addItem(classe.libelle, classe.id);
    ui->cbClasse->setCurrentIndex(-1);
    if (const auto paliers = lire(Requetes::paliers()))
        for (const Noeud& palier : *paliers)
            ui->cbPalier->addItem(palier.libelle, palier.id);
    ui->cbPalier->setCurrentIndex(-1);
    suivreBilan();
}

DiaBilan::~DiaBilan() = default;

void DiaBilan::suivreBilan()
{
    // Rien à enregistrer ni à imprimer avant le premier bilan construit.
    const QString manque =
        idClasse != 0 ? QString()
                      : tr("Affichez d'abord le bilan : choisissez la classe et le palier, puis cliquez sur "
                           "le bouton « Réactualiser » (touche F5).");
    ChoixRequis::suivre(ui->buttonBox->button(QDialogButtonBox::Save), manque);
    ChoixRequis::suivre(btImprimer, manque);
}

void DiaBilan::buttonBoxClicked(QAbstractButton* bouton)
{
    const QDialogButtonBox::StandardButton genre = ui->buttonBox->standardButton(bouton);
    if (genre == QDialogButtonBox::Close)
        reject();
    else if (genre == QDialogButtonBox::Save)
        enregistrer();
    else if (bouton == btImprimer)
        imprimer();
}

void DiaBilan::actualiser()
{
    const qint64 classe = ui->cbClasse->currentData().toLongLong();
    const qint64 palier = ui->cbPalier->currentData().toLongLong();
    if (classe == 0 || palier == 0) {
        Invite::avertissement(this, tr("Attention"), tr("Veuillez renseigner la classe et le palier."));
        return;
    }
    ui->edTexte->clear();
    idClasse = 0;
    suivreBilan();
    if (!attente) {
        attente = new diaWait(this);
        attente->show();
    }
    Suivi suivi(this);
    const Resultat<> construit = bilan.construire(classe, palier, ui->chkNiveau->isChecked(), &suivi);
    delete attente;
    attente = nullptr;
    if (!construit) {
        // Rien à enregistrer ni à imprimer : le bilan n'a pas pu être lu.
        Messages::lectureImpossible(this, construit.erreur());
        return;
    }
    if (bilan.palierSansReference())
        Invite::avertissement(this, tr("Problème..."),
                              tr("Impossible de trouver une référence au palier demandé, dans la base de "
                                 "données."));
    idClasse = classe;
    libelleClasse = ui->cbClasse->currentText();
    ui->edTexte->setHtml(bilan.html());
    suivreBilan();
}

void DiaBilan::enregistrer()
{
    if (idClasse == 0)
        return;
    const QString chemin =
        Invite::fichierAEnregistrer(this, tr("Enregistrer le document au format HTML"),
                                    Bilan::cheminPropose(libelleClasse), tr("Documents HTML (*.html)"));
    if (chemin.isEmpty())
        return;
    // Le document de l'éditeur, avec les retouches de l'utilisateur.
    const Resultat<> ecrit = Bilan::ecrire(chemin, ui->edTexte->document()->toHtml());
    if (!ecrit) {
        Invite::avertissement(this, tr("Problème"),
                              tr("Impossible d'enregistrer le fichier.") + QLatin1Char('\n') +
                                  MessageEcriture::texte(ecrit.erreur()));
        return;
    }
    // Le chemin entier : l'enseignant sait où retrouver le fichier (quel dossier, quelle clé).
    Invite::information(this, tr("Bilan enregistré"),
                        tr("Le bilan a été enregistré dans le fichier « %1 ».")
                            .arg(QDir::toNativeSeparators(QFileInfo(chemin).absoluteFilePath())));
}

void DiaBilan::imprimer()
{
    if (idClasse == 0 || !printer)
        return;
    printer->setPrintRange(QPrinter::AllPages);
    // L'imprimante est celle des livrets, qui la laissent en paysage après une brochure : le
    // bilan part en portrait, avec les marges de l'imprimante, sauf si l'utilisateur change
    // l'orientation dans le dialogue d'impression.
    printer->setFullPage(false);
    printer->setPageOrientation(QPageLayout::Portrait);
    if (!Invite::impression(printer, this))
        return;
    QString raison = EnvoiImpression::empechement(*printer);
    if (raison.isEmpty()) {
        printer->setDocName(
            QStringList{ui->cbClasse->currentText(), ui->cbPalier->currentText(), tr("bilan")}.join(" - "));
        // Vers un fichier : écrit à côté, relu entier, puis nommé. Le document ne dit pas si son
        // peintre a pu s'ouvrir : le fichier relu le montre.
        TirageFichier fichier(printer);
        if (!fichier.pret()) {
            raison = fichier.message();
        } else {
            ui->edTexte->document()->print(printer);
            raison = fichier.valider() ? EnvoiImpression::erreurEnvoi(*printer) : fichier.message();
        }
    }
    if (!raison.isEmpty()) {
        Invite::avertissement(this, tr("Impossible d'imprimer"),
                              raison + QLatin1Char('\n') + tr("Rien n'a été imprimé."));
        return;
    }
    Invite::information(
        this, tr("Impression"),
        EnvoiImpression::versFichier(*printer)
            ? tr("Le bilan a été enregistré dans le fichier « %1 ».")
                  .arg(EnvoiImpression::destination(*printer))
            : tr("Le bilan a été confié à l'imprimante « %1 ».").arg(EnvoiImpression::destination(*printer)));
}

void DiaBilan::changeEvent(QEvent* evenement)
{
    QDialog::changeEvent(evenement);
    if (evenement->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        btImprimer->setText(tr("&Imprimer"));
        suivreBilan();
    }
}
