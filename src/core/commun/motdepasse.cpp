// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/commun/motdepasse.h"

#include <QCryptographicHash>
#include <QSettings>

namespace MotDePasse {

QByteArray empreinte(const QString& texte)
{
    return QCryptographicHash::hash(texte.toLatin1(), QCryptographicHash::Md5).toHex();
}

QByteArray empreinteStockee()
{
    return QSettings().value(CLE_REGLAGES).toByteArray();
}

bool correspond(const QString& saisi, const QByteArray& stockee)
{
    return empreinte(saisi) == stockee;
}

void fixer(const QString& texte)
{
    QSettings reglages;
    if (texte.toLatin1().isEmpty())
        reglages.remove(CLE_REGLAGES);
    else
        reglages.setValue(CLE_REGLAGES, empreinte(texte));
}

} // namespace MotDePasse
