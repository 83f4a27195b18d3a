#include "print/diaimprimer.h"

#include "db/ordrealphabetique.h"
#include "dialogs/invite.h"
#include "print/diaattente.h"
#include "print/diacocheeleve.h"

#include "ui_diaimprimer.h"

#include <QEvent>
#include <QLayout>
#include <QPainter>
#include <QPrinter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSqlQuery>
#include <QVBoxLayout>
#include <QVariant>

#include <algorithm>

diaImprimer::diaImprimer(QWidget* parent, QPrinter* imprimante)
    : QDialog(parent), ui(std::make_unique<Ui::diaImprimer>()), printer(imprimante)
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

    if (printer && printer->isValid())
        ui->edImprimante->setText(printer->printerName());

    QSqlQuery requete(QStringLiteral("SELECT libelle, id_classe FROM classes"));
    {
        const QSignalBlocker bloqueur(ui->cbClasse);
        while (requete.next())
            ui->cbClasse->addItem(requete.value(0).toString(), requete.value(1));
    }
    cbClasseChange(ui->cbClasse->currentIndex());
    requete.exec(QStringLiteral("SELECT libelle, id_comp FROM competences WHERE id_comp_parent=0"));
    while (requete.next())
        ui->cbPalier->addItem(requete.value(0).toString(), requete.value(1));

    OptionsImpression& options = OptionsImpression::courantes();
    if (options.language.isEmpty() && requete.exec(QStringLiteral("SELECT langue_defaut FROM general")) &&
        requete.next())
        options.language = requete.value(0).toString();
    restaurerOptions();

    ajusterTaille();
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
    disposition->insertWidget(0, defilement);
    resize(voulue.width() + defilement->verticalScrollBar()->sizeHint().width(), disponible);
}

diaImprimer::~diaImprimer() = default;

void diaImprimer::restaurerOptions()
{
    const OptionsImpression& options = OptionsImpression::courantes();
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
    OptionsImpression& options = OptionsImpression::courantes();
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
    if (!Invite::impression(printer, this))
        return;
    ui->edImprimante->clear();
    if (printer->isValid())
        ui->edImprimante->setText(printer->printerName());
}

void diaImprimer::cbClasseChange(int index)
{
    eleves.clear();
    if (index < 0)
        return;
    // Dans l'ordre de la liste des élèves : par niveau, puis dans l'ordre alphabétique français
    // (un élève dont le niveau n'existe plus vient en tête).
    QSqlQuery requete;
    requete.prepare(
        QStringLiteral("SELECT eleves.id_eleve, eleves.nom, eleves.prenom, eleves.id_niveau FROM eleves "
                       "LEFT JOIN niveaux ON niveaux.id_niveau=eleves.id_niveau WHERE eleves.id_classe=? "
                       "ORDER BY niveaux.tri"));
    requete.addBindValue(ui->cbClasse->itemData(index));
    requete.exec();
    struct Ligne {
        qint64 id;
        QString nom, prenom;
        qint64 niveau;
    };
    QList<Ligne> lignes;
    while (requete.next())
        lignes.append({requete.value(0).toLongLong(), requete.value(1).toString(),
                       requete.value(2).toString(), requete.value(3).toLongLong()});
    OrdreAlphabetique::trier(lignes, &Ligne::nom, &Ligne::prenom, [](const Ligne& l) { return l.niveau; });
    for (const Ligne& ligne : std::as_const(lignes))
        eleves << ligne.id;
}

void diaImprimer::btEleveClick()
{
    if (ui->cbClasse->currentIndex() < 0)
        return;
    diaCocheEleve dialogue(this, ui->cbClasse->currentData().toLongLong(), eleves);
    dialogue.exec();
}

void diaImprimer::help()
{
    Invite::ouvrirUrl(Invite::urlDocumentProgramme(QStringLiteral("quorvel.pdf")));
}

void diaImprimer::accept()
{
    sauverOptions();
    if (!printer || !printer->isValid()) {
        Invite::avertissement(this, tr("Impossible d'imprimer"), tr("L'imprimante n'est pas valide."));
        return;
    }
    if (ui->cbPalier->currentIndex() < 0)
        return;
    const qint64 palier = ui->cbPalier->currentData().toLongLong();
    bool fermer = false;
    if (ui->gbPalier->isChecked())
        fermer = imprimerAttestations(palier);
    else if (ui->gbCompetence->isChecked())
        fermer = imprimerCompetences(palier);
    else
        Invite::information(this, tr("Impression"), tr("Veuillez choisir ce qu'il faut imprimer"));
    if (fermer)
        QDialog::accept();
}

