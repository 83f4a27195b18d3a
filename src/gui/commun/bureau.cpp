// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/commun/bureau.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QThread>
#include <QUrl>

namespace Bureau {

namespace {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
// Le temps laissé au lanceur pour dire qu'il n'a rien trouvé : il lui suffit de chercher
// l'association du type de fichier, quelques dixièmes de seconde.
constexpr int ATTENTE_MS = 2000;

bool ouvrirParXdgOpen(const QString& lanceur, const QUrl& url)
{
    // Le code de sortie revient par un fichier : le lanceur est détaché (le lecteur qu'il démarre
    // ne doit pas se fermer avec Quorvel) et n'a donc plus de lien avec ce processus. Le fichier
    // n'est écrit que s'il existe encore : passé le délai, il est retiré et le code se perd.
    QTemporaryFile etat(QDir::tempPath() + QStringLiteral("/quorvel-ouverture-XXXXXX"));
    if (!etat.open())
        return QDesktopServices::openUrl(url);
    etat.close();
    const QString argument = url.isLocalFile() ? url.toLocalFile() : url.toString(QUrl::FullyEncoded);
    QProcess processus;
    processus.setProgram(QStringLiteral("/bin/sh"));
    processus.setArguments({QStringLiteral("-c"),
                            QStringLiteral(R"("$0" "$1"; s=$?; [ -e "$2" ] && echo $s >"$2")"), lanceur,
                            argument, etat.fileName()});
    // Le lecteur ne garde ni l'entrée ni les sorties de Quorvel.
    processus.setStandardInputFile(QProcess::nullDevice());
    processus.setStandardOutputFile(QProcess::nullDevice());
    processus.setStandardErrorFile(QProcess::nullDevice());
    if (!processus.startDetached())
        return false;

    QElapsedTimer duree;
    duree.start();
    while (duree.elapsed() < ATTENTE_MS) {
        QFile fichier(etat.fileName());
        if (fichier.open(QIODevice::ReadOnly)) {
            const QByteArray code = fichier.readAll().trimmed();
            if (!code.isEmpty())
                return code == "0";
        }
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 50);
        QThread::msleep(50);
    }
    return true;
}
#endif
} // namespace

bool ouvrir(const QUrl& url)
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    const QString lanceur = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (!lanceur.isEmpty())
        return ouvrirParXdgOpen(lanceur, url);
#endif
    return QDesktopServices::openUrl(url);
}

} // namespace Bureau
