// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/pupils/diaeleve.h"

#include "core/commun/dates.h"
#include "core/db/requetes.h"
#include "gui/commun/grilles.h"
#include "gui/commun/invite.h"
#include "gui/commun/messages.h"
#include "gui/pupils/diaedite.h"
#include "gui/pupils/refuseleve.h"

#include "ui_diaeleve.h"

#include <QClipboard>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QSet>

namespace {

// Colonnes de la grille.
enum Colonne { NOM = 0, PRENOM = 1, DATE_NAISS = 2, NIVEAU = 3, NB_COLONNES = 4 };

// Données portées par les cellules : l'id de l'élève (colonne du nom, 0 pour une ligne pas
// encore enregistrée) et l'id du niveau tel qu'il a été chargé (colonne du niveau, pour
// information : l'enregistrement se fait par le texte). La marque « date invalide » est
// celle des cellules de date des grilles.
constexpr int ROLE_ID = Qt::UserRole;

QString texte(const QTableWidget* table, int ligne, int colonne)
{
    const QTableWidgetItem* cellule = table->item(ligne, colonne);
    return cellule ? cellule->text() : QString();
}

// La cellule, créée si elle manque.
QTableWidgetItem* cellule(QTableWidget* table, int ligne, int colonne)
{
    QTableWidgetItem* item = table->item(ligne, colonne);
    if (!item) {
        item = new QTableWidgetItem;
        table->setItem(ligne, colonne, item);
    }
    return item;
}

} // namespace

diaEleve::diaEleve(QWidget* parent) : MyDialog(parent), ui(std::make_unique<Ui::diaEleve>())
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowContextHelpButtonHint);
    btEnregistrer = ui->buttonBox->addButton(tr("Enregistrer"), QDialogButtonBox::ActionRole);
    btEnregistrer->setAutoDefault(false);
    // Aucun bouton par défaut : Entrée valide la cellule de la grille, elle ne ferme pas la fenêtre.
    ui->buttonBox->button(QDialogButtonBox::Close)->setAutoDefault(false);
    // Une liste déroulante annonce sa valeur comme nom et trouve son nom par l'étiquette qui la
    // désigne (sous Linux, son nom accessible n'est pas lu) ; celle des classes n'en a pas à
    // l'écran : une étiquette cachée la nomme pour les lecteurs d'écran.
    etiquetteClasse = new QLabel(ui->cbClasse->accessibleName(), this);
    etiquetteClasse->setBuddy(ui->cbClasse);
    etiquetteClasse->hide();

    connect(ui->btActualiser, &QPushButton::clicked, this, &diaEleve::actualiser);
    connect(ui->acCopier, &QAction::triggered, this, &diaEleve::copier);
    connect(ui->btSupprimer, &QPushButton::clicked, this, &diaEleve::supprimer);
    connect(ui->buttonBox, &QDialogButtonBox::clicked, this, &diaEleve::buttonBoxClicked);
    connect(ui->btAffecterNiveau, &QPushButton::clicked, this, &diaEleve::changerNiveau);
    connect(ui->btAffecterClasse, &QPushButton::clicked, this, &diaEleve::changerClasse);
    connect(ui->btAjouter, &QPushButton::clicked, this, &diaEleve::ajouterEleve);
    connect(ui->table, &QTableWidget::itemChanged, this, &diaEleve::itemChanged);
    connect(ui->acEffacer, &QAction::triggered, this, &diaEleve::effacer);
    // Les boutons suivent ce qui change leur état : la sélection, les lignes de la grille, la
    // classe de destination ; la classe chargée et les modifications, par marquerModifie().
    connect(ui->table, &QTableWidget::itemSelectionChanged, this, &diaEleve::actualiserBoutons);
    connect(ui->table->model(), &QAbstractItemModel::rowsInserted, this, &diaEleve::actualiserBoutons);
    connect(ui->table->model(), &QAbstractItemModel::rowsRemoved, this, &diaEleve::actualiserBoutons);
    connect(ui->cbClasse2, &QComboBox::currentIndexChanged, this, &diaEleve::actualiserBoutons);
    connect(ui->btNIveaux, &QPushButton::clicked, this, &diaEleve::editeNiveaux);
    connect(ui->btClasses, &QPushButton::clicked, this, &diaEleve::editeClasses);

    if (!remplirClasses() || !remplirNiveaux())
        return;
    ui->table->setColumnCount(NB_COLONNES);
    ui->table->setHorizontalHeaderLabels({tr("Nom"), tr("Prénom"), tr("Date naiss."), tr("Niveau")});
    ui->table->setContextMenuPolicy(Qt::ActionsContextMenu);
    ui->table->addAction(ui->acCopier);
    // « Effacer » n'est pas dans le menu de la grille : seul son raccourci agit.
    addAction(ui->acEffacer);

    actualiserBoutons();
}

