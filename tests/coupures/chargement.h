// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcessEnvironment>
#include <QString>

// Environnement d'un processus enfant dans lequel la bibliothèque de coupure est chargée par
// LD_PRELOAD. Dans une construction avec les sanitizers, leur bibliothèque ne vient alors plus en
// premier : AddressSanitizer refuserait de démarrer sans verify_asan_link_order=0.
inline QProcessEnvironment environnementCoupure(const QString& bibliotheque)
{
    QProcessEnvironment environnement = QProcessEnvironment::systemEnvironment();
    environnement.insert(QStringLiteral("LD_PRELOAD"), bibliotheque);
    environnement.insert(QStringLiteral("ASAN_OPTIONS"), environnement.value(QStringLiteral("ASAN_OPTIONS")) +
                                                             QStringLiteral(":verify_asan_link_order=0"));
    return environnement;
}
