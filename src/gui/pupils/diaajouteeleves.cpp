// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/pupils/diaajouteeleves.h"

#include "core/commun/dates.h"
#include "core/db/requetes.h"
#include "core/pupils/ajouteleves.h"
#include "gui/commun/grilles.h"
#include "gui/commun/invite.h"
#include "gui/commun/messages.h"
#include "gui/pupils/diaedite.h"
#include "gui/pupils/refuseleve.h"

#include "ui_diaajouteeleves.h"

#include <QClipboard>
#include <QEvent>
#include <QGuiApplication>
#include <QPushButton>
#include <QScopedValueRollback>

namespace {

constexpr int COLONNE_NOM = 0;
constexpr int COLONNE_PRENOM = 1;
constexpr int COLONNE_DATE = 2;
constexpr int COLONNE_NIVEAU = 3;
constexpr int LIGNES_DEPART = 50;
constexpr int LIGNES_AJOUTEES = 10;
constexpr int LIGNES_LIMITE = 500; // au-delà, « Ajouter10 lignes vides » n'ajoute plus rien

} // namespace

diaAjouteEleves::diaAjouteEleves(QWidget* parent)
    : MyDialog(parent), ui(std::make_unique<Ui::diaAjouteEleves>())
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowContextHelpButtonHint);

    connect(ui->btActualiser, &QPushButton::clicked, this, &diaAjouteEleves::actualiser);
    connect(ui->btClasses, &QPushButton::clicked, this, &diaAjouteEleves::editeClasses);
    connect(ui->btAffecterNiveau, &QPushButton::clicked, this, &diaAjouteEleves::changerNiveau);
    connect(ui->btNIveaux, &QPushButton::clicked, this, &diaAjouteEleves::editeNiveaux);
    connect(ui->btEffacer, &QPushButton::clicked, this, &diaAjouteEleves::effacer);
    connect(ui->btCouper, &QPushButton::clicked, this, &diaAjouteEleves::couper);
    connect(ui->btCopier, &QPushButton::clicked, this, &diaAjouteEleves::copier);
    connect(ui->btColler, &QPushButton::clicked, this, &diaAjouteEleves::coller);
    connect(ui->btUndo, &QPushButton::clicked, this, &diaAjouteEleves::undo);
    connect(ui->btEnregistrer, &QPushButton::clicked, this, &diaAjouteEleves::enregistrerClick);
    connect(ui->btAjouter, &QPushButton::clicked, this, &diaAjouteEleves::ajouterLignes);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &diaAjouteEleves::reject);
    // Aucun bouton par défaut : Entrée valide la cellule de la grille, elle ne ferme pas la fenêtre.
    ui->buttonBox->button(QDialogButtonBox::Close)->setAutoDefault(false);
    connect(ui->acCouper, &QAction::triggered, this, &diaAjouteEleves::couper);
    connect(ui->acCopier, &QAction::triggered, this, &diaAjouteEleves::copier);
    connect(ui->acColler, &QAction::triggered, this, &diaAjouteEleves::coller);
    connect(ui->acEffacer, &QAction::triggered, this, &diaAjouteEleves::effacer);
    connect(ui->acUndo, &QAction::triggered, this, &diaAjouteEleves::undo);
    connect(ui->table, &QTableWidget::itemChanged, this, &diaAjouteEleves::itemChanged);
    connect(ui->table, &QTableWidget::currentItemChanged, this, &diaAjouteEleves::curentItemChanged);

    if (!remplirClasses() || !remplirNiveaux())
        return;

    // Le menu contextuel de la grille : exactement ces actions, dans cet ordre.
    ui->table->addActions({ui->acCouper, ui->acCopier, ui->acColler, ui->acEffacer, ui->acUndo});
    ui->table->setContextMenuPolicy(Qt::ActionsContextMenu);
    ui->table->setRowCount(0);

    actualiserBoutons();
}

diaAjouteEleves::~diaAjouteEleves() = default;

