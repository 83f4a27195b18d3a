// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/commun/fichiersur.h"

#include <QCryptographicHash>
#include <QFile>

namespace FichierSur {

namespace {

// Empreinte du contenu d'un fichier ; vide quand il ne se lit pas en entier.
QByteArray empreinte(const QString& chemin)
{
    QFile fichier(chemin);
    if (!fichier.open(QIODevice::ReadOnly))
        return QByteArray();
    QCryptographicHash hachage(QCryptographicHash::Sha256);
    return hachage.addData(&fichier) ? hachage.result() : QByteArray();
}

// Termine l'écriture en vérifiant que le fichier écrit, relu, a l'empreinte `attendue`.
Issue valider(EcritureSure& ecriture, const QByteArray& attendue)
{
    ecriture.valider([&](const QString& provisoire) {
        if (empreinte(provisoire) == attendue)
            return true;
        ecriture.signalerPanne(EcritureSure::Panne::Verification,
                               QStringLiteral("le fichier relu n'est pas celui qui a été écrit"));
        return false;
    });
    return issue(ecriture);
}

} // namespace

Issue issue(const EcritureSure& ecriture)
{
    return {ecriture.panne(), ecriture.detail()};
}

Issue ecrire(const QString& destination, const QByteArray& octets, EcritureSure::Droits droits)
{
    EcritureSure ecriture(destination, droits);
    if (!ecriture.ecrire(octets))
        return issue(ecriture);
    return valider(ecriture, QCryptographicHash::hash(octets, QCryptographicHash::Sha256));
}

Issue copier(const QString& source, const QString& destination, EcritureSure::Droits droits)
{
    QFile entree(source);
    if (!entree.open(QIODevice::ReadOnly))
        return {EcritureSure::Panne::Autre, entree.errorString()};
    EcritureSure ecriture(destination, droits);
    QCryptographicHash hachage(QCryptographicHash::Sha256);
    for (;;) {
        const QByteArray morceau = entree.read(1 << 20);
        if (morceau.isEmpty()) {
            if (entree.error() != QFileDevice::NoError)
                return {EcritureSure::Panne::Autre, entree.errorString()};
            break;
        }
        hachage.addData(morceau);
        if (!ecriture.ecrire(morceau))
            return issue(ecriture);
    }
    return valider(ecriture, hachage.result());
}

} // namespace FichierSur
