// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/sql.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

QStringList lire(QSqlQuery& requete, const QString& separateur)
{
    QStringList lignes;
    while (requete.next()) {
        QStringList valeurs;
        for (int i = 0; i < requete.record().count(); ++i)
            valeurs << (requete.isNull(i) ? QStringLiteral("NULL") : requete.value(i).toString());
        lignes << valeurs.join(separateur);
    }
    return lignes;
}

} // namespace

namespace Sql {

QVariant valeur(const QString& sql, const QVariantList& valeurs)
{
    QSqlQuery requete;
    requete.prepare(sql);
    for (const QVariant& v : valeurs)
        requete.addBindValue(v);
    if (!requete.exec())
        qFatal("requête refusée : %s (%s)", qPrintable(sql), qPrintable(requete.lastError().text()));
    return requete.next() ? requete.value(0) : requete.lastInsertId();
}

QStringList lignes(const QString& sql, const QString& separateur)
{
    QSqlQuery requete;
    if (!requete.exec(sql))
        return {QStringLiteral("ERREUR %1 : %2").arg(sql, requete.lastError().text())};
    return lire(requete, separateur);
}

QString contenu(const QStringList& tables)
{
    QStringList textes;
    for (const QString& table : tables)
        textes << table + QLatin1Char(':') +
                      lignes(QStringLiteral("SELECT * FROM %1 ORDER BY 1").arg(table)).join(',');
    return textes.join(';');
}

QStringList surFichier(const QString& chemin, const QStringList& instructions)
{
    const QString nom = QStringLiteral("essai_fichier");
    QStringList lignes;
    {
        QSqlDatabase base = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nom);
        base.setDatabaseName(chemin);
        bool ok = base.open();
        QSqlQuery requete(base);
        for (qsizetype i = 0; ok && i < instructions.size(); ++i)
            ok = requete.exec(instructions.at(i));
        lignes = ok ? lire(requete, QStringLiteral("|"))
                    : QStringList{
                          QStringLiteral("ERREUR %1 : %2 %3")
                              .arg(requete.lastQuery(), requete.lastError().text(), base.lastError().text())};
    }
    QSqlDatabase::removeDatabase(nom);
    return lignes;
}

qint64 idRef(const QString& ref)
{
    return valeur(QStringLiteral("SELECT id_comp FROM competences WHERE ref=?"), {ref}).toLongLong();
}

} // namespace Sql
