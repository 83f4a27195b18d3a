// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/db/requete.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlRecord>

namespace Base {

namespace {
// Les codes de SQLite d'une base tenue par une autre connexion.
constexpr qint64 SQLITE_BUSY = 5;
constexpr qint64 SQLITE_LOCKED = 6;

bool estLecture(const QString& sql)
{
    const QString debut = sql.trimmed().section(QLatin1Char(' '), 0, 0).toUpper();
    return debut == QLatin1String("SELECT") || debut == QLatin1String("PRAGMA") ||
           debut == QLatin1String("WITH");
}
} // namespace

Requete::Requete(QString texte, const QSqlDatabase& base)
    : sql(std::move(texte)), requete(base), lecture(estLecture(sql))
{
    requete.setForwardOnly(true);
}

Erreur Requete::echec() const
{
    const QSqlError erreur = requete.lastError();
    QString texte = erreur.text().trimmed();
    if (texte.isEmpty())
        texte = requete.driver() && !requete.driver()->isOpen() ? QStringLiteral("base fermée") : sql;
    Erreur resultat(lecture ? Raison::LectureImpossible : Raison::EcritureRefusee, texte);
    resultat.nombre = erreur.nativeErrorCode().toLongLong();
    return resultat;
}

Resultat<> Requete::executer(const QVariantList& valeurs)
{
    if (!preparee) {
        // Une préparation refusée (base verrouillée ou fermée) se représente à l'appel suivant.
        if (!requete.prepare(sql))
            return echec();
        preparee = true;
    }
    for (int i = 0; i < valeurs.size(); ++i)
        requete.bindValue(i, valeurs.at(i));
    if (!requete.exec())
        return echec();
    return {};
}

bool Requete::suivante()
{
    return requete.next();
}

Resultat<> Requete::fin() const
{
    if (requete.lastError().type() != QSqlError::NoError)
        return echec();
    return {};
}

Resultat<QList<Ligne>> Requete::lignes(const QVariantList& valeurs)
{
    QList<Ligne> resultat;
    const Resultat<> lu = pourChaqueLigne(valeurs, [&resultat](const Requete& r) {
        const int colonnes = r.requete.record().count();
        Ligne ligne;
        ligne.reserve(colonnes);
        for (int i = 0; i < colonnes; ++i)
            ligne.append(r.requete.value(i));
        resultat.append(ligne);
    });
    if (!lu)
        return lu.erreur();
    return resultat;
}

Resultat<QVariant> Requete::premiere(const QVariantList& valeurs)
{
    if (Resultat<> r = executer(valeurs); !r)
        return r.erreur();
    QVariant premiere;
    if (suivante())
        premiere = requete.value(0);
    else if (Resultat<> r = fin(); !r)
        return r.erreur();
    liberer();
    return premiere;
}

bool estVerrou(const Erreur& erreur)
{
    return (erreur.raison == Raison::LectureImpossible || erreur.raison == Raison::EcritureRefusee) &&
           (erreur.nombre == SQLITE_BUSY || erreur.nombre == SQLITE_LOCKED);
}

Resultat<> executer(const QString& sql, const QVariantList& valeurs, const QSqlDatabase& base)
{
    Requete requete(sql, base);
    return requete.executer(valeurs);
}

Resultat<QList<Ligne>> lignes(const QString& sql, const QVariantList& valeurs, const QSqlDatabase& base)
{
    Requete requete(sql, base);
    return requete.lignes(valeurs);
}

Resultat<QVariant> valeur(const QString& sql, const QVariantList& valeurs, const QSqlDatabase& base)
{
    Requete requete(sql, base);
    return requete.premiere(valeurs);
}

} // namespace Base
