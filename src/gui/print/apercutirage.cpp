// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/print/apercutirage.h"

#include <QPainter>

ApercuTirage::ApercuTirage(const Tirage::Plan& plan, const QString& ecole, const OptionsImpression& options,
                           const QPageSize& papier, const QHash<qint64, QString>& noms)
    : ecole(ecole), options(options), papier(papier.size(QPageSize::Point)), noms(noms)
{
    const QList<Tirage::Travail> travaux = plan.travaux();
    int envoi = 0;
    int pause = -1; // la pause qui précède le travail, -1 : aucune
    for (const Tirage::Etape& etape : plan.etapes) {
        if (etape.sorte == Tirage::Etape::Pause) {
            pause = etape.pause;
            continue;
        }
        const Tirage::Travail& travail = etape.travail;
        ++envoi;
        // Un tirage en plusieurs envois (recto/verso manuel) dit de quel envoi est chaque page.
        QString entete;
        if (travaux.size() > 1) {
            const QString partie = travail.contenu == Tirage::Contenu::Rectos   ? tr("rectos")
                                   : travail.contenu == Tirage::Contenu::Versos ? tr("versos")
                                                                                : QString();
            entete = partie.isEmpty() ? tr("Envoi %1 sur %2").arg(envoi).arg(travaux.size())
                                      : tr("Envoi %1 sur %2 (%3)").arg(envoi).arg(travaux.size()).arg(partie);
        }
        for (int rang = 0; rang < travail.feuilles.size(); ++rang) {
            QStringList morceaux;
            if (!entete.isEmpty())
                morceaux << entete;
            if (rang == 0 && pause >= 0)
                morceaux << (pause == 0 ? tr("après la pause où les feuilles imprimées sont remises dans le "
                                             "bac, retournées")
                             : pause == 1
                                 ? tr("après la pause où les feuilles imprimées sont remises dans le "
                                      "bac sans les retourner")
                                 : tr("après la pause où les feuilles sont retirées du bac de sortie"));
            morceaux << contenu(travail.feuilles.at(rang));
            pages.append({travail.feuilles.at(rang), travail.paysage, morceaux.join(QStringLiteral(" — "))});
        }
        pause = -1;
    }
}

QString ApercuTirage::contenu(const Tirage::Feuille& feuille) const
{
    qint64 eleve = 0;
    int nombrePages = 0;
    QStringList numeros, attestations;
    for (const Tirage::Vue& vue : feuille) {
        if (vue.eleve != 0 && eleve == 0)
            eleve = vue.eleve;
        if (vue.page < 0 && vue.numero == 0) {
            attestations << noms.value(vue.eleve);
            continue;
        }
        if (vue.numero > 0) {
            nombrePages = vue.nombre;
            numeros << (vue.page == 0 ? tr("%1 (blanche)").arg(vue.numero) : QString::number(vue.numero));
        }
    }
    if (!attestations.isEmpty())
        return attestations.size() == 1 ? tr("attestation de %1").arg(attestations.constFirst())
                                        : tr("attestations de %1 et de %2")
                                              .arg(attestations.mid(0, attestations.size() - 1).join(", "),
                                                   attestations.constLast());
    if (numeros.isEmpty())
        return tr("page laissée blanche (dos de la dernière page d'un livret)");
    const QString nom = noms.value(eleve);
    return numeros.size() == 1
               ? tr("%1, page %2 de son livret de %3 pages").arg(nom, numeros.constFirst()).arg(nombrePages)
               : tr("%1, pages %2 et %3 de son livret de %4 pages")
                     .arg(nom, numeros.at(0), numeros.at(1))
                     .arg(nombrePages);
}

QSizeF ApercuTirage::taille(int page) const
{
    return pages.at(page).paysage ? papier.transposed() : papier;
}

Resultat<> ApercuTirage::dessiner(QPainter& peintre, int page)
{
    // Comme sur l'imprimante en page entière : la fenêtre logique de la page, la feuille
    // entière pour vue.
    const QRect vue = Tirage::preparerPeintre(peintre);
    return Tirage::dessinerFeuille(peintre, vue, pages.at(page).feuille, ecole, options);
}
