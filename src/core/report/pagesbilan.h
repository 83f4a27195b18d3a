// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSizeF>

#include <memory>

class QPaintDevice;
class QPainter;
class QTextDocument;

// Le document du bilan (celui de l'éditeur, retouches comprises) mis en pages pour un appareil :
// l'imprimante qui le recevra. Une copie du document est mise en page une fois, avec les
// mesures de l'appareil (sa résolution, sa zone imprimable), en pages bordées de 2 cm, un
// numéro « n / N » en bas à droite. L'impression et l'aperçu dessinent ces mêmes pages : un
// aperçu montre donc les coupures de page de l'impression.
class PagesBilan
{
public:
    // `appareil` doit vivre autant que l'objet ; il n'est pas ouvert ici.
    PagesBilan(const QTextDocument& document, QPaintDevice* appareil);
    ~PagesBilan();
    PagesBilan(const PagesBilan&) = delete;
    PagesBilan& operator=(const PagesBilan&) = delete;

    int nombre() const;
    // La zone imprimable de l'appareil, en points de l'appareil : le repère de dessiner().
    QSizeF zone() const { return taille; }
    // Dessine la page `page` (à partir de 0) en points de l'appareil, l'origine au coin de la
    // zone imprimable (celle d'un peintre ouvert sur l'imprimante hors page entière).
    void dessiner(QPainter& peintre, int page) const;

private:
    std::unique_ptr<QTextDocument> copie;
    QSizeF taille;      // zone imprimable
    qreal marge = 0;    // 2 cm, en points de l'appareil
    int pixelsPied = 0; // taille de la police du numéro, en points de l'appareil
};
