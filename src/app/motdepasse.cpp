#include "app/motdepasse.h"

#include <QCryptographicHash>
#include <QSettings>

namespace MotDePasse {

QByteArray empreinte(const QString& texte)
{
    return QCryptographicHash::hash(texte.toLatin1(), QCryptographicHash::Md5).toHex();
}

QByteArray empreinteStockee() { return QSettings().value(CLE_REGLAGES).toByteArray(); }

bool correspond(const QString& saisi, const QByteArray& stockee) { return empreinte(saisi) == stockee; }

} // namespace MotDePasse