// --- Listes -------------------------------------------------------------------

bool diaAjouteEleves::remplirClasses()
{
    const auto classes = isVisible() ? Messages::lu(this, Requetes::classes()) : lire(Requetes::classes());
    if (!classes)
        return false;
    const qlonglong choisie = ui->cbClasse->currentData().toLongLong();
    ui->cbClasse->clear();
    ui->cbClasse->addItem(tr("Choisissez une classe"), qlonglong(0));
    for (const Entree& classe : *classes)
        ui->cbClasse->addItem(classe.libelle, classe.id);
    // La classe choisie avant la relecture le reste si elle existe encore.
    const int index = choisie ? ui->cbClasse->findData(choisie) : -1;
    ui->cbClasse->setCurrentIndex(index > 0 ? index : 0);
    return true;
}

bool diaAjouteEleves::remplirNiveaux()
{
    const auto niveaux = isVisible() ? Messages::lu(this, Requetes::niveaux()) : lire(Requetes::niveaux());
    if (!niveaux)
        return false;
    const qlonglong choisi = ui->cbNiveau->currentData().toLongLong();
    ui->cbNiveau->clear();
    for (const Entree& niveau : *niveaux)
        ui->cbNiveau->addItem(niveau.libelle, niveau.id);
    const int index = ui->cbNiveau->findData(choisi);
    if (index >= 0)
        ui->cbNiveau->setCurrentIndex(index);
    return true;
}

void diaAjouteEleves::marquerModifie(bool oui)
{
    modifie = oui;
    actualiserBoutons();
}

void diaAjouteEleves::editeClasses()
{
    diaEdite dialogue(this);
    if (dialogue.charger(QStringLiteral("classes")) && dialogue.exec() == QDialog::Accepted)
        remplirClasses();
}

void diaAjouteEleves::editeNiveaux()
{
    diaEdite dialogue(this);
    if (dialogue.charger(QStringLiteral("niveaux")) && dialogue.exec() == QDialog::Accepted)
        remplirNiveaux();
}

// --- Cellules -----------------------------------------------------------------

void diaAjouteEleves::ecrireCellule(QTableWidgetItem* item, const QString& texte, Annulation* annulation)
{
    const QScopedValueRollback<bool> garde(gardeEdition, true);
    if (annulation)
        annulation->textes.append(item->text());
    if (item->column() == COLONNE_DATE)
        Grilles::ecrireDate(item, texte);
    else
        item->setText(texte);
}

QTableWidgetItem* diaAjouteEleves::cellule(int ligne, int colonne)
{
    QTableWidgetItem* item = ui->table->item(ligne, colonne);
    if (!item) { // ne devrait pas arriver : chaque ligne naît avec ses cellules
        const QScopedValueRollback<bool> garde(gardeEdition, true);
        item = new QTableWidgetItem;
        ui->table->setItem(ligne, colonne, item);
    }
    return item;
}

void diaAjouteEleves::creerCellules(int premiereLigne)
{
    const QScopedValueRollback<bool> garde(gardeEdition, true);
    for (int ligne = premiereLigne; ligne < ui->table->rowCount(); ++ligne)
        for (int colonne = 0; colonne < ui->table->columnCount(); ++colonne)
            ui->table->setItem(ligne, colonne, new QTableWidgetItem);
}

void diaAjouteEleves::validerSaisieEnCours()
{
    Grilles::validerEdition(ui->table);
}

void diaAjouteEleves::allerA(int ligne, int colonne)
{
    if (colonne < 0) // la première case vide de la ligne
        for (colonne = 0; colonne < COLONNE_NIVEAU && !cellule(ligne, colonne)->text().trimmed().isEmpty();)
            ++colonne;
    const QModelIndex index = ui->table->model()->index(ligne, colonne);
    ui->table->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    ui->table->scrollTo(index);
    ui->table->setFocus();
}

