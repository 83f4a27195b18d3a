// SPDX-License-Identifier: GPL-3.0-or-later
// Les dates tapées et pas encore enregistrées : le journal que tiennent les grilles, leur reprise
// au démarrage qui suit un arrêt imprévu, et la fin de la session du bureau.
#include "core/entry/journalsaisies.h"
#include "gui/commun/grilles.h"
#include "gui/entry/mdibase.h"
#include "gui/mainwindow/finsession.h"
#include "gui/mainwindow/mainwindow.h"
#include "gui/mainwindow/mymdiarea.h"
#include "support/clavier.h"
#include "support/donnees.h"
#include "support/environnement.h"
#include "support/repondeuressai.h"
#include "support/sql.h"

#include <QComboBox>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QSessionManager>
#include <QTableWidget>
#include <QTest>

using Clavier::taper;
using JournalSaisies::Case;
using JournalSaisies::Grille;
using B = QMessageBox::StandardButton;

// Classe « CE1 A » : DUPONT Paul (CP), BERNARD Zoé (CE1, née le 01/06/2009) et MARTIN Léa (CE1),
// en colonnes dans cet ordre. La grille de P1C1 montre en ligne 1 (P1C1A2) « 02/01/2011 » pour
// MARTIN ; celle du palier 1, à la ligne de validation de P1C1 (ligne 2), « 20/06/2011 » pour
// BERNARD.
namespace {

// Un gestionnaire de session d'essai : il permet ou non les questions, et note ce qu'on lui dit.
struct SessionEssai : GestionnaireSession {
    bool permet = true;
    QStringList appels;
    bool questionsPermises() override
    {
        appels << "questions";
        return permet;
    }
    void annuler() override { appels << "annuler"; }
    void rendreLaMain() override { appels << "rendre"; }
};

QStringList notes()
{
    return Sql::lignes("SELECT id_eleve, (SELECT ref FROM competences c WHERE c.id_comp=n.id_comp), date "
                       "FROM notes n ORDER BY id_eleve, id_comp",
                       " ");
}

// Le journal tel qu'il est sur le disque : « ref élève texte » par case, grille après grille.
QStringList journal()
{
    QStringList cases;
    for (const Grille& grille : JournalSaisies::charger().valeurOu({}))
        for (const Case& c : grille.cases)
            cases << QStringLiteral("%1 %2 %3").arg(c.ref).arg(c.idEleve).arg(c.texte);
    return cases;
}

// Le libellé de la compétence 1 du palier 1, tel que la base le tient.
QString competence1()
{
    return Sql::valeur("SELECT libelle FROM competences WHERE ref='P1C1'").toString();
}

Grille grilleCompetence(const QList<Case>& cases)
{
    Grille g;
    g.idClasse = 1;
    g.classe = "CE1 A";
    g.idPalier = Sql::idRef("P1");
    g.palier = "Palier 1";
    g.idCompetence = Sql::idRef("P1C1");
    g.competence = competence1();
    g.cases = cases;
    return g;
}

Case uneCase(qint64 eleve, const QString& ref, const QString& texte)
{
    static const QHash<qint64, std::pair<QString, QString>> noms{
        {10, {"MARTIN", "Léa"}}, {11, {"DUPONT", "Paul"}}, {12, {"BERNARD", "Zoé"}}};
    return {eleve, noms.value(eleve).first, noms.value(eleve).second, Sql::idRef(ref), ref, texte};
}

} // namespace

class TstRepriseSaisies : public QObject
{
    Q_OBJECT
    Environnement::Dossier dossier;
    std::unique_ptr<MainWindow> principale;
    std::unique_ptr<RepondeurEssai> repondeur;

