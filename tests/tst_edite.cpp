#include "pupils/diaedite.h"
#include "pupils/listes.h"
#include "support/environnement.h"
#include "support/repondeuressai.h"

#include <QListWidget>
#include <QPushButton>
#include <QSqlQuery>
#include <QTest>

namespace {

// Note la valeur de départ de chaque saisie de texte : « titre:texte initial ».
class RepondeurNotant : public RepondeurEssai
{
public:
    QStringList saisies;
    std::optional<QString> texte(QWidget* parent, const QString& titre, const QString& libelle,
                                 QLineEdit::EchoMode mode, const QString& initial) override
    {
        saisies << titre + ':' + initial;
        return RepondeurEssai::texte(parent, titre, libelle, mode, initial);
    }
};

} // namespace

class TstEdite : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dossier;
    std::unique_ptr<RepondeurNotant> repondeur;

    // Les deux premières colonnes d'une requête, jointes par « | ».
    static QStringList lignes(const QString& sql)
    {
        QStringList resultat;
        for (QSqlQuery q(sql); q.next();)
            resultat << q.value(0).toString() + '|' + q.value(1).toString();
        return resultat;
    }

private Q_SLOTS:
    void initTestCase() { Environnement::preparer(); }

    void init()
    {
        dossier = Environnement::nouveauDossierDonnees();
        QVERIFY(Environnement::ouvrirBase());
        QVERIFY(Environnement::poserSchema());
        QSqlQuery q;
        QVERIFY(q.exec("INSERT INTO classes VALUES(1,'CE1 A',5),(2,'CE2',7),(3,'CP',9)"));
        QVERIFY(q.exec("INSERT INTO eleves(id_eleve,id_classe,id_niveau,nom) VALUES(1,1,2,'MARTIN')"));
        repondeur = std::make_unique<RepondeurNotant>();
    }

    void cleanup()
    {
        QVERIFY2(repondeur->fileVide(), "des réponses préparées n'ont pas servi");
        repondeur.reset();
        Environnement::fermerBase();
        dossier.reset();
    }

    // Clé de chaque entrée (négative quand un élève l'utilise) et état des boutons Supprimer,
    // haut, bas, Modifier selon l'entrée choisie.
    void chargementEtBoutons()
    {
        diaEdite d(nullptr);
        d.charger("niveaux");
        QCOMPARE(d.findChild<QListWidget*>("lw")->item(1)->data(Qt::UserRole).toLongLong(), -2);
        d.charger("classes");
        auto* lw = d.findChild<QListWidget*>("lw");
        QStringList entrees;
        for (int i = 0; i < lw->count(); ++i)
            entrees << lw->item(i)->text() + '|' + lw->item(i)->data(Qt::UserRole).toString();
        QCOMPARE(entrees, QStringList({"CE1 A|-1", "CE2|2", "CP|3"}));
        const QList<QPair<int, QString>> cas{{-1, "0000"}, {0, "0011"}, {1, "1111"}, {2, "1101"}};
        for (const auto& [ligne, attendu] : cas) {
            lw->clearSelection();
            if (ligne >= 0)
                lw->setCurrentRow(ligne);
            d.timeOut();
            QString etats;
            for (const char* nom : {"btSupprimer", "btUp", "btDown", "btModifier"})
                etats += d.findChild<QPushButton*>(nom)->isEnabled() ? '1' : '0';
            QCOMPARE(etats, attendu);
        }
    }

    void edition_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QStringList>("actions"); // « n » choisit l'entrée n
        QTest::addColumn<QStringList>("reponses"); // texte saisi, « - » annule, « ! » ferme l'avertissement
        QTest::addColumn<QStringList>("saisies"); // valeurs de départ proposées
        QTest::addColumn<QStringList>("base"); // id|libelle par tri après OK ; vide : refusé, rien d'écrit
        const QStringList rien;
        QTest::newRow("ajout en double puis annulé")
            << "classes" << QStringList{"ajouter"} << QStringList{"ce2", "!", "-"}
            << QStringList{"Nouvelle entrée:", "Nouvelle entrée:ce2"} << rien;
        QTest::newRow("ajout") << "classes" << QStringList{"ajouter", "ajouter"} << QStringList{"CM1", ""}
                               << QStringList{"Nouvelle entrée:", "Nouvelle entrée:CM1"}
                               << QStringList{"1|CE1 A", "2|CE2", "3|CP", "4|CM1"};
        QTest::newRow("casse seule : pas une modification")
            << "classes" << QStringList{"1", "modifier"} << QStringList{"ce2"}
            << QStringList{"Modifier le libellé:CE2"} << rien;
        QTest::newRow("renommage en double puis accepté")
            << "classes" << QStringList{"1", "modifier"} << QStringList{"cp", "!", "CE2 B"}
            << QStringList{"Modifier le libellé:CE2", "Modifier le libellé:cp"}
            << QStringList{"1|CE1 A", "2|CE2 B", "3|CP"};
        QTest::newRow("suppression des seules entrées libres")
            << "classes" << QStringList{"1", "supprimer", "0", "supprimer"} << rien << QStringList{}
            << QStringList{"1|CE1 A", "3|CP"};
        QTest::newRow("entrée nouvelle supprimée : aucune trace")
            << "classes" << QStringList{"ajouter", "3", "supprimer"} << QStringList{"CM1"}
            << QStringList{"Nouvelle entrée:"} << QStringList{"1|CE1 A", "2|CE2", "3|CP"};
        QTest::newRow("montées et descente")
            << "classes" << QStringList{"2", "up", "up", "up", "down"} << rien << QStringList{}
            << QStringList{"1|CE1 A", "3|CP", "2|CE2"};
        QTest::newRow("niveaux : ajout puis montée")
            << "niveaux" << QStringList{"ajouter", "7", "up", "7", "supprimer"} << QStringList{"CM3"}
            << QStringList{"Nouvelle entrée:"}
            << QStringList{"1|CP", "2|CE1", "3|CE2", "4|CM1", "5|CM2", "6|CYCLE II", "8|CM3"};
    }

    void edition()
    {
        QFETCH(QString, table);
        QFETCH(QStringList, actions);
        QFETCH(QStringList, reponses);
        QFETCH(QStringList, saisies);
        QFETCH(QStringList, base);
        for (const QString& r : reponses)
            r == "-"   ? repondeur->annulation()
            : r == "!" ? repondeur->bouton(QMessageBox::Ok)
                       : repondeur->texteSaisi(r);
        const QString sql = QString("SELECT * FROM %1 ORDER BY tri").arg(table);
        const QStringList avant = lignes(sql);

        diaEdite d(nullptr);
        d.charger(table);
        auto* lw = d.findChild<QListWidget*>("lw");
        for (const QString& action : actions)
            if (action.at(0).isDigit())
                lw->setCurrentRow(action.toInt());
            else
                QMetaObject::invokeMethod(&d, action.toLatin1().constData());
        QCOMPARE(repondeur->saisies, saisies);
        for (const auto& m : repondeur->messages())
            QCOMPARE(m.titre + '|' + m.texte,
                     QStringLiteral("Erreur|Il existe déjà une entrée avec ce nom."));
        if (actions.contains("down")) // l'entrée déplacée reste choisie
            QCOMPARE(lw->currentItem()->text(), QStringLiteral("CP"));
        d.accept();
        QCOMPARE(d.result(), int(base.isEmpty() ? QDialog::Rejected : QDialog::Accepted));
        QCOMPARE(lignes(sql), base.isEmpty() ? avant : base);
        if (!base.isEmpty())
            QCOMPARE(lignes(QString("SELECT MIN(tri), MAX(tri) FROM %1").arg(table)).value(0),
                     QString("0|%1").arg(base.size() - 1));
    }

    // Une clé supprimée que des élèves utilisent au moment d'écrire n'est pas effacée.
    void suppressionEntreeUtilisee()
    {
        QVERIFY(Listes::enregistrer("classes", {{"CE2", 2}}, {1, 3}));
        QCOMPARE(lignes("SELECT * FROM classes ORDER BY tri"), QStringList({"2|CE2", "1|CE1 A"}));
    }
};

QTEST_MAIN(TstEdite)
#include "tst_edite.moc"
