#include "db/lecteurcsv.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using Lignes = QList<QStringList>;

// Compare tout le contenu lu et arrête l'essai au premier écart.
#define COMPARER(lecteur, ...)                                                                               \
    do {                                                                                                     \
        comparer(lecteur, __VA_ARGS__);                                                                      \
        if (QTest::currentTestFailed())                                                                      \
            return;                                                                                          \
    } while (false)

class TstLecteurCsv : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void automate_data();
    void automate();
    void crlfCommeLf_data();
    void crlfCommeLf();
    void separateurs_data();
    void separateurs();
    void separateurSansDetection();
    void encodages_data();
    void encodages();
    void tableWindows1252();
    void fichierAbsent();
    void rechargement();

private:
    QString ecrire(const QByteArray& octets);
    static void comparer(const LecteurCsv& lecteur, const Lignes& attendu);

    QTemporaryDir dossier;
    int compteur = 0;
};

QString TstLecteurCsv::ecrire(const QByteArray& octets)
{
    const QString chemin = dossier.filePath(QStringLiteral("fichier%1.csv").arg(++compteur));
    QFile fichier(chemin);
    if (!fichier.open(QIODevice::WriteOnly) || fichier.write(octets) != octets.size())
        qFatal("écriture impossible de %s", qPrintable(chemin));
    return chemin;
}

void TstLecteurCsv::comparer(const LecteurCsv& lecteur, const Lignes& attendu)
{
    QCOMPARE(lecteur.lignes(), attendu);
    QCOMPARE(lecteur.nombreLignes(), int(attendu.size()));
    const int largeur = attendu.isEmpty() ? 0 : int(attendu.first().size());
    QCOMPARE(lecteur.nombreColonnes(), largeur);
    for (int i = 0; i < attendu.size(); ++i)
        QCOMPARE(lecteur.ligne(i), attendu.at(i));
    QVERIFY(lecteur.ligne(-1).isEmpty());
    QVERIFY(lecteur.ligne(int(attendu.size())).isEmpty());
}

