// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/print/tirage.h"

#include "core/db/requetes.h"
#include "core/print/composition.h"

#include <QPagedPaintDevice>
#include <QPainter>
#include <QSqlQuery>
#include <QVariant>

namespace Tirage {

QString nomEcole()
{
    return Requetes::ecole();
}

QRect preparerPeintre(QPainter& peintre)
{
    const QRect vue = peintre.viewport();
    peintre.setWindow(0, 0, Composition::LARGEUR_PAGE, Composition::HAUTEUR_PAGE);
    return vue;
}

QRect moitieGauche(const QRect& vue)
{
    return QRect(vue.left(), vue.top(), vue.width() / 2, vue.height());
}

QRect moitieDroite(const QRect& vue)
{
    return QRect(vue.width() / 2, vue.top(), vue.width() / 2, vue.height());
}

namespace {
void dessinerPage(QPainter& peintre, qint64 page, qint64 eleve, int numero, int nombre, const QString& ecole)
{
    if (page < 0)
        dessinerAttestation(peintre, -page, eleve, ecole, numero, nombre);
    else
        dessinerCompetence(peintre, page, eleve, numero, nombre);
}
} // namespace

void imprimerFace(QPainter& peintre, const QRect& vue, const FaceImprimee& face, int nombre, bool brochure,
                  const QString& ecole)
{
    if (!brochure) {
        peintre.setViewport(vue);
        dessinerPage(peintre, face.pageA, face.pupilId, face.numberA, nombre, ecole);
        return;
    }
    peintre.setViewport(moitieGauche(vue));
    dessinerPage(peintre, face.pageA, face.pupilId, face.numberA, nombre, ecole);
    peintre.setViewport(moitieDroite(vue));
    dessinerPage(peintre, face.pageB, face.pupilId, face.numberB, nombre, ecole);
    peintre.setViewport(vue);
}

void imprimerFaces(QPainter& peintre, QPagedPaintDevice& support, const QRect& vue,
                   const QList<FaceImprimee>& faces, int nombre, bool brochure, const QString& ecole,
                   bool& premiere)
{
    for (const FaceImprimee& face : faces) {
        if (!premiere)
            support.newPage();
        premiere = false;
        imprimerFace(peintre, vue, face, nombre, brochure, ecole);
    }
}

void imprimerAttestations(QPainter& peintre, QPagedPaintDevice& support, const QRect& vue, qint64 palierId,
                          const QList<qint64>& eleves, bool paysage, const QString& ecole)
{
    for (int k = 0; k < eleves.size(); ++k) {
        if (Pages::nouvelleFeuille(k, paysage))
            support.newPage();
        peintre.setViewport(!paysage ? vue : Pages::moitieDroite(k) ? moitieDroite(vue) : moitieGauche(vue));
        dessinerAttestation(peintre, palierId, eleves[k], ecole, 0, 0);
    }
    peintre.setViewport(vue);
}

ListeTirage construireToutesPages(qint64 palierId, const QList<qint64>& selection, bool rectoVerso)
{
    ListeTirage liste;
    for (const qint64 eleve : selection) {
        QList<FaceImprimee> faces = construirePages(palierId, eleve, rectoVerso);
        if (!faces.isEmpty())
            liste << faces;
    }
    return liste;
}

QString nomEleve(qint64 eleveId)
{
    QSqlQuery requete;
    requete.prepare(QStringLiteral("SELECT nom, prenom FROM eleves WHERE id_eleve=?"));
    requete.addBindValue(eleveId);
    if (!requete.exec() || !requete.next())
        return {};
    return (requete.value(0).toString() + QLatin1Char(' ') + requete.value(1).toString()).trimmed();
}

} // namespace Tirage
