// SPDX-License-Identifier: GPL-3.0-or-later
// Essais des dialogues « Paramètres » et « Mot de passe », jusqu'au contrôle d'accès.

#include "core/commun/application.h"
#include "core/commun/motdepasse.h"
#include "core/db/copiesauto.h"
#include "gui/mainwindow/mainwindow.h"
#include "gui/settings/diamdp.h"
#include "gui/settings/diaparam.h"
#include "support/clavier.h"
#include "support/donnees.h"
#include "support/environnement.h"
#include "support/repondeuressai.h"
#include "support/sql.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray ABSENT("<absent>");

// La ligne 1 de general, « ecole|langue ».
QString ligneGeneral()
{
    return Sql::lignes("SELECT ecole, langue_defaut FROM general WHERE id=1").value(0);
}

// Clique sur OK et rend l'état du dialogue ensuite.
QString valider(QDialog& dialogue)
{
    dialogue.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    return dialogue.isVisible() ? "ouvert" : dialogue.result() == QDialog::Accepted ? "accepté" : "rejeté";
}

// Au clavier seul : le focus part du premier champ à remplir (l'ancien mot de passe quand il y
// en a un, sinon le nouveau), Tab passe au suivant, Entrée valide. Rend l'état du dialogue
// ensuite, ou le champ qui avait le focus au lieu de celui attendu.
QString changerMotDePasse(const QStringList& saisies)
{
    diaMdp dialogue;
    if (!Clavier::montrer(&dialogue))
        return "inactif";
    const QStringList champs{"edAncien", "edNouv1", "edNouv2"};
    for (int i = MotDePasse::empreinteStockee().isEmpty() ? 1 : 0; i < champs.size(); ++i) {
        QWidget* focus = QApplication::focusWidget();
        if (!focus || focus->objectName() != champs.at(i))
            return "focus sur « " + (focus ? focus->objectName() : QString()) + " » au lieu de " +
                   champs.at(i);
        for (const QChar lettre : saisies.at(i)) // toute lettre, même hors du Latin-1
            QTest::sendKeyEvent(QTest::Click, focus, Qt::Key_unknown, QString(lettre), Qt::NoModifier);
        QTest::keyClick(focus, i + 1 < champs.size() ? Qt::Key_Tab : Qt::Key_Return);
    }
    return dialogue.isVisible() ? "ouvert" : dialogue.result() == QDialog::Accepted ? "accepté" : "rejeté";
}

} // namespace

class TstParametres : public QObject
{
    Q_OBJECT
    static QByteArray md5(const QByteArray& o)
    {
        return QCryptographicHash::hash(o, QCryptographicHash::Md5).toHex();
    }
    static QByteArray stockee() { return QSettings().value(MotDePasse::CLE_REGLAGES, ABSENT).toByteArray(); }
    Environnement::Dossier dossier;
    std::unique_ptr<RepondeurEssai> repondeur;

private Q_SLOTS:
    void initTestCase() { Environnement::preparer(); }

    void init()
    {
        dossier = Environnement::nouveauDossierDonnees();
        QVERIFY(Environnement::ouvrirBase());
        QVERIFY(Environnement::poserSchema());
        QSettings().remove(MotDePasse::CLE_REGLAGES);
        repondeur = std::make_unique<RepondeurEssai>();
    }

    void cleanup()
    {
        repondeur.reset();
        CopiesAuto::definirSecondDossier(QString());
    }

    void parametres_data()
    {
        QTest::addColumn<QString>("ecole");
        QTest::addColumn<QString>("langue");
        QTest::addColumn<QString>("ligne"); // ligne 1 de general ensuite ; vide : refusé

        ligne("cinq lignes dont une vide", "É\nB\n\nC\nD", QString(), QStringLiteral("É\nB\nC\nD|"));
        ligne("cinq lignes", "É\nB\nC\nD\nE", QString(), QString());
        ligne("langue", "Le Port", QStringLiteral("  ALLEMAND Renforcé \t"),
              QStringLiteral("Le Port|allemand renforcé"));
    }

    void parametres()
    {
        QFETCH(QString, ecole);
        QFETCH(QString, langue);
        QFETCH(QString, ligne);
        const QString avant = ligneGeneral();
        diaParam dialogue;
        dialogue.show();
        dialogue.findChild<QPlainTextEdit*>(QStringLiteral("edEcole"))->setPlainText(ecole);
        dialogue.findChild<QLineEdit*>(QStringLiteral("edLangue"))->setText(langue);
        if (ligne.isEmpty())
            repondeur->bouton(QMessageBox::Ok);

        QCOMPARE(valider(dialogue), ligne.isEmpty() ? "ouvert" : "accepté");
        QCOMPARE(ligneGeneral(), ligne.isEmpty() ? avant : ligne);
        if (ligne.isEmpty()) // tout message imprévu fait déjà échouer l'essai
            QCOMPARE(repondeur->dernier().texte, "Le nom et l'adresse de l'école comportent trop de lignes.");
    }

