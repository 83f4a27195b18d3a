// SPDX-License-Identifier: GPL-3.0-or-later
// Le dossier où s'ouvre chaque choix de fichier ou de dossier : le dernier utilisé s'il existe
// encore, sinon les Documents s'ils existent, sinon le dossier personnel. Que chaque dialogue du
// programme parte bien de là est vérifié par les vraies fenêtres (tests/gui/tst_fenetreprincipale).
#include "core/commun/dossierdepart.h"
#include "support/donnees.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

class TstDossierDepart : public QObject
{
    Q_OBJECT
    QTemporaryDir racine; // y existent « dernier », « Documents » et « maison »

    QString chemin(const QString& nom) const { return nom.isEmpty() ? QString() : racine.filePath(nom); }

private Q_SLOTS:
    void initTestCase()
    {
        for (const char* dossier : {"dernier", "Documents", "maison"})
            QVERIFY(QDir(racine.path()).mkpath(dossier));
    }

    void choisir_data()
    {
        QTest::addColumn<QString>("dernier");
        QTest::addColumn<QString>("documents");
        QTest::addColumn<QString>("attendu");
        ligne("le dernier dossier utilisé", "dernier", "Documents", "dernier");
        ligne("aucun dossier utilisé : les Documents", "", "Documents", "Documents");
        ligne("dernier dossier disparu (clé retirée)", "cle/retiree", "Documents", "Documents");
        ligne("sans Documents : le dossier personnel", "", "absent", "maison");
        ligne("ni l'un ni l'autre", "cle/retiree", "absent", "maison");
    }
    void choisir()
    {
        QFETCH(QString, dernier);
        QFETCH(QString, documents);
        QFETCH(QString, attendu);
        QCOMPARE(DossierDepart::choisir(chemin(dernier), chemin(documents), chemin("maison")),
                 chemin(attendu));
    }

    // Un fichier choisi donne son dossier (même s'il n'existe pas encore, à l'enregistrement), un
    // dossier choisi se donne lui-même, un choix annulé ne change rien.
    void retenir_data()
    {
        QTest::addColumn<QString>("choisi");
        QTest::addColumn<QString>("attendu");
        ligne("fichier à enregistrer", "dernier/classe.xml", "dernier");
        ligne("dossier", "dernier", "dernier");
        ligne("choix annulé", "", "Documents");
    }
    void retenir()
    {
        QFETCH(QString, choisi);
        QFETCH(QString, attendu);
        DossierDepart::retenir(chemin("Documents"));
        DossierDepart::retenir(chemin(choisi));
        QCOMPARE(DossierDepart::dossier(), chemin(attendu));
        QCOMPARE(DossierDepart::chemin("bilan.html"), chemin(attendu) + "/bilan.html");
        DossierDepart::oublier();
    }
};

QTEST_GUILESS_MAIN(TstDossierDepart)
#include "tst_dossierdepart.moc"
