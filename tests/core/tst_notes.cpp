// SPDX-License-Identifier: GPL-3.0-or-later
// Les dates des grilles, dans le cœur seul : ce que l'enregistrement écrit, ce qu'il refuse sans
// toucher à la base quoi qu'ait vérifié la fenêtre, ce que les lectures disent d'une base qu'on ne
// peut pas lire ; la réussite et la propagation de la grille des paliers.
#include "core/commun/dates.h"
#include "core/entry/notes.h"
#include "core/entry/palier.h"
#include "support/donnees.h"
#include "support/environnement.h"
#include "support/sql.h"

#include <QTest>

namespace {

// Les enregistrements, « élève|code du nœud|date », dans l'ordre des clés.
QStringList notes()
{
    return Sql::lignes(
        "SELECT n.id_eleve, c.ref, n.date FROM notes n JOIN competences c ON c.id_comp=n.id_comp "
        "ORDER BY n.id_note");
}

} // namespace

class TstNotes : public QObject
{
    Q_OBJECT
    Environnement::Dossier dossier;

private Q_SLOTS:
    void initTestCase() { Environnement::preparer(); }
    void init()
    {
        QVERIFY(Environnement::nouvelleBase(dossier));
        Sql::valeur("INSERT INTO classes(id_classe,libelle,tri) VALUES(1,'CE1 A',0)");
        Sql::valeur("INSERT INTO eleves(id_eleve,id_classe,id_niveau,nom,prenom,date_naiss) VALUES"
                    "(1,1,2,'MARTIN','Léo','2005-02-03'),(2,1,2,'DURAND','Zoé','2005-03-04')");
        Sql::valeur("INSERT INTO notes(id_eleve,id_comp,date) SELECT 1,id_comp,'2012-05-04' FROM competences "
                    "WHERE ref IN ('P1C1A1','P1C1A2')");
    }

    // Chaque cellule « élève:code:texte tapé » (« @aaaa-mm-jj » : la date telle quelle). Une valeur
    // refusée l'est avant toute écriture : la base reste telle qu'elle était.
    void enregistrer_data()
    {
        QTest::addColumn<QStringList>("cellules");
        QTest::addColumn<QString>("issue");
        QTest::addColumn<QStringList>("apres"); // vide : la base n'a pas changé
        ligne("31 février sur une date enregistrée", QStringList{"1:P1C1A1:31/02/2010"}, "refus date 1",
              QStringList());
        ligne("texte quelconque", QStringList{"1:P1C1A1:demain"}, "refus date 1", QStringList());
        ligne("année que l'on ne tape pas", QStringList{"1:P1C1A1:@1850-01-01"}, "refus date 1",
              QStringList());
        ligne("refus en deuxième cellule, la première n'est pas écrite",
              QStringList{"2:P1C1A1:05/06/2012", "1:P1C1A2:31/02/2010"}, "refus date 2", QStringList());
        ligne("création, changement, effacement, inchangée",
              QStringList{"2:P1C1A1:5/6/12", "1:P1C1A1:", "1:P1C1A2:01/02/2013", "1:P1C1A3:"},
              "2 écrites, 1 effacée", QStringList{"1|P1C1A2|2013-02-01", "2|P1C1A1|2012-06-05"});
        ligne("même date réécrite", QStringList{"1:P1C1A1:04/05/2012"}, "0 écrites, 0 effacée",
              QStringList{"1|P1C1A1|2012-05-04", "1|P1C1A2|2012-05-04"});
    }
    void enregistrer()
    {
        QFETCH(QStringList, cellules);
        QFETCH(QStringList, apres);
        QList<Notes::Cellule> valeurs;
        for (const QString& c : cellules) {
            const QString texte = c.section(':', 2);
            valeurs.append({c.section(':', 0, 0).toLongLong(), Sql::idRef(c.section(':', 1, 1)),
                            texte.startsWith('@')
                                ? std::optional<QDate>(QDate::fromString(texte.mid(1), Qt::ISODate))
                                : Dates::saisie(texte)});
        }
        const QStringList avant = notes();
        const Resultat<Notes::Bilan> ecrit = Notes::enregistrer(valeurs);
        QTEST(ecrit ? QStringLiteral("%1 écrites, %2 effacée").arg(ecrit->ecrites).arg(ecrit->effacees)
                    : QStringLiteral("refus %1 %2")
                          .arg(ecrit.erreur().raison == Raison::DateInvalide ? "date" : "autre")
                          .arg(ecrit.erreur().ligne),
              "issue");
        QCOMPARE(notes(), apres.isEmpty() ? avant : apres);
    }

