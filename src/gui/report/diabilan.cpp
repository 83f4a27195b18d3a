// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/report/diabilan.h"

#include "core/commun/application.h"
#include "core/db/requetes.h"
#include "core/report/pagesbilan.h"
#include "gui/commun/choixrequis.h"
#include "gui/commun/diaapercu.h"
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
#include <QPainter>
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

namespace {

// Les pages du bilan dans l'aperçu : celles de l'impression (PagesBilan, mises en page pour
// l'imprimante), chacune sur sa feuille entière, marges de l'imprimante comprises.
class ApercuBilan : public diaApercu::Source
{
public:
    ApercuBilan(const QTextDocument& document, QPrinter* imprimante)
        : pages(document, imprimante), papier(imprimante->pageLayout().fullRect(QPageLayout::Point).size()),
          feuille(imprimante->pageLayout().fullRectPixels(imprimante->resolution())),
          zone(imprimante->pageLayout().paintRectPixels(imprimante->resolution()))
    {
    }

    int nombre() const override { return pages.nombre(); }
    QSizeF taille(int) const override { return papier; }
    Resultat<> dessiner(QPainter& peintre, int page) override
    {
        // Des points de l'imprimante à ceux du peintre, l'origine au coin de la zone imprimable.
        const double echelle = peintre.viewport().width() / double(feuille.width());
        peintre.scale(echelle, echelle);
        peintre.translate(zone.topLeft() - feuille.topLeft());
        pages.dessiner(peintre, page);
        return {};
    }

private:
    PagesBilan pages;
    QSizeF papier; // en points
    QRect feuille, zone;
};

} // namespace

DiaBilan::DiaBilan(QWidget* parent, QPrinter* imprimante)
    : MyDialog(parent), ui(std::make_unique<Ui::DiaBilan>()), printer(imprimante)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowMaximizeButtonHint | Qt::WindowContextHelpButtonHint);
    btApercu = ui->buttonBox->addButton(tr("A&perçu..."), QDialogButtonBox::ActionRole);
    btApercu->setToolTip(tr("Voir les pages du bilan telles qu'elles seront imprimées."));
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
    // Rien à enregistrer, à voir ni à imprimer avant le premier bilan construit.
    const QString manque =
        idClasse != 0 ? QString()
                      : tr("Affichez d'abord le bilan : choisissez la classe et le palier, puis cliquez sur "
                           "le bouton « Réactualiser » (touche F5).");
    ChoixRequis::suivre(ui->buttonBox->button(QDialogButtonBox::Save), manque);
    ChoixRequis::suivre(btImprimer, manque);
    ChoixRequis::suivre(btApercu, manque);
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
    else if (bouton == btApercu)
        apercu();
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

void DiaBilan::preparerImprimante()
{
    printer->setPrintRange(QPrinter::AllPages);
    // L'imprimante est celle des livrets, qui la laissent en paysage après une brochure : le
    // bilan part en portrait, avec les marges de l'imprimante, sauf si l'utilisateur change
    // l'orientation dans le dialogue d'impression.
    printer->setFullPage(false);
    printer->setPageOrientation(QPageLayout::Portrait);
}

std::unique_ptr<diaApercu> DiaBilan::preparerApercu()
{
    if (idClasse == 0 || !printer)
        return nullptr;
    preparerImprimante();
    return std::make_unique<diaApercu>(this, std::make_unique<ApercuBilan>(*ui->edTexte->document(), printer),
                                       [this] { return imprimer(); });
}

void DiaBilan::apercu()
{
    if (const std::unique_ptr<diaApercu> fenetre = preparerApercu())
        fenetre->exec();
}

QString DiaBilan::envoyer()
{
    // Vers un fichier : écrit à côté, relu entier, puis nommé.
    TirageFichier fichier(printer);
    if (!fichier.pret())
        return fichier.message();
    // Les pages que l'aperçu montre, mises en page pour l'imprimante choisie.
    const PagesBilan pages(*ui->edTexte->document(), printer);
    QPainter peintre;
    if (!peintre.begin(printer)) {
        fichier.abandonner();
        return EnvoiImpression::refusPeintre(*printer);
    }
    for (int page = 0; page < pages.nombre(); ++page) {
        if (page > 0)
            printer->newPage();
        pages.dessiner(peintre, page);
    }
    peintre.end();
    return fichier.valider() ? EnvoiImpression::erreurEnvoi(*printer) : fichier.message();
}

bool DiaBilan::imprimer()
{
    if (idClasse == 0 || !printer)
        return false;
    preparerImprimante();
    if (!Invite::impression(printer, this))
        return false;
    QString raison = EnvoiImpression::empechement(*printer);
    if (raison.isEmpty()) {
        printer->setDocName(
            QStringList{ui->cbClasse->currentText(), ui->cbPalier->currentText(), tr("bilan")}.join(" - "));
        raison = envoyer();
    }
    if (!raison.isEmpty()) {
        Invite::avertissement(this, tr("Impossible d'imprimer"),
                              raison + QLatin1Char('\n') + tr("Rien n'a été imprimé."));
        return false;
    }
    Invite::information(
        this, tr("Impression"),
        EnvoiImpression::versFichier(*printer)
            ? tr("Le bilan a été enregistré dans le fichier « %1 ».")
                  .arg(EnvoiImpression::destination(*printer))
            : tr("Le bilan a été confié à l'imprimante « %1 ».").arg(EnvoiImpression::destination(*printer)));
    return true;
}

void DiaBilan::changeEvent(QEvent* evenement)
{
    QDialog::changeEvent(evenement);
    if (evenement->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        btImprimer->setText(tr("&Imprimer"));
        btApercu->setText(tr("A&perçu..."));
        suivreBilan();
    }
}
