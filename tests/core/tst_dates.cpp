// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/commun/dates.h"
#include "support/donnees.h"

#include <QTest>

class TstDates : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Une date tapée complétée et normalisée d'après le jour donné (nul : aujourd'hui). L'année sur
    // deux chiffres dépend de l'année courante : siècle actuel tant que l'année + 1999 reste avant
    // l'année courante, siècle précédent sinon.
    void normaliser_data()
    {
        QTest::addColumn<QString>("saisi");
        QTest::addColumn<bool>("valide");
        QTest::addColumn<QString>("attendu");
        QTest::addColumn<QDate>("aujourdhui");
        const QDate auj = QDate::currentDate();
        const QString moisAnnee = auj.toString(QStringLiteral("/MM/yyyy"));
        const QString annee = QString::number(auj.year());
        const int an = auj.year(), deuxChiffres = an % 100;
        ligne("vide", "", true, "", QDate());
        ligne("jour seul", "3", true, QStringLiteral("03") + moisAnnee, QDate());
        ligne("jour et mois", "3/4", true, QStringLiteral("03/04/") + annee, QDate());
        ligne("tirets, année sur un chiffre", "3-4-9", true, "03/04/2009", QDate());
        ligne("date complète", "14/07/2010", true, "14/07/2010", QDate());
        ligne("zéros de tête absents", "1/2/2010", true, "01/02/2010", QDate());
        ligne("parties au-delà de la troisième ignorées", "1/2/2010/7", true, "01/02/2010", QDate());
        ligne("31 février", "31/2/2010", false, "31/2/2010", QDate());
        ligne("jour nul", "0/1/2010", false, "0/1/2010", QDate());
        ligne("mois 13", "1/13/2010", false, "1/13/2010", QDate());
        ligne("avant 1900", "1/1/1899", false, "1/1/1899", QDate());
        ligne("mois vide", "1//2010", false, "1//2010", QDate());
        ligne("jour 32", "32", false, "32", QDate());
        ligne("lettres", "demain", false, "demain", QDate());
        ligne("année vide", "1/2/", false, "1/2/", QDate());
        ligne("29 février bissextile", "29/2/2012", true, "29/02/2012", QDate());
        ligne("29 février non bissextile", "29/2/2011", false, "29/2/2011", QDate());
        ligne("année 9999", "31/12/9999", true, "31/12/9999", QDate());
        ligne("année 10000", "1/1/10000", false, "1/1/10000", QDate());
        ligne("année passée du siècle", QString("1/1/%1").arg(deuxChiffres - 1), true,
              QString("01/01/%1").arg(an - 1), QDate());
        ligne("année courante", QString("1/1/%1").arg(deuxChiffres), true, QString("01/01/%1").arg(an), auj);
        ligne("année suivante : siècle précédent", QString("1/1/%1").arg(deuxChiffres + 1), true,
              QString("01/01/%1").arg(an + 1 - 100), auj);
        ligne("en 2009, 9 donne 2009", "3-4-9", true, "03/04/2009", QDate(2009, 6, 1));
        ligne("en 2008, 9 donne 1909", "3-4-9", true, "03/04/1909", QDate(2008, 6, 1));
        ligne("mois et année du jour donné", "5", true, "05/11/2011", QDate(2011, 11, 20));
        ligne("jour hors du mois courant", "30", false, "30", QDate(2011, 2, 20));
    }
    void normaliser()
    {
        QFETCH(QString, saisi);
        QFETCH(QDate, aujourdhui);
        QTEST(aujourdhui.isNull() ? Dates::normaliser(saisi) : Dates::normaliser(saisi, aujourdhui),
              "valide");
        QTEST(saisi, "attendu");
    }

    void lire_data()
    {
        QTest::addColumn<QString>("texte");
        QTest::addColumn<QDate>("attendu");

        ligne("affichage", "14/07/2010", QDate(2010, 7, 14));
        ligne("stockage", "2010-07-14", QDate(2010, 7, 14));
        ligne("barres mais ordre ISO", "2010/07/14", QDate());
        ligne("sans zéros", "1/2/2010", QDate());
        ligne("ISO avec heure", "2010-07-14T10:00:00", QDate());
        ligne("vide", "", QDate());
        ligne("impossible", "31/02/2010", QDate());
    }

    void lire()
    {
        QFETCH(QString, texte);
        QFETCH(QDate, attendu);
        const QDate lue = Dates::lire(texte);
        QCOMPARE(lue.isValid(), attendu.isValid());
        if (attendu.isValid())
            QCOMPARE(lue, attendu);
    }

    // Ce qu'une cellule de date donne aux écritures du cœur : rien (cellule vide), une date, ou
    // une date que les écritures refusent (invalide, ou d'une année que l'on ne tape pas) — jamais
    // un vide à la place d'un texte faux.
    void saisie_data()
    {
        QTest::addColumn<QString>("texte");
        QTest::addColumn<QString>("attendu"); // « vide », « refusée » ou la date ISO
        ligne("vide", "", "vide");
        ligne("blancs", "  ", "vide");
        ligne("cellule normalisée", "14/07/2010", "2010-07-14");
        ligne("comme tapée", " 1/2/10 ", "2010-02-01");
        ligne("31 février", "31/02/2010", "refusée");
        ligne("texte", "demain", "refusée");
        ligne("année hors de ce qu'on tape", "01/01/1899", "refusée");
    }
    void saisie()
    {
        QFETCH(QString, texte);
        const std::optional<QDate> date = Dates::saisie(texte);
        QTEST(!date                   ? QStringLiteral("vide")
              : Dates::permise(*date) ? date->toString(Qt::ISODate)
                                      : "refusée",
              "attendu");
    }

    // Une date de validation à vérifier : dans le futur, avant la naissance, avant le livret.
    void invraisemblances_data()
    {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QDate>("naissance");
        QTest::addColumn<int>("raisons");
        const int futur = Dates::DansLeFutur, naissance = Dates::AvantLaNaissance,
                  livret = Dates::AvantLeLivret;
        ligne("vraisemblable", QDate(2012, 5, 4), QDate(2005, 1, 1), 0);
        ligne("naissance inconnue", QDate(2012, 5, 4), QDate(), 0);
        ligne("pas de date", QDate(), QDate(2005, 1, 1), 0);
        ligne("dans le futur", QDate(2031, 1, 1), QDate(2005, 1, 1), futur);
        ligne("avant la naissance et le livret", QDate(2004, 1, 1), QDate(2005, 1, 1), naissance | livret);
        ligne("première année du livret", QDate(2008, 1, 1), QDate(), 0);
    }
    void invraisemblances()
    {
        QFETCH(QDate, date);
        QFETCH(QDate, naissance);
        QTEST(Dates::invraisemblances(date, naissance, QDate(2030, 6, 1)), "raisons");
    }
};

QTEST_GUILESS_MAIN(TstDates)
#include "tst_dates.moc"
