// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/commun/dossierdonnees.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

namespace DossierDonnees {

namespace {

constexpr QFileDevice::Permissions AUTRES = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                            QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                            QFileDevice::WriteOther | QFileDevice::ExeOther;
constexpr QFileDevice::Permissions DOSSIER_PRIVE =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
constexpr QFileDevice::Permissions FICHIER_PRIVE = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// Retire les droits des autres ; vrai quand il y en avait et qu'ils sont retirés.
bool fermer(const QFileInfo& info, QFileDevice::Permissions prive)
{
    if (!(info.permissions() & AUTRES))
        return false;
    return QFile::setPermissions(info.absoluteFilePath(), prive);
}

} // namespace

bool creer(const QString& dossier)
{
    const QFileInfo info(dossier);
    if (info.isDir())
        return true;
    if (!QDir().mkpath(info.absolutePath()))
        return false;
#ifdef Q_OS_UNIX
    return QDir().mkdir(info.absoluteFilePath(), DOSSIER_PRIVE) || info.absoluteDir().exists(info.fileName());
#else
    return QDir().mkdir(info.absoluteFilePath()) || info.absoluteDir().exists(info.fileName());
#endif
}

void creerFichierPrive(const QString& chemin)
{
    QFile fichier(chemin);
    if (!fichier.exists())
        fichier.open(QIODevice::WriteOnly | QIODevice::NewOnly, FICHIER_PRIVE);
}

QStringList resserrer(const QString& dossier)
{
    QStringList ouverts;
#ifdef Q_OS_UNIX
    const QFileInfo racine(dossier);
    if (!racine.isDir() || racine.isSymLink())
        return ouverts;
    if (fermer(racine, DOSSIER_PRIVE))
        ouverts << racine.absoluteFilePath();
    QDirIterator parcours(dossier, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                          QDirIterator::Subdirectories);
    while (parcours.hasNext()) {
        parcours.next();
        const QFileInfo info = parcours.fileInfo();
        if (info.isSymLink())
            continue;
        if (fermer(info, info.isDir() ? DOSSIER_PRIVE : (info.permissions() & ~AUTRES) | FICHIER_PRIVE))
            ouverts << info.absoluteFilePath();
    }
#else
    Q_UNUSED(dossier);
#endif
    return ouverts;
}

Ecriture ecriture(const QString& dossier, const QString& base)
{
    {
        QTemporaryFile essai(dossier + QStringLiteral("/.essai-ecriture-XXXXXX"));
        if (!essai.open())
            return Ecriture::DossierEnLectureSeule;
    }
    if (QFile::exists(base)) {
        QFile fichier(base);
        if (!fichier.open(QIODevice::ReadWrite))
            return Ecriture::BaseEnLectureSeule;
    }
    return Ecriture::Possible;
}

} // namespace DossierDonnees
