// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/entry/mdisaisie.h"
#include "ui_mdisaisie.h"

#include "core/commun/dates.h"
#include "core/db/requetes.h"
#include "core/entry/notes.h"
#include "gui/commun/grilles.h"
#include "gui/commun/invite.h"
#include "gui/commun/messages.h"

#include <QDate>
#include <QHeaderView>

mdiSaisie::mdiSaisie(HoteSaisie& hote, QWidget* parent)
    : MdiBase(hote, parent), ui(std::make_unique<Ui::mdiSaisie>())
{
    ui->setupUi(this);
    // Les listes des classes et des compétences prennent, à leur premier affichage, la
    // largeur d'un texte d'attente, que chargerListes remplace par les vraies entrées.
    ui->cbClasses->addItem(QString(27, QLatin1Char('X')));
    ui->cbCompetences->addItem(QString(34, QLatin1Char('X')));

    installerGrille(
        {ui->table,
         ui->edDate,
         ui->btColler,
         ui->btUndo,
         ui->btYank,
         ui->btEnregistrer,
         ui->btAfficher,
         ui->cbClasses,
         {ui->acCouper, ui->acCopier, ui->acColler, ui->acEffacer, ui->acUndo, ui->acYank, ui->acPropager},
         ui->acUndo,
         ui->acYank});

    connect(ui->cbPaliers, qOverload<int>(&QComboBox::currentIndexChanged), this, &mdiSaisie::cbPalierChange);
    connect(ui->btNiveaux, &QAbstractButton::clicked, this, &mdiSaisie::filtreNiveaux);
    connect(ui->cbClasses, qOverload<int>(&QComboBox::currentIndexChanged), this, &mdiSaisie::cbClasseChange);
    connect(ui->btAfficher, &QAbstractButton::clicked, this, &mdiSaisie::afficher);
    // Le tri n'est pas relié : il vaut pour le prochain affichage.

    connect(ui->btCouper, &QAbstractButton::clicked, this, &mdiSaisie::couper);
    connect(ui->btCopier, &QAbstractButton::clicked, this, &mdiSaisie::copier);
    connect(ui->btColler, &QAbstractButton::clicked, this, &mdiSaisie::coller);
    connect(ui->btEffacer, &QAbstractButton::clicked, this, &mdiSaisie::effacer);
    connect(ui->btUndo, &QAbstractButton::clicked, this, &mdiSaisie::undo);
    connect(ui->btYank, &QAbstractButton::clicked, this, &mdiSaisie::yank);
    connect(ui->btPropager, &QAbstractButton::clicked, this, &mdiSaisie::propager);
    connect(ui->btEnregistrer, &QAbstractButton::clicked, this, &mdiSaisie::enregistrer);
    connect(ui->acCouper, &QAction::triggered, this, &mdiSaisie::couper);
    connect(ui->acCopier, &QAction::triggered, this, &mdiSaisie::copier);
    connect(ui->acColler, &QAction::triggered, this, &mdiSaisie::coller);
    connect(ui->acEffacer, &QAction::triggered, this, &mdiSaisie::effacer);
    connect(ui->acUndo, &QAction::triggered, this, &mdiSaisie::undo);
    connect(ui->acYank, &QAction::triggered, this, &mdiSaisie::yank);
    connect(ui->acPropager, &QAction::triggered, this, &mdiSaisie::propager);

    ui->btUndo->addAction(ui->acUndo);
    ui->table->verticalHeader()->setFixedWidth(200);
}

mdiSaisie::~mdiSaisie() = default;

// ---------------------------------------------------------------------------
// Listes

bool mdiSaisie::chargerListes()
{
    ui->cbCompetences->clear();
    ui->cbCompetences->addItem(tr("Choisissez d'abord un palier"), 0);
    return remplirClassesEtPaliers(ui->cbClasses, ui->cbPaliers);
}

void mdiSaisie::cbPalierChange(int index)
{
    if (occupe())
        return;
    ui->cbCompetences->clear();
    if (index < 1) {
        ui->cbCompetences->addItem(tr("Choisissez d'abord un palier"), 0);
        return;
    }
    // Pas d'entrée d'attente : la première compétence du palier devient la courante.
    const qint64 idPalier = ui->cbPaliers->itemData(index).toLongLong();
    if (idPalier == 0)
        return;
    if (const auto competences = Messages::lu(this, Requetes::enfants(idPalier)))
        for (const Noeud& competence : *competences)
            ui->cbCompetences->addItem(competence.libelle, competence.id);
}

void mdiSaisie::cbClasseChange(int)
{
    if (occupe())
        return;
    filtreNiveau.clear();
}

void mdiSaisie::filtreNiveaux()
{
    if (occupe())
        return;
    choisirNiveaux(ui->cbClasses);
}

// ---------------------------------------------------------------------------
// Affichage de la grille

void mdiSaisie::afficher()
{
    if (occupe() || !confirmerRechargement())
        return;
    if (ui->cbClasses->currentIndex() <= 0) {
        Invite::information(this, tr("Classe"), tr("Veuillez choisir une classe"));
        return;
    }
    const qint64 idCompetence = ui->cbCompetences->currentData().toLongLong();
    if (idCompetence == 0) {
        Invite::information(this, tr("Compétences"), tr("Veuillez choisir une compétence"));
        return;
    }

    decrireGrille(ui->cbClasses, ui->cbPaliers, ui->cbCompetences, ui->cbTri->currentIndex() != 0);
    commencerChargement(tr("Création de la table en cours..."));
    Resultat<> construction =
        construireColonnes(ui->cbClasses->currentData().toLongLong(), ui->cbTri->currentIndex() != 0);
    if (construction)
        construction = construireLignes(idCompetence);
    if (construction)
        construction = remplirCellules();
    terminerChargement(construction);
}

