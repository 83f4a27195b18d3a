#include "app/instanceunique.h"

#include <QDir>

const QString InstanceUnique::CLE_SEGMENT = QStringLiteral("Quorvel (Marvek) - instance unique");

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

    // Un segment encore présent alors que personne ne tient le verrou a été laissé par une
    // instance tuée : s'y attacher puis s'en détacher le détruit quand plus personne ne
    // s'y tient.
    if (verrouPose && segment.attach())
        segment.detach();

    if (segment.create(512, QSharedMemory::ReadWrite))
        return true;
    // Le segment est tenu par un autre processus ; sans verrou (dossier temporaire non
    // inscriptible), c'est la seule indication d'une autre instance.
    if (segment.error() == QSharedMemory::AlreadyExists)
        return false;
    // Mémoire partagée indisponible : le verrou suffit.
    return verrouPose;
}
