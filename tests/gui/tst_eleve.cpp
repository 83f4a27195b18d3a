// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/commun/application.h"
#include "gui/pupils/diaeleve.h"
#include "support/clavier.h"
#include "support/donnees.h"
#include "support/environnement.h"
#include "support/repondeuressai.h"
#include "support/sql.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableWidget>
#include <QTest>

namespace {

// Les lignes d'une requête, colonnes jointes par « | », lignes par « , ».
QString lignes(const QString& sql)
{
    return Sql::lignes(sql).join(',');
}

const QString ELEVES = QStringLiteral("1|1|2|MARTIN|Léo|2001-02-03,2|1|2|DURAND|Zoé|2002-03-04,"
                                      "3|1|1|PETIT|Tom|2003-04-05,4|2|5|BLANC|Eva|2000-01-01");
const QString INCHANGE = QStringLiteral("1|1|MARTIN,2|1|DURAND,3|1|PETIT,4|2|BLANC;1,2,4,1;1,2,3;3");

} // namespace

class TstEleve : public QObject
{
    Q_OBJECT

    Environnement::Dossier dossier;
    std::unique_ptr<RepondeurEssai> repondeur;

    template <typename T = QWidget> static T* w(QObject* d, const char* nom) { return d->findChild<T*>(nom); }
    static QTableWidget* table(QObject* d) { return w<QTableWidget>(d, "table"); }

    // Le dialogue avec la classe d'index `classe` de cbClasse chargée (0 : aucune) et « CM2 B »
    // comme cible ; `reponses` : O(ui), N(on), K (OK), A(nnuler) ; `saisies` : « + » ajoute un
    // élève, « ligne:colonne:texte » tape dans une cellule, « ~ligne:colonne:texte » le laisse dans
    // l'éditeur (sans Entrée) ; `plage` : lignes entières, haut et bas, par paires (plusieurs
    // paires : sélection multiple, avec Ctrl).
    std::unique_ptr<diaEleve> ouvrir(int classe, const QString& reponses = {},
                                     const QStringList& saisies = {}, const QList<int>& plage = {})
    {
        auto d = std::make_unique<diaEleve>(nullptr);
        w<QComboBox>(d.get(), "cbClasse")->setCurrentIndex(classe);
        d->actualiser();
        w<QComboBox>(d.get(), "cbClasse2")->setCurrentIndex(1);
        repondeur->reponses(reponses);
        QTableWidget* t = table(d.get());
        for (const QString& s : saisies) {
            QTableWidgetItem* item =
                t->item(s.section(':', 0, 0).remove('~').toInt(), s.section(':', 1, 1).toInt());
            if (s == "+") {
                d->ajouterEleve();
            } else if (s.startsWith('~')) {
                t->setCurrentItem(item);
                t->editItem(item);
                t->viewport()->findChild<QLineEdit*>()->setText(s.section(':', 2));
            } else {
                item->setText(s.section(':', 2));
            }
        }
        for (int i = 0; i + 1 < plage.size(); i += 2)
            t->setRangeSelected(QTableWidgetSelectionRange(plage[i], 0, plage[i + 1], 3), true);
        return d;
    }

private Q_SLOTS:
    void initTestCase() { Environnement::preparer(); }

    void init()
    {
        QVERIFY(Environnement::nouvelleBase(dossier, Environnement::Pose::Schema));
        Sql::valeur("INSERT INTO classes VALUES(1,'CE1 A',0),(2,'CM2 B',1),(3,'Vide',2)");
        Sql::valeur("INSERT INTO eleves(id_eleve,id_classe,id_niveau,nom,prenom,date_naiss) VALUES"
                    "(1,1,2,'MARTIN','Léo','2001-02-03'),(2,1,2,'DURAND','Zoé','2002-03-04'),"
                    "(3,1,1,'PETIT','Tom','2003-04-05'),(4,2,5,'BLANC','Eva','2000-01-01')");
        Sql::valeur("INSERT INTO notes(id_eleve,id_comp,date) VALUES(1,4,'2010-01-01'),(2,4,'2010-01-01'),"
                    "(4,4,'2010-01-01'),(1,5,'2010-01-01')");

        repondeur = std::make_unique<RepondeurEssai>();
    }

