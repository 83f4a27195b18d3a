// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/entry/diafiltreniveau.h"
#include "ui_diafiltreniveau.h"

#include "core/db/requetes.h"
#include "gui/commun/choixrequis.h"
#include "gui/commun/messages.h"

#include <QPushButton>

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
    // OK n'est actif qu'avec un niveau coché au moins, de quelque façon qu'il le soit.
    connect(ui->lwNiveaux, &QListWidget::itemChanged, this, &diaFiltreNiveau::suivreChoix);
    suivreChoix();
}

void diaFiltreNiveau::suivreChoix()
{
    bool coche = false;
    for (int i = 0; i < ui->lwNiveaux->count() && !coche; ++i)
        coche = ui->lwNiveaux->item(i)->checkState() == Qt::Checked;
    ChoixRequis::suivre(ui->buttonBox->button(QDialogButtonBox::Ok),
                        coche ? QString()
                              : tr("Cochez au moins un niveau (Annuler montre tous les niveaux)."));
}

diaFiltreNiveau::~diaFiltreNiveau() = default;

QList<qint64> diaFiltreNiveau::niveauxRetenus()
{
    return choix().niveaux;
}

bool diaFiltreNiveau::charger(qint64 idClasse)
{
    // Les niveaux des élèves de la classe, dans l'ordre des niveaux.
    const auto eleves = Messages::lu(this, Requetes::elevesClasse(idClasse));
    if (!eleves)
        return false;
    if (idClasse != choix().classe) {
        choix().niveaux.clear();
        choix().classe = idClasse;
    }
    ui->lwNiveaux->clear();
    QList<qint64> vus;
    for (const Eleve& eleve : *eleves) {
        // Un élève dont le niveau n'existe plus n'en donne pas à choisir.
        if (vus.contains(eleve.idNiveau) || eleve.idNiveau == 0)
            continue;
        vus.append(eleve.idNiveau);
        auto* entree = new QListWidgetItem(eleve.niveau, ui->lwNiveaux);
        entree->setData(Qt::UserRole, eleve.idNiveau);
        entree->setFlags(entree->flags() | Qt::ItemIsUserCheckable);
        entree->setCheckState(choix().niveaux.contains(eleve.idNiveau) ? Qt::Checked : Qt::Unchecked);
    }
    // Au clavier, la barre d'espace coche le niveau courant : il y en a un dès l'ouverture.
    if (ui->lwNiveaux->count() > 0)
        ui->lwNiveaux->setCurrentRow(0, QItemSelectionModel::NoUpdate);
    suivreChoix();
    return true;
}

void diaFiltreNiveau::accept()
{
    choix().niveaux.clear();
    for (int i = 0; i < ui->lwNiveaux->count(); ++i) {
        const QListWidgetItem* entree = ui->lwNiveaux->item(i);
        if (entree->checkState() == Qt::Checked)
            choix().niveaux.append(entree->data(Qt::UserRole).toLongLong());
    }
    if (!choix().niveaux.isEmpty()) // sinon OK est éteint
        QDialog::accept();
}
