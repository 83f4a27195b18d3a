// SPDX-License-Identifier: GPL-3.0-or-later
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

// La règle des dépendances entre dossiers, vérifiée sur l'arbre des sources :
//   app → gui → core ;
//   dans core : commun ← db ← fonctions (entry, pupils, exchange, print, report, settings),
//   et les fonctions ne s'incluent pas entre elles ;
//   gui/<fonction> inclut core/* et gui/commun, jamais gui/mainwindow ni une autre fonction.
// Chaque fichier se trouve dans le dossier qui dit sa couche.
namespace {

const QStringList FONCTIONS = {QStringLiteral("entry"), QStringLiteral("pupils"), QStringLiteral("exchange"),
                               QStringLiteral("print"), QStringLiteral("report"), QStringLiteral("settings")};

// Le dossier d'un fichier, « couche/partie » (« app » seul pour le démarrage), vide s'il n'est
// pas à sa place.
QString dossier(const QString& chemin)
{
    const QStringList parties = chemin.split(QLatin1Char('/'));
    if (parties.size() == 2 && parties[0] == QLatin1String("app"))
        return QStringLiteral("app");
    if (parties.size() != 3)
        return {};
    const QString& couche = parties[0];
    const QString& partie = parties[1];
    if (couche == QLatin1String("core") &&
        (partie == QLatin1String("commun") || partie == QLatin1String("db") || FONCTIONS.contains(partie)))
        return couche + QLatin1Char('/') + partie;
    if (couche == QLatin1String("gui") &&
        (partie == QLatin1String("commun") || partie == QLatin1String("mainwindow") ||
         FONCTIONS.contains(partie)))
        return couche + QLatin1Char('/') + partie;
    return {};
}

// Vrai quand un fichier du dossier `de` peut inclure un fichier du dossier `vers`.
bool permis(const QString& de, const QString& vers)
{
    if (de == vers || de == QLatin1String("app"))
        return true;
    const QString coucheDe = de.section(QLatin1Char('/'), 0, 0);
    const QString partieDe = de.section(QLatin1Char('/'), 1, 1);
    const QString coucheVers = vers.section(QLatin1Char('/'), 0, 0);
    const QString partieVers = vers.section(QLatin1Char('/'), 1, 1);
    if (coucheVers == QLatin1String("app"))
        return false;
    if (coucheDe == QLatin1String("core")) {
        if (coucheVers != QLatin1String("core"))
            return false;
        if (partieDe == QLatin1String("commun"))
            return false;
        if (partieDe == QLatin1String("db"))
            return partieVers == QLatin1String("commun");
        return partieVers == QLatin1String("commun") || partieVers == QLatin1String("db");
    }
    // gui
    if (coucheVers == QLatin1String("core"))
        return true;
    if (partieDe == QLatin1String("mainwindow"))
        return true;
    return partieVers == QLatin1String("commun");
}

QStringList sources()
{
    QStringList liste;
    QDirIterator it(QStringLiteral(QUORVEL_SOURCES), {QStringLiteral("*.h"), QStringLiteral("*.cpp")},
                    QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        liste << it.next().mid(qstrlen(QUORVEL_SOURCES) + 1);
    liste.sort();
    return liste;
}

} // namespace

class TstArchitecture : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void regle_data();
    void regle();
};

void TstArchitecture::regle_data()
{
    QTest::addColumn<QString>("fichier");
    const QStringList liste = sources();
    QVERIFY2(liste.size() > 50, "arbre des sources introuvable");
    for (const QString& f : liste)
        QTest::newRow(qPrintable(f)) << f;
}

void TstArchitecture::regle()
{
    QFETCH(QString, fichier);
    const QString de = dossier(fichier);
    QVERIFY2(!de.isEmpty(),
             qPrintable(fichier + QStringLiteral(" n'est pas dans un dossier de couche connu")));

    QFile f(QStringLiteral(QUORVEL_SOURCES "/") + fichier);
    QVERIFY(f.open(QIODevice::ReadOnly | QIODevice::Text));
    static const QRegularExpression inclusion(QStringLiteral("^\\s*#\\s*include\\s+\"([^\"]+)\""),
                                              QRegularExpression::MultilineOption);
    QStringList fautes;
    auto it = inclusion.globalMatch(QString::fromUtf8(f.readAll()));
    while (it.hasNext()) {
        const QString inclus = it.next().captured(1);
        if (inclus.startsWith(QLatin1String("ui_")) || inclus.endsWith(QLatin1String(".moc")))
            continue; // formulaires et méta-objets produits à la construction
        const QString vers = dossier(inclus);
        if (vers.isEmpty())
            fautes << inclus + QStringLiteral(" (chemin sans couche : écrire « couche/partie/fichier.h »)");
        else if (!permis(de, vers))
            fautes << inclus + QStringLiteral(" (") + de + QStringLiteral(" ne peut pas inclure ") + vers +
                          QLatin1Char(')');
    }
    QVERIFY2(fautes.isEmpty(), qPrintable(fautes.join(QStringLiteral("; "))));
}

QTEST_GUILESS_MAIN(TstArchitecture)
#include "tst_architecture.moc"
