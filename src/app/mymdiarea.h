#pragma once

#include <QMdiArea>
#include <QPixmap>

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
    QPixmap illustration;
    QPixmap titre;
    QPixmap logo;
};