    void cleanup() { repondeur.reset(); }

    void enregistrement_data()
    {
        QTest::addColumn<QStringList>("saisies");
        QTest::addColumn<QString>("reponses");
        QTest::addColumn<int>("questionsNiveau");
        // refus : « titre|texte @ligne,colonne » de la cellule courante ; sinon `eleves` ; niveaux nouveaux
        // (les règles des lignes elles-mêmes : tests/core/tst_eleves)
        QTest::addColumn<QString>("attendu");
        ligne("toutes les lignes écrites", QStringList{"2:0:  MARTINEZ ", "1:2:3/4/5"}, "", 0,
              QString(ELEVES).replace("MARTIN|", "MARTINEZ|").replace("2002-03-04", "2005-04-03") + ';');
        ligne("élève ajouté, niveau sans égard à la casse",
              QStringList{"+", "3:0:NOUVEAU", "3:1:Ana", "3:2:1/9/2004", "3:3:cm2"}, "", 0,
              ELEVES + ",5|1|5|NOUVEAU|Ana|2004-09-01;");
        ligne("nouveau niveau refusé", QStringList{"1:3:CM3"}, "NK", 1,
              "Arrêt|Opération annulée: le niveau n'existe pas en ligne 2 @1,3");
        ligne("date incorrecte", QStringList{"1:2:31/02/2010"}, "K", 0,
              "Erreur|Opération annulée: date de naissance incorrecte en ligne 2 @1,2");
        ligne("ligne ajoutée laissée vide", QStringList{"+"}, "K", 0,
              "Erreur|Opération annulée: certains champs sont vides en ligne 4 @3,0");
    }

    void enregistrement()
    {
        QFETCH(QStringList, saisies);
        QFETCH(QString, reponses);
        auto d = ouvrir(1, reponses, saisies);
        const QString avant = Sql::contenu();
        const bool ecrit = d->enregistrer();
        QTEST(ecrit ? lignes("SELECT id_eleve,id_classe,id_niveau,nom,prenom,date_naiss FROM eleves") + ';' +
                          lignes("SELECT * FROM niveaux WHERE id_niveau > 7") // créés après les autres
                    : repondeur->dernierMessage() + QString(" @%1,%2")
                                                        .arg(table(d.get())->currentRow())
                                                        .arg(table(d.get())->currentColumn()),
              "attendu");
        int questions = 0;
        for (const auto& m : repondeur->messages())
            questions +=
                m.titre == "Nouveau niveau ?" &&
                m.texte.endsWith(" n'est pas présent dans la liste des niveaux. Faut-il l'ajouter ? ");
        QTEST(questions, "questionsNiveau");
        if (!ecrit)
            QCOMPARE(Sql::contenu(), avant);
        else // la ligne ajoutée connaît sa clé : un second enregistrement ne la duplique pas
            QCOMPARE(table(d.get())->item(table(d.get())->rowCount() - 1, 0)->data(Qt::UserRole).toInt(),
                     saisies.contains("+") ? 5 : 1);
    }

    // Une classe supprimée depuis son chargement (éditeur des listes) ne reçoit aucun élève ; une
    // base qui refuse l'écriture non plus. L'enseignant le lit, et les lignes restent à l'écran.
    void echecEnregistrement_data()
    {
        QTest::addColumn<QString>("panne");
        QTest::addColumn<QString>("message");
        ligne("classe supprimée", "DELETE FROM classes WHERE id_classe=3",
              "Classe supprimée|La classe Vide n'existe plus : elle a été supprimée depuis son affichage. "
              "Les "
              "élèves n'ont pas été enregistrés ; ils restent dans le tableau.\n\nRecréez la classe avec le "
              "bouton « Classes... », ou ajoutez ces élèves à une autre classe par « Ajouter des élèves... "
              "».");
        ligne("base en lecture seule", "PRAGMA query_only=1",
              "Enregistrement impossible|Les élèves n'ont pas pu être "
              "enregistrés : la base de données a refusé l'écriture");
    }
    void echecEnregistrement()
    {
        QFETCH(QString, panne);
        QFETCH(QString, message);
        auto d = ouvrir(3, "K", {"+", "0:0:NOUVEAU", "0:1:Ana", "0:2:1/9/2004", "0:3:CP"});
        QVERIFY(QSqlQuery().exec(panne));
        const QString avant = Sql::contenu();
        QVERIFY(!d->enregistrer());
        QSqlQuery().exec("PRAGMA query_only=0");
        QCOMPARE(Sql::contenu(), avant);
        QVERIFY(repondeur->dernierMessage().startsWith(message));
        QCOMPARE(table(d.get())->rowCount(), 1);
        QCOMPARE(table(d.get())->item(0, 0)->text(), "NOUVEAU");
    }

