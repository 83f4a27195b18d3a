// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/print/diaimprimer.h"

#include "core/commun/application.h"
#include "core/db/requetes.h"
#include "gui/commun/envoiimpression.h"
#include "gui/commun/invite.h"
#include "gui/commun/messages.h"
#include "gui/commun/tiragefichier.h"
#include "gui/print/apercutirage.h"
#include "gui/print/diaattente.h"
#include "gui/print/diacocheeleve.h"

#include "ui_diaimprimer.h"

#include <QEvent>
#include <QLayout>
#include <QPainter>
#include <QPrinter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QVariant>

#include <algorithm>

diaImprimer::diaImprimer(QWidget* parent, QPrinter* imprimante, OptionsImpression& choix)
    : MyDialog(parent), ui(std::make_unique<Ui::diaImprimer>()), printer(imprimante), options(choix)
{
    ui->setupUi(this);
    connect(ui->gbCompetence, &QGroupBox::toggled, this, &diaImprimer::gbCompetenceToogled);
    connect(ui->gbPalier, &QGroupBox::toggled, this, &diaImprimer::gbPalierToogled);
    connect(ui->btImprimante, &QPushButton::clicked, this, &diaImprimer::btImprimanteClicked);
    connect(ui->cbClasse, &QComboBox::currentIndexChanged, this, &diaImprimer::cbClasseChange);
    connect(ui->btEleve, &QPushButton::clicked, this, &diaImprimer::btEleveClick);
    connect(ui->buttonBox, &QDialogButtonBox::helpRequested, this, &diaImprimer::help);
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &diaImprimer::accept);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &diaImprimer::reject);
    btApercu = ui->buttonBox->addButton(tr("A&perçu..."), QDialogButtonBox::ActionRole);
    btApercu->setToolTip(tr("Voir les pages telles qu'elles seront imprimées, avant de les imprimer."));
    connect(btApercu, &QPushButton::clicked, this, &diaImprimer::apercu);

    montrerImprimante();

    if (const auto classes = lire(Requetes::classes())) {
        const QSignalBlocker bloqueur(ui->cbClasse);
        for (const Entree& classe : *classes)
            ui->cbClasse->addItem(classe.libelle, classe.id);
    }
    if (const auto lus = lire(Requetes::paliers()))
        paliers = *lus;
    for (const Noeud& palier : std::as_const(paliers))
        ui->cbPalier->addItem(palier.libelle, palier.id);
    if (options.language.isEmpty())
        if (const auto ecole = lire(Requetes::ecole()))
            options.language = ecole->langue;
    if (!pret())
        return;
    {
        // Les élèves de la classe retenue (ou de la première) sont lus une fois, juste après.
        const QSignalBlocker bloqueur(ui->cbClasse);
        restaurerOptions();
    }
    if (!lireClasse(ui->cbClasse->currentIndex()))
        return;
    if (options.palierId == 0)
        proposerPalier();
    ouvert = true;

    ajusterTaille();
    // L'imprimante en cours n'est qu'à lire : on commence par la classe.
    ui->cbClasse->setFocus();
}

void diaImprimer::montrerImprimante()
{
    ui->edImprimante->clear();
    const QString raison = printer ? EnvoiImpression::empechement(*printer) : QString();
    if (printer && printer->isValid())
        ui->edImprimante->setText(EnvoiImpression::destination(*printer));
    ui->lbEtatImprimante->setText(raison);
    ui->lbEtatImprimante->setVisible(!raison.isEmpty());
}

void diaImprimer::proposerPalier()
{
    if (ui->cbClasse->currentIndex() < 0)
        return;
    bool palier1 = false, palier2 = false;
    for (const Eleve& eleve : std::as_const(elevesClasse)) {
        const QString niveau = eleve.niveau.trimmed();
        auto est = [&](const char* libelle) {
            return niveau.compare(QLatin1String(libelle), Qt::CaseInsensitive) == 0;
        };
        palier1 = palier1 || est("CE1") || est("CYCLE II");
        palier2 = palier2 || est("CM2") || est("CYCLE III");
    }
    if (palier1 == palier2)
        return;
    const QString ref = palier2 ? QStringLiteral("P2") : QStringLiteral("P1");
    for (const Noeud& palier : std::as_const(paliers))
        if (palier.ref == ref)
            if (const int index = ui->cbPalier->findData(palier.id); index >= 0) {
                ui->cbPalier->setCurrentIndex(index);
                return;
            }
}

