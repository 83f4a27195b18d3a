// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/petitdisque.h"

#include <QDir>
#include <QFile>
#include <QStorageInfo>

#ifdef Q_OS_LINUX
#include <sys/mount.h>
#endif

namespace {
const QString REMPLISSAGE = QStringLiteral(".remplissage");

bool monter(const QString& chemin, qint64 octets, bool seule)
{
#ifdef Q_OS_LINUX
    const QByteArray options = "size=" + QByteArray::number(octets) + ",mode=0755";
    unsigned long drapeaux = seule ? MS_RDONLY : 0;
    return ::mount("tmpfs", QFile::encodeName(chemin).constData(), "tmpfs", drapeaux, options.constData()) ==
           0;
#else
    Q_UNUSED(chemin);
    Q_UNUSED(octets);
    Q_UNUSED(seule);
    return false;
#endif
}
} // namespace

PetitDisque::PetitDisque(qint64 octets) : taille(octets)
{
    estMonte = dossier.isValid() && monter(dossier.path(), octets, false);
}

PetitDisque::~PetitDisque()
{
#ifdef Q_OS_LINUX
    if (estMonte)
        ::umount2(QFile::encodeName(dossier.path()).constData(), MNT_DETACH);
#endif
}

bool PetitDisque::remplir(qint64 libres)
{
    QFile remplissage(fichier(REMPLISSAGE));
    if (!remplissage.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    const QByteArray bloc(4096, 'x');
    for (;;) {
        QStorageInfo volume(chemin());
        volume.refresh();
        const qint64 reste = volume.bytesAvailable() - libres;
        if (reste <= 0)
            return true;
        const QByteArray morceau = reste >= bloc.size() ? bloc : bloc.left(reste);
        if (remplissage.write(morceau) != morceau.size() || !remplissage.flush())
            return true;
    }
}

bool PetitDisque::lectureSeule(bool seule)
{
#ifdef Q_OS_LINUX
    const QByteArray options = "size=" + QByteArray::number(taille);
    return estMonte && ::mount("tmpfs", QFile::encodeName(chemin()).constData(), "tmpfs",
                               MS_REMOUNT | (seule ? MS_RDONLY : 0), options.constData()) == 0;
#else
    Q_UNUSED(seule);
    return false;
#endif
}

QStringList PetitDisque::contenu() const
{
    QStringList noms = QDir(chemin()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    noms.removeAll(REMPLISSAGE);
    return noms;
}
