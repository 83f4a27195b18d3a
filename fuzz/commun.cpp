// SPDX-License-Identifier: GPL-3.0-or-later
#include "commun.h"

#include "core/commun/application.h"

#include <QCoreApplication>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace Fuzz {

namespace {

std::unique_ptr<QTemporaryDir> dossier;
QString cheminFichier;

void taire(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    // Seuls les messages fatals passent : les avertissements du chiffreur ou du pilote
    // SQL reviennent à chaque entrée.
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
        std::abort();
    }
}

} // namespace

void preparer(int* argc, char*** argv)
{
    qInstallMessageHandler(taire);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QCoreApplication::setOrganizationName(Application::ORGANISATION);
    QCoreApplication::setApplicationName(Application::NOM);
    QStandardPaths::setTestModeEnabled(true);
    // L'application vit jusqu'à la fin du processus, comme le fuzzer.
    static QCoreApplication application(*argc, *argv);

    dossier = std::make_unique<QTemporaryDir>();
    if (!dossier->isValid())
        incoherence("dossier temporaire impossible à créer");
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dossier->path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dossier->path());
    Application::definirChemins(Application::cheminsDans(dossier->path()));
    cheminFichier = dossier->filePath(QStringLiteral("entree"));
    std::atexit([] { dossier.reset(); });
}

QString dossierTravail()
{
    return dossier->path();
}

QString ecrireFichier(const std::uint8_t* donnees, std::size_t taille)
{
    QFile fichier(cheminFichier);
    if (!fichier.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        fichier.write(reinterpret_cast<const char*>(donnees), qint64(taille)) != qint64(taille))
        incoherence("fichier de travail impossible à écrire");
    return cheminFichier;
}

void incoherence(const char* quoi)
{
    std::fprintf(stderr, "Incohérence : %s\n", quoi);
    std::abort();
}

} // namespace Fuzz