// L'automate des champs, séparateur « ; » sans détection. Les fichiers sont écrits avec des
// fins de ligne LF ; crlfCommeLf() rejoue les mêmes cas en CRLF.
void TstLecteurCsv::automate_data()
{
    QTest::addColumn<QByteArray>("contenu");
    QTest::addColumn<Lignes>("attendu");

    QTest::newRow("simple") << QByteArray("a;b;c\nd;e;f\n") << Lignes{{"a", "b", "c"}, {"d", "e", "f"}};
    QTest::newRow("sans fin de ligne finale") << QByteArray("a;b\nc;d") << Lignes{{"a", "b"}, {"c", "d"}};
    QTest::newRow("fichier vide") << QByteArray() << Lignes{};
    QTest::newRow("champs vides") << QByteArray(";a;;b;\n") << Lignes{{"", "a", "", "b", ""}};
    QTest::newRow("ligne vide au milieu")
        << QByteArray("a;b\n\nc;d\n") << Lignes{{"a", "b"}, {"", ""}, {"c", "d"}};
    QTest::newRow("espaces gardés") << QByteArray(" a ; b \n") << Lignes{{" a ", " b "}};
    QTest::newRow("largeur complétée")
        << QByteArray("a\nb;c;d\ne;f\n") << Lignes{{"a", "", ""}, {"b", "c", "d"}, {"e", "f", ""}};

    QTest::newRow("guillemets doublés")
        << QByteArray("\"il dit \"\"oui\"\"\";x\n") << Lignes{{"il dit \"oui\"", "x"}};
    QTest::newRow("champ entre guillemets vide") << QByteArray("\"\";x;\"\"\n") << Lignes{{"", "x", ""}};
    QTest::newRow("deux guillemets doublés seuls") << QByteArray("\"\"\"\"\n") << Lignes{{"\""}};
    QTest::newRow("séparateur entre guillemets") << QByteArray("\"a;b\";c\n") << Lignes{{"a;b", "c"}};
    QTest::newRow("guillemet dans un champ sans guillemets")
        << QByteArray("ab\"c;d\"e\n") << Lignes{{"ab\"c", "d\"e"}};
    QTest::newRow("guillemet après une espace") << QByteArray(" \"a;b\"\n") << Lignes{{" \"a", "b\""}};
    QTest::newRow("texte après le guillemet fermant")
        << QByteArray("\"ab\"cd\"e;f\n") << Lignes{{"abcd\"e", "f"}};

    QTest::newRow("champ sur deux lignes")
        << QByteArray("a;\"x\ny\";b\nc;d;e\n") << Lignes{{"a", "x\n\ry", "b"}, {"c", "d", "e"}};
    QTest::newRow("champ sur trois lignes")
        << QByteArray("\"l1\nl2;\nl3\";z\n") << Lignes{{"l1\n\rl2;\n\rl3", "z"}};
    QTest::newRow("ligne vide dans un champ") << QByteArray("\"a\n\nb\";c\n") << Lignes{{"a\n\r\n\rb", "c"}};
    QTest::newRow("retour chariot seul") << QByteArray("a;b\rc;d") << Lignes{{"a", "b"}, {"c", "d"}};
    QTest::newRow("retour chariot seul dans un champ")
        << QByteArray("a;\"x\ry\";b\rc;d;e") << Lignes{{"a", "x\n\ry", "b"}, {"c", "d", "e"}};

    QTest::newRow("guillemet non fermé, ligne gardée")
        << QByteArray("a;b\nc;\"d\ne\n") << Lignes{{"a", "b"}, {"c", "d\n\re\n\r"}};
    QTest::newRow("guillemet non fermé sur la dernière ligne")
        << QByteArray("a;b;c\nd;\"e") << Lignes{{"a", "b", "c"}, {"d", "e\n\r", ""}};
    QTest::newRow("guillemet non fermé, ligne abandonnée")
        << QByteArray("a;b\n\"c;d\ne\n") << Lignes{{"a", "b"}};
}

void TstLecteurCsv::automate()
{
    QFETCH(QByteArray, contenu);
    QFETCH(Lignes, attendu);
    LecteurCsv lecteur;
    QVERIFY(lecteur.load(ecrire(contenu), false));
    QCOMPARE(lecteur.separateur(), QLatin1Char(';'));
    QVERIFY(lecteur.messageErreur().isEmpty());
    COMPARER(lecteur, attendu);
}

void TstLecteurCsv::crlfCommeLf_data() { automate_data(); }

// Le « \r » d'une fin de ligne CRLF ne doit ni créer de ligne vide ni entrer dans un champ :
// le même fichier en CRLF donne les mêmes lignes qu'en LF, « \n\r » compris.
void TstLecteurCsv::crlfCommeLf()
{
    QFETCH(QByteArray, contenu);
    QFETCH(Lignes, attendu);
    if (contenu.contains('\r'))
        QSKIP("cas écrit avec des retours chariot seuls");
    QByteArray crlf = contenu;
    crlf.replace("\n", "\r\n");
    LecteurCsv lecteur;
    QVERIFY(lecteur.load(ecrire(crlf), false));
    COMPARER(lecteur, attendu);
}

