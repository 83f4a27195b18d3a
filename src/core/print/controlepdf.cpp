// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/print/controlepdf.h"

#include <QByteArray>
#include <QFile>
#include <QRegularExpression>

namespace ControlePdf {

bool complet(const QString& chemin)
{
    QFile fichier(chemin);
    if (!fichier.open(QIODevice::ReadOnly))
        return false;
    const qint64 taille = fichier.size();
    if (taille < 32 || !fichier.read(5).startsWith("%PDF-"))
        return false;

    // La fin : « startxref », la position, « %%EOF », quelques fins de ligne au plus.
    const qint64 longueurFin = std::min<qint64>(taille, 1024);
    if (!fichier.seek(taille - longueurFin))
        return false;
    const QByteArray fin = fichier.read(longueurFin);
    static const QRegularExpression motifFin(QStringLiteral("startxref\\s+(\\d+)\\s+%%EOF\\s*$"));
    const QRegularExpressionMatch trouve = motifFin.match(QString::fromLatin1(fin));
    if (!trouve.hasMatch())
        return false;
    bool lu = false;
    const qint64 position = trouve.captured(1).toLongLong(&lu);
    if (!lu || position <= 0 || position >= taille - longueurFin + trouve.capturedStart(0))
        return false;

    // La table des renvois (ou son flux, « n 0 obj ») là où la fin la situe.
    if (!fichier.seek(position))
        return false;
    const QByteArray debut = fichier.read(32);
    static const QRegularExpression motifTable(QStringLiteral("^(xref\\s|\\d+\\s+\\d+\\s+obj\\b)"));
    return motifTable.match(QString::fromLatin1(debut)).hasMatch();
}

} // namespace ControlePdf
