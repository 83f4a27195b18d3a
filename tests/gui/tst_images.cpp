// SPDX-License-Identifier: GPL-3.0-or-later
// Netteté des images : les icônes des fenêtres et le fond de l'espace de travail sur un écran
// à double densité, les images des pages imprimées à la résolution de l'impression.

#include "core/print/composition.h"
#include "core/print/optionsimpression.h"
#include "core/print/tirage.h"
#include "gui/entry/mdipalier.h"
#include "gui/entry/mdisaisie.h"
#include "gui/mainwindow/mainwindow.h"
#include "gui/mainwindow/mymdiarea.h"
#include "gui/print/diaimprimer.h"
#include "gui/pupils/diaajouteeleves.h"
#include "gui/pupils/diaedite.h"
#include "gui/pupils/diaeleve.h"
#include "gui/report/diabilan.h"

#include "support/donnees.h"
#include "support/environnement.h"
#include "support/sql.h"

#include <QAbstractButton>
#include <QApplication>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

using Sql::idRef;

// Une image posée sur la page : son rectangle sur la page (dixièmes de millimètre) et sa
// taille en pixels.
struct Pose {
    QRectF rectangle;
    QSize pixels;
};

// Feuille A4 qui ne garde que les images qu'on y pose ; un pixel de l'appareil y vaut un
// dixième de millimètre, comme une unité de la page logique.
class FeuilleReleve : public QPaintDevice
{
    class Moteur : public QPaintEngine
    {
    public:
        QList<Pose> poses;
        QTransform transformation;

        Moteur() : QPaintEngine(AllFeatures) {}
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        Type type() const override { return User; }
        void updateState(const QPaintEngineState& etat) override
        {
            if (etat.state() & DirtyTransform)
                transformation = etat.transform();
        }
        void drawPixmap(const QRectF& r, const QPixmap& image, const QRectF&) override
        {
            poses.append({transformation.mapRect(r), image.size()});
        }
        void drawImage(const QRectF& r, const QImage& image, const QRectF&, Qt::ImageConversionFlags) override
        {
            poses.append({transformation.mapRect(r), image.size()});
        }
        void drawPath(const QPainterPath&) override {}
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
        void drawTextItem(const QPointF&, const QTextItem&) override {}
    };
    mutable Moteur moteur;

public:
    const QList<Pose>& poses() const { return moteur.poses; }
    QPaintEngine* paintEngine() const override { return &moteur; }

protected:
    int metric(PaintDeviceMetric mesure) const override
    {
        const int largeur = Composition::LARGEUR_PAGE, hauteur = Composition::HAUTEUR_PAGE, dpi = 254;
        const QHash<int, int> mesures{
            {PdmWidth, largeur},         {PdmHeight, hauteur},    {PdmWidthMM, largeur / 10},
            {PdmHeightMM, hauteur / 10}, {PdmDpiX, dpi},          {PdmDpiY, dpi},
            {PdmPhysicalDpiX, dpi},      {PdmPhysicalDpiY, dpi},  {PdmDepth, 32},
            {PdmNumColors, INT_MAX},     {PdmDevicePixelRatio, 1}};
        return mesure == PdmDevicePixelRatioScaled ? int(devicePixelRatioFScale()) : mesures.value(mesure);
    }
};

} // namespace

class TstImages : public QObject
{
    Q_OBJECT
    Environnement::Dossier donnees;
    qint64 eleve = 0;

private slots:
    void initTestCase()
    {
        Environnement::preparer();
        QVERIFY(Environnement::nouvelleBase(donnees));
        Sql::valeur("INSERT INTO classes(id_classe,libelle,tri) VALUES(1,'CE1 A',0)");
        eleve = Sql::valeur("INSERT INTO eleves(id_classe,id_niveau,nom,prenom) VALUES(1,2,'MARTIN','Max')")
                    .toLongLong();
    }

