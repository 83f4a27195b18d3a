// SPDX-License-Identifier: GPL-3.0-or-later
// Générateur des images de Quorvel.
//
// Dessine avec QPainter toutes les images propres au programme et les
// enregistre en PNG dans le dossier donné en argument (normalement
// src/resources/) :
//   images/illustration.png, images/titre.png, images/logo.png
//       (fond de l'espace de travail de la fenêtre principale) ;
//   livret/imprimante_bac_haut.png, livret/imprimante_bac_bas.png
//       (schémas du recto/verso manuel dans la boîte d'impression) ;
//   icones/A4.png, icones/A5.png (orientation des pages) ;
//       chacune avec sa variante « @2x » (titre@2x.png...), deux fois plus
//       grande, que Qt prend sur un écran à double densité ;
//   livret/titre_livret_couleur.png, livret/titre_livret_nb.png,
//   livret/titre_petit_couleur.png, livret/titre_petit_nb.png
//       (titres imprimés sur les pages du livret) et livret/bleu.png,
//       orange.png, vert.png, gris.png (barres de couleur unie), à 300
//       pixels par pouce pour la taille où les pages les impriment.
// Avec le dossier du thème d'icônes Oxygen en second argument, il y copie
// aussi les icônes des menus et des fenêtres (menus/, icones/), avec leur
// variante « @2x » prise dans une plus grande taille du thème quand elle
// rend l'icône plus nette (voir copierIcones).
//
// Utilisation : QT_QPA_PLATFORM=offscreen generateur_images <dossier>
//                   [/usr/share/icons/oxygen/base]
// Les polices viennent de fontconfig (Liberation Sans, paquet
// fonts-liberation2, ou à défaut Arial).

#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <QTransform>

#include <cmath>

namespace {

// Couleurs des paliers du livret.
const QColor kBleu(0, 172, 239);
const QColor kOrange(249, 177, 23);
const QColor kVert(186, 210, 31);
const QColor kGris(150, 150, 150);

// Bleu foncé de l'identité du programme (titre, logo).
const QColor kBleuNuit(22, 58, 128);

constexpr qreal kPi = 3.14159265358979323846;

QString g_dossier;
int g_erreurs = 0;

// ---------------------------------------------------------------------------
// Outils généraux
// ---------------------------------------------------------------------------

QFont police(int pixels, bool gras = false, bool italique = false)
{
    QFont f(QStringLiteral("Liberation Sans"));
    f.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixels);
    f.setWeight(gras ? QFont::Bold : QFont::Normal);
    f.setItalic(italique);
    return f;
}

// Toile de largeur × hauteur points, à `echelle` pixels par point (2 pour la variante
// « @2x » des écrans à double densité).
QImage imageVide(int largeur, int hauteur, qreal echelle = 1, const QColor& fond = Qt::transparent)
{
    QImage img(qRound(largeur * echelle), qRound(hauteur * echelle), QImage::Format_ARGB32_Premultiplied);
    img.fill(fond);
    return img;
}

// Lissage, et dessin en points : l'échelle passe de la toile au peintre.
void preparer(QPainter& p, qreal echelleX = 1, qreal echelleY = 1)
{
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    p.scale(echelleX, echelleY);
}

bool estOpaque(const QImage& img)
{
    const QImage argb = img.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const QRgb* ligne = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            if (qAlpha(ligne[x]) != 255)
                return false;
        }
    }
    return true;
}

// Enregistre l'image sous <dossier>/<chemin> ; une image entièrement opaque
// est écrite sans couche alpha.
void enregistrer(const QImage& img, const QString& chemin)
{
    const QString complet = QDir(g_dossier).filePath(chemin);
    QDir().mkpath(QFileInfo(complet).absolutePath());
    QImage sortie;
    if (img.format() == QImage::Format_Grayscale8)
        sortie = img;
    else if (estOpaque(img))
        sortie = img.convertToFormat(QImage::Format_RGB32);
    else
        sortie = img.convertToFormat(QImage::Format_ARGB32);
    QTextStream out(stdout);
    if (!sortie.save(complet, "PNG", 9)) {
        QTextStream(stderr) << "Impossible d'écrire " << complet << "\n";
        ++g_erreurs;
        return;
    }
    out << chemin << " (" << sortie.width() << " x " << sortie.height() << ")\n";
}

// Passage en niveaux de gris (luminance), la transparence est conservée.
QImage enGris(const QImage& source)
{
    const QImage argb = source.convertToFormat(QImage::Format_ARGB32);
    if (estOpaque(argb)) {
        QImage gris(argb.size(), QImage::Format_Grayscale8);
        for (int y = 0; y < argb.height(); ++y) {
            const QRgb* src = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
            uchar* dst = gris.scanLine(y);
            for (int x = 0; x < argb.width(); ++x)
                dst[x] = static_cast<uchar>(qGray(src[x]));
        }
        return gris;
    }
    QImage res = argb;
    for (int y = 0; y < res.height(); ++y) {
        QRgb* ligne = reinterpret_cast<QRgb*>(res.scanLine(y));
        for (int x = 0; x < res.width(); ++x) {
            const int g = qGray(ligne[x]);
            ligne[x] = qRgba(g, g, g, qAlpha(ligne[x]));
        }
    }
    return res;
}

// Chemin d'un texte dont la ligne de base est en (0, 0).
QPainterPath cheminTexte(const QString& texte, const QFont& f)
{
    QPainterPath chemin;
    chemin.addText(0, 0, f, texte);
    return chemin;
}

// Point d'une courbe de Bézier cubique.
QPointF bezier(const QPointF& p0, const QPointF& p1, const QPointF& p2, const QPointF& p3, qreal t)
{
    const qreal u = 1.0 - t;
    return p0 * (u * u * u) + p1 * (3 * u * u * t) + p2 * (3 * u * t * t) + p3 * (t * t * t);
}

// Tête de flèche pleine au point `pointe`, orientée selon `direction`.
QPolygonF teteFleche(const QPointF& pointe, const QPointF& direction, qreal longueur, qreal demiLargeur)
{
    const qreal n = std::hypot(direction.x(), direction.y());
    const QPointF d = n > 0 ? direction / n : QPointF(1, 0);
    const QPointF perp(-d.y(), d.x());
    const QPointF base = pointe - d * longueur;
    return QPolygonF() << pointe << base + perp * demiLargeur << base - perp * demiLargeur;
}

