// SPDX-License-Identifier: GPL-3.0-or-later
// Les élèves dans le cœur seul : la lecture des élèves d'une classe (ordre français), l'unique
// contrôle des lignes d'élèves, l'enregistrement de l'éditeur et de l'ajout d'élèves, qui refusent
// une ligne fausse sans toucher à la base quoi qu'ait vérifié le dialogue, la création d'un niveau
// et l'écriture des listes.
#include "core/db/requetes.h"
#include "core/pupils/ajouteleves.h"
#include "core/pupils/eleves.h"
#include "core/pupils/listes.h"
#include "support/donnees.h"
#include "support/environnement.h"
#include "support/sql.h"

#include <QTest>

namespace {

// Une ligne d'élève « nom|prénom|date tapée|niveau » (date vide : pas de date ; « ! » : une date
// qui n'en est pas une).
Eleve ligneEleve(const QString& texte)
{
    Eleve e;
    e.nom = texte.section('|', 0, 0);
    e.prenom = texte.section('|', 1, 1);
    const QString date = texte.section('|', 2, 2);
    if (date == QLatin1String("!"))
        e.naissance = QDate();
    else if (!date.isEmpty())
        e.naissance = QDate::fromString(date, Qt::ISODate);
    e.niveau = texte.section('|', 3, 3);
    return e;
}

QString refus(const Erreur& e)
{
    switch (e.raison) {
    case Raison::ChampsManquants:
        return QStringLiteral("champs %1").arg(e.ligne);
    case Raison::DateInvalide:
        return QStringLiteral("date %1").arg(e.ligne);
    case Raison::NiveauAbsent:
        return QStringLiteral("niveau %1 %2").arg(e.ligne).arg(e.nom);
    case Raison::ClasseSupprimee:
        return QStringLiteral("classe supprimée");
    default:
        return QStringLiteral("raison %1").arg(int(e.raison));
    }
}

} // namespace

class TstEleves : public QObject
{
    Q_OBJECT
    Environnement::Dossier dossier;

private Q_SLOTS:
    void initTestCase() { Environnement::preparer(); }
    void init()
    {
        QVERIFY(Environnement::nouvelleBase(dossier, Environnement::Pose::Schema));
        Sql::valeur("INSERT INTO classes VALUES(1,'CE1 A',0),(2,'CM2 B',1)");
        Sql::valeur("INSERT INTO eleves(id_eleve,id_classe,id_niveau,nom,prenom,date_naiss) VALUES"
                    "(1,1,2,'MARTIN','Léo','2001-02-03'),(2,2,5,'DURAND','Zoé','2002-03-04')");
    }

    // Les élèves d'une classe dans l'ordre d'un lecteur français, jamais celui des octets
    // (ÉTIENNE après ZOLA) : niveau après niveau dans l'ordre des niveaux, ou tous ensemble.
    void ordre_data()
    {
        QTest::addColumn<QStringList>("eleves"); // « NOM|Prénom|id du niveau », dans l'ordre d'entrée
        QTest::addColumn<QStringList>("parNiveau");
        QTest::addColumn<QStringList>("parNom"); // vide : le même
        ligne("accents", QStringList{"ZOLA|Léa|5", "ÉTIENNE|Marc|5", "FAURE|Jean|5", "DUPONT|Anne|5"},
              QStringList{"DUPONT Anne", "ÉTIENNE Marc", "FAURE Jean", "ZOLA Léa"}, QStringList());
        ligne("particules, apostrophes",
              QStringList{"Delatour|Zoé|5", "DELAUNAY|Paul|5", "de la Tour|Anne|5", "D'URSO|Max|5",
                          "DAVID|Léo|5", "D'ARC|Jeanne|5"},
              QStringList{"D'ARC Jeanne", "DAVID Léo", "de la Tour Anne", "Delatour Zoé", "DELAUNAY Paul",
                          "D'URSO Max"},
              QStringList());
        ligne("casse ignorée, puis le prénom",
              QStringList{"dupont|Zoé|5", "DUPONT|Anne|5", "Dupond|Marc|5", "DUPONT|Ève|5"},
              QStringList{"Dupond Marc", "DUPONT Anne", "DUPONT Ève", "dupont Zoé"}, QStringList());
        ligne("œ, nombres", QStringList{"CŒUR|Zoé|5", "COEUR|Anne|5", "ÉLÈVE 10|Léo|5", "ÉLÈVE 9|Léo|5"},
              QStringList{"COEUR Anne", "CŒUR Zoé", "ÉLÈVE 9 Léo", "ÉLÈVE 10 Léo"}, QStringList());
        ligne("prénom avant les accents du nom",
              QStringList{"LÉVÊQUE|Bruno|5", "Lévêque|Anne|5", "LEVEQUE|Bruno|5", "LEVEQUE|Anne|5"},
              QStringList{"LEVEQUE Anne", "Lévêque Anne", "LEVEQUE Bruno", "LÉVÊQUE Bruno"}, QStringList());
        ligne("niveaux d'abord, dans leur ordre",
              QStringList{"ZOLA|Léa|4", "ABEL|Paul|5", "ÉTIENNE|Marc|4", "ÉMILE|Rose|5"},
              QStringList{"ÉTIENNE Marc", "ZOLA Léa", "ABEL Paul", "ÉMILE Rose"},
              QStringList{"ABEL Paul", "ÉMILE Rose", "ÉTIENNE Marc", "ZOLA Léa"});
        ligne("niveau disparu en tête", QStringList{"ABEL|Paul|5", "ZOLA|Léa|99"},
              QStringList{"ZOLA Léa", "ABEL Paul"}, QStringList{"ABEL Paul", "ZOLA Léa"});
    }
    void ordre()
    {
        QFETCH(QStringList, eleves);
        QFETCH(QStringList, parNiveau);
        QFETCH(QStringList, parNom);
        Sql::valeur("DELETE FROM eleves");
        for (const QString& e : eleves)
            Sql::valeur(
                "INSERT INTO eleves(id_classe,id_niveau,nom,prenom,date_naiss) VALUES(1,?,?,?,'2010-01-01')",
                {e.section('|', 2, 2).toInt(), e.section('|', 0, 0), e.section('|', 1, 1)});
        const auto noms = [](bool niveauApresNiveau) {
            Requetes::FiltreEleves filtre;
            filtre.parNiveau = niveauApresNiveau;
            QStringList lus;
            for (const Eleve& e : Requetes::elevesClasse(1, filtre).valeurOu({}))
                lus << e.nom + ' ' + e.prenom;
            return lus;
        };
        QCOMPARE(noms(true), parNiveau);
        QCOMPARE(noms(false), parNom.isEmpty() ? parNiveau : parNom);
    }