void TstLecteurCsv::separateurs_data()
{
    QTest::addColumn<QByteArray>("contenu");
    QTest::addColumn<QString>("separateur"); // vide : détection impossible
    QTest::addColumn<Lignes>("attendu");

    QTest::newRow("point-virgule") << QByteArray("a;b,c\n") << ";" << Lignes{{"a", "b,c"}};
    QTest::newRow("virgule") << QByteArray("a,b;c\n") << "," << Lignes{{"a", "b;c"}};
    QTest::newRow("tabulation") << QByteArray("a\tb;c,d\n") << "\t" << Lignes{{"a", "b;c,d"}};
    QTest::newRow("point-virgule entre guillemets ignoré")
        << QByteArray("\"a;b\",c\n") << "," << Lignes{{"a;b", "c"}};
    QTest::newRow("virgule entre guillemets doublés ignorée")
        << QByteArray("\"x\"\"y,z\"\tw\n") << "\t" << Lignes{{"x\"y,z", "w"}};
    QTest::newRow("première ligne seulement")
        << QByteArray("a,b\nc;d\n") << "," << Lignes{{"a", "b"}, {"c;d", ""}};
    QTest::newRow("première ligne en CRLF") << QByteArray("nom;prenom\r\nDupont;L\xe9\x61\r\n") << ";"
                                            << Lignes{{"nom", "prenom"}, {"Dupont", QStringLiteral("Léa")}};

    QTest::newRow("aucun séparateur") << QByteArray("abc\nd;e\n") << "" << Lignes{};
    QTest::newRow("séparateur seulement entre guillemets") << QByteArray("\"a;b\"\nc;d\n") << "" << Lignes{};
    QTest::newRow("première ligne vide") << QByteArray("\na;b\n") << "" << Lignes{};
    QTest::newRow("fichier vide") << QByteArray() << "" << Lignes{};
}

void TstLecteurCsv::separateurs()
{
    QFETCH(QByteArray, contenu);
    QFETCH(QString, separateur);
    QFETCH(Lignes, attendu);
    LecteurCsv lecteur;
    const bool charge = lecteur.load(ecrire(contenu), true);
    QVERIFY(lecteur.messageErreur().isEmpty());
    if (separateur.isEmpty()) {
        QVERIFY(!charge);
        QCOMPARE(lecteur.nombreLignes(), 0);
        return;
    }
    QVERIFY(charge);
    QCOMPARE(lecteur.separateur(), separateur.at(0));
    COMPARER(lecteur, attendu);
}

// Sans détection, le séparateur en place est gardé, même s'il ne paraît pas dans le fichier.
void TstLecteurCsv::separateurSansDetection()
{
    LecteurCsv lecteur;
    QVERIFY(lecteur.load(ecrire("a,b;c\n"), true));
    QCOMPARE(lecteur.separateur(), QLatin1Char(','));
    QVERIFY(lecteur.load(ecrire("d;e,f\n"), false));
    QCOMPARE(lecteur.separateur(), QLatin1Char(','));
    COMPARER(lecteur, Lignes{{"d;e", "f"}});
}

void TstLecteurCsv::encodages_data()
{
    QTest::addColumn<QByteArray>("contenu");
    QTest::addColumn<Lignes>("attendu");

    const QString texte = QStringLiteral("é;€;œ\r\n\"a;b\";Cœur\r\n");
    const Lignes lignes{{"é", "€", "œ"}, {"a;b", "Cœur", ""}};

    QTest::newRow("UTF-8 avec BOM") << QByteArray("\xEF\xBB\xBF") + texte.toUtf8() << lignes;
    QStringEncoder utf16le(QStringConverter::Utf16LE);
    QTest::newRow("UTF-16LE avec BOM")
        << QByteArray("\xFF\xFE") + QByteArray(utf16le.encode(texte)) << lignes;
    QStringEncoder utf16be(QStringConverter::Utf16BE);
    QTest::newRow("UTF-16BE avec BOM")
        << QByteArray("\xFE\xFF") + QByteArray(utf16be.encode(texte)) << lignes;
    QTest::newRow("Windows-1252") << QByteArray("\xE9;\x80;\x9C\r\n\"a;b\";C\x9Cur\r\n") << lignes;
    // Sans BOM, pas de devinette : de l'UTF-8 est lu comme du Windows-1252.
    QTest::newRow("UTF-8 sans BOM") << QByteArray("\xC3\xA9;x\n") << Lignes{{QStringLiteral("Ã©"), "x"}};
}