diaEleve::~diaEleve() = default;

// --- Listes -----------------------------------------------------------------

bool diaEleve::remplirClasses()
{
    const auto classes = isVisible() ? Messages::lu(this, Requetes::classes()) : lire(Requetes::classes());
    if (!classes)
        return false;
    // Le choix courant de chaque liste est gardé quand la classe existe encore.
    const QVariant choix = ui->cbClasse->currentData();
    const QVariant choix2 = ui->cbClasse2->currentData();
    ui->cbClasse->clear();
    ui->cbClasse2->clear();
    ui->cbClasse->addItem(tr("Choisissez une classe"), qlonglong(0));
    for (const Entree& classe : *classes) {
        ui->cbClasse->addItem(classe.libelle, classe.id);
        ui->cbClasse2->addItem(classe.libelle, classe.id);
    }
    ui->cbClasse->setCurrentIndex(qMax(0, ui->cbClasse->findData(choix)));
    if (const int index = ui->cbClasse2->findData(choix2); index >= 0)
        ui->cbClasse2->setCurrentIndex(index);
    return true;
}

bool diaEleve::remplirNiveaux()
{
    const auto niveaux = isVisible() ? Messages::lu(this, Requetes::niveaux()) : lire(Requetes::niveaux());
    if (!niveaux)
        return false;
    const QVariant choix = ui->cbNiveau->currentData();
    ui->cbNiveau->clear();
    for (const Entree& niveau : *niveaux)
        ui->cbNiveau->addItem(niveau.libelle, niveau.id);
    if (const int index = ui->cbNiveau->findData(choix); index >= 0)
        ui->cbNiveau->setCurrentIndex(index);
    return true;
}

void diaEleve::marquerModifie(bool oui)
{
    modifie = oui;
    actualiserBoutons();
}

// --- Grille -----------------------------------------------------------------

void diaEleve::ajouterLigne(const Eleve& eleve)
{
    const int ligne = ui->table->rowCount();
    ui->table->insertRow(ligne);
    auto* nom = new QTableWidgetItem(eleve.nom);
    nom->setData(ROLE_ID, eleve.id);
    auto* date = new QTableWidgetItem;
    Grilles::ecrireDate(date, eleve.naissance ? Dates::afficher(*eleve.naissance) : QString());
    auto* niveau = new QTableWidgetItem(eleve.niveau);
    niveau->setData(ROLE_ID, eleve.idNiveau);
    ui->table->setItem(ligne, NOM, nom);
    ui->table->setItem(ligne, PRENOM, new QTableWidgetItem(eleve.prenom));
    ui->table->setItem(ligne, DATE_NAISS, date);
    ui->table->setItem(ligne, NIVEAU, niveau);
}

QList<Eleve> diaEleve::lireGrille() const
{
    QList<Eleve> eleves;
    for (int ligne = 0; ligne < ui->table->rowCount(); ++ligne) {
        Eleve eleve;
        const QTableWidgetItem* nom = ui->table->item(ligne, NOM);
        eleve.id = nom ? nom->data(ROLE_ID).toLongLong() : 0;
        eleve.nom = texte(ui->table, ligne, NOM);
        eleve.prenom = texte(ui->table, ligne, PRENOM);
        eleve.naissance = Dates::saisie(texte(ui->table, ligne, DATE_NAISS));
        eleve.niveau = texte(ui->table, ligne, NIVEAU);
        eleves.append(eleve);
    }
    return eleves;
}

