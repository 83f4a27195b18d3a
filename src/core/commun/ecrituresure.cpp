// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/commun/ecrituresure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstring>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

const QString SUFFIXE_PROVISOIRE = QStringLiteral(".ecriture.");

QString texteDuCode(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

// Met sur le disque ce qui a été écrit par ce descripteur ; vrai quand le système l'a fait.
bool synchroniser(int descripteur)
{
#ifdef Q_OS_WIN
    return _commit(descripteur) == 0;
#else
    return ::fsync(descripteur) == 0;
#endif
}

// Met sur le disque le dossier lui-même, pour que le nouveau nom y soit inscrit. Certains
// systèmes de fichiers (partages réseau) refusent : le renommage est fait, on n'insiste pas.
void synchroniserDossier(const QString& dossier)
{
#ifndef Q_OS_WIN
    const int descripteur = ::open(QFile::encodeName(dossier).constData(), O_RDONLY | O_DIRECTORY);
    if (descripteur >= 0) {
        ::fsync(descripteur);
        ::close(descripteur);
    }
#else
    Q_UNUSED(dossier);
#endif
}

// Remplace `destination` par `source` d'un seul coup (la destination peut exister).
bool remplacer(const QString& source, const QString& destination, int* code)
{
#ifdef Q_OS_WIN
    const bool fait =
        MoveFileExW(reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(source).utf16()),
                    reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(destination).utf16()),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    *code = fait ? 0 : EIO;
    return fait;
#else
    const bool fait =
        ::rename(QFile::encodeName(source).constData(), QFile::encodeName(destination).constData()) == 0;
    *code = fait ? 0 : errno;
    return fait;
#endif
}

// Le masque de création du processus (umask), lu sans le changer : un autre fil qui créerait un
// fichier pendant un changement, même bref, le ferait avec des droits ouverts.
unsigned masqueCreation()
{
#ifdef Q_OS_LINUX
    QFile etat(QStringLiteral("/proc/self/status"));
    if (etat.open(QIODevice::ReadOnly)) {
        for (QByteArray ligne = etat.readLine(); !ligne.isEmpty(); ligne = etat.readLine())
            if (ligne.startsWith("Umask:")) {
                bool lu = false;
                const uint masque = ligne.mid(6).trimmed().toUInt(&lu, 8);
                if (lu)
                    return masque;
            }
    }
#endif
#ifdef Q_OS_WIN
    return 022;
#else
    const mode_t masque = ::umask(077);
    ::umask(masque);
    return masque;
#endif
}

// Les droits d'un fichier posé là où l'utilisateur l'a choisi : ceux que lui donnerait tout
// programme qui le crée (0666 moins le masque de création), lecture et écriture pour lui toujours.
QFileDevice::Permissions droitsUsuels()
{
    const unsigned masque = masqueCreation();
    QFileDevice::Permissions permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    if (!(masque & 040))
        permissions |= QFileDevice::ReadGroup;
    if (!(masque & 020))
        permissions |= QFileDevice::WriteGroup;
    if (!(masque & 004))
        permissions |= QFileDevice::ReadOther;
    if (!(masque & 002))
        permissions |= QFileDevice::WriteOther;
    return permissions;
}

} // namespace

EcritureSure::EcritureSure(const QString& destination, Droits droits_) : cible(destination), droits(droits_)
{
}

EcritureSure::~EcritureSure()
{
    if (!validee)
        abandonner();
}

EcritureSure::Panne EcritureSure::panneDuCode(int code)
{
    switch (code) {
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
    case EFBIG:
        return Panne::DisquePlein;
    case EACCES:
    case EPERM:
    case EROFS:
        return Panne::Interdit;
    case ENOENT:
    case ENOTDIR:
        return Panne::DossierAbsent;
    default:
        return Panne::Autre;
    }
}

QString EcritureSure::motifProvisoire(const QString& motifDestination)
{
    return motifDestination + SUFFIXE_PROVISOIRE + QLatin1Char('*');
}

void EcritureSure::supprimerProvisoires(const QString& dossier, const QString& motifDestination)
{
    const QDir repertoire(dossier);
    for (const QString& nom :
         repertoire.entryList({motifProvisoire(motifDestination)}, QDir::Files | QDir::Hidden))
        QFile::remove(repertoire.filePath(nom));
}

bool EcritureSure::echouer(Panne panne, const QString& detail)
{
    if (raison == Panne::Aucune) {
        raison = panne;
        texte = detail;
    }
    abandonner();
    return false;
}

bool EcritureSure::echouerSurCode(int code, const QString& detail)
{
    return echouer(panneDuCode(code), detail.isEmpty() ? texteDuCode(code) : detail);
}

