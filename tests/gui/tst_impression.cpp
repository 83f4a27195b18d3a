// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/print/composition.h"
#include "core/print/pages.h"
#include "core/print/tirage.h"
#include "gui/print/diaattente.h"
#include "gui/print/diacocheeleve.h"
#include "gui/print/diaimprimer.h"
#include "support/clavier.h"
#include "support/dialogues.h"
#include "support/donnees.h"
#include "support/environnement.h"
#include "support/repondeuressai.h"
#include "support/serveurcups.h"
#include "support/sql.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScopeGuard>
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

using Sql::valeur;

template <typename T> T* w(QObject* parent, const char* nom)
{
    return parent->findChild<T*>(nom);
}

qint64 eleve(const QString& nom, const QString& prenom)
{
    return valeur("INSERT INTO eleves(id_classe,id_niveau,nom,prenom) VALUES(1,2,?,?)", {nom, prenom})
        .toLongLong();
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

// Les élèves de chaque page (L : Lou, M : MARTIN, T : TROIS), pour suivre l'ordre d'un tirage.
QString eleves(const QStringList& pages, const QString& separateur = "")
{
    QStringList noms;
    for (const QString& page : pages)
        noms << QString(page.contains("Lou") ? "L" : "") + (page.contains("MARTIN") ? "M" : "") +
                    (page.contains("TROIS Tom") ? "T" : "");
    return noms.join(separateur);
}

// Imprimante PDF neuve sur `chemin`, comme celle que prête la fenêtre principale.
std::unique_ptr<QPrinter> imprimantePdf(const QString& chemin)
{
    auto imprimante = std::make_unique<QPrinter>(QPrinter::HighResolution);
    imprimante->setOutputFormat(QPrinter::PdfFormat);
    imprimante->setOutputFileName(chemin);
    return imprimante;
}

// Imprime en PDF par le tirage du programme : `dessin` reçoit le peintre, l'appareil et la vue.
template <typename Dessin> QStringList imprimerPdf(const QString& chemin, bool paysage, Dessin dessin)
{
    auto imprimante = imprimantePdf(chemin);
    imprimante->setFullPage(true);
    imprimante->setPageOrientation(paysage ? QPageLayout::Landscape : QPageLayout::Portrait);
    QPainter peintre(imprimante.get());
    dessin(peintre, *imprimante, Tirage::preparerPeintre(peintre));
    peintre.end();
    return pagesPdf(chemin);
}

// Répondeur qui agit quand un message est montré, avant que la réponse préparée ne soit donnée.
class RepondeurAgissant : public RepondeurEssai
{
public:
    std::function<void()> action;

protected:
    void noter(const Invite::Message&) override
    {
        if (action)
            action();
    }
};

// Choisit l'imprimante du dialogue par « Imprimantes... » : un fichier PDF (chemin absolu) ou une
// file ; le dialogue la montre.
void choisirImprimante(QDialog& dialogue, RepondeurEssai& repondeur, const QString& choix)
{
    repondeur.accepterImpression(choix);
    w<QPushButton>(&dialogue, "btImprimante")->click();
    QCOMPARE(w<QLineEdit>(&dialogue, "edImprimante")->text(), choix);
}

// Les options d'un tirage du palier 1, toutes les compétences, par « M. X ».
OptionsImpression& optionsTirage(qint64 palier)
{
    OptionsImpression& options = OptionsImpression::courantes();
    options.teacher = "M. X";
    options.compAll = true;
    options.palierId = palier;
    return options;
}

// Clique OK sur les `nombre` prochaines pauses du recto/verso manuel ; `avant` est fait à chaque pause.
void passerPauses(int nombre, const std::function<void()>& avant = {})
{
    if (nombre <= 0)
        return;
    quandDialogue<diaAttente>([=](diaAttente* attente) {
        if (avant)
            avant();
        passerPauses(nombre - 1, avant);
        w<QDialogButtonBox>(attente, "buttonBox")->button(QDialogButtonBox::Ok)->click();
    });
}

} // namespace

class TstImpression : public QObject
{
    Q_OBJECT

