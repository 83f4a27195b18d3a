// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QTest>

// Une ligne d'un essai piloté par des données, écrite comme un appel :
// ligne("nom", a, b, c) vaut QTest::newRow("nom") << a << b << c. Un texte littéral devient
// une QString, comme la colonne qui l'attend.
namespace Donnees {
inline QString valeur(const char* texte)
{
    return QString::fromUtf8(texte);
}
template <typename T> const T& valeur(const T& v)
{
    return v;
}
} // namespace Donnees

template <typename... Valeurs> void ligne(const char* nom, const Valeurs&... valeurs)
{
    QTestData& donnees = QTest::newRow(nom);
    ((donnees << Donnees::valeur(valeurs)), ...);
}