    // La fenêtre principale, son contrôle de version (et la reprise qui le suit) passé.
    void demarrer()
    {
        principale = std::make_unique<MainWindow>();
        principale->resize(1000, 800);
        principale->show();
        QVERIFY(QTest::qWaitFor([this] { return principale->demarrageTermine(); }));
    }
    QList<MdiBase*> grilles() const
    {
        QList<MdiBase*> liste;
        for (QMdiSubWindow* sousFenetre : principale->espaceTravail()->subWindowList())
            liste << qobject_cast<MdiBase*>(sousFenetre->widget());
        return liste;
    }
    static QTableWidget* table(MdiBase* grille) { return grille->findChild<QTableWidget*>("table"); }
    // Ouvre une grille par la fenêtre principale et l'affiche pour « CE1 A », palier 1 (et P1C1).
    QTableWidget* ouvrir(bool palier)
    {
        if (palier)
            principale->saisirPaliers();
        else
            principale->saisirDates();
        MdiBase* grille = grilles().constLast();
        grille->findChild<QComboBox*>("cbClasses")->setCurrentIndex(1);
        auto* paliers = grille->findChild<QComboBox*>("cbPaliers");
        paliers->setCurrentIndex(paliers->findData(Sql::idRef("P1")));
        grille->findChild<QPushButton*>("btAfficher")->click();
        return table(grille);
    }

private Q_SLOTS:
    void initTestCase()
    {
        Environnement::preparer();
        dossier = Environnement::nouveauDossierDonnees();
        QVERIFY(Environnement::ouvrirBase() && Environnement::initialiserBase());
        Sql::valeur("INSERT INTO classes(id_classe,libelle,tri) VALUES(1,'CE1 A',1),(2,'CM2 B',2)");
    }
    void init()
    {
        repondeur = std::make_unique<RepondeurEssai>();
        Sql::valeur("DELETE FROM eleves");
        Sql::valeur("INSERT INTO eleves(id_eleve,id_classe,id_niveau,nom,prenom,date_naiss) VALUES"
                    "(10,1,2,'MARTIN','Léa',NULL),(11,1,1,'DUPONT','Paul',NULL),"
                    "(12,1,2,'BERNARD','Zoé','2009-06-01')");
        Sql::valeur("DELETE FROM notes");
        Sql::valeur("INSERT INTO notes(id_eleve,id_comp,date) VALUES(10,?,'2011-01-02'),(12,?,'2011-06-20')",
                    {Sql::idRef("P1C1A2"), Sql::idRef("P1C1")});
        QVERIFY(JournalSaisies::effacer());
    }
    void cleanup()
    {
        if (principale)
            qDeleteAll(principale->espaceTravail()->subWindowList()); // sans question de fermeture
        principale.reset();
        repondeur.reset();
        // Une fin de session essayée laisse le journal suspendu : il reprend pour l'essai suivant.
        JournalSaisies::Ecrivain::instance().signaler();
        QVERIFY(JournalSaisies::Ecrivain::instance().ecrireMaintenant());
    }

