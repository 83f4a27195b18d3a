// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProxyStyle>

// Style de l'application : celui de la plateforme, sauf le libellé des en-têtes de grille
// qui le demandent en donnant à leur texte l'alignement Qt::AlignBaseline seul. En-tête
// horizontal : texte tourné d'un quart de tour (lu de bas en haut). En-tête vertical :
// « NOM|Prénom » sur deux lignes, la première en gras ; la section grandit au besoin.
// Il donne aussi à chaque widget dont la bulle est en texte enrichi une description en texte
// brut pour les lecteurs d'écran, qui liraient sinon les balises de la bulle.
class MyStyle : public QProxyStyle
{
    Q_OBJECT
public:
    MyStyle();

    void polish(QWidget* widget) override;
    using QProxyStyle::polish;

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;

    // Les deux lignes d'un libellé d'en-tête vertical, coupé à son premier « | ».
    static QPair<QString, QString> lignesLibelle(const QString& libelle);
    // Le texte brut d'une bulle en texte enrichi (une ligne par ligne de la bulle) ; vide
    // quand la bulle est déjà en texte brut.
    static QString texteBrutBulle(const QString& bulle);
};
