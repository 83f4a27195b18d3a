// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/commun/dossierdepart.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace DossierDepart {

namespace {
QString& dernier()
{
    static QString dossier;
    return dossier;
}

bool existe(const QString& dossier)
{
    return !dossier.isEmpty() && QFileInfo(dossier).isDir();
}
} // namespace

QString choisir(const QString& dernier, const QString& documents, const QString& maison)
{
    for (const QString& dossier : {dernier, documents})
        if (existe(dossier))
            return QDir::cleanPath(dossier);
    return maison;
}

QString dossier()
{
    return choisir(dernier(), QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation),
                   QDir::homePath());
}

QString chemin(const QString& nomFichier)
{
    return QDir(dossier()).filePath(nomFichier);
}

void retenir(const QString& choisi)
{
    if (choisi.isEmpty())
        return;
    const QFileInfo info(choisi);
    dernier() = info.isDir() ? info.absoluteFilePath() : info.absolutePath();
}

void oublier()
{
    dernier().clear();
}

} // namespace DossierDepart
