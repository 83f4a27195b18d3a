// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/print/pages.h"

#include <QList>
#include <QRect>
#include <QString>

class QPagedPaintDevice;
class QPainter;

// Le tirage des pages sur un peintre ouvert sur l'imprimante (ou tout appareil à pages) :
// fenêtre logique de 2100 × 2970, vues page entière ou moitiés de feuille paysage.
namespace Tirage {

using ListeTirage = QList<QList<FaceImprimee>>; // une liste de faces par élève imprimé

// Le nom de l'école (première ligne de `general`), vide quand il manque.
QString nomEcole();

// Règle la fenêtre logique du peintre et rend sa vue (la page entière de l'appareil).
QRect preparerPeintre(QPainter& peintre);
QRect moitieGauche(const QRect& vue);
QRect moitieDroite(const QRect& vue);

// Une face : la page A sur la vue entière en portrait, A à gauche et B à droite en brochure.
void imprimerFace(QPainter& peintre, const QRect& vue, const FaceImprimee& face, int nombre, bool brochure,
                  const QString& ecole);

// Les faces données, une nouvelle page avant chacune sauf la première quand `premiere` est
// vrai ; `premiere` passe à faux dès qu'une face est tirée.
void imprimerFaces(QPainter& peintre, QPagedPaintDevice& support, const QRect& vue,
                   const QList<FaceImprimee>& faces, int nombre, bool brochure, const QString& ecole,
                   bool& premiere);

// Les attestations seules, sans numéro : une par page en portrait, deux par feuille en paysage.
void imprimerAttestations(QPainter& peintre, QPagedPaintDevice& support, const QRect& vue, qint64 palierId,
                          const QList<qint64>& eleves, bool paysage, const QString& ecole);

// La liste de tirage des élèves de la sélection (ceux sans page n'y sont pas) ; `rectoVerso` :
// l'imprimante imprime les deux faces (voir Pages::ordonner).
ListeTirage construireToutesPages(qint64 palierId, const QList<qint64>& selection, bool rectoVerso = false);

// « NOM Prénom » d'un élève, pour le dire à l'utilisateur.
QString nomEleve(qint64 eleveId);

} // namespace Tirage
