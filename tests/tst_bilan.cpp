#include "app/mainwindow.h"
#include "dialogs/diawait.h"
#include "report/bilan.h"
#include "report/diabilan.h"
#include "support/dialogues.h"
#include "support/environnement.h"
#include "support/repondeuressai.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QPrinter>
#include <QPushButton>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTest>
#include <QTextDocument>
#include <QTextEdit>
#include <QToolButton>

// Un palier d'essai « P9 » ajouté au livret : une compétence, un agrégat, deux items ; un
// palier « P8 » sans enfant. Classes : une de trois élèves de CM2 aux noms piégés, une à
// niveaux mêlés, une vide.
namespace {
enum : qint64 { P9 = 9000, C1, A1, I1, I2, P8 };

qint64 inserer(const QString& sql, const QVariantList& valeurs = {})
{
    QSqlQuery requete;
    requete.prepare(sql);
    for (const QVariant& valeur : valeurs)
        requete.addBindValue(valeur);
    if (!requete.exec())
        qFatal("insertion refusée");
    return requete.lastInsertId().toLongLong();
}

qint64 palier(const QString& ref)
{
    QSqlQuery requete;
    requete.prepare("SELECT id_comp FROM competences WHERE ref=?");
    requete.addBindValue(ref);
    requete.exec();
    return requete.next() ? requete.value(0).toLongLong() : 0;
}

// Arbre fait à la main pour les groupes : Langue (Dire : Parler, Lire ; Écrire : Copier),
// Maths (agrégat de 54 « a » : 104 « b », 103 « c » ; agrégat de 53 « d » : Compter).
Bilan::Arbre arbreMain()
{
    Bilan::Arbre arbre;
    const QList<Bilan::Noeud> noeuds{{1, 0, 0, "Palier", "P1"},
                                     {10, 1, 1, "Langue", ""},
                                     {11, 10, 2, "Dire", ""},
                                     {12, 11, 3, "Parler", ""},
                                     {13, 11, 3, "Lire", ""},
                                     {14, 10, 2, "Écrire", ""},
                                     {15, 14, 3, "Copier", ""},
                                     {20, 1, 1, "Maths", ""},
                                     {21, 20, 2, QString(54, 'a'), ""},
                                     {22, 21, 3, QString(104, 'b'), ""},
                                     {23, 21, 3, QString(103, 'c'), ""},
                                     {24, 20, 2, QString(53, 'd'), ""},
                                     {25, 24, 3, "Compter", ""}};
    for (const Bilan::Noeud& noeud : noeuds) {
        arbre.noeuds.insert(noeud.id, noeud);
        arbre.enfants[noeud.parent].append(noeud.id);
    }
    return arbre;
}

// Répondeur qui garde aussi le chemin proposé par chaque dialogue d'enregistrement.
class RepondeurChemins : public RepondeurEssai
{
public:
    QStringList proposes;
    QStringList attentes; // texte de la fenêtre d'attente au moment de chaque message
    QMessageBox::StandardButton message(Invite::Genre genre, QWidget* parent, const QString& titre,
                                        const QString& texte, QMessageBox::StandardButtons boutons,
                                        QMessageBox::StandardButton defaut) override
    {
        if (auto* attente = parent ? parent->findChild<diaWait*>() : nullptr)
            attentes << attente->message();
        return RepondeurEssai::message(genre, parent, titre, texte, boutons, defaut);
    }
    QString fichierAEnregistrer(QWidget* parent, const QString& titre, const QString& chemin,
                                const QString& filtre) override
    {
        proposes << chemin;
        return RepondeurEssai::fichierAEnregistrer(parent, titre, chemin, filtre);
    }
};

class Suivi : public Bilan::Suivi
{
public:
    QList<Bilan::Probleme> problemes;
    void probleme(Bilan::Probleme probleme) override { problemes << probleme; }
};

const QString ENTETE_CM2 = "<h1>Classe: CM2 &lt;B&gt; &amp; Cie - Palier neuf</h1>\n"
                           "<h2>Liste globale des élèves concernés</h2>\n<p>DUPONT &amp; &lt;fils&gt; Léa "
                           "(CM2)<br/>\nMARTIN Paul (CM2)<br/>\nZOLA %1 Émile (CM2)<br/>\n </p>";
} // namespace

