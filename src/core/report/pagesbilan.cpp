// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/report/pagesbilan.h"

#include <QAbstractTextDocumentLayout>
#include <QPaintDevice>
#include <QPainter>
#include <QTextDocument>

#include <algorithm>

PagesBilan::PagesBilan(const QTextDocument& document, QPaintDevice* appareil)
    : copie(document.clone()), taille(appareil->width(), appareil->height())
{
    // Tout se mesure en points de l'appareil : les polices sont mises en page à sa résolution,
    // les marges sont les nôtres (le document n'en garde aucune).
    marge = 2.0 / 2.54 * appareil->logicalDpiX();
    const qreal points = copie->defaultFont().pointSizeF() > 0 ? copie->defaultFont().pointSizeF() : 10;
    pixelsPied = std::max(1, qRound(points * appareil->logicalDpiY() / 72.0));
    copie->documentLayout()->setPaintDevice(appareil);
    copie->setDocumentMargin(0);
    copie->setPageSize(QSizeF(std::max<qreal>(1, taille.width() - 2 * marge),
                              std::max<qreal>(1, taille.height() - 2 * marge)));
}

PagesBilan::~PagesBilan() = default;

int PagesBilan::nombre() const
{
    return copie->pageCount();
}

void PagesBilan::dessiner(QPainter& peintre, int page) const
{
    const QSizeF corps = copie->pageSize();
    peintre.save();
    // La page `page` du long ruban mis en page, amenée dans le cadre bordé de la marge.
    peintre.setWorldTransform(QTransform::fromTranslate(marge, marge - page * corps.height()), true);
    const QRectF vue(0, page * corps.height(), corps.width(), corps.height());
    peintre.setClipRect(vue, Qt::IntersectClip);
    QAbstractTextDocumentLayout::PaintContext contexte;
    // La première ligne de la page suivante commence juste au bord : elle n'est pas de cette
    // page (sinon, masquée, elle serait tout de même dans le texte du PDF).
    contexte.clip = vue.adjusted(0, 0, 0, -0.5);
    contexte.palette.setColor(QPalette::Text, Qt::black);
    copie->documentLayout()->draw(&peintre, contexte);
    peintre.restore();

    peintre.save();
    QFont police = copie->defaultFont();
    police.setPixelSize(pixelsPied);
    peintre.setFont(police);
    peintre.setPen(Qt::black);
    peintre.drawText(QRectF(marge, taille.height() - marge, corps.width(), marge / 2),
                     Qt::AlignRight | Qt::AlignVCenter,
                     QStringLiteral("%1 / %2").arg(page + 1).arg(nombre()));
    peintre.restore();
}
