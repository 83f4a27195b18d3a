// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/db/initialisation.h"

#include "core/commun/fichiersur.h"
#include "core/commun/transaction.h"
#include "core/db/chargeurlivret.h"
#include "core/db/schema.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

namespace Initialisation {

ParametresPalier parametresPalier(int rang)
{
    switch (rang) {
    case 0:
        return {0xFF00ACEFu, QStringLiteral("CE1"), QStringLiteral("bleu.png")};
    case 1:
        return {0xFFF9B117u, QStringLiteral("CM2"), QStringLiteral("orange.png")};
    case 2:
        return {0xFFBAD21Fu, QString(), QStringLiteral("vert.png")};
    default:
        return {0xFF000000u, QString(), QStringLiteral("gris.png")};
    }
}

namespace {

// Une ligne de paramcomp par palier, dans l'ordre du livret. Les erreurs ne sont pas
// signalées : le livret reste utilisable, seule la couleur d'impression manquerait.
void ecrireParametresPaliers()
{
    QSqlQuery paliers;
    if (!paliers.exec(QStringLiteral("SELECT id_comp FROM competences WHERE id_comp_parent=0")))
        return;
    QSqlQuery insertion;
    insertion.prepare(
        QStringLiteral("INSERT INTO paramcomp(id_comp,couleur_defaut,texte,header) VALUES(?,?,?,?)"));
    for (int rang = 0; paliers.next(); ++rang) {
        const ParametresPalier p = parametresPalier(rang);
        insertion.addBindValue(paliers.value(0));
        insertion.addBindValue(qlonglong(p.couleur));
        insertion.addBindValue(p.texte);
        insertion.addBindValue(p.entete);
        insertion.exec();
    }
}

} // namespace

bool executerScript(const QStringList& instructions, QString* instructionEnErreur, QString* erreur)
{
    QSqlQuery requete;
    for (const QString& instruction : instructions) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        if (!requete.exec(instruction)) {
            *instructionEnErreur = instruction;
            *erreur = requete.lastError().text();
            return false;
        }
    }
    return true;
}

Resultat poserBase(const QStringList& instructions, const QString& livret)
{
    Resultat resultat;
    Transaction transaction;
    if (!executerScript(instructions, &resultat.instructionEnErreur, &resultat.erreurPilote))
        return resultat;

    ChargeurLivret chargeur;
    if (!chargeur.load(livret)) {
        resultat.erreurLivret = chargeur.erreur();
        resultat.messageChargement = chargeur.lecteur().messageErreur();
        return resultat;
    }

    // Les paramètres des paliers vont dans la même transaction : une base posée à moitié
    // (arbre sans couleurs d'impression) ne peut ainsi jamais rester.
    ecrireParametresPaliers();
    // Pas de langue vivante choisie d'avance (le script en pose une) : c'est l'enseignante qui la
    // choisit dans les paramètres ; d'ici là, les livrets portent un blanc à compléter à la main.
    QSqlQuery langue;
    if (!langue.exec(QStringLiteral("UPDATE general SET langue_defaut='' WHERE id=1"))) {
        resultat.erreurPilote = langue.lastError().text();
        return resultat;
    }
    Schema::creerIndex();

    resultat.reussi = transaction.valider();
    if (!resultat.reussi)
        resultat.erreurPilote = QSqlDatabase::database().lastError().text();
    return resultat;
}

bool contientDesDonnees()
{
    QSqlQuery requete;
    for (const char* table : {"eleves", "classes", "notes"}) {
        if (requete.exec(QStringLiteral("SELECT COUNT(*) FROM %1").arg(QLatin1String(table)))) {
            if (requete.next() && requete.value(0).toLongLong() > 0)
                return true;
        } else if (!requete.lastError().text().contains(QLatin1String("no such table"))) {
            return true;
        }
    }
    return false;
}

QString nomDate(const QString& cheminBase, const QString& suffixe)
{
    const QString base = cheminBase + QLatin1Char('.') +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HHmm"));
    QString nom = base + suffixe;
    for (int n = 2; QFileInfo::exists(nom); ++n)
        nom = base + QLatin1Char('-') + QString::number(n) + suffixe;
    return nom;
}

QString copierAvantInitialisation(const QString& cheminBase, QString* erreur)
{
    return copierADate(cheminBase, QStringLiteral(".avant-initialisation"), erreur);
}

QString copierADate(const QString& cheminBase, const QString& suffixe, QString* erreur)
{
    const QString copie = nomDate(cheminBase, suffixe);

    // Entière ou absente, et privée comme la base.
    const FichierSur::Issue issue = FichierSur::copier(cheminBase, copie, EcritureSure::Droits::Prives);
    if (!issue.reussie()) {
        if (erreur)
            *erreur = issue.detail;
        return QString();
    }
    return copie;
}

} // namespace Initialisation
