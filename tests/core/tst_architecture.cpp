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
// Et la place de la base et des messages :
//   le module Sql de Qt n'est inclus que par core/db et la transaction (core/commun) ;
//   toute instruction passe par Base::Requete : QSqlQuery n'est nommé que dans core/db/requete ;
//   le cœur ne fait aucun message : ni tr(), ni traduction, hors des commentaires.
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

// Le texte d'un fichier sans ses commentaires de fin de ligne (ceux du projet).
QString sansCommentaires(const QString& texte)
{
    static const QRegularExpression commentaire(QStringLiteral("//[^\n]*"));
    return QString(texte).remove(commentaire);
}

// Ce qu'un fichier fait de la base et des messages hors de leur place.
QStringList fautesDePlace(const QString& fichier, const QString& texte)
{
    QStringList fautes;
    const bool requete = fichier.startsWith(QLatin1String("core/db/requete."));
    const bool moduleSql = fichier.startsWith(QLatin1String("core/db/")) ||
                           fichier == QLatin1String("core/commun/transaction.h");
    static const QRegularExpression inclusionSql(QStringLiteral("#\\s*include\\s*<QSql"));
    if (!moduleSql && inclusionSql.match(texte).hasMatch())
        fautes << QStringLiteral("module Sql inclus hors de core/db (passer par core/db/requete.h)");
    const QString code = sansCommentaires(texte);
    if (!requete && code.contains(QLatin1String("QSqlQuery")))
        fautes << QStringLiteral("QSqlQuery hors de core/db/requete (passer par Base::Requete)");
    static const QRegularExpression message(
        QStringLiteral("\\btr\\(|translate\\(|Q_DECLARE_TR_FUNCTIONS|QT_TR_NOOP|QT_TRANSLATE_NOOP"));
    if (fichier.startsWith(QLatin1String("core/")) && message.match(code).hasMatch())
        fautes << QStringLiteral("message fait dans le cœur (les phrases s'écrivent dans gui/)");
    return fautes;
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
    const QString texte = QString::fromUtf8(f.readAll());
    QStringList fautes = fautesDePlace(fichier, texte);
    auto it = inclusion.globalMatch(texte);
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
