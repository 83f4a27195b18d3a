// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/print/diacocheeleve.h"

#include "ui_diacocheeleve.h"

#include "gui/commun/choixrequis.h"

#include <QLayout>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QVariant>

#include <algorithm>

diaCocheEleve::diaCocheEleve(QWidget* parent, const QList<Eleve>& eleves, QList<qint64>& selectionEleves)
    : QDialog(parent), ui(std::make_unique<Ui::diaCocheEleve>()), selection(selectionEleves)
{
    ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    connect(ui->chkCoche, &QCheckBox::toggled, this, &diaCocheEleve::coche);
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &diaCocheEleve::accept);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &diaCocheEleve::reject);

    ui->chkCoche->setChecked(true);
    for (const Eleve& eleve : eleves) {
        auto* item = new QListWidgetItem(
            QStringLiteral("%1 %2 - %3").arg(eleve.nom, eleve.prenom, eleve.niveau), ui->lw);
        item->setData(Qt::UserRole, eleve.id);
        item->setCheckState(selection.contains(eleve.id) ? Qt::Checked : Qt::Unchecked);
    }
    connect(ui->lw, &QListWidget::itemChanged, this, &diaCocheEleve::suivreChoix);
    suivreChoix();

    // La fenêtre s'élargit pour montrer les noms en entier, dans la limite de l'écran.
    const QMargins marges = layout()->contentsMargins();
    const int voulue = ui->lw->sizeHintForColumn(0) + 2 * ui->lw->frameWidth() +
                       ui->lw->verticalScrollBar()->sizeHint().width() + marges.left() + marges.right();
    resize(std::min(std::max(sizeHint().width(), voulue), screen()->availableGeometry().width() * 9 / 10),
           sizeHint().height());
}

diaCocheEleve::~diaCocheEleve() = default;

void diaCocheEleve::coche(bool cocher)
{
    for (int i = 0; i < ui->lw->count(); ++i)
        ui->lw->item(i)->setCheckState(cocher ? Qt::Checked : Qt::Unchecked);
}

void diaCocheEleve::suivreChoix()
{
    bool coche = false;
    for (int i = 0; i < ui->lw->count() && !coche; ++i)
        coche = ui->lw->item(i)->checkState() == Qt::Checked;
    ChoixRequis::suivre(ui->buttonBox->button(QDialogButtonBox::Ok),
                        coche ? QString() : tr("Cochez au moins un élève à imprimer."));
}

void diaCocheEleve::accept()
{
    QList<qint64> cochees;
    for (int i = 0; i < ui->lw->count(); ++i)
        if (ui->lw->item(i)->checkState() == Qt::Checked)
            cochees << ui->lw->item(i)->data(Qt::UserRole).toLongLong();
    if (cochees.isEmpty()) // OK est alors éteint ; la sélection reste
        return;
    selection = cochees;
    QDialog::accept();
}
