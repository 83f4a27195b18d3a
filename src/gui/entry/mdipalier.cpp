// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/entry/mdipalier.h"
#include "ui_mdipalier.h"

#include "core/commun/dates.h"
#include "core/entry/palier.h"
#include "gui/commun/grilles.h"
#include "gui/commun/invite.h"
#include "gui/entry/diapropagedate.h"

#include <QHeaderView>
#include <QMdiSubWindow>
#include <QTableWidget>

namespace {
using Palier::LigneRecente;
using Palier::LigneReussite;
using Palier::LIGNES_PAR_COMPETENCE;
using Palier::LigneValidation;

// Cellule de lecture seule (réussite, date la plus récente) : ni sélectionnable ni modifiable.
QTableWidgetItem* celluleLecture(const QString& texte, const QVariant& donnee)
{
    auto* cellule = new QTableWidgetItem(texte);
    cellule->setFlags(Qt::NoItemFlags);
    cellule->setTextAlignment(Qt::AlignCenter);
    cellule->setData(Qt::UserRole, donnee);
    return cellule;
}
} // namespace

mdiPalier::mdiPalier(HoteSaisie& hote, QWidget* parent)
    : MdiBase(hote, parent), ui(std::make_unique<Ui::mdiPalier>())
{
    ui->setupUi(this);
    installerGrille({ui->table,
                     ui->edDate,
                     ui->btColler,
                     ui->btUndo,
                     nullptr,
                     ui->btEnregistrer,
                     ui->btAfficher,
                     ui->cbClasses,
                     {ui->acCouper, ui->acCopier, ui->acColler, ui->acEffacer, ui->acUndo, ui->acPropager,
                      ui->acPropagerDateRecent},
                     ui->acUndo,
                     nullptr});
    ui->table->verticalHeader()->setFixedWidth(200);
    ui->btUndo->addAction(ui->acUndo);

    connect(ui->cbClasses, qOverload<int>(&QComboBox::currentIndexChanged), this, &mdiPalier::cbClasseChange);
    connect(ui->btNiveaux, &QPushButton::clicked, this, &mdiPalier::filtreNiveaux);
    connect(ui->btAfficher, &QPushButton::clicked, this, &mdiPalier::afficher);
    connect(ui->btPropagerRecent, &QPushButton::clicked, this, &mdiPalier::propagerDateRecente);
    connect(ui->acPropagerDateRecent, &QAction::triggered, this, &mdiPalier::propagerDateRecente);

    connect(ui->btEffacer, &QToolButton::clicked, this, &mdiPalier::effacer);
    connect(ui->btCouper, &QToolButton::clicked, this, &mdiPalier::couper);
    connect(ui->btCopier, &QToolButton::clicked, this, &mdiPalier::copier);
    connect(ui->btColler, &QToolButton::clicked, this, &mdiPalier::coller);
    connect(ui->btUndo, &QToolButton::clicked, this, &mdiPalier::undo);
    connect(ui->btPropager, &QToolButton::clicked, this, &mdiPalier::propager);
    connect(ui->btEnregistrer, &QPushButton::clicked, this, &mdiPalier::enregistrer);
    connect(ui->acCouper, &QAction::triggered, this, &mdiPalier::couper);
    connect(ui->acCopier, &QAction::triggered, this, &mdiPalier::copier);
    connect(ui->acColler, &QAction::triggered, this, &mdiPalier::coller);
    connect(ui->acEffacer, &QAction::triggered, this, &mdiPalier::effacer);
    connect(ui->acUndo, &QAction::triggered, this, &mdiPalier::undo);
    connect(ui->acPropager, &QAction::triggered, this, &mdiPalier::propager);
}

mdiPalier::~mdiPalier() = default;

bool mdiPalier::chargerListes()
{
    return remplirClassesEtPaliers(ui->cbClasses, ui->cbPaliers);
}

bool mdiPalier::estLigneDate(int ligne) const
{
    return Palier::estLigneValidation(ligne);
}

QString mdiPalier::nomLigne(int ligne) const
{
    // Le libellé de la compétence est écrit sur la première de ses trois lignes.
    const QTableWidgetItem* entete =
        table->verticalHeaderItem(Palier::ligne(Palier::rang(ligne), LigneReussite));
    return tr("compétence « %1 »").arg(entete ? entete->text().section(QLatin1Char('|'), 0, 0) : QString());
}

int mdiPalier::ligneCollee(int haut, int rang) const
{
    return Palier::ligne(Palier::rang(haut) + rang, LigneValidation);
}

int mdiPalier::lignesCouvertes(int lignes) const
{
    return lignes / LIGNES_PAR_COMPETENCE + 1;
}

bool mdiPalier::blocTient(int haut, int nombre) const
{
    return haut + LIGNES_PAR_COMPETENCE * (nombre - 1) <= table->rowCount();
}

QString mdiPalier::texteRienSelectionne() const
{
    return tr("Aucune case de la ligne « Date validation: » n'est sélectionnée : rien n'a été rempli.\n"
              "Cliquez sur l'intitulé « Date validation: » d'une compétence, ou sélectionnez des cases "
              "jaunes, puis recommencez.");
}