class TstBilan : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void groupes_data();
    void groupes();
    void document();
    void selection_data();
    void selection();
    void dialogue();
    void fenetrePrincipale();

private:
    std::unique_ptr<QTemporaryDir> dossier;
    qint64 cm2 = 0, mixte = 0, vide = 0;
};

void TstBilan::initTestCase()
{
    Environnement::preparer();
    dossier = Environnement::nouveauDossierDonnees();
    QVERIFY(Environnement::ouvrirBase());
    QVERIFY(Environnement::initialiserBase());
    // Lire (numéro 1) vient avant Parler (numéro 2) dans l'ordre de l'arbre.
    const QList<QVariantList> arbre{{P9, 0, "Palier neuf", 0, 9, "P9"}, {C1, P9, "Langue", 1, 1, "P9C1"},
                                    {A1, C1, "Dire", 2, 1, "P9C1A"},    {I1, A1, "Parler", 3, 2, "P9C1A1"},
                                    {I2, A1, "Lire", 3, 1, "P9C1A2"},   {P8, 0, "Palier vide", 0, 8, "P8"}};
    for (const QVariantList& n : arbre)
        inserer("INSERT INTO competences(id_comp,id_comp_parent,libelle,profondeur,numero,ref) "
                "VALUES(?,?,?,?,?,?)",
                n);
    cm2 = inserer("INSERT INTO classes(libelle,tri) VALUES('CM2 <B> & Cie',1)");
    mixte = inserer("INSERT INTO classes(libelle,tri) VALUES('Mixte',2)");
    vide = inserer("INSERT INTO classes(libelle,tri) VALUES('Vide',3)");
    QList<qint64> e;
    for (const QVariantList& eleve : QList<QVariantList>{
             {cm2, 5, "ZOLA", "%1 Émile"}, {cm2, 5, "DUPONT & <fils>", "Léa"}, {cm2, 5, "MARTIN", "Paul"}})
        e << inserer("INSERT INTO eleves(id_classe,id_niveau,nom,prenom) VALUES(?,?,?,?)", eleve);
    // ZOLA, DUPONT, MARTIN : Parler par tous, Lire par ZOLA, la compétence par DUPONT et MARTIN
    // (deux fois pour MARTIN : un doublon ne compte qu'une fois).
    for (const QVariantList& note : QList<QVariantList>{
             {e[0], I1}, {e[1], I1}, {e[2], I1}, {e[0], I2}, {e[1], C1}, {e[2], C1}, {e[2], C1}})
        inserer("INSERT INTO notes(id_eleve,id_comp,date) VALUES(?,?,'2012-05-04')", note);
    for (const QVariantList& eleve : QList<QVariantList>{{mixte, 7, "CYCLE3"},
                                                         {mixte, 3, "CE2"},
                                                         {mixte, 6, "CYCLE2"},
                                                         {mixte, 2, "CE1"},
                                                         {mixte, 5, "CM2"}})
        inserer("INSERT INTO eleves(id_classe,id_niveau,nom,prenom) VALUES(?,?,?,'x')", eleve);
}

