// SPDX-License-Identifier: GPL-3.0-or-later
// Le tirage dans le cœur seul, sans imprimante : la mise en faces des livrets, les pages de chaque
// élève, le plan d'un tirage (travaux, rectos et versos, pauses du recto/verso manuel, ce qui est
// déjà parti quand un travail échoue) et le dessin des feuilles du plan dans un PDF relu.
#include "core/db/requetes.h"
#include "core/print/composition.h"
#include "core/print/pages.h"
#include "core/print/tirage.h"
#include "support/donnees.h"
#include "support/environnement.h"
#include "support/pdf.h"
#include "support/sql.h"

#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QScopeGuard>
#include <QTest>

namespace {

using Sql::valeur;

// Faces écrites « A|B » en brochure, « A » en portrait (numéros de page), séparées d'un blanc.
QString decrire(const QList<FaceImprimee>& faces, bool brochure)
{
    QStringList textes;
    for (const FaceImprimee& face : faces)
        textes << (brochure ? QStringLiteral("%1|%2").arg(face.numberA).arg(face.numberB)
                            : QString::number(face.numberA));
    return textes.join(' ');
}

// Les élèves des plans écrits : 1 L, 2 M, 3 T.
QString lettre(qint64 eleve)
{
    return QStringLiteral("_LMT").mid(int(qBound(qint64(0), eleve, qint64(3))), 1);
}

QString lettres(const QList<qint64>& eleves)
{
    QString texte;
    for (const qint64 eleve : eleves)
        texte += lettre(eleve);
    return texte;
}

// Un plan en texte, étape par étape séparées de « ; » : une pause « pause N » ; un travail
// « contenu[ élève][ paysage] [feuilles] », chaque feuille de ses vues jointes par « + », une vue
// écrite élève puis numéro de page (« _ » : page blanche) ; un travail qui ne part pas le premier
// dit « après rectos/complets » : les élèves dont les rectos sont faits, ceux imprimés en entier.
QString decrire(const Tirage::Plan& plan)
{
    static const char* const contenus[] = {"attestations", "livrets", "rectos", "versos"};
    QStringList etapes;
    for (const Tirage::Etape& etape : plan.etapes) {
        if (etape.sorte == Tirage::Etape::Pause) {
            etapes << QStringLiteral("pause %1").arg(etape.pause);
            continue;
        }
        const Tirage::Travail& t = etape.travail;
        QStringList feuilles;
        for (const Tirage::Feuille& feuille : t.feuilles) {
            QStringList vues;
            for (const Tirage::Vue& vue : feuille)
                vues << (vue.page == 0 ? QStringLiteral("_")
                                       : lettre(vue.eleve) + (vue.numero ? QString::number(vue.numero) : ""));
            feuilles << vues.join('+');
        }
        QString texte = QLatin1String(contenus[int(t.contenu)]);
        if (t.eleve != 0)
            texte += ' ' + lettre(t.eleve);
        if (t.paysage)
            texte += QLatin1String(" paysage");
        texte += " [" + feuilles.join(' ') + ']';
        if (!t.premier)
            texte += QStringLiteral(" après %1/%2").arg(lettres(t.rectosFaits), lettres(t.complets));
        etapes << texte;
    }
    return etapes.join(QLatin1String(" ; "));
}

qint64 eleve(const QString& nom, const QString& prenom)
{
    return valeur("INSERT INTO eleves(id_classe,id_niveau,nom,prenom) VALUES(1,2,?,?)", {nom, prenom})
        .toLongLong();
}

// Dessine en PDF les feuilles du premier travail d'un plan, comme le tirage du programme sur une
// imprimante (page entière, 1200 points par pouce) ; rend le texte des pages, rien si une feuille
// n'a pas pu être dessinée.
QStringList dessinerPdf(const QString& chemin, const Tirage::Plan& plan, const QString& ecole,
                        const OptionsImpression& options)
{
    const Tirage::Travail travail = plan.travaux().value(0);
    QPdfWriter pdf(chemin);
    pdf.setResolution(1200);
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setPageMargins(QMarginsF());
    pdf.setPageOrientation(travail.paysage ? QPageLayout::Landscape : QPageLayout::Portrait);
    QPainter peintre(&pdf);
    const QRect vue = Tirage::preparerPeintre(peintre);
    for (int i = 0; i < travail.feuilles.size(); ++i) {
        if (i > 0)
            pdf.newPage();
        if (!Tirage::dessinerFeuille(peintre, vue, travail.feuilles.at(i), ecole, options))
            return {};
    }
    peintre.end();
    return Pdf::pages(chemin);
}

} // namespace

class TstTirage : public QObject
{
    Q_OBJECT

