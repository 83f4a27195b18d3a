// SPDX-License-Identifier: GPL-3.0-or-later
// Le dialogue du bilan LPC : choix de la classe et du palier, retouche, enregistrement, impression,
// avertissement, clavier. Le bilan lui-même est essayé dans le cœur (tests/core/tst_bilan).
#include "core/report/bilan.h"
#include "gui/mainwindow/mainwindow.h"
#include "gui/report/diabilan.h"
#include "support/apercu.h"
#include "support/clavier.h"
#include "support/dialogues.h"
#include "support/donnees.h"
#include "support/environnement.h"
#include "support/repondeuressai.h"
#include "support/sql.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>

// Palier d'essai « P9 » (une compétence, un agrégat, un item), une classe d'un élève au nom piégé.
namespace {
enum : qint64 { P9 = 9000, C1, A1, I1, CM2 };
} // namespace

class TstDiaBilan : public QObject
{
    Q_OBJECT
    Environnement::Dossier dossier;

private Q_SLOTS:
    void initTestCase()
    {
        Environnement::preparer();
        QVERIFY(Environnement::nouvelleBase(dossier));
        Sql::valeur("INSERT INTO competences(id_comp,id_comp_parent,libelle,profondeur,numero,ref) VALUES"
                    "(?,0,'Palier neuf',0,9,'P9'),(?,?,'Langue',1,1,'P9C1'),(?,?,'Dire',2,1,'P9C1A'),"
                    "(?,?,'Parler',3,1,'P9C1A1')",
                    {P9, C1, P9, A1, C1, I1, A1});
        Sql::valeur("INSERT INTO classes(id_classe,libelle,tri) VALUES(?,'CM2 <B> & Cie',1)", {CM2});
        Sql::valeur("INSERT INTO eleves(id_eleve,id_classe,id_niveau,nom,prenom) VALUES(2,?,5,'DUPONT & "
                    "<fils>','Léa')",
                    {CM2});
        Sql::valeur("INSERT INTO notes(id_eleve,id_comp,date) VALUES(2,?,'2012-05-04')", {I1});
    }

    // Par l'action de la fenêtre principale, avec son imprimante.
    void dialogue()
    {
        RepondeurEssai repondeur; // un choix de fichier imprévu ferait échouer l'essai
        MainWindow principale;
        QTemporaryDir cible;
        principale.imprimante()->setOutputFormat(QPrinter::PdfFormat);
        principale.imprimante()->setOutputFileName(cible.filePath("bilan.pdf"));
        // L'imprimante telle que la laisse une brochure.
        principale.imprimante()->setFullPage(true);
        principale.imprimante()->setPageOrientation(QPageLayout::Landscape);
        const auto fait = quandDialogue<DiaBilan>([&](DiaBilan* dia) {
            const std::shared_ptr<void> fermeture(nullptr, [dia](void*) { dia->reject(); });
            auto* boutons = dia->findChild<QDialogButtonBox*>("buttonBox");
            auto* classes = dia->findChild<QComboBox*>("cbClasse");
            auto* paliers = dia->findChild<QComboBox*>("cbPalier");
            auto* actualiser = dia->findChild<QToolButton*>("btActualiser");
            // Rien à enregistrer ni à imprimer avant le premier bilan : les boutons le disent.
            QAbstractButton* enregistrer = boutons->button(QDialogButtonBox::Save);
            QVERIFY(!enregistrer->isEnabled());
            QVERIFY(enregistrer->toolTip().startsWith("Affichez d'abord le bilan"));
            classes->setCurrentIndex(classes->findData(CM2));
            paliers->setCurrentIndex(paliers->findData(qint64(P9)));
            actualiser->click();
            auto* texte = dia->findChild<QTextEdit*>("edTexte");
            QVERIFY(texte->toPlainText().contains("DUPONT & <fils> Léa (CM2)"));
            texte->append("Retouche de l'enseignant");
            QVERIFY(enregistrer->isEnabled() && enregistrer->toolTip().isEmpty());
            // Enregistré : le chemin entier est dit.
            repondeur.chemin(cible.filePath("bilan.html"));
            repondeur.bouton(QMessageBox::Ok);
            enregistrer->click();
            QCOMPARE(repondeur.dernierMessage(),
                     "Bilan enregistré|Le bilan a été enregistré dans le fichier « " +
                         QDir::toNativeSeparators(cible.filePath("bilan.html")) + " ».");
            auto imprimer = [&](const QString& fichier) {
                repondeur.accepterImpression(cible.filePath(fichier));
                repondeur.bouton(QMessageBox::Ok);
                for (QAbstractButton* bouton : boutons->buttons())
                    if (bouton->text() == "&Imprimer")
                        bouton->click();
                return repondeur.dernier().texte;
            };
            QVERIFY(imprimer("absent/bilan.pdf")
                        .startsWith("Le fichier « " + cible.filePath("absent/bilan.pdf") +
                                    " » n'a pas pu être écrit : son dossier n'existe pas"));
            QCOMPARE(imprimer("bilan.pdf"),
                     "Le bilan a été enregistré dans le fichier « " + cible.filePath("bilan.pdf") + " ».");
            // Filtre des niveaux sur un palier ni P1 ni P2 : l'avertissement.
            dia->findChild<QCheckBox*>("chkNiveau")->setChecked(true);
            repondeur.bouton(QMessageBox::Ok);
            actualiser->click();
            QCOMPARE(repondeur.dernier().texte,
                     "Impossible de trouver une référence au palier demandé, dans la base de données.");
        });
        principale.findChild<QAction*>("acBilan")->trigger();
        QVERIFY(*fait);
        QCOMPARE(Bilan::cheminPropose("CM2 <B> & Cie"),
                 cible.path() + "/CM2 -B- & Cie.html"); // dossier retenu
        QFile fichier(cible.filePath("bilan.html"));
        const QString contenu = fichier.open(QIODevice::ReadOnly) ? QString::fromUtf8(fichier.readAll()) : "";
        QVERIFY(contenu.contains("Retouche de l'enseignant") && contenu.contains("&amp; &lt;fils&gt;"));
        QVERIFY(!contenu.contains("<fils>") && QFileInfo(cible.filePath("bilan.pdf")).size() > 0);
        // Imprimé en portrait.
        QProcess pdfinfo;
        pdfinfo.start("pdfinfo", {cible.filePath("bilan.pdf")});
        pdfinfo.waitForFinished();
        const QRegularExpressionMatch taille = QRegularExpression("Page size: *([0-9.]+) x ([0-9.]+)")
                                                   .match(QString::fromUtf8(pdfinfo.readAll()));
        QVERIFY(taille.hasMatch() && taille.captured(1).toDouble() < taille.captured(2).toDouble());
    }

