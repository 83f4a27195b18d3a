// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/db/requetes.h"

#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

namespace Requetes {

namespace {

QList<Entree> lireEntrees(const QString& sql, const QSqlDatabase& base)
{
    QList<Entree> entrees;
    QSqlQuery requete(base);
    if (!requete.exec(sql))
        return entrees;
    while (requete.next())
        entrees.append({requete.value(0).toString(), requete.value(1).toLongLong()});
    return entrees;
}

} // namespace

QString listeIdentifiants(const QList<qint64>& ids)
{
    QStringList textes;
    textes.reserve(ids.size());
    for (const qint64 id : ids)
        textes << QString::number(id);
    return textes.join(QLatin1Char(','));
}

QList<Entree> classes(const QSqlDatabase& base)
{
    return lireEntrees(QStringLiteral("SELECT libelle,id_classe FROM classes ORDER BY tri"), base);
}

QList<Entree> niveaux(const QSqlDatabase& base)
{
    return lireEntrees(QStringLiteral("SELECT libelle, id_niveau FROM niveaux ORDER BY tri"), base);
}

} // namespace Requetes
