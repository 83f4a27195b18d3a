// SPDX-License-Identifier: GPL-3.0-or-later
// Essais des petits dialogues : indicateur d'activité, fenêtre d'attente, boîte « À propos » et
// les documents livrés qu'elle ouvre.

#include "core/commun/application.h"
#include "gui/commun/apropos.h"
#include "gui/commun/bureau.h"
#include "gui/commun/diawait.h"
#include "gui/commun/qprogressindicator.h"

#include "support/donnees.h"
#include "support/environnement.h"
#include "support/repondeuressai.h"

#include <QDir>
#include <QImage>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimerEvent>

namespace {

// Un tic de la minuterie d'animation, sans attendre qu'elle sonne.
void tic(QProgressIndicator& indicateur, int fois)
{
    for (int i = 0; i < fois; ++i) {
        QTimerEvent evenement(indicateur.minuterie());
        QCoreApplication::sendEvent(&indicateur, &evenement);
    }
}

// Vrai quand l'indicateur peint au moins un pixel, sur un fond transparent.
bool peint(QProgressIndicator& indicateur)
{
    QImage image(indicateur.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    indicateur.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) != 0)
                return true;
    return false;
}

} // namespace

class TestDialogues : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Environnement::preparer(); }

    // L'indicateur d'activité : barres fines au-delà de 32 px ; un cran de 30° par tic, un tour en
    // douze ; le délai ne démarre pas un indicateur arrêté ; arrêté, il ne dessine rien, sauf
    // s'il doit rester affiché.
    void indicateur()
    {
        for (const auto& [cote, longueur, largeur] : {std::tuple{20, 6, 2}, {64, 20, 5}}) {
            const auto g = QProgressIndicator::geometrie(cote);
            QCOMPARE(QList<int>({g.longueur, g.largeur}), QList<int>({longueur, largeur}));
        }
        QProgressIndicator indicateur;
        indicateur.resize(20, 20);
        indicateur.setAnimationDelay(5);
        QVERIFY(!indicateur.isAnimated() && !peint(indicateur));
        indicateur.startAnimation();
        QVERIFY(indicateur.isAnimated() && peint(indicateur));
        tic(indicateur, 1);
        QCOMPARE(indicateur.angleCourant(), 30);
        tic(indicateur, 11);
        QCOMPARE(indicateur.angleCourant(), 0);
        indicateur.stopAnimation();
        QVERIFY(!indicateur.isAnimated() && !peint(indicateur));
        QCOMPARE(indicateur.minuterie(), -1);
        indicateur.setDisplayedWhenStopped(true);
        QVERIFY(peint(indicateur));
    }

    // La fenêtre d'attente dit son message par défaut ; « Stop » demande confirmation.
    void attenteStop()
    {
        RepondeurEssai r;
        QWidget fenetre;
        bool drapeau = true; // remis à faux par la fenêtre
        diaWait attente(&fenetre, &drapeau);
        attente.preparer(true, QString());
        QCOMPARE(attente.message(), QString("Opération en cours... Patientez!"));
        QVERIFY(!drapeau);
        QPushButton* stop = attente.findChild<QPushButton*>("btStop");

        r.bouton(QMessageBox::No);
        stop->click();
        QVERIFY(!attente.estArrete() && !drapeau);
        r.bouton(QMessageBox::Yes);
        stop->click();
        QVERIFY(attente.estArrete() && drapeau);
        QCOMPARE(r.dernier().texte, QString("Voulez-vous vraiment stopper l'opération en cours ?"));

        // Arrêt confirmé : un nouveau clic ne demande plus rien (une question imprévue échouerait).
        stop->click();
        QCOMPARE(r.messages().size(), 2);
        QVERIFY(attente.estArrete());
    }

    // Un document livré (ici la licence, de la boîte « À propos » ; le guide passe par le même
    // chemin) est ouvert par le bureau depuis le dossier du programme ; absent, ou sans lecteur
    // pour l'ouvrir, l'enseignante l'apprend avec son chemin complet.
    void documentsLivres_data()
    {
        QTest::addColumn<bool>("present");
        QTest::addColumn<bool>("lecteur");
        QTest::addColumn<QString>("titre");
        ligne("ouvert", true, true, "");
        ligne("absent", false, true, "Document introuvable");
        ligne("aucun lecteur", true, false, "Impossible d'ouvrir le document");
    }
    void documentsLivres()
    {
        QFETCH(bool, present);
        QFETCH(bool, lecteur);
        QFETCH(QString, titre);
        QTemporaryDir dossier(QDir::tempPath() + "/dossier du programme é-XXXXXX");
        const QString chemin = dossier.path() + "/licence.pdf";
        if (present) {
            QFile fichier(chemin);
            QVERIFY(fichier.open(QIODevice::WriteOnly) && fichier.write("%PDF-1.4\n") > 0);
        }
        Application::definirDossierDocuments(dossier.path());
        const auto retour = qScopeGuard([] { Application::definirDossierDocuments(QString()); });
        RepondeurEssai r;
        r.ouvertureReussie = lecteur;
        if (!titre.isEmpty())
            r.reponses("K");

        Apropos apropos;
        apropos.findChild<QPushButton*>("btLicence")->click(); // licence()
        QCOMPARE(r.urlsOuvertes(), present ? QList<QUrl>{QUrl::fromLocalFile(chemin)} : QList<QUrl>());
        QCOMPARE(r.messages().size(), int(!titre.isEmpty()));
        if (!titre.isEmpty()) {
            QCOMPARE(r.dernier().titre, titre);
            QVERIFY2(r.dernier().texte.contains("« licence.pdf »") &&
                         r.dernier().texte.contains(QDir::toNativeSeparators(chemin)),
                     qPrintable(r.dernier().texte));
        }
    }

    // Le bureau sous Linux : le lanceur du PATH reçoit le chemin du document ; son échec (aucun
    // programme pour ce type de fichier) est rendu, un lanceur qui attend son lecteur vaut une
    // réussite, et sans lanceur rien ne s'ouvre.
    void bureau_data()
    {
        QTest::addColumn<QString>("lanceur");
        QTest::addColumn<bool>("attendu");
        // Le lanceur note ce qu'il reçoit dans « recu », à côté de lui.
        ligne("lecteur trouvé", "exit 0", true);
        ligne("aucun lecteur", "exit 3", false);
        ligne("lecteur qui reste ouvert", "exec /bin/sleep 30", true);
        ligne("pas de lanceur", "", false);
    }
    void bureau()
    {
        QFETCH(QString, lanceur);
        QFETCH(bool, attendu);
        QTemporaryDir chemins;
        if (!lanceur.isEmpty()) {
            QFile script(chemins.path() + "/xdg-open");
            QVERIFY(script.open(QIODevice::WriteOnly));
            script.write("#!/bin/sh\necho \"$1\" > '" + chemins.filePath("recu").toUtf8() + "'\n" +
                         lanceur.toUtf8() + "\n");
            script.close();
            QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        }
        const QByteArray ancien = qgetenv("PATH");
        qputenv("PATH", chemins.path().toUtf8());
        const auto retour = qScopeGuard([&] { qputenv("PATH", ancien); });

        const QString document = chemins.path() + "/le guide é.pdf";
        QCOMPARE(Bureau::ouvrir(QUrl::fromLocalFile(document)), attendu);
        if (!lanceur.isEmpty()) {
            QFile recu(chemins.path() + "/recu");
            QVERIFY(QTest::qWaitFor([&] { return recu.size() > 0; }));
            QVERIFY(recu.open(QIODevice::ReadOnly));
            QCOMPARE(QString::fromUtf8(recu.readAll()).trimmed(), document);
        }
    }
};

QTEST_MAIN(TestDialogues)
#include "tst_dialogues.moc"
