// SPDX-License-Identifier: GPL-3.0-or-later
// La fin de session avec le vrai programme : il démarre après un arrêt imprévu, reprend les dates
// de son journal (une date valide, une date changée, une date incorrecte), puis la session se
// termine, par un arrêt demandé par le système (SIGTERM) ou par un vrai gestionnaire de session
// XSMP sur un serveur X à part (Xvfb) : le chemin que suit la fin d'une session de bureau sous X11.
#include "core/commun/application.h"
#include "core/commun/dossierdonnees.h"
#include "core/entry/journalsaisies.h"
#include "support/donnees.h"
#include "support/environnement.h"
#include "support/programme.h"
#include "support/sql.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QStringList NOTES_AVANT{"10 P1C1A2 2011-01-02"};
const QStringList NOTES_ENREGISTREES{"10 P1C1A2 2011-05-05", "11 P1C1A1 2011-04-03"};
const QString INVALIDE = QStringLiteral("P1C1A3 12 31/02/2011");
const QStringList TOUTES{"P1C1A1 11 03/04/2011", "P1C1A2 10 05/05/2011", INVALIDE};

// Un processus d'aide dont on lit la sortie ligne à ligne.
struct Aide {
    QProcess processus;
    QStringList lignes;
    Aide()
    {
        processus.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QObject::connect(&processus, &QProcess::readyReadStandardOutput, &processus, [this] {
            while (processus.canReadLine())
                lignes << QString::fromUtf8(processus.readLine()).trimmed();
        });
    }
    ~Aide()
    {
        processus.kill();
        processus.waitForFinished();
    }
    bool attendre(const QString& debut)
    {
        return QTest::qWaitFor(
            [&] {
                return std::any_of(lignes.cbegin(), lignes.cend(),
                                   [&](const QString& l) { return l.startsWith(debut); });
            },
            30000);
    }
    QString ligne(const QString& debut) const
    {
        for (const QString& l : lignes)
            if (l.startsWith(debut))
                return l;
        return {};
    }
};

} // namespace

class TstFinSession : public QObject
{
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> racine;
    std::unique_ptr<Programme> programme;
    QByteArray journalEcrit;