void mdiPalier::cbClasseChange(int)
{
    if (occupe())
        return;
    filtreNiveau.clear();
}

void mdiPalier::filtreNiveaux()
{
    if (occupe())
        return;
    choisirNiveaux(ui->cbClasses);
}

void mdiPalier::yank() {}

bool mdiPalier::rouvrir(const JournalSaisies::Grille& grille)
{
    if (grille.sorte != JournalSaisies::Sorte::Palier ||
        !choisirComme(grille, ui->cbClasses, ui->cbPaliers, ui->cbTri))
        return false;
    afficher();
    return table->rowCount() > 0;
}

// ---------------------------------------------------------------------------
// Construction de la grille

void mdiPalier::afficher()
{
    if (occupe())
        return;
    if (ui->cbClasses->currentIndex() == 0) {
        Invite::information(this, tr("Classe"), tr("Veuillez choisir une classe"));
        return;
    }
    if (ui->cbPaliers->currentIndex() == 0) {
        Invite::information(this, tr("Paliers"), tr("Veuillez choisir un palier"));
        return;
    }
    if (!confirmerRechargement())
        return;

    decrireGrille(ui->cbClasses, ui->cbPaliers, nullptr, ui->cbTri->currentIndex() != 0);
    commencerChargement(tr("Création de la table en cours.\nVeuillez patienter..."));
    terminerChargement(construire());
}

Resultat<> mdiPalier::construire()
{
    if (Resultat<> r =
            construireColonnes(ui->cbClasses->currentData().toLongLong(), ui->cbTri->currentIndex() != 0);
        !r)
        return r;

    // Trois lignes par compétence, leurs en-têtes portant tous l'identifiant de la compétence.
    const Resultat<QList<Palier::Competence>> lues =
        Palier::competences(ui->cbPaliers->currentData().toLongLong());
    if (!lues)
        return lues.erreur();
    const QList<Palier::Competence>& competences = *lues;
    table->setRowCount(int(competences.size()) * LIGNES_PAR_COMPETENCE);
    const QString libelles[LIGNES_PAR_COMPETENCE] = {tr("|Réussite:"), tr("|Date la plus récente:"),
                                                     tr("|Date validation:")};
    // Ce que dit un lecteur d'écran en entrant dans une ligne : la compétence à chaque fois.
    const QString libellesLus[LIGNES_PAR_COMPETENCE] = {tr("%1, réussite"), tr("%1, date la plus récente"),
                                                        tr("%1, date de validation")};
    for (int k = 0; k < competences.size(); ++k) {
        for (int decalage = 0; decalage < LIGNES_PAR_COMPETENCE; ++decalage) {
            auto* entete = new QTableWidgetItem(
                (decalage == LigneReussite ? competences.at(k).libelle : QString()) + libelles[decalage]);
            entete->setData(Qt::UserRole, competences.at(k).id);
            entete->setData(Qt::AccessibleTextRole, libellesLus[decalage].arg(competences.at(k).libelle));
            entete->setTextAlignment(Qt::AlignBaseline);
            table->setVerticalHeaderItem(Palier::ligne(k, Palier::Decalage(decalage)), entete);
        }
        laisserVivre();
    }

    // Les cellules : une seule lecture des validations pour toute la grille.
    QList<qint64> eleves;
    for (int colonne = 0; colonne < table->columnCount(); ++colonne)
        eleves.append(eleveColonne(colonne));
    const Resultat<QHash<Notes::Cle, Palier::Reussite>> lus = Palier::reussites(eleves, competences);
    if (!lus)
        return lus.erreur();
    const QHash<Notes::Cle, Palier::Reussite>& reussites = *lus;
    const QDate aujourdhui = QDate::currentDate();
    for (int colonne = 0; colonne < table->columnCount(); ++colonne) {
        const qint64 eleve = eleves.at(colonne);
        if (eleve == 0)
            continue;
        const QDate naissance = naissanceColonne(colonne);
        for (int k = 0; k < competences.size(); ++k) {
            const qint64 competence = competences.at(k).id;
            if (competence == 0)
                continue;
            const Palier::Reussite r = reussites.value({eleve, competence});
            table->setItem(
                Palier::ligne(k, LigneReussite), colonne,
                celluleLecture(QString::asprintf("%d/%d\n(%.1f%%)", r.validees, r.total, r.pourcentage),
                               r.pourcentage));
            table->setItem(
                Palier::ligne(k, LigneRecente), colonne,
                celluleLecture(r.plusRecente.isValid() ? Dates::afficher(r.plusRecente) : QStringLiteral("-"),
                               0));
            QTableWidgetItem* validation = nouvelleCelluleDate(Dates::afficher(r.validation));
            validation->setBackground(QBrush(Qt::yellow, Qt::SolidPattern));
            // Les flèches passent d'une ligne de validation à l'autre : la case dit aussi ce
            // que montrent les deux lignes au-dessus.
            validation->setData(
                Qt::AccessibleDescriptionRole,
                tr("Items validés : %1 sur %2 (%3 %). Date la plus récente : %4.")
                    .arg(r.validees)
                    .arg(r.total)
                    .arg(QString::number(r.pourcentage, 'f', 1),
                         r.plusRecente.isValid() ? Dates::afficher(r.plusRecente) : tr("aucune")));
            Grilles::signalerAVerifier(validation, r.validation, naissance, aujourdhui);
            table->setItem(Palier::ligne(k, LigneValidation), colonne, validation);
        }
        laisserVivre();
    }
    table->resizeRowsToContents();
    return {};
}