    Environnement::Dossier donnees;
    qint64 p1 = 0, p2 = 0, lou = 0, max = 0;
    ServeurCups serveur; // démarré avant tout usage de l'impression de Qt
    QString sansCups;    // pourquoi le serveur n'a pas démarré

private slots:
    void initTestCase()
    {
        if (!serveur.demarrer(&sansCups))
            qWarning("serveur d'impression à part indisponible : %s", qPrintable(sansCups));
        Environnement::preparer();
        donnees = Environnement::nouveauDossierDonnees();
        QVERIFY(Environnement::ouvrirBase());
        QVERIFY(Environnement::initialiserBase());
        p1 = Sql::idRef("P1");
        p2 = Sql::idRef("P2");
        valeur("INSERT INTO classes(id_classe,libelle,tri) VALUES(1,'CE1 A',0)");
        valeur("UPDATE general SET ecole=? WHERE id=1", {QString("École <Jules> & Cie\n12 rue Haute")});
        lou = eleve("Lou & Léa", "<b>Zoé");
        max = eleve("MARTIN", "Max");
        const QList<QVariantList> notes{{lou, "P1C1", "2012-06-05"},   {max, "P1C1", "2012-06-07"},
                                        {max, "P1C3", "2012-06-08"},   {max, "P1C6", "2012-06-09"},
                                        {max, "P1C1A1", "2011-03-04"}, {max, "P2C4", "2013-05-21"}};
        for (const QVariantList& note : notes)
            valeur("INSERT INTO notes(id_eleve,id_comp,date) SELECT ?,id_comp,? FROM competences WHERE ref=?",
                   {note[0], note[2], note[1]});
    }
    void init() { OptionsImpression::courantes() = OptionsImpression(); }

    void ordre_data()
    {
        QTest::addColumn<int>("pages");
        QTest::addColumn<bool>("brochure");
        QTest::addColumn<int>("duplex");
        QTest::addColumn<QString>("faces");
        QTest::addColumn<QString>("rectoVerso");
        ligne("brochure 4", 4, true, 0, "4|1 2|3", QString("4|1 / 2|3"));
        ligne("brochure 5 en 8", 5, true, 0, "8|1 2|7 6|3 4|5", QString());
        ligne("brochure 8 continue", 8, true, 0, "8|1 2|7 6|3 4|5", QString());
        ligne("brochure 8 bac haut", 8, true, 1, "8|1 6|3 2|7 4|5", QString("8|1 6|3 / 2|7 4|5"));
        ligne("brochure 8 bac bas", 8, true, 2, "8|1 6|3 4|5 2|7", QString("8|1 6|3 / 4|5 2|7"));
        ligne("portrait 3 bac haut", 3, false, 1, "1 3 2 0", QString("1 3 / 2 0"));
        ligne("portrait 3 bac bas", 3, false, 2, "1 3 0 2", QString("1 3 / 0 2"));
    }
    void ordre()
    {
        QFETCH(int, pages);
        QFETCH(bool, brochure);
        QFETCH(int, duplex);
        QFETCH(QString, rectoVerso);
        QList<qint64> ids;
        for (int i = 0; i < pages; ++i)
            ids << 100 + i;
        const QList<FaceImprimee> faces = Pages::ordonner(ids, 7, brochure, duplex);
        QTEST(decrire(faces, brochure), "faces");
        if (!rectoVerso.isEmpty())
            QCOMPARE(decrire(Pages::recto(faces), brochure) + " / " + decrire(Pages::verso(faces), brochure),
                     rectoVerso);
        for (const FaceImprimee& face : faces) { // chaque numéro porte sa page, les ajoutées sont blanches
            QCOMPARE(face.pageA, face.numberA == 0 || face.numberA > pages ? 0 : 99 + face.numberA);
            QCOMPARE(face.pageB, face.numberB == 0 || face.numberB > pages ? 0 : 99 + face.numberB);
        }
        QCOMPARE(Pages::nombrePages(faces, brochure), brochure ? (pages + 3) / 4 * 4 : int(faces.size()));
    }

    // Pages d'un élève : attestation (ref négative) puis compétences non validées, ou toutes.
    void pagesEleve()
    {
        OptionsImpression options;
        auto refs = [&](qint64 id) {
            QStringList textes;
            for (qint64 page : Pages::pagesEleve(p1, id, options))
                textes << QString(page < 0 ? "-" : "") +
                              valeur("SELECT ref FROM competences WHERE id_comp=?", {qAbs(page)}).toString();
            return textes.join(' ');
        };
        options.withAttestation = true;
        QCOMPARE(refs(lou) + " / " + refs(max), "-P1 P1C3 P1C6 / ");
        options.compAll = true;
        QCOMPARE(refs(max), "-P1 P1C1 P1C3 P1C6");
    }

    void echappement()
    {
        OptionsImpression::courantes().teacher = "Mme A & B";
        const QString html = Composition::htmlAttestation(p1, lou, "École <Jules> & Cie\n12 rue Haute");
        QVERIFY(html.contains("École &lt;Jules&gt; &amp; Cie<br/>12 rue Haute</font></p>"));
        QVERIFY(html.contains(">Lou &amp; Léa &lt;b&gt;Zoé</font>"));
        QVERIFY(html.contains("L'enseignant :<br/>Mme A &amp; B</font>"));
    }

