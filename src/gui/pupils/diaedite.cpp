// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/pupils/diaedite.h"

#include "core/pupils/listes.h"
#include "gui/commun/invite.h"
#include "gui/commun/messages.h"

#include "ui_diaedite.h"

#include <QEvent>

diaEdite::diaEdite(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::diaEdite>())
{
    ui->setupUi(this);

    connect(ui->btModifier, &QPushButton::clicked, this, &diaEdite::modifier);
    connect(ui->btAjouter, &QPushButton::clicked, this, &diaEdite::ajouter);
    connect(ui->btSupprimer, &QPushButton::clicked, this, &diaEdite::supprimer);
    // Les boutons suivent l'entrée choisie dès qu'elle change : choisie aux flèches, la touche
    // Tab qui suit mène aux boutons qui agissent sur elle. Une entrée ajoutée, retirée ou
    // déplacée change aussi ce qui est possible.
    connect(ui->lw, &QListWidget::itemSelectionChanged, this, &diaEdite::actualiserBoutons);
    connect(ui->lw->model(), &QAbstractItemModel::rowsInserted, this, &diaEdite::actualiserBoutons);
    connect(ui->lw->model(), &QAbstractItemModel::rowsRemoved, this, &diaEdite::actualiserBoutons);
    connect(ui->btUp, &QPushButton::clicked, this, &diaEdite::up);
    connect(ui->btDown, &QPushButton::clicked, this, &diaEdite::down);
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &diaEdite::accept);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &diaEdite::reject);

    actualiserBoutons();
}

diaEdite::~diaEdite() = default;

bool diaEdite::charger(const QString& nomTable)
{
    const auto entrees = Messages::lu(parentWidget(), Listes::charger(nomTable));
    if (!entrees)
        return false;
    ui->lw->clear();
    for (const Listes::Entree& entree : *entrees) {
        auto* element = new QListWidgetItem(entree.libelle, ui->lw);
        element->setData(Qt::UserRole, entree.cle);
    }
    supprimees.clear();
    table = nomTable;
    change = false;
    nommerListe();
    actualiserBoutons();
    return true;
}

void diaEdite::nommerListe()
{
    ui->lw->setAccessibleName(table == QLatin1String("niveaux") ? tr("Liste des niveaux")
                                                                : tr("Liste des classes"));
}

QListWidgetItem* diaEdite::entreeSelectionnee() const
{
    const QList<QListWidgetItem*> selection = ui->lw->selectedItems();
    return selection.isEmpty() ? nullptr : selection.first();
}

bool diaEdite::libelleExiste(const QString& libelle, const QListWidgetItem* sauf) const
{
    for (int i = 0; i < ui->lw->count(); ++i) {
        const QListWidgetItem* element = ui->lw->item(i);
        if (element != sauf && element->text().compare(libelle, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

void diaEdite::modifier()
{
    QListWidgetItem* entree = entreeSelectionnee();
    if (!entree)
        return;
    QString saisie = entree->text();
    for (;;) {
        const auto reponse = Invite::texte(this, tr("Modifier le libellé"), tr("Modifiez le libellé ici: "),
                                           QLineEdit::Normal, saisie);
        if (!reponse || reponse->isEmpty())
            return;
        saisie = *reponse;
        // Un simple changement de casse ne compte pas comme une modification.
        if (saisie.compare(entree->text(), Qt::CaseInsensitive) == 0) {
            entree->setText(saisie);
            return;
        }
        if (!libelleExiste(saisie, entree))
            break;
        Invite::avertissement(this, tr("Erreur"), tr("Il existe déjà une entrée avec ce nom."));
    }
    entree->setText(saisie);
    change = true;
}

void diaEdite::ajouter()
{
    for (;;) {
        const auto reponse =
            Invite::texte(this, tr("Nouvelle entrée"), tr("Indiquez le libellé de la nouvelle entrée."),
                          QLineEdit::Normal, derniereSaisie);
        if (!reponse)
            return;
        derniereSaisie = *reponse;
        if (derniereSaisie.isEmpty())
            return;
        if (!libelleExiste(derniereSaisie, nullptr))
            break;
        Invite::avertissement(this, tr("Erreur"), tr("Il existe déjà une entrée avec ce nom."));
    }
    auto* entree = new QListWidgetItem(derniereSaisie, ui->lw);
    entree->setData(Qt::UserRole, qlonglong(0));
    change = true;
}

void diaEdite::supprimer()
{
    QListWidgetItem* entree = entreeSelectionnee();
    if (!entree)
        return;
    // Une entrée utilisée par un élève (clé négative) n'est jamais retirée.
    const qlonglong cle = entree->data(Qt::UserRole).toLongLong();
    if (cle < 0)
        return;
    if (cle != 0)
        supprimees.append(cle);
    delete ui->lw->takeItem(ui->lw->row(entree));
    change = true;
}

void diaEdite::actualiserBoutons()
{
    const QListWidgetItem* entree = entreeSelectionnee();
    if (!entree) {
        for (QPushButton* bouton : {ui->btSupprimer, ui->btUp, ui->btDown, ui->btModifier})
            bouton->setEnabled(false);
        return;
    }
    const int position = ui->lw->row(entree);
    ui->btSupprimer->setEnabled(entree->data(Qt::UserRole).toLongLong() >= 0);
    ui->btUp->setEnabled(position > 0);
    ui->btDown->setEnabled(position < ui->lw->count() - 1);
    ui->btModifier->setEnabled(true);
}

void diaEdite::deplacer(int decalage)
{
    QListWidgetItem* entree = entreeSelectionnee();
    if (!entree)
        return;
    const int position = ui->lw->row(entree);
    const int cible = position + decalage;
    if (cible < 0 || cible >= ui->lw->count())
        return;
    ui->lw->takeItem(position);
    ui->lw->insertItem(cible, entree);
    ui->lw->setCurrentItem(entree);
    entree->setSelected(true);
    change = true;
}

void diaEdite::up()
{
    deplacer(-1);
}

void diaEdite::down()
{
    deplacer(1);
}

void diaEdite::accept()
{
    if (!change) {
        reject();
        return;
    }
    QList<Listes::Entree> entrees;
    for (int i = 0; i < ui->lw->count(); ++i)
        entrees.append({ui->lw->item(i)->text(), ui->lw->item(i)->data(Qt::UserRole).toLongLong()});
    // Si la base refuse de valider, rien n'est écrit : le dialogue reste ouvert avec la liste.
    if (const Resultat<> ecrite = Listes::enregistrer(table, entrees, supprimees); !ecrite) {
        if (ecrite.erreur().raison == Raison::LectureImpossible) {
            Messages::lectureImpossible(this, ecrite.erreur());
            return;
        }
        Invite::critique(this, tr("Enregistrement impossible"),
                         tr("La liste n'a pas pu être enregistrée : la base de données a refusé l'écriture "
                            "(disque plein, fichier en lecture seule ou utilisé par un autre programme).\n\n"
                            "Rien n'a été modifié et la liste reste ouverte. Libérez de la place sur le "
                            "disque ou fermez l'autre programme, puis cliquez de nouveau sur OK."));
        return;
    }
    QDialog::accept();
}

void diaEdite::changeEvent(QEvent* evenement)
{
    QDialog::changeEvent(evenement);
    if (evenement->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        nommerListe();
    }
}