void diaImprimer::ajusterTaille()
{
    // Taille de départ : celle que demande la mise en page, avec toute la hauteur des
    // explications repliées (sans quoi les choix du recto-verso sont écrasés).
    const QSize voulue = sizeHint();
    const int hauteur = std::max(voulue.height(), layout()->totalHeightForWidth(voulue.width()));
    // Sur un écran trop bas (portable de 768 points de haut), les choix défilent au-dessus
    // des boutons, qui restent visibles ; la marge laisse la place de la barre de titre.
    const int disponible = screen()->availableGeometry().height() - 60;
    auto* disposition = qobject_cast<QBoxLayout*>(layout());
    if (hauteur <= disponible || !disposition) {
        resize(voulue.width(), hauteur);
        return;
    }
    auto* defilement = new QScrollArea(this);
    defilement->setObjectName(QStringLiteral("defilement"));
    defilement->setFrameShape(QFrame::NoFrame);
    defilement->setWidgetResizable(true);
    defilement->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // La zone suit le focus de ses contrôles ; elle n'en prend pas elle-même.
    defilement->setFocusPolicy(Qt::NoFocus);
    auto* contenu = new QWidget(defilement);
    auto* colonne = new QVBoxLayout(contenu);
    colonne->setContentsMargins(0, 0, 0, 0);
    // Tout sauf la boîte des boutons passe dans la zone qui défile.
    while (disposition->count() > 1) {
        QLayoutItem* element = disposition->takeAt(0);
        if (QWidget* widget = element->widget()) {
            colonne->addWidget(widget);
            delete element;
        } else {
            colonne->addItem(element);
        }
    }
    defilement->setWidget(contenu);
    // Sans défilement horizontal, la zone ne devient pas plus étroite que ses choix : rétrécir la
    // fenêtre ne coupe ni la ligne d'avertissement ni aucun autre texte.
    defilement->setMinimumWidth(contenu->minimumSizeHint().width() +
                                defilement->verticalScrollBar()->sizeHint().width());
    disposition->insertWidget(0, defilement);
    resize(voulue.width() + defilement->verticalScrollBar()->sizeHint().width(), disponible);
}

diaImprimer::~diaImprimer() = default;

void diaImprimer::restaurerOptions()
{
    ui->gbPalier->setChecked(options.what == 1);
    ui->gbCompetence->setChecked(options.what == 2);
    (options.palierFilter == 1   ? ui->rbPalierValides
     : options.palierFilter == 2 ? ui->rbPalierNonValides
                                 : ui->rbPalierToutes)
        ->setChecked(true);
    (options.palierLandscape ? ui->rbPalierPaysage : ui->rbPalierPortrait)->setChecked(true);
    (options.compAll ? ui->rbCompToutes : ui->rbCompValides)->setChecked(true);
    (options.brochure ? ui->rbCompPaysage : ui->rbCompPortrait)->setChecked(true);
    (options.duplex == 1   ? ui->rbCompRetourner
     : options.duplex == 2 ? ui->rbCompNonRetourner
                           : ui->rbCompFeuille)
        ->setChecked(true);
    ui->chkCompPilier->setChecked(options.withAttestation);
    ui->chkTraiter->setChecked(options.oneByOne);
    ui->edEnseignant->setText(options.teacher);
    ui->edLangue->setText(options.language);
    ui->rbGris->setChecked(options.grey);
    ui->rbCoul->setChecked(!options.grey);
    if (options.classId != 0) {
        const int index = ui->cbClasse->findData(options.classId);
        if (index >= 0)
            ui->cbClasse->setCurrentIndex(index);
    }
    if (options.palierId != 0) {
        const int index = ui->cbPalier->findData(options.palierId);
        if (index >= 0)
            ui->cbPalier->setCurrentIndex(index);
    }
}

