// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/entry/palier.h"

namespace Palier {

QList<Competence> competences(qint64 idPalier)
{
    QList<Competence> resultat;
    if (idPalier == 0)
        return resultat;
    for (const Noeud& noeud : Notes::enfants(idPalier))
        resultat.append({noeud.id, noeud.libelle, Notes::feuilles(noeud.id)});
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

QHash<Notes::Cle, Reussite> reussites(const QList<qint64>& eleves, const QList<Competence>& competences)
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
    const QHash<Notes::Cle, QString> dates = Notes::dates(retenus, noeuds);

    QHash<Notes::Cle, Reussite> resultat;
    for (const qint64 eleve : retenus)
        for (const Competence& competence : competences)
            if (competence.id != 0)
                resultat.insert({eleve, competence.id}, reussite(eleve, competence, dates));
    return resultat;
}

} // namespace Palier
