// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/commun/application.h"

#include "core/commun/dossierdonnees.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QStandardPaths>

namespace Application {

namespace {
CheminsBase& cheminsCourants()
{
    static CheminsBase valeur;
    return valeur;
}

QString& dossierDocumentsFixe()
{
    static QString dossier;
    return dossier;
}

QElapsedTimer& depuisDernierPassage()
{
    static QElapsedTimer chrono;
    return chrono;
}
} // namespace

QString repertoireDonnees(const QString& emplacementPlateforme, const QString& dossierPersonnel)
{
    QString dossier = emplacementPlateforme;
    dossier.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (dossier.isEmpty())
        dossier = dossierPersonnel + QLatin1Char('/') + NOM;
    return dossier;
}

QString preparerRepertoireDonnees()
{
    const QString dossier = repertoireDonnees(
        QStandardPaths::writableLocation(QStandardPaths::AppDataLocation), QDir::homePath());
    DossierDonnees::creer(dossier);
    return dossier;
}

CheminsBase cheminsDans(const QString& repertoire)
{
    const QString base = repertoire + QLatin1Char('/');
    return {base + FICHIER_BASE_V3, base + FICHIER_BASE_V1, base + FICHIER_BASE_V2};
}

void definirChemins(const CheminsBase& chemins)
{
    cheminsCourants() = chemins;
}

const CheminsBase& chemins()
{
    return cheminsCourants();
}

QString dossierDonnees()
{
    return QFileInfo(cheminsCourants().courante).absolutePath();
}

QString dossierDocuments()
{
    return dossierDocumentsFixe().isEmpty() ? QCoreApplication::applicationDirPath() : dossierDocumentsFixe();
}

void definirDossierDocuments(const QString& dossier)
{
    dossierDocumentsFixe() = dossier;
}

QString cheminDocument(const QString& nomFichier)
{
    return QDir(dossierDocuments()).absoluteFilePath(nomFichier);
}

void laisserVivre()
{
    if (depuisDernierPassage().isValid() && depuisDernierPassage().elapsed() < 20)
        return;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    depuisDernierPassage().start();
}

void commencerTravail()
{
    depuisDernierPassage().start();
}

} // namespace Application
