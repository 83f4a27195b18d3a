// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Les noms lus dans un fichier venu de l'extérieur (export de Base Elèves, fichier de classe) :
// ils sont gardés tels quels, sauf les caractères de contrôle, qu'aucun nom ne porte et qu'un
// écran ne montre pas (un caractère nul coupe le nom à l'affichage : « NUL\0BYTE » se lit « NUL »).
namespace TextesImportes {

// Le texte sans ses caractères de contrôle (caractère nul compris) : une tabulation ou une fin de
// ligne devient une espace, les autres disparaissent. `retire` passe à vrai quand il en avait.
QString nettoyer(const QString& texte, bool* retire = nullptr);

} // namespace TextesImportes
