// SPDX-License-Identifier: GPL-3.0-or-later
// Pannes du poste de l'enseignant : disque plein ou base en lecture seule au milieu d'une
// écriture, fichier de base abîmé, occupé ou impossible à créer au démarrage. Chaque cas finit
// sur un message clair et ne perd rien de ce qui était enregistré.
#include "core/commun/application.h"
#include "core/db/lecteurcsv.h"
#include "core/entry/notes.h"
#include "core/pupils/importeleves.h"
#include "core/pupils/listes.h"
#include "support/donnees.h"
#include "support/environnement.h"
#include "support/programme.h"
#include "support/sql.h"

#include <QCryptographicHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

namespace {

// Tout le contenu des tables que l'enseignant remplit, dans un ordre fixe.
QByteArray empreinte()
{
    QCryptographicHash h(QCryptographicHash::Sha1);
    for (const char* table : {"classes", "niveaux", "eleves", "notes", "general", "paramcomp"}) {
        QSqlQuery q(QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(QLatin1String(table)));
        while (q.next())
            for (int i = 0; i < q.record().count(); ++i)
                h.addData(q.value(i).toString().toUtf8() + '\x1f');
    }
    return h.result().toHex();
}

// Le disque se remplit après quelques pages : les premières écritures passent, les suivantes
// sont refusées comme sur un disque plein.
void remplirDisque(bool plein)
{
    QSqlQuery().exec(
        QStringLiteral("PRAGMA max_page_count=%1")
            .arg(plein ? Sql::valeur(QStringLiteral("PRAGMA page_count")).toLongLong() + 2 : 1073741823));
}

QString ecrireCsv(const QString& dossier, int eleves)
{
    const QString chemin = dossier + QStringLiteral("/base-eleves.csv");
    QFile f(chemin);
    if (!f.open(QIODevice::WriteOnly))
        return {};
    QTextStream s(&f);
    s.setEncoding(QStringConverter::Latin1); // l'export du registre est en Windows-1252
    s << "Nom élève;Prénom élève;Date naissance;Classe;Niveau;Cycle\n";
    for (int i = 0; i < eleves; ++i)
        s << QStringLiteral("NOM%1;Prénom%1;01/02/2016;CLASSE %2;CE%3;\n").arg(i).arg(i % 40).arg(i % 90);
    return chemin;
}

} // namespace

