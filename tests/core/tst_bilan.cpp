// SPDX-License-Identifier: GPL-3.0-or-later
// Le bilan LPC dans le cœur seul : les groupes d'items par ensemble d'élèves, le document, la
// sélection des élèves, le fichier proposé et écrit ; une base illisible arrête le bilan.
#include "core/commun/dossierdepart.h"
#include "core/report/bilan.h"
#include "core/report/pagesbilan.h"
#include "support/donnees.h"
#include "support/environnement.h"
#include "support/pdf.h"
#include "support/sql.h"

#include <QFile>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

// Palier d'essai « P9 » (une compétence, un agrégat, deux items), « P8 » sans enfant. Classes : trois
// élèves de CM2 aux noms piégés, des niveaux mêlés, aucun élève.
namespace {
enum : qint64 { P9 = 9000, C1, A1, I1, I2, P8, CM2, MIXTE, VIDE };

// Arbre fait à la main pour les groupes : Langue (Dire : Parler, Lire ; Écrire : Copier),
// Maths (agrégat de 54 « a » : 104 « b », 103 « c » ; agrégat de 53 « d » : Compter).
Bilan::Arbre arbreMain()
{
    Bilan::Arbre arbre;
    // clang-format off
    const QList<Noeud> noeuds{
        {1, 0, 0, "Palier", "P1"}, {10, 1, 1, "Langue", ""}, {11, 10, 2, "Dire", ""}, {12, 11, 3, "Parler", ""},
        {13, 11, 3, "Lire", ""}, {14, 10, 2, "Écrire", ""}, {15, 14, 3, "Copier", ""}, {20, 1, 1, "Maths", ""},
        {21, 20, 2, QString(54, 'a'), ""}, {22, 21, 3, QString(104, 'b'), ""}, {23, 21, 3, QString(103, 'c'), ""},
        {24, 20, 2, QString(53, 'd'), ""}, {25, 24, 3, "Compter", ""}};
    // clang-format on
    for (const Noeud& noeud : noeuds) {
        arbre.noeuds.insert(noeud.id, noeud);
        arbre.enfants[noeud.parent].append(noeud.id);
    }
    return arbre;
}

} // namespace

class TstBilan : public QObject
{
    Q_OBJECT
    Environnement::Dossier dossier;

private Q_SLOTS:
    void initTestCase()
    {
        Environnement::preparer();
        QVERIFY(Environnement::nouvelleBase(dossier));
        // Lire (numéro 1) vient avant Parler (numéro 2) dans l'ordre de l'arbre.
        Sql::valeur("INSERT INTO competences(id_comp,id_comp_parent,libelle,profondeur,numero,ref) VALUES"
                    "(?,0,'Palier neuf',0,9,'P9'),(?,?,'Langue',1,1,'P9C1'),(?,?,'Dire',2,1,'P9C1A'),"
                    "(?,?,'Parler',3,2,'P9C1A1'),(?,?,'Lire',3,1,'P9C1A2'),(?,0,'Palier vide',0,8,'P8')",
                    {P9, C1, P9, A1, C1, I1, A1, I2, A1, P8});
        Sql::valeur("INSERT INTO classes(id_classe,libelle,tri) VALUES(?,'CM2 <B> & Cie',1),(?,'Mixte',2),"
                    "(?,'Vide',3)",
                    {CM2, MIXTE, VIDE});
        Sql::valeur(
            "INSERT INTO eleves(id_eleve,id_classe,id_niveau,nom,prenom) VALUES(1,?,5,'ZOLA','%1 Émile'),"
            "(2,?,5,'DUPONT & <fils>','Léa'),(3,?,5,'MARTIN','Paul'),(4,?,7,'CYCLE3',''),"
            "(5,?,3,'CE2',''),(6,?,6,'CYCLE2',''),(7,?,2,'CE1',''),(8,?,5,'CM2','')",
            {CM2, CM2, CM2, MIXTE, MIXTE, MIXTE, MIXTE, MIXTE});
        // ZOLA, DUPONT, MARTIN : Parler par tous, Lire par ZOLA, la compétence par DUPONT et MARTIN
        // (deux fois pour MARTIN : un doublon ne compte qu'une fois).
        Sql::valeur("INSERT INTO notes(id_eleve,id_comp,date) VALUES(1,?,'2012-05-04'),(2,?,'2012-05-04'),"
                    "(3,?,'2012-05-04'),(1,?,'2012-05-04'),(2,?,'2012-05-04'),(3,?,'2012-05-04'),"
                    "(3,?,'2012-05-04')",
                    {I1, I1, I1, I2, C1, C1, C1});
    }