void diaAjouteEleves::curentItemChanged(QTableWidgetItem* courant, QTableWidgetItem* precedent)
{
    Q_UNUSED(precedent);
    texteAvant = courant ? courant->text() : QString();
}

void diaAjouteEleves::itemChanged(QTableWidgetItem* item)
{
    if (!item || gardeEdition)
        return;
    // Une cellule modifiée par l'utilisateur : le texte d'avant est celui qu'elle avait en
    // devenant courante (il n'est pas rafraîchi ici).
    Annulation annulation;
    annulation.gauche = annulation.droite = item->column();
    annulation.haut = annulation.bas = item->row();
    annulation.textes << texteAvant;
    pileAnnulation.append({annulation});
    ecrireCellule(item, item->text(), nullptr);
    marquerModifie(true);
}

// --- Édition ------------------------------------------------------------------

void diaAjouteEleves::copier()
{
    const QList<QTableWidgetSelectionRange> plages = ui->table->selectedRanges();
    if (plages.isEmpty() || Grilles::refuserSelectionMultiple(this, ui->table, Grilles::Presse::Copier))
        return;
    QGuiApplication::clipboard()->setText(Grilles::texteCopie(ui->table, plages.first()));
}

void diaAjouteEleves::effacer()
{
    const QList<QTableWidgetSelectionRange> plages = ui->table->selectedRanges();
    if (plages.isEmpty())
        return;
    // Toutes les plages d'une sélection multiple, en un seul pas à défaire.
    Pas pas;
    for (const QTableWidgetSelectionRange& plage : plages) {
        Annulation annulation;
        annulation.gauche = plage.leftColumn();
        annulation.haut = plage.topRow();
        annulation.droite = plage.rightColumn();
        annulation.bas = plage.bottomRow();
        for (int ligne = plage.topRow(); ligne <= plage.bottomRow(); ++ligne)
            for (int colonne = plage.leftColumn(); colonne <= plage.rightColumn(); ++colonne)
                ecrireCellule(cellule(ligne, colonne), QString(), &annulation);
        pas.append(annulation);
    }
    pileAnnulation.append(pas);
    marquerModifie(true);
}

void diaAjouteEleves::couper()
{
    if (ui->table->selectedRanges().isEmpty() ||
        Grilles::refuserSelectionMultiple(this, ui->table, Grilles::Presse::Couper))
        return;
    copier();
    effacer();
}

void diaAjouteEleves::coller()
{
    const QList<QTableWidgetSelectionRange> plages = ui->table->selectedRanges();
    if (plages.isEmpty() || Grilles::refuserSelectionMultiple(this, ui->table, Grilles::Presse::Coller))
        return;
    const QScopedValueRollback<bool> garde(gardeEdition, true);
    const QTableWidgetSelectionRange& plage = plages.first();

    const QStringList lignes = Grilles::lignesCollees(QGuiApplication::clipboard()->text());
    const int hauteur = int(lignes.size());
    if (hauteur == 0)
        return;
    const int largeur = int(lignes.first().count(QLatin1Char('\t'))) + 1;

    const bool uneCellule = plage.rowCount() * plage.columnCount() == 1;
    const bool memeTaille = plage.rowCount() == hauteur && plage.columnCount() == largeur;
    const bool tient = plage.leftColumn() + largeur <= ui->table->columnCount() &&
                       plage.topRow() + hauteur <= ui->table->rowCount();
    if (!(uneCellule || memeTaille) || !tient) {
        Invite::information(this, tr("Coller"),
                            tr("Impossible de coller car la plage sélectionnée n'a pas la même taille que "
                               "celle dans le presse-papier."),
                            QMessageBox::Ok);
        return;
    }

    Annulation annulation;
    annulation.gauche = plage.leftColumn();
    annulation.haut = plage.topRow();
    annulation.droite = plage.leftColumn() + largeur - 1;
    annulation.bas = plage.topRow() + hauteur - 1;
    for (int i = 0; i < hauteur; ++i) {
        QStringList champs = Grilles::champsColles(lignes.at(i));
        while (champs.size() < largeur)
            champs.append(QString());
        for (int j = 0; j < largeur; ++j)
            ecrireCellule(cellule(plage.topRow() + i, plage.leftColumn() + j), champs.at(j), &annulation);
    }
    pileAnnulation.append({annulation});
    marquerModifie(true);
}

