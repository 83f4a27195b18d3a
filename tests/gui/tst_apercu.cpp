// SPDX-License-Identifier: GPL-3.0-or-later
// L'aperçu avant impression des livrets et des attestations, ouvert par « Aperçu... » du dialogue
// d'impression : ses pages sont celles que le tirage envoie (ordre, brochure, pages blanches du
// recto/verso manuel, numéros), ses images suivent, « Imprimer » envoie ce tirage-là, le fermer
// n'imprime rien et arrête les dessins, une base illisible est dite. Le plan et le dessin des
// feuilles sont essayés dans le cœur (tests/core/tst_tirage) ; l'aperçu du bilan dans tst_diabilan.
#include "gui/commun/diaapercu.h"
#include "gui/print/diaattente.h"
#include "gui/print/diaimprimer.h"
#include "support/apercu.h"
#include "support/clavier.h"
#include "support/dialogues.h"
#include "support/donnees.h"
#include "support/environnement.h"
#include "support/repondeuressai.h"
#include "support/sql.h"

#include <QDialogButtonBox>
#include <QPrinter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

QAbstractButton* bouton(QWidget* dialogue, const QString& texte)
{
    for (QAbstractButton* b : dialogue->findChild<QDialogButtonBox*>("buttonBox")->buttons())
        if (b->text() == texte)
            return b;
    return nullptr;
}

// L'élève de chaque page, L (LEROY Lou), M (MARTIN Max), ou « - » pour une page blanche.
QString eleves(const QStringList& pages)
{
    QStringList lettres;
    for (const QString& page : pages) {
        const QString lettre =
            QString(page.contains("LEROY") ? "L" : "") + (page.contains("MARTIN") ? "M" : "");
        lettres << (lettre.isEmpty() ? "-" : lettre);
    }
    return lettres.join(' ');
}

// Vrai quand l'image n'a que du blanc.
bool blanche(const QImage& image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* ligne = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x)
            if (ligne[x] != qRgb(255, 255, 255))
                return false;
    }
    return true;
}

} // namespace

class TstApercu : public QObject
{
    Q_OBJECT
    Environnement::Dossier donnees;
    OptionsImpression options;
    std::unique_ptr<QPrinter> imprimante;
    QString chemin; // le fichier PDF de l'imprimante

    // Un tirage des deux élèves au palier 1, toutes les compétences.
    void choisir(int quoi, bool paysage, bool attestation, int duplex, bool parEleve)
    {
        options = OptionsImpression();
        options.teacher = "M. X";
        options.compAll = true;
        options.palierId = Sql::idRef("P1");
        options.what = quoi;
        options.palierLandscape = options.brochure = paysage;
        options.withAttestation = attestation;
        options.duplex = duplex;
        options.oneByOne = parEleve;
        chemin = donnees->filePath("tirage.pdf");
        QFile::remove(chemin);
        imprimante = std::make_unique<QPrinter>(QPrinter::HighResolution);
        imprimante->setOutputFormat(QPrinter::PdfFormat);
        imprimante->setOutputFileName(chemin);
    }

private Q_SLOTS:
    void initTestCase()
    {
        Environnement::preparer();
        QVERIFY(Environnement::nouvelleBase(donnees));
        Sql::valeur("INSERT INTO classes(id_classe,libelle,tri) VALUES(1,'CE1 A',0)");
        Sql::valeur("UPDATE general SET ecole='École du Bourg' WHERE id=1");
        Sql::valeur("INSERT INTO eleves(id_classe,id_niveau,nom,prenom) VALUES(1,2,'LEROY','Lou'),"
                    "(1,2,'MARTIN','Max')");
    }

