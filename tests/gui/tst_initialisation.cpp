// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/commun/application.h"
#include "core/db/initialisation.h"
#include "core/db/schema.h"
#include "gui/mainwindow/diainitialise.h"
#include "gui/mainwindow/mainwindow.h"
#include "gui/settings/diaparam.h"
#include "support/dialogues.h"
#include "support/donnees.h"
#include "support/environnement.h"
#include "support/repondeuressai.h"
#include "support/sql.h"

#include <QDir>
#include <QLabel>
#include <QSqlQuery>
#include <QTest>

namespace {

// La première valeur de `requete`, -1 quand la base la refuse (table absente).
qlonglong compter(const QString& requete)
{
    QSqlQuery q;
    return q.exec(requete) && q.next() ? q.value(0).toLongLong() : -1;
}

// Les copies gardées avant une initialisation, dans le dossier des données.
QStringList copies(const QTemporaryDir& dossier)
{
    return QDir(dossier.path()).entryList({"*.avant-initialisation"});
}

const QString FIN = QStringLiteral("OPÉRATION TERMINÉE|La base de données a été initialisée.");

} // namespace

class TstInitialisation : public QObject
{
    Q_OBJECT
    Environnement::Dossier dossier;
    std::unique_ptr<RepondeurEssai> repondeur;

    // Le dialogue d'initialisation (base neuve ou remise à zéro) validé, réponses préparées ;
    // rend son résultat.
    int initialiser(bool neuve, const QString& reponses)
    {
        diaInitialise dialogue(nullptr, neuve);
        repondeur->reponses(reponses);
        dialogue.accept();
        return dialogue.result();
    }

private Q_SLOTS:
    void initTestCase() { Environnement::preparer(); }
    void init()
    {
        dossier = Environnement::nouveauDossierDonnees();
        QVERIFY(Environnement::ouvrirBase());
        repondeur = std::make_unique<RepondeurEssai>();
    }
    void cleanup() { repondeur.reset(); }

    // Le script : commentaires jamais exécutés, « \n » changé en saut de ligne, et une instruction
    // en échec qui laisse la base d'avant intacte, tables et lignes.
    void script_data()
    {
        QTest::addColumn<QString>("texte");
        QTest::addColumn<bool>("reussi");
        QTest::addColumn<QString>("valeur"); // valeur de t.x après coup ("ancienne" : la base d'avant)
        const QString table = "DROP TABLE IF EXISTS t;\nCREATE TABLE t(x TEXT);\n";
        ligne("commentaire jamais exécuté",
              table + "# INSERT INTO t VALUES('commentaire');\n\nINSERT INTO t VALUES('ok');\n", true, "ok");
        ligne("barre-n devenu saut de ligne", table + "INSERT INTO t VALUES('a\\nb');\n", true, "a\nb");
        ligne("instruction en échec : rien ne change",
              table + "INSERT INTO t VALUES('nouvelle');\nFAUX SQL;\n", false, "ancienne");
    }
    void script()
    {
        QFETCH(QString, texte);
        QFETCH(bool, reussi);
        Sql::valeur("CREATE TABLE t(x TEXT, y INTEGER)");
        Sql::valeur("INSERT INTO t VALUES('ancienne', 1)");
        QFile fichier(dossier->filePath("script.sql"));
        QVERIFY(fichier.open(QIODevice::WriteOnly) && fichier.write(texte.toUtf8()) > 0);
        fichier.close();
        const auto instructions = Schema::instructionsScript(fichier.fileName());
        QVERIFY(instructions);
        QVERIFY(!instructions->join(' ').contains("commentaire"));
        if (reussi) {
            QVERIFY(Initialisation::executerScript(*instructions));
        } else {
            // Dans la pose complète, l'échec d'une instruction annule tout ce qui la précède.
            const Resultat<> r = Initialisation::poserBase(*instructions);
            QVERIFY(!r);
            QCOMPARE(int(r.erreur().raison), int(Raison::InstructionRefusee));
            QCOMPARE(r.erreur().nom, QStringLiteral("FAUX SQL;"));
            QVERIFY(!r.erreur().texte.isEmpty());
            QCOMPARE(compter("SELECT y FROM t"), 1); // l'ancienne table, avec sa seconde colonne
        }
        QTEST(Sql::valeur("SELECT x FROM t").toString(), "valeur");
    }