// Flèche courbe (cubique) terminée par une tête pleine, avec un liseré clair
// qui la détache de ce qu'elle recouvre.
void dessinerFlecheCourbe(QPainter& p, const QPointF& a, const QPointF& c1, const QPointF& c2,
                          const QPointF& b, const QColor& couleur, qreal epaisseur)
{
    const QPointF direction = b - c2;
    const qreal n = std::hypot(direction.x(), direction.y());
    const QPointF d = direction / n;
    const qreal longueurTete = epaisseur * 3.2;
    // La tige s'arrête sous la tête de flèche.
    const QPointF finTige = b - d * (longueurTete * 0.6);
    QPainterPath tige(a);
    tige.cubicTo(c1, c2, finTige);
    const QPolygonF tete = teteFleche(b, direction, longueurTete, epaisseur * 2.0);

    p.save();
    QPen lisere(QColor(255, 255, 255, 200), epaisseur + 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(lisere);
    p.setBrush(Qt::NoBrush);
    p.drawPath(tige);
    p.setBrush(QColor(255, 255, 255, 200));
    p.drawPolygon(tete);

    p.setPen(QPen(couleur, epaisseur, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(tige);
    p.setPen(QPen(couleur, 0.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(couleur);
    p.drawPolygon(tete);
    p.restore();
}

// ---------------------------------------------------------------------------
// Éléments de dessin réutilisés
// ---------------------------------------------------------------------------

// Crayon à papier posé le long de l'axe des x : la mine est en (0, 0),
// la gomme au bout, en x = longueur.
void dessinerCrayon(QPainter& p, const QPointF& pointe, qreal angle, qreal longueur, qreal largeur)
{
    const qreal h = largeur / 2;
    const qreal cone = largeur * 1.7;
    const qreal gomme = largeur * 1.1;
    const qreal virole = largeur * 0.8;
    const qreal finCorps = longueur - gomme - virole;

    p.save();
    p.translate(pointe);
    p.rotate(angle);

    // Ombre portée sur la page.
    {
        p.save();
        p.translate(3, 4);
        QPainterPath ombre;
        ombre.moveTo(0, 0);
        ombre.lineTo(cone, -h);
        ombre.lineTo(longueur - h * 0.6, -h);
        ombre.quadTo(longueur, -h, longueur, 0);
        ombre.quadTo(longueur, h, longueur - h * 0.6, h);
        ombre.lineTo(cone, h);
        ombre.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 30, 80, 55));
        p.drawPath(ombre);
        p.restore();
    }

    // Bois taillé.
    QPolygonF bois;
    bois << QPointF(0, 0) << QPointF(cone, -h) << QPointF(cone, h);
    QLinearGradient gBois(0, -h, 0, h);
    gBois.setColorAt(0, QColor(246, 222, 184));
    gBois.setColorAt(1, QColor(214, 172, 120));
    p.setPen(QPen(QColor(160, 120, 70), 0.8));
    p.setBrush(gBois);
    p.drawPolygon(bois);

    // Mine.
    const qreal mine = cone * 0.36;
    QPolygonF graphite;
    graphite << QPointF(0, 0) << QPointF(mine, -h * 0.36) << QPointF(mine, h * 0.36);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(55, 55, 65));
    p.drawPolygon(graphite);

    // Corps hexagonal : trois facettes.
    const QRectF corps(cone, -h, finCorps - cone, largeur);
    const qreal tiers = largeur / 3;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 221, 92));
    p.drawRect(QRectF(corps.left(), -h, corps.width(), tiers));
    p.setBrush(QColor(250, 190, 30));
    p.drawRect(QRectF(corps.left(), -h + tiers, corps.width(), tiers));
    p.setBrush(QColor(222, 152, 12));
    p.drawRect(QRectF(corps.left(), -h + 2 * tiers, corps.width(), tiers));
    // Bord dentelé du bois au départ de la peinture.
    QPainterPath dentelle;
    dentelle.moveTo(cone, -h);
    for (int i = 0; i < 3; ++i) {
        const qreal y0 = -h + i * tiers;
        dentelle.quadTo(cone - tiers * 0.55, y0 + tiers / 2, cone, y0 + tiers);
    }
    dentelle.closeSubpath();
    p.setBrush(QColor(250, 190, 30));
    p.drawPath(dentelle);
    p.setPen(QPen(QColor(170, 110, 0), 0.8));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(cone, -h), QPointF(finCorps, -h));
    p.drawLine(QPointF(cone, h), QPointF(finCorps, h));

    // Virole métallique.
    const QRectF metal(finCorps, -h - 0.5, virole, largeur + 1);
    QLinearGradient gMetal(0, -h, 0, h);
    gMetal.setColorAt(0, QColor(238, 238, 242));
    gMetal.setColorAt(0.45, QColor(170, 172, 182));
    gMetal.setColorAt(1, QColor(120, 122, 132));
    p.setPen(QPen(QColor(100, 100, 110), 0.7));
    p.setBrush(gMetal);
    p.drawRect(metal);
    p.setPen(QPen(QColor(110, 110, 120), 0.8));
    p.drawLine(QPointF(finCorps + virole * 0.33, -h), QPointF(finCorps + virole * 0.33, h));
    p.drawLine(QPointF(finCorps + virole * 0.66, -h), QPointF(finCorps + virole * 0.66, h));

    // Gomme arrondie.
    QPainterPath bout;
    const qreal x0 = finCorps + virole;
    bout.moveTo(x0, -h);
    bout.lineTo(longueur - h * 0.6, -h);
    bout.quadTo(longueur, -h, longueur, 0);
    bout.quadTo(longueur, h, longueur - h * 0.6, h);
    bout.lineTo(x0, h);
    bout.closeSubpath();
    QLinearGradient gGomme(0, -h, 0, h);
    gGomme.setColorAt(0, QColor(255, 170, 178));
    gGomme.setColorAt(1, QColor(220, 100, 115));
    p.setPen(QPen(QColor(180, 80, 95), 0.7));
    p.setBrush(gGomme);
    p.drawPath(bout);

    p.restore();
}