    // L'unique contrôle des lignes, de l'éditeur comme de l'ajout d'élèves : la première ligne
    // fausse arrête tout ; un niveau nouveau n'est demandé qu'une fois, sans égard à la casse.
    void verifier_data()
    {
        QTest::addColumn<QStringList>("lignes");
        QTest::addColumn<bool>("videsPassees");
        QTest::addColumn<QString>("reponses"); // O(ui) / N(on), une par question
        QTest::addColumn<QString>("issue");    // refus, ou niveaux à créer
        ligne("tout est connu", QStringList{" PETIT |Tom|2003-04-05| ce1 "}, false, "", "");
        ligne("champ vide", QStringList{"PETIT|Tom|2003-04-05|CE1", "PETIT||2003-04-05|CE1"}, false, "",
              "champs 2");
        ligne("date absente", QStringList{"PETIT|Tom||CE1"}, false, "", "champs 1");
        ligne("date qui n'en est pas une", QStringList{"PETIT|Tom|!|CE1"}, false, "", "date 1");
        ligne("date d'une année que l'on ne tape pas", QStringList{"PETIT|Tom|1850-01-01|CE1"}, false, "",
              "date 1");
        ligne("ligne vide refusée dans l'éditeur", QStringList{"|||"}, false, "", "champs 1");
        ligne("ligne vide passée dans l'ajout", QStringList{"|||", "PETIT|Tom|2003-04-05|CE1"}, true, "", "");
        ligne("niveau nouveau demandé une fois", QStringList{"A|a|2003-04-05|Ulis", "B|b|2003-04-05|ULIS"},
              false, "O", "Ulis");
        ligne("niveau nouveau refusé", QStringList{"A|a|2003-04-05|Ulis"}, false, "N", "niveau 1 Ulis");
    }
    void verifier()
    {
        QFETCH(QStringList, lignes);
        QFETCH(bool, videsPassees);
        QFETCH(QString, reponses);
        QList<Eleve> eleves;
        for (const QString& l : lignes)
            eleves << ligneEleve(l);
        int question = 0;
        const auto creer = [&](const QString&) {
            return question < reponses.size() && reponses.at(question++) == QLatin1Char('O');
        };
        const Resultat<QStringList> aCreer =
            Eleves::verifier(eleves, Requetes::niveaux().valeurOu({}), creer, videsPassees);
        QTEST(aCreer ? aCreer->join(',') : refus(aCreer.erreur()), "issue");
        QCOMPARE(question, reponses.size());
    }