    void baseNeuve()
    {
        QCOMPARE(initialiser(true, "K"), int(QDialog::Accepted));
        QCOMPARE(repondeur->dernierMessage(), FIN);
        QCOMPARE(compter("SELECT COUNT(*) FROM competences"), 212);
        QCOMPARE(compter("SELECT COUNT(*) FROM niveaux"), 7);
        QCOMPARE(compter("SELECT version FROM general WHERE id=1"), 3);
        QCOMPARE(Schema::controlerVersion()->statut, Schema::EtatVersion::Correcte);
        QCOMPARE(Sql::lignes("SELECT c.ref, p.couleur_defaut, p.texte, p.header FROM paramcomp p "
                             "JOIN competences c ON c.id_comp=p.id_comp ORDER BY p.id_param"),
                 QStringList({"P1|4278234351|CE1|bleu.png", "P2|4294553879|CM2|orange.png"}));
        // Rangs suivants, pour un livret de plus de deux paliers.
        for (const auto& [rang, couleur, entete] :
             {std::tuple{2, 0xFFBAD21Fu, "vert.png"}, {7, 0xFF000000u, "gris.png"}}) {
            QCOMPARE(Initialisation::parametresPalier(rang).couleur, couleur);
            QCOMPARE(Initialisation::parametresPalier(rang).entete, QString(entete));
        }
    }

    // Un livret illisible : tout est annulé, le message du lecteur puis « PROBLÈME ».
    void livretIllisible()
    {
        QVERIFY(Environnement::initialiserBase());
        Sql::valeur("INSERT INTO classes(libelle,tri) VALUES('CM2',1)");
        const QString absent = dossier->filePath("absent.csv");
        const Resultat<> r = Initialisation::poserBase(*Schema::instructionsScript(), absent);
        QVERIFY(!r);
        QCOMPARE(int(r.erreur().raison), int(Raison::FichierIllisible));
        QCOMPARE(r.erreur().nom, absent);
        QCOMPARE(compter("SELECT COUNT(*) FROM classes"), 1);
        QCOMPARE(compter("SELECT COUNT(*) FROM competences"), 212);
    }

    void explications()
    {
        const Application::CheminsBase& c = Application::chemins();
        const auto explication = [](bool neuve) { return diaInitialise(nullptr, neuve).explication(); };
        QCOMPARE(explication(true), QStringLiteral("La base de données va maintenant être créée.\nLe chemin "
                                                   "complet est: %1\nCliquez sur OUI pour procéder.")
                                        .arg(c.courante));
        QVERIFY(explication(false).startsWith("Voulez-vous remettre à zéro toute la base de données ?"));
        QVERIFY(explication(false).contains(
            "IMPORTANT: l'effet est immédiat, il n'est pas possible de revenir en arrière !"));
        QFile(c.v1).open(QIODevice::WriteOnly);
        QVERIFY(explication(true).startsWith(
            "Quorvel a détecté une version précédente de la base de données.\n"));
        diaInitialise dialogue(nullptr, true);
        QCOMPARE(dialogue.windowTitle(), QStringLiteral("Initialisation de la base"));
        // 400 × 150 au départ, plus haut quand l'explication repliée ne tiendrait pas : elle
        // se lit toujours en entier.
        QCOMPARE(dialogue.width(), 400);
        QVERIFY(dialogue.height() >= 150);
        dialogue.show();
        const QLabel* lue = dialogue.findChild<QLabel*>("lbExplication");
        QVERIFY2(lue && lue->height() >= lue->heightForWidth(lue->width()), "explication coupée");
    }

    // Remettre à zéro une base qui tient des enregistrements : Non ne touche à rien ; Oui réussit
    // et garde d'abord une copie datée qui s'ouvre et tient les anciennes lignes. Une base vide de
    // données ne laisse pas de copie.
    void reinitialisationAvecDonnees()
    {
        QVERIFY(Environnement::initialiserBase());
        Sql::valeur("INSERT INTO eleves(id_eleve,nom,prenom) VALUES(1,'DURAND','Zoé')");
        Sql::valeur("INSERT INTO notes(id_eleve,id_comp,date) VALUES(1,4,'2010-01-02')");
        QCOMPARE(initialiser(false, "N"), int(QDialog::Rejected));
        QCOMPARE(repondeur->lus(),
                 QStringList{"Confirmez|Êtes-vous sûr de vouloir réinitialiser toute la base de "
                             "données ?\nConfirmez en cliquant sur OUI."});
        QCOMPARE(compter("SELECT COUNT(*) FROM eleves"), 1);
        QCOMPARE(copies(*dossier), QStringList());

        QCOMPARE(initialiser(false, "OK"), int(QDialog::Accepted));
        QCOMPARE(Sql::lignes("SELECT (SELECT COUNT(*) FROM notes), (SELECT COUNT(*) FROM eleves)"),
                 QStringList{"0|0"});

        QCOMPARE(compter("SELECT COUNT(*) FROM competences"), 212);
        QCOMPARE(copies(*dossier).size(), 1);
        const QString copie = dossier->filePath(copies(*dossier).first());
        QVERIFY(repondeur->dernierMessage().startsWith(FIN + "\n"));
        QVERIFY(repondeur->dernier().texte.contains(copie));
        QCOMPARE(Sql::surFichier(copie, {"SELECT (SELECT COUNT(*) FROM notes), (SELECT COUNT(*) FROM eleves "
                                         "WHERE nom='DURAND')"}),
                 QStringList{"1|1"});

        QCOMPARE(initialiser(false, "OK"), int(QDialog::Accepted));
        QCOMPARE(copies(*dossier).size(), 1);
        QCOMPARE(repondeur->dernierMessage(), FIN);
        // Une copie impossible (base absente) le dit et ne laisse rien.
        const Resultat<QString> copieImpossible =
            Initialisation::copierAvantInitialisation(dossier->filePath("absent.sqlite"));
        QVERIFY(!copieImpossible);
        QVERIFY(!copieImpossible.erreur().texte.isEmpty());
        QCOMPARE(copies(*dossier).size(), 1);
    }