// Groupes d'items pour cinq élèves A à E, une chaîne de validations par item (Parler, Lire,
// Copier, b…, c…, Compter).
void TstBilan::groupes_data()
{
    QTest::addColumn<QStringList>("matrice");
    QTest::addColumn<QString>("attendu");
    const QString tous = "<h3>Tous les élèves ont validé les éléments suivants&nbsp;:</h3>\n";
    const QString langue = "<li><b>Langue</b> : tous les items de la compétence</li>\n";
    const QString maths = "<li><b>Maths</b> : tous les items de la compétence</li>\n";
    QTest::newRow("tous") << QStringList(6, "11111") << tous + "<ul>\n" + langue + maths + "</ul>\n";
    QTest::newRow("aucun") << QStringList(6, "00000")
                           << "<h3>Aucun élève n'a validé les éléments suivants&nbsp;:</h3>\n<ul>\n" +
                                  langue + maths + "</ul>\n";
    // Le plus grand ensemble d'abord, même s'il vient après dans l'ordre des items.
    QTest::newRow("sauf puis ci-dessous")
        << QStringList{"00110", "00110", "00110", "11100", "11100", "11100"}
        << "<h3>Tous les élèves - sauf 2 ci-dessous - ont validé les éléments suivants&nbsp;:</h3>\n<p>\n- D "
           "d<br/>\n- E e<br/>\n</p>\n<ul>\n" +
               maths +
               "</ul>\n<h3>Les élèves ci-dessous (2) ont validé les éléments suivants&nbsp;:</h3>\n<p>\n- C "
               "c<br/>\n- D d<br/>\n</p>\n<ul>\n" +
               langue + "</ul>\n";
    // À nombre égal, les groupes dans l'ordre de leur premier item ; agrégats entiers, puis
    // items restants avec leurs ancêtres, libellé d'item coupé au-delà de 103 caractères.
    QTest::newRow("agrégats et items")
        << QStringList{"10000", "10000", "01000", "10000", "01000", "10000"}
        << "<h3>Les élèves ci-dessous (1) ont validé les éléments suivants&nbsp;:</h3>\n<p>\n- A "
           "a<br/>\n</p>\n"
           "<ul>\n<li><b>Langue</b> - Dire : tous les items de l'agrégat</li>\n<li><b>Maths</b> - " +
               QString(53, 'd') + " : tous les items de l'agrégat</li>\n<li><b>Maths</b> - " +
               QString(54, 'a') + " - " + QString(100, 'b') +
               "...</li>\n</ul>\n<h3>Les élèves ci-dessous (1) ont validé les éléments suivants&nbsp;:</h3>\n"
               "<p>\n- B b<br/>\n</p>\n<ul>\n<li><b>Langue</b> - Écrire : tous les items de l'agrégat</li>\n"
               "<li><b>Maths</b> - " +
               QString(54, 'a') + " - " + QString(103, 'c') + "</li>\n</ul>\n";
    // Libellé d'agrégat coupé au-delà de 53 caractères.
    QTest::newRow("agrégat coupé")
        << QStringList{"00000", "00000", "00000", "11111", "11111", "00000"}
        << tous + "<ul>\n<li><b>Maths</b> - " + QString(50, 'a') +
               "... : tous les items de l'agrégat</li>\n</ul>\n"
               "<h3>Aucun élève n'a validé les éléments suivants&nbsp;:</h3>\n<ul>\n" +
               langue + "<li><b>Maths</b> - " + QString(53, 'd') +
               " : tous les items de l'agrégat</li>\n</ul>\n";
}

void TstBilan::groupes()
{
    QFETCH(QStringList, matrice);
    QFETCH(QString, attendu);
    QList<Bilan::Eleve> eleves;
    for (const char lettre : QByteArray("ABCDE"))
        eleves.append({lettre, QString(QChar(lettre)), QString(QChar(lettre)).toLower(), "CM2"});
    const Bilan::Arbre arbre = arbreMain();
    const QList<Bilan::Item> items = Bilan::collecterItems(arbre, 1);
    QCOMPARE(items.size(), 6);
    QCOMPARE(items.at(3).competence, 20);
    QCOMPARE(Bilan::sectionItems(eleves, items, matrice, arbre), "<h2>Validation des items</h2>\n" + attendu);
}

void TstBilan::document()
{
    Bilan bilan;
    Suivi suivi;
    bilan.construire(cm2, P9, false, &suivi);
    QVERIFY(suivi.problemes.isEmpty());
    QCOMPARE(bilan.matrice(), QStringList({"001", "111"}));
    QCOMPARE(
        bilan.html(),
        ENTETE_CM2 +
            "<h2>Validation des items</h2>\n"
            "<h3>Tous les élèves ont validé les éléments suivants&nbsp;:</h3>\n<ul>\n<li><b>Langue</b> - "
            "Dire "
            "- Parler</li>\n</ul>\n"
            "<h3>Les élèves ci-dessous (1) ont validé les éléments suivants&nbsp;:</h3>\n<p>\n- ZOLA %1 "
            "Émile<br/>\n</p>\n<ul>\n<li><b>Langue</b> - Dire - Lire</li>\n</ul>\n"
            "<h2>Attestations</h2>\n<h3>Langue</h3>\n<p>Tous les élèves - sauf 1 ci-dessous - ont validé la "
            "compétence.</p>\n<p>\n- ZOLA %1 Émile<br/>\n</p>\n");
    // Les textes de la base restent du texte une fois le HTML lu.
    QTextDocument lu;
    lu.setHtml(bilan.html());
    QVERIFY(lu.toPlainText().contains("Classe: CM2 <B> & Cie"));
    QVERIFY(lu.toPlainText().contains("DUPONT & <fils> Léa (CM2)"));
}

