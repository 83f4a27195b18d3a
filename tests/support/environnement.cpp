// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/environnement.h"

#include "core/commun/application.h"
#include "core/db/initialisation.h"
#include "core/db/schema.h"

#include <QCoreApplication>
#include <QSettings>
#include <QSqlDatabase>
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

bool poserSchema()
{
    const auto instructions = Schema::instructionsScript();
    return instructions && Initialisation::executerScript(*instructions).reussi();
}

bool initialiserBase()
{
    const auto instructions = Schema::instructionsScript();
    return instructions && Initialisation::poserBase(*instructions).reussi();
}

} // namespace Environnement
