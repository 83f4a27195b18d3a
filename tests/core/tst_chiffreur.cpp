// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/commun/aleatoire.h"
#include "core/exchange/chiffreur.h"
#include "core/exchange/fichierclasse.h"
#include "support/donnees.h"

#include <QCryptographicHash>
#include <QDomDocument>
#include <QRandomGenerator>
#include <QTest>

namespace {
constexpr quint64 CLE = 0x0123456789ABCDEFULL;

// Corps refait à la main : octet aléatoire, CRC-16, charge ; puis chaînage XOR avec la clé.
QByteArray chiffrerMain(char aleatoire, const QByteArray& charge, const char* entete)
{
    const quint16 crc = qChecksum(charge, Qt::ChecksumIso3309);
    QByteArray corps = QByteArray(1, aleatoire).append(char(crc >> 8)).append(char(crc & 0xFF)) + charge;
    QByteArray sortie(entete, 2);
    char prec = 0;
    for (int p = 0; p < corps.size(); ++p)
        sortie.append(prec = char(corps.at(p) ^ char((CLE >> (8 * (p % 8))) & 0xFF) ^ prec));
    return sortie;
}
} // namespace

class TstChiffreur : public QObject
{
    Q_OBJECT
private slots:
    void reponseConnue()
    {
        QCOMPARE(qChecksum(QByteArrayView("123456789"), Qt::ChecksumIso3309), quint16(0x906E));
        Chiffreur c(CLE); // le constructeur sème le générateur : semer après
        Aleatoire::initialiser(77);
        const QByteArray attendu = chiffrerMain(char(QRandomGenerator(77u).generate()), "abc", "\x03\x02");
        QCOMPARE(c.chiffrerOctets("abc"), attendu);
        QCOMPARE(c.dechiffrerOctets(attendu), QByteArray("abc"));
    }

    void allerRetour_data()
    {
        QTest::addColumn<QString>("texte");
        QTest::addColumn<int>("compression");
        QTest::addColumn<int>("protection");
        QTest::addColumn<int>("options");
        ligne("abc compressé", "abc", 1, 1, 3);
        ligne("accents", "Zoé LÉVÊQUE-CŒURDEROY", 0, 1, 2);
        ligne("long, compressé seul", QString("ééé").repeated(50), 0, 1, 3);
        ligne("sha1", "Anaïs", 2, 2, 4);
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
        QCOMPARE(QByteArray::fromBase64(a.toLatin1()).left(2), QByteArray(1, 3).append(char(options)));
        QVERIFY(a != b); // octet aléatoire
        QCOMPARE(c.dechiffrerTexte(a), texte);
        QCOMPARE(Chiffreur(CLE).dechiffrerTexte(b), texte);
    }

    // Textes chiffrés à part d'après le format (octet aléatoire 0x5A), puis textes refusés.
    void dechiffrer_data()
    {
        QTest::addColumn<QString>("chiffre");
        QTest::addColumn<QString>("texte");
        QTest::addColumn<int>("erreur"); // Chiffreur::Erreur, 0 : aucune
        QString altere = Chiffreur(CLE).chiffrerTexte("Martin");
        altere[4] = altere.at(4) == 'A' ? 'B' : 'A';
        ligne("compressé, SHA-1",
              "AwW1HwPinqcCgUFJb/Qcy9JyHpxJsno/HB38STg6l+1yIQ8l/hCvC4ZH+GLJcrHyrQ==", QString("Zoé LÉVÊQUE"),
              0);
        ligne("sans contrôle, \\n ignoré", "AwC1Ofw\nUsFoK", QString("Anaïs"), 0);
        ligne("vide", "", QString(), int(Chiffreur::ErreurVersion));
        ligne("version 2", "AgJ4eXp0", QString(), int(Chiffreur::ErreurVersion));
        ligne("caractère changé", altere, QString(), int(Chiffreur::ErreurIntegrite));
        ligne("trop court", "AwI=", QString(), int(Chiffreur::ErreurIntegrite));
    }
    void dechiffrer()
    {
        QFETCH(QString, chiffre);
        QFETCH(QString, texte);
        QFETCH(int, erreur);
        Chiffreur c(CLE);
        if (erreur == Chiffreur::ErreurVersion)
            QTest::ignoreMessage(QtWarningMsg, "Invalid version or not a cyphertext.");
        QCOMPARE(c.dechiffrerTexte(chiffre), texte);
        QCOMPARE(int(c.derniereErreur()), erreur);
    }

