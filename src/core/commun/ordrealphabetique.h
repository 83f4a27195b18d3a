// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCollatorSortKey>
#include <QHash>
#include <QList>
#include <QString>

#include <algorithm>
#include <numeric>
#include <type_traits>

// L'ordre alphabétique des élèves, tel qu'un lecteur français l'attend : la base compare les
// octets, si bien qu'ÉTIENNE y viendrait après ZOLA. Ici, les noms se comparent sans tenir
// compte des accents, de la casse, des espaces ni de la ponctuation (« de la Tour » et
// « Delatour », « D'ARC » et « DARC » vont ensemble ; « Œ » se lit « OE »), les nombres par leur
// valeur ; à nom égal, le prénom décide. Seulement ensuite les accents (« LEVEQUE » avant
// « LÉVÊQUE »), puis la casse et la ponctuation départagent, et l'ordre d'origine reste pour
// deux élèves en tout point pareils.
//
// Le tri se fait après la lecture, jamais dans la base : le schéma et les fichiers ne changent
// pas, et la requête marche sur toute connexion.
namespace OrdreAlphabetique {

// Ce qu'on compare d'un élève.
class Cle
{
public:
    Cle(const QString& nom, const QString& prenom);
    // Négatif, nul ou positif selon que cet élève vient avant, avec ou après l'autre.
    int comparer(const Cle& autre) const;

private:
    QCollatorSortKey nomSansAccents, prenomSansAccents, nomAccentue, prenomAccentue, nomExact, prenomExact;
};

// Trie les élèves par nom puis prénom, à l'intérieur de chaque groupe (le niveau, pour une
// liste classée par niveau) ; les groupes gardent l'ordre de leur première apparition dans la
// liste, celui que la base a rendu. Tri stable.
template <typename T, typename Groupe>
void trier(QList<T>& eleves, QString T::*nom, QString T::*prenom, Groupe groupe)
{
    using CleGroupe = std::decay_t<std::invoke_result_t<Groupe, const T&>>;
    QHash<CleGroupe, int> rangs;
    QList<int> rang;
    QList<Cle> cles;
    rang.reserve(eleves.size());
    cles.reserve(eleves.size());
    for (const T& eleve : eleves) {
        const CleGroupe g = groupe(eleve);
        if (!rangs.contains(g))
            rangs.insert(g, int(rangs.size()));
        rang.append(rangs.value(g));
        cles.append(Cle(eleve.*nom, eleve.*prenom));
    }
    QList<int> ordre(eleves.size());
    std::iota(ordre.begin(), ordre.end(), 0);
    std::stable_sort(ordre.begin(), ordre.end(), [&](int a, int b) {
        if (rang.at(a) != rang.at(b))
            return rang.at(a) < rang.at(b);
        return cles.at(a).comparer(cles.at(b)) < 0;
    });
    QList<T> tries;
    tries.reserve(eleves.size());
    for (const int i : std::as_const(ordre))
        tries.append(eleves.at(i));
    eleves = tries;
}

// Sans groupe : tous les élèves ensemble.
template <typename T> void trier(QList<T>& eleves, QString T::*nom, QString T::*prenom)
{
    trier(eleves, nom, prenom, [](const T&) { return 0; });
}

} // namespace OrdreAlphabetique
