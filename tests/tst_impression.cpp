#include "print/composition.h"
#include "print/diaattente.h"
#include "print/diacocheeleve.h"
#include "print/diaimprimer.h"
#include "print/pages.h"
#include "print/tirage.h"
#include "support/dialogues.h"
#include "support/environnement.h"
#include "support/repondeuressai.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Faces écrites « A|B » en brochure, « A » en portrait (numéros de page), séparées d'un blanc.
QString decrire(const QList<FaceImprimee>& faces, bool brochure)
{
    QStringList textes;
    for (const FaceImprimee& face : faces)
        textes << (brochure ? QStringLiteral("%1|%2").arg(face.numberA).arg(face.numberB)
                            : QString::number(face.numberA));
    return textes.join(' ');
}

QVariant valeur(const QString& sql, const QVariantList& valeurs = {})
{
    QSqlQuery requete;
    requete.prepare(sql);
    for (const QVariant& v : valeurs)
        requete.addBindValue(v);
    if (!requete.exec())
        qFatal("requête refusée");
    return requete.next() ? requete.value(0) : requete.lastInsertId();
}

qint64 noeud(const QString& ref)
{
    return valeur("SELECT id_comp FROM competences WHERE ref=?", {ref}).toLongLong();
}

qint64 eleve(const QString& nom, const QString& prenom)
{
    return valeur("INSERT INTO eleves(id_classe,id_niveau,nom,prenom) VALUES(1,2,?,?)", {nom, prenom})
        .toLongLong();
}

void valider(qint64 idEleve, const QString& ref, const QString& date)
{
    valeur("INSERT INTO notes(id_eleve,id_comp,date) VALUES(?,?,?)", {idEleve, noeud(ref), date});
}

// Texte de chaque page d'un PDF, lu par pdftotext.
QStringList pagesPdf(const QString& chemin)
{
    QProcess processus;
    processus.start("pdftotext", {"-layout", chemin, "-"});
    processus.waitForFinished();
    QStringList pages = QString::fromUtf8(processus.readAllStandardOutput()).split('\f');
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

// Imprime en PDF par le tirage du programme : `dessin` reçoit le peintre, l'appareil et la vue.
template <typename Dessin> QStringList imprimerPdf(const QString& chemin, bool paysage, Dessin dessin)
{
    QPrinter imprimante(QPrinter::HighResolution);
    imprimante.setOutputFormat(QPrinter::PdfFormat);
    imprimante.setOutputFileName(chemin);
    imprimante.setFullPage(true);
    imprimante.setPageOrientation(paysage ? QPageLayout::Landscape : QPageLayout::Portrait);
    QPainter peintre(&imprimante);
    const QRect vue = Tirage::preparerPeintre(peintre);
    dessin(peintre, imprimante, vue);
    peintre.end();
    return pagesPdf(chemin);
}

template <typename T> T* enfant(QObject* parent, const char* nom)
{
    T* objet = parent->findChild<T*>(nom);
    if (!objet)
        qFatal("widget %s absent", nom);
    return objet;
}

// Imprimante PDF neuve sur `chemin`, comme celle que prête la fenêtre principale.
std::unique_ptr<QPrinter> imprimantePdf(const QString& chemin)
{
    auto imprimante = std::make_unique<QPrinter>(QPrinter::HighResolution);
    imprimante->setOutputFormat(QPrinter::PdfFormat);
    imprimante->setOutputFileName(chemin);
    return imprimante;
}

// Répond à la prochaine pause : note les pages du travail déjà envoyé, puis OK ou Abandonner.
std::shared_ptr<bool> pause(const QString& chemin, QStringList* pages, int* mode, bool poursuivre)
{
    return quandDialogue<diaAttente>([=](diaAttente* dialogue) {
        *pages = pagesPdf(chemin);
        *mode = dialogue->findChild<QGroupBox*>("gb1")->isVisibleTo(dialogue)   ? 0
                : dialogue->findChild<QGroupBox*>("gb2")->isVisibleTo(dialogue) ? 1
                                                                                : 2;
        enfant<QDialogButtonBox>(dialogue, "buttonBox")
            ->button(poursuivre ? QDialogButtonBox::Ok : QDialogButtonBox::Abort)
            ->click();
    });
}

// Les noms des élèves par page (MARTIN ou Lou), pour suivre l'ordre des pages d'un tirage.
QString eleves(const QStringList& pages)
{
    QStringList noms;
    for (const QString& page : pages)
        noms << (page.contains("MARTIN") ? "M" : page.contains("Lou") ? "L" : "-");
    return noms.join("");
}

} // namespace