    // Chaque bouton à icône des fenêtres trouve, à la taille où il la montre, une image qui a
    // deux pixels par point : rien n'est agrandi, donc rien n'est flou.
    void iconesDoubleDensite()
    {
        QCOMPARE(qApp->devicePixelRatio(), 2.0);
        QPrinter imprimante;
        MainWindow principale;
        OptionsImpression options;
        const std::unique_ptr<QWidget> fenetres[] = {
            std::make_unique<mdiSaisie>(principale, nullptr),
            std::make_unique<mdiPalier>(principale, nullptr),
            std::make_unique<diaImprimer>(nullptr, &imprimante, options),
            std::make_unique<diaAjouteEleves>(nullptr),
            std::make_unique<diaEleve>(nullptr),
            std::make_unique<diaEdite>(nullptr),
            std::make_unique<DiaBilan>(nullptr, &imprimante)};
        QStringList floues;
        int vues = 0;
        for (const auto& fenetre : fenetres)
            for (const QAbstractButton* bouton : fenetre->findChildren<QAbstractButton*>()) {
                if (bouton->icon().isNull())
                    continue;
                ++vues;
                const QPixmap image = bouton->icon().pixmap(bouton->iconSize(), 2.0);
                if (image.devicePixelRatio() != 2.0)
                    floues << QString("%1 %2 (%3 px)")
                                  .arg(fenetre->metaObject()->className(), bouton->objectName())
                                  .arg(bouton->iconSize().width());
            }
        QVERIFY(vues > 30);
        QCOMPARE(floues, QStringList());
    }

    // Le fond de l'espace de travail pose chaque image pixel pour pixel depuis sa variante
    // double.
    void fondEspaceTravail_data()
    {
        QTest::addColumn<QString>("image");
        QTest::addColumn<QPoint>("position"); // en points ; négatif : depuis la droite ou le bas
        ligne("illustration, en bas à gauche", ":images/illustration", QPoint(10, -250));
        ligne("titre, en haut à droite", ":images/titre", QPoint(-410, 10));
        ligne("logo, en bas à droite", ":images/logo", QPoint(-130, -90));
    }
    void fondEspaceTravail()
    {
        QFETCH(QString, image);
        QFETCH(QPoint, position);
        MyMdiArea espace;
        espace.resize(650, 500);
        espace.show();
        QVERIFY(QTest::qWaitForWindowExposed(&espace));
        const QImage ecran = espace.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(ecran.devicePixelRatio(), 2.0);

        QImage attendue(image + "@2x");
        QVERIFY(!attendue.isNull());
        attendue.setDevicePixelRatio(1); // posée pixel pour pixel sur le fond ci-dessous
        const QSize points = espace.viewport()->size();
        const QPoint coin(position.x() < 0 ? points.width() + position.x() : position.x(),
                          position.y() < 0 ? points.height() + position.y() : position.y());
        QImage fond(attendue.size(), QImage::Format_RGB32);
        fond.fill(QColor(221, 214, 255));
        QPainter(&fond).drawImage(0, 0, attendue);
        int ecarts = 0;
        for (int y = 0; y < fond.height(); ++y)
            for (int x = 0; x < fond.width(); ++x) {
                const QRgb a = fond.pixel(x, y), b = ecran.pixel(2 * coin.x() + x, 2 * coin.y() + y);
                if (qAbs(qRed(a) - qRed(b)) > 2 || qAbs(qGreen(a) - qGreen(b)) > 2 ||
                    qAbs(qBlue(a) - qBlue(b)) > 2)
                    ++ecarts;
            }
        QCOMPARE(ecarts, 0);
    }