    // La base refuse une suppression ou un déplacement (en lecture seule, verrouillée par un autre
    // programme) : l'enseignant le lit, et le tableau montre ce qu'elle tient vraiment (un élève
    // supprimé par ailleurs depuis l'affichage en part), ses modifications en attente gardées.
    // Quand la base ne se relit même pas, le tableau reste tel qu'il était, et le message le dit.
    void refusDeLaBase_data()
    {
        QTest::addColumn<QByteArray>("action");
        QTest::addColumn<QString>("panne");
        QTest::addColumn<QStringList>("saisies");
        QTest::addColumn<QString>("lignes");
        QTest::addColumn<QString>("message");
        const QString refusSuppression =
            "Suppression impossible|Les élèves sélectionnés n'ont pas été supprimés : la base de données a "
            "refusé "
            "l'écriture (disque plein, fichier en lecture seule ou utilisé par un autre programme).\n\n";
        const QString relue = "Le tableau montre ce que tient la base de données. Libérez de la place sur le "
                              "disque ou fermez l'autre programme, puis recommencez.";
        ligne("suppression, base en lecture seule", QByteArray("supprimer"), "lecture seule", QStringList(),
              "DURAND,MARTIN", refusSuppression + relue);
        ligne("suppression, modification en attente gardée", QByteArray("supprimer"), "lecture seule",
              QStringList{"1:0:DURANDE"}, "DURANDE,MARTIN",
              refusSuppression +
                  "Le tableau montre ce que tient la base de données, avec vos modifications pas "
                  "encore enregistrées. Libérez de la place sur le disque ou fermez l'autre "
                  "programme, puis recommencez.");
        ligne(
            "déplacement, base verrouillée", QByteArray("changerClasse"), "verrouillée", QStringList(),
            "DURAND,MARTIN",
            "Déplacement impossible|Les élèves sélectionnés n'ont pas été déplacés dans la classe CM2 B : la "
            "base de données a refusé l'écriture (disque plein, fichier en lecture seule ou utilisé par un "
            "autre programme).\n\n" +
                relue);
        // Un autre programme lit la base : la suppression est faite, mais sa validation est refusée.
        // Rien ne doit en rester, ni à l'écran ni plus tard dans la base.
        ligne("suppression, validation refusée", QByteArray("supprimer"), "lue", QStringList(),
              "DURAND,MARTIN", refusSuppression + relue);
        ligne("suppression, base prise : pas relue", QByteArray("supprimer"), "prise", QStringList(),
              "PETIT,DURAND,MARTIN",
              refusSuppression +
                  "La base de données n'a pas pu être relue : le tableau est resté tel qu'il "
                  "était. Fermez l'autre programme (ou libérez de la place sur le disque), puis "
                  "cliquez sur « Actualiser ».");
    }
    void refusDeLaBase()
    {
        QFETCH(QByteArray, action);
        QFETCH(QString, panne);
        QFETCH(QStringList, saisies);
        auto d = ouvrir(1, "OK", saisies, {1, 2});
        Sql::valeur("DELETE FROM eleves WHERE id_eleve=3"); // par ailleurs, depuis l'affichage
        const QString avant = Sql::contenu();
        {
            QSqlDatabase autre = QSqlDatabase::addDatabase("QSQLITE", "autre");
            autre.setDatabaseName(Application::chemins().courante);
            QVERIFY(autre.open());
            QSqlQuery verrou(autre);
            QVERIFY(QSqlQuery().exec("PRAGMA busy_timeout=0"));
            if (panne == "lecture seule")
                QVERIFY(QSqlQuery().exec("PRAGMA query_only=1"));
            else if (panne == "lue")
                QVERIFY(verrou.exec("BEGIN") && verrou.exec("SELECT COUNT(*) FROM eleves") && verrou.next());
            else
                QVERIFY(verrou.exec(panne == "prise" ? "BEGIN EXCLUSIVE" : "BEGIN IMMEDIATE"));
            QMetaObject::invokeMethod(d.get(), action.constData());
            QVERIFY(QSqlQuery().exec("PRAGMA query_only=0"));
            verrou.finish();
            verrou.exec("ROLLBACK");
            autre.close();
        }
        QSqlDatabase::removeDatabase("autre");
        // Une écriture suivante ne valide rien de ce qui a été refusé.
        QVERIFY(QSqlDatabase::database().transaction() && QSqlDatabase::database().commit());
        QCOMPARE(Sql::contenu(), avant);
        QStringList noms;
        for (int ligne = 0; ligne < table(d.get())->rowCount(); ++ligne)
            noms << table(d.get())->item(ligne, 0)->text();
        QTEST(noms.join(','), "lignes");
        QTEST(repondeur->dernierMessage(), "message");
    }

