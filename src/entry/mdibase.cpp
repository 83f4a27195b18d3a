#include "entry/mdibase.h"

#include "app/mainwindow.h"

#include <QCloseEvent>

MdiBase::MdiBase(QWidget* parent) : QMainWindow(parent), fenetrePrincipale(qobject_cast<MainWindow*>(parent)) {}

void MdiBase::copier() {}
void MdiBase::coller() {}
void MdiBase::couper() {}
void MdiBase::effacer() {}
void MdiBase::undo() {}
void MdiBase::yank() {}
void MdiBase::chargerListes(MainWindow*) {}

void MdiBase::closeEvent(QCloseEvent* evenement)
{
    if (occupe())
        evenement->ignore();
    else
        evenement->accept();
}