class TstImpression : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> donnees;
    qint64 p1 = 0, p2 = 0, lou = 0, max = 0;

private slots:
    void initTestCase()
    {
        Environnement::preparer();
        donnees = Environnement::nouveauDossierDonnees();
        QVERIFY(Environnement::ouvrirBase());
        QVERIFY(Environnement::initialiserBase());
        p1 = noeud("P1");
        p2 = noeud("P2");
        valeur("INSERT INTO classes(id_classe,libelle,tri) VALUES(1,'CE1 A',0)");
        valeur("UPDATE general SET ecole=? WHERE id=1", {QString("École <Jules> & Cie\n12 rue Haute")});
        lou = eleve("Lou & Léa", "<b>Zoé");
        max = eleve("MARTIN", "Max");
        valider(lou, "P1C1", "2012-06-05");
        valider(max, "P1C1", "2012-06-07");
        valider(max, "P1C3", "2012-06-08");
        valider(max, "P1C6", "2012-06-09");
        valider(max, "P1C1A1", "2011-03-04");
    }
    void cleanupTestCase() { Environnement::fermerBase(); }
    void init() { OptionsImpression::courantes() = OptionsImpression(); }

    void ordre_data()
    {
        QTest::addColumn<int>("pages");
        QTest::addColumn<bool>("brochure");
        QTest::addColumn<int>("duplex");
        QTest::addColumn<QString>("faces");
        QTest::addColumn<QString>("rectoVerso");
        QTest::newRow("brochure 4") << 4 << true << 0 << "4|1 2|3"
                                    << "4|1 / 2|3";
        QTest::newRow("brochure 5 en 8") << 5 << true << 0 << "8|1 2|7 6|3 4|5"
                                         << "";
        QTest::newRow("brochure 8 continue") << 8 << true << 0 << "8|1 2|7 6|3 4|5"
                                             << "";
        QTest::newRow("brochure 8 bac haut") << 8 << true << 1 << "8|1 6|3 2|7 4|5"
                                             << "8|1 6|3 / 2|7 4|5";
        QTest::newRow("brochure 8 bac bas") << 8 << true << 2 << "8|1 6|3 4|5 2|7"
                                            << "8|1 6|3 / 4|5 2|7";
        QTest::newRow("brochure 12 bac haut") << 12 << true << 1 << "12|1 10|3 8|5 2|11 4|9 6|7"
                                              << "";
        QTest::newRow("portrait 3 continu") << 3 << false << 0 << "1 2 3"
                                            << "";
        QTest::newRow("portrait 3 bac haut") << 3 << false << 1 << "1 3 2 0"
                                             << "1 3 / 2 0";
        QTest::newRow("portrait 3 bac bas") << 3 << false << 2 << "1 3 0 2"
                                            << "1 3 / 0 2";
        QTest::newRow("portrait 4 bac bas") << 4 << false << 2 << "1 3 4 2"
                                            << "1 3 / 4 2";
        QTest::newRow("portrait 5 bac haut") << 5 << false << 1 << "1 3 5 2 4 0"
                                             << "";
    }
    void ordre()
    {
        QFETCH(int, pages);
        QFETCH(bool, brochure);
        QFETCH(int, duplex);
        QList<qint64> ids;
        for (int i = 0; i < pages; ++i)
            ids << 100 + i;
        const QList<FaceImprimee> faces = Pages::ordonner(ids, 7, brochure, duplex);
        QTEST(decrire(faces, brochure), "faces");
        QFETCH(QString, rectoVerso);
        if (!rectoVerso.isEmpty())
            QCOMPARE(decrire(Pages::recto(faces), brochure) + " / " + decrire(Pages::verso(faces), brochure),
                     rectoVerso);
        // Chaque numéro porte sa page, les pages ajoutées sont blanches.
        for (const FaceImprimee& face : faces) {
            QCOMPARE(face.pageA, face.numberA == 0 || face.numberA > pages ? 0 : 99 + face.numberA);
            QCOMPARE(face.pageB, face.numberB == 0 || face.numberB > pages ? 0 : 99 + face.numberB);
        }
        QCOMPARE(Pages::nombrePages(faces, brochure), brochure ? (pages + 3) / 4 * 4 : int(faces.size()));
    }

    void pagesEleve_data()
    {
        QTest::addColumn<bool>("toutes");
        QTest::addColumn<bool>("attestation");
        QTest::addColumn<QString>("refsLou");
        QTest::addColumn<QString>("refsMax");
        QTest::newRow("non validées + attestation") << false << true << "-P1 P1C3 P1C6"
                                                    << "";
        QTest::newRow("non validées") << false << false << "P1C3 P1C6"
                                      << "";
        QTest::newRow("toutes") << true << true << "-P1 P1C1 P1C3 P1C6"
                                << "-P1 P1C1 P1C3 P1C6";
    }
    void pagesEleve()
    {
        QFETCH(bool, toutes);
        QFETCH(bool, attestation);
        OptionsImpression options;
        options.compAll = toutes;
        options.withAttestation = attestation;
        auto refs = [&](qint64 id) {
            QStringList textes;
            for (qint64 page : Pages::pagesEleve(p1, id, options))
                textes << (page < 0
                               ? "-" +
                                     valeur("SELECT ref FROM competences WHERE id_comp=?", {-page}).toString()
                               : valeur("SELECT ref FROM competences WHERE id_comp=?", {page}).toString());
            return textes.join(' ');
        };
        QTEST(refs(lou), "refsLou");
        QTEST(refs(max), "refsMax");
    }

    void echappement()
    {
        OptionsImpression::courantes().teacher = "Mme A & B";
        const QString html = Composition::htmlAttestation(p1, lou, "École <Jules> & Cie\n12 rue Haute");
        QVERIFY(html.contains("École &lt;Jules&gt; &amp; Cie<br/>12 rue Haute</font></p>"));
        QVERIFY(html.contains(">Lou &amp; Léa &lt;b&gt;Zoé</font>"));
        QVERIFY(html.contains("L'enseignant :<br/>Mme A &amp; B</font>"));
        QVERIFY(html.contains("color=\"#808080\"") && html.contains(":/livret/gris.png"));
        // L'école de deux lignes est suivie de trois paragraphes vides.
        QCOMPARE(html.count("<p>&nbsp;</p>\n"), 1 + 3);
    }

    void pdfLivret_data()
    {
        QTest::addColumn<bool>("brochure");
        QTest::addColumn<QString>("langue");
        QTest::newRow("portrait") << false << "anglais";
        QTest::newRow("brochure sans langue") << true << "";
    }
    void pdfLivret()
    {
        QFETCH(bool, brochure);
        QFETCH(QString, langue);
        OptionsImpression& options = OptionsImpression::courantes();
        options.compAll = true;
        options.brochure = brochure;
        options.language = langue;
        const QString chemin = donnees->filePath("livret.pdf");
        const QList<FaceImprimee> faces = construirePages(p2, max);
        const QStringList pages =
            imprimerPdf(chemin, brochure, [&](QPainter& peintre, QPrinter& imprimante, QRect vue) {
                bool premiere = true;
                Tirage::imprimerFaces(peintre, imprimante, vue, faces, Pages::nombrePages(faces, brochure),
                                      brochure, Tirage::nomEcole(), premiere);
            });
        // Palier 2 : attestation et 7 compétences.
        QCOMPARE(pages.size(), brochure ? 4 : 8);
        const QString tout = pages.join('\f').simplified();
        QVERIFY(tout.contains("Attestation de maîtrise"));
        QVERIFY(tout.contains("École <Jules> & Cie"));
        QVERIFY(tout.contains("MARTIN Max"));
        QVERIFY(tout.contains(langue.isEmpty() ? "La maîtrise du niveau A1 est validée en ____________ le :"
                                               : "La maîtrise du niveau A1 est validée en anglais le :"));
        QVERIFY(tout.contains("La compétence 3 est validée au palier 2 le :"));
        QVERIFY(pages.first().contains("1/8") && pages.first().contains("8/8") == brochure);
        if (!brochure)
            QVERIFY(pages[1].contains("2/8") && !pages[1].contains("1/8"));
    }

    void pdfPalier1()
    {
        const QString chemin = donnees->filePath("p1.pdf");
        const QStringList pages =
            imprimerPdf(chemin, false, [&](QPainter& peintre, QPrinter& imprimante, QRect) {
                dessinerCompetence(peintre, noeud("P1C3"), max, 2, 4);
                imprimante.newPage();
                dessinerCompetence(peintre, noeud("P1C1"), max, 0, 0);
            });
        QCOMPARE(pages.size(), 2);
        QVERIFY(pages[1].simplified().contains("La compétence 1 est validée au palier 1 le : 07/06/2012"));
        QVERIFY(pages[1].contains("04/03/2011"));
        QVERIFY(!pages[1].contains(QRegularExpression("(^|\\s)\\d+ ?/ ?\\d+(\\s|$)")));
        QVERIFY(pages[0].simplified().contains("La compétence 3 est validée au palier 1 le : 08/06/2012"));
        QVERIFY(pages[0].contains("2/4"));
    }

    void pdfAttestationsPaysage()
    {
        const qint64 troisieme = eleve("TROIS", "Tom");
        const QStringList pages = imprimerPdf(
            donnees->filePath("att.pdf"), true, [&](QPainter& peintre, QPrinter& imprimante, QRect vue) {
                Tirage::imprimerAttestations(peintre, imprimante, vue, p1, {lou, max, troisieme}, true, "X");
            });
        valeur("DELETE FROM eleves WHERE id_eleve=?", {troisieme});
        QCOMPARE(pages.size(), 2);
        QVERIFY(pages[0].contains("Lou & Léa") && pages[0].contains("MARTIN Max") &&
                !pages[0].contains("TROIS"));
        QVERIFY(pages[1].contains("TROIS Tom"));
        QVERIFY(!pages.join(' ').contains(QRegularExpression("(^|\\s)\\d+ ?/ ?\\d+(\\s|$)")));
        QVERIFY(pages[0].contains("05/06/2012"));
    }

    // Une classe de 30 élèves au palier 2, toutes les compétences et l'attestation, en brochure.
    void rapidite()
    {
        OptionsImpression& options = OptionsImpression::courantes();
        options.compAll = true;
        options.brochure = true;
        QList<qint64> classe;
        for (int i = 0; i < 30; ++i)
            classe << eleve(QString("ELEVE%1").arg(i), "Prénom");
        QElapsedTimer chrono;
        chrono.start();
        const Tirage::ListeTirage liste = Tirage::construireToutesPages(p2, classe);
        const QStringList pages = imprimerPdf(
            donnees->filePath("classe.pdf"), true, [&](QPainter& peintre, QPrinter& imprimante, QRect vue) {
                bool premiere = true;
                for (const QList<FaceImprimee>& faces : liste)
                    Tirage::imprimerFaces(peintre, imprimante, vue, faces, 8, true, "X", premiere);
            });
        const qint64 duree = chrono.elapsed();
        for (qint64 id : classe)
            valeur("DELETE FROM eleves WHERE id_eleve=?", {id});
        QCOMPARE(pages.size(), 120);
        QVERIFY2(duree < 5000, qPrintable(QString::number(duree)));
    }

    void couleurs_data()
    {
        QTest::addColumn<bool>("gris");
        QTest::newRow("gris") << true;
        QTest::newRow("couleur") << false;
    }
    void couleurs()
    {
        QFETCH(bool, gris);
        OptionsImpression::courantes().grey = gris;
        QImage image(420, 594, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter peintre(&image);
            Tirage::preparerPeintre(peintre);
            dessinerCompetence(peintre, noeud("P1C1"), 0, 0, 0);
        }
        // La barre du premier domaine commence à y = 300 sans nom d'élève ni long titre.
        const QColor barre = image.pixelColor(210, 61);
        QCOMPARE(barre, gris ? QColor(128, 128, 128) : QColor(0, 172, 239));
        QCOMPARE(image.pixelColor(210, 59), QColor(Qt::white));

        // Les barres de l'attestation : « gris.png » en gris, la barre bleue du palier 1 sinon
        // (le titre en couleur a quelques points gris).
        image.fill(Qt::white);
        {
            QPainter peintre(&image);
            Tirage::preparerPeintre(peintre);
            dessinerAttestation(peintre, p1, lou, "X", 0, 0);
        }
        int grises = 0, bleues = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                grises += image.pixelColor(x, y) == QColor(150, 150, 150);
                bleues += image.pixelColor(x, y) == QColor(0, 172, 239);
            }
        QVERIFY2(gris ? grises > 100 && bleues == 0 : bleues > 100 && grises < 50,
                 qPrintable(QString("%1 %2").arg(grises).arg(bleues)));
    }

    void dialogueOuverture()
    {
        RepondeurEssai repondeur;
        auto imprimante = imprimantePdf(donnees->filePath("d.pdf"));
        diaImprimer dialogue(nullptr, imprimante.get());
        QVERIFY(!enfant<QGroupBox>(&dialogue, "gbPalier")->isChecked());
        QVERIFY(!enfant<QGroupBox>(&dialogue, "gbCompetence")->isChecked());
        QVERIFY(enfant<QRadioButton>(&dialogue, "rbGris")->isChecked());
        QVERIFY(enfant<QRadioButton>(&dialogue, "rbCompValides")->isChecked());
        QVERIFY(enfant<QRadioButton>(&dialogue, "rbCompFeuille")->isChecked());
        QVERIFY(enfant<QCheckBox>(&dialogue, "chkCompPilier")->isChecked());
        QCOMPARE(enfant<QLineEdit>(&dialogue, "edLangue")->text(), "allemand");
        QCOMPARE(dialogue.selection(), QList<qint64>({lou, max}));
        enfant<QGroupBox>(&dialogue, "gbPalier")->setChecked(true);
        enfant<QGroupBox>(&dialogue, "gbCompetence")->setChecked(true);
        QVERIFY(!enfant<QGroupBox>(&dialogue, "gbPalier")->isChecked());
        enfant<QGroupBox>(&dialogue, "gbCompetence")->setChecked(false);
        repondeur.accepterImpression();
        dialogue.btImprimanteClicked();
        dialogue.help();
        QVERIFY(repondeur.urlsOuvertes().value(0).toLocalFile().endsWith("/quorvel.pdf"));
        repondeur.bouton(QMessageBox::Ok);
        dialogue.accept();
        QCOMPARE(repondeur.dernier().texte, "Veuillez choisir ce qu'il faut imprimer");
        QCOMPARE(dialogue.result(), int(QDialog::Rejected));
        QVERIFY(repondeur.sansImprevu());
    }

    void imprimanteInvalide()
    {
        RepondeurEssai repondeur;
        // Sans système d'impression, la boîte à outils tient toute imprimante pour valide :
        // l'absence d'imprimante tient lieu d'imprimante invalide.
        diaImprimer dialogue(nullptr, nullptr);
        enfant<QGroupBox>(&dialogue, "gbPalier")->setChecked(true);
        repondeur.bouton(QMessageBox::Ok);
        dialogue.accept();
        QCOMPARE(repondeur.dernier().titre, "Impossible d'imprimer");
        QCOMPARE(repondeur.dernier().texte, "L'imprimante n'est pas valide.");
        QCOMPARE(dialogue.result(), int(QDialog::Rejected));
    }

    // Un refus à une confirmation n'imprime rien ; les choix restent pour la fois suivante.
    void confirmationsRefusees_data()
    {
        QTest::addColumn<bool>("competences");
        QTest::addColumn<QString>("enseignant");
        QTest::addColumn<QString>("ecole");
        QTest::addColumn<QString>("titre");
        QTest::newRow("attestations, enseignant") << false << ""
                                                  << "E"
                                                  << "Nom de l'enseignant ?";
        QTest::newRow("attestations, école") << false << "M. X"
                                             << ""
                                             << "Oh, oh!";
        QTest::newRow("compétences, langue") << true << "M. X"
                                             << "E"
                                             << "Langue vivante!";
    }
    void confirmationsRefusees()
    {
        QFETCH(bool, competences);
        QFETCH(QString, enseignant);
        QFETCH(QString, ecole);
        RepondeurEssai repondeur;
        const QString ecoleAvant = Tirage::nomEcole();
        valeur("UPDATE general SET ecole=? WHERE id=1", {ecole});
        const QString chemin = donnees->filePath("refus.pdf");
        QFile::remove(chemin);
        auto imprimante = imprimantePdf(chemin);
        {
            diaImprimer dialogue(nullptr, imprimante.get());
            enfant<QComboBox>(&dialogue, "cbPalier")->setCurrentIndex(1);
            enfant<QGroupBox>(&dialogue, competences ? "gbCompetence" : "gbPalier")->setChecked(true);
            enfant<QLineEdit>(&dialogue, "edEnseignant")->setText(enseignant);
            enfant<QLineEdit>(&dialogue, "edLangue")->setText(" ");
            enfant<QRadioButton>(&dialogue, "rbCoul")->setChecked(true);
            repondeur.bouton(QMessageBox::No);
            dialogue.accept();
            QTEST(repondeur.dernier().titre, "titre");
            QCOMPARE(dialogue.result(), int(QDialog::Rejected));
        }
        valeur("UPDATE general SET ecole=? WHERE id=1", {ecoleAvant});
        QVERIFY(!QFile::exists(chemin));
        diaImprimer dialogue(nullptr, imprimante.get());
        QVERIFY(enfant<QGroupBox>(&dialogue, competences ? "gbCompetence" : "gbPalier")->isChecked());
        QVERIFY(enfant<QRadioButton>(&dialogue, "rbCoul")->isChecked());
        QCOMPARE(enfant<QComboBox>(&dialogue, "cbPalier")->currentIndex(), 1);
        QVERIFY(repondeur.sansImprevu());
    }

    void attestationsSeules_data()
    {
        QTest::addColumn<int>("filtre");
        QTest::addColumn<bool>("paysage");
        QTest::addColumn<QString>("feuilles");
        QTest::newRow("toutes, portrait") << 0 << false << "L M";
        QTest::newRow("toutes, paysage") << 0 << true << "LM";
        QTest::newRow("palier validé") << 1 << false << "M";
        QTest::newRow("palier non validé, paysage") << 2 << true << "L";
    }
    void attestationsSeules()
    {
        QFETCH(int, filtre);
        QFETCH(bool, paysage);
        RepondeurEssai repondeur;
        OptionsImpression& options = OptionsImpression::courantes();
        options.teacher = "M. X";
        options.what = 1;
        options.palierId = p1;
        options.palierFilter = filtre;
        options.palierLandscape = paysage;
        const QString chemin = donnees->filePath("attestations.pdf");
        auto imprimante = imprimantePdf(chemin);
        diaImprimer dialogue(nullptr, imprimante.get());
        dialogue.accept();
        QCOMPARE(dialogue.result(), int(QDialog::Accepted));
        QStringList feuilles;
        for (const QString& page : pagesPdf(chemin)) {
            feuilles << QString(page.contains("Lou") ? "L" : "") + (page.contains("MARTIN") ? "M" : "");
            QVERIFY(!page.contains(QRegularExpression("(^|\\s)\\d+ ?/ ?\\d+(\\s|$)")));
        }
        QTEST(feuilles.join(' '), "feuilles");
        QVERIFY(repondeur.sansImprevu());
    }

    void rienAImprimer()
    {
        RepondeurEssai repondeur;
        OptionsImpression::courantes().teacher = "M. X";
        auto imprimante = imprimantePdf(donnees->filePath("rien.pdf"));
        diaImprimer dialogue(nullptr, imprimante.get());
        QList<qint64> selection{lou};
        // Décocher tout laisse le dialogue ouvert et la sélection vide, même après Annuler.
        quandDialogue<diaCocheEleve>([](diaCocheEleve* coche) {
            enfant<QCheckBox>(coche, "chkCoche")->setChecked(false);
            enfant<QDialogButtonBox>(coche, "buttonBox")->button(QDialogButtonBox::Ok)->click();
            QVERIFY(coche->isVisible());
            enfant<QDialogButtonBox>(coche, "buttonBox")->button(QDialogButtonBox::Cancel)->click();
        });
        dialogue.btEleveClick();
        QVERIFY(dialogue.selection().isEmpty());
        // Le palier 1 ne demande jamais la langue.
        OptionsImpression::courantes().language.clear();
        repondeur.bouton(QMessageBox::Ok);
        QVERIFY(!dialogue.imprimerCompetences(p1));
        QCOMPARE(repondeur.dernier().texte, "Aucun élève n'est imprimé.");
        QVERIFY(repondeur.sansImprevu());
    }

    // Recto/verso manuel à deux élèves : les rectos en un travail, une pause, puis les versos
    // (ordre inverse des élèves pour le bac bas).
    void rectoVersoManuel_data()
    {
        QTest::addColumn<int>("duplex");
        QTest::addColumn<bool>("brochure");
        QTest::addColumn<QString>("recto");
        QTest::addColumn<QString>("verso");
        QTest::newRow("portrait bac haut") << 1 << false << "LLMM"
                                           << "LLMM";
        QTest::newRow("portrait bac bas") << 2 << false << "LLMM"
                                          << "MMLL";
        QTest::newRow("brochure bac bas") << 2 << true << "LM"
                                          << "ML";
    }
    void rectoVersoManuel()
    {
        QFETCH(int, duplex);
        QFETCH(bool, brochure);
        RepondeurEssai repondeur;
        OptionsImpression& options = OptionsImpression::courantes();
        options.teacher = "M. X";
        options.compAll = true;
        options.what = 2;
        options.palierId = p1;
        options.duplex = duplex;
        options.brochure = brochure;
        const QString chemin = donnees->filePath("rv.pdf");
        auto imprimante = imprimantePdf(chemin);
        diaImprimer dialogue(nullptr, imprimante.get());
        QStringList recto;
        int mode = -1;
        auto fait = pause(chemin, &recto, &mode, true);
        dialogue.accept();
        QVERIFY(*fait);
        QCOMPARE(mode, duplex - 1);
        QTEST(eleves(recto), "recto");
        const QStringList verso = pagesPdf(chemin);
        QTEST(eleves(verso), "verso");
        // Palier 1 en portrait : attestation et 3 compétences, faces 1 3 puis 2 4 (bac haut).
        if (!brochure && duplex == 1)
            QVERIFY(recto[1].contains("3/4") && verso[0].contains("2/4") && verso[1].contains("4/4"));
        QCOMPARE(dialogue.result(), int(QDialog::Accepted));
        QVERIFY(repondeur.sansImprevu());
    }

    // Élève par élève : Abandonner à la pause du premier élève arrête tout et ferme le dialogue.
    void abandon()
    {
        RepondeurEssai repondeur;
        OptionsImpression& options = OptionsImpression::courantes();
        options.teacher = "M. X";
        options.compAll = true;
        options.what = 2;
        options.palierId = p1;
        options.duplex = 1;
        options.oneByOne = true;
        const QString chemin = donnees->filePath("abandon.pdf");
        auto imprimante = imprimantePdf(chemin);
        diaImprimer dialogue(nullptr, imprimante.get());
        QStringList recto;
        int mode = -1;
        auto fait = pause(chemin, &recto, &mode, false);
        dialogue.accept();
        QVERIFY(*fait);
        QCOMPARE(eleves(recto), "LL");
        QCOMPARE(eleves(pagesPdf(chemin)), "LL");
        QCOMPARE(dialogue.result(), int(QDialog::Accepted));
    }

    void coche()
    {
        const qint64 abel = eleve("ABEL", "Zed");
        valeur("UPDATE eleves SET id_niveau=1 WHERE id_eleve=?", {abel});
        QList<qint64> selection{max};
        {
            diaCocheEleve dialogue(nullptr, 1, selection);
            auto* liste = enfant<QListWidget>(&dialogue, "lw");
            QCOMPARE(liste->item(0)->text(), "ABEL Zed - CP");
            QCOMPARE(liste->item(2)->checkState(), Qt::Checked);
            QCOMPARE(liste->item(1)->checkState(), Qt::Unchecked);
            enfant<QCheckBox>(&dialogue, "chkCoche")->setChecked(false);
            enfant<QCheckBox>(&dialogue, "chkCoche")->setChecked(true);
            dialogue.accept();
        }
        valeur("DELETE FROM eleves WHERE id_eleve=?", {abel});
        QCOMPARE(selection, QList<qint64>({abel, lou, max}));
    }
};

QTEST_MAIN(TstImpression)
#include "tst_impression.moc"