    // Élèves A à E ; une chaîne de validations par item (Parler, Lire, Copier, b…, c…, Compter).
    void groupes_data()
    {
        QTest::addColumn<QStringList>("matrice");
        QTest::addColumn<QString>("attendu");
        const QString suivants = " ont validé les éléments suivants&nbsp;:</h3>\n";
        const QString agregat = " : tous les items de l'agrégat</li>\n", maths = "<li><b>Maths</b> - ";
        const QString langue = "<li><b>Langue</b> : tous les items de la compétence</li>\n";
        // Le plus grand ensemble d'abord, même s'il vient après dans l'ordre des items.
        ligne("sauf puis ci-dessous", QStringList{"00110", "00110", "00110", "11100", "11100", "11100"},
              "<h3>Tous les élèves - sauf 2 ci-dessous -" + suivants +
                  "<p>\n- D d<br/>\n- E e<br/>\n</p>\n"
                  "<ul>\n<li><b>Maths</b> : tous les items de la compétence</li>\n</ul>\n"
                  "<h3>Les élèves ci-dessous (2)" +
                  suivants + "<p>\n- C c<br/>\n- D d<br/>\n</p>\n<ul>\n" + langue + "</ul>\n");
        // À nombre égal, dans l'ordre du premier item ; agrégats entiers, puis items restants avec
        // leurs ancêtres, libellé d'item coupé au-delà de 103 caractères.
        ligne("agrégats et items", QStringList{"10000", "10000", "01000", "10000", "01000", "10000"},
              "<h3>Les élèves ci-dessous (1)" + suivants +
                  "<p>\n- A a<br/>\n</p>\n<ul>\n<li><b>Langue</b> - Dire" + agregat + maths +
                  QString(53, 'd') + agregat + maths + QString(54, 'a') + " - " + QString(100, 'b') +
                  "...</li>\n</ul>\n<h3>Les élèves ci-dessous (1)" + suivants +
                  "<p>\n- B b<br/>\n</p>\n<ul>\n<li><b>Langue</b> - Écrire" + agregat + maths +
                  QString(54, 'a') + " - " + QString(103, 'c') + "</li>\n</ul>\n");
        // Libellé d'agrégat coupé au-delà de 53 caractères ; tous, puis aucun.
        ligne("agrégat coupé", QStringList{"00000", "00000", "00000", "11111", "11111", "00000"},
              "<h3>Tous les élèves" + suivants + "<ul>\n" + maths + QString(50, 'a') + "..." + agregat +
                  "</ul>\n<h3>Aucun élève n'a validé les éléments suivants&nbsp;:</h3>\n<ul>\n" + langue +
                  maths + QString(53, 'd') + agregat + "</ul>\n");
    }

    void groupes()
    {
        QFETCH(QStringList, matrice);
        QFETCH(QString, attendu);
        QList<Eleve> eleves;
        for (const char lettre : QByteArray("ABCDE"))
            eleves.append({lettre, QString(QChar(lettre)), QString(QChar(lettre)).toLower(), "CM2", 0, {}});
        const Bilan::Arbre arbre = arbreMain();
        QCOMPARE(Bilan::sectionItems(eleves, Bilan::collecterItems(arbre, 1), matrice, arbre),
                 "<h2>Validation des items</h2>\n" + attendu);
    }

