// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QWidget>

// Indicateur d'activité : douze barres arrondies disposées autour d'un centre, dont
// l'opacité décroît le long du cercle ; le motif tourne d'un cran à chaque tic de la
// minuterie. Le dialogue d'attente en montre un pendant les longues opérations.
class QProgressIndicator : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int delay READ animationDelay WRITE setAnimationDelay)
    Q_PROPERTY(bool displayedWhenStopped READ isDisplayedWhenStopped WRITE setDisplayedWhenStopped)
    Q_PROPERTY(QColor color READ color WRITE setColor)

public:
    // Dimensions des barres, en pixels, pour un indicateur de côté donné. Les barres sont
    // dessinées dans un repère centré sur le widget, pointées vers le haut avant rotation.
    struct GeometrieBarres {
        int rayonInterieur; // distance du centre au pied de chaque barre
        int longueur;       // hauteur d'une barre
        int largeur;        // épaisseur d'une barre
        int arrondi;        // rayon des coins, sur les deux axes
        int gauche;         // bord gauche de la barre dans le repère centré
        int haut;           // bord haut de la barre dans le repère centré
    };

    // `cote` : le plus petit des deux côtés du widget.
    static GeometrieBarres geometrie(int cote);

    explicit QProgressIndicator(QWidget* parent = nullptr);

    int animationDelay() const { return delai; }
    bool isAnimated() const { return idMinuterie != -1; }
    bool isDisplayedWhenStopped() const { return afficheALArret; }
    const QColor& color() const { return couleur; }

    // Rotation courante du motif, en degrés (de 0 à 330).
    int angleCourant() const { return angle; }
    // Identifiant de la minuterie d'animation, -1 quand elle ne tourne pas.
    int minuterie() const { return idMinuterie; }

    QSize sizeHint() const override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int largeur) const override;

public slots:
    void startAnimation();
    void stopAnimation();
    void setAnimationDelay(int delai);
    void setDisplayedWhenStopped(bool afficher);
    void setColor(const QColor& couleur);

protected:
    void timerEvent(QTimerEvent* evenement) override;
    void paintEvent(QPaintEvent* evenement) override;

private:
    int angle = 0;
    int idMinuterie = -1;
    int delai = 40;
    bool afficheALArret = false;
    QColor couleur = Qt::black;
};