    // Déplacements et suppressions, écrits tout de suite, puis le contrôle de la classe vidée ;
    // fermeture avec ses trois réponses.
    void actions_data()
    {
        QTest::addColumn<QByteArray>("action");
        QTest::addColumn<int>("classe");
        QTest::addColumn<QStringList>("saisies");
        QTest::addColumn<QList<int>>("plage");
        QTest::addColumn<QString>("reponses");
        QTest::addColumn<QString>("attendu"); // élèves ; élèves des notes ; classes ; lignes ; ouvert
        const QByteArray dep = "changerClasse", sup = "supprimer", niv = "changerNiveau", fer = "fermer";
        const QList<int> deux{1, 2}, tous{0, 2}, aucune;
        const QStringList rien;
        const QString petite = QString(INCHANGE).replace("PETIT", "PETITE");
        const QStringList p{"0:0:PETITE"}, vide{"0:0:"};
        ligne("déplacés", dep, 1, rien, deux, "O",
              "1|2|MARTIN,2|2|DURAND,3|1|PETIT,4|2|BLANC;1,2,4,1;1,2,3;1;1");
        const QList<int> ctrl{0, 0, 2, 2}; // PETIT et MARTIN, choisis avec Ctrl
        ligne("déplacés, sélection multiple", dep, 1, rien, ctrl, "O",
              "1|2|MARTIN,2|1|DURAND,3|2|PETIT,4|2|BLANC;1,2,4,1;1,2,3;1;1");
        ligne("supprimés, sélection multiple", sup, 1, rien, ctrl, "O", "2|1|DURAND,4|2|BLANC;2,4;1,2,3;1;1");
        ligne("modifications enregistrées d'abord", dep, 1, QStringList{"0:0:PETITE", "1:0:DURANDE"}, deux,
              "O", "1|2|MARTIN,2|2|DURANDE,3|1|PETITE,4|2|BLANC;1,2,4,1;1,2,3;1;1");
        ligne("enregistrement refusé : rien ne bouge", dep, 1, vide, deux, "OK", INCHANGE + ";1");
        ligne("déplacement refusé", dep, 1, rien, deux, "N", INCHANGE + ";1");
        ligne("toute la classe déplacée, classe supprimée", dep, 1, rien, tous, "OO",
              "1|2|MARTIN,2|2|DURAND,3|2|PETIT,4|2|BLANC;1,2,4,1;2,3;0;1");
        ligne("élèves supprimés avec leurs notes", sup, 1, rien, deux, "O",
              "3|1|PETIT,4|2|BLANC;4;1,2,3;1;1");
        ligne("suppression refusée", sup, 1, rien, deux, "N", INCHANGE + ";1");
        ligne("ligne nouvelle : grille seulement", sup, 1, QStringList{"+"}, QList<int>{3, 3}, "O",
              INCHANGE + ";1");
        ligne("classe vidée supprimée", sup, 1, rien, tous, "OO", "4|2|BLANC;4;2,3;0;1");
        ligne("classe vidée gardée", sup, 1, rien, tous, "ON", "4|2|BLANC;4;1,2,3;0;1");
        ligne("classe déjà vide", sup, 3, rien, aucune, "O",
              QString(INCHANGE).replace(";1,2,3;3", ";1,2;0;1"));
        ligne("niveau changé dans la grille seulement", niv, 1, rien, deux, "O", INCHANGE + ";1");
        ligne("fermeture : Oui enregistre", fer, 1, p, aucune, "O", petite + ";0");
        // La case de fermeture ne retire pas le focus à l'éditeur : le nom tapé sans Entrée compte.
        ligne("case, saisie en cours : Oui enregistre", QByteArray("case"), 1, QStringList{"~0:0:PETITE"},
              aucune, "O", petite + ";0");
        ligne("actualiser, saisie en cours : Oui enregistre", QByteArray("actualiser"), 1,
              QStringList{"~0:0:PETITE"}, aucune, "O", petite + ";1");
        ligne("fermeture : Oui refusé", fer, 1, vide, aucune, "OK", INCHANGE + ";1");
        ligne("fermeture : Non abandonne", fer, 1, p, aucune, "N", INCHANGE + ";0");
        ligne("fermeture : Annuler reste", fer, 1, p, aucune, "A", INCHANGE + ";1");
        ligne("fermeture sans modification", fer, 1, rien, aucune, "", INCHANGE + ";0");
    }