    void document()
    {
        Bilan bilan;
        QVERIFY(bilan.construire(CM2, P9, false));
        QCOMPARE(bilan.matrice(), QStringList({"001", "111"}));
        QCOMPARE(bilan.html(),
                 "<h1>Classe: CM2 &lt;B&gt; &amp; Cie - Palier neuf</h1>\n<h2>Liste globale des élèves "
                 "concernés</h2>\n<p>DUPONT &amp; &lt;fils&gt; Léa (CM2)<br/>\nMARTIN Paul (CM2)<br/>\n"
                 "ZOLA %1 Émile (CM2)<br/>\n </p><h2>Validation des items</h2>\n<h3>Tous les élèves ont "
                 "validé les éléments suivants&nbsp;:</h3>\n<ul>\n<li><b>Langue</b> - Dire - Parler</li>\n"
                 "</ul>\n<h3>Les élèves ci-dessous (1) ont validé les éléments suivants&nbsp;:</h3>\n<p>\n"
                 "- ZOLA %1 Émile<br/>\n</p>\n<ul>\n<li><b>Langue</b> - Dire - Lire</li>\n</ul>\n"
                 "<h2>Attestations</h2>\n<h3>Langue</h3>\n<p>Tous les élèves - sauf 1 ci-dessous - ont "
                 "validé la compétence.</p>\n<p>\n- ZOLA %1 Émile<br/>\n</p>\n");
        QTextDocument lu; // les textes de la base restent du texte une fois le HTML lu
        lu.setHtml(bilan.html());
        QVERIFY(lu.toPlainText().contains("CM2 <B> & Cie") && lu.toPlainText().contains("<fils> Léa"));
    }

    void selection_data()
    {
        QTest::addColumn<qint64>("classe");
        QTest::addColumn<qint64>("palier");
        QTest::addColumn<bool>("filtre");
        QTest::addColumn<QStringList>("noms");
        QTest::addColumn<QString>("fin"); // fin attendue du document
        const qint64 p1 = Sql::idRef("P1"), p8 = P8, p9 = P9;
        const qint64 mixte = MIXTE, vide = VIDE;
        const QString aucun = "<p>Aucun élève n'a été sélectionné. ";
        const QString coche =
            "Vous avez coché la case 'Montrer uniquement les élèves CE1 ou CM2'. La classe ne "
            "contient peut-être pas d'élèves de niveau correspondant à celui du palier: CE1 "
            "pour le palier 1, CM2 pour le palier 2.";
        ligne("P1 filtré", mixte, p1, true, QStringList{"CE1", "CYCLE2"}, QString());
        ligne("autre palier filtré", mixte, p9, true, QStringList(), aucun + coche + " </p>");
        ligne("classe vide", vide, p1, false, QStringList(), aucun + " </p>");
        ligne("palier sans item", mixte, p8, false, QStringList{"CE1", "CE2", "CM2", "CYCLE2", "CYCLE3"},
              "<h2>Aucun item n'est disponible.</h2>\n<h2>Attestations</h2>\n");
    }

    void selection()
    {
        QFETCH(qint64, classe);
        QFETCH(qint64, palier);
        QFETCH(bool, filtre);
        QFETCH(QStringList, noms);
        QFETCH(QString, fin);
        Bilan bilan;
        QVERIFY(bilan.construire(classe, palier, filtre));
        QStringList lus;
        for (const Eleve& eleve : bilan.eleves())
            lus << eleve.nom;
        QCOMPARE(lus, noms);
        QCOMPARE(bilan.palierSansReference(), filtre && palier == P9);
        QVERIFY(bilan.html().endsWith(fin));
    }

    // Le nom de fichier proposé pour enregistrer le bilan d'une classe.
    void nomFichier_data()
    {
        QTest::addColumn<QString>("classe");
        QTest::addColumn<QString>("nom");
        ligne("barre oblique", "CE2/CM1 Mme Roux", "CE2-CM1 Mme Roux");
        ligne("accents et espaces gardés", "CÉ1 élèves  de Noël", "CÉ1 élèves  de Noël");
        ligne("refusés ailleurs", "A\\B:C*D?E\"F<G>H|I\tJ", "A-B-C-D-E-F-G-H-I-J");
        ligne("blancs et points au bout", " CM1. . ", "CM1");
        ligne("rien de gardé", "...", "bilan");
    }
    void nomFichier()
    {
        QFETCH(QString, classe);
        QTEST(Bilan::nomFichier(classe), "nom");
    }