bool mdiSaisie::rouvrir(const JournalSaisies::Grille& grille)
{
    if (grille.sorte != JournalSaisies::Sorte::Competences ||
        !choisirComme(grille, ui->cbClasses, ui->cbPaliers, ui->cbTri))
        return false;
    const int competence = ui->cbCompetences->findData(grille.idCompetence);
    if (competence < 0)
        return false;
    ui->cbCompetences->setCurrentIndex(competence);
    afficher();
    return table->rowCount() > 0 && ui->cbCompetences->currentData().toLongLong() == grille.idCompetence;
}

Resultat<> mdiSaisie::construireLignes(qint64 idCompetence)
{
    // Une ligne par item, rangés par agrégat ; le libellé de l'agrégat ne figure que sur son
    // premier item (le style dessine en gras ce qui précède la barre). Les lignes sont créées
    // d'un coup, comme les colonnes.
    const auto agregats = Requetes::enfants(idCompetence);
    if (!agregats)
        return agregats.erreur();
    QList<QTableWidgetItem*> entetes;
    for (const Noeud& agregat : *agregats) {
        const auto items = Requetes::enfants(agregat.id);
        if (!items) {
            qDeleteAll(entetes);
            return items.erreur();
        }
        bool premier = true;
        for (const Noeud& item : *items) {
            auto* entete = new QTableWidgetItem((premier ? agregat.libelle : QString()) + QLatin1Char('|') +
                                                item.libelle);
            entete->setData(Qt::UserRole, item.id);
            // Un lecteur d'écran dit l'agrégat à chaque ligne, sans la barre du dessin.
            entete->setData(Qt::AccessibleTextRole, tr("%1 : %2").arg(agregat.libelle, item.libelle));
            entete->setTextAlignment(Qt::AlignBaseline);
            entetes.append(entete);
            premier = false;
        }
        laisserVivre();
    }
    table->setRowCount(int(entetes.size()));
    for (int ligne = 0; ligne < table->rowCount(); ++ligne)
        table->setVerticalHeaderItem(ligne, entetes[ligne]);
    return {};
}

Resultat<> mdiSaisie::remplirCellules()
{
    QList<qint64> eleves;
    for (int colonne = 0; colonne < table->columnCount(); ++colonne)
        if (const qint64 id = eleveColonne(colonne))
            eleves.append(id);
    QList<qint64> items;
    for (int ligne = 0; ligne < table->rowCount(); ++ligne)
        if (const qint64 id = noeudLigne(ligne))
            items.append(id);

    // Toutes les dates de la grille en une seule lecture ; un texte enregistré qui n'est pas
    // une date laisse la cellule vide.
    const Resultat<QHash<Notes::Cle, QString>> lues = Notes::dates(eleves, items);
    if (!lues)
        return lues.erreur();
    const QHash<Notes::Cle, QString>& dates = *lues;
    QList<QDate> naissances;
    for (int colonne = 0; colonne < table->columnCount(); ++colonne)
        naissances.append(naissanceColonne(colonne));
    const QDate aujourdhui = QDate::currentDate();
    for (int ligne = 0; ligne < table->rowCount(); ++ligne) {
        const qint64 item = noeudLigne(ligne);
        for (int colonne = 0; colonne < table->columnCount(); ++colonne) {
            QDate date;
            const auto trouvee = dates.constFind({eleveColonne(colonne), item});
            if (trouvee != dates.constEnd())
                date = QDate::fromString(*trouvee, Qt::ISODate);
            QTableWidgetItem* cellule = nouvelleCelluleDate(Dates::afficher(date));
            // Une date gardée invraisemblable est montrée comme telle ; la base n'y est pas touchée.
            // Marquée avant d'entrer dans la table : aucun signal de la table par réglage.
            Grilles::signalerAVerifier(cellule, date, naissances.at(colonne), aujourdhui);
            table->setItem(ligne, colonne, cellule);
        }
        laisserVivre();
    }
    return {};
}

// ---------------------------------------------------------------------------
// Enregistrement

bool mdiSaisie::enregistrer()
{
    if (occupe() || !controlerAvantEnregistrement())
        return false;
    // Chaque cellule est réécrite, changée ou non.
    QList<QTableWidgetItem*> cellules;
    QList<Notes::Cellule> valeurs;
    valeurs.reserve(table->rowCount() * table->columnCount());
    for (int ligne = 0; ligne < table->rowCount(); ++ligne) {
        const qint64 item = noeudLigne(ligne);
        for (int colonne = 0; colonne < table->columnCount(); ++colonne) {
            QTableWidgetItem* cellule = table->item(ligne, colonne);
            cellules.append(cellule);
            valeurs.append(
                {eleveColonne(colonne), item, Dates::saisie(cellule ? cellule->text() : QString())});
        }
    }
    return enregistrerCellules(cellules, valeurs);
}
