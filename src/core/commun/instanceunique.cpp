// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/commun/instanceunique.h"

#include <QDir>
#include <QFile>

const QString InstanceUnique::CLE_SEGMENT = QStringLiteral("Quorvel (Marvek) - instance unique");
const QString InstanceUnique::SUFFIXE_VERROU_BASE = QStringLiteral(".lock");

namespace {
QString nomUtilisateur()
{
    QString nom = qEnvironmentVariable("USER");
    if (nom.isEmpty())
        nom = qEnvironmentVariable("USERNAME");
    QString propre;
    for (const QChar c : nom)
        propre += c.isLetterOrNumber() ? c : QLatin1Char('_');
    return propre;
}
} // namespace

InstanceUnique::InstanceUnique(const QString& dossierVerrou)
    : verrou((dossierVerrou.isEmpty() ? QDir::tempPath() : dossierVerrou) + QStringLiteral("/quorvel-") +
             nomUtilisateur() + QStringLiteral(".lock")),
      segment(CLE_SEGMENT + QLatin1Char(' ') + nomUtilisateur())
{
    // Une instance vivante ne devient jamais périmée avec le temps : seul compte le
    // processus qui a posé le verrou.
    verrou.setStaleLockTime(0);
}

InstanceUnique::~InstanceUnique() = default;

bool InstanceUnique::acquerir()
{
    const bool verrouPose = verrou.tryLock(0);
    if (!verrouPose && verrou.error() == QLockFile::LockFailedError)
        return false;

    if (segment.create(512, QSharedMemory::ReadWrite))
        return true;
    if (!verrouPose)
        // Dossier temporaire inutilisable : le segment est alors le seul témoin d'une autre
        // instance.
        return segment.error() != QSharedMemory::AlreadyExists;

    // Le verrou est à nous, donc aucune instance ne tourne : un segment encore présent a
    // été laissé par une instance tuée. S'y attacher puis s'en détacher le détruit quand
    // plus personne ne s'y tient ; il est alors recréé. Faute de quoi, le verrou suffit.
    if (segment.attach())
        segment.detach();
    segment.create(512, QSharedMemory::ReadWrite);
    return true;
}

bool InstanceUnique::acquerirBase(const QString& cheminBase)
{
    verrouBase = std::make_unique<QLockFile>(cheminBase + SUFFIXE_VERROU_BASE);
    // Le verrou d'un processus mort est repris tout de suite (même machine) ; celui d'une autre
    // machine (dossier personnel sur le réseau) ne peut pas être vérifié ainsi : passé une
    // minute, il est repris seulement si plus personne ne le tient ouvert (verrou du système
    // sur le fichier). Le verrou d'une instance vivante n'est donc jamais repris.
    verrouBase->setStaleLockTime(60 * 1000);
    if (verrouBase->tryLock(0)) {
        // Dans le dossier des données, privé comme tout ce qui s'y trouve.
        QFile::setPermissions(cheminBase + SUFFIXE_VERROU_BASE,
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        return true;
    }
    return verrouBase->error() != QLockFile::LockFailedError;
}