    void sansCle()
    {
        Chiffreur c;
        QTest::ignoreMessage(QtWarningMsg, "No key set.");
        QTest::ignoreMessage(QtWarningMsg, "No key set.");
        QVERIFY(c.chiffrerTexte("abc").isEmpty() && c.dechiffrerTexte("AwI=").isEmpty());
        QCOMPARE(c.derniereErreur(), Chiffreur::ErreurSansCle);
    }

    void tailleAnnonceeBornee() // taille annoncée au-delà de 64 Kio, ou fausse : refusée
    {
        for (const quint32 annoncee : {quint32(1u << 30), quint32(65537), quint32(5), quint32(12)}) {
            QByteArray charge = qCompress(QByteArray("abcdefghijkl"), 9);
            for (int i = 0; i < 4; ++i)
                charge[i] = char(annoncee >> (24 - 8 * i));
            Chiffreur c(CLE);
            const bool bon = annoncee == 12;
            QCOMPARE(c.dechiffrerOctets(chiffrerMain('r', charge, "\x03\x03")).size(), bon ? 12 : 0);
            QCOMPARE(c.derniereErreur(), bon ? Chiffreur::ErreurAucune : Chiffreur::ErreurIntegrite);
        }
    }

    void checksum_data()
    {
        QTest::addColumn<QString>("xml");
        QTest::addColumn<QByteArray>("valeurs");
        ligne("attributs absents", "<classe nom='CP'/>", QByteArray("0CP0"));
        ligne("ordre des valeurs, notes non triées",
              "<classe ref_palier='P1' version='3' nom='CE1' checksum='x'><autre><eleve maj='m' niveau='CP' "
              "date_naiss='d' prenom='p' nom='n'><note ref='B' date='2' maj='y'/><note ref='P1C1' maj='t' "
              "date='2010-01-02'><note ref='z'/></note></eleve></autre></classe>",
              QByteArray("3CE1P1npCPdm2yB2010-01-02tP1C1"));
        ligne("autre racine", "<classes nom='CP'/>", QByteArray());
    }
    void checksum()
    {
        QFETCH(QString, xml);
        QFETCH(QByteArray, valeurs);
        QDomDocument d;
        QVERIFY(d.setContent(xml));
        QCOMPARE(calculerChecksum(d).toLatin1(),
                 valeurs.isNull() ? valeurs
                                  : QCryptographicHash::hash(valeurs, QCryptographicHash::Sha1).toHex());
    }

    void analyseHostile_data()
    {
        QTest::addColumn<QByteArray>("xml");
        ligne("imbrication", QByteArray("<classe>") + QByteArray("<a>").repeated(200000));
        ligne("entités", "<!DOCTYPE c [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"" +
                             QByteArray("&a;").repeated(10) + "\"><!ENTITY c \"" +
                             QByteArray("&b;").repeated(10) + "\">]><classe nom=\"&c;\"/>");
        ligne("attribut énorme", "<classe nom=\"" + QByteArray(8 << 20, 'x') + "\"/>");
    }
    void analyseHostile() // erreur d'analyse sans épuiser mémoire ni pile
    {
        QFETCH(QByteArray, xml);
        QDomDocument d;
        const Resultat<> analyse = FichierClasse::analyser(xml, d);
        QVERIFY(!analyse && analyse.erreur().ligne > 0);
    }
};

QTEST_GUILESS_MAIN(TstChiffreur)
#include "tst_chiffreur.moc"
