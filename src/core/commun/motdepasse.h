// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

namespace MotDePasse {

inline const QString CLE_REGLAGES = QStringLiteral("mot de passe");

// Empreinte MD5 du texte dans sa forme 8 bits, en 32 chiffres hexadécimaux minuscules :
// c'est ce que le magasin de réglages garde.
QByteArray empreinte(const QString& texte);

// Empreinte gardée dans les réglages (vide quand aucun mot de passe n'est fixé).
QByteArray empreinteStockee();

// Vrai quand le texte saisi correspond à l'empreinte gardée ; la comparaison est
// celle de deux textes, sensible à la casse des lettres comme des chiffres hexadécimaux.
bool correspond(const QString& saisi, const QByteArray& stockee);

// Garde dans les réglages l'empreinte du texte ; un texte vide (dans sa forme 8 bits)
// retire la valeur : il n'y a plus de mot de passe.
void fixer(const QString& texte);

} // namespace MotDePasse