void TstBilan::selection_data()
{
    QTest::addColumn<QString>("classe");
    QTest::addColumn<QString>("ref");
    QTest::addColumn<bool>("filtre");
    QTest::addColumn<QStringList>("noms");
    QTest::addColumn<QString>("fin"); // fin attendue du document

    const QString aucun = "<p>Aucun élève n'a été sélectionné. ";
    const QString coche =
        "Vous avez coché la case 'Montrer uniquement les élèves CE1 ou CM2'. La classe ne "
        "contient peut-être pas d'élèves de niveau correspondant à celui du palier: CE1 pour le "
        "palier 1, CM2 pour le palier 2.";
    QTest::newRow("sans filtre") << "mixte"
                                 << "P1" << false << QStringList{"CE1", "CE2", "CM2", "CYCLE2", "CYCLE3"}
                                 << QString();
    QTest::newRow("P1 filtré") << "mixte"
                               << "P1" << true << QStringList{"CE1", "CYCLE2"} << QString();
    QTest::newRow("P2 filtré") << "mixte"
                               << "P2" << true << QStringList{"CM2", "CYCLE3"} << QString();
    QTest::newRow("autre palier filtré") << "mixte"
                                         << "P9" << true << QStringList() << aucun + coche + " </p>";
    QTest::newRow("classe vide") << "vide"
                                 << "P1" << false << QStringList() << aucun + " </p>";
    QTest::newRow("classe vide filtrée") << "vide"
                                         << "P2" << true << QStringList() << aucun + coche + " </p>";
    QTest::newRow("palier sans item") << "mixte"
                                      << "P8" << false << QStringList{"CE1", "CE2", "CM2", "CYCLE2", "CYCLE3"}
                                      << "<h2>Aucun item n'est disponible.</h2>\n<h2>Attestations</h2>\n";
}

void TstBilan::selection()
{
    QFETCH(QString, classe);
    QFETCH(QString, ref);
    QFETCH(bool, filtre);
    QFETCH(QStringList, noms);
    QFETCH(QString, fin);
    Bilan bilan;
    Suivi suivi;
    bilan.construire(classe == "vide" ? vide : mixte, palier(ref), filtre, &suivi);
    QStringList lus;
    for (const Bilan::Eleve& eleve : bilan.eleves())
        lus << eleve.nom;
    QCOMPARE(lus, noms);
    const bool sansReference = filtre && ref != "P1" && ref != "P2";
    QCOMPARE(suivi.problemes, sansReference ? QList<Bilan::Probleme>{Bilan::Probleme::PalierSansReference}
                                            : QList<Bilan::Probleme>{});
    if (!fin.isEmpty())
        QVERIFY2(bilan.html().endsWith(fin), qPrintable(bilan.html().right(300)));
    else
        QCOMPARE(bilan.matrice().size(), bilan.items().size()); // le palier du livret a ses items
}

