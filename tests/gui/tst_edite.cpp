// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/pupils/listes.h"
#include "gui/pupils/diaedite.h"
#include "support/clavier.h"
#include "support/donnees.h"
#include "support/environnement.h"
#include "support/repondeuressai.h"
#include "support/sql.h"

#include <QListWidget>
#include <QSqlQuery>
#include <QTest>

class TstEdite : public QObject
{
    Q_OBJECT

    Environnement::Dossier dossier;
    std::unique_ptr<RepondeurEssai> repondeur;

private Q_SLOTS:
    void initTestCase() { Environnement::preparer(); }

    void init()
    {
        QVERIFY(Environnement::nouvelleBase(dossier, Environnement::Pose::Schema));
        QSqlQuery q;
        QVERIFY(q.exec("INSERT INTO classes VALUES(1,'CE1 A',5),(2,'CE2',7),(3,'CP',9)"));
        QVERIFY(q.exec("INSERT INTO eleves(id_eleve,id_classe,id_niveau,nom) VALUES(1,1,2,'MARTIN')"));
        repondeur = std::make_unique<RepondeurEssai>();
    }

    void cleanup() { repondeur.reset(); }

    void edition_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QStringList>("actions"); // « n » choisit l'entrée n ; « ~gestes » au clavier
        QTest::addColumn<QStringList>("reponses"); // texte saisi, « - » annule, « ! » ferme l'avertissement
        QTest::addColumn<QStringList>("base"); // id|libelle par tri après OK ; vide : refusé, rien d'écrit
        const QStringList rien;
        ligne("OK sans changement", "classes", rien, rien, rien);
        ligne("ajout en double puis annulé", "classes", QStringList{"ajouter"}, QStringList{"ce2", "!", "-"},
              rien);
        ligne("ajout", "classes", QStringList{"ajouter", "ajouter"}, QStringList{"CM1", ""},
              QStringList{"1|CE1 A", "2|CE2", "3|CP", "4|CM1"});
        ligne("casse seule : pas une modification", "classes", QStringList{"1", "modifier"},
              QStringList{"ce2"}, rien);
        ligne("renommage en double puis accepté", "classes", QStringList{"1", "modifier"},
              QStringList{"cp", "!", "CE2 B"}, QStringList{"1|CE1 A", "2|CE2 B", "3|CP"});
        ligne("suppression des seules entrées libres", "classes",
              QStringList{"1", "supprimer", "0", "supprimer"}, rien, QStringList{"1|CE1 A", "3|CP"});
        ligne("entrée nouvelle supprimée : aucune trace", "classes", QStringList{"ajouter", "3", "supprimer"},
              QStringList{"CM1"}, QStringList{"1|CE1 A", "2|CE2", "3|CP"});
        ligne("montées et descente", "classes", QStringList{"2", "up", "up", "up", "down"}, rien,
              QStringList{"1|CE1 A", "3|CP", "2|CE2"});
        ligne("clavier : choisie aux flèches, montée deux fois", "classes",
              QStringList{"~Bas Bas Tab Espace Espace"}, rien, QStringList{"3|CP", "1|CE1 A", "2|CE2"});
        ligne("niveaux : ajout puis montée", "niveaux", QStringList{"ajouter", "7", "up", "7", "supprimer"},
              QStringList{"CM3"},
              QStringList{"1|CP", "2|CE1", "3|CE2", "4|CM1", "5|CM2", "6|CYCLE II", "8|CM3"});
    }

    void edition()
    {
        QFETCH(QString, table);
        QFETCH(QStringList, actions);
        QFETCH(QStringList, reponses);
        QFETCH(QStringList, base);
        for (const QString& r : reponses)
            r == "-"   ? repondeur->annulation()
            : r == "!" ? repondeur->bouton(QMessageBox::Ok)
                       : repondeur->texteSaisi(r);
        const QString sql =
            QString("SELECT id_%1, libelle FROM %2 ORDER BY tri").arg(table.chopped(1), table);
        const QStringList avant = Sql::lignes(sql);

        diaEdite d(nullptr);
        d.charger(table);
        auto* lw = d.findChild<QListWidget*>("lw");
        for (const QString& action : actions) {
            if (action.at(0).isDigit()) {
                lw->setCurrentRow(action.toInt());
            } else if (action.startsWith('~')) {
                QVERIFY(Clavier::montrer(&d));
                Clavier::gestes(&d, action.mid(1));
            } else {
                QMetaObject::invokeMethod(&d, action.toLatin1().constData());
            }
        }
        for (const auto& m : repondeur->messages())
            QCOMPARE(m.titre + '|' + m.texte,
                     QStringLiteral("Erreur|Il existe déjà une entrée avec ce nom."));
        d.accept();
        QCOMPARE(d.result(), int(base.isEmpty() ? QDialog::Rejected : QDialog::Accepted));
        QCOMPARE(Sql::lignes(sql), base.isEmpty() ? avant : base);
        if (!base.isEmpty()) // tri égal à la position
            QCOMPARE(Sql::lignes(QString("SELECT MIN(tri), MAX(tri) FROM %1").arg(table)).value(0),
                     QString("0|%1").arg(base.size() - 1));
    }

    // La base refuse l'écriture : l'enseignant est averti, rien n'est écrit, la liste reste ouverte.
    void baseEnLectureSeule()
    {
        const QStringList avant = Sql::lignes("SELECT * FROM classes ORDER BY tri");
        repondeur->texteSaisi("CM1");
        repondeur->bouton(QMessageBox::Ok);
        diaEdite d(nullptr);
        d.charger("classes");
        QMetaObject::invokeMethod(&d, "ajouter");
        QSqlQuery().exec("PRAGMA query_only=1");
        d.accept();
        QSqlQuery().exec("PRAGMA query_only=0");
        QCOMPARE(repondeur->dernier().titre, QString("Enregistrement impossible"));
        QCOMPARE(d.result(), int(QDialog::Rejected));
        QCOMPARE(Sql::lignes("SELECT * FROM classes ORDER BY tri"), avant);
    }

    // Une clé supprimée que des élèves utilisent au moment d'écrire n'est pas effacée.
    void suppressionEntreeUtilisee()
    {
        QVERIFY(Listes::enregistrer("classes", {{"CE2", 2}}, {1, 3}));
        QCOMPARE(Sql::lignes("SELECT id_classe, libelle FROM classes ORDER BY tri"),
                 QStringList({"2|CE2", "1|CE1 A"}));
    }
};

QTEST_MAIN(TstEdite)
#include "tst_edite.moc"