    void actions()
    {
        QFETCH(QByteArray, action);
        QFETCH(int, classe);
        QFETCH(QStringList, saisies);
        QFETCH(QList<int>, plage);
        QFETCH(QString, reponses);
        auto d = ouvrir(classe, reponses, saisies, plage);
        d->show();
        if (action == "fermer")
            w<QDialogButtonBox>(d.get(), "buttonBox")->button(QDialogButtonBox::Close)->click();
        else if (action == "case")
            d->close();
        else
            QMetaObject::invokeMethod(d.get(), action.constData());
        QTEST(QStringList({lignes("SELECT id_eleve,id_classe,nom FROM eleves"),
                           lignes("SELECT id_eleve FROM notes ORDER BY id_note"),
                           lignes("SELECT id_classe FROM classes"),
                           QString::number(table(d.get())->rowCount()), QString::number(d->isVisible())})
                  .join(';'),
              "attendu");
        if (action == "changerNiveau") { // écrit par l'enregistrement
            QVERIFY(d->enregistrer());
            QCOMPARE(lignes("SELECT id_eleve FROM eleves WHERE id_niveau=1"), QStringLiteral("1,2,3"));
        }
    }

    // Au clavier, la classe chargée : on est dans la grille, Tab en sort (les flèches s'y
    // déplacent), et chaque contrôle est annoncé par son nom.
    void clavier_data()
    {
        Clavier::colonnes();
        ligne("grille", "", "table|Tableau des élèves");
        ligne("Entrée reste dans la grille", "Entrée", "table|Tableau des élèves");
        ligne("sortie de la grille", "Tab", "btAjouter|Ajouter 1 élève");
        ligne("retour avant la grille", "Maj+Tab", "btClasses|Classes...");
        ligne("classe", "Tab Tab Tab", "cbClasse|Classe");
        ligne("actualiser", "Tab Tab Tab Tab", "btActualiser|Actualiser");
    }
    void clavier()
    {
        QFETCH(QString, gestes);
        QTEST(Clavier::apres(ouvrir(1).get(), gestes), "attendu");
    }
};

QTEST_MAIN(TstEleve)
#include "tst_eleve.moc"