    void pdfLivret_data()
    {
        QTest::addColumn<int>("palier");
        QTest::addColumn<bool>("brochure");
        QTest::addColumn<QString>("langue");
        QTest::addColumn<int>("feuilles");
        ligne("palier 1", 1, false, QString(), 4); // attestation et 3 compétences
        ligne("palier 2, anglais", 2, false, "anglais", 8);
        ligne("palier 2, brochure sans langue", 2, true, QString(), 4);
    }
    void pdfLivret()
    {
        QFETCH(int, palier);
        QFETCH(bool, brochure);
        QFETCH(QString, langue);
        OptionsImpression& options = OptionsImpression::courantes();
        options.compAll = true;
        options.brochure = brochure;
        options.language = langue;
        const QList<FaceImprimee> faces = construirePages(palier == 1 ? p1 : p2, max);
        const int total = Pages::nombrePages(faces, brochure);
        const QStringList pages =
            imprimerPdf(donnees->filePath("livret.pdf"), brochure,
                        [&](QPainter& peintre, QPrinter& imprimante, QRect vue) {
                            bool premiere = true;
                            Tirage::imprimerFaces(peintre, imprimante, vue, faces, total, brochure,
                                                  Tirage::nomEcole(), premiere);
                        });
        QTEST(int(pages.size()), "feuilles");
        const QString tout = pages.join('\f').simplified();
        QVERIFY(tout.contains("Attestation de maîtrise") && tout.contains("École <Jules> & Cie") &&
                tout.contains("MARTIN Max"));
        QVERIFY(tout.contains(QString("La compétence 3 est validée au palier %1 le :").arg(palier)));
        if (palier == 1)
            QVERIFY(tout.contains("validée au palier 1 le : 08/06/2012") && tout.contains("04/03/2011"));
        else
            // La date d'une compétence au long libellé tient sur une ligne, même sur une demi-feuille.
            QVERIFY(tout.contains("La maîtrise du niveau A1 est validée en " +
                                  (langue.isEmpty() ? "____________" : langue) + " le :") &&
                    tout.contains("21/05/2013"));
        const QString n = QString::number(total);
        QVERIFY(pages.first().contains("1/" + n) && pages.first().contains(n + "/" + n) == brochure);
        QVERIFY(brochure || (pages[1].contains("2/" + n) && !pages[1].contains("1/" + n)));
    }

    // Les items s'impriment dans l'ordre de leur place parmi leurs frères (`numero`), non dans celui
    // de leurs clés : une base mise à jour depuis l'ancien livret a deux paires d'items dont les
    // places ne suivent plus les clés. Ici, P2C5D4 passe devant P2C5D5.
    void ordreDesItems()
    {
        const QString echange =
            QStringLiteral("UPDATE competences SET numero = 9 - numero WHERE ref IN ('P2C5D4', 'P2C5D5')");
        valeur(echange);
        const auto remise = qScopeGuard([&] { valeur(echange); });
        OptionsImpression& options = OptionsImpression::courantes();
        options.compAll = true;
        options.brochure = false;
        const QList<FaceImprimee> faces = construirePages(p2, max);
        const int total = Pages::nombrePages(faces, false);
        const QString tout = imprimerPdf(donnees->filePath("ordre.pdf"), false,
                                         [&](QPainter& peintre, QPrinter& imprimante, QRect vue) {
                                             bool premiere = true;
                                             Tirage::imprimerFaces(peintre, imprimante, vue, faces, total,
                                                                   false, Tirage::nomEcole(), premiere);
                                         })
                                 .join('\f')
                                 .simplified();
        const qsizetype inventer = tout.indexOf("Inventer et réaliser");
        QVERIFY(inventer >= 0 && inventer < tout.indexOf("Interpréter de mémoire"));
    }

    // Une classe de 30 élèves au palier 2, toutes les compétences et l'attestation, en brochure :
    // 4 pages par élève. La durée se mesure au banc (bench/), pas ici.
    void classeEntiere()
    {
        OptionsImpression::courantes().compAll = true;
        OptionsImpression::courantes().brochure = true;
        QList<qint64> classe;
        for (int i = 0; i < 30; ++i)
            classe << eleve(QString("ELEVE%1").arg(i), "Prénom");
        const Tirage::ListeTirage liste = Tirage::construireToutesPages(p2, classe);
        const QStringList pages = imprimerPdf(
            donnees->filePath("classe.pdf"), true, [&](QPainter& peintre, QPrinter& imprimante, QRect vue) {
                bool premiere = true;
                for (const QList<FaceImprimee>& faces : liste)
                    Tirage::imprimerFaces(peintre, imprimante, vue, faces, 8, true, "X", premiere);
            });
        valeur("DELETE FROM eleves WHERE id_eleve>?", {max});
        QCOMPARE(pages.size(), 120);
    }

