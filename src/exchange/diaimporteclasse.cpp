#include "exchange/diaimporteclasse.h"
#include "ui_diaimporteclasse.h"

#include "dialogs/invite.h"

#include <QSqlQuery>

diaImporteClasse::diaImporteClasse(const QString& nomClasse, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::diaImporteClasse>())
{
    ui->setupUi(this);
    ui->edClasse->setText(nomClasse);
    QSqlQuery requete;
    requete.exec("SELECT libelle, id_classe FROM classes ORDER BY tri");
    while (requete.next())
        ui->cbClasse->addItem(requete.value(0).toString(), requete.value(1));
    myTimeOut();
    connect(&minuterie, &QTimer::timeout, this, &diaImporteClasse::myTimeOut);
    minuterie.start(100);
}

diaImporteClasse::~diaImporteClasse() = default;

void diaImporteClasse::myTimeOut()
{
    ui->frame->setEnabled(ui->rbUtiliseClasse->isChecked());
}

void diaImporteClasse::accept()
{
    if (ui->rbNouvelleClasse->isChecked()) {
        classe = 0;
        renommage = false;
        QDialog::accept();
    } else if (ui->rbUtiliseClasse->isChecked()) {
        if (ui->cbClasse->currentIndex() < 0) {
            Invite::avertissement(this, tr("Erreur"), tr("Veuillez sélectionner une classe"));
            return;
        }
        classe = ui->cbClasse->currentData().toLongLong();
        renommage = ui->chkRenommer->isChecked();
        QDialog::accept();
    } else {
        Invite::avertissement(this, tr("Erreur"), tr("Veuillez cocher une action."));
    }
}
