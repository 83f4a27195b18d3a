// SPDX-License-Identifier: GPL-3.0-or-later
// Essais des petits dialogues : indicateur d'activité, fenêtre d'attente, boîte « A propos ».

#include "gui/commun/apropos.h"
#include "gui/commun/diawait.h"
#include "gui/commun/qprogressindicator.h"

#include "support/donnees.h"
#include "support/environnement.h"
#include "support/repondeuressai.h"

#include <QImage>
#include <QPushButton>
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

    void geometrie_data()
    {
        QTest::addColumn<int>("cote");
        QTest::addColumn<int>("longueur");
        QTest::addColumn<int>("largeur");

        ligne("20 px", 20, 6, 2);
        ligne("64 px, barres fines au-delà de 32 px", 64, 20, 5);
    }

    void geometrie()
    {
        QFETCH(int, cote);
        const auto g = QProgressIndicator::geometrie(cote);
        QTEST(g.longueur, "longueur");
        QTEST(g.largeur, "largeur");
    }

    void animation_data()
    {
        QTest::addColumn<int>("tics");
        QTest::addColumn<int>("angle");

        ligne("un cran", 1, 30);
        ligne("un tour complet", 12, 0);
    }

    void animation()
    {
        QProgressIndicator indicateur;
        indicateur.setAnimationDelay(5); // sur un indicateur arrêté, ne le démarre pas
        QVERIFY(!indicateur.isAnimated());
        indicateur.startAnimation();
        QVERIFY(indicateur.isAnimated());
        QFETCH(int, tics);
        tic(indicateur, tics);
        QTEST(indicateur.angleCourant(), "angle");

        indicateur.stopAnimation();
        QVERIFY(!indicateur.isAnimated());
        QCOMPARE(indicateur.minuterie(), -1);
    }

    void peinture_data()
    {
        QTest::addColumn<bool>("anime"); // sinon démarré puis arrêté
        QTest::addColumn<bool>("afficheALArret");
        QTest::addColumn<bool>("dessine");

        ligne("arrêté", false, false, false);
        ligne("arrêté, affiché à l'arrêt", false, true, true);
        ligne("animé", true, false, true);
    }

    void peinture()
    {
        QFETCH(bool, anime);
        QFETCH(bool, afficheALArret);
        QProgressIndicator indicateur;
        indicateur.resize(20, 20);
        indicateur.setDisplayedWhenStopped(afficheALArret);
        indicateur.startAnimation();
        if (!anime)
            indicateur.stopAnimation();
        QTEST(peint(indicateur), "dessine");
    }

    void attenteTexteParDefaut()
    {
        QWidget fenetre;
        diaWait attente(&fenetre);
        attente.preparer(false, QString());
        QCOMPARE(attente.message(), QString("Opération en cours... Patientez!"));
    }

    void attenteStop()
    {
        RepondeurEssai r;
        QWidget fenetre;
        bool drapeau = true; // remis à faux par la fenêtre
        diaWait attente(&fenetre, &drapeau);
        attente.preparer(true, QString());
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

    void aproposLicence()
    {
        RepondeurEssai r;
        Apropos apropos;
        apropos.findChild<QPushButton*>("btLicence")->click(); // licence()
        // Le contrat posé à côté de l'exécutable, ouvert par le bureau.
        QCOMPARE(r.urlsOuvertes(),
                 QList<QUrl>{QUrl::fromLocalFile(QCoreApplication::applicationDirPath() + "/licence.pdf")});
        QVERIFY(r.messages().isEmpty());
    }
};

QTEST_MAIN(TestDialogues)
#include "tst_dialogues.moc"
