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

bool ouvrirBase()
{
    QString erreur;
    return Schema::ouvrirBaseParDefaut(Application::chemins().courante, &erreur);
}

void fermerBase()
{
    {
        QSqlDatabase base = QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false);
        base.close();
    }
    QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));
}

bool poserSchema()
{
    QSqlQuery requete;
    for (const QString& instruction : Schema::instructionsScript().value_or(QStringList()))
        if (!requete.exec(instruction))
            return false;
    return true;
}

} // namespace Environnement

bool Environnement::initialiserBase(const QString& livret)
{
    const auto instructions = Schema::instructionsScript();
    return instructions && Initialisation::poserBase(
                               *instructions, livret.isEmpty() ? Initialisation::RESSOURCE_LIVRET : livret)
                               .reussi;
}
