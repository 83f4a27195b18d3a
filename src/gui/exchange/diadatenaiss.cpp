// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/exchange/diadatenaiss.h"
#include "ui_diadatenaiss.h"

#include "gui/exchange/choixunique.h"

#include <QDate>

namespace {
constexpr int PREMIERE_CASE = 2;

QString affichee(const QString& date)
{
    return QDate::fromString(date, QStringLiteral("yyyy-MM-dd")).toString(QStringLiteral("dd/MM/yyyy"));
}
} // namespace

diaDateNaiss::diaDateNaiss(QList<ConflitDate>& conflits, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::diaDateNaiss>()), liste(conflits)
{
    ui->setupUi(this);
    ui->tree->setHeaderLabels({tr("Nom"), tr("Prénom"), tr("Date de naissance"),
                               tr("Nouvelle Date de naissance"), tr("Nouvel élève"), tr("Ignorer l'élève")});
    for (const ConflitDate& c : std::as_const(liste)) {
        auto* ligne = new QTreeWidgetItem(ui->tree, {c.nom, c.prenom, affichee(c.dateBase),
                                                     affichee(c.dateFichier), tr("créer"), tr("ignorer")});
        for (int i = 0; i < 4; ++i)
            ChoixUnique::ajouterCase(ligne, PREMIERE_CASE + i, c.action == i);
    }
    ChoixUnique::installer(ui->tree, PREMIERE_CASE);
    ChoixUnique::montrerColonnes(this, ui->tree);
}

diaDateNaiss::~diaDateNaiss() = default;

void diaDateNaiss::accept()
{
    for (int i = 0; i < liste.size() && i < ui->tree->topLevelItemCount(); ++i)
        liste[i].action = ChoixUnique::choix(ui->tree->topLevelItem(i), PREMIERE_CASE);
    QDialog::accept();
}
