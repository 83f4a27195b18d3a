// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/print/optionsimpression.h"
#include "core/print/tirage.h"
#include "gui/commun/diaapercu.h"

#include <QCoreApplication>
#include <QHash>
#include <QList>
#include <QPageSize>
#include <QString>

// Les pages d'un plan de tirage pour l'aperçu : les feuilles de ses travaux, dans l'ordre où
// elles partent vers l'imprimante (rectos, puis versos après la pause d'un recto/verso
// manuel), chacune dessinée comme à l'impression (Tirage::dessinerFeuille, page entière ou
// deux moitiés de feuille paysage), sur le papier de l'imprimante choisie.
class ApercuTirage : public diaApercu::Source
{
    Q_DECLARE_TR_FUNCTIONS(ApercuTirage)

public:
    // `noms` : le nom de chaque élève, pour dire à qui est chaque page.
    ApercuTirage(const Tirage::Plan& plan, const QString& ecole, const OptionsImpression& options,
                 const QPageSize& papier, const QHash<qint64, QString>& noms);

    int nombre() const override { return int(pages.size()); }
    QSizeF taille(int page) const override;
    Resultat<> dessiner(QPainter& peintre, int page) override;
    QString legende(int page) const override { return pages.value(page).legende; }

    // La feuille montrée en `page`.
    const Tirage::Feuille& feuille(int page) const { return pages.at(page).feuille; }

private:
    struct Page {
        Tirage::Feuille feuille;
        bool paysage = false;
        QString legende;
    };

    // Ce que porte une feuille : l'élève et les pages de son livret, ou ses attestations.
    QString contenu(const Tirage::Feuille& feuille) const;

    QList<Page> pages;
    QString ecole;
    OptionsImpression options;
    QSizeF papier; // en points, portrait
    QHash<qint64, QString> noms;
};