    // Barre du premier domaine d'une page rendue (y = 61 sans nom d'élève ni long titre), en gris
    // ou en couleur.
    void couleurs()
    {
        for (const bool gris : {true, false}) {
            OptionsImpression::courantes().grey = gris;
            QImage image(420, 594, QImage::Format_RGB32);
            image.fill(Qt::white);
            QPainter peintre(&image);
            Tirage::preparerPeintre(peintre);
            dessinerCompetence(peintre, Sql::idRef("P1C1"), 0, 0, 0);
            peintre.end();
            QCOMPARE(image.pixelColor(210, 61), gris ? QColor(128, 128, 128) : QColor(0, 172, 239));
            QCOMPARE(image.pixelColor(210, 59), QColor(Qt::white));
        }
    }

    // Un refus à une confirmation n'imprime rien ; les choix restent pour la fois suivante.
    void confirmationsRefusees_data()
    {
        QTest::addColumn<bool>("competences");
        QTest::addColumn<QString>("enseignant");
        QTest::addColumn<QString>("ecole");
        QTest::addColumn<QString>("titre");
        ligne("attestations, enseignant", false, QString(), "E", QString("Nom de l'enseignant ?"));
        ligne("attestations, école", false, "M. X", QString(), QString("Oh, oh!"));
        ligne("compétences, langue", true, "M. X", QString("E"), QString("Langue vivante!"));
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
        const char* groupe = competences ? "gbCompetence" : "gbPalier";
        {
            diaImprimer dialogue(nullptr, imprimante.get());
            w<QComboBox>(&dialogue, "cbPalier")->setCurrentIndex(1);
            dialogue.findChild<QGroupBox*>(groupe)->setChecked(true);
            w<QLineEdit>(&dialogue, "edEnseignant")->setText(enseignant);
            w<QLineEdit>(&dialogue, "edLangue")->setText(" ");
            w<QRadioButton>(&dialogue, "rbCoul")->setChecked(true);
            repondeur.bouton(QMessageBox::No);
            dialogue.accept();
            QTEST(repondeur.dernier().titre, "titre");
            QCOMPARE(dialogue.result(), int(QDialog::Rejected));
        }
        valeur("UPDATE general SET ecole=? WHERE id=1", {ecoleAvant});
        QVERIFY(!QFile::exists(chemin));
        diaImprimer dialogue(nullptr, imprimante.get());
        QVERIFY(dialogue.findChild<QGroupBox*>(groupe)->isChecked());
        QVERIFY(w<QRadioButton>(&dialogue, "rbCoul")->isChecked());
        QCOMPARE(w<QComboBox>(&dialogue, "cbPalier")->currentIndex(), 1);
    }

