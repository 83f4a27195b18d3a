// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/commun/horloge.h"

#include <QMutex>

namespace Horloge {

namespace {
// Lue aussi par le fil des copies en fond.
QMutex verrou;
QDateTime fixe;
} // namespace

QDateTime maintenant()
{
    const QMutexLocker garde(&verrou);
    return fixe.isValid() ? fixe : QDateTime::currentDateTime();
}

QDate aujourdhui()
{
    return maintenant().date();
}

void fixer(const QDateTime& instant)
{
    const QMutexLocker garde(&verrou);
    fixe = instant;
}

} // namespace Horloge
