// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/commun/ordrealphabetique.h"

#include <QCollator>
#include <QLocale>

#include <utility>

namespace OrdreAlphabetique {

namespace {

QCollator collateurFrancais(bool exact)
{
    QCollator collateur(QLocale(QLocale::French, QLocale::France));
    collateur.setCaseSensitivity(exact ? Qt::CaseSensitive : Qt::CaseInsensitive);
    collateur.setIgnorePunctuation(!exact);
    collateur.setNumericMode(true);
    return collateur;
}

// Casse, espaces et ponctuation ignorés ; les accents seuls comptent encore.
const QCollator& plie()
{
    static const QCollator collateur = collateurFrancais(false);
    return collateur;
}

// Tout compte.
const QCollator& exact()
{
    static const QCollator collateur = collateurFrancais(true);
    return collateur;
}

// Le texte sans ses accents : lettres décomposées, signes diacritiques retirés.
QString sansAccents(const QString& texte)
{
    QString resultat;
    const QString decompose = texte.normalized(QString::NormalizationForm_D);
    resultat.reserve(decompose.size());
    for (const QChar c : decompose)
        if (c.category() != QChar::Mark_NonSpacing)
            resultat.append(c);
    return resultat;
}

} // namespace

Cle::Cle(const QString& nom, const QString& prenom)
    : nomSansAccents(plie().sortKey(sansAccents(nom))),
      prenomSansAccents(plie().sortKey(sansAccents(prenom))), nomAccentue(plie().sortKey(nom)),
      prenomAccentue(plie().sortKey(prenom)), nomExact(exact().sortKey(nom)),
      prenomExact(exact().sortKey(prenom))
{
}

int Cle::comparer(const Cle& autre) const
{
    const std::pair<const QCollatorSortKey*, const QCollatorSortKey*> paires[] = {
        {&nomSansAccents, &autre.nomSansAccents},
        {&prenomSansAccents, &autre.prenomSansAccents},
        {&nomAccentue, &autre.nomAccentue},
        {&prenomAccentue, &autre.prenomAccentue},
        {&nomExact, &autre.nomExact},
        {&prenomExact, &autre.prenomExact}};
    for (const auto& [a, b] : paires)
        if (const int c = a->compare(*b))
            return c;
    return 0;
}

} // namespace OrdreAlphabetique