    // L'enregistrement de l'éditeur contrôle lui-même chaque ligne : une ligne fausse ne touche à
    // rien, pas même aux niveaux à créer ; une classe supprimée depuis son chargement non plus.
    void enregistrer_data()
    {
        QTest::addColumn<QStringList>("lignes"); // la première reprend l'élève 1
        QTest::addColumn<QString>("aCreer");
        QTest::addColumn<qint64>("classe");
        QTest::addColumn<QString>("issue");
        ligne("date invalide", QStringList{"MARTIN|Léo|!|CE1"}, "Ulis", qint64(1), "date 1");
        ligne("niveau que personne n'a accepté", QStringList{"MARTIN|Léo|2001-02-03|Ulis"}, "", qint64(1),
              "niveau 1 Ulis");
        ligne("champ vide", QStringList{"MARTIN|Léo|2001-02-03|CE1", "|Tom|2003-04-05|CE1"}, "", qint64(1),
              "champs 2");
        ligne("classe supprimée", QStringList{"MARTIN|Léo|2001-02-03|CE1"}, "", qint64(9),
              "classe supprimée");
        ligne(
            "mise à jour, ajout, niveau créé après les autres",
            QStringList{" MARTINEZ |Léo|2001-02-04|ulis", "PETIT|Tom|2003-04-05|CE1"}, "Ulis", qint64(1),
            "1|1|8|MARTINEZ|Léo|2001-02-04,2|2|5|DURAND|Zoé|2002-03-04,3|1|2|PETIT|Tom|2003-04-05;8|Ulis|7");
    }
    void enregistrer()
    {
        QFETCH(QStringList, lignes);
        QFETCH(QString, aCreer);
        QFETCH(qint64, classe);
        QList<Eleve> eleves;
        for (const QString& l : lignes)
            eleves << ligneEleve(l);
        eleves.first().id = 1;
        const QString avant = Sql::contenu();
        const Resultat<QList<Eleve>> ecrits =
            Eleves::enregistrer(classe, eleves, aCreer.isEmpty() ? QStringList() : QStringList{aCreer});
        if (!ecrits) {
            QTEST(refus(ecrits.erreur()), "issue");
            QCOMPARE(Sql::contenu(), avant);
            return;
        }
        QTEST(Sql::lignes("SELECT id_eleve,id_classe,id_niveau,nom,prenom,date_naiss FROM eleves").join(',') +
                  ';' + Sql::lignes("SELECT * FROM niveaux WHERE id_niveau>7").join(','),
              "issue");
        QCOMPARE(ecrits->at(1).id, 3); // l'élève nouveau reçoit sa clé
    }

    // L'ajout d'élèves : lignes vides passées, un élève déjà présent n'est pas ajouté deux fois,
    // les niveaux acceptés sont créés après les autres ; un refus ne touche à rien.
    void ajouter()
    {
        const QList<Eleve> lignes{ligneEleve("PETIT|Tom|2003-04-05|CE1"), ligneEleve("|||"),
                                  ligneEleve("martin|léo|2001-02-03|CE1"),
                                  ligneEleve("ZOLA|Émile|2004-01-01|Ulis")};
        const QString avant = Sql::contenu();
        const auto refuse = AjoutEleves::enregistrer(lignes, 1, Requetes::niveaux().valeurOu({}),
                                                     [](const QString&) { return false; });
        QVERIFY(!refuse);
        QCOMPARE(refus(refuse.erreur()), "niveau 4 Ulis");
        QCOMPARE(Sql::contenu(), avant);
        QCOMPARE(int(AjoutEleves::enregistrer(lignes, 0, {}, {}).erreur().raison),
                 int(Raison::ClasseAbsente));

        const auto ajout = AjoutEleves::enregistrer(lignes, 1, Requetes::niveaux().valeurOu({}),
                                                    [](const QString&) { return true; });
        QVERIFY(ajout);
        QCOMPARE(QList<int>({ajout->ajoutes, ajout->ignores}), QList<int>({2, 1}));
        QCOMPARE(ajout->niveauxCrees, QStringList{"Ulis"});
        QCOMPARE(Sql::lignes("SELECT nom, id_niveau FROM eleves WHERE id_eleve>2 ORDER BY id_eleve"),
                 QStringList({"PETIT|2", "ZOLA|8"}));
        QCOMPARE(Sql::lignes("SELECT libelle, tri FROM niveaux WHERE id_niveau=8"), QStringList{"Ulis|7"});
    }

    // Les listes des classes et des niveaux : un libellé vide est refusé avant toute écriture ;
    // une entrée encore utilisée n'est pas effacée.
    void listes()
    {
        const QString avant = Sql::contenu();
        const Resultat<> vide = Listes::enregistrer("classes", {{"CE1 A", 1}, {"  ", 0}}, {});
        QVERIFY(!vide);
        QCOMPARE(refus(vide.erreur()), "champs 2");
        QCOMPARE(Sql::contenu(), avant);
        QVERIFY(Listes::enregistrer("classes", {{"CM2 B", -2}, {"Nouvelle", 0}}, {1}));
        QCOMPARE(Sql::lignes("SELECT id_classe, libelle, tri FROM classes ORDER BY tri, id_classe"),
                 QStringList({"1|CE1 A|0", "2|CM2 B|0", "3|Nouvelle|1"}));
    }
};

QTEST_GUILESS_MAIN(TstEleves)
#include "tst_eleves.moc"
