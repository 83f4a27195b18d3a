// SPDX-License-Identifier: GPL-3.0-or-later
// Passage complet du banc des coupures : chaque opération d'écriture est coupée en chacun de
// ses points d'appel sur les fichiers (ou en un échantillon réparti quand on le demande),
// plus quelques coupures au hasard dans le temps, et un tableau résume les bases trouvées
// incohérentes. Code de sortie 1 dès qu'une coupure a laissé une base incohérente.
//
//   coupures [--echantillon N] [--au-hasard N] [--erreurs] [--errno N] [--garder] [opération…]
//
// Avec --erreurs, chaque point est aussi essayé en panne de disque : l'appel échoue et
// l'opération continue ; la base doit rester saine et l'issue annoncée doit être la vraie.

#include "coupures/banc.h"

#include <QCoreApplication>
#include <QDir>
#include <QMap>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QStandardPaths::setTestModeEnabled(true);

    int echantillon = 0; // 0 : tous les points
    int auHasard = 5;
    bool garder = false;
    bool erreurs = false;
    int codeErreur = 0; // 0 : EIO
    QStringList choisies;
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    for (int i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--echantillon") && i + 1 < arguments.size())
            echantillon = arguments[++i].toInt();
        else if (arguments[i] == QLatin1String("--au-hasard") && i + 1 < arguments.size())
            auHasard = arguments[++i].toInt();
        else if (arguments[i] == QLatin1String("--garder"))
            garder = true;
        else if (arguments[i] == QLatin1String("--erreurs"))
            erreurs = true;
        else if (arguments[i] == QLatin1String("--errno") && i + 1 < arguments.size())
            codeErreur = arguments[++i].toInt();
        else
            choisies.append(arguments[i]);
    }

    QTemporaryDir travail(QDir::tempPath() + QStringLiteral("/quorvel-coupures-XXXXXX"));
    travail.setAutoRemove(!garder);
    Coupures::Banc banc(QStringLiteral(QUORVEL_EXECUTANT), QStringLiteral(QUORVEL_COUPURE), travail.path());
    banc.garderIncoherents(garder);
    const QStringList operations = choisies.isEmpty() ? banc.operations() : choisies;
    if (operations.isEmpty()) {
        std::fprintf(stderr, "aucune opération\n");
        return 2;
    }

    // Graine fixe : deux passages coupent aux mêmes instants.
    QRandomGenerator hasard(20261206u);
    struct Ligne {
        QString operation;
        int appels = 0;
        int essais = 0;
        int coupes = 0;
        int incoherents = 0;
        int avant = 0;
        int apres = 0;
        int partiel = 0;
        int debris = 0;
        int pannes = 0;
        int pannesIncoherentes = 0;
        QMap<QString, int> nomsDebris;
    };
    QList<Ligne> tableau;
    bool erreur = false;
    for (const QString& operation : operations) {
        Ligne ligne;
        ligne.operation = operation;
        QString message;
        if (!banc.preparer(operation, &message)) {
            std::fprintf(stderr, "%s\n", qPrintable(message));
            erreur = true;
            continue;
        }
        ligne.appels = banc.total();
        const auto noter = [&](const Coupures::Verdict& verdict, const QString& ou) {
            ++ligne.essais;
            ligne.coupes += verdict.coupe ? 1 : 0;
            ligne.avant += verdict.etat == QLatin1String("avant") ? 1 : 0;
            ligne.apres += verdict.etat == QStringLiteral("après") ? 1 : 0;
            ligne.partiel += verdict.etat == QLatin1String("partiel") ? 1 : 0;
            ligne.debris += verdict.debris.isEmpty() ? 0 : 1;
            for (QString debris : verdict.debris) {
                // Les suffixes tirés au hasard des fichiers temporaires sont masqués.
                debris.replace(QRegularExpression(QStringLiteral("([._])[A-Za-z0-9]{6}(\\.sqlite)?$")),
                               QStringLiteral("\\1XXXXXX\\2"));
                ++ligne.nomsDebris[debris];
            }
            if (!verdict.coherent) {
                ++ligne.incoherents;
                std::printf("  %s, %s : %s\n", qPrintable(operation), qPrintable(ou),
                            qPrintable(verdict.raison));
            }
        };
        const QList<int> points =
            Coupures::pointsRepartis(banc.total(), echantillon > 0 ? echantillon : banc.total());
        for (const int point : points)
            noter(banc.couperAuPoint(point), QStringLiteral("point %1/%2").arg(point).arg(banc.total()));
        for (int k = 0; k < auHasard; ++k) {
            const int delai = int(hasard.bounded(qMax<qint64>(banc.dureeMs(), 1)));
            noter(banc.couperApres(delai), QStringLiteral("après %1 ms").arg(delai));
        }
        if (erreurs) {
            for (const int point : points) {
                const Coupures::Verdict verdict = banc.echouerAuPoint(point, codeErreur);
                ++ligne.pannes;
                if (!verdict.coherent) {
                    ++ligne.pannesIncoherentes;
                    std::printf("  %s, panne au point %d/%d : %s\n", qPrintable(operation), point,
                                banc.total(), qPrintable(verdict.raison));
                }
            }
        }
        std::printf("%-28s %6d appels, %5d essais, %3d incohérents\n", qPrintable(operation), ligne.appels,
                    ligne.essais, ligne.incoherents);
        std::fflush(stdout);
        tableau.append(ligne);
    }

    std::printf("\n%-28s %7s %7s %7s %7s %7s %8s %8s %12s\n", "opération", "appels", "essais", "coupés",
                "avant", "après", "partiel", "débris", "incohérents");
    int total = 0;
    int incoherents = 0;
    for (const Ligne& l : std::as_const(tableau)) {
        std::printf("%-28s %7d %7d %7d %7d %7d %8d %8d %12d\n", qPrintable(l.operation), l.appels, l.essais,
                    l.coupes, l.avant, l.apres, l.partiel, l.debris, l.incoherents);
        total += l.essais;
        incoherents += l.incoherents;
    }
    std::printf("%-28s %7s %7d %7s %7s %7s %8s %8s %12d\n", "total", "", total, "", "", "", "", "",
                incoherents);
    if (erreurs) {
        std::printf("\n%-28s %7s %12s\n", "pannes de disque", "essais", "incohérents");
        int pannes = 0;
        int fausses = 0;
        for (const Ligne& l : std::as_const(tableau)) {
            std::printf("%-28s %7d %12d\n", qPrintable(l.operation), l.pannes, l.pannesIncoherentes);
            pannes += l.pannes;
            fausses += l.pannesIncoherentes;
        }
        std::printf("%-28s %7d %12d\n", "total", pannes, fausses);
        incoherents += fausses;
    }
    std::printf("\nDébris (fichiers laissés à côté, sans dommage pour la base) :\n");
    for (const Ligne& l : std::as_const(tableau))
        for (auto it = l.nomsDebris.constBegin(); it != l.nomsDebris.constEnd(); ++it)
            std::printf("  %-28s %5d × %s\n", qPrintable(l.operation), it.value(), qPrintable(it.key()));
    return erreur || incoherents > 0 ? 1 : 0;
}
