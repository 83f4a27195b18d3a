// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFrame>
#include <QString>

#include <memory>

class QProgressIndicator;

namespace Ui {
class diaWait;
}

// Fenêtre d'attente des longues opérations : l'indicateur qui tourne, un message et un
// bouton « Stop » facultatif. Fenêtre sans bordure du genre écran d'accueil, rattachée à
// la fenêtre qui lance l'opération ; son créateur la montre, laisse de temps en temps la
// boucle d'événements traiter ce qui n'est pas saisie de l'utilisateur pour que
// l'indicateur tourne, puis la détruit.
class diaWait : public QFrame
{
    Q_OBJECT

public:
    // `drapeauArret` : adresse facultative d'un drapeau de l'appelant, mis à faux ici et
    // mis à vrai quand l'utilisateur confirme l'arrêt ; l'appelant le teste entre deux
    // étapes de son travail.
    explicit diaWait(QWidget* parent, bool* drapeauArret = nullptr);
    ~diaWait() override;

    // Montre ou cache le bouton « Stop », affiche le message (un texte d'attente par défaut
    // quand il est vide) et remet à zéro l'état « arrêté ».
    void preparer(bool boutonStopVisible, const QString& message);

    // Vrai quand l'utilisateur a confirmé l'arrêt.
    bool estArrete() const { return arrete; }
    QString message() const;
    QProgressIndicator* indicateur() const;

public slots:
    void stopClicked();

private:
    std::unique_ptr<Ui::diaWait> ui;
    bool arrete = false;
    bool* drapeauArret = nullptr;
};
