// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/repondeuressai.h"

#include <QTest>

RepondeurEssai::RepondeurEssai()
{
    Invite::installer(this);
}

// Un répondeur remplacé par un plus récent (essai précédent terminé en échec) ne retire pas
// celui-ci : aucun vrai dialogue ne doit jamais bloquer un essai.
RepondeurEssai::~RepondeurEssai()
{
    if (Invite::repondeurInstalle() == this)
        Invite::installer(nullptr);
}

Invite::Message RepondeurEssai::dernier() const
{
    if (messages().isEmpty()) {
        QTest::qFail("aucun message n'a été montré", __FILE__, __LINE__);
        return {};
    }
    return messages().constLast();
}

void RepondeurEssai::inattendu(const QString& description)
{
    imprevus.append(description);
    const QByteArray texte = QStringLiteral("question imprévue : %1").arg(description).toUtf8();
    QTest::qFail(texte.constData(), __FILE__, __LINE__);
}
