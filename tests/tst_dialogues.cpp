// Essais des petits dialogues : l'indicateur d'activité, la fenêtre d'attente et la boîte
// « A propos ».

#include "dialogs/apropos.h"
#include "dialogs/diawait.h"
#include "dialogs/qprogressindicator.h"

#include "support/environnement.h"
#include "support/repondeuressai.h"

#include <QDialogButtonBox>
#include <QImage>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextBrowser>
#include <QTimerEvent>

namespace {

// Un tic de la minuterie d'animation, sans attendre qu'elle sonne.
void tic(QProgressIndicator& indicateur, int fois = 1)
{
    for (int i = 0; i < fois; ++i) {
        QTimerEvent evenement(indicateur.minuterie());
        QCoreApplication::sendEvent(&indicateur, &evenement);
    }
}

// Ce que peint l'indicateur, sur un fond transparent, sans le fond de fenêtre.
QImage rendu(QProgressIndicator& indicateur)
{
    QImage image(indicateur.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    indicateur.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    return image;
}

int pixelsPeints(const QImage& image)
{
    int nombre = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) != 0)
                ++nombre;
    return nombre;
}

QPushButton* boutonStop(const diaWait& attente) { return attente.findChild<QPushButton*>("btStop"); }

} // namespace

class TestDialogues : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    // Indicateur d'activité
    void geometrie_data();
    void geometrie();
    void etatInitial();
    void proprietes();
    void animation_data();
    void animation();
    void demarrageEtArret();
    void minuterieReelle();
    void changementDelai_data();
    void changementDelai();
    void peinture_data();
    void peinture();
    void opaciteEtRotation();

    // Fenêtre d'attente
    void attenteConstruction();
    void attentePreparation_data();
    void attentePreparation();
    void attenteTailleFixe();
    void attenteStop_data();
    void attenteStop();
    void attenteSecondClic();
    void attentePreparationRemetAZero();

    // Boîte « A propos »
    void aproposPresentation();
    void aproposLicence();
    void aproposFermer();
};

void TestDialogues::initTestCase() { Environnement::preparer(); }

// ---------------------------------------------------------------------------
// Indicateur d'activité

void TestDialogues::geometrie_data()
{
    QTest::addColumn<int>("cote");
    QTest::addColumn<int>("rayonInterieur");
    QTest::addColumn<int>("longueur");
    QTest::addColumn<int>("largeur");
    QTest::addColumn<int>("arrondi");
    QTest::addColumn<int>("gauche");
    QTest::addColumn<int>("haut");

    // 9,5 arrondi à 10, 3,61 à 4 ; 6 × 0,35 = 2,1 arrondi à 2.
    QTest::newRow("20 px") << 20 << 4 << 6 << 2 << 1 << -1 << -10;
    // 12 × 0,38 = 4,56 → 5 ; 7 × 0,35 = 2,45 → 2.
    QTest::newRow("25 px") << 25 << 5 << 7 << 2 << 1 << -1 << -12;
    // 32 px est encore un petit indicateur : 10 × 0,35 = 3,5 → 4.
    QTest::newRow("32 px") << 32 << 6 << 10 << 4 << 2 << -2 << -16;
    // Au-delà, barres fines : 10 × 0,23 = 2,3 → 2.
    QTest::newRow("33 px") << 33 << 6 << 10 << 2 << 1 << -1 << -16;
    // 31,5 × 0,38 = 11,97 → 12 ; 31,5 → 32 ; 20 × 0,23 = 4,6 → 5 ; coins 5 / 2 = 2 ;
    // bord gauche -2,5 arrondi à -3.
    QTest::newRow("64 px") << 64 << 12 << 20 << 5 << 2 << -3 << -32;
    // 49,5 × 0,38 = 18,81 → 19 ; 49,5 → 50 ; 31 × 0,23 = 7,13 → 7 ; coins 3 ; -3,5 → -4.
    QTest::newRow("100 px") << 100 << 19 << 31 << 7 << 3 << -4 << -50;
}

void TestDialogues::geometrie()
{
    QFETCH(int, cote);
    const auto g = QProgressIndicator::geometrie(cote);
    QTEST(g.rayonInterieur, "rayonInterieur");
    QTEST(g.longueur, "longueur");
    QTEST(g.largeur, "largeur");
    QTEST(g.arrondi, "arrondi");
    QTEST(g.gauche, "gauche");
    QTEST(g.haut, "haut");
}

