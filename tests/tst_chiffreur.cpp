#include "app/aleatoire.h"
#include "exchange/chiffreur.h"
#include "exchange/fichierclasse.h"

#include <QCryptographicHash>
#include <QDomDocument>
#include <QRandomGenerator>
#include <QTest>

namespace {
constexpr quint64 CLE = 0x0123456789ABCDEFULL;
}

class TstChiffreur : public QObject
{
    Q_OBJECT

private slots:
    void crc16() { QCOMPARE(qChecksum(QByteArrayView("123456789"), Qt::ChecksumIso3309), quint16(0x906E)); }

    // Corps chiffré refait à la main : octet aléatoire connu, CRC-16, « abc » sans compression.
    void reponseConnue()
    {
        Chiffreur c(CLE);
        Aleatoire::initialiser(77);
        const char aleatoire = char(QRandomGenerator(77u).generate() & 0xFF);
        const QByteArray attendu = [&] {
            QByteArray corps;
            const quint16 crc = qChecksum(QByteArrayView("abc"), Qt::ChecksumIso3309);
            corps.append(aleatoire).append(char(crc >> 8)).append(char(crc & 0xFF)).append("abc");
            QByteArray sortie("\x03\x02");
            char prec = 0;
            for (int p = 0; p < corps.size(); ++p)
                sortie.append(prec = char(corps.at(p) ^ char((CLE >> (8 * (p % 8))) & 0xFF) ^ prec));
            return sortie;
        }();
        QCOMPARE(c.chiffrerOctets("abc"), attendu);
        QCOMPARE(c.dechiffrerOctets(attendu), QByteArray("abc"));
    }

    void allerRetour_data()
    {
        QTest::addColumn<QString>("texte");
        QTest::addColumn<int>("compression");
        QTest::addColumn<int>("protection");
        QTest::addColumn<int>("options");
        QTest::newRow("abc") << "abc" << 0 << 1 << 2;
        QTest::newRow("abc compressé") << "abc" << 1 << 1 << 3;
        QTest::newRow("accents") << "Zoé LÉVÊQUE-CŒURDEROY" << 0 << 1 << 2;
        QTest::newRow("long compressé") << QString("ééé").repeated(50) << 0 << 1 << 3;
        QTest::newRow("sha1") << "Anaïs" << 2 << 2 << 4;
        QTest::newRow("sans contrôle") << "Jérôme" << 2 << 0 << 0;
        QTest::newRow("vide") << "" << 0 << 1 << 2;
    }
    void allerRetour()
    {
        QFETCH(QString, texte);
        QFETCH(int, compression);
        QFETCH(int, protection);
        QFETCH(int, options);
        Chiffreur c(CLE);
        c.setModeCompression(Chiffreur::ModeCompression(compression));
        c.setModeProtection(Chiffreur::ModeProtection(protection));
        const QString a = c.chiffrerTexte(texte), b = c.chiffrerTexte(texte);
        QCOMPARE(QByteArray::fromBase64(a.toLatin1()).at(0), char(3));
        QCOMPARE(int(QByteArray::fromBase64(a.toLatin1()).at(1)), options);
        QVERIFY(a != b);
        QCOMPARE(c.dechiffrerTexte(a), texte);
        QCOMPARE(c.derniereErreur(), Chiffreur::ErreurAucune);
        QCOMPARE(Chiffreur(CLE).dechiffrerTexte(b), texte);
    }

    // Textes chiffrés par un programme écrit à part d'après le format (octet aléatoire 0x5A).
    void lectureExterne_data()
    {
        QTest::addColumn<QString>("chiffre");
        QTest::addColumn<QString>("texte");
        QTest::newRow("compressé, SHA-1")
            << "AwW1HwPinqcCgUFJb/Qcy9JyHpxJsno/HB38STg6l+1yIQ8l/hCvC4ZH+GLJcrHyrQ=="
            << "Zoé LÉVÊQUE";
        QTest::newRow("compressé, CRC") << "AwO1Uje+2ZyxyP272my3oEKkO5HiikPGteMM8/xzaA=="
                                        << "Zoé LÉVÊQUE";
        QTest::newRow("CRC") << "AwK1/MF6LVhOYr1DxXws"
                             << "2005-03-07";
        QTest::newRow("sans contrôle, hors alphabet") << "AwC1Ofw\nUsFoK"
                                                      << "Anaïs";
    }
    void lectureExterne()
    {
        QFETCH(QString, chiffre);
        QFETCH(QString, texte);
        QCOMPARE(Chiffreur(CLE).dechiffrerTexte(chiffre), texte);
    }

    void erreurs_data()
    {
        QTest::addColumn<QString>("texte");
        QTest::addColumn<int>("erreur");
        Chiffreur c(CLE);
        QString altere = c.chiffrerTexte("Martin");
        altere[4] = altere.at(4) == 'A' ? 'B' : 'A';
        QTest::newRow("vide") << "" << int(Chiffreur::ErreurVersion);
        QTest::newRow("version 2") << QString(QByteArray("\x02\x02xyzt").toBase64())
                                   << int(Chiffreur::ErreurVersion);
        QTest::newRow("caractère changé") << altere << int(Chiffreur::ErreurIntegrite);
        QTest::newRow("trop court") << QString(QByteArray("\x03\x02").toBase64())
                                    << int(Chiffreur::ErreurIntegrite);
    }
    void erreurs()
    {
        QFETCH(QString, texte);
        QFETCH(int, erreur);
        Chiffreur c(CLE);
        if (erreur == Chiffreur::ErreurVersion)
            QTest::ignoreMessage(QtWarningMsg, "Invalid version or not a cyphertext.");
        QCOMPARE(c.dechiffrerTexte(texte), QString());
        QCOMPARE(int(c.derniereErreur()), erreur);
    }