    // L'aperçu du bilan retouché, sur plusieurs pages : ce sont, page pour page, celles que
    // « Imprimer » (depuis l'aperçu) envoie à l'imprimante. Rien à montrer avant le premier bilan.
    void apercu()
    {
        RepondeurEssai repondeur;
        QTemporaryDir cible;
        QPrinter imprimante(QPrinter::HighResolution);
        imprimante.setOutputFormat(QPrinter::PdfFormat);
        imprimante.setOutputFileName(cible.filePath("bilan.pdf"));
        DiaBilan dialogue(nullptr, &imprimante);
        QVERIFY(!dialogue.preparerApercu());
        auto* classes = dialogue.findChild<QComboBox*>("cbClasse");
        auto* paliers = dialogue.findChild<QComboBox*>("cbPalier");
        classes->setCurrentIndex(classes->findData(CM2));
        paliers->setCurrentIndex(paliers->findData(qint64(P9)));
        dialogue.findChild<QToolButton*>("btActualiser")->click();
        auto* texte = dialogue.findChild<QTextEdit*>("edTexte");
        for (int ligne = 1; ligne <= 120; ++ligne)
            texte->append(QString("Retouche %1").arg(ligne));
        const std::unique_ptr<diaApercu> apercu = dialogue.preparerApercu();
        QVERIFY(apercu && apercu->nombre() > 1);
        const QStringList montrees = Apercu::pages(*apercu, cible.filePath("apercu.pdf"));
        QVERIFY(montrees.constFirst().contains("Léa (CM2)") && montrees.constLast().contains("Retouche 120"));
        repondeur.accepterImpression(cible.filePath("bilan.pdf"));
        repondeur.bouton(QMessageBox::Ok);
        apercu->imprimer();
        QCOMPARE(apercu->result(), int(QDialog::Accepted));
        QCOMPARE(Apercu::resserrees(Pdf::pages(cible.filePath("bilan.pdf"))), Apercu::resserrees(montrees));
    }

    // Au clavier : chaque contrôle annoncé par son nom, et Tab sort du texte du bilan.
    void clavier_data()
    {
        Clavier::colonnes();
        ligne("départ", "", "cbClasse|Classe :");
        ligne("actualiser", "Tab Tab", "btActualiser|Réactualiser");
        ligne("texte", "Tab Tab Tab Tab", "edTexte|Bilan");
        // Avant le premier bilan, Enregistrer et Imprimer sont grisés : Tab va à Fermer.
        ligne("sortie du texte", "Tab Tab Tab Tab Tab", "Close|Close");
    }
    void clavier()
    {
        QFETCH(QString, gestes);
        RepondeurEssai repondeur;
        QPrinter imprimante;
        DiaBilan dialogue(nullptr, &imprimante);
        QTEST(Clavier::apres(&dialogue, gestes), "attendu");
    }
};

QTEST_MAIN(TstDiaBilan)
#include "tst_diabilan.moc"
