// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings/parametres.h"

#include "core/commun/motdepasse.h"

#include <QSqlQuery>
#include <QVariant>

namespace Parametres {

std::optional<Ecole> lire(const QSqlDatabase& base)
{
    QSqlQuery requete(base);
    if (!requete.exec(QStringLiteral("SELECT ecole, langue_defaut FROM general WHERE id=1")) ||
        !requete.next())
        return std::nullopt;
    return Ecole{requete.value(0).toString(), requete.value(1).toString()};
}

QStringList lignesAdresse(const QString& texte)
{
    return texte.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString normaliserLangue(const QString& texte)
{
    return texte.trimmed().toLower();
}

Enregistrement enregistrer(const QString& texteEcole, const QString& texteLangue, const QSqlDatabase& base)
{
    const QStringList lignes = lignesAdresse(texteEcole);
    if (lignes.size() > LIGNES_MAX)
        return Enregistrement::TropDeLignes;

    QSqlQuery requete(base);
    requete.prepare(QStringLiteral("UPDATE general SET langue_defaut=?, ecole=? WHERE id=1"));
    requete.addBindValue(normaliserLangue(texteLangue));
    requete.addBindValue(lignes.join(QLatin1Char('\n')));
    return requete.exec() ? Enregistrement::Fait : Enregistrement::Echec;
}

ChangementMotDePasse changerMotDePasse(const QString& ancien, const QString& nouveau1,
                                       const QString& nouveau2)
{
    const QByteArray stockee = MotDePasse::empreinteStockee();
    if (!stockee.isEmpty() && !MotDePasse::correspond(ancien, stockee))
        return ChangementMotDePasse::AncienIncorrect;
    if (MotDePasse::normaliser(nouveau1) != MotDePasse::normaliser(nouveau2))
        return ChangementMotDePasse::NouveauxDifferents;
    if (!MotDePasse::representable(nouveau1))
        return ChangementMotDePasse::NonRepresentable;
    return MotDePasse::fixer(nouveau1) ? ChangementMotDePasse::Fait : ChangementMotDePasse::NonEnregistre;
}

} // namespace Parametres
