// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/commun/aleatoire.h"

#include <QRandomGenerator>

namespace Aleatoire {

namespace {
// L'objet unique, construit au premier usage avec la graine 1.
QRandomGenerator& generateur()
{
    static QRandomGenerator objet(1u);
    return objet;
}
} // namespace

void initialiser(quint32 graine)
{
    generateur().seed(graine);
}

quint32 tirer()
{
    return generateur().generate();
}

} // namespace Aleatoire
