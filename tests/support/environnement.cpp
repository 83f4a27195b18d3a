#include "support/environnement.h"

#include "app/application.h"
#include "db/schema.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>

namespace Environnement {

void preparer()
{
    QCoreApplication::setOrganizationName(Application::ORGANISATION);
    QCoreApplication::setApplicationName(Application::NOM);
    QStandardPaths::setTestModeEnabled(true);
}

std::unique_ptr<QTemporaryDir> nouveauDossierDonnees()
{
    auto dossier = std::make_unique<QTemporaryDir>();
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
    for (const QString& instruction : Schema::instructionsScript())
        if (!requete.exec(instruction))
            return false;
    return true;
}

} // namespace Environnement
