// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "gui/commun/diaapercu.h"
#include "support/pdf.h"

#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>

// Les pages d'un aperçu, dessinées par sa propre source (celle qui fait ses images) dans un PDF
// à la résolution de l'imprimante, puis relues : le texte de chaque page montrée, à comparer
// page par page avec ce que l'impression a écrit.
namespace Apercu {

inline QStringList pages(diaApercu& apercu, const QString& chemin)
{
    if (apercu.nombre() == 0)
        return {};
    {
        QPdfWriter pdf(chemin);
        pdf.setResolution(1200);
        const QSizeF taille = apercu.source().taille(0);
        const bool paysage = taille.width() > taille.height();
        pdf.setPageLayout(QPageLayout(QPageSize(paysage ? taille.transposed() : taille, QPageSize::Point),
                                      paysage ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF()));
        QPainter peintre(&pdf);
        for (int page = 0; page < apercu.nombre(); ++page) {
            if (page > 0)
                pdf.newPage();
            peintre.save();
            static_cast<void>(apercu.source().dessiner(peintre, page));
            peintre.restore();
        }
    }
    return Pdf::pages(chemin);
}

// Le texte des pages, blancs resserrés : la même page se relit de même, d'où qu'elle vienne.
inline QStringList resserrees(const QStringList& pages)
{
    QStringList resultat;
    for (const QString& page : pages)
        resultat << page.simplified();
    return resultat;
}

} // namespace Apercu