    // Les images des pages gardent leur place au dixième de millimètre près et y ont au moins
    // 300 pixels par pouce.
    void imagesImprimees_data()
    {
        QTest::addColumn<bool>("attestation");
        QTest::addColumn<bool>("gris");
        QTest::addColumn<QList<QRectF>>("places");
        // Titre, barre large au-dessus et au-dessous du palier, barre fine sous chaque compétence.
        const QList<QRectF> attestation{QRectF(250, 77, 1600, 510), QRectF(204, 1210, 1700, 6),
                                        QRectF(204, 1293, 1700, 6), QRectF(206, 1356, 1400, 3),
                                        QRectF(206, 1419, 1400, 3), QRectF(206, 1482, 1400, 3)};
        const QList<QRectF> competence{QRectF(1500, 100, 400, 199)};
        ligne("attestation en couleur", true, false, attestation);
        ligne("attestation en gris", true, true, attestation);
        ligne("compétence en couleur", false, false, competence);
        ligne("compétence en gris", false, true, competence);
    }
    void imagesImprimees()
    {
        QFETCH(bool, attestation);
        QFETCH(bool, gris);
        OptionsImpression options;
        options.grey = gris;
        FeuilleReleve feuille;
        {
            QPainter peintre(&feuille);
            Tirage::preparerPeintre(peintre);
            QVERIFY(attestation ? dessinerAttestation(peintre, idRef("P1"), eleve,
                                                      "École du Parc\n12 rue Haute", 1, 4, options)
                                : dessinerCompetence(peintre, idRef("P1C1"), eleve, 2, 4, options));
        }
        QList<QRectF> places;
        for (const Pose& pose : feuille.poses()) {
            places << pose.rectangle;
            const double pouces = 1 / 254.0;
            QVERIFY2(pose.pixels.width() / (pose.rectangle.width() * pouces) >= 300 &&
                         pose.pixels.height() / (pose.rectangle.height() * pouces) >= 300,
                     qPrintable(QString("%1 pixels sur %2 dixièmes de millimètre de large")
                                    .arg(pose.pixels.width())
                                    .arg(pose.rectangle.width())));
        }
        QTEST(places, "places");
    }

    // Dans le PDF que reçoit l'imprimante, chaque image est à 300 pixels par pouce au moins,
    // sans perte, et gardée une seule fois pour toutes les pages qui la montrent.
    void imagesDuPdf()
    {
        const OptionsImpression options;
        QPrinter imprimante(QPrinter::HighResolution);
        imprimante.setOutputFormat(QPrinter::PdfFormat);
        imprimante.setOutputFileName(donnees->filePath("livret.pdf"));
        imprimante.setFullPage(true);
        {
            QPainter peintre(&imprimante);
            Tirage::preparerPeintre(peintre);
            for (int i = 0; i < 2; ++i) {
                QVERIFY(dessinerAttestation(peintre, idRef("P1"), eleve, "École du Parc", 1, 2, options));
                imprimante.newPage();
                QVERIFY(dessinerCompetence(peintre, idRef("P1C1"), eleve, 2, 2, options));
                if (i == 0)
                    imprimante.newPage();
            }
        }
        QProcess pdfimages;
        pdfimages.start("pdfimages", {"-list", imprimante.outputFileName()});
        QVERIFY(pdfimages.waitForFinished());
        // page num type width height color comp bpc enc interp object ID x-ppi y-ppi size ratio
        const QStringList lignes =
            QString::fromUtf8(pdfimages.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lignes.size(), 2 + 2 * (6 + 1));
        QSet<QString> objets;
        for (const QString& ligne : lignes.mid(2)) {
            const QStringList c = ligne.simplified().split(' ');
            QVERIFY2(c.at(8) != "jpeg" && c.at(12).toDouble() >= 300 && c.at(13).toDouble() >= 300,
                     qPrintable(ligne));
            objets << c.at(10);
        }
        QCOMPARE(objets.size(), 3); // grand titre, barre, petit titre
    }
};

int main(int argc, char* argv[])
{
    // Un écran à double densité, comme avec QT_SCALE_FACTOR=2.
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication application(argc, argv);
    TstImages essais;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&essais, argc, argv);
}

#include "tst_images.moc"
