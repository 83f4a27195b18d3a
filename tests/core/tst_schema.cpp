// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/db/schema.h"
#include "support/donnees.h"
#include "support/environnement.h"

#include <QFile>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

class TstSchema : public QObject
{
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> dossier;

private Q_SLOTS:
    void initTestCase() { Environnement::preparer(); }

    void init()
    {
        dossier = Environnement::nouveauDossierDonnees();
        QVERIFY(Environnement::ouvrirBase());
    }

    void cleanup()
    {
        Environnement::fermerBase();
        dossier.reset();
    }

    void script()
    {
        const QStringList instructions = Schema::instructionsScript().value_or(QStringList());
        QCOMPARE(instructions.size(), 23);
        QCOMPARE(instructions.first(), QStringLiteral("DROP TABLE IF EXISTS eleves;"));
        QCOMPARE(instructions.at(8),
                 QStringLiteral("CREATE TABLE general(id INTEGER PRIMARY KEY, ecole TEXT, "
                                "langue_defaut TINYTEXT, version INTEGER);"));
        QCOMPARE(instructions.last(),
                 QStringLiteral(
                     "INSERT INTO general(id,ecole, langue_defaut,version) VALUES(1,'','allemand',3);"));
        for (const QString& instruction : instructions)
            QVERIFY2(instruction.endsWith(QLatin1Char(';')), qPrintable(instruction));
    }

    // Ce que les autres fonctions tiennent pour acquis du schéma : un niveau ajouté sans ordre
    // se range avant « CP », les noms se comparent sans la casse, maj est rempli par la base.
    void baseNeuve()
    {
        QVERIFY(Environnement::poserSchema());
        QSqlQuery requete;
        QVERIFY(requete.exec(QStringLiteral("INSERT INTO niveaux (libelle) VALUES ('GS')")));
        QVERIFY(requete.exec(QStringLiteral("SELECT libelle FROM niveaux ORDER BY tri")));
        QVERIFY(requete.next());
        QCOMPARE(requete.value(0).toString(), QStringLiteral("GS"));

        QVERIFY(requete.exec(QStringLiteral("INSERT INTO eleves (nom, prenom) VALUES ('Dupont', 'Léa')")));
        QVERIFY(requete.exec(
            QStringLiteral("SELECT COUNT(*) FROM eleves WHERE nom='DUPONT' AND maj IS NOT NULL")));
        QVERIFY(requete.next());
        QCOMPARE(requete.value(0).toInt(), 1);
    }

    void controleVersion_data()
    {
        QTest::addColumn<QStringList>("preparation");
        QTest::addColumn<int>("statut");
        QTest::addColumn<int>("version");

        const QString table = QStringLiteral("CREATE TABLE general(id INTEGER PRIMARY KEY, ecole TEXT, "
                                             "langue_defaut TINYTEXT, version INTEGER)");
        ligne("fichier neuf", QStringList(), int(Schema::EtatVersion::AInitialiser), 0);
        ligne("table general vide", QStringList{table}, int(Schema::EtatVersion::AInitialiser), 0);
        ligne("sans ligne 1", QStringList{table, "INSERT INTO general VALUES(2,'','allemand',3)"},
              int(Schema::EtatVersion::AInitialiser), 0);
        ligne("fichier étranger", QStringList{"CREATE TABLE clients(id INTEGER)"},
              int(Schema::EtatVersion::AInitialiser), 0);
        ligne("version 2", QStringList{table, "INSERT INTO general VALUES(1,'','allemand',2)"},
              int(Schema::EtatVersion::Incorrecte), 2);
        ligne("version 3", QStringList{table, "INSERT INTO general VALUES(1,'','allemand',3)"},
              int(Schema::EtatVersion::Correcte), 3);
    }

    void controleVersion()
    {
        QFETCH(QStringList, preparation);
        QFETCH(int, statut);
        QFETCH(int, version);
        QSqlQuery requete;
        for (const QString& instruction : preparation)
            QVERIFY2(requete.exec(instruction), qPrintable(instruction));
        const Schema::EtatVersion etat = Schema::controlerVersion();
        QCOMPARE(int(etat.statut), statut);
        QCOMPARE(etat.version, version);
    }

    void ouvertureImpossible()
    {
        Environnement::fermerBase();
        QString erreur;
        QVERIFY(!Schema::ouvrirBaseParDefaut(
            dossier->filePath(QStringLiteral("absent/sous/QuorvelV3.sqlite")), &erreur));
        QVERIFY(!erreur.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TstSchema)
#include "tst_schema.moc"