    // Versions 1 et 2 présentes : seule la 2 est proposée ; après sa reprise son fichier disparaît,
    // et la 1 est proposée à l'initialisation suivante.
    void migrationProposee()
    {
        const Application::CheminsBase& c = Application::chemins();
        // Une base de la version 2 avec une classe, un élève et un enregistrement.
        QCOMPARE(Sql::surFichier(c.v2,
                                 Schema::instructionsScript().valeurOu({}) +
                                     QStringList{"UPDATE general SET version=2, ecole='École V2'",
                                                 "INSERT INTO classes VALUES(1,'CE1 A',1)",
                                                 "INSERT INTO eleves(id_eleve,id_classe,id_niveau,nom,prenom,"
                                                 "date_naiss) VALUES(5,1,2,'MARTIN','Léo','2001-02-03')",
                                                 "INSERT INTO notes(id_note,id_eleve,id_comp,date) "
                                                 "VALUES(9,5,4,'2010-05-06')"}),
                 QStringList());
        QFile::copy(c.v2, c.v1);
        // Fin de l'initialisation, reprise de la version 2 acceptée, fin de la reprise, puis l'avis :
        // les dates reprises ont été données sous l'ancien texte du livret.
        QCOMPARE(initialiser(true, "KOKK"), int(QDialog::Accepted));
        const QStringList titres = repondeur->lus().replaceInStrings(
            QRegularExpression("\\|.*", QRegularExpression::DotMatchesEverythingOption), "");
        QCOMPARE(titres, QStringList({"OPÉRATION TERMINÉE", "Importer les données de la version 2 précédente",
                                      "Importation terminée", "Livret mis à jour"}));
        QCOMPARE(repondeur->dernier().texte.split('\n').filter(QRegularExpression("^• ")).size(), 9);
        QVERIFY(!QFile::exists(c.v2) && QFile::exists(c.v1));
        QCOMPARE(compter("SELECT COUNT(*) FROM eleves WHERE nom='MARTIN'"), 1);
        QCOMPARE(compter("SELECT version FROM general WHERE id=1"), 3);
        // Confirmation, fin, pas de reprise de la version 1.
        QCOMPARE(initialiser(false, "OKN"), int(QDialog::Accepted));
        QCOMPARE(repondeur->dernier().titre,
                 QStringLiteral("Importer les données de la version 1 précédente"));
        QVERIFY(QFile::exists(c.v1));
    }

    void premierDemarrage_data()
    {
        QTest::addColumn<bool>("oui");
        ligne("Oui : les paramètres s'ouvrent", true);
        ligne("Non : l'application se ferme", false);
    }
    void premierDemarrage()
    {
        QFETCH(bool, oui);
        MainWindow fenetre;
        fenetre.show();
        auto initialisation =
            quandDialogue<diaInitialise>([oui](diaInitialise* d) { oui ? d->accept() : d->reject(); });

        auto parametres = quandDialogue<diaParam>([](diaParam* d) { d->reject(); });
        if (oui)
            repondeur->bouton(QMessageBox::Ok);
        QTRY_VERIFY(*initialisation);
        if (oui)
            QTRY_VERIFY(*parametres);
        QTRY_COMPARE(fenetre.isVisible(), oui);
        QCOMPARE(compter("SELECT COUNT(*) FROM competences"), oui ? 212 : -1);
        // Paramètres fermés sans rien choisir : aucune langue n'est imprimée en silence.
        if (oui)
            QCOMPARE(Sql::lignes("SELECT langue_defaut FROM general WHERE id=1"), QStringList{""});
    }
};

QTEST_MAIN(TstInitialisation)
#include "tst_initialisation.moc"
