// SPDX-License-Identifier: GPL-3.0-or-later
// Essais des dialogues « Paramètres » et « Mot de passe », jusqu'au contrôle d'accès.

#include "core/commun/application.h"
#include "core/commun/motdepasse.h"
#include "core/db/copiesauto.h"
#include "core/settings/parametres.h"
#include "gui/mainwindow/mainwindow.h"
#include "gui/settings/diamdp.h"
#include "gui/settings/diaparam.h"
#include "support/clavier.h"
#include "support/donnees.h"
#include "support/environnement.h"
#include "support/petitdisque.h"
#include "support/repondeuressai.h"
#include "support/sql.h"

#include <QApplication>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
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
        QVERIFY(Environnement::nouvelleBase(dossier, Environnement::Pose::Schema));
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
        QTest::addColumn<QString>("reponses"); // aux messages, dans l'ordre
        QTest::addColumn<QString>("message");  // titre du dernier message ; vide : aucun
        QTest::addColumn<QString>("ligne");    // ligne 1 de general ensuite ; vide : refusé

        const QString trop = QStringLiteral("Adresse incorrecte");
        const QString vide = QStringLiteral("Langue vivante");
        ligne("langue tapée", "Le Port", QStringLiteral("  ALLEMAND Renforcé \t"), "", "",
              QStringLiteral("Le Port|allemand renforcé"));
        ligne("langue de la liste", "Le Port", QStringLiteral("espagnol"), "", "",
              QStringLiteral("Le Port|espagnol"));
        // Une langue vide n'est gardée qu'après une question : Non revient au choix de la langue.
        ligne("langue vide confirmée, cinq lignes dont une vide", "É\nB\n\nC\nD", QString(), "O", vide,
              QStringLiteral("É\nB\nC\nD|"));
        ligne("langue vide refusée", "Le Port", QStringLiteral("  "), "N", vide, QString());
        // Trop de lignes : l'adresse est refusée d'abord, sans question sur la langue.
        ligne("cinq lignes", "É\nB\nC\nD\nE", QString(), "K", trop, QString());
    }

    void parametres()
    {
        QFETCH(QString, ecole);
        QFETCH(QString, langue);
        QFETCH(QString, reponses);
        QFETCH(QString, message);
        QFETCH(QString, ligne);
        const QString avant = ligneGeneral();
        diaParam dialogue;
        QVERIFY(Clavier::montrer(&dialogue));
        dialogue.findChild<QPlainTextEdit*>(QStringLiteral("edEcole"))->setPlainText(ecole);
        auto* choix = dialogue.findChild<QComboBox*>(QStringLiteral("cbLangue"));
        choix->setCurrentText(langue);
        repondeur->reponses(reponses);

        QCOMPARE(valider(dialogue), ligne.isEmpty() ? "ouvert" : "accepté");
        QCOMPARE(ligneGeneral(), ligne.isEmpty() ? avant : ligne);
        // Tout message imprévu fait déjà échouer l'essai.
        QCOMPARE(repondeur->lus().size(), int(reponses.size()));
        if (!message.isEmpty())
            QCOMPARE(repondeur->dernier().titre, message);
        if (message == QLatin1String("Langue vivante"))
            QVERIFY(repondeur->dernier().texte.contains("imprimée sur le livret de chaque élève"));
        if (ligne.isEmpty() && message == QLatin1String("Langue vivante"))
            QTRY_VERIFY(choix->hasFocus());
    }

    // Une base neuve n'a pas de langue et le dialogue n'en choisit aucune d'avance : la liste
    // propose sans rien cocher. Une base existante garde la sienne, montrée telle quelle.
    void langueMontree_data()
    {
        QTest::addColumn<bool>("neuve");
        QTest::addColumn<QString>("langue");
        QTest::addColumn<QString>("montree");
        ligne("base neuve", true, QString(), QString());
        ligne("langue de la liste", false, QStringLiteral("italien"), QStringLiteral("italien"));
        ligne("autre langue", false, QStringLiteral("néerlandais"), QStringLiteral("néerlandais"));
    }
    void langueMontree()
    {
        QFETCH(bool, neuve);
        QFETCH(QString, langue);
        if (neuve)
            QVERIFY(Environnement::initialiserBase());
        else
            Sql::valeur("UPDATE general SET langue_defaut=? WHERE id=1", {langue});
        QCOMPARE(Sql::lignes("SELECT langue_defaut FROM general WHERE id=1"), QStringList{langue});
        diaParam dialogue;
        auto* choix = dialogue.findChild<QComboBox*>(QStringLiteral("cbLangue"));
        QTEST(choix->currentText(), "montree");
        QCOMPARE(choix->currentIndex(), langue.isEmpty() ? -1 : choix->findText(langue));
        QVERIFY(choix->count() >= 8 && choix->findText(QStringLiteral("anglais")) >= 0);
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

    // Les explications repliées (langue, dossier des copies) se lisent en entier : la fenêtre
    // grandit au lieu de les couper.
    void explicationsEntieres()
    {
        diaParam dialogue;
        QVERIFY(Clavier::montrer(&dialogue));
        const QList<QLabel*> etiquettes = dialogue.findChildren<QLabel*>();
        QVERIFY(etiquettes.size() >= 3);
        for (const QLabel* etiquette : etiquettes)
            if (etiquette->wordWrap())
                QVERIFY2(etiquette->height() >= etiquette->heightForWidth(etiquette->width()),
                         qPrintable(etiquette->objectName()));
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
        // Hors Latin-1 : gardé tel que tapé, sous une forme que l'ancienne ne peut pas donner.
        ligne("hors Latin-1", abc, QStringList{"abc", "€€€€", "€€€€"}, QString(),
              "sha256-utf8:" + QCryptographicHash::hash("€€€€", QCryptographicHash::Sha256).toHex());
        // « é » d'une touche ou « e » et l'accent : le même mot de passe, de l'ancienne forme.
        ligne("accent composé", ABSENT, QStringList{"", "e\u0301t\u00e9", "\u00e9te\u0301"}, QString(),
              md5("\351t\351"));
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

    void controleDAcces_data()
    {
        QTest::addColumn<QByteArray>("stockee");
        QTest::addColumn<QString>("saisi");
        QTest::addColumn<bool>("accepte");
        const QByteArray euros = MotDePasse::empreinte("€€€€");
        ligne("hors Latin-1, le même", euros, "€€€€", true);
        ligne("hors Latin-1, un autre", euros, "ŒŒŒŒ", false);
        ligne("hors Latin-1, les « ? » de l'ancienne forme", euros, "????", false);
        // Posé par une version précédente (« € » devenu « ? ») : il s'ouvre encore.
        ligne("ancienne forme, tapé comme alors", md5("????"), "€€€€", true);
        ligne("Latin-1, accent composé", md5("\351t\351"), "e\u0301t\u00e9", true);
        ligne("Latin-1, casse", md5("\351t\351"), "\u00c9t\u00e9", false);
    }
    // Le mot de passe tapé à la porte des fonctions protégées est contrôlé comme il a été fixé.
    void controleDAcces()
    {
        QFETCH(QByteArray, stockee);
        QFETCH(QString, saisi);
        QFETCH(bool, accepte);
        QCOMPARE(MotDePasse::correspond(saisi, stockee), accepte);
    }

    // Par la fenêtre principale, jusqu'au retrait.
    void porte()
    {
        // Une moitié isolée de paire UTF-16 ne peut pas être gardée telle quelle : refusée.
        QVERIFY(MotDePasse::representable("😀") && !MotDePasse::representable(QString(QChar(0xd83d))));
        QCOMPARE(Parametres::changerMotDePasse(QString(), QString(QChar(0xd83d)), QString(QChar(0xd83d)))
                     .erreur()
                     .raison,
                 Raison::MotDePasseNonRepresentable);
        const QString mdp = QStringLiteral("Œuvre d'été €");
        QCOMPARE(changerMotDePasse({QString(), mdp, mdp}), "accepté");
        MainWindow fenetre;
        QCoreApplication::processEvents(); // contrôle de version passé
        repondeur->texteSaisi(QStringLiteral("?uvre d'été ?"));
        repondeur->bouton(QMessageBox::Ok);
        repondeur->texteSaisi(mdp);
        QVERIFY(fenetre.accesAutorise());
        QCOMPARE(repondeur->dernier().texte, "Mot de passe incorrect !");
        QCOMPARE(changerMotDePasse({mdp, QString(), QString()}), "accepté");
        QCOMPARE(stockee(), ABSENT);
    }

    // Le fichier des réglages ne peut pas être écrit (disque en lecture seule) : c'est dit, et
    // l'ancien mot de passe reste, sur le disque comme pour le programme.
    void reglagesNonEcrits()
    {
        PetitDisque disque(64 * 1024);
        if (!disque.monte())
            QSKIP("montage d'un tmpfs refusé (il faut les droits de l'administrateur)");
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, disque.chemin());
        const auto remettre = qScopeGuard([] { Environnement::preparer(); });
        QCOMPARE(changerMotDePasse({QString(), "abc", "abc"}), "accepté");
        QCOMPARE(QFile::permissions(MotDePasse::fichierReglages()) & 0x0077, QFileDevice::Permissions());
        QVERIFY(disque.lectureSeule(true));
        repondeur->bouton(QMessageBox::Ok);
        QCOMPARE(changerMotDePasse({"abc", "nouveau", "nouveau"}), "ouvert");
        QVERIFY(repondeur->dernier().texte.startsWith(
            "Le mot de passe n'a pas pu être enregistré dans le fichier des réglages\n" +
            MotDePasse::fichierReglages() + "\nL'ancien mot de passe reste en vigueur."));
        QCOMPARE(stockee(), md5("abc"));
        QVERIFY(disque.lectureSeule(false));
    }
};

QTEST_MAIN(TstParametres)
#include "tst_parametres.moc"
