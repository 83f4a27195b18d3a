// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/arretsysteme.h"

#include "gui/mainwindow/finsession.h"
#include "gui/mainwindow/mainwindow.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

// Le système n'attend pas de réponse : aucune question n'est permise.
class SansQuestion : public GestionnaireSession
{
public:
    bool questionsPermises() override { return false; }
    void annuler() override {}
    void rendreLaMain() override {}
};

#ifdef Q_OS_UNIX
int prises[2] = {-1, -1};
constexpr int SIGNAUX[] = {SIGTERM, SIGHUP};

extern "C" void noterArret(int)
{
    const char octet = 1;
    if (::write(prises[1], &octet, 1) < 0) {
        // Rien à faire dans un gestionnaire de signal : l'arrêt n'est pas noté.
    }
}
#endif

} // namespace

ArretSysteme::ArretSysteme(MainWindow* fenetre) : QObject(fenetre)
{
#ifdef Q_OS_UNIX
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, prises) != 0)
        return;
    lecture = new QSocketNotifier(prises[0], QSocketNotifier::Read, this);
    connect(lecture, &QSocketNotifier::activated, this, [this, fenetre] {
        lecture->setEnabled(false);
        char octet = 0;
        if (::read(prises[0], &octet, 1) < 0) {
            // L'arrêt a été noté : la lecture ne sert qu'à vider la prise.
        }
        SansQuestion session;
        fenetre->terminerSession(session);
        QCoreApplication::quit();
    });
    struct sigaction action = {};
    action.sa_handler = noterArret;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : SIGNAUX)
        sigaction(signal, &action, nullptr);
#else
    Q_UNUSED(fenetre);
#endif
}

ArretSysteme::~ArretSysteme()
{
#ifdef Q_OS_UNIX
    if (!lecture)
        return;
    for (const int signal : SIGNAUX)
        std::signal(signal, SIG_DFL);
    delete lecture;
    ::close(prises[0]);
    ::close(prises[1]);
    prises[0] = prises[1] = -1;
#endif
}