void TestDialogues::etatInitial()
{
    QProgressIndicator indicateur;
    QCOMPARE(indicateur.animationDelay(), 40);
    QVERIFY(!indicateur.isDisplayedWhenStopped());
    QCOMPARE(indicateur.color(), QColor(Qt::black));
    QVERIFY(!indicateur.isAnimated());
    QCOMPARE(indicateur.minuterie(), -1);
    QCOMPARE(indicateur.angleCourant(), 0);

    QCOMPARE(indicateur.sizeHint(), QSize(20, 20));
    QVERIFY(indicateur.hasHeightForWidth());
    QCOMPARE(indicateur.heightForWidth(37), 37);
    QCOMPARE(indicateur.sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
    QCOMPARE(indicateur.sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
    QCOMPARE(indicateur.focusPolicy(), Qt::NoFocus);
}

void TestDialogues::proprietes()
{
    QProgressIndicator indicateur;
    QVERIFY(indicateur.setProperty("delay", 75));
    QCOMPARE(indicateur.animationDelay(), 75);
    QCOMPARE(indicateur.property("delay").toInt(), 75);

    QVERIFY(indicateur.setProperty("displayedWhenStopped", true));
    QVERIFY(indicateur.isDisplayedWhenStopped());
    QCOMPARE(indicateur.property("displayedWhenStopped").toBool(), true);

    QVERIFY(indicateur.setProperty("color", QColor(Qt::red)));
    QCOMPARE(indicateur.color(), QColor(Qt::red));
    QCOMPARE(indicateur.property("color").value<QColor>(), QColor(Qt::red));
}

void TestDialogues::animation_data()
{
    QTest::addColumn<int>("tics");
    QTest::addColumn<int>("angle");

    QTest::newRow("un tic") << 1 << 30;
    QTest::newRow("deux tics") << 2 << 60;
    QTest::newRow("onze tics") << 11 << 330;
    QTest::newRow("un tour complet") << 12 << 0;
    QTest::newRow("deux tours et un cran") << 25 << 30;
}

void TestDialogues::animation()
{
    QFETCH(int, tics);
    QProgressIndicator indicateur;
    indicateur.startAnimation();
    QVERIFY(indicateur.isAnimated());
    QVERIFY(indicateur.minuterie() != -1);
    tic(indicateur, tics);
    QTEST(indicateur.angleCourant(), "angle");
}

void TestDialogues::demarrageEtArret()
{
    QProgressIndicator indicateur;
    indicateur.startAnimation();
    const int minuterie = indicateur.minuterie();
    tic(indicateur, 3);
    QCOMPARE(indicateur.angleCourant(), 90);

    // Un tic d'une autre minuterie ne fait pas tourner le motif.
    QTimerEvent etranger(minuterie + 1000);
    QCoreApplication::sendEvent(&indicateur, &etranger);
    QCOMPARE(indicateur.angleCourant(), 90);

    // Redémarrer remet le motif à zéro sans lancer une seconde minuterie.
    indicateur.startAnimation();
    QCOMPARE(indicateur.angleCourant(), 0);
    QCOMPARE(indicateur.minuterie(), minuterie);

    indicateur.stopAnimation();
    QVERIFY(!indicateur.isAnimated());
    QCOMPARE(indicateur.minuterie(), -1);

    // Arrêter deux fois ne gêne pas, et l'animation peut reprendre.
    indicateur.stopAnimation();
    QVERIFY(!indicateur.isAnimated());
    indicateur.startAnimation();
    QVERIFY(indicateur.isAnimated());
}

void TestDialogues::minuterieReelle()
{
    QProgressIndicator indicateur;
    indicateur.setAnimationDelay(5);
    indicateur.startAnimation();
    QTRY_VERIFY(indicateur.angleCourant() != 0);
    QCOMPARE(indicateur.angleCourant() % 30, 0);

    // Arrêté, le motif ne bouge plus.
    indicateur.stopAnimation();
    const int angle = indicateur.angleCourant();
    QTest::qWait(50);
    QCOMPARE(indicateur.angleCourant(), angle);
}

void TestDialogues::changementDelai_data()
{
    QTest::addColumn<bool>("tournait");
    QTest::newRow("indicateur arrêté") << false;
    QTest::newRow("indicateur animé") << true;
}

void TestDialogues::changementDelai()
{
    QFETCH(bool, tournait);
    QProgressIndicator indicateur;
    if (tournait) {
        indicateur.startAnimation();
        tic(indicateur, 2);
    }

    indicateur.setAnimationDelay(5);
    QCOMPARE(indicateur.animationDelay(), 5);
    QCOMPARE(indicateur.isAnimated(), tournait);
    QCOMPARE(indicateur.minuterie() != -1, tournait);

    if (tournait) {
        // Le motif garde sa position et la nouvelle minuterie le fait tourner.
        QCOMPARE(indicateur.angleCourant(), 60);
        QTRY_VERIFY(indicateur.angleCourant() != 60);
    } else {
        QTest::qWait(50);
        QCOMPARE(indicateur.angleCourant(), 0);
        QVERIFY(!indicateur.isAnimated());
    }
}

void TestDialogues::peinture_data()
{
    QTest::addColumn<bool>("demarrer");
    QTest::addColumn<bool>("arreter");
    QTest::addColumn<bool>("afficheALArret");
    QTest::addColumn<bool>("dessine");

    QTest::newRow("jamais démarré") << false << false << false << false;
    QTest::newRow("jamais démarré, affiché à l'arrêt") << false << false << true << true;
    QTest::newRow("animé") << true << false << false << true;
    QTest::newRow("arrêté") << true << true << false << false;
    QTest::newRow("arrêté, affiché à l'arrêt") << true << true << true << true;
}

void TestDialogues::peinture()
{
    QFETCH(bool, demarrer);
    QFETCH(bool, arreter);
    QFETCH(bool, afficheALArret);
    QFETCH(bool, dessine);

    QProgressIndicator indicateur;
    indicateur.resize(20, 20);
    indicateur.setDisplayedWhenStopped(afficheALArret);
    if (demarrer)
        indicateur.startAnimation();
    if (arreter)
        indicateur.stopAnimation();

    const int peints = pixelsPeints(rendu(indicateur));
    if (dessine)
        QVERIFY2(peints > 40, qPrintable(QString::number(peints)));
    else
        QCOMPARE(peints, 0);
}

void TestDialogues::opaciteEtRotation()
{
    QProgressIndicator indicateur;
    indicateur.resize(20, 20);
    indicateur.setColor(Qt::red);
    indicateur.setDisplayedWhenStopped(true);

    // Centre en (9, 9) : la barre de tête monte de y = -1 à 5 sur les colonnes 8 et 9,
    // la septième (opacité 1/2) descend de 13 à 19.
    QImage image = rendu(indicateur);
    QRgb haut = image.pixel(9, 2);
    QCOMPARE(qAlpha(haut), 255);
    QCOMPARE(qRed(haut), 255);
    QCOMPARE(qGreen(haut), 0);
    QCOMPARE(qBlue(haut), 0);
    const int alphaBas = qAlpha(image.pixel(9, 16));
    QVERIFY2(qAbs(alphaBas - 128) <= 3, qPrintable(QString::number(alphaBas)));
    QCOMPARE(qRed(image.pixel(9, 16)), 255);
    // Le centre reste vide.
    QCOMPARE(qAlpha(image.pixel(9, 9)), 0);

    // Un cran plus loin, la tête est passée à droite : en haut se trouve la deuxième
    // barre (opacité 11/12), en bas la huitième (5/12).
    indicateur.startAnimation();
    tic(indicateur);
    image = rendu(indicateur);
    const int alphaHaut = qAlpha(image.pixel(9, 2));
    QVERIFY2(qAbs(alphaHaut - 234) <= 3, qPrintable(QString::number(alphaHaut)));
    const int alphaBasApres = qAlpha(image.pixel(9, 16));
    QVERIFY2(qAbs(alphaBasApres - 106) <= 3, qPrintable(QString::number(alphaBasApres)));
}

// ---------------------------------------------------------------------------
// Fenêtre d'attente

void TestDialogues::attenteConstruction()
{
    QWidget fenetre;
    bool drapeau = true;
    diaWait attente(&fenetre, &drapeau);

    QVERIFY(!drapeau);
    QVERIFY(!attente.estArrete());
    QCOMPARE(attente.parentWidget(), &fenetre);
    QVERIFY(attente.isWindow());
    QVERIFY(attente.windowFlags().testFlag(Qt::SplashScreen));
    QVERIFY(attente.windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(attente.frameShape(), QFrame::Box);

    // L'indicateur tourne dès la construction.
    QVERIFY(attente.indicateur());
    QVERIFY(attente.indicateur()->isAnimated());
    QCOMPARE(attente.indicateur()->parentWidget()->window(), &attente);

    const auto* libelle = attente.findChild<QLabel*>("lbMessage");
    QVERIFY(libelle);
    QVERIFY(libelle->wordWrap());
    QCOMPARE(libelle->minimumSize(), QSize(200, 100));
    QCOMPARE(libelle->maximumSize(), QSize(200, 100));

    QPushButton* bouton = boutonStop(attente);
    QVERIFY(bouton);
    QCOMPARE(bouton->text(), QString("Stop"));
}

void TestDialogues::attentePreparation_data()
{
    QTest::addColumn<bool>("boutonVisible");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("affiche");

    QTest::newRow("message vide, sans bouton")
        << false << QString() << QString("Opération en cours... Patientez!");
    QTest::newRow("message vide, avec bouton")
        << true << QString("") << QString("Opération en cours... Patientez!");
    QTest::newRow("message donné, sans bouton")
        << false << QString("Chargement des élèves...") << QString("Chargement des élèves...");
    QTest::newRow("message donné, avec bouton")
        << true << QString("Importation de la classe") << QString("Importation de la classe");
}

void TestDialogues::attentePreparation()
{
    QFETCH(bool, boutonVisible);
    QFETCH(QString, message);

    QWidget fenetre;
    diaWait attente(&fenetre);
    // Partir de l'état contraire pour voir le changement.
    boutonStop(attente)->setVisible(!boutonVisible);
    attente.preparer(boutonVisible, message);

    QTEST(attente.message(), "affiche");
    QCOMPARE(attente.findChild<QLabel*>("lbMessage")->text(), attente.message());
    QCOMPARE(boutonStop(attente)->isVisibleTo(&attente), boutonVisible);
    QVERIFY(!attente.estArrete());
}

void TestDialogues::attenteTailleFixe()
{
    QWidget fenetre;
    diaWait attente(&fenetre);
    attente.preparer(true, QString());
    attente.layout()->activate();
    QCOMPARE(attente.minimumSize(), attente.maximumSize());
    QVERIFY(attente.width() >= 220);
    QVERIFY(attente.height() >= 100 + boutonStop(attente)->sizeHint().height());
    QCOMPARE(attente.size(), attente.minimumSize());
}

void TestDialogues::attenteStop_data()
{
    QTest::addColumn<int>("reponse");
    QTest::addColumn<bool>("arrete");

    QTest::newRow("Non") << int(QMessageBox::No) << false;
    QTest::newRow("Oui") << int(QMessageBox::Yes) << true;
}

void TestDialogues::attenteStop()
{
    QFETCH(int, reponse);
    QFETCH(bool, arrete);

    RepondeurEssai r;
    QWidget fenetre;
    bool drapeau = false;
    diaWait attente(&fenetre, &drapeau);
    attente.preparer(true, QString());

    r.bouton(static_cast<QMessageBox::StandardButton>(reponse));
    boutonStop(attente)->click();

    QCOMPARE(r.messages().size(), 1);
    QCOMPARE(r.messages().at(0).genre, Invite::Genre::Question);
    QCOMPARE(r.messages().at(0).titre, QString("ARRETER"));
    QCOMPARE(r.messages().at(0).texte, QString("Voulez-vous vraiment stopper l'opération en cours ?"));
    QVERIFY(r.fileVide());
    QVERIFY(r.sansImprevu());

    QCOMPARE(attente.estArrete(), arrete);
    QCOMPARE(drapeau, arrete);
    // Le bouton reste là et actif.
    QVERIFY(boutonStop(attente)->isVisibleTo(&attente));
    QVERIFY(boutonStop(attente)->isEnabled());
}

void TestDialogues::attenteSecondClic()
{
    RepondeurEssai r;
    QWidget fenetre;
    bool drapeau = false;
    diaWait attente(&fenetre, &drapeau);
    attente.preparer(true, QString());

    // Non d'abord : la question revient au clic suivant.
    r.bouton(QMessageBox::No);
    attente.stopClicked();
    r.bouton(QMessageBox::Yes);
    attente.stopClicked();
    QCOMPARE(r.messages().size(), 2);
    QVERIFY(attente.estArrete());
    QVERIFY(drapeau);

    // Arrêt confirmé : plus aucune question (une question imprévue ferait échouer l'essai).
    boutonStop(attente)->click();
    attente.stopClicked();
    QCOMPARE(r.messages().size(), 2);
    QVERIFY(r.sansImprevu());
    QVERIFY(attente.estArrete());
    QVERIFY(drapeau);
}

void TestDialogues::attentePreparationRemetAZero()
{
    RepondeurEssai r;
    QWidget fenetre;
    diaWait attente(&fenetre); // sans drapeau de l'appelant
    attente.preparer(true, QString());
    r.bouton(QMessageBox::Yes);
    attente.stopClicked();
    QVERIFY(attente.estArrete());

    attente.preparer(true, QString("Étape suivante"));
    QVERIFY(!attente.estArrete());
    // La question est de nouveau posée.
    r.bouton(QMessageBox::No);
    attente.stopClicked();
    QCOMPARE(r.messages().size(), 2);
    QVERIFY(!attente.estArrete());
    QVERIFY(r.fileVide());
}

// ---------------------------------------------------------------------------
// Boîte « A propos »

void TestDialogues::aproposPresentation()
{
    Apropos apropos;
    QCOMPARE(apropos.windowTitle(), QString("A propos de Quorvel"));
    QCOMPARE(apropos.size(), QSize(818, 448));
    QVERIFY(!apropos.windowFlags().testFlag(Qt::WindowContextHelpButtonHint));

    const auto* titre = apropos.findChild<QLabel*>("lbTitre");
    QVERIFY(titre);
    QCOMPARE(titre->text(), QString("Quorvel"));
    QCOMPARE(titre->font().pointSize(), 12);
    QVERIFY(titre->font().bold());
    QVERIFY(titre->alignment().testFlag(Qt::AlignHCenter));

    const auto* version = apropos.findChild<QLabel*>("lbVersion");
    QVERIFY(version);
    QCOMPARE(version->text(), QString("Version 3.1"));
    QVERIFY(version->alignment().testFlag(Qt::AlignHCenter));

    const auto* texte = apropos.findChild<QTextBrowser*>("textBrowser");
    QVERIFY(texte);
    const QString presentation = texte->toPlainText();
    QVERIFY(presentation.contains("Quorvel"));
    QVERIFY(presentation.contains("© 2026 Marvek"));
    QVERIFY(presentation.contains("GNU GPL"));
    QVERIFY(presentation.contains("licence.pdf"));
    QVERIFY(presentation.contains("SQLite"));
    QVERIFY(presentation.contains("Oxygen"));

    const auto* licence = apropos.findChild<QPushButton*>("btLicence");
    QVERIFY(licence);
    QCOMPARE(licence->text(), QString("Contrat de Licence (pdf)"));
    const auto* aProposQt = apropos.findChild<QPushButton*>("btAPropos");
    QVERIFY(aProposQt);
    QCOMPARE(aProposQt->text(), QString("A propos de Qt"));

    const auto* boutons = apropos.findChild<QDialogButtonBox*>("buttonBox");
    QVERIFY(boutons);
    QCOMPARE(boutons->standardButtons(), QDialogButtonBox::StandardButtons(QDialogButtonBox::Close));
}

void TestDialogues::aproposLicence()
{
    RepondeurEssai r;
    Apropos apropos;

    // Le bouton ouvre le contrat ; un échec du bureau n'est pas signalé.
    r.ouvertureReussie = false;
    apropos.findChild<QPushButton*>("btLicence")->click();
    QCOMPARE(r.urlsOuvertes().size(), 1);
    const QUrl url = r.urlsOuvertes().at(0);
    QCOMPARE(url.scheme(), QString("file"));
    QVERIFY(url.toString().startsWith("file:///"));
    QVERIFY2(url.toString().endsWith("/licence.pdf"), qPrintable(url.toString()));
    QCOMPARE(url, Invite::urlDocumentProgramme("licence.pdf"));
    QVERIFY(r.messages().isEmpty());
    QVERIFY(r.sansImprevu());
}

void TestDialogues::aproposFermer()
{
    Apropos apropos;
    QSignalSpy rejete(&apropos, &QDialog::rejected);
    QSignalSpy accepte(&apropos, &QDialog::accepted);
    apropos.findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Close)->click();
    QCOMPARE(rejete.count(), 1);
    QCOMPARE(accepte.count(), 0);
    QCOMPARE(apropos.result(), int(QDialog::Rejected));
}

QTEST_MAIN(TestDialogues)
#include "tst_dialogues.moc"
