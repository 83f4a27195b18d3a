// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/commun/tiragefichier.h"

#include "core/print/controlepdf.h"
#include "gui/commun/envoiimpression.h"
#include "gui/commun/messageecriture.h"

#include <QFileInfo>
#include <QPrinter>
#include <QStorageInfo>

#include <cerrno>
#include <cstring>

namespace {
// En dessous, un fichier trouvé incomplet l'a été faute de place.
constexpr qint64 PLACE_MINIMALE = 256 * 1024;
} // namespace

TirageFichier::TirageFichier(QPrinter* imprimante_) : imprimante(imprimante_)
{
    if (!imprimante || !EnvoiImpression::versFichier(*imprimante) || imprimante->outputFileName().isEmpty())
        return;
    destination = imprimante->outputFileName();
    ecriture = std::make_unique<EcritureSure>(destination, EcritureSure::Droits::Usuels);
    const QString provisoire = ecriture->cheminProvisoire();
    if (provisoire.isEmpty())
        return;
    imprimante->setOutputFileName(provisoire);
    redirige = true;
}

TirageFichier::~TirageFichier()
{
    abandonner();
}

bool TirageFichier::pret() const
{
    return !ecriture || ecriture->panne() == EcritureSure::Panne::Aucune;
}

void TirageFichier::rendreNom()
{
    if (redirige) {
        imprimante->setOutputFileName(destination);
        redirige = false;
    }
}

bool TirageFichier::valider()
{
    rendreNom();
    if (!ecriture)
        return true;
    return ecriture->valider([this](const QString& provisoire) {
        if (ControlePdf::complet(provisoire))
            return true;
        // Le moteur PDF ne dit pas pourquoi ses écritures ont échoué : un disque presque plein
        // l'explique.
        const QStorageInfo volume(QFileInfo(provisoire).absolutePath());
        if (volume.isValid() && volume.bytesAvailable() >= 0 && volume.bytesAvailable() < PLACE_MINIMALE)
            ecriture->signalerPanne(EcritureSure::Panne::DisquePlein,
                                    QString::fromLocal8Bit(std::strerror(ENOSPC)));
        else
            ecriture->signalerPanne(EcritureSure::Panne::Verification, QString());
        return false;
    });
}

void TirageFichier::abandonner()
{
    rendreNom();
    if (ecriture)
        ecriture->abandonner();
}

QString TirageFichier::message() const
{
    if (!ecriture)
        return QString();
    return MessageEcriture::texte(destination, ecriture->panne(), ecriture->detail());
}
