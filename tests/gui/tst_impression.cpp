// SPDX-License-Identifier: GPL-3.0-or-later
// Le dialogue d'impression : ses choix, ses confirmations, l'exécution du plan sur une imprimante
// PDF ou une vraie file CUPS (pauses, pannes, reprises), ses messages, le clavier. La mise en faces,
// le plan et le dessin des feuilles sont essayés dans le cœur (tests/core/tst_tirage).
#include "core/db/requetes.h"
#include "gui/print/diaattente.h"
#include "gui/print/diacocheeleve.h"
#include "gui/print/diaimprimer.h"
#include "support/clavier.h"
#include "support/dialogues.h"
#include "support/donnees.h"
#include "support/environnement.h"
#include "support/pdf.h"
#include "support/repondeuressai.h"
#include "support/serveurcups.h"
#include "support/sql.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

namespace {

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

// Les élèves de chaque page (L : Lou, M : MARTIN), pour suivre l'ordre d'un tirage.
QString eleves(const QStringList& pages, const QString& separateur = "")
{
    QStringList noms;
    for (const QString& page : pages)
        noms << QString(page.contains("Lou") ? "L" : "") + (page.contains("MARTIN") ? "M" : "");
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
    // Les options que la fenêtre principale prête au dialogue, d'une impression à l'autre.
    OptionsImpression options;

    // Les options d'un tirage du palier donné, toutes les compétences, par « M. X ».
    OptionsImpression& optionsTirage(qint64 palier)
    {
        options.teacher = "M. X";
        options.compAll = true;
        options.palierId = palier;
        return options;
    }

private slots:
    void initTestCase()
    {
        if (!serveur.demarrer(&sansCups))
            qWarning("serveur d'impression à part indisponible : %s", qPrintable(sansCups));
        Environnement::preparer();
        QVERIFY(Environnement::nouvelleBase(donnees));
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
    void init() { options = OptionsImpression(); }

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
        const QString ecoleAvant = Requetes::ecole()->ecole;
        valeur("UPDATE general SET ecole=? WHERE id=1", {ecole});
        const QString chemin = donnees->filePath("refus.pdf");
        QFile::remove(chemin);
        auto imprimante = imprimantePdf(chemin);
        const char* groupe = competences ? "gbCompetence" : "gbPalier";
        {
            diaImprimer dialogue(nullptr, imprimante.get(), options);
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
        diaImprimer dialogue(nullptr, imprimante.get(), options);
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
        QTest::addColumn<int>("filtre"); // 0 toutes, 1 palier validé, 2 non validé, 4 palier 2 validé
                                         // (personne)
        QTest::addColumn<bool>("paysageOuBrochure");
        QTest::addColumn<bool>("parEleve");
        QTest::addColumn<QString>("recto");
        QTest::addColumn<QString>("feuilles");
        QTest::addColumn<QString>("annonce"); // dernier message, « %1 » : le fichier
        const QString fichier = "Le tirage a été enregistré dans le fichier « %1 » : ";
        ligne("attestations, portrait", 0, 0, false, false, QString(), "L M", fichier + "2 pages.");
        ligne("attestations, paysage", 0, 0, true, false, QString(), "LM", fichier + "1 page.");
        ligne("palier validé", 0, 1, false, false, QString(), "M", fichier + "1 page.");
        ligne("palier non validé, paysage", 0, 2, true, false, QString(), "L", fichier + "1 page.");
        ligne("attestations, personne de retenu", 0, 4, false, false, QString(), QString(),
              "Aucun élève n'est imprimé.");
        // Le fichier ne tient que le dernier travail (les versos) : l'annonce ne compte que lui.
        ligne("portrait bac haut", 1, 0, false, false, "L L M M", "L L M M", fichier + "4 pages.");
        ligne("portrait bac bas", 2, 0, false, false, "L L M M", "M M L L", fichier + "4 pages.");
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
        optionsTirage(filtre == 4 ? p2 : p1);
        options.what = duplex == 0 ? 1 : 2;
        options.palierFilter = filtre == 4 ? 1 : filtre;
        options.palierLandscape = options.brochure = paysageOuBrochure;
        options.duplex = duplex;
        options.oneByOne = parEleve;
        const QString chemin = donnees->filePath("tirage.pdf");
        QFile::remove(chemin);
        QPrinter imprimante(QPrinter::HighResolution);
        diaImprimer dialogue(nullptr, &imprimante, options);
        choisirImprimante(dialogue, repondeur, chemin);
        QStringList recto;
        int mode = -1;
        auto fait = duplex == 0 ? nullptr : quandDialogue<diaAttente>([&](diaAttente* attente) {
            recto = Pdf::pages(chemin);
            mode = w<QGroupBox>(attente, "gb1")->isVisibleTo(attente) ? 1 : 2;
            w<QDialogButtonBox>(attente, "buttonBox")
                ->button(parEleve ? QDialogButtonBox::Abort : QDialogButtonBox::Ok)
                ->click();
        });
        if (!annonce.isEmpty())
            repondeur.bouton(QMessageBox::Ok);
        dialogue.accept();
        QCOMPARE(mode, duplex == 0 ? -1 : duplex);
        QTEST(eleves(recto, " "), "recto");
        const QStringList pages = Pdf::pages(chemin);
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
        diaImprimer dialogue(nullptr, &imprimante, options);
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
        options.classId = changer ? 1 : 2;
        options.palierId = retenu.isEmpty() ? 0 : retenu == "P1" ? p1 : p2;
        QPrinter imprimante(QPrinter::HighResolution);
        diaImprimer dialogue(nullptr, &imprimante, options);
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
            dialogue =
                std::make_unique<diaCocheEleve>(nullptr, Requetes::elevesClasse(1).valeurOu({}), selection);
        else
            dialogue = std::make_unique<diaImprimer>(nullptr, &imprimante, options);
        QTEST(Clavier::apres(dialogue.get(), gestes.remove("élèves:")), "attendu");
    }

    // Aucun OK ne se tait : sans rien de choisi, OK du dialogue d'impression dit ce qui manque ;
    // sans élève coché, OK du choix des élèves est éteint, sa bulle dit pourquoi, et Annuler garde
    // la sélection d'avant.
    void choixManquant_data()
    {
        QTest::addColumn<QString>("manque");
        QTest::addColumn<QString>("message");
        ligne("rien à imprimer", "quoi", "Impression|Veuillez choisir ce qu'il faut imprimer");
        ligne("aucune classe", "classe",
              "Impression|Aucune classe n'est enregistrée : ajoutez ou importez d'abord des élèves.");
        ligne("aucun élève coché", "élèves", "");
    }
    void choixManquant()
    {
        QFETCH(QString, manque);
        RepondeurEssai repondeur;
        auto imprimante = imprimantePdf(donnees->filePath("manque.pdf"));
        if (manque == "élèves") {
            QList<qint64> selection{lou, max};
            diaCocheEleve choix(nullptr, Requetes::elevesClasse(1).valeurOu({}), selection);
            QAbstractButton* ok = w<QDialogButtonBox>(&choix, "buttonBox")->button(QDialogButtonBox::Ok);
            QVERIFY(ok->isEnabled());
            w<QCheckBox>(&choix, "chkCoche")->setChecked(false);
            QVERIFY(!ok->isEnabled());
            QCOMPARE(ok->toolTip(), "Cochez au moins un élève à imprimer.");
            choix.accept(); // comme Entrée : rien
            QVERIFY(choix.result() != QDialog::Accepted);
            choix.reject();
            QCOMPARE(selection, QList<qint64>({lou, max}));
            w<QListWidget>(&choix, "lw")->item(1)->setCheckState(Qt::Checked);
            QVERIFY(ok->isEnabled());
            choix.accept();
            QCOMPARE(selection.size(), 1);
            return;
        }
        if (manque == "classe")
            valeur("DELETE FROM classes");
        const auto remise = qScopeGuard(
            [] { valeur("INSERT OR IGNORE INTO classes(id_classe,libelle,tri) VALUES(1,'CE1 A',0)"); });
        optionsTirage(p1).what = manque == "quoi" ? 0 : 1;
        diaImprimer dialogue(nullptr, imprimante.get(), options);
        repondeur.bouton(QMessageBox::Ok);
        dialogue.accept();
        QTEST(repondeur.dernierMessage(), "message");
        QCOMPARE(dialogue.result(), int(QDialog::Rejected));
        QVERIFY(!QFile::exists(donnees->filePath("manque.pdf")));
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
        optionsTirage(p1);
        options.withAttestation = quoi != 3;
        options.what = quoi == 1 ? 1 : 2;
        QFETCH(bool, brochure);
        options.brochure = brochure;
        options.duplex = duplex;
        options.oneByOne = parEleve;
        QPrinter imprimante(QPrinter::HighResolution);
        diaImprimer dialogue(nullptr, &imprimante, options);
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
                       eleves(Pdf::pages(travail.document), ",");
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
