// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/print/diaattente.h"

#include "core/commun/application.h"
#include "gui/commun/invite.h"

#include "ui_diaattente.h"

#include <QPushButton>

diaAttente::diaAttente(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::diaAttente>())
{
    ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &diaAttente::accept);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &diaAttente::reject);
    connect(ui->buttonBox, &QDialogButtonBox::helpRequested, this, &diaAttente::aide);
    setMode(0);
}

diaAttente::~diaAttente() = default;

void diaAttente::setMode(int mode)
{
    ui->gb1->setVisible(mode == 0);
    ui->gb2->setVisible(mode == 1);
    ui->gb3->setVisible(mode == 2);
}

void diaAttente::aide()
{
    Invite::ouvrirDocument(this, Application::DOCUMENT_GUIDE);
}
