// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/entry/palier.h"

#include "core/db/requetes.h"

namespace Palier {

Resultat<QList<Competence>> competences(qint64 idPalier)
{
    QList<Competence> resultat;
    if (idPalier == 0)
        return resultat;
    const auto enfants = Requetes::enfants(idPalier);
    if (!enfants)
        return enfants.erreur();
    for (const Noeud& noeud : *enfants) {
        const auto feuilles = Notes::feuilles(noeud.id);
        if (!feuilles)
            return feuilles.erreur();
        resultat.append({noeud.id, noeud.libelle, *feuilles});
    }
    return resultat;
}

QDate dateStockee(const QString& texte)
{
    return QDate::fromString(texte, Qt::ISODate);
}

Reussite reussite(qint64 idEleve, const Competence& competence, const QHash<Notes::Cle, QString>& dates)
{
    Reussite r;
    r.total = int(competence.feuilles.size());
    for (const qint64 feuille : competence.feuilles) {
        const auto trouvee = dates.constFind({idEleve, feuille});
        if (trouvee == dates.constEnd())
            continue;
        // Un enregistrement valide la feuille, même si son texte n'est pas une date.
        ++r.validees;
        const QDate date = dateStockee(*trouvee);
        if (date.isValid() && (!r.plusRecente.isValid() || date > r.plusRecente))
            r.plusRecente = date;
    }
    r.pourcentage = r.total < 1 ? 0.0 : 100.0 * r.validees / r.total;
    r.validation = dateStockee(dates.value({idEleve, competence.id}));
    return r;
}

Resultat<QHash<Notes::Cle, Reussite>> reussites(const QList<qint64>& eleves,
                                                const QList<Competence>& competences)
{
    QList<qint64> retenus;
    for (const qint64 eleve : eleves)
        if (eleve != 0)
            retenus.append(eleve);
    // Toutes les feuilles et les compétences elles-mêmes : une seule lecture pour la grille.
    QList<qint64> noeuds;
    for (const Competence& competence : competences) {
        if (competence.id == 0)
            continue;
        noeuds.append(competence.id);
        noeuds.append(competence.feuilles);
    }
    const auto dates = Notes::dates(retenus, noeuds);
    if (!dates)
        return dates.erreur();

    QHash<Notes::Cle, Reussite> resultat;
    for (const qint64 eleve : retenus)
        for (const Competence& competence : competences)
            if (competence.id != 0)
                resultat.insert({eleve, competence.id}, reussite(eleve, competence, *dates));
    return resultat;
}

Propagation propager(double pourcentage, const QDate& recente, Mode mode, double minimum, const QDate& defaut)
{
    Propagation p;
    p.atteint = pourcentage >= minimum;
    if (!p.atteint)
        return p;
    QDate date;
    switch (mode) {
    case Mode::RecenteSeulement:
        date = recente;
        break;
    case Mode::DateDefaut:
        date = defaut;
        break;
    case Mode::RecenteSinonDefaut:
        date = recente.isValid() ? recente : defaut;
        break;
    }
    if (date.isValid())
        p.date = date;
    return p;
}

} // namespace Palier
