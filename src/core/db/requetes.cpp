// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/db/requetes.h"

#include "core/commun/ordrealphabetique.h"

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

QString ecole(const QSqlDatabase& base)
{
    QSqlQuery requete(base);
    return requete.exec(QStringLiteral("SELECT ecole FROM general")) && requete.next()
               ? requete.value(0).toString()
               : QString();
}

QList<Entree> classes(const QSqlDatabase& base)
{
    return lireEntrees(QStringLiteral("SELECT libelle,id_classe FROM classes ORDER BY tri"), base);
}

QList<Entree> niveaux(const QSqlDatabase& base)
{
    return lireEntrees(QStringLiteral("SELECT libelle, id_niveau FROM niveaux ORDER BY tri"), base);
}

QList<Eleve> elevesClasse(const QString& sql, qint64 idClasse, bool parNiveau)
{
    QSqlQuery requete;
    requete.setForwardOnly(true);
    requete.prepare(sql);
    requete.addBindValue(idClasse);
    requete.exec();
    QList<Eleve> eleves;
    while (requete.next()) {
        Eleve eleve;
        eleve.nom = requete.value(0).toString();
        eleve.prenom = requete.value(1).toString();
        eleve.niveau = requete.value(2).toString();
        eleve.id = requete.value(3).toLongLong();
        eleves.append(eleve);
    }
    OrdreAlphabetique::trier(eleves, &Eleve::nom, &Eleve::prenom,
                             [parNiveau](const Eleve& e) { return parNiveau ? e.niveau : QString(); });
    return eleves;
}

} // namespace Requetes