    // Le fichier proposé : le nom de la classe dans le dossier de départ, puis dans le dossier du
    // dernier fichier choisi ; un fichier qui ne peut pas être écrit est refusé avec son chemin.
    void ecrire()
    {
        DossierDepart::oublier();
        QCOMPARE(Bilan::cheminPropose("CM2 <B> & Cie"), DossierDepart::dossier() + "/CM2 -B- & Cie.html");
        QTemporaryDir cible;
        const QString absent = cible.filePath("absent/bilan.html");
        const Resultat<> refus = Bilan::ecrire(absent, "<p>x</p>");
        QVERIFY(!refus);
        QCOMPARE(int(refus.erreur().raison), int(Raison::FichierNonEcrit));
        QCOMPARE(refus.erreur().nom, absent);
        QVERIFY(Bilan::ecrire(cible.filePath("bilan.html"), "<p>é</p>"));
        DossierDepart::retenir(cible.filePath("bilan.html"));
        QCOMPARE(Bilan::cheminPropose("CM2"), cible.path() + "/CM2.html");
        QFile fichier(cible.filePath("bilan.html"));
        QVERIFY(fichier.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(fichier.readAll()).contains("<p>é</p>"));
    }

    // Le bilan mis en pages comme pour l'imprimante, dessiné dans un PDF et relu : chaque ligne sur
    // une seule page, dans l'ordre, aucune perdue ni répétée aux coupures ; chaque page numérotée.
    void pages()
    {
        QTextDocument document;
        QString html;
        for (int ligne = 1; ligne <= 150; ++ligne)
            html += QStringLiteral("<p>Ligne %1</p>").arg(ligne);
        document.setHtml(html);
        QTemporaryDir dossier;
        QPdfWriter pdf(dossier.filePath("bilan.pdf"));
        pdf.setResolution(1200);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        const PagesBilan pages(document, &pdf);
        QVERIFY(pages.nombre() > 2);
        QPainter peintre(&pdf);
        for (int page = 0; page < pages.nombre(); ++page) {
            if (page > 0)
                pdf.newPage();
            pages.dessiner(peintre, page);
        }
        peintre.end();
        const QStringList lues = Pdf::pages(dossier.filePath("bilan.pdf"));
        QCOMPARE(lues.size(), pages.nombre());
        QStringList trouvees, attendues;
        for (int page = 0; page < lues.size(); ++page) {
            // pdftotext resserre « 1 / 5 » en « 1/5 ».
            QVERIFY(lues[page].contains(
                QRegularExpression(QStringLiteral("(^|\\s)%1 ?/ ?%2\\s").arg(page + 1).arg(pages.nombre()))));
            for (const auto& trouvee : QRegularExpression("Ligne (\\d+)").globalMatch(lues[page]))
                trouvees << trouvee.captured(1);
        }
        for (int ligne = 1; ligne <= 150; ++ligne)
            attendues << QString::number(ligne);
        QCOMPARE(trouvees, attendues);
    }

    // Une base tenue par un autre programme : le bilan n'est pas fait à moitié (aucun élève, un
    // document vide de sens), il est refusé avec ce qu'en dit SQLite.
    void baseTenueAilleurs()
    {
        Environnement::VerrouBase verrou;
        QVERIFY(verrou.tenu());
        Bilan bilan;
        const Resultat<> fait = bilan.construire(CM2, P9, false);
        QVERIFY(!fait);
        QCOMPARE(int(fait.erreur().raison), int(Raison::LectureImpossible));
        QVERIFY2(fait.erreur().texte.contains("database is locked"), qPrintable(fait.erreur().texte));
        QVERIFY(bilan.html().isEmpty());
    }
};

QTEST_MAIN(TstBilan)
#include "tst_bilan.moc"
