// SPDX-License-Identifier: GPL-3.0-or-later
// Le journal des saisies pas encore enregistrées : son texte relu à l'identique, tout fichier
// abîmé ou retouché refusé entier, le fichier privé et entier ou absent, la confrontation à une
// base qui a changé depuis, et son écrivain.
#include "core/commun/application.h"
#include "core/entry/journalsaisies.h"
#include "support/donnees.h"
#include "support/environnement.h"
#include "support/sql.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

using namespace JournalSaisies;

Q_DECLARE_METATYPE(JournalSaisies::Grille)

namespace {

Grille grilleCompetences()
{
    Grille g;
    g.sorte = Sorte::Competences;
    g.idClasse = 3;
    g.classe = QStringLiteral("CM2 « C »");
    g.idPalier = 2;
    g.palier = QStringLiteral("Palier 2");
    g.idCompetence = 7;
    g.competence = QStringLiteral("Maîtrise de la langue");
    g.triParNom = true;
    g.niveaux = {5, 2};
    g.cases = {
        {10, QStringLiteral("MARTIN"), QStringLiteral("Léa"), 55, QStringLiteral("P2C1A1"),
         QStringLiteral("03/04/2011")},
        {11, QStringLiteral("N'GUYEN"), QStringLiteral("Zoé-Anne"), 56, QStringLiteral("P2C1A2"), QString()}};
    return g;
}

Grille grillePalier()
{
    Grille g;
    g.sorte = Sorte::Palier;
    g.idClasse = 1;
    g.classe = QStringLiteral("CE1");
    g.idPalier = 1;
    g.palier = QStringLiteral("Palier 1");
    g.cases = {{12, QStringLiteral("A"), QStringLiteral("B"), 4, QStringLiteral("P1C1"),
                QStringLiteral("31/02/2011")}};
    return g;
}

// Le texte du fichier pour un corps donné, avec la bonne empreinte : ce qu'écrirait qui retouche
// le fichier en connaissant son format.
QByteArray avecEmpreinte(const QByteArray& corps)
{
    return "quorvel-saisies 1 " + QCryptographicHash::hash(corps, QCryptographicHash::Sha256).toHex() + '\n' +
           corps;
}

QByteArray corpsDe(const QByteArray& octets)
{
    return octets.mid(octets.indexOf('\n') + 1);
}

} // namespace

class TstJournalSaisies : public QObject
{
    Q_OBJECT
    Environnement::Dossier dossier;

private Q_SLOTS:
    void initTestCase() { Environnement::preparer(); }
    void init() { dossier = Environnement::nouveauDossierDonnees(); }

    // Ce qui est écrit se relit à l'identique : textes quelconques (guillemets, sauts de ligne,
    // accents, texte qui n'est pas une date), grandes clés (au-delà de la précision d'un double).
    void allerRetour_data()
    {
        QTest::addColumn<QList<Grille>>("grilles");
        Grille etrange = grilleCompetences();
        etrange.cases[0].texte = QStringLiteral("a\"b\\c\n\td\u00e9\U0001F600");
        etrange.cases[0].idEleve = 9007199254740993LL;
        etrange.idClasse = 9223372036854775807LL;
        Grille longue = grillePalier();
        longue.cases[0].texte = QString(TEXTE_MAX, QLatin1Char('x'));
        ligne("aucune grille", QList<Grille>{});
        ligne("deux grilles", QList<Grille>{grilleCompetences(), grillePalier()});
        ligne("textes et clés extrêmes", QList<Grille>{etrange, longue});
    }
    void allerRetour()
    {
        QFETCH(QList<Grille>, grilles);
        const auto relues = lire(ecrire(grilles));
        QVERIFY(relues);
        QCOMPARE(*relues, grilles);
    }