class TstPannes : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Environnement::preparer(); }

    void disquePlein_data()
    {
        QTest::addColumn<QString>("operation");
        ligne("grille", "grille");
        ligne("import Base Elèves", "import");
        ligne("classes et niveaux", "listes");
    }
    // L'écriture refusée en chemin annule toute l'opération : ni moitié d'enregistrement, ni
    // succès annoncé. Une fois de la place rendue, la même opération passe.
    void disquePlein()
    {
        QFETCH(QString, operation);
        Environnement::Dossier dossier;
        QVERIFY(Environnement::nouvelleBase(dossier));
        Sql::valeur("INSERT INTO classes(libelle,tri) VALUES('CE1',0)");
        Sql::valeur(
            "INSERT INTO eleves(nom,prenom,date_naiss,id_classe,id_niveau) VALUES('A','B','2016-01-01',1,1)");
        const QString csv = ecrireCsv(dossier->path(), 1500);

        const auto executer = [&]() -> bool {
            if (operation == "grille") {
                QList<Notes::Cellule> cellules;
                QSqlQuery comp("SELECT id_comp FROM competences");
                while (comp.next())
                    for (int k = 0; k < 20; ++k)
                        cellules.append({1, comp.value(0).toLongLong() + 1000 * k, QDate(2010, 2, 1)});
                return Notes::enregistrer(cellules).reussi();
            }
            if (operation == "import") {
                LecteurCsv lecteur;
                if (!lecteur.load(csv, true))
                    return false;
                ImportEleves::Options options;
                options.ajouter = true;
                return ImportEleves::importer(lecteur, ImportEleves::chercherColonnes(lecteur.ligne(0)),
                                              options, {})
                    .reussi();
            }
            QList<Listes::Entree> entrees;
            for (int i = 0; i < 3000; ++i)
                entrees.append({QStringLiteral("Classe numéro %1 de l'école").arg(i), 0});
            return Listes::enregistrer("classes", entrees, {}).reussi();
        };

        const QByteArray avant = empreinte();
        remplirDisque(true);
        QVERIFY(!executer());
        remplirDisque(false);
        QCOMPARE(empreinte(), avant);
        QVERIFY(executer());
        QVERIFY(empreinte() != avant);
        Environnement::fermerBase();
    }

    void fichierDeBaseAbime_data()
    {
        QTest::addColumn<QString>("contenu");
        QTest::addColumn<bool>("mettreDeCote");
        ligne("pas une base, quitter", "texte", false);
        ligne("tronquée, quitter", "tronquee", false);
        ligne("tronquée, mise de côté", "tronquee", true);
    }
    // Jamais modifié : quitter le laisse tel quel ; le mettre de côté le garde à l'octet près
    // sous un nom daté et le programme repart d'une base neuve (première mise en route).
    void fichierDeBaseAbime()
    {
        QFETCH(QString, contenu);
        QFETCH(bool, mettreDeCote);
        QTemporaryDir racine;
        Programme programme(racine.path(), {mettreDeCote ? "Yes" : "No"});
        QByteArray octets = "Ceci n'est pas une base de données.\n";
        if (contenu == "tronquee") {
            Environnement::Dossier dossier;
            QVERIFY(Environnement::nouvelleBase(dossier));
            Environnement::fermerBase();
            QFile f(Application::chemins().courante);
            QVERIFY(f.open(QIODevice::ReadOnly));
            octets = f.readAll();
            octets.truncate(octets.size() / 2);
        }
        QDir().mkpath(QFileInfo(programme.base()).path());
        QFile f(programme.base());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(octets);
        f.close();

        programme.lancer();
        if (!mettreDeCote)
            QVERIFY(programme.fini(1));
        else
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(programme.base()).size() > 0, 20000);
        QTRY_VERIFY(!programme.journal().isEmpty());
        QVERIFY2(programme.journal().constFirst().startsWith("question\tBase de données endommagée\t"),
                 qPrintable(programme.journal().constFirst()));
        const QStringList deCote =
            QDir(QFileInfo(programme.base()).path()).entryList({"QuorvelV3.sqlite.*.endommagee"});
        QCOMPARE(deCote.size(), mettreDeCote ? 1 : 0);
        QFile garde(mettreDeCote ? QFileInfo(programme.base()).path() + "/" + deCote.value(0)
                                 : programme.base());
        QVERIFY(garde.open(QIODevice::ReadOnly));
        QCOMPARE(garde.readAll(), octets);
    }

    // Une autre application tient la base : le programme le dit et s'arrête sans y toucher.
    void baseOccupee()
    {
        QTemporaryDir racine;
        Programme programme(racine.path(), {"Ok"});
        QDir().mkpath(QFileInfo(programme.base()).path());
        {
            QSqlDatabase autre = QSqlDatabase::addDatabase("QSQLITE", "autre");
            autre.setDatabaseName(programme.base());
            QVERIFY(autre.open());
            QSqlQuery q(autre);
            QVERIFY(q.exec("CREATE TABLE t(x)"));
            QVERIFY(q.exec("BEGIN EXCLUSIVE"));
            programme.lancer();
            QVERIFY(programme.fini(1));
            QVERIFY(q.exec("ROLLBACK"));
            autre.close();
        }
        QSqlDatabase::removeDatabase("autre");
        QCOMPARE(programme.journal().size(), 1);
        QVERIFY(programme.journal().constFirst().startsWith("critique\tBase de données occupée\t"));
    }

    // Le dossier des données ne peut être créé (un fichier porte son nom) : un message dit quoi
    // vérifier.
    void dossierImpossible()
    {
        QTemporaryDir racine;
        Programme programme(racine.path(), {"Ok"});
        QFile bouchon(racine.path() + "/donnees/Marvek");
        QVERIFY(bouchon.open(QIODevice::WriteOnly));
        bouchon.close();
        programme.lancer();
        QVERIFY(programme.fini(1));
        QCOMPARE(programme.journal().size(), 1);
        QVERIFY(programme.journal().constFirst().startsWith(
            "critique\tErreur d'ouverture de la base de données\t"));
        QVERIFY(programme.journal().constFirst().contains("le droit d'y écrire"));
    }
};

QTEST_MAIN(TstPannes)
#include "tst_pannes.moc"
