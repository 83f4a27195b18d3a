// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/exchange/choixunique.h"

#include <QDialog>
#include <QHeaderView>
#include <QLayout>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTreeWidget>

#include <algorithm>

namespace ChoixUnique {

namespace {
bool aUneCase(const QTreeWidgetItem* ligne, int colonne)
{
    return ligne->data(colonne, Qt::CheckStateRole).isValid();
}
} // namespace

void installer(QTreeWidget* arbre, int premiere)
{
    // Au clavier, les flèches vont de case en case (et non de ligne en ligne) et Espace coche
    // la case courante ; on part de la case cochée de la première ligne.
    arbre->setSelectionBehavior(QAbstractItemView::SelectItems);
    if (QTreeWidgetItem* ligne = arbre->topLevelItem(0))
        arbre->setCurrentItem(ligne, premiere + std::max(0, choix(ligne, premiere)));
    QObject::connect(arbre, &QTreeWidget::itemChanged, arbre,
                     [arbre, premiere](QTreeWidgetItem* ligne, int colonne) {
                         if (colonne < premiere || !aUneCase(ligne, colonne))
                             return;
                         const QSignalBlocker bloqueur(arbre);
                         if (ligne->checkState(colonne) == Qt::Checked) {
                             for (int c = premiere; c < arbre->columnCount(); ++c)
                                 if (c != colonne && aUneCase(ligne, c))
                                     ligne->setCheckState(c, Qt::Unchecked);
                         } else if (choix(ligne, premiere) < 0) {
                             ligne->setCheckState(colonne, Qt::Checked);
                         }
                     });
}

int choix(const QTreeWidgetItem* ligne, int premiere)
{
    for (int c = premiere; c < ligne->columnCount(); ++c)
        if (aUneCase(ligne, c) && ligne->checkState(c) == Qt::Checked)
            return c - premiere;
    return -1;
}

void ajouterCase(QTreeWidgetItem* ligne, int colonne, bool cochee)
{
    ligne->setCheckState(colonne, cochee ? Qt::Checked : Qt::Unchecked);
}

void montrerColonnes(QDialog* dialogue, QTreeWidget* arbre)
{
    for (int c = 0; c < arbre->columnCount(); ++c)
        arbre->resizeColumnToContents(c);
    const QMargins marges = dialogue->layout()->contentsMargins();
    const int voulue = arbre->header()->length() + 2 * arbre->frameWidth() +
                       arbre->verticalScrollBar()->sizeHint().width() + marges.left() + marges.right();
    dialogue->resize(std::min(std::max(dialogue->sizeHint().width(), voulue),
                              dialogue->screen()->availableGeometry().width() * 9 / 10),
                     dialogue->sizeHint().height());
}

} // namespace ChoixUnique
