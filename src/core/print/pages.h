// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/commun/resultat.h"
#include "core/print/optionsimpression.h"

#include <QList>
#include <QtGlobal>

// Identifiant de page : au-dessus de 0 l'id_comp d'une compétence, au-dessous de 0
// l'attestation du palier de id_comp opposé, 0 une page blanche.

// Une face imprimée d'une feuille : une page en portrait, deux (gauche A, droite B) en brochure.
struct FaceImprimee {
    qint64 pupilId = 0;
    qint64 pageA = 0;
    qint64 pageB = 0;
    qint32 numberA = 0;
    qint32 numberB = 0;

    bool operator==(const FaceImprimee& autre) const
    {
        return pupilId == autre.pupilId && pageA == autre.pageA && pageB == autre.pageB &&
               numberA == autre.numberA && numberB == autre.numberB;
    }
};

namespace Pages {

// Les pages d'un élève, dans l'ordre du livret : l'attestation (si demandée) puis les
// compétences du palier retenues (toutes, ou celles sans enregistrement de validation).
// Vide quand aucune compétence n'est retenue, attestation comprise.
Resultat<QList<qint64>> pagesEleve(qint64 palierId, qint64 eleveId, const OptionsImpression& options);

// Mise en faces d'une liste de pages selon la disposition et le recto/verso :
// brochure (complétée de pages blanches jusqu'à un multiple de 4, imposée en livret) ou
// portrait, puis l'ordre du mode 0 continu, 1 bac haut, 2 bac bas. `rectoVerso` : l'imprimante
// imprime elle-même les deux faces ; en portrait continu, chaque élève finit alors sur un
// nombre pair de faces (une face blanche, sans numéro) pour que le suivant commence sur une
// feuille neuve.
QList<FaceImprimee> ordonner(const QList<qint64>& pages, qint64 eleveId, bool brochure, int duplex,
                             bool rectoVerso = false);

// Nombre de pages d'un élève tel que l'affiche le pied de page : ses faces en portrait, le
// double en brochure, faces de remplissage comprises.
int nombrePages(const QList<FaceImprimee>& faces, bool brochure);

// Les deux moitiés d'un recto/verso manuel : positions 0 à m/2−1, puis m/2 à m−1.
QList<FaceImprimee> recto(const QList<FaceImprimee>& faces);
QList<FaceImprimee> verso(const QList<FaceImprimee>& faces);

// Les élèves de la sélection dont on imprime l'attestation seule, selon le filtre :
// 0 tous, 1 ceux qui ont validé toutes les compétences du palier, 2 les autres.
Resultat<QList<qint64>> elevesAttestation(qint64 palierId, const QList<qint64>& selection, int filtre);

// Place de la k-ième attestation (à partir de 0) en paysage : moitié droite pour k impair,
// et une nouvelle feuille avant chaque moitié gauche sauf la première.
inline bool moitieDroite(int k)
{
    return k % 2 == 1;
}
inline bool nouvelleFeuille(int k, bool paysage)
{
    return k > 0 && (!paysage || k % 2 == 0);
}

// Les faces d'un élève pour le tirage des compétences ; `rectoVerso` comme pour ordonner().
Resultat<QList<FaceImprimee>> construirePages(qint64 palierId, qint64 eleveId,
                                              const OptionsImpression& options, bool rectoVerso = false);

} // namespace Pages