    // Le second dossier des copies automatiques, propre à cet ordinateur : gardé dans les
    // réglages, tapé ou choisi par « Parcourir... » ; une clé absente est acceptée sans rien dire ;
    // un dossier sur le disque de la base est confirmé d'abord ; celui des données est refusé.
    void secondDossier_data()
    {
        QTest::addColumn<QString>("dossier");  // <disque> : sur le disque de la base ; <donnees> ; <autre>
        QTest::addColumn<bool>("parcourir");   // choisi par « Parcourir... »
        QTest::addColumn<QString>("reponses"); // au message ou à la question
        QTest::addColumn<QString>("etat");     // du dialogue ensuite
        ligne("aucun", "", false, "", "accepté");
        ligne("clé absente", "/media/cle-absente/Quorvel", false, "", "accepté");
        ligne("autre disque, par Parcourir", "<autre>", true, "", "accepté");
        ligne("même disque, gardé", "<disque>", false, "O", "accepté");
        ligne("même disque, non", "<disque>", true, "N", "ouvert");
        ligne("dossier des données", "<donnees>", false, "K", "ouvert");
    }
    void secondDossier()
    {
        QFETCH(QString, dossier);
        QFETCH(bool, parcourir);
        QFETCH(QString, reponses);
        QFETCH(QString, etat);
        QTemporaryDir memeDisque;
        if (dossier == "<autre>") {
            // Un autre système de fichiers que celui des données : la mémoire partagée.
            const QString autre = "/dev/shm";
            if (!QFileInfo(autre).isDir() ||
                QStorageInfo(autre).rootPath() == QStorageInfo(memeDisque.path()).rootPath())
                QSKIP("pas d'autre système de fichiers accessible");
            dossier = autre;
        }
        dossier.replace("<disque>", memeDisque.path())
            .replace("<donnees>", Application::dossierDonnees() + "/copies");

        diaParam dialogue;
        dialogue.show();
        QVERIFY(dialogue.findChild<QLabel*>("lbCopies")
                    ->text()
                    .contains(QDir::toNativeSeparators(CopiesAuto::dossier())));
        if (parcourir) {
            repondeur->chemin(dossier);
            dialogue.findChild<QPushButton*>("btParcourir")->click();
        } else {
            dialogue.findChild<QLineEdit*>("edSecondDossier")->setText(QDir::toNativeSeparators(dossier));
        }
        repondeur->reponses(reponses);
        QCOMPARE(valider(dialogue), etat);
        QCOMPARE(CopiesAuto::secondDossier(), etat == "accepté" ? dossier : QString());
        if (reponses == "K")
            QCOMPARE(repondeur->dernier().texte,
                     "Ce dossier est celui des données de Quorvel : les copies y sont "
                     "déjà.\nChoisissez un dossier sur une clé USB ou un partage réseau.");
        if (reponses == "O" || reponses == "N")
            QVERIFY(repondeur->dernier().texte.startsWith(
                "Ce dossier est sur le même disque que la base de données"));
        // Rouvert, le dialogue montre le dossier gardé.
        diaParam rouvert;
        QCOMPARE(rouvert.findChild<QLineEdit*>("edSecondDossier")->text(),
                 QDir::toNativeSeparators(CopiesAuto::secondDossier()));
    }

    void motDePasse_data()
    {
        QTest::addColumn<QByteArray>("avant");      // empreinte gardée au départ
        QTest::addColumn<QStringList>("saisies");   // ancien, nouveau, répété
        QTest::addColumn<QString>("avertissement"); // vide : accepté
        QTest::addColumn<QByteArray>("apres");

        const QByteArray abc = md5("abc");
        ligne("premier", ABSENT, QStringList{"", "abc", "abc"}, QString(), abc);
        ligne("changement", abc, QStringList{"abc", "Écolier", "Écolier"}, QString(), md5("\311colier"));
        ligne("retrait", abc, QStringList{"abc", "", ""}, QString(), ABSENT);
        ligne("ancien faux", abc, QStringList{"abd", "x", "x"},
              QStringLiteral("Le mot de passe ancien ne correspond pas."), abc);
        ligne("nouveaux différents", abc, QStringList{"abc", "secret", "Secret"},
              QStringLiteral("Les mots de passe ne correspondent pas."), abc);
    }

    void motDePasse()
    {
        QFETCH(QByteArray, avant);
        QFETCH(QStringList, saisies);
        QFETCH(QString, avertissement);
        if (avant != ABSENT)
            QSettings().setValue(MotDePasse::CLE_REGLAGES, avant);
        if (!avertissement.isEmpty())
            repondeur->bouton(QMessageBox::Ok);

        QCOMPARE(changerMotDePasse(saisies), avertissement.isEmpty() ? "accepté" : "ouvert");
        QTEST(stockee(), "apres");
        if (!avertissement.isEmpty())
            QCOMPARE(repondeur->dernier().texte, avertissement);
    }

    void controleDAcces()
    {
        // Hors Latin-1, seule la forme 8 bits compte (« ? » à la place), comme dans la version 2.
        const QString mdp = QStringLiteral("Œuvre d'été €");
        QCOMPARE(changerMotDePasse({QString(), mdp, mdp}), "accepté");
        QCOMPARE(stockee(), md5("?uvre d'\351t\351 ?"));

        MainWindow fenetre;
        QTRY_VERIFY(fenetre.minuterieActions().isActive()); // contrôle de version passé
        repondeur->texteSaisi(mdp);
        QVERIFY(fenetre.accesAutorise());
        // L'ancien, tapé hors Latin-1, est reconnu : le mot de passe est retiré.
        QCOMPARE(changerMotDePasse({mdp, QString(), QString()}), "accepté");
        QCOMPARE(stockee(), ABSENT);
    }
};

QTEST_MAIN(TstParametres)
#include "tst_parametres.moc"
