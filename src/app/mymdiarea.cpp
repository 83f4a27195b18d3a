#include "app/mymdiarea.h"

#include "app/application.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

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

    peintre.fillRect(evenement->rect(), QColor(221, 214, 255));
    peintre.drawPixmap(10, std::max(0, hauteur - illustration.height()), illustration);

    const int xTitre = std::max(0, largeur - 10 - titre.width());
    peintre.drawPixmap(xTitre, 10, titre);

    QFont police(QStringLiteral("Arial"), 12, QFont::Bold, true);
    peintre.setFont(police);
    const QString version = tr("Version ") + Application::VERSION_AFFICHEE;
    const int tx = xTitre + titre.width() - 20 - peintre.fontMetrics().horizontalAdvance(version);
    const int ty = titre.height() + 25;
    peintre.setPen(QColor(128, 128, 128));
    peintre.drawText(tx, ty, version);
    peintre.setPen(QColor(0, 0, 128));
    peintre.drawText(tx - 2, ty - 2, version);

    peintre.drawPixmap(std::max(0, largeur - 10 - logo.width()), std::max(0, hauteur - 10 - logo.height()), logo);
}