    // Tirages du palier 1 par le dialogue, dans le fichier PDF choisi par « Imprimantes... », relus.
    // Attestations seules, sans numéro de page ; recto/verso manuel : rectos, pause (OK ou
    // Abandonner), versos (élèves inversés au bac bas). Puis le message de fin.
    void tirage_data()
    {
        QTest::addColumn<int>("duplex");
        QTest::addColumn<int>("filtre"); // 0 toutes, 1 palier validé, 2 non validé, 3 troisième élève,
                                         // 4 palier 2 validé (personne)
        QTest::addColumn<bool>("paysageOuBrochure");
        QTest::addColumn<bool>("parEleve");
        QTest::addColumn<QString>("recto");
        QTest::addColumn<QString>("feuilles");
        QTest::addColumn<QString>("annonce"); // dernier message, « %1 » : le fichier
        const QString fichier = "Le tirage a été enregistré dans le fichier « %1 » : ";
        ligne("attestations, portrait", 0, 0, false, false, QString(), "L M", fichier + "2 pages.");
        ligne("attestations, paysage", 0, 0, true, false, QString(), "LM", fichier + "1 page.");
        ligne("troisième élève sur une nouvelle feuille", 0, 3, true, false, QString(), "LM T",
              fichier + "2 pages.");
        ligne("palier validé", 0, 1, false, false, QString(), "M", fichier + "1 page.");
        ligne("palier non validé, paysage", 0, 2, true, false, QString(), "L", fichier + "1 page.");
        ligne("attestations, personne de retenu", 0, 4, false, false, QString(), QString(),
              "Aucun élève n'est imprimé.");
        // Le fichier ne tient que le dernier travail (les versos) : l'annonce ne compte que lui.
        ligne("portrait bac haut", 1, 0, false, false, "L L M M", "L L M M", fichier + "4 pages.");
        ligne("portrait bac bas", 2, 0, false, false, "L L M M", "M M L L", fichier + "4 pages.");
        ligne("brochure bac bas", 2, 0, true, false, "L M", "M L", fichier + "2 pages.");
        ligne("élève par élève, abandon", 1, 0, false, true, "L L", "L L", QString());
    }
    void tirage()
    {
        QFETCH(int, duplex);
        QFETCH(int, filtre);
        QFETCH(bool, paysageOuBrochure);
        QFETCH(bool, parEleve);
        QFETCH(QString, annonce);
        RepondeurEssai repondeur;
        OptionsImpression& options = optionsTirage(filtre == 4 ? p2 : p1);
        options.what = duplex == 0 ? 1 : 2;
        options.palierFilter = filtre == 4 ? 1 : filtre % 3;
        options.palierLandscape = options.brochure = paysageOuBrochure;
        options.duplex = duplex;
        options.oneByOne = parEleve;
        const qint64 troisieme = filtre == 3 ? eleve("TROIS", "Tom") : 0;
        const QString chemin = donnees->filePath("tirage.pdf");
        QFile::remove(chemin);
        QPrinter imprimante(QPrinter::HighResolution);
        diaImprimer dialogue(nullptr, &imprimante);
        choisirImprimante(dialogue, repondeur, chemin);
        QStringList recto;
        int mode = -1;
        auto fait = duplex == 0 ? nullptr : quandDialogue<diaAttente>([&](diaAttente* attente) {
            recto = pagesPdf(chemin);
            mode = w<QGroupBox>(attente, "gb1")->isVisibleTo(attente) ? 1 : 2;
            w<QDialogButtonBox>(attente, "buttonBox")
                ->button(parEleve ? QDialogButtonBox::Abort : QDialogButtonBox::Ok)
                ->click();
        });
        if (!annonce.isEmpty())
            repondeur.bouton(QMessageBox::Ok);
        dialogue.accept();
        valeur("DELETE FROM eleves WHERE id_eleve=?", {troisieme});
        QCOMPARE(mode, duplex == 0 ? -1 : duplex);
        QTEST(eleves(recto, " "), "recto");
        const QStringList pages = pagesPdf(chemin);
        QTEST(eleves(pages, " "), "feuilles");
        if (duplex == 0)
            QVERIFY(!pages.join(' ').contains(QRegularExpression("(^|\\s)\\d+ ?/ ?\\d+(\\s|$)")));
        else if (!paysageOuBrochure && !parEleve && duplex == 1) // attestation et 3 compétences
            QVERIFY(recto[1].contains("3/4") && pages[0].contains("2/4") && pages[1].contains("4/4"));
        QCOMPARE(repondeur.messages().isEmpty() ? QString() : repondeur.dernier().texte,
                 QString(annonce).replace("%1", chemin));
        QCOMPARE(dialogue.result(), int(filtre == 4 ? QDialog::Rejected : QDialog::Accepted));
        QCOMPARE(QFile::exists(chemin), filtre != 4); // personne de retenu : rien n'est envoyé
    }

    // Un tirage qui ne peut pas commencer le dit, et le dialogue reste ouvert avec ses choix.
    void impressionImpossible_data()
    {
        QTest::addColumn<QString>("fichier"); // vide : aucune imprimante choisie
        QTest::addColumn<QString>("message");
        ligne("aucune imprimante", QString(),
              "Aucune imprimante n'est choisie.\nChoisissez-en une avec le "
              "bouton « Imprimantes... ».");
        ligne("dossier inexistant", "absent/livrets.pdf",
              "Le fichier « %1 » n'a pas pu être écrit : son dossier n'existe pas ou n'existe plus");
        ligne("un dossier au nom du fichier", "dossier.pdf",
              "Le fichier « %1 » n'a pas pu être écrit : le système a refusé l'écriture");
    }
    void impressionImpossible()
    {
        QFETCH(QString, fichier);
        QFETCH(QString, message);
        RepondeurEssai repondeur;
        QDir(donnees->path()).mkpath("dossier.pdf");
        const QString chemin = fichier.isEmpty() ? QString() : donnees->filePath(fichier);
        optionsTirage(p1).what = 2;
        QPrinter imprimante(QPrinter::HighResolution);
        QVERIFY(imprimante.printerName().isEmpty()); // le serveur à part n'a pas d'imprimante par défaut
        diaImprimer dialogue(nullptr, &imprimante);
        if (!chemin.isEmpty())
            choisirImprimante(dialogue, repondeur, chemin);
        w<QRadioButton>(&dialogue, "rbCompPaysage")->setChecked(true);
        repondeur.bouton(QMessageBox::Ok);
        dialogue.accept();
        QCOMPARE(repondeur.dernier().titre, "Impossible d'imprimer");
        QVERIFY2(repondeur.dernier().texte.startsWith(QString(message).replace("%1", chemin)),
                 qPrintable(repondeur.dernier().texte));
        QVERIFY(repondeur.dernier().texte.endsWith("\nRien n'a été imprimé."));
        QCOMPARE(dialogue.result(), int(QDialog::Rejected));
        QVERIFY(w<QRadioButton>(&dialogue, "rbCompPaysage")->isChecked() &&
                w<QGroupBox>(&dialogue, "gbCompetence")->isChecked());
        QCOMPARE(w<QLabel>(&dialogue, "lbEtatImprimante")->isVisibleTo(&dialogue), chemin.isEmpty());
        // Le dialogue de la plateforme peut changer l'imprimante même annulé : on montre la vraie.
        imprimante.setOutputFileName(donnees->filePath("autre.pdf"));
        repondeur.annulation();
        w<QPushButton>(&dialogue, "btImprimante")->click();
        QCOMPARE(w<QLineEdit>(&dialogue, "edImprimante")->text(), donnees->filePath("autre.pdf"));
        QVERIFY(!w<QLabel>(&dialogue, "lbEtatImprimante")->isVisibleTo(&dialogue));
    }