QList<int> diaEleve::lignesSelectionnees() const
{
    QList<int> lignes;
    for (const QTableWidgetSelectionRange& plage : ui->table->selectedRanges())
        for (int ligne = plage.topRow(); ligne <= plage.bottomRow(); ++ligne)
            if (!lignes.contains(ligne))
                lignes.append(ligne);
    std::sort(lignes.begin(), lignes.end());
    return lignes;
}

QList<qlonglong> diaEleve::idsLignes(const QList<int>& lignes) const
{
    QList<qlonglong> ids;
    for (const int ligne : lignes)
        if (const QTableWidgetItem* nom = ui->table->item(ligne, NOM))
            ids.append(nom->data(ROLE_ID).toLongLong());
    return ids;
}

void diaEleve::retirerLignes(const QList<int>& lignes)
{
    for (auto ligne = lignes.crbegin(); ligne != lignes.crend(); ++ligne)
        ui->table->removeRow(*ligne);
}

void diaEleve::validerSaisieEnCours()
{
    Grilles::validerEdition(ui->table);
}

void diaEleve::allerA(int ligne, int colonne)
{
    if (colonne < 0) // la première case vide de la ligne
        for (colonne = 0; colonne < NB_COLONNES - 1 && !texte(ui->table, ligne, colonne).trimmed().isEmpty();)
            ++colonne;
    const QModelIndex index = ui->table->model()->index(ligne, colonne);
    ui->table->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    ui->table->scrollTo(index);
    ui->table->setFocus();
}

// --- Emplacements -----------------------------------------------------------

void diaEleve::actualiser()
{
    validerSaisieEnCours();
    if (modifie && !Invite::rechargerMalgreModifications(this, [this] { return enregistrer(); }))
        return;

    const qlonglong id = ui->cbClasse->currentData().toLongLong();
    if (id == 0)
        return;
    const auto eleves = Messages::lu(this, Requetes::elevesClasse(id));
    if (!eleves)
        return;
    classeChargee = id;
    nomClasseChargee = ui->cbClasse->currentText();
    garde = true;
    ui->table->setRowCount(0);
    for (const Eleve& eleve : *eleves)
        ajouterLigne(eleve);
    garde = false;
    marquerModifie(false);
    // La suite se passe dans la grille, sur le premier élève.
    if (ui->table->rowCount() > 0)
        allerA(0, NOM);
}