    void sansCle()
    {
        Chiffreur c;
        QTest::ignoreMessage(QtWarningMsg, "No key set.");
        QCOMPARE(c.chiffrerTexte("abc"), QString());
        QCOMPARE(c.derniereErreur(), Chiffreur::ErreurSansCle);
        QTest::ignoreMessage(QtWarningMsg, "No key set.");
        QCOMPARE(c.dechiffrerTexte("AwI="), QString());
        QCOMPARE(c.derniereErreur(), Chiffreur::ErreurSansCle);
        c.setCle(CLE);
        QCOMPARE(c.dechiffrerTexte(c.chiffrerTexte("abc")), "abc");
    }

    // Une charge compressée qui annonce plus de 64 Kio est refusée avant la décompression ;
    // une taille annoncée fausse aussi.
    void tailleAnnonceeBornee()
    {
        for (const quint32 annoncee : {quint32(1u << 30), quint32(65537), quint32(5), quint32(12)}) {
            QByteArray charge = qCompress(QByteArray("abcdefghijkl"), 9);
            for (int i = 0; i < 4; ++i)
                charge[i] = char(annoncee >> (24 - 8 * i));
            QByteArray corps = QByteArray(1, 'r');
            const quint16 crc = qChecksum(charge, Qt::ChecksumIso3309);
            corps.append(char(crc >> 8)).append(char(crc & 0xFF)).append(charge);
            QByteArray chiffre("\x03\x03");
            char prec = 0;
            for (int p = 0; p < corps.size(); ++p)
                chiffre.append(prec = char(corps.at(p) ^ char((CLE >> (8 * (p % 8))) & 0xFF) ^ prec));
            Chiffreur c(CLE);
            const QByteArray clair = c.dechiffrerOctets(chiffre);
            QCOMPARE(c.derniereErreur(),
                     annoncee == 12 ? Chiffreur::ErreurAucune : Chiffreur::ErreurIntegrite);
            QCOMPARE(clair, annoncee == 12 ? QByteArray("abcdefghijkl") : QByteArray());
        }
    }

    void checksum_data()
    {
        QTest::addColumn<QString>("xml");
        QTest::addColumn<QByteArray>("valeurs");
        QTest::newRow("attributs absents") << "<classe nom='CP'/>" << QByteArray("0CP0");
        QTest::newRow("ordre des valeurs")
            << "<classe ref_palier='P1' version='3' nom='CE1' checksum='x'><autre><eleve maj='m' niveau='CP' "
               "date_naiss='d' prenom='p' nom='n'><note ref='P1C1' maj='t' date='2010-01-02'><note "
               "ref='z'/></note>"
               "</eleve></autre></classe>"
            << QByteArray("3CE1P1npCPdm2010-01-02tP1C1");
        QTest::newRow("autre racine") << "<classes nom='CP'/>" << QByteArray();
    }
    void checksum()
    {
        QFETCH(QString, xml);
        QFETCH(QByteArray, valeurs);
        QDomDocument d;
        QVERIFY(d.setContent(xml));
        QCOMPARE(calculerChecksum(d),
                 valeurs.isNull()
                     ? QString()
                     : QString(QCryptographicHash::hash(valeurs, QCryptographicHash::Sha1).toHex()));
    }

    void checksumEchangeDeNotes()
    {
        QDomDocument a, b;
        QVERIFY(a.setContent(
            QString("<classe><eleve><note ref='A' date='1'/><note ref='B' date='2'/></eleve></classe>")));
        QVERIFY(b.setContent(
            QString("<classe><eleve><note ref='B' date='2'/><note ref='A' date='1'/></eleve></classe>")));
        QVERIFY(calculerChecksum(a) != calculerChecksum(b));
    }

    // Documents hostiles : chacun finit en erreur d'analyse, sans épuiser mémoire ni pile.
    void analyseHostile_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::newRow("imbrication") << QByteArray("<classe>") + QByteArray("<a>").repeated(200000);
        QTest::newRow("entités") << QByteArray(
            "<!DOCTYPE c [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;"
            "&a;&a;&a;&a;\"><!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">]><classe nom=\"&c;\"/>");
        QTest::newRow("attribut énorme") << "<classe nom=\"" + QByteArray(8 << 20, 'x') + "\"/>";
        QTest::newRow("éléments innombrables")
            << "<classe>" + QByteArray("<eleve/>").repeated(300000) + "</classe>";
        QTest::newRow("mal formé") << QByteArray("<classe><eleve></classe>");
    }
    void analyseHostile()
    {
        QFETCH(QByteArray, xml);
        QDomDocument d;
        const auto erreur = FichierClasse::analyser(xml, d);
        QVERIFY(erreur.echec);
        QVERIFY(erreur.ligne > 0 && !erreur.message.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TstChiffreur)
#include "tst_chiffreur.moc"
