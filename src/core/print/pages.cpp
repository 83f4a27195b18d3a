// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/print/pages.h"

#include <QSqlQuery>
#include <QVariant>

#include <utility>

OptionsImpression& OptionsImpression::courantes()
{
    static OptionsImpression options;
    return options;
}

namespace Pages {

QList<qint64> pagesEleve(qint64 palierId, qint64 eleveId, const OptionsImpression& options)
{
    QList<qint64> pages;
    QSqlQuery competences;
    competences.prepare(
        QStringLiteral("SELECT id_comp FROM competences WHERE id_comp_parent=? ORDER BY numero, id_comp"));
    competences.addBindValue(palierId);
    competences.exec();
    QSqlQuery date;
    date.prepare(QStringLiteral("SELECT date FROM notes WHERE notes.id_comp=? AND notes.id_eleve=?"));
    while (competences.next()) {
        const qint64 idComp = competences.value(0).toLongLong();
        if (!options.compAll) {
            date.addBindValue(idComp);
            date.addBindValue(eleveId);
            date.exec();
            const bool validee = date.next();
            date.finish();
            if (validee)
                continue;
        }
        pages << idComp;
    }
    if (!pages.isEmpty() && options.withAttestation)
        pages.prepend(-palierId);
    return pages;
}

QList<FaceImprimee> ordonner(const QList<qint64>& pagesDonnees, qint64 eleveId, bool brochure, int duplex,
                             bool rectoVerso)
{
    QList<FaceImprimee> faces;
    if (pagesDonnees.isEmpty())
        return faces;

    if (!brochure) {
        for (int i = 0; i < pagesDonnees.size(); ++i)
            faces << FaceImprimee{eleveId, pagesDonnees[i], 0, i + 1, 0};
        // Un nombre pair de faces quand les deux côtés de la feuille sont imprimés.
        if ((duplex != 0 || rectoVerso) && faces.size() % 2 == 1)
            faces << FaceImprimee{};
        if (duplex == 0)
            return faces;
        // Recto/verso manuel : les positions paires d'abord puis les impaires, croissantes
        // pour le bac haut, décroissantes pour le bac bas.
        QList<FaceImprimee> ordre;
        for (int i = 0; i < faces.size(); i += 2)
            ordre << faces[i];
        if (duplex == 1)
            for (int i = 1; i < faces.size(); i += 2)
                ordre << faces[i];
        else
            for (int i = faces.size() - 1; i >= 1; i -= 2)
                ordre << faces[i];
        return ordre;
    }

    // Brochure : pages blanches jusqu'au multiple de 4, puis les faces avant de l'extérieur
    // vers l'intérieur et les faces arrière de l'intérieur vers l'extérieur.
    QList<qint64> pages = pagesDonnees;
    while (pages.size() % 4 != 0)
        pages << 0;
    const int n = int(pages.size());
    QList<FaceImprimee> faite;
    for (int i = 0; i < n; i += 2)
        faite << FaceImprimee{eleveId, pages[n - 1 - i], pages[i], n - i, i + 1};
    const int m = int(faite.size());
    if (duplex == 0) {
        // Chaque face avant suivie de son dos : le premier et le dernier de ce qui reste.
        for (int debut = 0, fin = m - 1; debut <= fin; ++debut, --fin) {
            faces << faite[debut];
            if (fin != debut)
                faces << faite[fin];
        }
        return faces;
    }
    if (duplex == 1)
        for (int k = 0; k < m / 4; ++k)
            std::swap(faite[m / 2 + k], faite[m - 1 - k]);
    return faite;
}

int nombrePages(const QList<FaceImprimee>& faces, bool brochure)
{
    return int(faces.size()) * (brochure ? 2 : 1);
}

QList<FaceImprimee> recto(const QList<FaceImprimee>& faces)
{
    return faces.mid(0, faces.size() / 2);
}

QList<FaceImprimee> verso(const QList<FaceImprimee>& faces)
{
    return faces.mid(faces.size() / 2);
}

QList<qint64> elevesAttestation(qint64 palierId, const QList<qint64>& selection, int filtre)
{
    if (filtre != 1 && filtre != 2)
        return selection;
    QSqlQuery requete;
    requete.prepare(QStringLiteral("SELECT COUNT(*) FROM competences WHERE id_comp_parent=?"));
    requete.addBindValue(palierId);
    const qint64 n = requete.exec() && requete.next() ? requete.value(0).toLongLong() : 0;

    QList<qint64> gardes;
    requete.prepare(QStringLiteral("SELECT COUNT(*) FROM notes, competences WHERE notes.id_eleve=? AND "
                                   "notes.id_comp=competences.id_comp AND competences.id_comp_parent=?"));
    for (const qint64 eleve : selection) {
        requete.addBindValue(eleve);
        requete.addBindValue(palierId);
        const qint64 v = requete.exec() && requete.next() ? requete.value(0).toLongLong() : 0;
        requete.finish();
        if ((filtre == 1) == (v == n))
            gardes << eleve;
    }
    return gardes;
}

} // namespace Pages

QList<FaceImprimee> construirePages(qint64 palierId, qint64 eleveId, bool rectoVerso)
{
    const OptionsImpression& options = OptionsImpression::courantes();
    return Pages::ordonner(Pages::pagesEleve(palierId, eleveId, options), eleveId, options.brochure,
                           options.duplex, rectoVerso);
}
