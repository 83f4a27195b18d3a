// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/db/lecteurcsv.h"
#include "support/donnees.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using Lignes = QList<QStringList>;

class TstLecteurCsv : public QObject
{
    Q_OBJECT
    QString ecrire(const QByteArray& octets)
    {
        QFile fichier(dossier.filePath(QStringLiteral("fichier.csv")));
        if (!fichier.open(QIODevice::WriteOnly) || fichier.write(octets) != octets.size())
            qFatal("écriture impossible du fichier");
        return fichier.fileName();
    }
    QTemporaryDir dossier;

private Q_SLOTS:
    // L'automate des champs, séparateur « ; » sans détection ; chaque cas écrit en LF est rejoué
    // en CRLF et doit donner les mêmes lignes, « \n\r » des champs sur plusieurs lignes compris.
    void automate_data()
    {
        QTest::addColumn<QByteArray>("contenu");
        QTest::addColumn<Lignes>("attendu");

        ligne("sans fin de ligne finale", QByteArray("a;b\nc;d"), Lignes{{"a", "b"}, {"c", "d"}});
        ligne("champs vides", QByteArray(";a;;b;\n"), Lignes{{"", "a", "", "b", ""}});
        ligne("largeur complétée", QByteArray("a\nb;c;d\n\ne;f\n"),
              Lignes{{"a", "", ""}, {"b", "c", "d"}, {"", "", ""}, {"e", "f", ""}});
        ligne("guillemets doublés", QByteArray("\"il dit \"\"oui\"\"\";\"\"\"\"\n"),
              Lignes{{"il dit \"oui\"", "\""}});
        ligne("séparateur entre guillemets", QByteArray("\"a;b\";c\n"), Lignes{{"a;b", "c"}});
        ligne("guillemet hors début de champ", QByteArray("ab\"c;d\"e\n"), Lignes{{"ab\"c", "d\"e"}});
        ligne("texte après le guillemet fermant", QByteArray("\"ab\"cd\"e;f\n"), Lignes{{"abcd\"e", "f"}});
        ligne("champ sur trois lignes", QByteArray("a;\"x\n\ny;\";b\nc;d;e\n"),
              Lignes{{"a", "x\n\r\n\ry;", "b"}, {"c", "d", "e"}});
        ligne("retours chariot seuls", QByteArray("a;\"x\ry\";b\rc;d;e"),
              Lignes{{"a", "x\n\ry", "b"}, {"c", "d", "e"}});
        ligne("guillemet non fermé, ligne gardée", QByteArray("a;b;c\nd;\"e\nf\n"),
              Lignes{{"a", "b", "c"}, {"d", "e\n\rf\n\r", ""}});
        ligne("guillemet non fermé, ligne abandonnée", QByteArray("a;b\n\"c;d\ne\n"), Lignes{{"a", "b"}});
    }

    void automate()
    {
        QFETCH(QByteArray, contenu);
        QFETCH(Lignes, attendu);
        QList<QByteArray> versions{contenu};
        if (!contenu.contains('\r'))
            versions << QByteArray(contenu).replace("\n", "\r\n");
        for (const QByteArray& octets : versions) {
            LecteurCsv lecteur;
            QVERIFY(lecteur.load(ecrire(octets), false));
            QCOMPARE(lecteur.lignes(), attendu);
            QCOMPARE(lecteur.nombreLignes(), int(attendu.size()));
            QCOMPARE(lecteur.nombreColonnes(), int(attendu.value(0).size()));
        }
    }