    // Un fichier abîmé, tronqué, d'une autre version ou retouché (même avec la bonne empreinte)
    // est refusé entier : aucune date ne risque d'atterrir ailleurs que là où elle a été tapée.
    void refus_data()
    {
        QTest::addColumn<QByteArray>("octets");
        const QByteArray bon = ecrire({grilleCompetences()});
        const QByteArray corps = corpsDe(bon);
        const auto retouche = [&](const char* avant, const char* apres, const char* avant2 = "",
                                  const char* apres2 = "") {
            QByteArray c = QByteArray(corps).replace(avant, apres);
            return avecEmpreinte(*avant2 ? c.replace(avant2, apres2) : c);
        };
        ligne("vide", QByteArray());
        ligne("tronqué", bon.chopped(1));
        ligne("sans en-tête", corps);
        ligne("empreinte fausse", QByteArray(bon).replace("MARTIN", "MARTIM"));
        ligne("autre version", QByteArray(bon).replace("quorvel-saisies 1 ", "quorvel-saisies 2 "));
        ligne("pas du JSON", avecEmpreinte("grilles"));
        ligne("grilles absentes", avecEmpreinte("{}"));
        ligne("élève nul", retouche("\"eleve\":\"10\"", "\"eleve\":\"0\""));
        ligne("élève négatif", retouche("\"eleve\":\"10\"", "\"eleve\":\"-10\""));
        ligne("élève en nombre", retouche("\"eleve\":\"10\"", "\"eleve\":10"));
        ligne("élève en exposant", retouche("\"eleve\":\"10\"", "\"eleve\":\"1e3\""));
        ligne("élève démesuré", retouche("\"eleve\":\"10\"", "\"eleve\":\"99999999999999999999\""));
        ligne("nœud absent", retouche("\"noeud\":\"55\",", ""));
        ligne("texte en nombre", retouche("\"texte\":\"\"", "\"texte\":0"));
        ligne("sorte inconnue", retouche("\"competences\"", "\"bulletin\""));
        ligne("compétence nulle", retouche("\"competence\":\"7\"", "\"competence\":\"0\""));
        ligne("palier avec compétence", retouche("\"competences\"", "\"palier\""));
        ligne("niveau nul", retouche("[\"5\",", "[\"0\","));
        ligne("tri en texte", retouche("\"triParNom\":true", "\"triParNom\":\"oui\""));
        ligne("cases en objet", retouche("\"cases\":[", "\"cases\":{\"a\":[", "}]}]}", "}]}}]}"));
        const QByteArray long_ = "\"texte\":\"" + QByteArray(TEXTE_MAX + 1, 'x') + '"';
        ligne("texte trop long", retouche("\"texte\":\"\"", long_.constData()));
    }
    void refus()
    {
        QFETCH(QByteArray, octets);
        QVERIFY(!lire(octets));
    }

