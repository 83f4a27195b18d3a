// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class MainWindow;
class QSocketNotifier;

// Un arrêt demandé par le système : SIGTERM (arrêt ou redémarrage de l'ordinateur, fin d'une
// session sans gestionnaire XSMP, comme sous Wayland ou sur un bureau léger, « kill ») ou SIGHUP
// (la session qui portait le programme disparaît). Quorvel fait alors comme à une fin de session
// sans question possible (FinSession::terminer) : ce qui peut être enregistré l'est, le reste
// demeure au journal des saisies ; puis il se ferme. Sous Windows, la fin de session arrive par
// WM_QUERYENDSESSION, que Qt change en `commitDataRequest` : rien à faire ici.
//
// Le signal n'est que noté par son gestionnaire (un octet écrit dans une paire de prises) ; le
// travail se fait dans la boucle d'événements, quand la prise devient lisible.
class ArretSysteme : public QObject
{
    Q_OBJECT
public:
    explicit ArretSysteme(MainWindow* fenetre);
    ~ArretSysteme() override;

private:
    QSocketNotifier* lecture = nullptr;
};
