// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/print/diaimprimer.h"

#include "core/commun/application.h"
#include "core/commun/ordrealphabetique.h"
#include "gui/commun/envoiimpression.h"
#include "gui/commun/invite.h"
#include "gui/commun/tiragefichier.h"
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

    montrerImprimante();

    QSqlQuery requete(QStringLiteral("SELECT libelle, id_classe FROM classes"));
    {
        const QSignalBlocker bloqueur(ui->cbClasse);
        while (requete.next())
            ui->cbClasse->addItem(requete.value(0).toString(), requete.value(1));
    }
    cbClasseChange(ui->cbClasse->currentIndex());
    requete.exec(QStringLiteral(
        "SELECT libelle, id_comp FROM competences WHERE id_comp_parent=0 ORDER BY numero, id_comp"));
    while (requete.next())
        ui->cbPalier->addItem(requete.value(0).toString(), requete.value(1));

    OptionsImpression& options = OptionsImpression::courantes();
    if (options.language.isEmpty() && requete.exec(QStringLiteral("SELECT langue_defaut FROM general")) &&
        requete.next())
        options.language = requete.value(0).toString();
    restaurerOptions();
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
    QSqlQuery requete;
    requete.prepare(
        QStringLiteral("SELECT DISTINCT niveaux.libelle FROM eleves, niveaux WHERE eleves.id_classe=? "
                       "AND eleves.id_niveau=niveaux.id_niveau"));
    requete.addBindValue(ui->cbClasse->currentData());
    bool palier1 = false, palier2 = false;
    if (requete.exec())
        while (requete.next()) {
            const QString niveau = requete.value(0).toString().trimmed();
            auto est = [&](const char* libelle) {
                return niveau.compare(QLatin1String(libelle), Qt::CaseInsensitive) == 0;
            };
            palier1 = palier1 || est("CE1") || est("CYCLE II");
            palier2 = palier2 || est("CM2") || est("CYCLE III");
        }
    if (palier1 == palier2)
        return;
    requete.prepare(QStringLiteral("SELECT id_comp FROM competences WHERE id_comp_parent=0 AND ref=?"));
    requete.addBindValue(palier2 ? QStringLiteral("P2") : QStringLiteral("P1"));
    if (!requete.exec() || !requete.next())
        return;
    const int index = ui->cbPalier->findData(requete.value(0));
    if (index >= 0)
        ui->cbPalier->setCurrentIndex(index);
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
    // Même annulé, le dialogue de la plateforme peut avoir changé d'imprimante : on montre
    // toujours celle qui recevra le tirage.
    Invite::impression(printer, this);
    montrerImprimante();
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
    if (ouvert)
        proposerPalier();
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
    Invite::ouvrirDocument(this, Application::DOCUMENT_GUIDE);
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
    else
        montrerImprimante();
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