    // Chaque case changée et pas encore enregistrée gagne le journal (sans qu'on le demande, peu
    // après la frappe) ; ce qui revient à la base, ou que l'enseignant abandonne, en sort. Le
    // journal n'écrit jamais dans la base.
    void journalDesGrilles_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("reponses");
        QTest::addColumn<QStringList>("attendu");
        const QStringList competence{"P1C1A1 11 03/04/2011", "P1C1A2 10 ", "P1C1A3 12 31/02/2011"};
        const QString palier = "P1C1 12 05/05/2012";
        ligne("tapées, effacée, invalide", "", "", competence + QStringList{palier});
        ligne("défaite", "défaire", "", competence);
        ligne("enregistrées, sauf l'invalide", "enregistrer", "K", QStringList{"P1C1A3 12 31/02/2011"});
        ligne("grille fermée, Non", "fermer", "N", QStringList{palier});
        ligne("grille fermée, Annuler", "fermer", "A", competence + QStringList{palier});
        ligne("grille rechargée, Non", "recharger", "N", QStringList{palier});
    }
    void journalDesGrilles()
    {
        QFETCH(QString, action);
        QFETCH(QString, reponses);
        demarrer();
        const QStringList avant = notes();
        QTableWidget* competences = ouvrir(false);
        MdiBase* saisie = grilles().constLast();
        taper(competences, 0, 0, "3/4/2011");
        competences->clearSelection();
        competences->setRangeSelected(QTableWidgetSelectionRange(1, 2, 1, 2), true);
        saisie->effacer();
        taper(competences, 2, 1, "31/02/2011");
        QTableWidget* palier = ouvrir(true);
        MdiBase* attestations = grilles().constLast();
        taper(palier, 2, 1, "5/5/2012");
        repondeur->reponses(reponses);
        if (action == "défaire") {
            attestations->undo();
        } else if (action == "enregistrer") {
            QVERIFY(!saisie->enregistrer()); // refusé : une date est incorrecte
            competences->item(2, 1)->setText("");
            QVERIFY(saisie->enregistrer() && attestations->enregistrer());
            taper(competences, 2, 1, "31/02/2011");
        } else if (action == "fermer") {
            saisie->parentWidget()->close();
        } else if (action == "recharger") {
            saisie->findChild<QPushButton*>("btAfficher")->click();
        }
        QFETCH(QStringList, attendu);
        QTRY_COMPARE_WITH_TIMEOUT(journal(), attendu, 10000);
        if (action != "enregistrer")
            QCOMPARE(notes(), avant);
    }

    // Au démarrage qui suit un arrêt imprévu : combien de cases, dans quelles grilles ; Oui les
    // remet dans leurs grilles rouvertes, marquées et pas enregistrées (un seul pas à défaire), Non
    // efface le journal. Une case dont l'élève a changé depuis est comptée perdue ; un journal
    // abîmé est dit.
    void reprise_data()
    {
        QTest::addColumn<QString>("changement"); // instruction sur la base avant le démarrage
        QTest::addColumn<QString>("reponse");
        QTest::addColumn<QString>("message");
        const QString question =
            "Quorvel s'est arrêté la dernière fois (arrêt brutal, coupure de courant ou fin de session) sans "
            "avoir "
            "enregistré des dates tapées ou effacées dans ces grilles :\n\n"
            "– CE1 A, Palier 1, compétence « " +
            competence1() +
            " » : %1\n"
            "– CE1 A, attestations du palier « Palier 1 » : 1 case%2\n\n"
            "Voulez-vous les remettre dans leurs grilles ? Elles n'y seront pas encore enregistrées : elles "
            "apparaîtront soulignées ; vérifiez-les, puis cliquez sur « Enregistrer » dans chaque grille.\n\n"
            "Non : les abandonner définitivement.";
        ligne("Oui", "", "O", question.arg("2 cases", ""));
        ligne("Non", "", "N", question.arg("2 cases", ""));
        ligne("élève renommé depuis", "UPDATE eleves SET prenom='Lou' WHERE id_eleve=11", "O",
              question.arg("1 case",
                           "\n\n1 case ne peut pas revenir : son élève ou sa compétence a été supprimé "
                           "ou modifié depuis."));
        ligne("journal abîmé", "abîmer", "K", QString());
    }
    void reprise()
    {
        QFETCH(QString, changement);
        QFETCH(QString, reponse);
        QFETCH(QString, message);
        Grille palier;
        palier.sorte = JournalSaisies::Sorte::Palier;
        palier.idClasse = 1;
        palier.classe = "CE1 A";
        palier.idPalier = Sql::idRef("P1");
        palier.palier = "Palier 1";
        palier.cases = {uneCase(12, "P1C1", "31/02/2011")};
        QVERIFY(JournalSaisies::enregistrer(
            {grilleCompetence({uneCase(11, "P1C1A1", "03/04/2011"), uneCase(10, "P1C1A2", "")}), palier}));
        if (changement == "abîmer") {
            QFile f(JournalSaisies::chemin());
            QVERIFY(f.open(QIODevice::Append));
            f.write("x");
        } else if (!changement.isEmpty()) {
            Sql::valeur(changement);
        }
        const QStringList avant = notes();
        repondeur->reponses(reponse);
        demarrer();

        QCOMPARE(notes(), avant);
        if (changement == "abîmer") {
            QCOMPARE(repondeur->dernier().titre, "Dates non enregistrées");
            QVERIFY(repondeur->dernier().texte.contains("le fichier qui les gardait est abîmé"));
            QVERIFY(!QFile::exists(JournalSaisies::chemin()));
            QVERIFY(grilles().isEmpty());
            return;
        }
        QCOMPARE(repondeur->dernierMessage(), "Dates non enregistrées|" + message);
        if (reponse == "N") {
            QVERIFY(grilles().isEmpty());
            QVERIFY(!QFile::exists(JournalSaisies::chemin()));
            return;
        }
        QCOMPARE(grilles().size(), 2);
        MdiBase* saisie = grilles().at(0);
        QTableWidget* competences = table(saisie);
        const bool renomme = !changement.isEmpty();
        QCOMPARE(competences->item(0, 0)->text(), renomme ? "" : "03/04/2011");
        QCOMPARE(competences->item(1, 2)->text(), "");
        QVERIFY(competences->item(1, 2)->font().underline());
        QVERIFY(competences->item(1, 2)->toolTip().startsWith("Date reprise après l'arrêt imprévu"));
        QVERIFY(!competences->item(1, 1)->font().underline());
        QVERIFY(saisie->estModifie());
        QTableWidget* palierRouvert = table(grilles().at(1));
        QCOMPARE(palierRouvert->item(2, 1)->text(), "31/02/2011");
        QVERIFY(Grilles::dateInvalide(palierRouvert->item(2, 1)));
        // Le journal tient maintenant les grilles rouvertes, ce qui n'a pas pu revenir en moins.
        QCOMPARE(journal(), QStringList((renomme ? QStringList() : QStringList{"P1C1A1 11 03/04/2011"}) +
                                        QStringList{"P1C1A2 10 ", "P1C1 12 31/02/2011"}));
        // La reprise est un seul pas à défaire ; défaite, la grille est celle de la base.
        saisie->undo();
        QCOMPARE(competences->item(1, 2)->text(), "02/01/2011");
        QVERIFY(!competences->item(1, 2)->font().underline());
        // Enregistrée, la grille perd ses marques et sa part du journal.
        saisie->yank();
        QVERIFY(saisie->enregistrer());
        QVERIFY(!competences->item(1, 2)->font().underline());
        QTRY_COMPARE_WITH_TIMEOUT(journal(), QStringList{"P1C1 12 31/02/2011"}, 10000);
    }

    // La session du bureau se termine avec des grilles modifiées. Sans question possible (ce que
    // donne le gestionnaire de session de Qt sans bureau, reçu par le vrai signal), ce qui peut
    // être enregistré l'est, le reste (date incorrecte, date à vérifier) demeure au journal ; avec
    // questions, chaque grille se nomme. Ensuite, la fermeture ne pose plus de question.
    void finDeSession_data()
    {
        QTest::addColumn<bool>("invalide"); // une date incorrecte tapée en plus
        QTest::addColumn<bool>("questions");
        QTest::addColumn<QString>("reponses"); // dans l'ordre où les questions arrivent
        QTest::addColumn<bool>("terminee");
        QTest::addColumn<QStringList>("notesApres");
        QTest::addColumn<QStringList>("journalApres");
        const QStringList base{"10 P1C1A2 2011-01-02", "12 P1C1 2011-06-20"};
        const QString futur = "P1C1A1 11 03/04/2099", mai = "P1C1A2 10 05/05/2011",
                      invalide = "P1C1A3 12 31/02/2011";
        ligne("sans question : le signal de Qt", true, false, "", true,
              QStringList{"10 P1C1A2 2011-05-05", "12 P1C1 2011-06-20"}, QStringList{futur, invalide});
        ligne("oui, date à vérifier confirmée", false, true, "OO", true,
              QStringList{"10 P1C1A2 2011-05-05", "11 P1C1A1 2099-04-03", "12 P1C1 2011-06-20"},
              QStringList{});
        ligne("non", true, true, "N", true, base, QStringList{});
        ligne("annuler", true, true, "A", false, base, QStringList{futur, mai, invalide});
        ligne("oui refusé : la session continue", true, true, "OK", false, base,
              QStringList{futur, mai, invalide});
    }
    void finDeSession()
    {
        QFETCH(bool, invalide);
        QFETCH(bool, questions);
        QFETCH(QString, reponses);
        QFETCH(bool, terminee);
        demarrer();
        QTableWidget* competences = ouvrir(false);
        taper(competences, 0, 0, "3/4/2099");
        taper(competences, 1, 2, "5/5/2011");
        if (invalide)
            taper(competences, 2, 1, "31/02/2011");
        ouvrir(true); // sans modification : elle ne demande rien
        repondeur->reponses(reponses);

        SessionEssai session;
        if (questions) {
            QCOMPARE(principale->terminerSession(session), terminee);
            QCOMPARE(session.appels.join(' '), terminee ? "questions rendre" : "questions annuler rendre");
            QCOMPARE(repondeur->messages().constFirst().titre, "Fin de la session");
            QVERIFY(repondeur->messages().constFirst().texte.startsWith(
                "La session de l'ordinateur se termine, mais des dates de la grille CE1 A, Palier 1, "
                "compétence « " +
                competence1() + " » ne sont pas encore enregistrées."));
        } else {
            // Le vrai signal, avec le gestionnaire de session que Qt a créé pour l'application.
            auto* gestionnaire = qApp->findChild<QSessionManager*>();
            QVERIFY(gestionnaire);
            Q_EMIT qApp->commitDataRequest(*gestionnaire);
            QVERIFY(repondeur->messages().isEmpty());
        }
        QTEST(notes(), "notesApres");
        QFETCH(QStringList, journalApres);
        QTRY_COMPARE_WITH_TIMEOUT(journal(), journalApres, 10000);
        QCOMPARE(FinSession::decidee(), terminee);
        if (!terminee)
            return;
        // Qt quitte en fermant les fenêtres : ni question, ni changement du journal.
        QVERIFY(principale->close());
        QCOMPARE(journal(), journalApres);
    }
};

QTEST_MAIN(TstRepriseSaisies)
#include "tst_reprisesaisies.moc"