void diaAjouteEleves::undo()
{
    if (pileAnnulation.isEmpty())
        return;
    const Pas pas = pileAnnulation.takeLast();
    // La pile survit au rechargement et à l'enregistrement de la grille : les cellules que la
    // grille n'a plus sont sautées au lieu d'être écrites. Les zones sont rétablies de la
    // dernière à la première, pour que des plages qui se chevauchent retrouvent leur texte
    // d'avant.
    bool ecrit = false;
    for (auto annulation = pas.crbegin(); annulation != pas.crend(); ++annulation) {
        int index = 0;
        for (int ligne = annulation->haut; ligne <= annulation->bas; ++ligne)
            for (int colonne = annulation->gauche; colonne <= annulation->droite; ++colonne) {
                if (index >= annulation->textes.size())
                    break;
                const QString& texte = annulation->textes.at(index++);
                if (ligne < ui->table->rowCount() && colonne < ui->table->columnCount()) {
                    ecrireCellule(cellule(ligne, colonne), texte, nullptr);
                    ecrit = true;
                }
            }
    }
    if (ecrit)
        marquerModifie(true);
}

void diaAjouteEleves::changerNiveau()
{
    const QList<QTableWidgetSelectionRange> plages = ui->table->selectedRanges();
    if (ui->cbNiveau->currentIndex() < 0 || plages.isEmpty())
        return;
    const QString niveau = ui->cbNiveau->currentText();
    if (Invite::question(this, tr("Changer les élèves de niveau"),
                         tr("Affecter les élèves sélectionnés au niveau: %1 ?").arg(niveau),
                         QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    const QScopedValueRollback<bool> garde(gardeEdition, true);
    for (const QTableWidgetSelectionRange& plage : plages)
        for (int ligne = plage.topRow(); ligne <= plage.bottomRow(); ++ligne)
            ecrireCellule(cellule(ligne, COLONNE_NIVEAU), niveau, nullptr);
    marquerModifie(true);
}

void diaAjouteEleves::ajouterLignes()
{
    if (idClasse == 0)
        return;
    const int lignes = ui->table->rowCount();
    if (lignes >= LIGNES_LIMITE)
        return;
    const QScopedValueRollback<bool> garde(gardeEdition, true);
    ui->table->setRowCount(lignes + LIGNES_AJOUTEES);
    creerCellules(lignes);
}

void diaAjouteEleves::actualiserBoutons()
{
    ui->btEnregistrer->setEnabled(modifie);
    ui->btAjouter->setEnabled(idClasse != 0);
}

// --- Chargement et enregistrement ------------------------------------------------

void diaAjouteEleves::actualiser()
{
    if (ui->cbClasse->currentIndex() < 0 || ui->cbClasse->currentData().toLongLong() == 0) {
        Invite::avertissement(
            this, tr("Choix d'une classe"),
            tr("Veuillez d'abord choisir une classe dans la liste déroulante, ou créer une nouvelle classe"));
        return;
    }
    validerSaisieEnCours();
    if (modifie && !Invite::rechargerMalgreModifications(this, [this] { return enregistrerSansBilan(); }))
        return;

    // La pile d'annulation n'est pas vidée.
    const QScopedValueRollback<bool> garde(gardeEdition, true);
    idClasse = ui->cbClasse->currentData().toLongLong();
    ui->table->setRowCount(0);
    ui->table->setRowCount(LIGNES_DEPART);
    creerCellules(0);
    marquerModifie(false);  // les boutons suivent la classe chargée sans attendre : Tab passe par eux
    allerA(0, COLONNE_NOM); // la suite se passe dans la grille : on peut y taper aussitôt
}

bool diaAjouteEleves::enregistrerSansBilan()
{
    int ajoutes = 0;
    int ignores = 0;
    return enregistrer(ajoutes, ignores);
}

bool diaAjouteEleves::enregistrer(int& ajoutes, int& ignores)
{
    ajoutes = ignores = 0;
    if (idClasse == 0)
        return false;

    QList<Eleve> lignes;
    for (int ligne = 0; ligne < ui->table->rowCount(); ++ligne) {
        Eleve l;
        l.nom = cellule(ligne, COLONNE_NOM)->text();
        l.prenom = cellule(ligne, COLONNE_PRENOM)->text();
        l.naissance = Dates::saisie(cellule(ligne, COLONNE_DATE)->text());
        l.niveau = cellule(ligne, COLONNE_NIVEAU)->text();
        lignes.append(l);
    }
    QList<Entree> niveaux;
    for (int i = 0; i < ui->cbNiveau->count(); ++i)
        niveaux.append({ui->cbNiveau->itemText(i), ui->cbNiveau->itemData(i).toLongLong()});

    const auto creerNiveau = [this](const QString& niveau) {
        return Invite::question(this, tr("Nouveau niveau ?"),
                                tr("Le niveau suivant : %1 n'est pas présent dans la liste des niveaux. "
                                   "Faut-il l'ajouter ? ")
                                    .arg(niveau),
                                QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    };
    const Resultat<AjoutEleves::Ajout> ajout =
        AjoutEleves::enregistrer(lignes, idClasse, niveaux, creerNiveau);
    if (ajout) {
        if (!ajout->niveauxCrees.isEmpty())
            remplirNiveaux();
        marquerModifie(false);
        ajoutes = ajout->ajoutes;
        ignores = ajout->ignores;
        return true;
    }
    const Erreur& refus = ajout.erreur();
    switch (refus.raison) {
    case Raison::ClasseAbsente:
        return false;
    case Raison::ClasseSupprimee:
        Invite::avertissement(
            this, tr("Choix d'une classe"),
            tr("Veuillez d'abord choisir une classe dans la liste déroulante, ou créer une nouvelle classe"));
        return false;
    case Raison::LectureImpossible:
        Messages::lectureImpossible(this, refus);
        return false;
    case Raison::EcritureRefusee:
        Invite::critique(this, tr("Erreur"),
                         tr("La base de données a refusé l'enregistrement : aucun élève n'a été ajouté."));
        return false;
    default:
        if (const int colonne = RefusEleve::montrer(
                this, refus, tr("Opération annulée: tous les champs ne sont pas remplis en ligne %1"));
            colonne > -2)
            allerA(int(refus.ligne) - 1, colonne);
        return false;
    }
}

void diaAjouteEleves::enregistrerClick()
{
    if (ui->table->rowCount() > 0)
        ui->table->setCurrentItem(nullptr); // valide la cellule en cours d'édition
    int ajoutes = 0, ignores = 0;
    if (!enregistrer(ajoutes, ignores))
        return;
    Invite::information(this, tr("Ajout d'élèves"),
                        tr("Nombre d'élèves ajoutés: %1\nNombre d'élèves ignorés car déjà présents: %2")
                            .arg(ajoutes)
                            .arg(ignores));
    const QScopedValueRollback<bool> garde(gardeEdition, true);
    ui->table->setRowCount(0);
    idClasse = 0;
    ui->cbClasse->setCurrentIndex(0);
    actualiserBoutons();
}

void diaAjouteEleves::reject()
{
    // La case de fermeture ne fait pas perdre le focus à la cellule en cours d'édition.
    validerSaisieEnCours();
    if (modifie && !Invite::fermerMalgreModifications(this, [this] { return enregistrerSansBilan(); }))
        return;
    MyDialog::reject();
}

void diaAjouteEleves::changeEvent(QEvent* evenement)
{
    MyDialog::changeEvent(evenement);
    if (evenement->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
}