void EcritureSure::signalerPanne(Panne panne, const QString& detail)
{
    if (raison == Panne::Aucune) {
        raison = panne;
        texte = detail;
    }
}

bool EcritureSure::ouvrir()
{
    if (raison != Panne::Aucune)
        return false;
    if (fichier)
        return true;
    const QFileInfo infos(cible);
    if (!infos.absoluteDir().exists())
        return echouer(Panne::DossierAbsent, QDir::toNativeSeparators(infos.absolutePath()));
    // QTemporaryFile crée le fichier en exclusivité, privé (0600) ; il n'est jamais supprimé par
    // lui-même : c'est le rôle d'abandonner().
    auto temporaire = std::make_unique<QTemporaryFile>(cible + SUFFIXE_PROVISOIRE + QStringLiteral("XXXXXX"));
    temporaire->setAutoRemove(false);
    errno = 0;
    if (!temporaire->open()) {
        const int code = errno;
        return echouer(code ? panneDuCode(code) : Panne::Autre, temporaire->errorString());
    }
    provisoire = temporaire->fileName();
    fichier = std::move(temporaire);
    return true;
}

QIODevice* EcritureSure::appareil()
{
    return ouvrir() ? fichier.get() : nullptr;
}

bool EcritureSure::ecrire(const QByteArray& octets)
{
    if (!ouvrir())
        return false;
    if (!fichier->isOpen())
        return echouer(Panne::Autre, QStringLiteral("fichier provisoire fermé"));
    qint64 ecrits = 0;
    while (ecrits < octets.size()) {
        errno = 0;
        const qint64 n = fichier->write(octets.constData() + ecrits, octets.size() - ecrits);
        if (n <= 0) {
            const int code = errno;
            return code ? echouerSurCode(code, fichier->errorString())
                        : echouer(Panne::Autre, fichier->errorString());
        }
        ecrits += n;
    }
    return true;
}

QString EcritureSure::cheminProvisoire()
{
    if (!ouvrir())
        return QString();
    fichier->close();
    return provisoire;
}

bool EcritureSure::valider(const std::function<bool(const QString& provisoire)>& controle)
{
    // Une panne déjà vue (écriture refusée, outil qui écrivait par le chemin en échec).
    if (raison != Panne::Aucune)
        return echouer(raison, texte);
    if (!ouvrir())
        return false;

    // 1. Ce qui est encore dans les tampons, et toute erreur d'écriture passée par l'appareil.
    if (fichier->isOpen()) {
        errno = 0;
        if (!fichier->flush() || fichier->error() != QFileDevice::NoError) {
            const int code = errno;
            return code ? echouerSurCode(code, fichier->errorString())
                        : echouer(Panne::Autre, fichier->errorString());
        }
        fichier->close();
        if (fichier->error() != QFileDevice::NoError)
            return echouer(Panne::Autre, fichier->errorString());
    }
    // 2. Le contenu complet, relu par celui qui sait ce qu'il doit être.
    if (controle && !controle(provisoire))
        return echouer(Panne::Verification, texte);

    // 3. Sur le disque, avant de prendre le nom : un arrêt du courant juste après le renommage
    // ne doit pas laisser sous ce nom un fichier dont les données ne sont pas écrites.
    {
        QFile relu(provisoire);
        errno = 0;
        if (!relu.open(QIODevice::ReadWrite)) {
            const int code = errno;
            return code ? echouerSurCode(code, relu.errorString())
                        : echouer(Panne::Autre, relu.errorString());
        }
        errno = 0;
        if (!synchroniser(relu.handle())) {
            const int code = errno;
            return echouerSurCode(code ? code : EIO, QString());
        }
    }

    // 4. Les droits, quel que soit le masque de création et ce qu'un outil a pu poser.
    const QFileDevice::Permissions permissions =
        droits == Droits::Usuels ? droitsUsuels() : QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    if (!QFile::setPermissions(provisoire, permissions) && droits != Droits::PrivesSiPossible)
        return echouer(Panne::Interdit, QDir::toNativeSeparators(provisoire));

    // 5. Le nom, d'un seul coup ; puis le dossier sur le disque.
    int code = 0;
    if (!remplacer(provisoire, cible, &code))
        return echouerSurCode(code, QString());
    validee = true;
    fichier.reset();
    provisoire.clear();
    synchroniserDossier(QFileInfo(cible).absolutePath());
    return true;
}

void EcritureSure::abandonner()
{
    if (fichier) {
        fichier->close();
        fichier.reset();
    }
    if (!provisoire.isEmpty()) {
        QFile::remove(provisoire);
        provisoire.clear();
    }
}
