// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcess>
#include <QStringList>

namespace Pdf {

// Le texte de chaque page d'un PDF, lu par pdftotext (mise en page gardée).
inline QStringList pages(const QString& chemin)
{
    QProcess processus;
    processus.start("pdftotext", {"-layout", chemin, "-"});
    processus.waitForFinished();
    QStringList pages = QString::fromUtf8(processus.readAllStandardOutput()).split('\f');
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

} // namespace Pdf
