// SPDX-License-Identifier: GPL-3.0-or-later
// Essais de sûreté devant une coupure : chaque opération d'écriture, lancée dans un processus
// enfant, est tuée par SIGKILL en des points répartis sur ses appels aux fichiers ; la base
// doit ensuite s'ouvrir saine, avec exactement le contenu d'avant ou celui d'après. Des dates
// tapées et pas encore enregistrées, le programme tué, reviennent au démarrage suivant.
// Le passage sur tous les points est fait par scripts/coupures.

#include "coupures/banc.h"
#include "support/environnement.h"
#include "support/sql.h"

#include <QDir>
#include <QElapsedTimer>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <tuple>

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

// Saisies interrompues : nombre d'arrêts brutaux, et ce qu'une date doit avoir d'ancienneté au
// moment de l'arrêt pour revenir à coup sûr (le journal s'écrit au plus une seconde après elle).
constexpr int ARRETS = 3;
constexpr qint64 ANCIENNETE_MS = 2000;

// Une case de date : grille, élève, nœud.
using CaseGrille = std::tuple<int, qint64, qint64>;

struct LigneSaisie {
    QString genre;
    CaseGrille cle;
    QString texte;
    bool changee = false;
};

// « genre grille élève nœud texte [changée] » (le texte peut être vide).
LigneSaisie lireLigne(const QString& ligne)
{
    const QStringList parties = ligne.split(' ');
    LigneSaisie l;
    if (parties.size() < 5)
        return l;
    l.genre = parties[0];
    l.cle = {parties[1].toInt(), parties[2].toLongLong(), parties[3].toLongLong()};
    l.texte = parties[4];
    l.changee = parties.size() > 5 && parties[5] == QStringLiteral("changée");
    return l;
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

    // Des dates tapées dans les vraies grilles, le programme tué (SIGKILL) à un instant tiré au
    // hasard, puis redémarré : la reprise remet dans les grilles exactement l'état qu'elles avaient
    // à un instant d'avant l'arrêt, plus récent que l'ancienneté garantie. Toute date tapée plus
    // tôt revient, chacune dans sa case, avec son texte, dates incorrectes et cases effacées
    // comprises ; rien d'autre ne change.
    void saisiesInterrompues()
    {
        QRandomGenerator hasard(QRandomGenerator::global()->generate());
        for (int arret = 0; arret < ARRETS; ++arret) {
            QTemporaryDir racine;
            QProcess preparation;
            preparation.start(
                QStringLiteral(QUORVEL_EXECUTANT),
                {QStringLiteral("preparer"), QStringLiteral("grille-competences"), racine.path()});
            QVERIFY(preparation.waitForFinished(60000) && preparation.exitCode() == 0);

            QProcess saisie;
            saisie.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            QElapsedTimer horloge;
            QMap<CaseGrille, QString> depart;
            QList<std::pair<qint64, LigneSaisie>> tapees; // instant de réception, case tapée
            bool pret = false;
            connect(&saisie, &QProcess::readyReadStandardOutput, &saisie, [&] {
                while (saisie.canReadLine()) {
                    const QString ligne = QString::fromUtf8(saisie.readLine()).chopped(1);
                    if (ligne == QStringLiteral("pret")) {
                        pret = true;
                        horloge.start();
                        continue;
                    }
                    const LigneSaisie l = lireLigne(ligne);
                    if (l.genre == QStringLiteral("i"))
                        depart.insert(l.cle, l.texte);
                    else if (l.genre == QStringLiteral("t"))
                        tapees.append({horloge.elapsed(), l});
                }
            });
            const quint32 graine = hasard.generate();
            saisie.start(QStringLiteral(QUORVEL_SAISISSEUR),
                         {QStringLiteral("taper"), racine.path(), QString::number(graine)});
            QVERIFY(QTest::qWaitFor([&] { return pret; }, 60000));
            const int delai = 2500 + int(hasard.bounded(4000));
            QTest::qWait(delai);
            const qint64 arretMs = horloge.elapsed();
            saisie.kill(); // SIGKILL
            QVERIFY(saisie.waitForFinished(20000));
            QVERIFY(!depart.isEmpty());

            QProcess reprise;
            reprise.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            reprise.start(QStringLiteral(QUORVEL_SAISISSEUR), {QStringLiteral("reprendre"), racine.path()});
            QVERIFY(reprise.waitForFinished(60000) && reprise.exitCode() == 0);
            QMap<CaseGrille, LigneSaisie> reprises;
            QStringList messages;
            for (const QString& ligne : QString::fromUtf8(reprise.readAllStandardOutput()).split('\n')) {
                const LigneSaisie l = lireLigne(ligne);
                if (l.genre == QStringLiteral("r"))
                    reprises.insert(l.cle, l);
                else if (ligne.startsWith(QStringLiteral("m ")))
                    messages << ligne;
            }

            // L'état des grilles après les k premières frappes, pour un k qui couvre au moins toutes
            // les frappes plus anciennes que l'ancienneté garantie.
            int garanties = 0;
            while (garanties < tapees.size() && tapees[garanties].first <= arretMs - ANCIENNETE_MS)
                ++garanties;
            QMap<CaseGrille, QString> etat = depart;
            for (int k = 0; k < garanties; ++k)
                etat[tapees[k].second.cle] = tapees[k].second.texte;
            const auto conforme = [&](const QMap<CaseGrille, QString>& attendu) {
                for (auto it = attendu.cbegin(); it != attendu.cend(); ++it) {
                    const bool changee = *it != depart.value(it.key());
                    const auto lue = reprises.constFind(it.key());
                    const QString texte = lue == reprises.cend() ? depart.value(it.key()) : lue->texte;
                    const bool marquee = lue != reprises.cend() && lue->changee;
                    if (texte != *it || marquee != changee)
                        return false;
                }
                return true;
            };
            bool trouve = conforme(etat);
            for (int k = garanties; !trouve && k < tapees.size(); ++k) {
                etat[tapees[k].second.cle] = tapees[k].second.texte;
                trouve = conforme(etat);
            }
            QVERIFY2(trouve,
                     qPrintable(QStringLiteral("arrêt après %1 ms (graine %2) : %3 frappes, dont %4 "
                                               "garanties ; %5 cases reprises ; messages : %6")
                                    .arg(arretMs)
                                    .arg(graine)
                                    .arg(tapees.size())
                                    .arg(garanties)
                                    .arg(std::count_if(reprises.cbegin(), reprises.cend(),
                                                       [](const LigneSaisie& l) { return l.changee; }))
                                    .arg(messages.join(" / "))));
            QVERIFY(garanties > 0);
        }
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
                 QStringList{QStringLiteral("1|École de la version 2|italien|3")});
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
