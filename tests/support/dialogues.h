// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>

// Conduite des dialogues modaux dans les essais : l'action est faite sur le prochain dialogue
// modal du type demandé dès qu'il s'ouvre (la boucle d'événements de son exec() tourne alors).
// Un dialogue d'un autre type, ou aucun dialogue dans le délai, laisse l'action non faite :
// l'essai le vérifie avec le drapeau rendu.
template <typename Dialogue>
std::shared_ptr<bool> quandDialogue(std::function<void(Dialogue*)> action, int delaiMs = 10000)
{
    auto fait = std::make_shared<bool>(false);
    auto minuterie = new QTimer(qApp); // détruite avec l'application si le délai court encore
    auto ecoule = std::make_shared<int>(0);
    auto attenteActivation = std::make_shared<int>(0);
    minuterie->setInterval(10);
    QObject::connect(minuterie, &QTimer::timeout, [=] {
        *ecoule += 10;
        if (auto* dialogue = qobject_cast<Dialogue*>(QApplication::activeModalWidget())) {
            // Le dialogue est modal avant d'être la fenêtre active : le focus clavier n'y est
            // qu'une fois activé. Sur une machine lente cela prend quelques tours de boucle.
            if (QApplication::activeWindow() != dialogue && *attenteActivation < 3000) {
                *attenteActivation += 10;
                return;
            }
            minuterie->stop();
            minuterie->deleteLater();
            *fait = true;
            QPointer<Dialogue> garde(dialogue);
            action(dialogue);
            // Une vérification qui échoue dans l'action la quitte avant qu'elle ferme le
            // dialogue : on le ferme pour que son exec() rende la main et que l'essai finisse.
            if (QTest::currentTestFailed() && garde && garde->isVisible())
                garde->reject();
        } else if (*ecoule > delaiMs) {
            minuterie->stop();
            minuterie->deleteLater();
        }
    });
    minuterie->start();
    return fait;
}