bool diaEleve::enregistrer()
{
    if (classeChargee == 0)
        return false;
    validerSaisieEnCours();

    // Passe de contrôle : toutes les questions sont posées avant la moindre écriture.
    const QList<Eleve> eleves = lireGrille();
    QList<Entree> niveauxConnus;
    for (int i = 0; i < ui->cbNiveau->count(); ++i)
        niveauxConnus.append({ui->cbNiveau->itemText(i), ui->cbNiveau->itemData(i).toLongLong()});
    const auto creerNiveau = [this](const QString& niveau) {
        return Invite::question(this, tr("Nouveau niveau ?"),
                                tr("Le niveau suivant : %1 n'est pas présent dans la liste des niveaux. "
                                   "Faut-il l'ajouter ? ")
                                    .arg(niveau)) == QMessageBox::Yes;
    };
    const Resultat<QStringList> aCreer = Eleves::verifier(eleves, niveauxConnus, creerNiveau);
    if (!aCreer) {
        const int colonne = RefusEleve::montrer(
            this, aCreer.erreur(), tr("Opération annulée: certains champs sont vides en ligne %1"));
        allerA(int(aCreer.erreur().ligne) - 1, colonne);
        return false;
    }

    const Resultat<QList<Eleve>> ecrits = Eleves::enregistrer(classeChargee, eleves, *aCreer);
    if (!ecrits) {
        // Rien n'est écrit, pas même les niveaux nouveaux ; les lignes restent dans la grille.
        if (ecrits.erreur().raison == Raison::ClasseSupprimee)
            Invite::avertissement(
                this, tr("Classe supprimée"),
                tr("La classe %1 n'existe plus : elle a été supprimée depuis son affichage. "
                   "Les élèves n'ont pas été enregistrés ; ils restent dans le tableau.\n\n"
                   "Recréez la classe avec le bouton « Classes... », ou ajoutez ces élèves à une "
                   "autre classe par « Ajouter des élèves... ».")
                    .arg(nomClasseChargee));
        else if (RefusEleve::montrer(this, ecrits.erreur(),
                                     tr("Opération annulée: certains champs sont vides en "
                                        "ligne %1")) == -2)
            Invite::critique(
                this, tr("Enregistrement impossible"),
                tr("Les élèves n'ont pas pu être enregistrés : la base de données a refusé "
                   "l'écriture (disque plein, fichier en lecture seule ou utilisé par un autre "
                   "programme).\n\nRien n'a été perdu : vos modifications sont toujours dans le "
                   "tableau. Libérez de la place sur le disque ou fermez l'autre programme, puis "
                   "cliquez de nouveau sur « Enregistrer »."));
        return false;
    }

    // Les élèves nouveaux reçoivent leur id, chaque ligne l'id de son niveau.
    garde = true;
    for (int ligne = 0; ligne < ecrits->size(); ++ligne) {
        cellule(ui->table, ligne, NOM)->setData(ROLE_ID, ecrits->at(ligne).id);
        cellule(ui->table, ligne, NIVEAU)->setData(ROLE_ID, ecrits->at(ligne).idNiveau);
    }
    garde = false;
    if (!aCreer->isEmpty())
        remplirNiveaux();
    marquerModifie(false);
    return true;
}

void diaEleve::copier()
{
    const QList<QTableWidgetSelectionRange> plages = ui->table->selectedRanges();
    if (plages.isEmpty() || Grilles::refuserSelectionMultiple(this, ui->table, Grilles::Presse::Copier))
        return;
    QGuiApplication::clipboard()->setText(Grilles::texteCopie(ui->table, plages.first()));
}

void diaEleve::supprimer()
{
    if (ui->table->rowCount() == 0) {
        verifierClasseVidee();
        return;
    }
    const QList<QTableWidgetSelectionRange> plages = ui->table->selectedRanges();
    if (plages.isEmpty())
        return;
    garde = true;
    if (Invite::question(this, tr("Supprimer les enregistrements des élèves sélectionnés"),
                         tr("Voulez-vous vraiment supprimer tous les enregistrements concernant les élèves "
                            "cochés ?\nCette action est irréversible.")) != QMessageBox::Yes) {
        garde = false;
        return;
    }
    // Les lignes ne quittent la grille qu'une fois la suppression validée dans la base.
    const QList<int> lignes = lignesSelectionnees();
    if (const Resultat<> supprimes = Eleves::supprimer(idsLignes(lignes)); supprimes) {
        retirerLignes(lignes);
        verifierClasseVidee();
    } else {
        signalerRefus(tr("Suppression impossible"),
                      tr("Les élèves sélectionnés n'ont pas été supprimés : la base de données a refusé "
                         "l'écriture (disque plein, fichier en lecture seule ou utilisé par un autre "
                         "programme)."));
    }
    garde = false;
}

void diaEleve::buttonBoxClicked(QAbstractButton* bouton)
{
    switch (ui->buttonBox->buttonRole(bouton)) {
    case QDialogButtonBox::ActionRole:
        enregistrer();
        break;
    case QDialogButtonBox::RejectRole:
        reject();
        break;
    default:
        break;
    }
}

void diaEleve::changerNiveau()
{
    const QString niveau = ui->cbNiveau->currentText();
    const QList<QTableWidgetSelectionRange> plages = ui->table->selectedRanges();
    if (plages.isEmpty())
        return;
    if (Invite::question(this, tr("Changer les élèves de niveau"),
                         tr("Affecter les élèves sélectionnés au niveau: %1 ?").arg(niveau)) !=
        QMessageBox::Yes)
        return;
    garde = true;
    for (const int ligne : lignesSelectionnees())
        cellule(ui->table, ligne, NIVEAU)->setText(niveau);
    garde = false;
    marquerModifie(true);
}