    // Le palier proposé d'après le niveau des élèves de la classe, la première fois (aucun palier
    // retenu) et quand l'utilisateur change de classe ; sinon le dernier choix reste.
    void palierPropose_data()
    {
        QTest::addColumn<QList<int>>("niveaux"); // id_niveau des élèves de la classe : 2 CE1, 3 CE2,
                                                 // 5 CM2, 6 CYCLE II, 7 CYCLE III
        QTest::addColumn<QString>("retenu");     // palier d'un tirage précédent
        QTest::addColumn<bool>("changer");       // la classe est choisie dans la liste après l'ouverture
        QTest::addColumn<QString>("propose");
        ligne("CM2, première fois", QList<int>{5}, QString(), false, "P2");
        ligne("CYCLE III, première fois", QList<int>{7, 7}, QString(), false, "P2");
        ligne("CYCLE II, première fois", QList<int>{6}, QString(), false, "P1");
        ligne("CM2, palier retenu gardé", QList<int>{5}, "P1", false, "P1");
        ligne("vers une classe de CM2", QList<int>{5}, "P1", true, "P2");
        ligne("vers une classe de CE1", QList<int>{2}, "P2", true, "P1");
        ligne("vers une classe de CE2 : choix gardé", QList<int>{3}, "P2", true, "P2");
        ligne("vers une classe de CE1 et CM2 : choix gardé", QList<int>{2, 5}, "P2", true, "P2");
    }
    void palierPropose()
    {
        QFETCH(QList<int>, niveaux);
        QFETCH(QString, retenu);
        QFETCH(bool, changer);
        valeur("INSERT INTO classes(id_classe,libelle,tri) VALUES(2,'Autre',1)");
        const auto retrait = qScopeGuard([] { valeur("DELETE FROM classes WHERE id_classe=2"); });
        for (const int niveau : niveaux)
            valeur("INSERT INTO eleves(id_classe,id_niveau,nom,prenom) VALUES(2,?,'X','Y')", {niveau});
        const auto retraitEleves = qScopeGuard([] { valeur("DELETE FROM eleves WHERE id_classe=2"); });
        OptionsImpression& options = OptionsImpression::courantes();
        options.classId = changer ? 1 : 2;
        options.palierId = retenu.isEmpty() ? 0 : retenu == "P1" ? p1 : p2;
        QPrinter imprimante(QPrinter::HighResolution);
        diaImprimer dialogue(nullptr, &imprimante);
        auto* classes = w<QComboBox>(&dialogue, "cbClasse");
        if (changer)
            classes->setCurrentIndex(classes->findData(2));
        QCOMPARE(classes->currentData().toInt(), 2);
        const qint64 palier = w<QComboBox>(&dialogue, "cbPalier")->currentData().toLongLong();
        QTEST(valeur("SELECT ref FROM competences WHERE id_comp=?", {palier}).toString(), "propose");
    }

