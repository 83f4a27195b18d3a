// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/db/schema.h"

#include "core/db/requete.h"

#include "core/commun/dossierdonnees.h"

#include <QFile>
#include <QSqlError>
#include <QTextStream>

#include <algorithm>

namespace Schema {

Resultat<> ouvrirBaseParDefaut(const QString& chemin, bool lectureSeule)
{
    if (!lectureSeule)
        DossierDonnees::creerFichierPrive(chemin);
    QSqlDatabase base = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    base.setHostName(QStringLiteral("localhost"));
    base.setDatabaseName(chemin);
    if (lectureSeule)
        base.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    if (!base.open())
        return Erreur(Raison::OuvertureImpossible, base.lastError().text()).sur(chemin);
    creerIndex(base);
    return {};
}

Resultat<QStringList> instructionsScript(const QString& ressource)
{
    QStringList instructions;
    QFile fichier(ressource);
    if (!fichier.open(QIODevice::ReadOnly | QIODevice::Text))
        return Erreur(Raison::FichierIllisible, fichier.errorString()).sur(ressource);
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
    // Sans effet quand il échoue : l'index ne fait qu'accélérer les lectures.
    static_cast<void>(Base::executer(
        QStringLiteral("CREATE INDEX IF NOT EXISTS notes_eleve_comp ON notes(id_eleve, id_comp)"), {}, base));
}

Resultat<> examiner(Examen examen, const QSqlDatabase& base)
{
    const auto constats =
        Base::lignes(examen == Examen::Complet ? QStringLiteral("PRAGMA quick_check")
                                               : QStringLiteral("SELECT count(*) FROM sqlite_master"),
                     {}, base);
    if (!constats) {
        // SQLITE_BUSY et SQLITE_LOCKED : le fichier est sain mais pris ailleurs.
        return Erreur(Base::estVerrou(constats.erreur()) ? Raison::BaseOccupee : Raison::BaseEndommagee,
                      constats.erreur().texte);
    }
    if (examen == Examen::Rapide)
        return {};
    QStringList textes;
    for (const Base::Ligne& ligne : *constats)
        textes << ligne.value(0).toString();
    if (textes == QStringList{QStringLiteral("ok")})
        return {};
    return Erreur(Raison::BaseEndommagee, textes.mid(0, 3).join(QLatin1String(" ; ")));
}

Resultat<EtatVersion> controlerVersion(const QSqlDatabase& base)
{
    EtatVersion etat;
    const auto table = Base::valeur(
        QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE type='table' AND name='general'"), {}, base);
    if (!table)
        return table.erreur();
    if (table->toLongLong() == 0)
        return etat;
    // Une table `general` d'un autre programme, sans version : un fichier étranger.
    const auto colonnes = Base::lignes(QStringLiteral("PRAGMA table_info(general)"), {}, base);
    if (!colonnes)
        return colonnes.erreur();
    const bool avecVersion =
        std::any_of(colonnes->cbegin(), colonnes->cend(), [](const Base::Ligne& colonne) {
            return colonne.value(1).toString() == QLatin1String("version");
        });
    if (!avecVersion)
        return etat;
    const auto lignes = Base::valeur(QStringLiteral("SELECT COUNT(*) FROM general"), {}, base);
    if (!lignes)
        return lignes.erreur();
    if (lignes->toLongLong() == 0)
        return etat;
    const auto version = Base::valeur(QStringLiteral("SELECT version FROM general WHERE id=1"), {}, base);
    if (!version)
        return version.erreur();
    if (version->isNull())
        return etat;
    etat.version = version->toInt();
    etat.statut = etat.version == VERSION ? EtatVersion::Correcte : EtatVersion::Incorrecte;
    return etat;
}

Resultat<> mettreDeCote(const QString& chemin, const QString& deCote)
{
    QSqlDatabase base = QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false);
    base.close();
    if (!QFile::rename(chemin, deCote)) {
        base.open();
        return Erreur(Raison::CopieImpossible, deCote).sur(chemin);
    }
    for (const char* suffixe : {"-journal", "-wal", "-shm"})
        if (QFile::exists(chemin + QLatin1String(suffixe)))
            QFile::rename(chemin + QLatin1String(suffixe), deCote + QLatin1String(suffixe));
    DossierDonnees::creerFichierPrive(chemin);
    if (!base.open())
        return Erreur(Raison::OuvertureImpossible, base.lastError().text()).sur(chemin);
    creerIndex(base);
    return {};
}

bool piloteDisponible()
{
    return QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE"));
}

} // namespace Schema