    // Une base tenue par un autre programme : les lectures le disent, avec ce qu'en dit SQLite, au
    // lieu de rendre des listes vides ; l'enregistrement est refusé et rien n'est perdu.
    void baseTenueAilleurs()
    {
        const qint64 a1 = Sql::idRef("P1C1A1"), c1 = Sql::idRef("P1C1"), p1 = Sql::idRef("P1");
        const QStringList avant = notes();
        {
            Environnement::VerrouBase verrou;
            QVERIFY(verrou.tenu());
            const auto dates = Notes::dates({1, 2}, {a1});
            QVERIFY(!dates);
            QCOMPARE(int(dates.erreur().raison), int(Raison::LectureImpossible));
            QVERIFY2(dates.erreur().texte.contains("database is locked"), qPrintable(dates.erreur().texte));
            QVERIFY(!Notes::feuilles(c1));
            QVERIFY(!Palier::competences(p1));
            QVERIFY(!Notes::enregistrer({{1, a1, std::nullopt}}));
        }
        QCOMPARE(notes(), avant);
        QCOMPARE(Notes::dates({1, 2}, {a1}).valeurOu({}).size(), 1);
    }

    // La réussite d'un élève sur une compétence : ses feuilles validées (un texte qui n'est pas une
    // date compte), la plus récente de leurs dates, la date de la compétence elle-même.
    void reussite()
    {
        const qint64 c1 = Sql::idRef("P1C1");
        Sql::valeur(
            "INSERT INTO notes(id_eleve,id_comp,date) SELECT 1,id_comp,'pas une date' FROM competences "
            "WHERE ref='P1C1A3'");
        Sql::valeur("INSERT INTO notes(id_eleve,id_comp,date) VALUES(1,?,'2013-01-02')", {c1});
        const auto competences = Palier::competences(Sql::idRef("P1"));
        QVERIFY(competences && !competences->isEmpty() && competences->first().id == c1);
        const auto reussites = Palier::reussites({1, 2, 0}, *competences);
        QVERIFY(reussites);
        const Palier::Reussite r = reussites->value({1, c1});
        const int total = int(competences->first().feuilles.size());
        QCOMPARE(QList<int>({r.validees, r.total}), QList<int>({3, total}));
        QCOMPARE(r.plusRecente, QDate(2012, 5, 4));
        QCOMPARE(r.validation, QDate(2013, 1, 2));
        QCOMPARE(reussites->value({2, c1}).validees, 0);
        QVERIFY(!reussites->contains({0, c1})); // un élève d'identifiant 0 est écarté
    }

    // La propagation sous condition : une date seulement pour qui atteint le minimum, la plus
    // récente ou celle par défaut selon le mode.
    void propager_data()
    {
        QTest::addColumn<double>("pourcentage");
        QTest::addColumn<QDate>("recente");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("attendu"); // « non atteint », « rien » ou la date ISO
        const int recenteSinonDefaut = int(Palier::Mode::RecenteSinonDefaut),
                  recente = int(Palier::Mode::RecenteSeulement), defaut = int(Palier::Mode::DateDefaut);
        const QDate date(2012, 5, 4);
        ligne("sous le minimum", 79.9, date, defaut, "non atteint");
        ligne("minimum atteint, la plus récente", 80.0, date, recenteSinonDefaut, "2012-05-04");
        ligne("sans date d'item, celle par défaut", 100.0, QDate(), recenteSinonDefaut, "2013-06-20");
        ligne("sans date d'item, rien", 100.0, QDate(), recente, "rien");
        ligne("date par défaut même avec une plus récente", 90.0, date, defaut, "2013-06-20");
    }
    void propager()
    {
        QFETCH(double, pourcentage);
        QFETCH(QDate, recente);
        QFETCH(int, mode);
        const Palier::Propagation p =
            Palier::propager(pourcentage, recente, Palier::Mode(mode), 80.0, QDate(2013, 6, 20));
        QTEST(!p.atteint ? QStringLiteral("non atteint")
              : p.date   ? p.date->toString(Qt::ISODate)
                         : "rien",
              "attendu");
    }
};

QTEST_GUILESS_MAIN(TstNotes)
#include "tst_notes.moc"
