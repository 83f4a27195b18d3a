// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/commun/qprogressindicator.h"

#include <QPainter>
#include <QTimerEvent>

#include <algorithm>

namespace {

constexpr int NOMBRE_BARRES = 12;
constexpr int PAS_DEGRES = 360 / NOMBRE_BARRES; // 30 degrés par cran

} // namespace

QProgressIndicator::GeometrieBarres QProgressIndicator::geometrie(int cote)
{
    // Les arrondis se font à l'entier le plus proche (0,5 vers le haut).
    const double rayonExterieur = (cote - 1) * 0.5;
    GeometrieBarres g{};
    g.rayonInterieur = qRound(rayonExterieur * 0.38);
    g.longueur = qRound(rayonExterieur) - g.rayonInterieur;
    // Au-delà de 32 pixels, des barres plus fines.
    g.largeur = qRound(g.longueur * (cote > 32 ? 0.23 : 0.35));
    g.arrondi = g.largeur / 2;
    g.gauche = -qRound(g.largeur * 0.5);
    g.haut = -(g.rayonInterieur + g.longueur);
    return g;
}

QProgressIndicator::QProgressIndicator(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::NoFocus);
}

QSize QProgressIndicator::sizeHint() const
{
    return QSize(20, 20);
}

bool QProgressIndicator::hasHeightForWidth() const
{
    return true;
}

int QProgressIndicator::heightForWidth(int largeur) const
{
    return largeur;
}

void QProgressIndicator::startAnimation()
{
    angle = 0;
    if (idMinuterie == -1)
        idMinuterie = startTimer(delai);
}

void QProgressIndicator::stopAnimation()
{
    if (idMinuterie != -1)
        killTimer(idMinuterie);
    idMinuterie = -1;
    update();
}

void QProgressIndicator::setAnimationDelay(int nouveauDelai)
{
    const bool tournait = idMinuterie != -1;
    if (tournait)
        killTimer(idMinuterie);
    idMinuterie = -1;
    delai = nouveauDelai;
    // Une minuterie qui tournait repart aussitôt avec le nouveau délai ; un indicateur
    // arrêté le reste.
    if (tournait)
        idMinuterie = startTimer(delai);
}

void QProgressIndicator::setDisplayedWhenStopped(bool afficher)
{
    afficheALArret = afficher;
    update();
}

void QProgressIndicator::setColor(const QColor& nouvelleCouleur)
{
    couleur = nouvelleCouleur;
    update();
}

void QProgressIndicator::timerEvent(QTimerEvent* evenement)
{
    if (evenement->timerId() != idMinuterie || idMinuterie == -1) {
        QWidget::timerEvent(evenement);
        return;
    }
    angle = (angle + PAS_DEGRES) % 360;
    update();
}

void QProgressIndicator::paintEvent(QPaintEvent*)
{
    if (!afficheALArret && !isAnimated())
        return;

    const int cote = std::min(width(), height());
    const GeometrieBarres g = geometrie(cote);

    QPainter peintre(this);
    peintre.setRenderHint(QPainter::Antialiasing);
    peintre.setPen(Qt::NoPen);

    for (int i = 0; i < NOMBRE_BARRES; ++i) {
        // La barre de tête est opaque, les suivantes de plus en plus transparentes.
        QColor teinte = couleur;
        teinte.setAlphaF(static_cast<float>(1.0 - static_cast<double>(i) / NOMBRE_BARRES));
        peintre.setBrush(teinte);

        peintre.save();
        peintre.translate((width() - 1) / 2, (height() - 1) / 2);
        peintre.rotate(angle - PAS_DEGRES * i);
        peintre.drawRoundedRect(g.gauche, g.haut, g.largeur, g.longueur, g.arrondi, g.arrondi);
        peintre.restore();
    }
}
