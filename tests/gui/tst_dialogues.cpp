// SPDX-License-Identifier: GPL-3.0-or-later
// Essais des petits dialogues : indicateur d'activité, fenêtre d'attente, boîte « A propos ».

#include "gui/commun/apropos.h"
#include "gui/commun/diawait.h"
#include "gui/commun/qprogressindicator.h"

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