void diaEleve::changerClasse()
{
    const qlonglong cible = ui->cbClasse2->currentData().toLongLong();
    const QString nomCible = ui->cbClasse2->currentText();
    const QList<QTableWidgetSelectionRange> plages = ui->table->selectedRanges();
    if (cible == 0 || cible == classeChargee || plages.isEmpty())
        return;
    if (Invite::question(this, tr("Transférer les élèves sélectionnés dans une autre classe"),
                         tr("Voulez-vous vraiment déplacer les élèves sélectionnés dans la classe %1 ?\n"
                            "Ils disparaîtront immédiatement de la répartition actuelle.")
                             .arg(nomCible)) != QMessageBox::Yes)
        return;
    // Les modifications en cours sont enregistrées d'abord : un enregistrement refusé
    // arrête le déplacement.
    const QList<int> lignes = lignesSelectionnees();
    if (!lignes.isEmpty() && modifie && !enregistrer())
        return;
    if (const Resultat<> deplaces = Eleves::deplacer(idsLignes(lignes), cible); !deplaces) {
        signalerRefus(tr("Déplacement impossible"),
                      tr("Les élèves sélectionnés n'ont pas été déplacés dans la classe %1 : la base de "
                         "données a refusé l'écriture (disque plein, fichier en lecture seule ou utilisé par "
                         "un autre programme).")
                          .arg(nomCible));
        return;
    }
    retirerLignes(lignes);
    verifierClasseVidee();
}

void diaEleve::ajouterEleve()
{
    if (classeChargee == 0)
        return;
    garde = true;
    ajouterLigne(Eleve());
    garde = false;
    QTableWidgetItem* nom = ui->table->item(ui->table->rowCount() - 1, NOM);
    ui->table->scrollToItem(nom);
    ui->table->setCurrentItem(nom);
    ui->table->editItem(nom);
}

void diaEleve::itemChanged(QTableWidgetItem* item)
{
    if (garde || !item)
        return;
    if (item->column() == DATE_NAISS) {
        garde = true;
        Grilles::ecrireDate(item, item->text());
        garde = false;
    }
    marquerModifie(true);
}

void diaEleve::effacer()
{
    const QList<QTableWidgetSelectionRange> plages = ui->table->selectedRanges();
    if (plages.isEmpty())
        return;
    garde = true;
    for (const QTableWidgetSelectionRange& plage : plages)
        for (int ligne = plage.topRow(); ligne <= plage.bottomRow(); ++ligne)
            for (int colonne = plage.leftColumn(); colonne <= plage.rightColumn(); ++colonne) {
                QTableWidgetItem* item = cellule(ui->table, ligne, colonne);
                // Un niveau effacé garde l'id chargé : seul son texte compte.
                if (colonne == DATE_NAISS)
                    Grilles::ecrireDate(item, QString());
                else
                    item->setText(QString());
            }
    garde = false;
    marquerModifie(true);
}

void diaEleve::actualiserBoutons()
{
    bool suppression = false;
    bool niveau = false;
    bool classe = false;
    const QList<QTableWidgetSelectionRange> plages = ui->table->selectedRanges();
    const bool lignesEntieres =
        !plages.isEmpty() &&
        std::all_of(plages.cbegin(), plages.cend(), [](const QTableWidgetSelectionRange& plage) {
            return plage.columnCount() == NB_COLONNES;
        });
    if (ui->table->rowCount() > 0 && lignesEntieres) {
        suppression = true;
        niveau = true;
        classe = ui->cbClasse2->currentData().toLongLong() != classeChargee;
    } else if (ui->table->rowCount() == 0 && classeChargee != 0) {
        suppression = true; // pour supprimer la classe vidée
    }
    ui->btSupprimer->setEnabled(suppression);
    ui->btAffecterNiveau->setEnabled(niveau);
    ui->btAffecterClasse->setEnabled(classe);
    btEnregistrer->setEnabled(modifie);
}

