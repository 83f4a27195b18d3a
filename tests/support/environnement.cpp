// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/environnement.h"

#include "core/commun/application.h"
#include "core/db/initialisation.h"
#include "core/db/schema.h"

#include <QCoreApplication>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>

namespace Environnement {

void preparer()
{
    QCoreApplication::setOrganizationName(Application::ORGANISATION);
    QCoreApplication::setApplicationName(Application::NOM);
    QStandardPaths::setTestModeEnabled(true);
    // Les programmes d'essais tournent en parallèle : chacun garde ses réglages à part.
    static QTemporaryDir reglages;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, reglages.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, reglages.path());
}

void FermerBase::operator()(QTemporaryDir* dossier) const
{
    fermerBase();
    delete dossier;
}

Dossier nouveauDossierDonnees()
{
    Dossier dossier(new QTemporaryDir);
    Application::definirChemins(Application::cheminsDans(dossier->path()));
    return dossier;
}

bool nouvelleBase(Dossier& dossier, Pose pose)
{
    dossier.reset();
    dossier = nouveauDossierDonnees();
    return ouvrirBase() && (pose == Pose::Schema ? poserSchema() : initialiserBase());
}

bool ouvrirBase()
{
    return Schema::ouvrirBaseParDefaut(Application::chemins().courante).reussi();
}

void fermerBase()
{
    {
        QSqlDatabase base = QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false);
        base.close();
    }
    QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));
}

namespace {
const QString CONNEXION_VERROU = QStringLiteral("verrou");
}

VerrouBase::VerrouBase()
{
    QSqlDatabase base = QSqlDatabase::database();
    base.close();
    base.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
    if (!base.open())
        return;
    QSqlDatabase autre = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), CONNEXION_VERROU);
    autre.setDatabaseName(Application::chemins().courante);
    pris = autre.open() && QSqlQuery(autre).exec(QStringLiteral("BEGIN EXCLUSIVE"));
}

VerrouBase::~VerrouBase()
{
    {
        QSqlDatabase autre = QSqlDatabase::database(CONNEXION_VERROU, false);
        QSqlQuery(autre).exec(QStringLiteral("ROLLBACK"));
        autre.close();
    }
    QSqlDatabase::removeDatabase(CONNEXION_VERROU);
}

bool poserSchema()
{
    const auto instructions = Schema::instructionsScript();
    return instructions && Initialisation::executerScript(*instructions).reussi();
}

bool initialiserBase(const QString& livret)
{
    const auto instructions = Schema::instructionsScript();
    return instructions && Initialisation::poserBase(
                               *instructions, livret.isEmpty() ? Initialisation::RESSOURCE_LIVRET : livret)
                               .reussi();
}

} // namespace Environnement