void diaImprimer::sauverOptions()
{
    options.what = ui->gbPalier->isChecked() ? 1 : ui->gbCompetence->isChecked() ? 2 : 0;
    options.palierFilter = ui->rbPalierValides->isChecked() ? 1 : ui->rbPalierNonValides->isChecked() ? 2 : 0;
    options.palierLandscape = ui->rbPalierPaysage->isChecked();
    options.compAll = ui->rbCompToutes->isChecked();
    options.brochure = ui->rbCompPaysage->isChecked();
    options.duplex = ui->rbCompRetourner->isChecked() ? 1 : ui->rbCompNonRetourner->isChecked() ? 2 : 0;
    options.oneByOne = ui->chkTraiter->isChecked();
    options.withAttestation = ui->chkCompPilier->isChecked();
    options.teacher = ui->edEnseignant->text().trimmed();
    options.language = ui->edLangue->text().trimmed().toLower();
    options.grey = ui->rbGris->isChecked();
    options.classId = ui->cbClasse->currentIndex() >= 0 ? ui->cbClasse->currentData().toLongLong() : 0;
    options.palierId = ui->cbPalier->currentIndex() >= 0 ? ui->cbPalier->currentData().toLongLong() : 0;
}

void diaImprimer::gbCompetenceToogled(bool coche)
{
    if (coche)
        ui->gbPalier->setChecked(false);
}

void diaImprimer::gbPalierToogled(bool coche)
{
    if (coche)
        ui->gbCompetence->setChecked(false);
}

void diaImprimer::btImprimanteClicked()
{
    if (!printer)
        return;
    printer->setPrintRange(QPrinter::AllPages);
    // Même annulé, le dialogue de la plateforme peut avoir changé d'imprimante : on montre
    // toujours celle qui recevra le tirage.
    Invite::impression(printer, this);
    montrerImprimante();
}

void diaImprimer::cbClasseChange(int index)
{
    if (lireClasse(index) && ouvert)
        proposerPalier();
}

bool diaImprimer::lireClasse(int index)
{
    elevesClasse.clear();
    eleves.clear();
    if (index < 0)
        return true;
    // Dans l'ordre de la liste des élèves : par niveau, puis dans l'ordre alphabétique français
    // (un élève dont le niveau n'existe plus vient en tête).
    const Resultat<QList<Eleve>> lus = Requetes::elevesClasse(ui->cbClasse->itemData(index).toLongLong());
    if (!lus) {
        if (ouvert)
            Messages::lectureImpossible(this, lus.erreur());
        else
            static_cast<void>(lire(lus));
        return false;
    }
    elevesClasse = *lus;
    for (const Eleve& eleve : std::as_const(elevesClasse))
        eleves << eleve.id;
    return true;
}

void diaImprimer::btEleveClick()
{
    if (ui->cbClasse->currentIndex() < 0)
        return;
    diaCocheEleve dialogue(this, elevesClasse, eleves);
    dialogue.exec();
}

void diaImprimer::help()
{
    Invite::ouvrirDocument(this, Application::DOCUMENT_GUIDE);
}

void diaImprimer::accept()
{
    sauverOptions();
    if (!imprimanteValide())
        return;
    if (const QString manque = choixManquant(); !manque.isEmpty()) {
        Invite::information(this, tr("Impression"), manque);
        return;
    }
    const qint64 palier = ui->cbPalier->currentData().toLongLong();
    const bool fermer =
        ui->gbPalier->isChecked() ? imprimerAttestations(palier) : imprimerCompetences(palier);
    if (fermer)
        MyDialog::accept();
    else
        montrerImprimante();
}

std::unique_ptr<diaApercu> diaImprimer::preparerApercu()
{
    sauverOptions();
    if (!printer)
        return nullptr;
    if (const QString manque = choixManquant(); !manque.isEmpty()) {
        Invite::information(this, tr("Impression"), manque);
        return nullptr;
    }
    const auto ecole = Messages::lu(this, Requetes::ecole());
    if (!ecole)
        return nullptr;
    const qint64 palier = ui->cbPalier->currentData().toLongLong();
    const auto plan = ui->gbPalier->isChecked() ? planAttestations(palier) : planCompetences(palier);
    if (!plan)
        return nullptr;
    QHash<qint64, QString> lesNoms;
    for (const Eleve& eleve : std::as_const(elevesClasse))
        lesNoms.insert(eleve.id, nom(eleve.id));
    auto source = std::make_unique<ApercuTirage>(*plan, ecole->ecole, options,
                                                 printer->pageLayout().pageSize(), lesNoms);
    // « Imprimer » envoie ce plan-là, après les mêmes vérifications et confirmations que OK.
    return std::make_unique<diaApercu>(
        this, std::move(source), [this, palier, plan = *plan, ecole = ecole->ecole] {
            return imprimanteValide() && confirmer(palier, ecole) && executer(plan, ecole);
        });
}