    // Au clavier : le focus part de la classe (l'imprimante en cours n'est qu'à lire), chaque champ
    // est annoncé par son étiquette, et Tab ne passe que par des contrôles.
    void clavier_data()
    {
        Clavier::colonnes(); // « élèves: » : le choix des élèves plutôt que l'impression
        ligne("départ", "", "cbClasse|Classe :");
        ligne("imprimante", "Maj+Tab Maj+Tab", "edImprimante|Imprimante en cours :");
        ligne("boutons avant l'imprimante", "Maj+Tab Maj+Tab Maj+Tab", "Help|Help");
        ligne("palier", "Tab Tab", "cbPalier|Palier :");
        ligne("enseignant", "Tab Tab Tab", "edEnseignant|Nom, prénom enseignant :");
        ligne("langue", "Tab Tab Tab Tab", "edLangue|Langue vivante :");
        ligne("élèves", "élèves: Tab", "lw|Élèves à imprimer");
    }
    void clavier()
    {
        QFETCH(QString, gestes);
        RepondeurEssai repondeur;
        QPrinter imprimante(QPrinter::HighResolution);
        QList<qint64> selection{lou};
        std::unique_ptr<QDialog> dialogue;
        if (gestes.startsWith("élèves:"))
            dialogue = std::make_unique<diaCocheEleve>(nullptr, 1, selection);
        else
            dialogue = std::make_unique<diaImprimer>(nullptr, &imprimante);
        QTEST(Clavier::apres(dialogue.get(), gestes.remove("élèves:")), "attendu");
    }