void diaEleve::editeNiveaux()
{
    diaEdite dialogue(this);
    if (dialogue.charger(QStringLiteral("niveaux")) && dialogue.exec() == QDialog::Accepted)
        remplirNiveaux();
}

void diaEleve::editeClasses()
{
    diaEdite dialogue(this);
    if (dialogue.charger(QStringLiteral("classes")) && dialogue.exec() == QDialog::Accepted)
        remplirClasses();
}

void diaEleve::reject()
{
    // La case de fermeture ne retire pas le focus à l'éditeur : le texte tapé sans Entrée
    // compte.
    validerSaisieEnCours();
    if (modifie && !Invite::fermerMalgreModifications(this, [this] { return enregistrer(); }))
        return;
    MyDialog::reject();
}

// --- Classe vidée -------------------------------------------------------------

void diaEleve::verifierClasseVidee()
{
    if (classeChargee == 0 || ui->table->rowCount() != 0)
        return;
    const auto eleves = Messages::lu(this, Eleves::compterEleves(classeChargee));
    if (!eleves || *eleves != 0)
        return;
    if (Invite::question(
            this, tr("Supprimer une classe"),
            tr("La classe %1 ne contient plus d'élèves. Voulez-vous la supprimer ?").arg(nomClasseChargee)) !=
        QMessageBox::Yes)
        return;
    if (const Resultat<> supprimee = Eleves::supprimerClasse(classeChargee); !supprimee) {
        signalerRefus(tr("Suppression impossible"),
                      tr("La classe %1 n'a pas été supprimée : la base de données a refusé l'écriture "
                         "(disque plein, fichier en lecture seule ou utilisé par un autre programme).")
                          .arg(nomClasseChargee));
        return;
    }
    classeChargee = 0;
    nomClasseChargee.clear();
    remplirClasses();
    marquerModifie(false);
}

void diaEleve::signalerRefus(const QString& titre, const QString& texte)
{
    const Resultat<QList<Eleve>> enBase = Requetes::elevesClasse(classeChargee);
    QString suite;
    if (!enBase) {
        suite =
            tr("La base de données n'a pas pu être relue : le tableau est resté tel qu'il était. Fermez "
               "l'autre programme (ou libérez de la place sur le disque), puis cliquez sur « Actualiser ».");
    } else {
        const bool gardee = garde;
        garde = true;
        if (!modifie) {
            ui->table->setRowCount(0);
            for (const Eleve& eleve : *enBase)
                ajouterLigne(eleve);
            suite =
                tr("Le tableau montre ce que tient la base de données. Libérez de la place sur le disque ou "
                   "fermez l'autre programme, puis recommencez.");
        } else {
            QSet<qlonglong> ids;
            for (const Eleve& eleve : *enBase)
                ids.insert(eleve.id);
            QList<int> parties;
            for (int ligne = 0; ligne < ui->table->rowCount(); ++ligne) {
                const QTableWidgetItem* nom = ui->table->item(ligne, NOM);
                const qlonglong id = nom ? nom->data(ROLE_ID).toLongLong() : 0;
                if (id != 0 && !ids.contains(id))
                    parties.append(ligne);
            }
            retirerLignes(parties);
            suite = tr("Le tableau montre ce que tient la base de données, avec vos modifications pas encore "
                       "enregistrées. Libérez de la place sur le disque ou fermez l'autre programme, puis "
                       "recommencez.");
        }
        garde = gardee;
    }
    Invite::critique(this, titre, texte + QStringLiteral("\n\n") + suite);
}

void diaEleve::changeEvent(QEvent* evenement)
{
    MyDialog::changeEvent(evenement);
    if (evenement->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        etiquetteClasse->setText(ui->cbClasse->accessibleName());
        btEnregistrer->setText(tr("Enregistrer"));
        ui->table->setHorizontalHeaderLabels({tr("Nom"), tr("Prénom"), tr("Date naiss."), tr("Niveau")});
        ui->cbClasse->setItemText(0, tr("Choisissez une classe"));
    }
}