// ---------------------------------------------------------------------------
// Enregistrement

bool mdiPalier::enregistrer()
{
    if (occupe() || !controlerAvantEnregistrement())
        return false;
    // Seules les lignes de validation s'enregistrent ; chaque cellule est réécrite.
    QList<QTableWidgetItem*> cellules;
    QList<Notes::Cellule> valeurs;
    for (int ligne = LigneValidation; ligne < table->rowCount(); ligne += LIGNES_PAR_COMPETENCE) {
        for (int colonne = 0; colonne < table->columnCount(); ++colonne) {
            QTableWidgetItem* cellule = table->item(ligne, colonne);
            cellules.append(cellule);
            valeurs.append({eleveColonne(colonne), noeudLigne(ligne),
                            Dates::saisie(cellule ? cellule->text() : QString())});
        }
    }
    return enregistrerCellules(cellules, valeurs);
}

// ---------------------------------------------------------------------------
// État des actions et propagation sous condition

void mdiPalier::actualiserActions()
{
    MdiBase::actualiserActions();
    if (occupe())
        return;
    const bool cellules = table->rowCount() * table->columnCount() > 0;
    ui->btPropager->setEnabled(cellules);
    ui->btPropagerRecent->setEnabled(cellules);
    ui->acPropager->setEnabled(cellules);
    ui->acPropagerDateRecent->setEnabled(cellules);
}

void mdiPalier::propagerDateRecente()
{
    if (occupe())
        return;
    // Rien à remplir : inutile de faire choisir un mode et un pourcentage.
    const QList<QTableWidgetItem*> cellules = cellulesDateSelectionnees();
    if (cellules.isEmpty()) {
        Invite::information(this, tr("Propagation de la date"), texteRienSelectionne());
        return;
    }
    QDate dateDefaut;
    {
        diaPropageDate dialogue(this);
        dialogue.definirDate(ui->edDate->text());
        if (dialogue.exec() != QDialog::Accepted)
            return;
        dateDefaut = dialogue.dateChoisie();
    }
    const Palier::Mode mode = diaPropageDate::modeRetenu();
    const double minimum = diaPropageDate::pourcentageRetenu();
    ui->edDate->setText(Dates::afficher(dateDefaut));

    // Toutes les plages sélectionnées, en un seul pas à défaire, comme un collage.
    int vides = 0;
    int atteints = 0;
    QHash<const QTableWidgetItem*, QString> aEcrire;
    for (QTableWidgetItem* cellule : cellules) {
        if (!cellule->text().isEmpty())
            continue;
        ++vides;
        const int rang = Palier::rang(cellule->row());
        const int colonne = cellule->column();
        const QTableWidgetItem* reussite = table->item(Palier::ligne(rang, LigneReussite), colonne);
        if (!reussite)
            continue;
        const QTableWidgetItem* recente = table->item(Palier::ligne(rang, LigneRecente), colonne);
        const Palier::Propagation propagation =
            Palier::propager(reussite->data(Qt::UserRole).toDouble(),
                             recente ? QDate::fromString(recente->text(), Dates::FORMAT_AFFICHAGE) : QDate(),
                             mode, minimum, dateDefaut);
        if (!propagation.atteint)
            continue;
        ++atteints;
        if (propagation.date)
            aEcrire.insert(cellule, Dates::afficher(*propagation.date));
    }

    if (aEcrire.isEmpty()) {
        QString raison;
        if (vides == 0)
            raison = tr(
                "Toutes les cases sélectionnées ont déjà une date de validation : aucune n'a été remplie.");
        else if (atteints == 0)
            raison =
                tr("Aucun des élèves dont la case sélectionnée est vide n'atteint %1 % de réussite : aucune "
                   "case n'a été remplie.\nBaissez le pourcentage de réussite minimum pour les remplir.")
                    .arg(QString::number(minimum, 'g', 6));
        else
            raison =
                tr("Aucun des élèves retenus n'a de date d'item pour ces compétences : aucune case n'a été "
                   "remplie.\nChoisissez un mode qui met la date par défaut pour les remplir.");
        Invite::information(this, tr("Propagation de la date"), raison);
        return;
    }
    reecrirePlages(
        [&aEcrire](const QTableWidgetItem* cellule) { return aEcrire.value(cellule, cellule->text()); });
    const auto remplies = aEcrire.size();
    annoncer(remplies == 1 ? tr("Date de validation mise dans 1 case.")
                           : tr("Date de validation mise dans %1 cases.").arg(remplies));
}
