// SPDX-License-Identifier: GPL-3.0-or-later
// Essais de sûreté devant une coupure : chaque opération d'écriture, lancée dans un processus
// enfant, est tuée par SIGKILL en des points répartis sur ses appels aux fichiers ; la base
// doit ensuite s'ouvrir saine, avec exactement le contenu d'avant ou celui d'après.
// Le passage sur tous les points est fait par scripts/coupures.

#include "coupures/banc.h"
#include "support/environnement.h"
#include "support/sql.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <memory>

namespace {

// Points répartis et coupures dans le temps par opération : assez pour passer par chaque
// étape des opérations, en restant court sur une machine partagée.
constexpr int POINTS = 10;
constexpr int AU_HASARD = 2;

// Les lignes d'une requête sur une base, en texte.
QStringList lignes(const QString& chemin, const QString& requete)
{
    return Sql::surFichier(chemin, {requete});
}

} // namespace

class TestCoupures : public QObject
{
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> dossier;
    std::unique_ptr<Coupures::Banc> banc;

private slots:
    void initTestCase()
    {
        Environnement::preparer();
        dossier = std::make_unique<QTemporaryDir>();
        QVERIFY(dossier->isValid());
        banc = std::make_unique<Coupures::Banc>(QStringLiteral(QUORVEL_EXECUTANT),
                                                QStringLiteral(QUORVEL_COUPURE), dossier->path());
    }

    void coupures_data()
    {
        QTest::addColumn<QString>("operation");
        const QStringList operations = Coupures::Banc(QStringLiteral(QUORVEL_EXECUTANT),
                                                      QStringLiteral(QUORVEL_COUPURE), QDir::tempPath())
                                           .operations();
        QVERIFY(operations.size() >= 15);
        for (const QString& operation : operations)
            QTest::newRow(qPrintable(operation)) << operation;
    }

    void coupures()
    {
        QFETCH(QString, operation);
        QString erreur;
        QVERIFY2(banc->preparer(operation, &erreur), qPrintable(erreur));

        // Le mécanisme lui-même : coupé au premier appel, rien n'est écrit ; au-delà du dernier,
        // l'opération va à son terme.
        const Coupures::Verdict premier = banc->couperAuPoint(1);
        QVERIFY2(premier.coupe, "la coupure au premier appel n'a pas tué l'enfant");
        QVERIFY2(premier.coherent, qPrintable(premier.raison));
        QCOMPARE(premier.etat, QStringLiteral("avant"));
        const Coupures::Verdict sansCoupure = banc->couperAuPoint(banc->total() + 1);
        QVERIFY(!sansCoupure.coupe);
        QVERIFY2(sansCoupure.coherent, qPrintable(sansCoupure.raison));
        QCOMPARE(sansCoupure.etat, QStringLiteral("après"));

        for (const int point : Coupures::pointsRepartis(banc->total(), POINTS)) {
            const Coupures::Verdict verdict = banc->couperAuPoint(point);
            QVERIFY2(verdict.coherent, qPrintable(QStringLiteral("coupure au point %1 sur %2 : %3")
                                                      .arg(point)
                                                      .arg(banc->total())
                                                      .arg(verdict.raison)));
        }
        for (int k = 1; k <= AU_HASARD; ++k) {
            const int delai = int(banc->dureeMs() * k / (AU_HASARD + 1));
            const Coupures::Verdict verdict = banc->couperApres(delai);
            QVERIFY2(verdict.coherent,
                     qPrintable(QStringLiteral("coupure après %1 ms : %2").arg(delai).arg(verdict.raison)));
        }
    }

    void pannesDeDisque_data() { coupures_data(); }

    // Un appel sur les fichiers échoue (erreur d'entrée-sortie, puis disque plein) et
    // l'opération continue : la base reste saine, et l'issue annoncée est la vraie (réussite :
    // tout est écrit ; échec : rien ne l'est, sauf ce qu'une reprise valide exprès).
    void pannesDeDisque()
    {
        QFETCH(QString, operation);
        QString erreur;
        QVERIFY2(banc->preparer(operation, &erreur), qPrintable(erreur));
        for (const int code : {EIO, ENOSPC}) {
            for (const int point : Coupures::pointsRepartis(banc->total(), POINTS)) {
                const Coupures::Verdict verdict = banc->echouerAuPoint(point, code);
                QVERIFY2(verdict.coherent,
                         qPrintable(QStringLiteral("panne (errno %1) au point %2 sur %3 : %4")
                                        .arg(code)
                                        .arg(point)
                                        .arg(banc->total())
                                        .arg(verdict.raison)));
            }
        }
    }

    // Le banc voit bien un mélange : deux suppressions validées chacune à part laissent, coupées
    // entre les deux, une base qui n'est ni celle d'avant ni celle d'après.
    void temoinSansTransaction()
    {
        QString erreur;
        QVERIFY2(banc->preparer(QStringLiteral("temoin-sans-transaction"), &erreur), qPrintable(erreur));
        int melanges = 0;
        for (int point = 1; point <= banc->total(); ++point) {
            const Coupures::Verdict verdict = banc->couperAuPoint(point);
            if (!verdict.coherent) {
                QCOMPARE(verdict.etat, QStringLiteral("mélange"));
                ++melanges;
            }
        }
        QVERIFY(melanges > 0);
    }

    // Une reprise de la version 2 qui bute sur un élève en double valide ce qu'elle a copié
    // avant : l'école, les classes et les huit premiers élèves, rien au-delà.
    void repriseEnEchecGardeCeQuiAEteCopie()
    {
        QString erreur;
        QVERIFY2(banc->preparer(QStringLiteral("migration-v2-echec"), &erreur), qPrintable(erreur));
        const QString nouvelle = banc->racineApres() + QStringLiteral("/donnees/QuorvelV3.sqlite");
        const QString ancienne = banc->racineApres() + QStringLiteral("/donnees/QuorvelV2.sqlite");

        QCOMPARE(lignes(nouvelle, QStringLiteral("SELECT id, ecole, langue_defaut, version FROM general")),
                 QStringList{QStringLiteral("1|École de la version 2|allemand|3")});
        QCOMPARE(lignes(nouvelle, QStringLiteral("SELECT * FROM classes ORDER BY id_classe")),
                 lignes(ancienne, QStringLiteral("SELECT * FROM classes ORDER BY id_classe")));
        const QStringList eleves = lignes(nouvelle, QStringLiteral("SELECT * FROM eleves ORDER BY id_eleve"));
        QCOMPARE(eleves.size(), 8);
        QCOMPARE(eleves,
                 lignes(ancienne, QStringLiteral("SELECT * FROM eleves WHERE rowid<=8 ORDER BY rowid")));
        // Les niveaux de départ restent (leur suppression venait après les élèves) ; aucune date.
        QCOMPARE(lignes(nouvelle, QStringLiteral("SELECT COUNT(*) FROM niveaux")),
                 QStringList{QStringLiteral("7")});
        QCOMPARE(lignes(nouvelle, QStringLiteral("SELECT COUNT(*) FROM notes")),
                 QStringList{QStringLiteral("0")});
        // L'arbre des compétences et les paramètres des paliers sont ceux de la pose.
        QCOMPARE(lignes(nouvelle, QStringLiteral("SELECT COUNT(*) FROM competences")),
                 QStringList{QStringLiteral("212")});
        QCOMPARE(lignes(nouvelle, QStringLiteral("SELECT COUNT(*) FROM paramcomp")),
                 QStringList{QStringLiteral("2")});
    }
};

QTEST_GUILESS_MAIN(TestCoupures)
#include "tst_coupures.moc"
