// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/commun/choixrequis.h"

#include <QAbstractButton>

namespace ChoixRequis {

void suivre(QAbstractButton* bouton, const QString& manque)
{
    if (!bouton)
        return;
    bouton->setEnabled(manque.isEmpty());
    // Une bulle se montre aussi sur un bouton éteint : elle dit pourquoi.
    bouton->setToolTip(manque);
    bouton->setAccessibleDescription(manque);
}

} // namespace ChoixRequis