void diaImprimer::apercu()
{
    const std::unique_ptr<diaApercu> fenetre = preparerApercu();
    // Le tirage parti depuis l'aperçu ferme aussi le dialogue, comme OK.
    if (fenetre && fenetre->exec() == QDialog::Accepted)
        MyDialog::accept();
    else
        montrerImprimante();
}

bool diaImprimer::imprimanteValide()
{
    if (printer && printer->isValid())
        return true;
    Invite::avertissement(this, tr("Impossible d'imprimer"), tr("L'imprimante n'est pas valide."));
    return false;
}

QString diaImprimer::choixManquant() const
{
    if (ui->cbClasse->currentIndex() < 0)
        return tr("Aucune classe n'est enregistrée : ajoutez ou importez d'abord des élèves.");
    if (ui->cbPalier->currentIndex() < 0)
        return tr("Le livret de compétences n'est pas dans la base de données : aucun palier à imprimer.");
    if (!ui->gbPalier->isChecked() && !ui->gbCompetence->isChecked())
        return tr("Veuillez choisir ce qu'il faut imprimer");
    return {};
}

void diaImprimer::changeEvent(QEvent* evenement)
{
    if (evenement->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        btApercu->setText(tr("A&perçu..."));
    }
    QDialog::changeEvent(evenement);
}