    // Tirages par une vraie file d'impression (serveur CUPS à part) : nom et recto-verso de chaque
    // travail, élèves de chaque page reçue, dernier message ; pannes de la file avant le tirage ou
    // entre les deux passes d'un recto/verso manuel.
    void fileCups_data()
    {
        QTest::addColumn<bool>("rectoVerso"); // pilote recto-verso, réglé sur le bord long
        QTest::addColumn<QString>("panne");
        QTest::addColumn<int>("quoi"); // 1 attestations, 2 livret complet, 3 compétences sans attestation
        QTest::addColumn<bool>("brochure");
        QTest::addColumn<int>("duplex");
        QTest::addColumn<bool>("parEleve");
        QTest::addColumn<QString>("travaux"); // par travail : fin du nom [faces] élèves des pages
        QTest::addColumn<QString>("message"); // contenu dans le dernier message, « %1 » : la file
        const QString confie = "Le tirage a été confié à l'imprimante « %1 » : ";
        const QString lou = "livret de Lou & Léa <b>Zoé, ", max = "livret de MARTIN Max, ";
        ligne("attestations", false, QString(), 1, false, 0, false, "attestations [one-sided] L,M",
              confie + "2 pages.");
        ligne("attestations, imprimante recto-verso", true, QString(), 1, false, 0, false,
              "attestations [one-sided] L,M", confie + "2 pages.");
        ligne("brochure, imprimante recto-verso", true, QString(), 2, true, 0, false,
              "livrets [two-sided-short-edge] L,L,M,M", confie + "4 pages.");
        // Chaque élève finit sur une page blanche : le suivant commence sur une feuille neuve.
        ligne("portrait continu, imprimante recto-verso", true, QString(), 3, false, 0, false,
              "livrets [two-sided-long-edge] L,L,L,,M,M,M,", confie + "8 pages.");
        ligne("portrait continu, recto seul", false, QString(), 3, false, 0, false,
              "livrets [one-sided] L,L,L,M,M,M", confie + "6 pages.");
        ligne("élève par élève", false, QString(), 2, false, 1, true,
              lou + "rectos [one-sided] L,L ; " + lou + "versos [one-sided] L,L ; " + max +
                  "rectos [one-sided] M,M ; " + max + "versos [one-sided] M,M",
              confie + "8 pages.");
        ligne("file qui refuse", false, "refuse", 1, false, 0, false, QString(),
              "L'imprimante « %1 » refuse les travaux d'impression.");
        ligne("file arrêtée", false, "arrête", 2, false, 0, false, QString(),
              "L'imprimante « %1 » est arrêtée");
        ligne("imprimante retirée", true, "retire", 2, true, 0, false, QString(),
              "L'imprimante « %1 » est introuvable");
        ligne("versos sur une file arrêtée, abandon", true, "verso", 2, false, 1, false,
              "livrets, rectos [one-sided] L,L,M,M",
              "est arrêtée : le travail attendrait sans être imprimé.\nRemettez-la en marche (ou "
              "demandez-le à "
              "la personne qui gère les imprimantes de l'ordinateur), ou choisissez-en une autre avec le "
              "bouton « Imprimantes... ».\nLe système d'impression indique : « Paused ».\n\nLes rectos de "
              "ces "
              "élèves sont imprimés : Lou & Léa <b>Zoé, MARTIN Max.");
        ligne("versos réessayés", false, "verso réessayé", 2, false, 2, false,
              "livrets, rectos [one-sided] L,L,M,M ; livrets, versos "
              "[one-sided] M,M,L,L",
              confie + "8 pages.");
        // Le dialogue de la plateforme annulé laisse un fichier attaché à l'imprimante : il est écrit.
        ligne("fichier resté attaché à la file", false, "fichier", 1, false, 0, false, QString(),
              "Le tirage a été enregistré dans le fichier « ");
        ligne("élève par élève, le second ne part pas", false, "second", 2, false, 1, true,
              lou + "rectos [one-sided] L,L ; " + lou + "versos [one-sided] L,L",
              "Le livret de ces élèves est imprimé en entier : Lou & Léa <b>Zoé.\nQuand l'imprimante sera "
              "prête, cliquez sur Réessayer pour continuer avec MARTIN Max.");
    }
    void fileCups()
    {
        if (!sansCups.isEmpty())
            QSKIP(qPrintable(sansCups));
        QFETCH(bool, rectoVerso);
        QFETCH(QString, panne);
        QFETCH(int, quoi);
        QFETCH(int, duplex);
        QFETCH(bool, parEleve);
        QFETCH(QString, message);
        static int numero = 0;
        const QString file = QString("file%1").arg(++numero);
        QVERIFY(serveur.ajouterFile(file, rectoVerso));
        const int avant = int(serveur.travaux().size());
        RepondeurAgissant repondeur;
        OptionsImpression& options = optionsTirage(p1);
        options.withAttestation = quoi != 3;
        options.what = quoi == 1 ? 1 : 2;
        QFETCH(bool, brochure);
        options.brochure = brochure;
        options.duplex = duplex;
        options.oneByOne = parEleve;
        QPrinter imprimante(QPrinter::HighResolution);
        diaImprimer dialogue(nullptr, &imprimante);
        choisirImprimante(dialogue, repondeur, file);
        const QPrinter::DuplexMode choisi = rectoVerso ? QPrinter::DuplexLongSide : QPrinter::DuplexNone;
        QCOMPARE(imprimante.duplex(), choisi);

        if (panne == "refuse")
            QVERIFY(serveur.commande("cupsreject", {file}));
        else if (panne == "arrête")
            QVERIFY(serveur.commande("cupsdisable", {file}));
        else if (panne == "retire") // débranchée pendant que le programme est ouvert
            QVERIFY(serveur.commande("lpadmin", {"-x", file}));
        else if (panne == "fichier") { // dialogue de la plateforme annulé, fichier resté attaché
            imprimante.setOutputFileName(donnees->filePath("attache.pdf"));
            repondeur.annulation();
            w<QPushButton>(&dialogue, "btImprimante")->click();
            QCOMPARE(w<QLineEdit>(&dialogue, "edImprimante")->text(), donnees->filePath("attache.pdf"));
        }

        int pause = 0;
        if (duplex != 0)
            passerPauses(panne == "second" ? 2
                         : parEleve        ? 4
                                           : 1,
                         [&] {
                             if ((panne.startsWith("verso") && pause == 0) ||
                                 (panne == "second" && pause == 1))
                                 serveur.commande("cupsdisable", {file});
                             ++pause;
                         });
        if (panne == "verso réessayé") { // l'imprimante est remise en marche pendant la question
            repondeur.action = [&] { serveur.commande("cupsenable", {file}); };
            repondeur.bouton(QMessageBox::Retry);
        }
        // La question des versos abandonnée est le dernier message ; sinon, le message de fin.
        repondeur.bouton(panne == "verso" || panne == "second" ? QMessageBox::Abort : QMessageBox::Ok);
        dialogue.accept();

        const QString prefixe = "CE1 A - Palier 1 - ";
        QStringList lus;
        for (const ServeurCups::Travail& travail : serveur.travaux().mid(avant)) {
            QVERIFY2(travail.nom.startsWith(prefixe), qPrintable(travail.nom));
            lus << travail.nom.mid(prefixe.size()) + " [" + travail.faces + "] " +
                       eleves(pagesPdf(travail.document), ",");
        }
        QTEST(lus.join(" ; "), "travaux");
        QVERIFY2(repondeur.dernier().texte.contains(QString(message).replace("%1", file)),
                 qPrintable(repondeur.dernier().texte));
        const bool reussi = panne.isEmpty() || panne == "verso réessayé" || panne == "fichier";
        QCOMPARE(dialogue.result(), int(reussi ? QDialog::Accepted : QDialog::Rejected));
        // Le dialogue resté ouvert montre ce qui ne va pas ; le recto-verso choisi revient.
        QCOMPARE(w<QLabel>(&dialogue, "lbEtatImprimante")->isVisibleTo(&dialogue), !reussi);
        QCOMPARE(imprimante.duplex(), choisi);
    }
};

QTEST_MAIN(TstImpression)
#include "tst_impression.moc"