    // « Aperçu... » puis « Imprimer » : les pages montrées sont, une à une, celles que le tirage
    // écrit (les rectos relus à la pause, chaque envoi remplaçant le fichier) ; les images
    // montrées, atteintes au clavier, sont blanches là où la page l'est.
    void apercuPuisTirage_data()
    {
        QTest::addColumn<int>("quoi"); // 1 attestations seules, 2 compétences
        QTest::addColumn<bool>("paysage");
        QTest::addColumn<bool>("attestation");
        QTest::addColumn<int>("duplex");
        QTest::addColumn<bool>("parEleve");
        QTest::addColumn<QString>("pages");
        ligne("attestations, deux par feuille", 1, true, true, 0, false, "LM");
        ligne("portrait continu", 2, false, false, 0, false, "L L L M M M");
        ligne("portrait bac haut : dos blancs", 2, false, false, 1, false, "L L M M L - M -");
        ligne("brochure continue", 2, true, true, 0, false, "L L M M");
        ligne("brochure bac bas : versos à rebours", 2, true, true, 2, false, "L M M L");
        ligne("élève par élève", 2, false, true, 1, true, "L L L L M M M M");
    }
    void apercuPuisTirage()
    {
        QFETCH(int, quoi);
        QFETCH(bool, paysage);
        QFETCH(bool, attestation);
        QFETCH(int, duplex);
        QFETCH(bool, parEleve);
        choisir(quoi, paysage, attestation, duplex, parEleve);
        RepondeurEssai repondeur;
        diaImprimer dialogue(nullptr, imprimante.get(), options);
        QStringList montrees, imprimees;
        const auto fait = quandDialogue<diaApercu>([&](diaApercu* apercu) {
            montrees = Apercu::pages(*apercu, donnees->filePath("apercu.pdf"));
            QCOMPARE(montrees.size(), apercu->nombre());
            QTEST(eleves(montrees), "pages");
            auto* vue = apercu->findChild<QWidget*>("vue");
            QCOMPARE(QApplication::focusWidget(), vue);
            for (int page = 0; page < apercu->nombre(); ++page) {
                if (page > 0)
                    QTest::keyClick(vue, Qt::Key_PageDown);
                QCOMPARE(apercu->premiere(), page);
                QTRY_VERIFY(apercu->montrees());
                QVERIFY(!apercu->image(page).isNull());
                QCOMPARE(blanche(apercu->image(page)), montrees[page].trimmed().isEmpty());
            }
            // Chaque pause relit l'envoi qui la précède.
            const int pauses = duplex == 0 ? 0 : parEleve ? 4 : 1;
            for (int pause = 0; pause < pauses; ++pause)
                quandDialogue<diaAttente>([&](diaAttente* attente) {
                    imprimees << Pdf::pages(chemin);
                    attente->findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Ok)->click();
                });
            repondeur.bouton(QMessageBox::Ok); // le tirage enregistré dans le fichier
            bouton(apercu, "&Imprimer")->click();
        });
        bouton(&dialogue, "A&perçu...")->click();
        QVERIFY(*fait);
        if (!parEleve)
            imprimees << Pdf::pages(chemin);
        QCOMPARE(Apercu::resserrees(imprimees), Apercu::resserrees(montrees));
        QVERIFY(repondeur.dernier().texte.startsWith("Le tirage a été enregistré dans le fichier"));
        QCOMPARE(dialogue.result(), int(QDialog::Accepted)); // comme après OK
    }

    // L'aperçu fermé (Échap) pendant qu'il dessine : rien n'est imprimé ni dit, le dialogue
    // d'impression reste ouvert ; plus rien n'est dessiné ensuite.
    void fermeture()
    {
        choisir(2, true, true, 1, false);
        RepondeurEssai repondeur;
        diaImprimer dialogue(nullptr, imprimante.get(), options);
        const auto fait = quandDialogue<diaApercu>([&](diaApercu* apercu) {
            QTest::keyClick(apercu->findChild<QWidget*>("vue"), Qt::Key_End);
            Clavier::gestes(apercu, "Échap");
            QVERIFY(!apercu->isVisible());
        });
        bouton(&dialogue, "A&perçu...")->click();
        QVERIFY(*fait);
        QVERIFY(!QFile::exists(chemin));
        QVERIFY(repondeur.messages().isEmpty());
        QCOMPARE(dialogue.result(), int(QDialog::Rejected));

        const std::unique_ptr<diaApercu> apercu = dialogue.preparerApercu();
        QVERIFY(apercu);
        apercu->show();
        apercu->suivante();
        apercu->reject();
        const int dessinees = apercu->dessinees();
        QTest::qWait(100);
        QCOMPARE(apercu->dessinees(), dessinees);
    }

    // Une base tenue ailleurs pendant l'aperçu : la page qui n'a pas pu être lue le dit (une seule
    // fois par un message, puis sur chaque page), au lieu d'être montrée blanche ; revue quand la
    // base se libère, elle est dessinée.
    void baseTenue()
    {
        choisir(2, true, true, 0, false);
        RepondeurEssai repondeur;
        diaImprimer dialogue(nullptr, imprimante.get(), options);
        const std::unique_ptr<diaApercu> apercu = dialogue.preparerApercu();
        QVERIFY(apercu);
        apercu->show();
        QTRY_VERIFY(apercu->montrees());
        const QString lectureImpossible = "La base de données n'a pas pu être lue";
        {
            Environnement::VerrouBase verrou;
            QVERIFY(verrou.tenu());
            repondeur.bouton(QMessageBox::Ok);
            apercu->dernierePage();
            QTRY_VERIFY(apercu->montrees());
            QCOMPARE(repondeur.dernier().titre, "Lecture impossible");
            QVERIFY(repondeur.dernier().texte.startsWith(lectureImpossible));
            QVERIFY(apercu->image(3).isNull());
            QVERIFY(apercu->echec(3).startsWith(lectureImpossible));
            apercu->precedente();
            QTRY_VERIFY(apercu->montrees());
            QVERIFY(apercu->echec(2).startsWith(lectureImpossible));
            QCOMPARE(repondeur.messages().size(), 1);
        }
        apercu->dernierePage();
        QTRY_VERIFY(apercu->montrees());
        QVERIFY(!apercu->image(3).isNull() && apercu->echec(3).isEmpty());
    }

    // Au clavier : le focus part des pages, chaque contrôle est annoncé par son nom.
    void clavier_data()
    {
        Clavier::colonnes();
        ligne("départ", "", "vue|Pages de l'aperçu");
        ligne("vers les boutons", "Tab", "Imprimer|Imprimer");
        ligne("fermer", "Tab Tab", "Close|Close");
        ligne("zoom", "Maj+Tab", "btAgrandir|Agrandir");
        ligne("numéro de page", "Maj+Tab Maj+Tab Maj+Tab Maj+Tab Maj+Tab Maj+Tab Maj+Tab Maj+Tab",
              "edPage|Page :");
    }
    void clavier()
    {
        QFETCH(QString, gestes);
        choisir(2, false, true, 0, false);
        RepondeurEssai repondeur;
        diaImprimer dialogue(nullptr, imprimante.get(), options);
        const std::unique_ptr<diaApercu> apercu = dialogue.preparerApercu();
        QVERIFY(apercu);
        QTEST(Clavier::apres(apercu.get(), gestes), "attendu");
    }
};

QTEST_MAIN(TstApercu)
#include "tst_apercu.moc"