void TstBilan::dialogue()
{
    RepondeurChemins repondeur;
    DiaBilan dia(nullptr, nullptr);
    auto* boutons = dia.findChild<QDialogButtonBox*>("buttonBox");
    auto* classes = dia.findChild<QComboBox*>("cbClasse");
    auto* paliers = dia.findChild<QComboBox*>("cbPalier");
    QCOMPARE(dia.windowTitle(), "Bilan pour LPC");
    QCOMPARE(classes->currentIndex(), -1);
    QCOMPARE(paliers->currentIndex(), -1);
    QVERIFY(dia.windowFlags().testFlags(Qt::WindowMaximizeButtonHint | Qt::WindowContextHelpButtonHint));

    // Rien avant le premier bilan ; puis le choix manquant.
    boutons->button(QDialogButtonBox::Save)->click();
    QVERIFY(repondeur.proposes.isEmpty());
    repondeur.bouton(QMessageBox::Ok);
    dia.actualiser();
    QCOMPARE(repondeur.dernier().titre, "Attention");
    QCOMPARE(repondeur.dernier().texte, "Veuillez renseigner la classe et le palier.");

    classes->setCurrentIndex(classes->findData(cm2));
    paliers->setCurrentIndex(paliers->findData(qint64(P9)));
    auto* actualiser = dia.findChild<QToolButton*>("btActualiser");
    QCOMPARE(actualiser->shortcut(), QKeySequence(Qt::Key_F5));
    actualiser->click();
    auto* texte = dia.findChild<QTextEdit*>("edTexte");
    QVERIFY2(texte->toPlainText().contains("DUPONT & <fils> Léa (CM2)"), qPrintable(texte->toPlainText()));
    texte->append("Retouche de l'enseignant");

    // Premier enregistrement : le dossier des documents ; ensuite, celui du dernier fichier.
    QTemporaryDir cible;
    const QString chemin = cible.filePath("bilan.html");
    repondeur.chemin(chemin);
    boutons->button(QDialogButtonBox::Save)->click();
    repondeur.chemin(cible.filePath("absent/x.html"));
    repondeur.bouton(QMessageBox::Ok);
    boutons->button(QDialogButtonBox::Save)->click();
    QCOMPARE(repondeur.dernier().texte, "Impossible d'enregistrer le fichier");
    QCOMPARE(repondeur.dernier().titre, "Problème");
    repondeur.annulation();
    boutons->button(QDialogButtonBox::Save)->click();
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QCOMPARE(repondeur.proposes,
             QStringList({documents + "/CM2 <B> & Cie.html", cible.path() + "/CM2 <B> & Cie.html",
                          cible.path() + "/CM2 <B> & Cie.html"}));
    QFile fichier(chemin);
    QVERIFY(fichier.open(QIODevice::ReadOnly));
    const QString contenu = QString::fromUtf8(fichier.readAll());
    QVERIFY(contenu.contains("Retouche de l'enseignant"));
    QVERIFY(contenu.contains("DUPONT &amp; &lt;fils&gt;"));
    QVERIFY(!contenu.contains("<fils>"));

    // Filtre des niveaux sur un palier ni P1 ni P2 : l'avertissement, pendant la sélection.
    dia.findChild<QCheckBox*>("chkNiveau")->setChecked(true);
    repondeur.bouton(QMessageBox::Ok);
    actualiser->click();
    QCOMPARE(repondeur.dernier().titre, "Problème...");
    QCOMPARE(repondeur.dernier().texte,
             "Impossible de trouver une référence au palier demandé, dans la base de données.");
    QCOMPARE(repondeur.attentes, QStringList{"Compilation de la liste des élèves"});
    QVERIFY(repondeur.sansImprevu());
}

void TstBilan::fenetrePrincipale()
{
    RepondeurEssai repondeur;
    MainWindow principale;
    QTemporaryDir cible;
    principale.imprimante()->setOutputFormat(QPrinter::PdfFormat);
    principale.imprimante()->setOutputFileName(cible.filePath("bilan.pdf"));
    auto rempli = std::make_shared<bool>(false);
    const auto fait = quandDialogue<DiaBilan>([&](DiaBilan* dia) {
        auto* classes = dia->findChild<QComboBox*>("cbClasse");
        classes->setCurrentIndex(classes->findData(cm2));
        auto* paliers = dia->findChild<QComboBox*>("cbPalier");
        paliers->setCurrentIndex(paliers->findData(qint64(P9)));
        dia->findChild<QToolButton*>("btActualiser")->click();
        *rempli = dia->findChild<QTextEdit*>("edTexte")->toPlainText().contains("Palier neuf");
        repondeur.accepterImpression();
        auto* boutons = dia->findChild<QDialogButtonBox*>("buttonBox");
        for (QAbstractButton* bouton : boutons->buttons())
            if (bouton->text() == "&Imprimer")
                bouton->click();
        boutons->button(QDialogButtonBox::Close)->click();
    });
    principale.findChild<QAction*>("acBilan")->trigger();
    QVERIFY(*fait);
    QVERIFY(*rempli);
    QVERIFY(repondeur.fileVide());
    QVERIFY(QFileInfo(cible.filePath("bilan.pdf")).size() > 0);
}

QTEST_MAIN(TstBilan)
#include "tst_bilan.moc"