void diaImprimer::changeEvent(QEvent* evenement)
{
    if (evenement->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
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
    if (OptionsImpression::courantes().teacher.isEmpty() &&
        Invite::avertissement(
            this, tr("Nom de l'enseignant ?"),
            tr("Vous n'avez pas défini de nom d'enseignant!\nIl faudra le rajouter à la main sur "
               "chaque page!\nVoulez-vous vraiment poursuivre l'impression?"),
            QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return false;
    return true;
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

bool diaImprimer::attendre(int mode)
{
    diaAttente dialogue(this);
    dialogue.setMode(mode);
    return dialogue.exec() == QDialog::Accepted;
}

bool diaImprimer::imprimerAttestations(qint64 palierId)
{
    const OptionsImpression& options = OptionsImpression::courantes();
    const QString ecole = Tirage::nomEcole();
    if (!confirmerEcoleEtEnseignant(ecole))
        return false;
    QPainter peintre;
    if (!ouvrir(peintre, options.palierLandscape))
        return true;
    Tirage::imprimerAttestations(peintre, *printer, vue, palierId,
                                 Pages::elevesAttestation(palierId, eleves, options.palierFilter),
                                 options.palierLandscape, ecole);
    peintre.end();
    return true;
}

void diaImprimer::construireToutesPages(qint64 palierId)
{
    listeTirage = Tirage::construireToutesPages(palierId, eleves);
}

bool diaImprimer::imprimerCompetences(qint64 palierId)
{
    const OptionsImpression& options = OptionsImpression::courantes();
    if (options.language.isEmpty() && palierId > 1 &&
        Invite::avertissement(
            this, tr("Langue vivante!"),
            tr("Vous n'avez pas indiqué de langue vivante pour la compétence 2.\nVoulez-vous "
               "vraiment poursuivre l'impression?"),
            QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return false;
    const QString ecole = Tirage::nomEcole();
    if (options.withAttestation && !confirmerEcoleEtEnseignant(ecole))
        return false;
    construireToutesPages(palierId);
    if (listeTirage.isEmpty()) {
        Invite::information(this, tr("Rien à imprimer"), tr("Aucun élève n'est imprimé."));
        return false;
    }

    const bool brochure = options.brochure;
    QPainter peintre;
    if (!ouvrir(peintre, brochure))
        return true;
    bool premiere = true;
    auto tirer = [&](const QList<FaceImprimee>& faces, const QList<FaceImprimee>& tout) {
        Tirage::imprimerFaces(peintre, *printer, vue, faces, Pages::nombrePages(tout, brochure), brochure,
                              ecole, premiere);
    };

    if (options.duplex == 0) {
        for (const QList<FaceImprimee>& faces : std::as_const(listeTirage))
            tirer(faces, faces);
        peintre.end();
        return true;
    }

    const int modePause = options.duplex == 1 ? 0 : 1;
    if (!options.oneByOne) {
        for (const QList<FaceImprimee>& faces : std::as_const(listeTirage))
            if (faces.size() >= 2)
                tirer(Pages::recto(faces), faces);
        peintre.end();
        if (!attendre(modePause) || !ouvrir(peintre, brochure))
            return true;
        premiere = true;
        Tirage::ListeTirage ordre = listeTirage;
        if (options.duplex == 2)
            std::reverse(ordre.begin(), ordre.end());
        for (const QList<FaceImprimee>& faces : std::as_const(ordre))
            tirer(Pages::verso(faces), faces);
        peintre.end();
        return true;
    }

    // Élève par élève : deux travaux d'impression par élève, et deux pauses.
    peintre.end();
    for (const QList<FaceImprimee>& faces : std::as_const(listeTirage)) {
        if (!ouvrir(peintre, brochure))
            return true;
        premiere = true;
        if (faces.size() >= 2)
            tirer(Pages::recto(faces), faces);
        peintre.end();
        if (!attendre(modePause) || !ouvrir(peintre, brochure))
            return true;
        premiere = true;
        tirer(Pages::verso(faces), faces);
        peintre.end();
        if (!attendre(2))
            return true;
    }
    return true;
}
