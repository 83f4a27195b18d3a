// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProxyStyle>

// Style de l'application : celui de la plateforme, sauf le libellé des en-têtes de grille
// qui le demandent en donnant à leur texte l'alignement Qt::AlignBaseline seul. En-tête
// horizontal : texte tourné d'un quart de tour (lu de bas en haut). En-tête vertical :
// « NOM|Prénom » sur deux lignes, la première en gras ; la section grandit au besoin.
class MyStyle : public QProxyStyle
{
    Q_OBJECT
public:
    MyStyle();

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;

    // Les deux lignes d'un libellé d'en-tête vertical, coupé à son premier « | ».
    static QPair<QString, QString> lignesLibelle(const QString& libelle);
};
