// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings/parametres.h"

#include "core/commun/motdepasse.h"
#include "core/db/requete.h"

namespace Parametres {

QStringList lignesAdresse(const QString& texte)
{
    return texte.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString normaliserLangue(const QString& texte)
{
    return texte.trimmed().toLower();
}

Resultat<> enregistrer(const QString& texteEcole, const QString& texteLangue)
{
    const QStringList lignes = lignesAdresse(texteEcole);
    if (lignes.size() > LIGNES_MAX)
        return Erreur(Raison::TropDeLignes).avec(LIGNES_MAX);
    return Base::executer(QStringLiteral("UPDATE general SET langue_defaut=?, ecole=? WHERE id=1"),
                          {normaliserLangue(texteLangue), lignes.join(QLatin1Char('\n'))});
}

Resultat<> changerMotDePasse(const QString& ancien, const QString& nouveau1, const QString& nouveau2)
{
    const QByteArray stockee = MotDePasse::empreinteStockee();
    if (!stockee.isEmpty() && !MotDePasse::correspond(ancien, stockee))
        return Erreur(Raison::AncienMotDePasseIncorrect);
    if (MotDePasse::normaliser(nouveau1) != MotDePasse::normaliser(nouveau2))
        return Erreur(Raison::MotsDePasseDifferents);
    if (!MotDePasse::representable(nouveau1))
        return Erreur(Raison::MotDePasseNonRepresentable);
    return MotDePasse::fixer(nouveau1);
}

} // namespace Parametres
