// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/exchange/dianiveau.h"
#include "ui_dianiveau.h"

#include "gui/exchange/choixunique.h"

#include <QDate>

namespace {
constexpr int PREMIERE_CASE = 3;
}

diaNiveau::diaNiveau(QList<ChangementNiveau>& changements, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::diaNiveau>()), liste(changements)
{
    ui->setupUi(this);
    ui->tree->setHeaderLabels({tr("Nom"), tr("Prénom"), tr("Date naiss."), tr("Niveau actuel"),
                               tr("Niveau proposé"), tr("Ignorer élève")});
    for (const ChangementNiveau& c : std::as_const(liste)) {
        const QString date = QDate::fromString(c.dateNaiss, QStringLiteral("yyyy-MM-dd"))
                                 .toString(QStringLiteral("dd/MM/yyyy"));
        auto* ligne = new QTreeWidgetItem(
            ui->tree, {c.nom, c.prenom, date, c.niveauActuel, c.niveauPropose, tr("ignorer")});
        if (!c.niveauActuel.isEmpty())
            ChoixUnique::ajouterCase(ligne, PREMIERE_CASE, c.action == 0);
        ChoixUnique::ajouterCase(ligne, PREMIERE_CASE + 1, c.action == 1);
        ChoixUnique::ajouterCase(ligne, PREMIERE_CASE + 2, c.action == 2);
    }
    ChoixUnique::installer(ui->tree, PREMIERE_CASE);
    ChoixUnique::montrerColonnes(this, ui->tree);
}

diaNiveau::~diaNiveau() = default;

void diaNiveau::accept()
{
    for (int i = 0; i < liste.size() && i < ui->tree->topLevelItemCount(); ++i)
        liste[i].action = ChoixUnique::choix(ui->tree->topLevelItem(i), PREMIERE_CASE);
    QDialog::accept();
}
