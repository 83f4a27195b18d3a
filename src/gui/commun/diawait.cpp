// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/commun/diawait.h"

#include "gui/commun/invite.h"
#include "gui/commun/qprogressindicator.h"

#include "ui_diawait.h"

diaWait::diaWait(QWidget* parent, bool* drapeau)
    : QFrame(parent, Qt::SplashScreen | Qt::FramelessWindowHint), ui(std::make_unique<Ui::diaWait>()),
      drapeauArret(drapeau)
{
    // La taille de la fenêtre suit celle que demande sa mise en page (contrainte fixée
    // dans le formulaire).
    ui->setupUi(this);
    // L'attente informe sans prendre le focus du clavier à la fenêtre qui travaille.
    setAttribute(Qt::WA_ShowWithoutActivating);
    if (drapeauArret)
        *drapeauArret = false;
    connect(ui->btStop, &QPushButton::clicked, this, &diaWait::stopClicked);
    ui->indicateur->startAnimation();
}

diaWait::~diaWait() = default;

void diaWait::preparer(bool boutonStopVisible, const QString& message)
{
    ui->btStop->setVisible(boutonStopVisible);
    ui->lbMessage->setText(message.isEmpty() ? tr("Opération en cours... Patientez!") : message);
    // Sans barre de titre, la fenêtre n'a pas d'autre nom à donner aux lecteurs d'écran.
    setAccessibleName(ui->lbMessage->text());
    arrete = false;
}

QString diaWait::message() const
{
    return ui->lbMessage->text();
}

QProgressIndicator* diaWait::indicateur() const
{
    return ui->indicateur;
}

void diaWait::stopClicked()
{
    // Une fois l'arrêt confirmé, un nouveau clic ne demande plus rien.
    if (arrete)
        return;
    if (Invite::question(this, tr("ARRÊTER"), tr("Voulez-vous vraiment stopper l'opération en cours ?"),
                         QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    arrete = true;
    if (drapeauArret)
        *drapeauArret = true;
}
