// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/commun/mystyle.h"

#include <QHeaderView>
#include <QPainter>
#include <QStyleOptionHeader>
#include <QTextDocument>
#include <QTextDocumentFragment>

MyStyle::MyStyle() : QProxyStyle(nullptr) {}

QString MyStyle::texteBrutBulle(const QString& bulle)
{
    if (!Qt::mightBeRichText(bulle))
        return {};
    QString texte = QTextDocumentFragment::fromHtml(bulle).toPlainText();
    texte.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return texte.trimmed();
}

void MyStyle::polish(QWidget* widget)
{
    QProxyStyle::polish(widget);
    // Sans description, un lecteur d'écran prend la bulle telle quelle, balises comprises.
    if (widget->accessibleDescription().isEmpty())
        if (const QString texte = texteBrutBulle(widget->toolTip()); !texte.isEmpty())
            widget->setAccessibleDescription(texte);
}

QPair<QString, QString> MyStyle::lignesLibelle(const QString& libelle)
{
    const int barre = libelle.indexOf(QLatin1Char('|'));
    if (barre < 0)
        return {libelle, QString()};
    return {libelle.left(barre), libelle.mid(barre + 1)};
}

void MyStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                          const QWidget* widget) const
{
    const auto* entete = qobject_cast<const QHeaderView*>(widget);
    const auto* opt = qstyleoption_cast<const QStyleOptionHeader*>(option);
    if (element != CE_HeaderLabel || !entete || !opt || opt->textAlignment != Qt::AlignBaseline) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }

    const QRect rect = opt->rect;
    const int drapeaux = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;

    if (opt->orientation == Qt::Horizontal) {
        painter->save();
        painter->translate(rect.left(), rect.bottom());
        painter->rotate(-90);
        painter->drawText(QRect(0, 0, rect.height(), rect.width()), drapeaux, opt->text);
        painter->restore();
        return;
    }

    const auto [premiere, seconde] = lignesLibelle(opt->text);
    QFont police = painter->font();
    int hauteurPremiere = 0;
    if (!premiere.isEmpty()) {
        police.setWeight(QFont::Bold);
        painter->setFont(police);
        QRect occupe;
        painter->drawText(rect, drapeaux, premiere, &occupe);
        hauteurPremiere = occupe.height();
        police.setWeight(QFont::Normal);
        painter->setFont(police);
    }
    int hauteurSeconde = 0;
    if (!seconde.isEmpty()) {
        QRect occupe;
        painter->drawText(rect.translated(0, hauteurPremiere), drapeaux, seconde, &occupe);
        hauteurSeconde = occupe.height();
    }
    const int total = hauteurPremiere + hauteurSeconde;
    if (rect.height() < total)
        const_cast<QHeaderView*>(entete)->resizeSection(opt->section, total + 10);
}