// Pomme (rouge, avec queue et feuille) centrée en `c`, de rayon r.
void dessinerPomme(QPainter& p, const QPointF& c, qreal r)
{
    const qreal x = c.x();
    const qreal y = c.y();
    QPainterPath pomme;
    pomme.moveTo(x, y - 0.62 * r);
    pomme.cubicTo(x + 0.35 * r, y - 1.05 * r, x + 1.05 * r, y - 0.9 * r, x + 1.0 * r, y - 0.1 * r);
    pomme.cubicTo(x + 0.97 * r, y + 0.55 * r, x + 0.58 * r, y + 1.0 * r, x + 0.28 * r, y + 0.97 * r);
    pomme.cubicTo(x + 0.12 * r, y + 0.94 * r, x - 0.12 * r, y + 0.94 * r, x - 0.28 * r, y + 0.97 * r);
    pomme.cubicTo(x - 0.58 * r, y + 1.0 * r, x - 0.97 * r, y + 0.55 * r, x - 1.0 * r, y - 0.1 * r);
    pomme.cubicTo(x - 1.05 * r, y - 0.9 * r, x - 0.35 * r, y - 1.05 * r, x, y - 0.62 * r);
    pomme.closeSubpath();

    // Queue.
    QPainterPath queue(QPointF(x, y - 0.55 * r));
    queue.cubicTo(x, y - 0.8 * r, x + 0.05 * r, y - 0.95 * r, x + 0.18 * r, y - 1.12 * r);
    p.setPen(QPen(QColor(110, 70, 30), r * 0.09, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(queue);

    QRadialGradient g(QPointF(x - 0.35 * r, y - 0.35 * r), 1.5 * r);
    g.setColorAt(0, QColor(255, 120, 105));
    g.setColorAt(0.45, QColor(220, 35, 40));
    g.setColorAt(1, QColor(140, 10, 25));
    p.setPen(QPen(QColor(125, 15, 25), 1.0));
    p.setBrush(g);
    p.drawPath(pomme);

    // Reflet.
    p.save();
    p.translate(x - 0.48 * r, y - 0.3 * r);
    p.rotate(-35);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 130));
    p.drawEllipse(QRectF(-0.12 * r, -0.28 * r, 0.24 * r, 0.56 * r));
    p.restore();

    // Feuille.
    p.save();
    p.translate(x + 0.08 * r, y - 0.78 * r);
    p.rotate(-28);
    QPainterPath feuille;
    feuille.moveTo(0, 0);
    feuille.quadTo(0.35 * r, -0.32 * r, 0.8 * r, -0.05 * r);
    feuille.quadTo(0.4 * r, 0.22 * r, 0, 0);
    QLinearGradient gf(0, -0.3 * r, 0, 0.2 * r);
    gf.setColorAt(0, QColor(140, 205, 60));
    gf.setColorAt(1, QColor(60, 140, 30));
    p.setPen(QPen(QColor(50, 110, 25), 0.9));
    p.setBrush(gf);
    p.drawPath(feuille);
    p.setPen(QPen(QColor(50, 110, 25, 160), 0.8));
    p.drawLine(QPointF(0.05 * r, 0), QPointF(0.65 * r, -0.06 * r));
    p.restore();
}