    Environnement::Dossier donnees;
    qint64 p1 = 0, p2 = 0, lou = 0, max = 0;
    OptionsImpression options;

private Q_SLOTS:
    void initTestCase()
    {
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

    // La mise en faces : brochure imposée en livret et complétée de pages blanches, ordre des
    // faces pour le recto/verso manuel au bac haut ou au bac bas.
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

    // Le plan d'un tirage, sans imprimante : ce qui part, dans quel ordre, et quand l'utilisateur
    // retourne ses feuilles. Les livrets : L 4 pages, M 2 (ou 1), T 3.
    void plan_data()
    {
        QTest::addColumn<int>("quoi");     // 1 attestations, 2 livrets
        QTest::addColumn<bool>("paysage"); // attestations en paysage, livrets en brochure
        QTest::addColumn<int>("duplex");
        QTest::addColumn<bool>("parEleve");
        QTest::addColumn<bool>("imprimanteRectoVerso");
        QTest::addColumn<int>("pagesM");
        QTest::addColumn<int>("rectoVerso"); // de l'imprimante pendant le tirage
        QTest::addColumn<QString>("plan");
        const int choisi = int(Tirage::RectoVerso::CommeChoisi), aucun = int(Tirage::RectoVerso::Aucun),
                  court = int(Tirage::RectoVerso::BordCourt);
        ligne("attestations, portrait", 1, false, 0, false, true, 2, aucun, "attestations [L M T]");
        ligne("attestations, paysage : le troisième sur une nouvelle feuille", 1, true, 0, false, false, 2,
              aucun, "attestations paysage [L+M T]");
        ligne("continu", 2, false, 0, false, false, 2, choisi, "livrets [L1 L2 L3 L4 M1 M2 T1 T2 T3]");
        ligne("continu, imprimante recto-verso : chacun sur une feuille neuve", 2, false, 0, false, true, 2,
              choisi, "livrets [L1 L2 L3 L4 M1 M2 T1 T2 T3 _]");
        ligne("brochure, imprimante recto-verso : bord court", 2, true, 0, false, true, 2, court,
              "livrets paysage [L4+L1 L2+L3 _+M1 M2+_ _+T1 T2+T3]");
        ligne("bac haut", 2, false, 1, false, false, 2, aucun,
              "rectos [L1 L3 M1 T1 T3] ; pause 0 ; versos [L2 L4 M2 T2 _] après LMT/");
        ligne("bac bas : les versos à rebours", 2, false, 2, false, false, 2, aucun,
              "rectos [L1 L3 M1 T1 T3] ; pause 1 ; versos [_ T2 M2 L4 L2] après LMT/");
        ligne("bac haut, une seule page : un verso blanc", 2, false, 1, false, false, 1, aucun,
              "rectos [L1 L3 M1 T1 T3] ; pause 0 ; versos [L2 L4 _ T2 _] après LMT/");
        ligne("brochure bac bas", 2, true, 2, false, true, 2, aucun,
              "rectos paysage [L4+L1 _+M1 _+T1] ; pause 1 ; versos paysage [T2+T3 M2+_ L2+L3] après LMT/");
        ligne("élève par élève", 2, false, 1, true, false, 2, aucun,
              "rectos L [L1 L3] ; pause 0 ; versos L [L2 L4] après L/ ; pause 2 ; "
              "rectos M [M1] après /L ; pause 0 ; versos M [M2] après M/L ; pause 2 ; "
              "rectos T [T1 T3] après /LM ; pause 0 ; versos T [T2 _] après T/LM ; pause 2");
    }
    void plan()
    {
        QFETCH(int, quoi);
        QFETCH(bool, paysage);
        QFETCH(int, duplex);
        QFETCH(bool, parEleve);
        QFETCH(bool, imprimanteRectoVerso);
        QFETCH(int, pagesM);
        Tirage::Plan plan;
        if (quoi == 1) {
            plan = Tirage::planAttestations(p1, {1, 2, 3}, paysage);
        } else {
            options.brochure = paysage;
            options.duplex = duplex;
            options.oneByOne = parEleve;
            Tirage::ListeTirage liste;
            const QList<int> nombres{4, pagesM, 3};
            for (int e = 0; e < nombres.size(); ++e) {
                QList<qint64> pages;
                for (int p = 0; p < nombres.at(e); ++p)
                    pages << 100 + p;
                liste << Pages::ordonner(pages, e + 1, paysage, duplex, imprimanteRectoVerso && duplex == 0);
            }
            plan = Tirage::planCompetences(liste, options, imprimanteRectoVerso);
        }
        QTEST(decrire(plan), "plan");
        QTEST(int(plan.rectoVerso), "rectoVerso");
    }

    // Pages d'un élève : attestation (ref négative) puis compétences non validées, ou toutes.
    void pagesEleve()
    {
        auto refs = [&](qint64 id) {
            QStringList textes;
            for (qint64 page : Pages::pagesEleve(p1, id, options).valeurOu({}))
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
        options.teacher = "Mme A & B";
        const QString html =
            Composition::htmlAttestation(p1, lou, "École <Jules> & Cie\n12 rue Haute", options).valeurOu({});
        QVERIFY(html.contains("École &lt;Jules&gt; &amp; Cie<br/>12 rue Haute</font></p>"));
        QVERIFY(html.contains(">Lou &amp; Léa &lt;b&gt;Zoé</font>"));
        QVERIFY(html.contains("L'enseignant :<br/>Mme A &amp; B</font>"));
    }

    // Le livret d'un élève dessiné par le plan, relu dans le PDF : attestation, dates, pieds de page.
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
        options.compAll = true;
        options.brochure = brochure;
        options.language = langue;
        const QList<FaceImprimee> faces =
            Pages::construirePages(palier == 1 ? p1 : p2, max, options).valeurOu({});
        const int total = Pages::nombrePages(faces, brochure);
        const QStringList pages =
            dessinerPdf(donnees->filePath("livret.pdf"), Tirage::planCompetences({faces}, options, false),
                        Requetes::ecole()->ecole, options);
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
        options.compAll = true;
        const QList<FaceImprimee> faces = Pages::construirePages(p2, max, options).valeurOu({});
        const QString tout = dessinerPdf(donnees->filePath("ordre.pdf"),
                                         Tirage::planCompetences({faces}, options, false), QString(), options)
                                 .join('\f')
                                 .simplified();
        const qsizetype inventer = tout.indexOf("Inventer et réaliser");
        QVERIFY(inventer >= 0 && inventer < tout.indexOf("Interpréter de mémoire"));
    }

    // Une classe de 30 élèves au palier 2, toutes les compétences et l'attestation, en brochure :
    // 4 pages par élève. La durée se mesure au banc (bench/), pas ici.
    void classeEntiere()
    {
        options.compAll = true;
        options.brochure = true;
        QList<qint64> classe;
        for (int i = 0; i < 30; ++i)
            classe << eleve(QString("ELEVE%1").arg(i), "Prénom");
        const Tirage::ListeTirage liste = Tirage::construireToutesPages(p2, classe, options).valeurOu({});
        const QStringList pages = dessinerPdf(donnees->filePath("classe.pdf"),
                                              Tirage::planCompetences(liste, options, false), "X", options);
        valeur("DELETE FROM eleves WHERE id_eleve>?", {max});
        QCOMPARE(pages.size(), 120);
    }

    // Barre du premier domaine d'une page rendue (y = 61 sans nom d'élève ni long titre), en gris
    // ou en couleur.
    void couleurs()
    {
        for (const bool gris : {true, false}) {
            options.grey = gris;
            QImage image(420, 594, QImage::Format_RGB32);
            image.fill(Qt::white);
            QPainter peintre(&image);
            Tirage::preparerPeintre(peintre);
            QVERIFY(dessinerCompetence(peintre, Sql::idRef("P1C1"), 0, 0, 0, options));
            peintre.end();
            QCOMPARE(image.pixelColor(210, 61), gris ? QColor(128, 128, 128) : QColor(0, 172, 239));
            QCOMPARE(image.pixelColor(210, 59), QColor(Qt::white));
        }
    }

    // Une base tenue par un autre programme : les pages d'un élève ne sont pas lues et une feuille
    // ne se dessine pas à moitié ; le refus porte ce qu'en dit SQLite.
    void baseTenueAilleurs()
    {
        options.compAll = true;
        const Tirage::Plan plan = Tirage::planCompetences(
            Tirage::construireToutesPages(p1, {max}, options).valeurOu({}), options, false);
        QVERIFY(!plan.travaux().value(0).feuilles.isEmpty());
        Environnement::VerrouBase verrou;
        QVERIFY(verrou.tenu());
        const auto liste = Tirage::construireToutesPages(p1, {max}, options);
        QVERIFY(!liste);
        QCOMPARE(int(liste.erreur().raison), int(Raison::LectureImpossible));
        QImage image(420, 594, QImage::Format_RGB32);
        QPainter peintre(&image);
        const Resultat<> dessin =
            Tirage::dessinerFeuille(peintre, Tirage::preparerPeintre(peintre),
                                    plan.travaux().value(0).feuilles.first(), "X", options);
        QVERIFY(!dessin);
        QVERIFY2(dessin.erreur().texte.contains("database is locked"), qPrintable(dessin.erreur().texte));
    }
};

QTEST_MAIN(TstTirage)
#include "tst_tirage.moc"
