// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/entry/diafiltreniveau.h"
#include "ui_diafiltreniveau.h"

#include <QSqlQuery>

namespace {
struct ChoixNiveaux {
    qint64 classe = 0;
    QList<qint64> niveaux;
};

ChoixNiveaux& choix()
{
    static ChoixNiveaux retenu;
    return retenu;
}
} // namespace

diaFiltreNiveau::diaFiltreNiveau(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::diaFiltreNiveau>())
{
    ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
}

diaFiltreNiveau::~diaFiltreNiveau() = default;

qint64 diaFiltreNiveau::classeRetenue()
{
    return choix().classe;
}

QList<qint64> diaFiltreNiveau::niveauxRetenus()
{
    return choix().niveaux;
}

void diaFiltreNiveau::charger(qint64 idClasse)
{
    QSqlQuery requete;
    requete.prepare(QStringLiteral("SELECT niveaux.libelle, niveaux.id_niveau FROM eleves,niveaux WHERE "
                                   "eleves.id_classe=? AND eleves.id_niveau=niveaux.id_niveau GROUP BY "
                                   "niveaux.id_niveau ORDER BY niveaux.tri ASC"));
    requete.addBindValue(idClasse);
    requete.exec();
    if (idClasse != choix().classe) {
        choix().niveaux.clear();
        choix().classe = idClasse;
    }
    ui->lwNiveaux->clear();
    while (requete.next()) {
        auto* entree = new QListWidgetItem(requete.value(0).toString(), ui->lwNiveaux);
        const qint64 id = requete.value(1).toLongLong();
        entree->setData(Qt::UserRole, id);
        entree->setFlags(entree->flags() | Qt::ItemIsUserCheckable);
        entree->setCheckState(choix().niveaux.contains(id) ? Qt::Checked : Qt::Unchecked);
    }
    // Au clavier, la barre d'espace coche le niveau courant : il y en a un dès l'ouverture.
    if (ui->lwNiveaux->count() > 0)
        ui->lwNiveaux->setCurrentRow(0, QItemSelectionModel::NoUpdate);
}

void diaFiltreNiveau::accept()
{
    choix().niveaux.clear();
    for (int i = 0; i < ui->lwNiveaux->count(); ++i) {
        const QListWidgetItem* entree = ui->lwNiveaux->item(i);
        if (entree->checkState() == Qt::Checked)
            choix().niveaux.append(entree->data(Qt::UserRole).toLongLong());
    }
    if (!choix().niveaux.isEmpty())
        QDialog::accept();
}
