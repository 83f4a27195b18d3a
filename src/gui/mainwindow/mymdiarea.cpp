// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/mainwindow/mymdiarea.h"

#include "core/commun/application.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

MyMdiArea::ImageFond::ImageFond(const QString& chemin)
{
    const QPixmap simple(chemin);
    taille = simple.size();
    image.addPixmap(simple);
    // Ajoutée quelle que soit la densité de l'écran au démarrage : la fenêtre peut passer
    // ensuite sur un écran plus dense. Elle entre comme une taille de plus, sans sa densité
    // de 2 : QIcon choisit alors par la taille en pixels, et à 1,5 il réduit la variante au
    // lieu d'agrandir l'image simple.
    QPixmap variante(chemin + QStringLiteral("@2x"));
    variante.setDevicePixelRatio(1);
    image.addPixmap(variante);
}

MyMdiArea::MyMdiArea(QWidget* parent)
    : QMdiArea(parent), illustration(QStringLiteral(":images/illustration")),
      titre(QStringLiteral(":images/titre")), logo(QStringLiteral(":images/logo"))
{
}

void MyMdiArea::paintEvent(QPaintEvent* evenement)
{
    QPainter peintre(viewport());
    const int largeur = viewport()->width();
    const int hauteur = viewport()->height();
    const qreal densite = viewport()->devicePixelRatio();

    peintre.fillRect(evenement->rect(), QColor(221, 214, 255));
    peintre.drawPixmap(10, std::max(0, hauteur - illustration.taille.height()), illustration.pour(densite));

    const int xTitre = std::max(0, largeur - 10 - titre.taille.width());
    peintre.drawPixmap(xTitre, 10, titre.pour(densite));

    QFont police(QStringLiteral("Arial"), 12, QFont::Bold, true);
    peintre.setFont(police);
    const QString version = tr("Version ") + Application::VERSION_AFFICHEE;
    const int tx = xTitre + titre.taille.width() - 20 - peintre.fontMetrics().horizontalAdvance(version);
    const int ty = titre.taille.height() + 25;
    peintre.setPen(QColor(128, 128, 128));
    peintre.drawText(tx, ty, version);
    peintre.setPen(QColor(0, 0, 128));
    peintre.drawText(tx - 2, ty - 2, version);

    peintre.drawPixmap(std::max(0, largeur - 10 - logo.taille.width()),
                       std::max(0, hauteur - 10 - logo.taille.height()), logo.pour(densite));
}
