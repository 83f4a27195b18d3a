// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/db/schema.h"

#include "core/commun/dossierdonnees.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>

namespace Schema {

bool ouvrirBaseParDefaut(const QString& chemin, QString* erreur, bool lectureSeule)
{
    if (!lectureSeule)
        DossierDonnees::creerFichierPrive(chemin);
    QSqlDatabase base = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    base.setHostName(QStringLiteral("localhost"));
    base.setDatabaseName(chemin);
    if (lectureSeule)
        base.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    if (base.open()) {
        creerIndex(base);
        return true;
    }
    if (erreur)
        *erreur = base.lastError().text();
    return false;
}

std::optional<QStringList> instructionsScript(const QString& ressource)
{
    QStringList instructions;
    QFile fichier(ressource);
    if (!fichier.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    QTextStream flux(&fichier);
    flux.setEncoding(QStringConverter::Utf8);
    while (!flux.atEnd()) {
        QString ligne = flux.readLine();
        if (ligne.isEmpty() || ligne.startsWith(QLatin1Char('#')))
            continue;
        ligne.replace(QLatin1String("\\n"), QLatin1String("\n"));
        instructions.append(ligne);
    }
    return instructions;
}

void creerIndex(const QSqlDatabase& base)
{
    QSqlQuery requete(base);
    requete.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS notes_eleve_comp ON notes(id_eleve, id_comp)"));
}

std::optional<DefautFichier> defautFichier(Examen examen, const QSqlDatabase& base)
{
    QSqlQuery requete(base);
    if (!requete.exec(examen == Examen::Complet ? QStringLiteral("PRAGMA quick_check")
                                                : QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
        // SQLITE_BUSY (5) et SQLITE_LOCKED (6) : le fichier est sain mais pris ailleurs.
        const QString code = requete.lastError().nativeErrorCode();
        return DefautFichier{code == QLatin1String("5") || code == QLatin1String("6"),
                             requete.lastError().databaseText()};
    }
    if (examen == Examen::Rapide)
        return std::nullopt;
    QStringList constats;
    while (requete.next())
        constats << requete.value(0).toString();
    if (constats == QStringList{QStringLiteral("ok")})
        return std::nullopt;
    return DefautFichier{false, constats.mid(0, 3).join(QLatin1String(" ; "))};
}

EtatVersion controlerVersion(const QSqlDatabase& base)
{
    EtatVersion etat;
    QSqlQuery requete(base);
    if (!requete.exec(QStringLiteral("SELECT COUNT(*) FROM general")) || !requete.next() ||
        requete.value(0).toInt() == 0)
        return etat;
    if (!requete.exec(QStringLiteral("SELECT version FROM general WHERE id=1")) || !requete.next())
        return etat;
    etat.version = requete.value(0).toInt();
    etat.statut = etat.version == VERSION ? EtatVersion::Correcte : EtatVersion::Incorrecte;
    return etat;
}

} // namespace Schema