QString diaImprimer::nomTravail(const QString& contenu) const
{
    QStringList morceaux{ui->cbClasse->currentText(), ui->cbPalier->currentText(), contenu};
    morceaux.removeAll(QString());
    return morceaux.join(QLatin1String(" - "));
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

QString diaImprimer::envoyer(bool paysage, const QString& nom, const Dessin& dessin)
{
    const QString raison = EnvoiImpression::empechement(*printer);
    if (!raison.isEmpty())
        return raison;
    printer->setDocName(nom);
    // Vers un fichier : écrit à côté, relu entier, puis nommé ; sinon le fichier choisi ne change pas.
    TirageFichier fichier(printer);
    if (!fichier.pret())
        return fichier.message();
    QPainter peintre;
    if (!ouvrir(peintre, paysage)) {
        fichier.abandonner();
        return EnvoiImpression::refusPeintre(*printer);
    }
    const int pages = dessin(peintre);
    peintre.end();
    if (!fichier.valider())
        return fichier.message();
    const QString erreur = EnvoiImpression::erreurEnvoi(*printer);
    // Un fichier ne tient que le dernier travail : chaque travail le remplace (les rectos par
    // les versos d'un recto-verso manuel).
    if (erreur.isEmpty())
        pagesEnvoyees = fichier.versFichier() ? pages : pagesEnvoyees + pages;
    return erreur;
}

bool diaImprimer::envoyerPremier(bool paysage, const QString& nom, const Dessin& dessin)
{
    const QString raison = envoyer(paysage, nom, dessin);
    if (raison.isEmpty())
        return true;
    Invite::avertissement(this, tr("Impossible d'imprimer"),
                          raison + QLatin1Char('\n') + tr("Rien n'a été imprimé."));
    return false;
}

bool diaImprimer::envoyerSuite(bool paysage, const QString& nom, const Dessin& dessin,
                               const QString& dejaFait)
{
    for (;;) {
        const QString raison = envoyer(paysage, nom, dessin);
        if (raison.isEmpty())
            return true;
        if (Invite::avertissement(
                this, tr("Impression interrompue"), raison + QStringLiteral("\n\n") + dejaFait,
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
    RectoVersoDuTirage(QPrinter* imprimante, QPrinter::DuplexMode pendant)
        : imprimante(imprimante), avant(imprimante->duplex())
    {
        if (pendant != avant)
            imprimante->setDuplex(pendant);
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

// L'élève d'une liste de faces (les faces de remplissage n'en ont pas).
qint64 eleveDe(const QList<FaceImprimee>& faces)
{
    for (const FaceImprimee& face : faces)
        if (face.pupilId != 0)
            return face.pupilId;
    return 0;
}

} // namespace

bool diaImprimer::imprimerAttestations(qint64 palierId)
{
    const OptionsImpression& options = OptionsImpression::courantes();
    const QString ecole = Tirage::nomEcole();
    if (!confirmerEcoleEtEnseignant(ecole))
        return false;
    const QList<qint64> gardes = Pages::elevesAttestation(palierId, eleves, options.palierFilter);
    if (gardes.isEmpty()) {
        Invite::information(this, tr("Rien à imprimer"), tr("Aucun élève n'est imprimé."));
        return false;
    }
    // Une attestation se donne seule : jamais celle d'un autre élève au dos.
    const RectoVersoDuTirage rectoVerso(printer, QPrinter::DuplexNone);
    pagesEnvoyees = 0;
    const bool paysage = options.palierLandscape;
    if (!envoyerPremier(paysage, nomTravail(tr("attestations")), [&](QPainter& peintre) {
            Tirage::imprimerAttestations(peintre, *printer, vue, palierId, gardes, paysage, ecole);
            return int(paysage ? (gardes.size() + 1) / 2 : gardes.size());
        }))
        return false;
    annoncer();
    return true;
}

void diaImprimer::construireToutesPages(qint64 palierId)
{
    // Une imprimante qui imprime elle-même les deux faces, en impression continue.
    const bool rectoVerso =
        OptionsImpression::courantes().duplex == 0 && printer && printer->duplex() != QPrinter::DuplexNone;
    listeTirage = Tirage::construireToutesPages(palierId, eleves, rectoVerso);
}

bool diaImprimer::imprimerCompetences(qint64 palierId)
{
    const OptionsImpression& options = OptionsImpression::courantes();
    if (options.language.isEmpty() && palierId > 1 &&
        Invite::avertissement(
            this, tr("Langue vivante!"),
            tr("Vous n'avez pas indiqué de langue vivante pour la compétence 2 : la ligne « La maîtrise "
               "du niveau A1 est validée en … » sera imprimée avec un blanc, à compléter à la main.\n"
               "Indiquez-la dans le champ « Langue vivante » de cette fenêtre, ou pour toute l'école par "
               "« Fichiers », « Options... ».\nVoulez-vous vraiment poursuivre l'impression?"),
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
    // Recto/verso manuel : l'imprimante n'imprime qu'une face à chaque passe. Brochure sur une
    // imprimante recto-verso : les feuilles A4 paysage se retournent sur le bord court.
    QPrinter::DuplexMode pendant = printer->duplex();
    if (options.duplex != 0)
        pendant = QPrinter::DuplexNone;
    else if (brochure && pendant != QPrinter::DuplexNone)
        pendant = QPrinter::DuplexShortSide;
    const RectoVersoDuTirage rectoVerso(printer, pendant);
    pagesEnvoyees = 0;

    // Un travail fait des faces de chaque élève de `liste` (toutes, ou la moitié que choisit `partie`).
    using Partie = QList<FaceImprimee> (*)(const QList<FaceImprimee>&);
    auto dessin = [&](const Tirage::ListeTirage& liste, Partie partie) -> Dessin {
        return [this, liste, partie, brochure, ecole](QPainter& peintre) {
            bool premiere = true;
            int pages = 0;
            for (const QList<FaceImprimee>& faces : liste) {
                const QList<FaceImprimee> choisies = partie ? partie(faces) : faces;
                Tirage::imprimerFaces(peintre, *printer, vue, choisies, Pages::nombrePages(faces, brochure),
                                      brochure, ecole, premiere);
                pages += int(choisies.size());
            }
            return pages;
        };
    };

    if (options.duplex == 0) {
        if (!envoyerPremier(brochure, nomTravail(tr("livrets")), dessin(listeTirage, nullptr)))
            return false;
        annoncer();
        return true;
    }

    const int modePause = options.duplex == 1 ? 0 : 1;
    const QString refaireVersos =
        tr("Gardez ces feuilles. Quand l'imprimante sera prête, remettez-les dans le bac comme pour les "
           "versos et cliquez sur Réessayer : seuls les versos seront imprimés. Abandonner arrête "
           "l'impression ; il faudra alors réimprimer ces livrets en entier.");
    if (!options.oneByOne) {
        Tirage::ListeTirage rectos;
        QStringList noms;
        for (const QList<FaceImprimee>& faces : std::as_const(listeTirage))
            if (faces.size() >= 2) {
                rectos << faces;
                noms << Tirage::nomEleve(eleveDe(faces));
            }
        if (!envoyerPremier(brochure, nomTravail(tr("livrets, rectos")), dessin(rectos, &Pages::recto)))
            return false;
        if (!attendre(modePause))
            return true;
        Tirage::ListeTirage ordre = listeTirage;
        if (options.duplex == 2)
            std::reverse(ordre.begin(), ordre.end());
        if (!envoyerSuite(
                brochure, nomTravail(tr("livrets, versos")), dessin(ordre, &Pages::verso),
                tr("Les rectos de ces élèves sont imprimés : %1.").arg(noms.join(QLatin1String(", "))) +
                    QLatin1Char('\n') + refaireVersos))
            return false;
        annoncer();
        return true;
    }

    // Élève par élève : deux travaux par élève (ses rectos, puis ses versos), et deux pauses.
    QStringList complets;
    for (const QList<FaceImprimee>& faces : std::as_const(listeTirage)) {
        const QString nom = Tirage::nomEleve(eleveDe(faces));
        const QString livret = tr("livret de %1").arg(nom);
        const Tirage::ListeTirage seul{faces};
        const QString dejaComplets = complets.isEmpty()
                                         ? QString()
                                         : tr("Le livret de ces élèves est imprimé en entier : %1.")
                                                   .arg(complets.join(QLatin1String(", "))) +
                                               QLatin1Char('\n');
        const bool rectoParti =
            complets.isEmpty()
                ? envoyerPremier(brochure, nomTravail(livret + tr(", rectos")), dessin(seul, &Pages::recto))
                : envoyerSuite(
                      brochure, nomTravail(livret + tr(", rectos")), dessin(seul, &Pages::recto),
                      dejaComplets +
                          tr("Quand l'imprimante sera prête, cliquez sur Réessayer pour continuer "
                             "avec %1. Abandonner arrête l'impression ; les élèves suivants pourront "
                             "être imprimés plus tard (bouton « Élèves... »).")
                              .arg(nom));
        if (!rectoParti)
            return false;
        if (!attendre(modePause))
            return true;
        if (!envoyerSuite(brochure, nomTravail(livret + tr(", versos")), dessin(seul, &Pages::verso),
                          dejaComplets + tr("Les rectos de %1 sont imprimés.").arg(nom) + QLatin1Char('\n') +
                              refaireVersos))
            return false;
        complets << nom;
        if (!attendre(2))
            return true;
    }
    annoncer();
    return true;
}
