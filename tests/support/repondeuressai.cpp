// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/repondeuressai.h"

#include <QTest>

RepondeurEssai::RepondeurEssai()
{
    Invite::installer(this);
}

// Une réponse préparée qui n'a pas servi fait échouer l'essai : la question attendue n'est pas
// venue. Un répondeur remplacé par un plus récent (essai précédent terminé en échec) ne retire
// pas celui-ci : aucun vrai dialogue ne doit jamais bloquer un essai.
RepondeurEssai::~RepondeurEssai()
{
    if (!fileVide())
        QTest::qFail("des réponses préparées n'ont pas servi", __FILE__, __LINE__);
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

QStringList RepondeurEssai::lus() const
{
    QStringList lignes;
    for (const Invite::Message& message : messages())
        lignes << message.titre + '|' + message.texte;
    return lignes;
}

void RepondeurEssai::reponses(const QString& lettres)
{
    for (const QChar lettre : lettres) {
        if (lettre == '-')
            annulation();
        else
            bouton(lettre == 'O'   ? QMessageBox::Yes
                   : lettre == 'N' ? QMessageBox::No
                   : lettre == 'A' ? QMessageBox::Cancel
                   : lettre == 'R' ? QMessageBox::Retry
                                   : QMessageBox::Ok);
    }
}

void RepondeurEssai::inattendu(const QString& description)
{
    const QByteArray texte = QStringLiteral("question imprévue : %1").arg(description).toUtf8();
    QTest::qFail(texte.constData(), __FILE__, __LINE__);
}