    // Le séparateur détecté sur la première ligne, hors guillemets, sur le texte décodé (en UTF-16,
    // « ; » suit un octet nul) ; sans séparateur, le chargement échoue sans message et le
    // séparateur en place reste. L'encodage se reconnaît à son BOM ; sans BOM, de l'UTF-8 valide et
    // non ASCII est lu en UTF-8, et le moindre octet fautif laisse le fichier en Windows-1252.
    void separateursEtEncodages_data()
    {
        QTest::addColumn<QByteArray>("contenu");
        QTest::addColumn<QString>("separateur"); // vide : aucun séparateur trouvé
        QTest::addColumn<Lignes>("attendu");
        ligne("point-virgule", QByteArray("a;b,c\n"), ";", Lignes{{"a", "b,c"}});
        ligne("virgule", QByteArray("a,b;c\n"), ",", Lignes{{"a", "b;c"}});
        ligne("tabulation", QByteArray("a\tb;c,d\n"), "\t", Lignes{{"a", "b;c,d"}});
        ligne("entre guillemets doublés ignoré", QByteArray("\"x\"\";y,z\"\tw\n"), "\t",
              Lignes{{"x\";y,z", "w"}});
        ligne("première ligne seulement", QByteArray("a,b\nc;d\n"), ",", Lignes{{"a", "b"}, {"c;d", ""}});
        ligne("aucun", QByteArray("abc\nd;e\n"), "", Lignes{});
        ligne("seulement entre guillemets", QByteArray("\"a;b\"\nc;d\n"), "", Lignes{});
        const QString texte = QStringLiteral("é;€;œ\r\n\"a;b\";Cœur\r\n");
        const Lignes lignes{{"é", "€", "œ"}, {"a;b", "Cœur", ""}};
        ligne("UTF-8 avec BOM", QByteArray("\xEF\xBB\xBF") + texte.toUtf8(), ";", lignes);
        QStringEncoder utf16le(QStringConverter::Utf16LE);
        ligne("UTF-16LE avec BOM", QByteArray("\xFF\xFE") + QByteArray(utf16le.encode(texte)), ";", lignes);
        ligne("Windows-1252", QByteArray("\xE9;\x80;\x9C\r\n\"a;b\";C\x9Cur\r\n"), ";", lignes);
        ligne("UTF-8 sans BOM", texte.toUtf8(), ";", lignes);
        ligne("UTF-8 tronqué en fin de fichier", QByteArray("\xC3\xA9;x\n\xC3"), ";",
              Lignes{{QStringLiteral("Ã©"), "x"}, {QStringLiteral("Ã"), ""}});
        ligne("UTF-8 surlong", QByteArray("\xC3\xA9;\xC0\xA9\n"), ";",
              Lignes{{QStringLiteral("Ã©"), QStringLiteral("À©")}});
        ligne("ASCII seul", QByteArray("a;b\n"), ";", Lignes{{"a", "b"}});
        ligne("deux fichiers UTF-8 mis bout à bout",
              QByteArray("\xEF\xBB\xBF\xC3\xA9;x\n\xEF\xBB\xBFy;\xEF\xBB\xBF\n"), ";",
              Lignes{{"é", "x"}, {"y", ""}});
    }
    void separateursEtEncodages()
    {
        QFETCH(QByteArray, contenu);
        QFETCH(QString, separateur);
        LecteurCsv lecteur;
        lecteur.setSeparateur(QLatin1Char('|'));
        const Resultat<> lu = lecteur.load(ecrire(contenu), true);
        QCOMPARE(lu.reussi(), !separateur.isEmpty());
        QVERIFY(lu || lu.erreur().raison == Raison::SeparateurIntrouvable);
        QCOMPARE(lecteur.separateur(), separateur.isEmpty() ? QLatin1Char('|') : separateur.at(0));
        QTEST(lecteur.lignes(), "attendu");
    }

    // Notre table de secours doit donner ce que donne le convertisseur de la boîte à outils.
    void tableWindows1252()
    {
        QByteArray tous;
        for (int octet = 0; octet < 256; ++octet)
            tous.append(char(octet));
        QStringDecoder decodeur("windows-1252");
        if (!decodeur.isValid())
            QSKIP("pas de convertisseur Windows-1252 dans cette boîte à outils");
        QCOMPARE(LecteurCsv::decoderWindows1252ParTable(tous), decodeur.decode(tous));
    }

    // Un nouveau chargement remplace les lignes ; un fichier absent dit pourquoi ; sans détection,
    // le séparateur en place est gardé.
    void fichierAbsentEtRechargement()
    {
        LecteurCsv lecteur;
        QVERIFY(lecteur.load(ecrire("a,b;c\nd\n"), true));
        const QString chemin = dossier.filePath(QStringLiteral("absent.csv"));
        QFile fichier(chemin);
        QVERIFY(!fichier.open(QIODevice::ReadOnly));
        const Resultat<> absent = lecteur.load(chemin, false);
        QVERIFY(!absent);
        QCOMPARE(int(absent.erreur().raison), int(Raison::FichierIllisible));
        QCOMPARE(absent.erreur().nom + '|' + absent.erreur().texte, chemin + '|' + fichier.errorString());
        QCOMPARE(lecteur.lignes(), Lignes{});
        QCOMPARE(lecteur.nombreColonnes(), 0);
        QVERIFY(lecteur.load(ecrire("d;e,f\n"), false));
        QCOMPARE(lecteur.separateur(), QLatin1Char(','));
        QCOMPARE(lecteur.lignes(), (Lignes{{"d;e", "f"}}));
    }
};

QTEST_GUILESS_MAIN(TstLecteurCsv)
#include "tst_lecteurcsv.moc"
