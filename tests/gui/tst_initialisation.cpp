// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/commun/application.h"
#include "core/db/initialisation.h"
#include "core/db/schema.h"
#include "gui/mainwindow/diainitialise.h"
#include "gui/mainwindow/mainwindow.h"
#include "gui/settings/diaparam.h"
#include "support/dialogues.h"
#include "support/environnement.h"
#include "support/repondeuressai.h"

#include <QDir>
#include <QLabel>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

namespace {

qlonglong compter(const QString& requete,
                  const QString& connexion = QLatin1String(QSqlDatabase::defaultConnection))
{
    QSqlQuery q(QSqlDatabase::database(connexion));
    if (!q.exec(requete) || !q.next())
        return -1;
    return q.value(0).toLongLong();
}

// Une base de la version 2 avec une classe, un élève et un enregistrement.
void creerBaseV2(const QString& chemin)
{
    {
        QSqlDatabase base = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("creation"));
        base.setDatabaseName(chemin);
        QVERIFY(base.open());
        QSqlQuery q(base);
        for (const QString& instruction : Schema::instructionsScript().value_or(QStringList()))
            QVERIFY(q.exec(instruction));
        QVERIFY(q.exec("UPDATE general SET version=2, ecole='École V2'"));
        QVERIFY(q.exec("INSERT INTO classes VALUES(1,'CE1 A',1)"));
        QVERIFY(q.exec("INSERT INTO eleves(id_eleve,id_classe,id_niveau,nom,prenom,date_naiss) "
                       "VALUES(5,1,2,'MARTIN','Léo','2001-02-03')"));
        QVERIFY(q.exec("INSERT INTO notes(id_note,id_eleve,id_comp,date) VALUES(9,5,4,'2010-05-06')"));
        base.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("creation"));
}

} // namespace

class TstInitialisation : public QObject
{
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> dossier;
    std::unique_ptr<RepondeurEssai> repondeur;

private Q_SLOTS:
    void initTestCase() { Environnement::preparer(); }

    void init()
    {
        dossier = Environnement::nouveauDossierDonnees();
        QVERIFY(Environnement::ouvrirBase());
        repondeur = std::make_unique<RepondeurEssai>();
    }

    void cleanup()
    {
        QVERIFY2(repondeur->fileVide(), "des réponses préparées n'ont pas servi");
        repondeur.reset();
        Environnement::fermerBase();
        dossier.reset();
    }

    // Le script : commentaires jamais exécutés, « \n » changé en saut de ligne, et une instruction
    // en échec qui laisse la base d'avant intacte, tables et lignes.
    void script_data()
    {
        QTest::addColumn<QString>("texte");
        QTest::addColumn<bool>("reussi");
        QTest::addColumn<QString>("valeur"); // valeur de t.x après coup ("ancienne" : la base d'avant)

        QTest::newRow("commentaire jamais exécuté")
            << "DROP TABLE IF EXISTS t;\nCREATE TABLE t(x TEXT);\n# INSERT INTO t VALUES('commentaire');\n"
               "\nINSERT INTO t VALUES('ok');\n"
            << true << "ok";
        QTest::newRow("barre-n devenu saut de ligne")
            << "DROP TABLE IF EXISTS t;\nCREATE TABLE t(x TEXT);\nINSERT INTO t VALUES('a\\nb');\n"
            << true << "a\nb";
        QTest::newRow("instruction en échec : rien ne change")
            << "DROP TABLE IF EXISTS t;\nCREATE TABLE t(x TEXT);\nINSERT INTO t VALUES('nouvelle');\nFAUX "
               "SQL;\n"
            << false << "ancienne";
    }

