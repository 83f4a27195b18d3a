// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QMdiArea>
#include <QPixmap>
#include <QSize>

// L'espace de travail de la fenêtre principale, avec son fond peint : illustration en bas
// à gauche, titre en haut à droite avec le numéro de version ombré, logo en bas à droite.
class MyMdiArea : public QMdiArea
{
    Q_OBJECT
public:
    explicit MyMdiArea(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* evenement) override;

private:
    // Une image du fond, sa taille en points et sa variante « @2x » (fichier deux fois plus
    // grand) : à chaque densité d'écran, l'image rendue a un pixel par pixel de l'écran.
    struct ImageFond {
        explicit ImageFond(const QString& chemin);
        QPixmap pour(qreal densite) const { return image.pixmap(taille, densite); }
        QIcon image;
        QSize taille;
    };
    ImageFond illustration;
    ImageFond titre;
    ImageFond logo;
};
