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

Resultat<> issue(const QString& destination, const EcritureSure& ecriture)
{
    if (ecriture.panne() == EcritureSure::Panne::Aucune)
        return {};
    return echec(destination, ecriture.panne(), ecriture.detail());
}

// Termine l'écriture en vérifiant que le fichier écrit, relu, a l'empreinte `attendue`.
Resultat<> valider(const QString& destination, EcritureSure& ecriture, const QByteArray& attendue)
{
    ecriture.valider([&](const QString& provisoire) {
        if (empreinte(provisoire) == attendue)
            return true;
        ecriture.signalerPanne(EcritureSure::Panne::Verification,
                               QStringLiteral("le fichier relu n'est pas celui qui a été écrit"));
        return false;
    });
    return issue(destination, ecriture);
}

} // namespace

Erreur echec(const QString& chemin, EcritureSure::Panne panne, const QString& detail)
{
    return Erreur(Raison::FichierNonEcrit, detail).sur(chemin).avec(qint64(panne));
}

EcritureSure::Panne panne(const Erreur& erreur)
{
    return erreur.raison == Raison::FichierNonEcrit ? EcritureSure::Panne(erreur.nombre)
                                                    : EcritureSure::Panne::Autre;
}

Resultat<> ecrire(const QString& destination, const QByteArray& octets, EcritureSure::Droits droits)
{
    EcritureSure ecriture(destination, droits);
    if (!ecriture.ecrire(octets))
        return issue(destination, ecriture);
    return valider(destination, ecriture, QCryptographicHash::hash(octets, QCryptographicHash::Sha256));
}

Resultat<> copier(const QString& source, const QString& destination, EcritureSure::Droits droits)
{
    QFile entree(source);
    if (!entree.open(QIODevice::ReadOnly))
        return echec(destination, EcritureSure::Panne::Autre, entree.errorString());
    EcritureSure ecriture(destination, droits);
    QCryptographicHash hachage(QCryptographicHash::Sha256);
    for (;;) {
        const QByteArray morceau = entree.read(1 << 20);
        if (morceau.isEmpty()) {
            if (entree.error() != QFileDevice::NoError)
                return echec(destination, EcritureSure::Panne::Autre, entree.errorString());
            break;
        }
        hachage.addData(morceau);
        if (!ecriture.ecrire(morceau))
            return issue(destination, ecriture);
    }
    return valider(destination, ecriture, hachage.result());
}

} // namespace FichierSur