    void script()
    {
        QFETCH(QString, texte);
        QFETCH(bool, reussi);
        QFETCH(QString, valeur);

        QSqlQuery q;
        QVERIFY(q.exec("CREATE TABLE t(x TEXT, y INTEGER)"));
        QVERIFY(q.exec("INSERT INTO t VALUES('ancienne', 1)"));

        QFile fichier(dossier->filePath("script.sql"));
        QVERIFY(fichier.open(QIODevice::WriteOnly));
        fichier.write(texte.toUtf8());
        fichier.close();
        const auto instructions = Schema::instructionsScript(fichier.fileName());
        QVERIFY(instructions);
        QVERIFY(!instructions->join(' ').contains("commentaire"));

        if (reussi) {
            QString instruction, erreur;
            QVERIFY(Initialisation::executerScript(*instructions, &instruction, &erreur));
        } else {
            // Dans la pose complète, l'échec d'une instruction annule tout ce qui la précède.
            const Initialisation::Resultat r = Initialisation::poserBase(*instructions);
            QVERIFY(!r.reussi);
            QCOMPARE(r.instructionEnErreur, QStringLiteral("FAUX SQL;"));
            QVERIFY(!r.erreurPilote.isEmpty());
            QCOMPARE(compter("SELECT y FROM t"), 1); // l'ancienne table, avec sa seconde colonne
        }
        QVERIFY(q.exec("SELECT x FROM t"));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), valeur);
    }

    void baseNeuve()
    {
        diaInitialise dialogue(nullptr, true);
        repondeur->bouton(QMessageBox::Ok);
        dialogue.accept();
        QCOMPARE(dialogue.result(), int(QDialog::Accepted));
        QCOMPARE(repondeur->dernier().titre, QStringLiteral("OPERATION TERMINEE"));
        QCOMPARE(repondeur->dernier().texte, QStringLiteral("La base de données a été initialisée."));

        QCOMPARE(compter("SELECT COUNT(*) FROM competences"), 212);
        QCOMPARE(compter("SELECT COUNT(*) FROM niveaux"), 7);
        QCOMPARE(compter("SELECT version FROM general WHERE id=1"), 3);
        QCOMPARE(Schema::controlerVersion().statut, Schema::EtatVersion::Correcte);

        QSqlQuery q("SELECT p.id_comp, c.ref, p.couleur_defaut, p.texte, p.header FROM paramcomp p "
                    "JOIN competences c ON c.id_comp=p.id_comp ORDER BY p.id_param");
        QVERIFY(q.next());
        QCOMPARE(q.value(1).toString(), QStringLiteral("P1"));
        QCOMPARE(q.value(2).toLongLong(), 4278234351LL);
        QCOMPARE(q.value(3).toString(), QStringLiteral("CE1"));
        QCOMPARE(q.value(4).toString(), QStringLiteral("bleu.png"));
        QVERIFY(q.next());
        QCOMPARE(q.value(1).toString(), QStringLiteral("P2"));
        QCOMPARE(q.value(2).toLongLong(), 4294553879LL);
        QCOMPARE(q.value(3).toString(), QStringLiteral("CM2"));
        QCOMPARE(q.value(4).toString(), QStringLiteral("orange.png"));
        QVERIFY(!q.next());

        // Rangs suivants, pour un livret de plus de deux paliers.
        QCOMPARE(Initialisation::parametresPalier(2).couleur, 0xFFBAD21Fu);
        QCOMPARE(Initialisation::parametresPalier(2).entete, QStringLiteral("vert.png"));
        QCOMPARE(Initialisation::parametresPalier(7).couleur, 0xFF000000u);
        QCOMPARE(Initialisation::parametresPalier(7).entete, QStringLiteral("gris.png"));
    }

    // Un livret illisible : tout est annulé, le message du lecteur puis « PROBLEME ».
    void livretIllisible()
    {
        QVERIFY(Environnement::initialiserBase());
        QSqlQuery q;
        QVERIFY(q.exec("INSERT INTO classes(libelle,tri) VALUES('CM2',1)"));

        const Initialisation::Resultat r =
            Initialisation::poserBase(*Schema::instructionsScript(), dossier->filePath("absent.csv"));
        QVERIFY(!r.reussi);
        QCOMPARE(r.erreurLivret,
                 QStringLiteral("Impossible de charger le fichier %1").arg(dossier->filePath("absent.csv")));
        QVERIFY(r.messageChargement.startsWith(
            QStringLiteral("Le chargement de \"%1\" a échoué").arg(dossier->filePath("absent.csv"))));
        QCOMPARE(compter("SELECT COUNT(*) FROM classes"), 1);
        QCOMPARE(compter("SELECT COUNT(*) FROM competences"), 212);
    }

    void explications()
    {
        const Application::CheminsBase& c = Application::chemins();
        QCOMPARE(
            diaInitialise(nullptr, true).explication(),
            QStringLiteral(
                "La base de données va maintenant être créée.\nLe chemin complet est: %1\nCliquez sur OUI "
                "pour procéder.")
                .arg(c.courante));
        QVERIFY(diaInitialise(nullptr, false)
                    .explication()
                    .startsWith(QStringLiteral("Voulez-vous remettre à zéro toute la base de données ?")));
        QVERIFY(diaInitialise(nullptr, false)
                    .explication()
                    .contains(QStringLiteral(
                        "IMPORTANT: l'effet est immédiat, il n'est pas possible de revenir en arrière !")));
        QFile(c.v1).open(QIODevice::WriteOnly);
        QVERIFY(diaInitialise(nullptr, true)
                    .explication()
                    .startsWith(
                        QStringLiteral("Quorvel a détecté une version précédente de la base de données.\n")));
        diaInitialise dialogue(nullptr, true);
        QCOMPARE(dialogue.windowTitle(), QStringLiteral("Initialisation de la base"));
        // 400 × 150 au départ, plus haut quand l'explication repliée ne tiendrait pas : elle
        // se lit toujours en entier.
        QCOMPARE(dialogue.width(), 400);
        QVERIFY(dialogue.height() >= 150);
        dialogue.show();
        const QLabel* explication = dialogue.findChild<QLabel*>("lbExplication");
        QVERIFY(explication);
        QVERIFY2(explication->height() >= explication->heightForWidth(explication->width()),
                 "explication coupée");
    }

    void confirmationRefusee()
    {
        QVERIFY(Environnement::initialiserBase());
        QSqlQuery q;
        QVERIFY(q.exec("INSERT INTO classes(libelle,tri) VALUES('CM2',1)"));

        diaInitialise dialogue(nullptr, false);
        repondeur->bouton(QMessageBox::No);
        dialogue.accept();
        QCOMPARE(dialogue.result(), int(QDialog::Rejected));
        QCOMPARE(repondeur->dernier().titre, QStringLiteral("Confirmez"));
        QCOMPARE(repondeur->dernier().texte,
                 QStringLiteral("Etes-vous sûr de vouloir réinitaliser toute la base de "
                                "données ?\nConfirmez en cliquant sur OUI."));
        QCOMPARE(compter("SELECT COUNT(*) FROM classes"), 1);
        QCOMPARE(QDir(dossier->path()).entryList({"*.avant-initialisation"}).size(), 0);
    }

    // Réinitialiser une base qui tient des enregistrements réussit, et garde d'abord une copie
    // datée qui s'ouvre et tient les anciennes lignes.
    void reinitialisationAvecDonnees()
    {
        QVERIFY(Environnement::initialiserBase());
        QSqlQuery q;
        QVERIFY(q.exec("INSERT INTO eleves(id_eleve,nom,prenom) VALUES(1,'DURAND','Zoé')"));
        QVERIFY(q.exec("INSERT INTO notes(id_eleve,id_comp,date) VALUES(1,4,'2010-01-02')"));

        diaInitialise dialogue(nullptr, false);
        repondeur->bouton(QMessageBox::Yes);
        repondeur->bouton(QMessageBox::Ok);
        dialogue.accept();
        QCOMPARE(dialogue.result(), int(QDialog::Accepted));
        QCOMPARE(compter("SELECT COUNT(*) FROM notes"), 0);
        QCOMPARE(compter("SELECT COUNT(*) FROM eleves"), 0);
        QCOMPARE(compter("SELECT COUNT(*) FROM competences"), 212);

        const QStringList copies =
            QDir(dossier->path()).entryList({"QuorvelV3.sqlite.*.avant-initialisation"});
        QCOMPARE(copies.size(), 1);
        const QString copie = dossier->filePath(copies.first());
        QCOMPARE(repondeur->dernier().titre, QStringLiteral("OPERATION TERMINEE"));
        QVERIFY(
            repondeur->dernier().texte.startsWith(QStringLiteral("La base de données a été initialisée.\n")));
        QVERIFY(repondeur->dernier().texte.contains(copie));
        {
            QSqlDatabase ancienne = QSqlDatabase::addDatabase("QSQLITE", "copie");
            ancienne.setDatabaseName(copie);
            QVERIFY(ancienne.open());
            QCOMPARE(compter("SELECT COUNT(*) FROM notes", "copie"), 1);
            QCOMPARE(compter("SELECT COUNT(*) FROM eleves WHERE nom='DURAND'", "copie"), 1);
            ancienne.close();
        }
        QSqlDatabase::removeDatabase("copie");

        // Une base vide de données ne laisse pas de copie.
        diaInitialise encore(nullptr, false);
        repondeur->bouton(QMessageBox::Yes);
        repondeur->bouton(QMessageBox::Ok);
        encore.accept();
        QCOMPARE(QDir(dossier->path()).entryList({"*.avant-initialisation"}).size(), 1);
        QCOMPARE(repondeur->dernier().texte, QStringLiteral("La base de données a été initialisée."));
    }

    void copieImpossible()
    {
        QString erreur;
        QVERIFY(
            Initialisation::copierAvantInitialisation(dossier->filePath("absent.sqlite"), &erreur).isEmpty());
        QVERIFY(!erreur.isEmpty());
        QCOMPARE(QDir(dossier->path()).entryList({"*.avant-initialisation"}).size(), 0);
    }

    // Versions 1 et 2 présentes : seule la 2 est proposée ; après sa reprise son fichier disparaît,
    // et la 1 est proposée à l'initialisation suivante.
    void migrationProposee()
    {
        const Application::CheminsBase& c = Application::chemins();
        creerBaseV2(c.v2);
        QFile::copy(c.v2, c.v1);

        {
            diaInitialise dialogue(nullptr, true);
            repondeur->bouton(QMessageBox::Ok);  // OPERATION TERMINEE
            repondeur->bouton(QMessageBox::Yes); // reprendre la version 2
            repondeur->bouton(QMessageBox::Ok);  // Importation terminée
            dialogue.accept();
            QCOMPARE(dialogue.result(), int(QDialog::Accepted));
        }
        const QList<Invite::Message> messages = repondeur->messages();
        QCOMPARE(messages.size(), 3);
        QCOMPARE(messages.at(1).titre, QStringLiteral("Importer les données de la version 2 précédente"));
        QCOMPARE(messages.at(2).titre, QStringLiteral("Importation terminée"));
        QVERIFY(!QFile::exists(c.v2));
        QVERIFY(QFile::exists(c.v1));
        QCOMPARE(compter("SELECT COUNT(*) FROM eleves WHERE nom='MARTIN'"), 1);
        QCOMPARE(compter("SELECT version FROM general WHERE id=1"), 3);

        repondeur->vider();
        {
            diaInitialise dialogue(nullptr, false);
            repondeur->bouton(QMessageBox::Yes); // Confirmez
            repondeur->bouton(QMessageBox::Ok);  // OPERATION TERMINEE
            repondeur->bouton(QMessageBox::No);  // pas de reprise de la version 1
            dialogue.accept();
            QCOMPARE(dialogue.result(), int(QDialog::Accepted));
        }
        QCOMPARE(repondeur->dernier().titre,
                 QStringLiteral("Importer les données de la version 1 précédente"));
        QVERIFY(QFile::exists(c.v1));
    }

    void premierDemarrage_data()
    {
        QTest::addColumn<bool>("oui");
        QTest::newRow("Oui : les paramètres s'ouvrent") << true;
        QTest::newRow("Non : l'application se ferme") << false;
    }

    void premierDemarrage()
    {
        QFETCH(bool, oui);
        MainWindow fenetre;
        fenetre.show();
        auto initialisation = quandDialogue<diaInitialise>([oui](diaInitialise* d) {
            if (oui)
                d->accept();
            else
                d->reject();
        });
        auto parametres = quandDialogue<diaParam>([](diaParam* d) { d->reject(); });
        if (oui)
            repondeur->bouton(QMessageBox::Ok);
        QTRY_VERIFY(*initialisation);
        if (oui) {
            QTRY_VERIFY(*parametres);
            QVERIFY(fenetre.isVisible());
            QCOMPARE(compter("SELECT COUNT(*) FROM competences"), 212);
        } else {
            QTRY_VERIFY(!fenetre.isVisible());
            QCOMPARE(compter("SELECT COUNT(*) FROM competences"), -1);
        }
    }
};

QTEST_MAIN(TstInitialisation)
#include "tst_initialisation.moc"
