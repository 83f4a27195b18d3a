// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/commun/textesimportes.h"

namespace TextesImportes {

QString nettoyer(const QString& texte, bool* retire)
{
    QString propre;
    propre.reserve(texte.size());
    bool change = false;
    for (const QChar c : texte) {
        if (c.category() != QChar::Other_Control) {
            propre += c;
            continue;
        }
        change = true;
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r') ||
            c == QLatin1Char('\v') || c == QLatin1Char('\f'))
            propre += QLatin1Char(' ');
    }
    if (retire && change)
        *retire = true;
    return change ? propre : texte;
}

} // namespace TextesImportes