void TstLecteurCsv::encodages()
{
    QFETCH(QByteArray, contenu);
    QFETCH(Lignes, attendu);
    LecteurCsv lecteur;
    QVERIFY(lecteur.load(ecrire(contenu), false));
    COMPARER(lecteur, attendu);
    // La détection du séparateur se fait sur le texte décodé (en UTF-16, « ; » suit un octet nul).
    LecteurCsv detecteur;
    detecteur.setSeparateur(QLatin1Char('|'));
    QVERIFY(detecteur.load(ecrire(contenu), true));
    QCOMPARE(detecteur.separateur(), QLatin1Char(';'));
    COMPARER(detecteur, attendu);
}

// Notre table de secours doit donner exactement ce que donne le convertisseur de la boîte à
// outils, octet par octet ; et les caractères du livret doivent sortir justes.
void TstLecteurCsv::tableWindows1252()
{
    QByteArray tous;
    for (int octet = 0; octet < 256; ++octet)
        tous.append(char(octet));
    const QString parTable = LecteurCsv::decoderWindows1252ParTable(tous);
    QCOMPARE(parTable.size(), 256);
    QCOMPARE(parTable.at(0xE9), QChar(0x00E9));
    QCOMPARE(parTable.at(0x80), QChar(0x20AC));
    QCOMPARE(parTable.at(0x9C), QChar(0x0153));
    QCOMPARE(parTable.at(0x92), QChar(0x2019));
    QCOMPARE(LecteurCsv::decoder(tous), parTable);

    QStringDecoder decodeur("windows-1252");
    if (!decodeur.isValid())
        QSKIP("pas de convertisseur Windows-1252 dans cette boîte à outils");
    const QString parBoiteAOutils = decodeur.decode(tous);
    for (int octet = 0; octet < 256; ++octet)
        QVERIFY2(parTable.at(octet) == parBoiteAOutils.at(octet), qPrintable(QString::number(octet, 16)));
}

void TstLecteurCsv::fichierAbsent()
{
    const QString chemin = dossier.filePath(QStringLiteral("absent.csv"));
    QFile fichier(chemin);
    QVERIFY(!fichier.open(QIODevice::ReadOnly));
    const QString systeme = fichier.errorString();
    QVERIFY(!systeme.isEmpty());

    for (const bool detection : {false, true}) {
        LecteurCsv lecteur;
        QVERIFY(!lecteur.load(chemin, detection));
        QCOMPARE(lecteur.messageErreur(),
                 QStringLiteral("Le chargement de \"%1\" a échoué avec le message d'erreur: %2")
                     .arg(chemin, systeme));
        QCOMPARE(lecteur.nombreLignes(), 0);
    }
    QCOMPARE(LecteurCsv::titreMessageErreur(), QStringLiteral("Chargement"));
}

// Un nouveau chargement remplace tout : lignes, largeur et message du précédent.
void TstLecteurCsv::rechargement()
{
    LecteurCsv lecteur;
    QVERIFY(lecteur.load(ecrire("a;b;c\nd\n"), false));
    QCOMPARE(lecteur.nombreColonnes(), 3);
    QVERIFY(!lecteur.load(dossier.filePath(QStringLiteral("absent.csv")), false));
    QVERIFY(!lecteur.messageErreur().isEmpty());
    COMPARER(lecteur, Lignes{});
    QVERIFY(lecteur.load(ecrire("x\n"), false));
    QVERIFY(lecteur.messageErreur().isEmpty());
    COMPARER(lecteur, Lignes{{"x"}});
    QVERIFY(!lecteur.load(ecrire("x\n"), true));
    QVERIFY(lecteur.messageErreur().isEmpty());
    COMPARER(lecteur, Lignes{});
}

QTEST_GUILESS_MAIN(TstLecteurCsv)
#include "tst_lecteurcsv.moc"