// Coche (✓) tracée au trait.
void dessinerCoche(QPainter& p, const QPointF& bas, qreal taille, const QColor& couleur, qreal epaisseur)
{
    QPainterPath coche(bas + QPointF(-0.45 * taille, -0.45 * taille));
    coche.lineTo(bas);
    coche.lineTo(bas + QPointF(0.75 * taille, -taille));
    p.setPen(QPen(couleur, epaisseur, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(coche);
}

// ---------------------------------------------------------------------------
// images/illustration.png : livret ouvert, pomme et crayon
// ---------------------------------------------------------------------------

QImage illustration(qreal echelle)
{
    const int L = 250;
    QImage img = imageVide(L, L, echelle);
    QPainter p(&img);
    preparer(p, echelle, echelle);

    // Ombre au sol.
    {
        QRadialGradient g(QPointF(125, 232), 118);
        g.setColorAt(0, QColor(60, 40, 120, 90));
        g.setColorAt(1, QColor(60, 40, 120, 0));
        p.save();
        p.translate(125, 232);
        p.scale(1.0, 0.13);
        p.translate(-125, -232);
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawEllipse(QPointF(125, 232), 118, 118);
        p.restore();
    }

    dessinerPomme(p, QPointF(56, 56), 33);

    // Géométrie d'une page : bord haut (de l'extérieur vers le dos),
    // le bord bas est le même décalé de `hauteur`.
    const QPointF h0(20, 92), h1(48, 80), h2(98, 86), h3(125, 104);
    const qreal hauteur = 116;
    auto miroir = [](const QPointF& pt) { return QPointF(250 - pt.x(), pt.y()); };
    auto page = [&](qreal dx, qreal dy, qreal marge, bool droite) {
        auto t = [&](const QPointF& pt) {
            const QPointF q = pt + QPointF(dx, dy);
            return droite ? miroir(q) : q;
        };
        QPainterPath chemin;
        chemin.moveTo(t(h3 + QPointF(0, -marge * 0.2)));
        chemin.cubicTo(t(h2 + QPointF(0, -marge)), t(h1 + QPointF(-marge, -marge)),
                       t(h0 + QPointF(-marge, -marge)));
        chemin.lineTo(t(h0 + QPointF(-marge, hauteur + marge)));
        chemin.cubicTo(t(h1 + QPointF(-marge, hauteur + marge)), t(h2 + QPointF(0, hauteur + marge)),
                       t(h3 + QPointF(0, hauteur + marge)));
        chemin.closeSubpath();
        return chemin;
    };

    // Couverture.
    for (bool droite : {false, true}) {
        QLinearGradient g(0, 80, 0, 230);
        g.setColorAt(0, QColor(40, 110, 190));
        g.setColorAt(1, QColor(20, 62, 130));
        p.setPen(QPen(QColor(15, 45, 100), 1.2));
        p.setBrush(g);
        p.drawPath(page(0, 4, 7, droite));
    }

    // Épaisseur du cahier : quelques feuilles en dessous.
    for (int k = 3; k >= 1; --k) {
        for (bool droite : {false, true}) {
            p.setPen(QPen(QColor(170, 170, 190), 0.8));
            p.setBrush(QColor(236, 236, 244));
            p.drawPath(page(0, k * 1.6, 0, droite));
        }
    }

    // Pages du dessus, légèrement ombrées vers le dos.
    for (bool droite : {false, true}) {
        QLinearGradient g(droite ? 230 : 20, 0, 125, 0);
        g.setColorAt(0, QColor(255, 255, 255));
        g.setColorAt(0.8, QColor(250, 250, 252));
        g.setColorAt(1, QColor(214, 214, 228));
        p.setPen(QPen(QColor(160, 160, 185), 0.9));
        p.setBrush(g);
        p.drawPath(page(0, 0, 0, droite));
    }

    // Pli central.
    p.setPen(QPen(QColor(150, 150, 175), 1.2));
    p.drawLine(QPointF(125, 104), QPointF(125, 104 + hauteur));

    // Une ligne d'écriture qui suit la courbure de la page.
    auto ligne = [&](qreal dy, qreal t0, qreal t1, bool droite) {
        QPolygonF pts;
        for (int i = 0; i <= 16; ++i) {
            const qreal t = t0 + (t1 - t0) * i / 16.0;
            QPointF pt = bezier(h0, h1, h2, h3, t) + QPointF(0, dy);
            pts << (droite ? miroir(pt) : pt);
        }
        return pts;
    };

    // Page de gauche : un titre en bleu puis du texte.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kBleu, 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(ligne(17, 0.12, 0.52, false));
    const qreal fins[] = {0.86, 0.82, 0.88, 0.6, 0.85, 0.78, 0.84, 0.5};
    p.setPen(QPen(QColor(150, 150, 170), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    for (int i = 0; i < 8; ++i)
        p.drawPolyline(ligne(32 + i * 10.5, 0.12, fins[i], false));

    // Page de droite : la liste des compétences, validées ou non.
    const QColor teintes[] = {kBleu, kOrange, kVert, kBleu, kOrange};
    const bool validee[] = {true, true, true, false, false};
    for (int i = 0; i < 5; ++i) {
        const qreal dy = 20 + i * 19;
        const QPointF carre = miroir(bezier(h0, h1, h2, h3, 0.84) + QPointF(0, dy));
        p.setPen(QPen(teintes[i].darker(125), 0.8));
        p.setBrush(teintes[i]);
        p.drawRoundedRect(QRectF(carre.x() - 5, carre.y() - 5, 10, 10), 2, 2);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(150, 150, 170), 2.2, Qt::SolidLine, Qt::RoundCap));
        p.drawPolyline(ligne(dy - 2, 0.3, 0.74, true));
        p.drawPolyline(ligne(dy + 4, 0.46, 0.74, true));
        if (validee[i]) {
            const QPointF c = miroir(bezier(h0, h1, h2, h3, 0.2) + QPointF(0, dy + 5));
            dessinerCoche(p, c, 9, QColor(60, 150, 40), 2.6);
        }
    }

    dessinerCrayon(p, QPointF(150, 212), -38, 122, 13);
    p.end();
    return img;
}

// ---------------------------------------------------------------------------
// images/titre.png : le nom du programme
// ---------------------------------------------------------------------------

QImage titre(qreal echelle)
{
    const int L = 400, H = 120;
    QImage img = imageVide(L, H, echelle);
    QPainter p(&img);
    preparer(p, echelle, echelle);

    const QFont f = police(76, true);
    QPainterPath mot = cheminTexte(QStringLiteral("Quorvel"), f);
    const QRectF b = mot.boundingRect();
    const qreal ligneBase = 74;
    mot.translate((L - b.width()) / 2 - b.left(), ligneBase);
    const QRectF bm = mot.boundingRect();

    // Ombre douce.
    for (int i = 3; i >= 1; --i) {
        p.setPen(QPen(QColor(40, 20, 110, 22), i * 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(QColor(40, 20, 110, 30));
        p.drawPath(mot.translated(3, 4));
    }
    // Liseré blanc.
    p.setPen(QPen(Qt::white, 7, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::white);
    p.drawPath(mot);
    // Lettres en dégradé bleu.
    QLinearGradient g(0, bm.top(), 0, bm.bottom());
    g.setColorAt(0, QColor(40, 190, 250));
    g.setColorAt(0.5, QColor(0, 128, 215));
    g.setColorAt(1, kBleuNuit);
    p.setPen(QPen(kBleuNuit, 1.2));
    p.setBrush(g);
    p.drawPath(mot);
    // Reflet sur le haut des lettres.
    {
        p.save();
        p.setClipPath(mot);
        QLinearGradient r(0, bm.top(), 0, bm.top() + bm.height() * 0.5);
        r.setColorAt(0, QColor(255, 255, 255, 120));
        r.setColorAt(1, QColor(255, 255, 255, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(r);
        p.drawRect(QRectF(bm.left(), bm.top(), bm.width(), bm.height() * 0.45));
        p.restore();
    }

    // Trois traits aux couleurs du livret.
    const qreal yTrait = ligneBase + 10;
    const qreal largeurTrait = (bm.width() - 12) / 3;
    const QColor couleurs[] = {kBleu, kOrange, kVert};
    for (int i = 0; i < 3; ++i) {
        const QRectF r(bm.left() + i * (largeurTrait + 6), yTrait, largeurTrait, 6);
        p.setPen(QPen(Qt::white, 2));
        p.setBrush(couleurs[i]);
        p.drawRoundedRect(r, 3, 3);
    }

    // Sous-titre.
    const QFont fs = police(17, true, true);
    QPainterPath sous = cheminTexte(QStringLiteral("Livret personnel de compétences"), fs);
    const QRectF bs = sous.boundingRect();
    sous.translate((L - bs.width()) / 2 - bs.left(), yTrait + 27);
    p.setPen(QPen(QColor(255, 255, 255, 200), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::white);
    p.drawPath(sous);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(70, 60, 120));
    p.drawPath(sous);

    p.end();
    return img;
}

// ---------------------------------------------------------------------------
// images/logo.png : petit emblème du programme
// ---------------------------------------------------------------------------

QImage logo(qreal echelle)
{
    const int L = 120, H = 80;
    QImage img = imageVide(L, H, echelle);
    QPainter p(&img);
    preparer(p, echelle, echelle);

    // Trois pavés en escalier, comme le titre du livret.
    const QColor couleurs[] = {kBleu, kOrange, kVert};
    const qreal hauteurPave = 13, ecart = 4, decalage = 10;
    const qreal largeurPave = 78;
    const qreal x0 = (L - largeurPave - 2 * decalage) / 2;
    for (int i = 0; i < 3; ++i) {
        const QRectF r(x0 + i * decalage, 5 + i * (hauteurPave + ecart), largeurPave, hauteurPave);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 20, 110, 40));
        p.drawRoundedRect(r.translated(2, 2), 3, 3);
        QLinearGradient g(0, r.top(), 0, r.bottom());
        g.setColorAt(0, couleurs[i].lighter(118));
        g.setColorAt(1, couleurs[i]);
        p.setPen(QPen(couleurs[i].darker(130), 0.8));
        p.setBrush(g);
        p.drawRoundedRect(r, 3, 3);
        // Lignes d'écriture dans le pavé.
        p.setPen(QPen(QColor(255, 255, 255, 200), 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(r.left() + 7, r.center().y()),
                   QPointF(r.left() + 7 + (i == 1 ? 40 : 30), r.center().y()));
    }
    // Grande coche de validation.
    const QPointF c(x0 + largeurPave + 2 * decalage - 22, 49);
    dessinerCoche(p, c, 26, Qt::white, 9);
    dessinerCoche(p, c, 26, QColor(46, 140, 36), 5.5);

    // Nom du programme.
    const QFont f = police(17, true);
    QPainterPath nom = cheminTexte(QStringLiteral("Quorvel"), f);
    const QRectF b = nom.boundingRect();
    nom.translate((L - b.width()) / 2 - b.left(), 75);
    p.setPen(QPen(QColor(255, 255, 255, 220), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::white);
    p.drawPath(nom);
    p.setPen(Qt::NoPen);
    p.setBrush(kBleuNuit);
    p.drawPath(nom);

    p.end();
    return img;
}

// ---------------------------------------------------------------------------
// livret/titre_*.png : LIVRET PERSONNEL DE COMPÉTENCES en trois pavés
// ---------------------------------------------------------------------------

// Dessine les trois pavés en escalier sur fond blanc : le dessin, fait pour L × H points, est
// rendu sur `pixels`, la taille du fichier.
QImage titreLivret(const QSize& pixels, int L, int H, qreal ecart, qreal decalage, qreal marge, qreal rayon,
                   int taillePoliceMax)
{
    QImage img(pixels, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::white);
    QPainter p(&img);
    preparer(p, pixels.width() / qreal(L), pixels.height() / qreal(H));

    const QStringList mots = {QStringLiteral("LIVRET"), QStringLiteral("PERSONNEL DE"),
                              QStringLiteral("COMPÉTENCES")};
    const QColor couleurs[] = {kBleu, kOrange, kVert};
    const qreal hauteurPave = (H - 2 * ecart) / 3.0;
    const qreal largeurPave = L - 2 * decalage;

    // Taille de police commune : la plus grande qui laisse tenir chaque mot.
    int taille = taillePoliceMax;
    for (; taille > 6; --taille) {
        const QFontMetricsF fm(police(taille, true));
        bool tient = fm.capHeight() <= hauteurPave * 0.6;
        for (const QString& m : mots)
            tient = tient && fm.horizontalAdvance(m) <= largeurPave - 2 * marge;
        if (tient)
            break;
    }
    const QFont f = police(taille, true);
    const QFontMetricsF fm(f);

    for (int i = 0; i < 3; ++i) {
        const QRectF r(i * decalage, i * (hauteurPave + ecart), largeurPave, hauteurPave);
        QLinearGradient g(0, r.top(), 0, r.bottom());
        g.setColorAt(0, couleurs[i].lighter(108));
        g.setColorAt(1, couleurs[i].darker(104));
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawRoundedRect(r, rayon, rayon);

        // Texte blanc, centré verticalement sur la hauteur des capitales,
        // avec une ombre dans la teinte foncée du pavé pour rester lisible
        // en niveaux de gris.
        QPainterPath texte = cheminTexte(mots.at(i), f);
        const qreal ligneBase = r.center().y() + fm.capHeight() / 2;
        texte.translate(r.left() + marge, ligneBase);
        const qreal d = std::max<qreal>(1.0, taille / 22.0);
        p.setBrush(couleurs[i].darker(165));
        p.drawPath(texte.translated(d, d));
        p.setBrush(Qt::white);
        p.drawPath(texte);
    }
    p.end();
    return img;
}

// ---------------------------------------------------------------------------
// livret/imprimante_bac_*.png : recto/verso manuel
// ---------------------------------------------------------------------------

// Feuille blanche (quadrilatère) avec quelques lignes d'écriture.
void dessinerFeuille(QPainter& p, const QPolygonF& coins, int lignes)
{
    p.setPen(QPen(QColor(130, 130, 145), 0.9));
    p.setBrush(Qt::white);
    p.drawPolygon(coins);
    // coins : haut-gauche, haut-droite, bas-droite, bas-gauche.
    p.setPen(QPen(QColor(120, 150, 200), 1.1, Qt::SolidLine, Qt::RoundCap));
    for (int i = 1; i <= lignes; ++i) {
        const qreal t = i / qreal(lignes + 1);
        const QPointF g = coins[0] + (coins[3] - coins[0]) * t;
        const QPointF d = coins[1] + (coins[2] - coins[1]) * t;
        p.drawLine(g + (d - g) * 0.18, g + (d - g) * (i % 2 ? 0.82 : 0.6));
    }
}

void dessinerCorpsImprimante(QPainter& p, const QRectF& corps)
{
    // Ombre au sol.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 30, 60, 45));
    p.drawEllipse(QRectF(corps.left() - 4, corps.bottom() - 3, corps.width() + 8, 9));

    QLinearGradient g(0, corps.top(), 0, corps.bottom());
    g.setColorAt(0, QColor(246, 246, 250));
    g.setColorAt(0.5, QColor(214, 216, 224));
    g.setColorAt(1, QColor(168, 170, 182));
    p.setPen(QPen(QColor(95, 98, 112), 1.1));
    p.setBrush(g);
    p.drawRoundedRect(corps, 5, 5);

    // Capot supérieur.
    p.setPen(QPen(QColor(150, 152, 165), 0.9));
    p.drawLine(QPointF(corps.left() + 3, corps.top() + 8), QPointF(corps.right() - 3, corps.top() + 8));
    // Voyant et boutons.
    p.setPen(QPen(QColor(30, 110, 30), 0.6));
    p.setBrush(QColor(90, 220, 70));
    p.drawEllipse(QPointF(corps.right() - 9, corps.top() + 14), 2.2, 2.2);
    p.setPen(QPen(QColor(90, 92, 105), 0.6));
    p.setBrush(QColor(120, 124, 140));
    p.drawRoundedRect(QRectF(corps.right() - 12, corps.top() + 19, 7, 3.5), 1.2, 1.2);
}

QImage imprimante(bool bacHaut, qreal echelle)
{
    const int L = 120, H = 90;
    QImage img = imageVide(L, H, echelle);
    QPainter p(&img);
    preparer(p, echelle, echelle);

    const QColor couleurFleche(232, 110, 20);

    if (bacHaut) {
        // Bac d'alimentation au-dessus, à l'arrière ; sortie en façade.
        const QRectF corps(12, 38, 82, 34);
        // Support du bac.
        QPolygonF support;
        support << QPointF(28, 40) << QPointF(78, 40) << QPointF(74, 10) << QPointF(32, 10);
        p.setPen(QPen(QColor(95, 98, 112), 1));
        p.setBrush(QColor(190, 192, 204));
        p.drawPolygon(support);
        QPolygonF feuilleHaut;
        feuilleHaut << QPointF(35, 6) << QPointF(71, 6) << QPointF(74, 40) << QPointF(32, 40);
        dessinerFeuille(p, feuilleHaut, 4);

        dessinerCorpsImprimante(p, corps);

        // Fente de sortie et feuille imprimée qui sort vers l'avant.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(50, 52, 62));
        p.drawRoundedRect(QRectF(24, 55, 58, 4), 1.5, 1.5);
        QPolygonF volet;
        volet << QPointF(22, 66) << QPointF(84, 66) << QPointF(90, 80) << QPointF(16, 80);
        p.setPen(QPen(QColor(95, 98, 112), 1));
        p.setBrush(QColor(150, 152, 166));
        p.drawPolygon(volet);
        QPolygonF feuilleSortie;
        feuilleSortie << QPointF(30, 57) << QPointF(76, 57) << QPointF(81, 77) << QPointF(25, 77);
        dessinerFeuille(p, feuilleSortie, 3);

        // Flèche : la feuille sortie retourne dans le bac du haut.
        dessinerFlecheCourbe(p, QPointF(86, 74), QPointF(122, 66), QPointF(118, 6), QPointF(80, 12),
                             couleurFleche, 3.2);
        // Symbole du retournement recto/verso.
        const QPointF c(105, 44);
        const qreal r = 7;
        QPen pen(kBleuNuit, 1.8, Qt::SolidLine, Qt::RoundCap);
        p.setPen(QPen(QColor(255, 255, 255, 220), 4.2, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), 30 * 16, 140 * 16);
        p.drawArc(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), 210 * 16, 140 * 16);
        p.setPen(pen);
        p.drawArc(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), 30 * 16, 140 * 16);
        p.drawArc(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), 210 * 16, 140 * 16);
        p.setPen(Qt::NoPen);
        p.setBrush(kBleuNuit);
        auto surCercle = [&](qreal deg) {
            const qreal a = deg * kPi / 180.0;
            return QPointF(c.x() + r * std::cos(a), c.y() - r * std::sin(a));
        };
        auto tangente = [&](qreal deg) { // sens trigonométrique à l'écran
            const qreal a = deg * kPi / 180.0;
            return QPointF(-std::sin(a), -std::cos(a));
        };
        p.drawPolygon(teteFleche(surCercle(170) + tangente(170) * 2.5, tangente(170), 4.5, 3));
        p.drawPolygon(teteFleche(surCercle(350) + tangente(350) * 2.5, tangente(350), 4.5, 3));
    } else {
        // Bac tiroir en bas ; les feuilles sortent sur le dessus.
        const QRectF corps(12, 30, 82, 40);
        dessinerCorpsImprimante(p, corps);

        // Fente de sortie sur le haut et feuille imprimée posée dessus.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(50, 52, 62));
        p.drawRoundedRect(QRectF(24, 35, 58, 3.5), 1.5, 1.5);
        QPolygonF feuilleSortie;
        feuilleSortie << QPointF(32, 14) << QPointF(74, 14) << QPointF(79, 37) << QPointF(27, 37);
        dessinerFeuille(p, feuilleSortie, 3);

        // Tiroir à papier.
        const QRectF tiroir(16, 58, 74, 16);
        QLinearGradient g(0, tiroir.top(), 0, tiroir.bottom());
        g.setColorAt(0, QColor(140, 143, 158));
        g.setColorAt(1, QColor(105, 108, 124));
        p.setPen(QPen(QColor(70, 72, 86), 1));
        p.setBrush(g);
        p.drawRoundedRect(tiroir, 3, 3);
        // Pile de feuilles visible dans le tiroir.
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(22, 59.5, 62, 3));
        p.setPen(QPen(QColor(190, 190, 200), 0.6));
        p.drawLine(QPointF(22, 61), QPointF(84, 61));
        // Poignée.
        p.setPen(QPen(QColor(60, 62, 75), 0.8));
        p.setBrush(QColor(70, 72, 86));
        p.drawRoundedRect(QRectF(44, 66, 18, 4), 2, 2);

        // Flèche : la feuille repart, sans être retournée, dans le tiroir.
        dessinerFlecheCourbe(p, QPointF(78, 18), QPointF(120, 14), QPointF(122, 66), QPointF(92, 67),
                             couleurFleche, 3.2);
    }
    p.end();
    return img;
}

// ---------------------------------------------------------------------------
// icones/A4.png et icones/A5.png : page portrait, brochure à l'italienne
// ---------------------------------------------------------------------------

void dessinerPapier(QPainter& p, const QRectF& r, qreal corne)
{
    QPainterPath feuille;
    feuille.moveTo(r.topLeft());
    feuille.lineTo(r.right() - corne, r.top());
    feuille.lineTo(r.right(), r.top() + corne);
    feuille.lineTo(r.bottomRight());
    feuille.lineTo(r.bottomLeft());
    feuille.closeSubpath();

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 40));
    p.drawPath(feuille.translated(1.5, 1.5));

    QLinearGradient g(r.topLeft(), r.bottomRight());
    g.setColorAt(0, Qt::white);
    g.setColorAt(1, QColor(228, 230, 238));
    p.setPen(QPen(QColor(110, 112, 128), 1));
    p.setBrush(g);
    p.drawPath(feuille);

    QPolygonF pli;
    pli << QPointF(r.right() - corne, r.top()) << QPointF(r.right() - corne, r.top() + corne)
        << QPointF(r.right(), r.top() + corne);
    p.setBrush(QColor(205, 207, 218));
    p.drawPolygon(pli);
}

QImage iconeA4(qreal echelle)
{
    QImage img = imageVide(48, 48, echelle);
    QPainter p(&img);
    preparer(p, echelle, echelle);
    const QRectF r(9.5, 2.5, 28, 40);
    dessinerPapier(p, r, 8);
    // Bandeau de titre et lignes.
    p.setPen(Qt::NoPen);
    p.setBrush(kBleu);
    p.drawRect(QRectF(13, 7, 14, 3));
    p.setPen(QPen(QColor(150, 155, 175), 1.0));
    for (int i = 0; i < 4; ++i)
        p.drawLine(QPointF(13, 14.5 + i * 4), QPointF(i == 3 ? 26 : 33, 14.5 + i * 4));
    const QFont f = police(11, true);
    QPainterPath t = cheminTexte(QStringLiteral("A4"), f);
    const QRectF b = t.boundingRect();
    t.translate(r.center().x() - b.center().x(), 38.5);
    p.setPen(Qt::NoPen);
    p.setBrush(kBleuNuit);
    p.drawPath(t);
    p.end();
    return img;
}

QImage iconeA5(qreal echelle)
{
    QImage img = imageVide(48, 48, echelle);
    QPainter p(&img);
    preparer(p, echelle, echelle);
    const QRectF r(2.5, 8.5, 42, 30);
    dessinerPapier(p, r, 0.01);
    // Pli central de la brochure.
    p.setPen(QPen(QColor(120, 122, 140), 1, Qt::DashLine));
    p.drawLine(QPointF(r.center().x(), r.top() + 1), QPointF(r.center().x(), r.bottom() - 1));
    const QFont f = police(9, true);
    for (int cote = 0; cote < 2; ++cote) {
        const qreal x = r.left() + cote * r.width() / 2;
        p.setPen(Qt::NoPen);
        p.setBrush(cote == 0 ? kBleu : kOrange);
        p.drawRect(QRectF(x + 3.5, r.top() + 4, 9, 2.5));
        p.setPen(QPen(QColor(150, 155, 175), 1.1));
        for (int i = 0; i < 3; ++i)
            p.drawLine(QPointF(x + 3.5, r.top() + 10 + i * 3),
                       QPointF(x + (i == 2 ? 12 : 17), r.top() + 10 + i * 3));
        QPainterPath t = cheminTexte(QStringLiteral("A5"), f);
        const QRectF b = t.boundingRect();
        t.translate(x + r.width() / 4 - b.center().x(), r.bottom() - 3);
        p.setPen(Qt::NoPen);
        p.setBrush(kBleuNuit);
        p.drawPath(t);
    }
    p.end();
    return img;
}

// ---------------------------------------------------------------------------

// Barre de couleur unie, à la taille de la plus grande où la page l'étire.
QImage barre(const QColor& c, const QSize& pixels)
{
    QImage img(pixels, QImage::Format_RGB32);
    img.fill(c);
    return img;
}

// Pixels d'une image imprimée sur `dixiemes` dixièmes de millimètre d'une page A4 (l'unité de
// la page logique du livret), pour 300 pixels par pouce au moins.
int pixelsImpression(int dixiemes)
{
    return int(std::ceil(dixiemes * 300 / 254.0));
}

QSize pixelsImpression(int largeur, int hauteur)
{
    return QSize(pixelsImpression(largeur), pixelsImpression(hauteur));
}

// Nom de la variante « @2x » d'un fichier : « titre@2x.png » pour « titre.png ».
QString nomDouble(const QString& chemin)
{
    QString res = chemin;
    return res.insert(res.lastIndexOf(QLatin1Char('.')), QStringLiteral("@2x"));
}

// Enregistre une image dessinée pour l'écran, et sa variante à double densité.
template <typename Dessin> void enregistrerEcran(const QString& chemin, Dessin dessin)
{
    enregistrer(dessin(1), chemin);
    enregistrer(dessin(2), nomDouble(chemin));
}

// ---------------------------------------------------------------------------
// Icônes du thème Oxygen (paquet Debian oxygen-icon-theme)
// ---------------------------------------------------------------------------

// Une icône : sa ressource, le fichier du thème dans le dossier de chaque taille
// (<thème>/32x32/places/user-identity.png), la taille de la ressource et la plus grande
// taille, en points, où le programme la montre (16 dans les menus et les boutons).
struct IconeTheme {
    const char* ressource;
    const char* fichier;
    int taille;
    int points = 16;
};

const IconeTheme kIconesTheme[] = {
    {"menus/kuser.png", "places/user-identity.png", 32},
    {"menus/filenew.png", "actions/document-new.png", 32},
    {"menus/kwrite.png", "apps/accessories-text-editor.png", 32},
    {"menus/signature.png", "actions/document-edit-sign.png", 32},
    {"menus/printer.png", "devices/printer.png", 32},
    {"menus/kcontrol.png", "categories/preferences-system.png", 32},
    {"menus/database-restore.png", "actions/svn-update.png", 32},
    {"menus/database-save.png", "actions/svn-commit.png", 32},
    {"menus/password.png", "status/dialog-password.png", 32},
    {"menus/help.png", "actions/help-contents.png", 32},
    {"menus/info.png", "status/dialog-information.png", 32},
    {"menus/kuser-add.png", "actions/list-add-user.png", 32},
    {"menus/document-save.png", "actions/document-save.png", 32},
    {"menus/document-load.png", "actions/document-open.png", 32},
    {"menus/viewmag.png", "actions/page-zoom.png", 32},
    {"menus/cascade.png", "actions/window-duplicate.png", 32},
    {"menus/tile.png", "actions/view-multiple-objects.png", 32},
    {"menus/next.png", "actions/window-next.png", 32},
    {"menus/previous.png", "actions/window-previous.png", 32},
    {"menus/close.png", "actions/window-close.png", 32},
    {"menus/fileexport.png", "actions/document-export.png", 32},
    {"menus/bc.png", "places/server-database.png", 32},
    // Barre d'outils de la saisie des compétences : 24 points.
    {"icones/undo.png", "actions/edit-undo.png", 32, 24},
    {"icones/yank.png", "actions/edit-redo.png", 32, 24},
    {"icones/copy.png", "actions/edit-copy.png", 32, 24},
    {"icones/paste.png", "actions/edit-paste.png", 32, 24},
    {"icones/cut.png", "actions/edit-cut.png", 32, 24},
    {"icones/clear.png", "actions/edit-clear.png", 32, 24},
    {"icones/fleche_droite.png", "actions/go-next.png", 32, 24},
    // Bouton d'actualisation de l'ajout d'élèves : 22 points.
    {"icones/refresh.png", "actions/view-refresh.png", 32, 22},
    {"icones/save.png", "actions/document-save.png", 32},
    {"icones/go-up.png", "actions/go-up.png", 32},
    {"icones/go-down.png", "actions/go-down.png", 32},
    {"icones/hourglass-2.png", "actions/view-history.png", 32},
    {"icones/icone.png", "categories/applications-education-school.png", 64},
};

// Tailles que le thème peut avoir, croissantes.
const int kTaillesTheme[] = {16, 22, 32, 48, 64, 128, 256};

QString fichierTheme(const QString& theme, int taille, const char* fichier)
{
    return QStringLiteral("%1/%2x%2/%3").arg(theme).arg(taille).arg(QLatin1String(fichier));
}

// La plus petite taille du thème qui vaut au moins `taille` ; 0 s'il n'en a pas.
int tailleAuMoins(const QString& theme, const char* fichier, int taille)
{
    for (int t : kTaillesTheme) {
        if (t >= taille && QFile::exists(fichierTheme(theme, t, fichier)))
            return t;
    }
    return 0;
}

// Écrit l'icône à `taille` pixels depuis la taille `source` du thème : le fichier tel quel
// quand les deux sont égales, réduit sinon.
void copierIcone(const QString& theme, const IconeTheme& icone, int source, int taille, const QString& chemin)
{
    const QString fichier = fichierTheme(theme, source, icone.fichier);
    if (source != taille) {
        enregistrer(QImage(fichier).scaled(taille, taille, Qt::KeepAspectRatio, Qt::SmoothTransformation),
                    chemin);
        return;
    }
    const QString destination = QDir(g_dossier).filePath(chemin);
    QDir().mkpath(QFileInfo(destination).absolutePath());
    QFile::remove(destination);
    if (!QFile::copy(fichier, destination)) {
        QTextStream(stderr) << "Impossible de copier " << fichier << " vers " << destination << "\n";
        ++g_erreurs;
        return;
    }
    QFile::setPermissions(destination, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ReadGroup | QFileDevice::ReadOther);
    QTextStream(stdout) << chemin << " (" << taille << " x " << taille << ", copiée)\n";
}

// Chaque icône et sa variante « @2x ». Qt 6.4 prend la variante pour toutes les tailles dès
// que l'écran a deux pixels par point, et la réduit au besoin : elle est la taille double du
// thème quand il l'a (réduite de la suivante au besoin) ; sinon, pour une icône montrée en
// plus de 16 points, la plus grande qu'il a (48, exacte à 24 points) ; et pour une icône de
// 16 points, aucune : son fichier de 32 pixels en a déjà deux par point, et il reste plus net
// qu'un 48 réduit.
void copierIcones(const QString& theme)
{
    for (const IconeTheme& icone : kIconesTheme) {
        const QString chemin = QString::fromLatin1(icone.ressource);
        const QString variante = nomDouble(chemin);
        if (!QFile::exists(fichierTheme(theme, icone.taille, icone.fichier))) {
            QTextStream(stderr) << "Icône absente du thème : " << icone.fichier << "\n";
            ++g_erreurs;
            continue;
        }
        copierIcone(theme, icone, icone.taille, icone.taille, chemin);
        const int double_ = tailleAuMoins(theme, icone.fichier, 2 * icone.taille);
        const int utile = tailleAuMoins(theme, icone.fichier, 2 * icone.points);
        if (double_ != 0)
            copierIcone(theme, icone, double_, 2 * icone.taille, variante);
        else if (2 * icone.points > icone.taille && utile != 0)
            copierIcone(theme, icone, utile, utile, variante);
        else
            QFile::remove(QDir(g_dossier).filePath(variante));
    }
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2 && args.size() != 3) {
        QTextStream(stderr) << "Utilisation : generateur_images <dossier des ressources> "
                               "[<dossier du thème Oxygen>]\n";
        return 2;
    }
    g_dossier = args.at(1);

    const QString famille = QFontInfo(police(12)).family();
    if (!famille.contains(QStringLiteral("Liberation"), Qt::CaseInsensitive) &&
        !famille.contains(QStringLiteral("Arial"), Qt::CaseInsensitive)) {
        QTextStream(stderr) << "Attention : police « " << famille
                            << " » utilisée à la place de Liberation Sans.\n";
    }

    // Écran : chaque image et sa variante à double densité.
    enregistrerEcran(QStringLiteral("images/illustration.png"), illustration);
    enregistrerEcran(QStringLiteral("images/titre.png"), titre);
    enregistrerEcran(QStringLiteral("images/logo.png"), logo);
    enregistrerEcran(QStringLiteral("livret/imprimante_bac_haut.png"),
                     [](qreal e) { return imprimante(true, e); });
    enregistrerEcran(QStringLiteral("livret/imprimante_bac_bas.png"),
                     [](qreal e) { return imprimante(false, e); });
    enregistrerEcran(QStringLiteral("icones/A4.png"), iconeA4);
    enregistrerEcran(QStringLiteral("icones/A5.png"), iconeA5);

    // Papier : chaque image à 300 pixels par pouce pour le rectangle où la page la pose
    // (en dixièmes de millimètre) ; le dessin reste celui de ses anciennes tailles de fichier
    // (614 x 195 et 161 x 80), rendu plus fin.
    const QImage grand = titreLivret(pixelsImpression(1600, 510), 614, 195, 9, 56, 24, 7, 54);
    enregistrer(grand, QStringLiteral("livret/titre_livret_couleur.png"));
    enregistrer(enGris(grand), QStringLiteral("livret/titre_livret_nb.png"));
    const QImage petit = titreLivret(pixelsImpression(400, 199), 161, 80, 4, 10, 7, 3, 18);
    enregistrer(petit, QStringLiteral("livret/titre_petit_couleur.png"));
    enregistrer(enGris(petit), QStringLiteral("livret/titre_petit_nb.png"));

    // Les barres : 1700 x 6 sur l'attestation (la fine, 1400 x 3, en prend moins).
    const QSize tailleBarre = pixelsImpression(1700, 6);
    enregistrer(barre(kBleu, tailleBarre), QStringLiteral("livret/bleu.png"));
    enregistrer(barre(kOrange, tailleBarre), QStringLiteral("livret/orange.png"));
    enregistrer(barre(kVert, tailleBarre), QStringLiteral("livret/vert.png"));
    enregistrer(barre(kGris, tailleBarre), QStringLiteral("livret/gris.png"));

    if (args.size() == 3)
        copierIcones(args.at(2));

    return g_erreurs == 0 ? 0 : 1;
}