bool diaImprimer::confirmerEcoleEtEnseignant(const QString& ecole)
{
    if (ecole.isEmpty() &&
        Invite::avertissement(
            this, tr("Oh, oh!"),
            tr("La base de données ne contient pas de nom pour l'école!\nVoulez-vous vraiment "
               "poursuivre l'impression?"),
            QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return false;
    if (options.teacher.isEmpty() &&
        Invite::avertissement(
            this, tr("Nom de l'enseignant ?"),
            tr("Vous n'avez pas défini de nom d'enseignant!\nIl faudra le rajouter à la main sur "
               "chaque page!\nVoulez-vous vraiment poursuivre l'impression?"),
            QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return false;
    return true;
}

QString diaImprimer::nom(qint64 eleve) const
{
    for (const Eleve& e : elevesClasse)
        if (e.id == eleve)
            return (e.nom + QLatin1Char(' ') + e.prenom).trimmed();
    return {};
}

QString diaImprimer::noms(const QList<qint64>& ids) const
{
    QStringList liste;
    for (const qint64 id : ids)
        liste << nom(id);
    return liste.join(QLatin1String(", "));
}

QString diaImprimer::nomTravail(const Tirage::Travail& travail) const
{
    QString contenu;
    switch (travail.contenu) {
    case Tirage::Contenu::Attestations:
        contenu = tr("attestations");
        break;
    case Tirage::Contenu::Livrets:
        contenu = tr("livrets");
        break;
    case Tirage::Contenu::Rectos:
        contenu =
            (travail.eleve ? tr("livret de %1").arg(nom(travail.eleve)) : tr("livrets")) + tr(", rectos");
        break;
    case Tirage::Contenu::Versos:
        contenu =
            (travail.eleve ? tr("livret de %1").arg(nom(travail.eleve)) : tr("livrets")) + tr(", versos");
        break;
    }
    QStringList morceaux{ui->cbClasse->currentText(), ui->cbPalier->currentText(), contenu};
    morceaux.removeAll(QString());
    return morceaux.join(QLatin1String(" - "));
}

QString diaImprimer::dejaFait(const Tirage::Travail& travail) const
{
    const QString refaireVersos =
        tr("Gardez ces feuilles. Quand l'imprimante sera prête, remettez-les dans le bac comme pour les "
           "versos et cliquez sur Réessayer : seuls les versos seront imprimés. Abandonner arrête "
           "l'impression ; il faudra alors réimprimer ces livrets en entier.");
    if (travail.eleve == 0)
        return tr("Les rectos de ces élèves sont imprimés : %1.").arg(noms(travail.rectosFaits)) +
               QLatin1Char('\n') + refaireVersos;
    const QString dejaComplets =
        travail.complets.isEmpty()
            ? QString()
            : tr("Le livret de ces élèves est imprimé en entier : %1.").arg(noms(travail.complets)) +
                  QLatin1Char('\n');
    if (travail.contenu == Tirage::Contenu::Rectos)
        return dejaComplets + tr("Quand l'imprimante sera prête, cliquez sur Réessayer pour continuer "
                                 "avec %1. Abandonner arrête l'impression ; les élèves suivants pourront "
                                 "être imprimés plus tard (bouton « Élèves... »).")
                                  .arg(nom(travail.eleve));
    return dejaComplets + tr("Les rectos de %1 sont imprimés.").arg(nom(travail.eleve)) + QLatin1Char('\n') +
           refaireVersos;
}

bool diaImprimer::ouvrir(QPainter& peintre, bool paysage)
{
    printer->setFullPage(true);
    printer->setPageOrientation(paysage ? QPageLayout::Landscape : QPageLayout::Portrait);
    if (!peintre.begin(printer))
        return false;
    vue = Tirage::preparerPeintre(peintre);
    return true;
}

QString diaImprimer::envoyer(const Tirage::Travail& travail, const QString& ecole)
{
    const QString raison = EnvoiImpression::empechement(*printer);
    if (!raison.isEmpty())
        return raison;
    printer->setDocName(nomTravail(travail));
    // Vers un fichier : écrit à côté, relu entier, puis nommé ; sinon le fichier choisi ne change pas.
    TirageFichier fichier(printer);
    if (!fichier.pret())
        return fichier.message();
    QPainter peintre;
    if (!ouvrir(peintre, travail.paysage)) {
        fichier.abandonner();
        return EnvoiImpression::refusPeintre(*printer);
    }
    for (int i = 0; i < travail.feuilles.size(); ++i) {
        if (i > 0)
            printer->newPage();
        if (const Resultat<> dessinee =
                Tirage::dessinerFeuille(peintre, vue, travail.feuilles.at(i), ecole, options);
            !dessinee) {
            // Une page lue à moitié ne part pas : tout le travail est abandonné.
            printer->abort();
            peintre.end();
            fichier.abandonner();
            return Messages::texteLecture(dessinee.erreur());
        }
    }
    peintre.end();
    if (!fichier.valider())
        return fichier.message();
    const QString erreur = EnvoiImpression::erreurEnvoi(*printer);
    // Un fichier ne tient que le dernier travail : chaque travail le remplace (les rectos par
    // les versos d'un recto-verso manuel).
    if (erreur.isEmpty()) {
        const int pages = int(travail.feuilles.size());
        pagesEnvoyees = fichier.versFichier() ? pages : pagesEnvoyees + pages;
    }
    return erreur;
}

bool diaImprimer::envoyerPremier(const Tirage::Travail& travail, const QString& ecole)
{
    const QString raison = envoyer(travail, ecole);
    if (raison.isEmpty())
        return true;
    Invite::avertissement(this, tr("Impossible d'imprimer"),
                          raison + QLatin1Char('\n') + tr("Rien n'a été imprimé."));
    return false;
}

bool diaImprimer::envoyerSuite(const Tirage::Travail& travail, const QString& ecole)
{
    for (;;) {
        const QString raison = envoyer(travail, ecole);
        if (raison.isEmpty())
            return true;
        if (Invite::avertissement(
                this, tr("Impression interrompue"), raison + QStringLiteral("\n\n") + dejaFait(travail),
                QMessageBox::Retry | QMessageBox::Abort, QMessageBox::Retry) != QMessageBox::Retry)
            return false;
    }
}

void diaImprimer::annoncer()
{
    const QString pages = EnvoiImpression::pages(pagesEnvoyees);
    const QString destination = EnvoiImpression::destination(*printer);
    Invite::information(
        this, tr("Impression"),
        EnvoiImpression::versFichier(*printer)
            ? tr("Le tirage a été enregistré dans le fichier « %1 » : %2.").arg(destination, pages)
            : tr("Le tirage a été confié à l'imprimante « %1 » : %2.").arg(destination, pages));
}

bool diaImprimer::attendre(int mode)
{
    diaAttente dialogue(this);
    dialogue.setMode(mode);
    return dialogue.exec() == QDialog::Accepted;
}

namespace {

// Le recto-verso de l'imprimante réglé pour la durée d'un tirage, puis rendu tel que
// l'utilisateur l'avait choisi pour les tirages suivants.
class RectoVersoDuTirage
{
public:
    RectoVersoDuTirage(QPrinter* imprimante, Tirage::RectoVerso pendant)
        : imprimante(imprimante), avant(imprimante->duplex())
    {
        const QPrinter::DuplexMode mode = pendant == Tirage::RectoVerso::Aucun ? QPrinter::DuplexNone
                                          : pendant == Tirage::RectoVerso::BordCourt
                                              ? QPrinter::DuplexShortSide
                                              : avant;
        if (mode != avant)
            imprimante->setDuplex(mode);
    }
    ~RectoVersoDuTirage()
    {
        if (imprimante->duplex() != avant)
            imprimante->setDuplex(avant);
    }
    RectoVersoDuTirage(const RectoVersoDuTirage&) = delete;
    RectoVersoDuTirage& operator=(const RectoVersoDuTirage&) = delete;

private:
    QPrinter* imprimante;
    QPrinter::DuplexMode avant;
};

} // namespace

bool diaImprimer::executer(const Tirage::Plan& plan, const QString& ecole)
{
    const RectoVersoDuTirage rectoVerso(printer, plan.rectoVerso);
    pagesEnvoyees = 0;
    for (const Tirage::Etape& etape : plan.etapes) {
        if (etape.sorte == Tirage::Etape::Pause) {
            // Abandonner à une pause arrête le tirage ; ce qui est parti reste parti.
            if (!attendre(etape.pause))
                return true;
            continue;
        }
        const bool parti =
            etape.travail.premier ? envoyerPremier(etape.travail, ecole) : envoyerSuite(etape.travail, ecole);
        if (!parti)
            return false;
    }
    annoncer();
    return true;
}

bool diaImprimer::confirmer(qint64 palierId, const QString& ecole)
{
    if (ui->gbCompetence->isChecked()) {
        if (options.language.isEmpty() && palierId > 1 &&
            Invite::avertissement(
                this, tr("Langue vivante!"),
                tr("Vous n'avez pas indiqué de langue vivante pour la compétence 2 : la ligne « La maîtrise "
                   "du niveau A1 est validée en … » sera imprimée avec un blanc, à compléter à la main.\n"
                   "Indiquez-la dans le champ « Langue vivante » de cette fenêtre, ou pour toute l'école par "
                   "« Fichiers », « Options... ».\nVoulez-vous vraiment poursuivre l'impression?"),
                QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
            return false;
        if (!options.withAttestation)
            return true;
    }
    return confirmerEcoleEtEnseignant(ecole);
}

bool diaImprimer::imprimerAttestations(qint64 palierId)
{
    return tirer(palierId, &diaImprimer::planAttestations);
}

bool diaImprimer::imprimerCompetences(qint64 palierId)
{
    return tirer(palierId, &diaImprimer::planCompetences);
}

bool diaImprimer::tirer(qint64 palierId, std::optional<Tirage::Plan> (diaImprimer::*planification)(qint64))
{
    const auto ecole = Messages::lu(this, Requetes::ecole());
    if (!ecole || !confirmer(palierId, ecole->ecole))
        return false;
    const auto plan = (this->*planification)(palierId);
    return plan && executer(*plan, ecole->ecole);
}

std::optional<Tirage::Plan> diaImprimer::planAttestations(qint64 palierId)
{
    const auto gardes = Messages::lu(this, Pages::elevesAttestation(palierId, eleves, options.palierFilter));
    if (!gardes)
        return std::nullopt;
    if (gardes->isEmpty()) {
        Invite::information(this, tr("Rien à imprimer"), tr("Aucun élève n'est imprimé."));
        return std::nullopt;
    }
    return Tirage::planAttestations(palierId, *gardes, options.palierLandscape);
}

std::optional<Tirage::Plan> diaImprimer::planCompetences(qint64 palierId)
{
    // Une imprimante qui imprime elle-même les deux faces, en impression continue.
    const bool imprimanteRectoVerso = printer->duplex() != QPrinter::DuplexNone;
    const auto liste =
        Messages::lu(this, Tirage::construireToutesPages(palierId, eleves, options,
                                                         options.duplex == 0 && imprimanteRectoVerso));
    if (!liste)
        return std::nullopt;
    if (liste->isEmpty()) {
        Invite::information(this, tr("Rien à imprimer"), tr("Aucun élève n'est imprimé."));
        return std::nullopt;
    }
    return Tirage::planCompetences(*liste, options, imprimanteRectoVerso);
}