    QString base() const { return programme->base(); }
    QStringList notes() const
    {
        return Sql::surFichier(base(),
                               {"SELECT id_eleve, (SELECT ref FROM competences c WHERE c.id_comp=n.id_comp), "
                                "date FROM notes n ORDER BY id_eleve, id_comp"})
            .replaceInStrings("|", " ");
    }
    QStringList journal() const
    {
        QStringList cases;
        for (const JournalSaisies::Grille& grille : JournalSaisies::charger().valeurOu({}))
            for (const JournalSaisies::Case& c : grille.cases)
                cases << QStringLiteral("%1 %2 %3").arg(c.ref).arg(c.idEleve).arg(c.texte);
        return cases;
    }
    QByteArray octetsJournal() const
    {
        QFile f(JournalSaisies::chemin());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // Une école dans le dossier de données du programme, et le journal d'un arrêt imprévu.
    void preparer(const QStringList& reponses)
    {
        racine = std::make_unique<QTemporaryDir>();
        programme = std::make_unique<Programme>(racine->path(), reponses);
        QDir().mkpath(QFileInfo(base()).path());
        Application::definirChemins(Application::cheminsDans(QFileInfo(base()).path()));
        QVERIFY(Environnement::ouvrirBase() && Environnement::initialiserBase());
        Sql::valeur("INSERT INTO classes(id_classe,libelle,tri) VALUES(1,'CE1 A',1)");
        Sql::valeur(
            "INSERT INTO eleves(id_eleve,id_classe,id_niveau,nom,prenom) VALUES(10,1,2,'MARTIN','Léa'),"
            "(11,1,1,'DUPONT','Paul'),(12,1,2,'BERNARD','Zoé')");
        Sql::valeur("INSERT INTO notes(id_eleve,id_comp,date) VALUES(10,?,'2011-01-02')",
                    {Sql::idRef("P1C1A2")});
        JournalSaisies::Grille grille;
        grille.idClasse = 1;
        grille.classe = "CE1 A";
        grille.idPalier = Sql::idRef("P1");
        grille.palier = "Palier 1";
        grille.idCompetence = Sql::idRef("P1C1");
        grille.competence = "libellé d'avant"; // la grille rouverte réécrit le journal avec le sien
        grille.cases = {{11, "DUPONT", "Paul", Sql::idRef("P1C1A1"), "P1C1A1", "03/04/2011"},
                        {10, "MARTIN", "Léa", Sql::idRef("P1C1A2"), "P1C1A2", "05/05/2011"},
                        {12, "BERNARD", "Zoé", Sql::idRef("P1C1A3"), "P1C1A3", "31/02/2011"}};
        QVERIFY(JournalSaisies::enregistrer({grille}));
        journalEcrit = octetsJournal();
        Environnement::fermerBase();
        // Droits que le programme aurait posés : il ne dit rien de plus au démarrage.
        DossierDonnees::resserrer(QFileInfo(base()).path());
    }
    // Lance le programme et attend qu'il ait remis les dates du journal dans leur grille.
    void lancerEtReprendre()
    {
        programme->lancer();
        QVERIFY(QTest::qWaitFor([this] { return octetsJournal() != journalEcrit; }, 30000));
        QCOMPARE(journal(), TOUTES);
    }

private Q_SLOTS:
    void initTestCase()
    {
        Environnement::preparer();
        QVERIFY2(QFile::exists(qEnvironmentVariable("QUORVEL_EXECUTABLE")), "programme introuvable");
    }
    void cleanup() { programme.reset(); }

    // SIGTERM (arrêt de l'ordinateur, fin d'une session sans gestionnaire XSMP) : sans question,
    // les dates valides sont enregistrées, la date incorrecte demeure au journal, puis le
    // programme se ferme normalement.
    void arretDuSysteme()
    {
        preparer({"Yes"});
        lancerEtReprendre();
        programme->processus.terminate();
        QVERIFY(programme->fini(0));
        QCOMPARE(notes(), NOTES_ENREGISTREES);
        QCOMPARE(journal(), QStringList{INVALIDE});
        QCOMPARE(programme->journal().size(), 1); // la seule question : reprendre les dates
    }

    // Le vrai chemin d'une fin de session sous X11 : un gestionnaire XSMP demande au programme de
    // sauvegarder avant l'arrêt (sans ou avec questions permises), puis lui dit de mourir, sauf
    // si l'enseignant a annulé.
    void gestionnaireXsmp_data()
    {
        QTest::addColumn<QString>("ordre");
        QTest::addColumn<QStringList>("reponses"); // la reprise, puis la fin de session
        QTest::addColumn<QStringList>("evenements");
        QTest::addColumn<QStringList>("notesApres");
        QTest::addColumn<QStringList>("journalApres");
        ligne("sans question", "fin-aucune", QStringList{"Yes"}, QStringList{"sauvegarde-finie 1"},
              NOTES_ENREGISTREES, QStringList{INVALIDE});
        ligne("questions : Non abandonne", "fin-questions", QStringList{"Yes", "No"},
              QStringList{"interaction-demandee", "interaction-finie 0", "sauvegarde-finie 1"}, NOTES_AVANT,
              QStringList());
        ligne("questions : Annuler", "fin-questions", QStringList{"Yes", "Cancel"},
              QStringList{"interaction-demandee", "interaction-finie 1"}, NOTES_AVANT, TOUTES);
        ligne("questions : Oui refusé (date incorrecte)", "fin-questions", QStringList{"Yes", "Yes", "Ok"},
              QStringList{"interaction-demandee", "interaction-finie 1"}, NOTES_AVANT, TOUTES);
    }
    void gestionnaireXsmp()
    {
        QFETCH(QString, ordre);
        QFETCH(QStringList, reponses);
        QFETCH(QStringList, evenements);
        const QString xvfb = QStandardPaths::findExecutable("Xvfb");
        if (QStringLiteral(QUORVEL_SESSION_XSMP).isEmpty() || xvfb.isEmpty())
            QSKIP("Xvfb ou libSM absent : pas de serveur X ni de gestionnaire de session pour l'essai");

        Aide serveur;
        serveur.processus.start(xvfb, {"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
        QVERIFY(QTest::qWaitFor([&] { return !serveur.lignes.isEmpty(); }, 30000));
        Aide session;
        session.processus.start(QStringLiteral(QUORVEL_SESSION_XSMP), QStringList());
        QVERIFY(session.attendre("SESSION_MANAGER="));

        preparer(reponses);
        QProcessEnvironment environnement = programme->processus.processEnvironment();
        environnement.insert("QT_QPA_PLATFORM", "xcb");
        environnement.insert("DISPLAY", ":" + serveur.lignes.constFirst());
        environnement.insert("SESSION_MANAGER", session.ligne("SESSION_MANAGER=").mid(16));
        environnement.remove("XAUTHORITY");
        programme->processus.setProcessEnvironment(environnement);
        lancerEtReprendre();
        QVERIFY(session.attendre("inscrit"));

        session.processus.write(ordre.toUtf8() + '\n');
        QVERIFY(session.processus.waitForBytesWritten());
        QVERIFY(session.attendre(evenements.constLast()));
        for (const QString& evenement : evenements)
            QVERIFY2(session.lignes.contains(evenement), qPrintable(session.lignes.join(" / ")));
        QTEST(notes(), "notesApres");
        QTEST(journal(), "journalApres");
        if (evenements.constLast().startsWith("sauvegarde-finie")) {
            // Le gestionnaire dit de mourir : le programme se ferme sans rien demander ni changer.
            session.processus.write("meurs\n");
            QVERIFY(session.processus.waitForBytesWritten());
            QVERIFY(programme->fini(0));
            QTEST(journal(), "journalApres");
        } else {
            QVERIFY(!programme->processus.waitForFinished(1000)); // la session continue
        }
        QCOMPARE(programme->journal().size(), reponses.size());
    }
};

QTEST_MAIN(TstFinSession)
#include "tst_finsession.moc"