    // Le fichier : privé, relu tel qu'écrit, supprimé quand plus rien n'attend ; les restes d'une
    // écriture interrompue sont effacés à la lecture ; un fichier abîmé se dit illisible ; une
    // écriture impossible le dit, et laisse le fichier d'avant.
    void fichier()
    {
        const QString journal = chemin();
        QCOMPARE(journal, Application::chemins().courante + ".saisies");
        QCOMPARE(charger()->size(), 0); // absent : aucune grille

        QVERIFY(enregistrer({grilleCompetences(), grillePalier()}));
        const QFileDevice::Permissions droits = QFile::permissions(journal);
        QVERIFY(droits.testFlags(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        QCOMPARE(int(droits & QFileDevice::Permissions(0x0077)), 0); // rien pour le groupe ni les autres
        const QString debris = journal + ".ecriture.AbC123";
        QFile(debris).open(QIODevice::WriteOnly);
        const Resultat<QList<Grille>> lue = charger();
        QVERIFY(lue);
        QCOMPARE(*lue, (QList<Grille>{grilleCompetences(), grillePalier()}));
        QVERIFY(!QFile::exists(debris));

        QVERIFY(effacer());
        QVERIFY(!QFile::exists(journal));
        QVERIFY(QDir().mkdir(journal)); // à la place du fichier : le renommage échoue
        const Resultat<> refus = enregistrer({grillePalier()});
        QVERIFY(!refus);
        QCOMPARE(int(refus.erreur().raison), int(Raison::FichierNonEcrit));
        QVERIFY(!refus.erreur().texte.isEmpty());
        QVERIFY(QDir().rmdir(journal));

        QVERIFY(enregistrer({grillePalier()}));
        QFile f(journal);
        QVERIFY(f.open(QIODevice::ReadWrite));
        f.seek(f.size() - 3);
        f.write("xx");
        f.close();
        QCOMPARE(int(charger().erreur().raison), int(Raison::FichierIllisible));
    }

    // Ce qui revient dans une base qui a changé depuis l'arrêt : une case dont l'élève a disparu,
    // a été renommé (sa clé a pu resservir), a changé de classe ou sort du filtre de niveau, ou
    // dont le nœud n'est plus à sa place, est perdue et comptée ; une case égale à la base n'est
    // plus une modification.
    void confrontation_data()
    {
        QTest::addColumn<QString>("changement"); // instruction sur la base, ou vide
        QTest::addColumn<QString>("sorte");
        QTest::addColumn<QString>("ref");
        QTest::addColumn<QString>("texte");
        QTest::addColumn<QString>("attendu"); // « remise », « perdue », « rien », « introuvable »
        ligne("case remise", "", "competences", "P1C1A1", "03/04/2011", "remise");
        ligne("date effacée remise", "", "competences", "P1C1A2", "", "remise");
        ligne("texte invalide remis", "", "competences", "P1C1A1", "31/02/2011", "remise");
        ligne("égale à la base", "", "competences", "P1C1A2", "02/01/2011", "rien");
        ligne("élève supprimé", "DELETE FROM eleves WHERE id_eleve=10", "competences", "P1C1A1", "01/01/2011",
              "perdue");
        ligne("clé resservie", "UPDATE eleves SET nom='ROUX' WHERE id_eleve=10", "competences", "P1C1A1",
              "01/01/2011", "perdue");
        ligne("changé de classe", "UPDATE eleves SET id_classe=2 WHERE id_eleve=10", "competences", "P1C1A1",
              "01/01/2011", "perdue");
        ligne("hors du filtre de niveau", "UPDATE eleves SET id_niveau=5 WHERE id_eleve=10", "competences",
              "P1C1A1", "01/01/2011", "perdue");
        ligne("référence changée", "UPDATE competences SET ref='X' WHERE ref='P1C1A3'", "competences",
              "P1C1A3", "01/01/2011", "perdue");
        ligne("item d'une autre compétence", "", "competences", "P1C2A1", "01/01/2011", "perdue");
        ligne("classe supprimée", "DELETE FROM classes WHERE id_classe=1", "competences", "P1C1A1",
              "01/01/2011", "introuvable");
        ligne("compétence d'un palier", "", "palier", "P1C3", "01/01/2011", "remise");
        ligne("item dans un palier", "", "palier", "P1C1A1", "01/01/2011", "perdue");
    }
    void confrontation()
    {
        QFETCH(QString, changement);
        QFETCH(QString, sorte);
        QFETCH(QString, ref);
        QFETCH(QString, texte);
        QVERIFY(Environnement::ouvrirBase() && Environnement::initialiserBase());
        Sql::valeur("INSERT INTO classes(id_classe,libelle,tri) VALUES(1,'CE1 A',1),(2,'CM2 B',2)");
        Sql::valeur(
            "INSERT INTO eleves(id_eleve,id_classe,id_niveau,nom,prenom) VALUES(10,1,2,'MARTIN','Léa'),"
            "(11,1,2,'DUPONT','Paul')");
        Sql::valeur("INSERT INTO notes(id_eleve,id_comp,date) VALUES(10,?,'2011-01-02')",
                    {Sql::idRef("P1C1A2")});
        Grille grille;
        grille.sorte = sorte == "palier" ? Sorte::Palier : Sorte::Competences;
        grille.idClasse = 1;
        grille.idPalier = Sql::idRef("P1");
        grille.idCompetence = grille.sorte == Sorte::Palier ? 0 : Sql::idRef("P1C1");
        grille.niveaux = {2};
        const Case voisine{11, "DUPONT", "Paul", Sql::idRef("P1C1A1"), "P1C1A1", "05/05/2011"};
        grille.cases = {{10, "MARTIN", "Léa", Sql::idRef(ref), ref, texte}};
        if (grille.sorte == Sorte::Competences)
            grille.cases.append(voisine);
        if (!changement.isEmpty())
            Sql::valeur(changement);

        const QList<Retour> retours = confronter({grille}).valeurOu({});
        QCOMPARE(retours.size(), 1);
        const Retour& r = retours.first();
        QString issue = "rien";
        if (r.introuvable)
            issue = "introuvable";
        else if (r.perdues == 1)
            issue = "perdue";
        else if (r.grille.cases.size() == (grille.sorte == Sorte::Competences ? 2 : 1))
            issue = "remise";
        QTEST(issue, "attendu");
        if (!r.introuvable && grille.sorte == Sorte::Competences)
            QCOMPARE(r.grille.cases.constLast().texte, "05/05/2011"); // sa voisine revient toujours
        if (issue == "remise")
            QCOMPARE(r.grille.cases.first(), grille.cases.first());
        QCOMPARE(r.perdues, issue == "perdue" ? 1 : issue == "introuvable" ? int(grille.cases.size()) : 0);
    }

    // L'écrivain : le fichier tient la dernière part de chaque grille (celle d'une grille occupée
    // est gardée) ; une grille retirée en disparaît ; plus rien à reprendre, il est supprimé ;
    // suspendu, les destructions n'y touchent plus jusqu'au changement suivant ; un changement
    // signalé finit par être écrit.
    void ecrivain()
    {
        Ecrivain& e = Ecrivain::instance();
        std::optional<Grille> a = grilleCompetences();
        std::optional<Grille> b = grillePalier();
        const int cleA = e.inscrire([&a] { return a; });
        const int cleB = e.inscrire([&b] { return b; });
        const auto fichier = [] { return charger().valeurOu({}); };
        QVERIFY(e.ecrireMaintenant());
        QCOMPARE(fichier(), (QList<Grille>{grilleCompetences(), grillePalier()}));

        a.reset(); // occupée : sa part d'avant reste
        b->cases.clear();
        QVERIFY(e.ecrireMaintenant());
        QCOMPARE(fichier(), QList<Grille>{grilleCompetences()});

        b = grillePalier();
        e.suspendre();
        e.oublier(cleB);
        QCOMPARE(fichier(), (QList<Grille>{grilleCompetences(), grillePalier()}));
        QVERIFY(e.estSuspendu());

        e.signaler();
        QVERIFY(!e.estSuspendu());
        QTRY_COMPARE_WITH_TIMEOUT(fichier(), QList<Grille>{grilleCompetences()}, 20000);

        QSignalSpy refus(&e, &Ecrivain::ecritureRefusee);
        a = grillePalier();
        QVERIFY(QFile::remove(chemin()) && QDir().mkdir(chemin()));
        QVERIFY(!e.ecrireMaintenant());
        QVERIFY(!e.ecrireMaintenant());
        QCOMPARE(refus.size(), 1); // une fois par série d'échecs
        QVERIFY(QDir().rmdir(chemin()));

        // Retenu (la reprise rouvre ses grilles), il ne touche pas au fichier ; relâché, il l'écrit.
        QVERIFY(e.ecrireMaintenant());
        e.retenir(true);
        e.retirer(cleA);
        e.suspendre();
        QVERIFY(QFile::exists(chemin()));
        e.retenir(false);
        QVERIFY(e.ecrireMaintenant());
        QVERIFY(!QFile::exists(chemin()));
        e.signaler();
    }
};

QTEST_GUILESS_MAIN(TstJournalSaisies)
#include "tst_journalsaisies.moc"
