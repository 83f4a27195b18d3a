#include "db/chargeurlivret.h"
#include "db/lecteurcsv.h"
#include "db/transaction.h"
#include "support/environnement.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

namespace {

struct Noeud {
    qlonglong id = 0;
    qlonglong parent = 0;
    QString libelle;
    int profondeur = 0;
    int numero = 0;
    QString ref;
};

// L'arbre tel qu'il est dans la base, dans l'ordre des clés.
QList<Noeud> lireArbre()
{
    QList<Noeud> noeuds;
    QSqlQuery requete;
    if (!requete.exec(QStringLiteral("SELECT id_comp, id_comp_parent, libelle, profondeur, numero, ref FROM "
                                     "competences ORDER BY id_comp")))
        qFatal("lecture des compétences impossible : %s", qPrintable(requete.lastError().text()));
    while (requete.next())
        noeuds.append({requete.value(0).toLongLong(), requete.value(1).toLongLong(),
                       requete.value(2).toString(), requete.value(3).toInt(), requete.value(4).toInt(),
                       requete.value(5).toString()});
    return noeuds;
}

// L'arbre écrit un nœud par texte, « code|profondeur|numéro|code du parent|libellé », le parent
// désigné par son code (vide pour un palier) : un écart se lit directement dans le message.
QStringList decrireArbre()
{
    const QList<Noeud> noeuds = lireArbre();
    QHash<qlonglong, QString> refs;
    for (const Noeud& n : noeuds)
        refs.insert(n.id, n.ref);
    QStringList description;
    for (const Noeud& n : noeuds) {
        const QString parent =
            n.parent == 0 ? QString() : refs.value(n.parent, QStringLiteral("?%1").arg(n.parent));
        description << QStringLiteral("%1|%2|%3|%4|%5")
                           .arg(n.ref)
                           .arg(n.profondeur)
                           .arg(n.numero)
                           .arg(parent, n.libelle);
    }
    return description;
}

int compter(const QString& sql)
{
    QSqlQuery requete;
    if (!requete.exec(sql) || !requete.next())
        qFatal("requête impossible : %s", qPrintable(sql));
    return requete.value(0).toInt();
}

// Petit livret correct, déjà chargé avant les essais d'échec.
const QByteArray LIVRET_INITIAL = "P1/Palier 1;P1C1/Comp\xE9tence 1;P1C1A/Dire;P1C1A1/Parler\n";

// Les 212 codes du livret, dans l'ordre du fichier, donc des clés 1 à 212.
const QStringList CODES_LIVRET =
    QStringLiteral(
        "P1 P1C1 P1C1A P1C1A1 P1C1A2 P1C1A3 P1C1B P1C1B1 P1C1B2 P1C1B3 P1C1B4 P1C1B5 P1C1C P1C1C1 P1C1C2 "
        "P1C1C3 P1C1D P1C1D1 P1C1D2 P1C1D3 P1C1D4 P1C1D5 P1C1E P1C1E1 P1C1E2 P1C1E3 P1C1E4 P1C1F P1C1F1 "
        "P1C1F2 P1C1F3 P1C3 P1C3A P1C3A1 P1C3A2 P1C3A3 P1C3A4 P1C3A5 P1C3A6 P1C3A7 P1C3A8 P1C3B P1C3B1 "
        "P1C3B2 P1C3B3 P1C3B4 P1C3B5 P1C3B6 P1C3C P1C3C1 P1C3C2 P1C3C3 P1C3D P1C3D1 P1C3D2 P1C6 P1C6A "
        "P1C6A1 P1C6B P1C6B1 P1C6B2 P1C6B3 P2 P2C1 P2C1A P2C1A1 P2C1A2 P2C1A3 P2C1A4 P2C2A5 P2C1B P2C1B1 "
        "P2C1B2 P2C1B3 P2C1B4 P2C1B5 P2C1B6 P2C1B7 P2C1B8 P2C1B9 P2C1BA P2C1C P2C1C1 P2C1C2 P2C1C3 P2C1C4 "
        "P2C1D P2C1D1 P2C1D2 P2C1D3 P2C1D4 P2C1E P2C1E1 P2C1E2 P2C1E3 P2C1F P2C1F1 P2C1F2 P2C1F3 P2C2 "
        "P2C2A P2C2A1 P2C2A2 P2C2A3 P2C2A4 P2C2B P2C2B1 P2C2B2 P2C2B3 P2C2C P2C2C1 P2C2C2 P2C2C3 P2C2D "
        "P2C2D1 P2C2D2 P2C2E P2C2E1 P2C2E2 P2C2E3 P2C2E4 P2C2E5 P2C3 P2C3A P2C3A1 P2C3A2 P2C3A3 P2C3A4 "
        "P2C3A5 P2C3A6 P2C3A7 P2C3A8 P2C3B P2C3B1 P2C3B2 P2C3B3 P2C3B4 P2C3C P2C3C1 P2C3C2 P2C3C3 P2C3C4 "
        "P2C3D P2C3D1 P2C3D2 P2C3D3 P2C3E P2C3E1 P2C3E2 P2C3E3 P2C3F P2C3F1 P2C3F2 P2C3F3 P2C3F4 P2C3F5 "
        "P2C3F6 P2C3F7 P2C3F8 P2C3G P2C3G1 P2C4 P2C4A P2C4A1 P2C4B P2C4B1 P2C4C P2C4C1 P2C4C2 P2C4D P2C4D1 "
        "P2C4D2 P2C4D3 P2C4E P2C4E1 P2C5 P2C5A P2C5A1 P2C5A2 P2C5A3 P2C5A4 P2C5B P2C5B1 P2C5B2 P2C5C "
        "P2C5C1 P2C5D P2C5D1 P2C5D2 P2C5D3 P2C5D4 P2C5D5 P2C6 P2C6A P2C6A1 P2C6A2 P2C6A3 P2C6B P2C6B1 "
        "P2C6B2 P2C7 P2C7A P2C7A1 P2C7A2 P2C7A3 P2C7A4 P2C7B P2C7B1 P2C7C P2C7C1 P2C7C2 P2C7C3")
        .split(QLatin1Char(' '));

} // namespace

class TstLivret : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void arbre_data();
    void arbre();
    void erreurs_data();
    void erreurs();
    void erreurSql_data();
    void erreurSql();
    void fichierAbsent();
    void refusAvecNotes();
    void dansLaTransactionDeLAppelant();
    void fichiersVolumineux();
    void livretReel();
    void fichierDuLivret();

private:
    QString ecrire(const QByteArray& octets);

    std::unique_ptr<QTemporaryDir> dossier;
    int compteur = 0;
};

void TstLivret::initTestCase() { Environnement::preparer(); }

void TstLivret::init()
{
    dossier = Environnement::nouveauDossierDonnees();
    QVERIFY(Environnement::ouvrirBase());
    QVERIFY(Environnement::poserSchema());
}

void TstLivret::cleanup()
{
    Environnement::fermerBase();
    dossier.reset();
}

QString TstLivret::ecrire(const QByteArray& octets)
{
    const QString chemin = dossier->filePath(QStringLiteral("livret%1.csv").arg(++compteur));
    QFile fichier(chemin);
    if (!fichier.open(QIODevice::WriteOnly) || fichier.write(octets) != octets.size())
        qFatal("écriture impossible de %s", qPrintable(chemin));
    return chemin;
}

// Petits livrets faits à la main (en Windows-1252 comme le vrai) et l'arbre attendu.
void TstLivret::arbre_data()
{
    QTest::addColumn<QByteArray>("contenu");
    QTest::addColumn<QStringList>("attendu");

    QTest::newRow("arbre complet")
        << QByteArray("P1/Palier 1;P1C1/Comp\xE9tence 1;P1C1A/Dire;P1C1A1/Parler\r\n"
                      ";;;P1C1A2/R\xE9\x63iter\r\n"
                      ";;P1C1B/Lire;P1C1B1/Lire seul\r\n"
                      ";P1C2/Comp\xE9tence 2;P1C2A/Compter;P1C2A1/Jusqu'\xE0 100\r\n"
                      ";;;\"P1C2A2/Au-del\xE0\"\r\n"
                      "P2/Palier 2;P2C1/Comp\xE9tence 1;P2C1A/\x8Cuvres;P2C1A1/Co\xFBt en \x80\r\n")
        << QStringList{"P1|0|1||Palier 1",           "P1C1|1|1|P1|Compétence 1",
                       "P1C1A|2|1|P1C1|Dire",        "P1C1A1|3|1|P1C1A|Parler",
                       "P1C1A2|3|2|P1C1A|Réciter",   "P1C1B|2|2|P1C1|Lire",
                       "P1C1B1|3|1|P1C1B|Lire seul", "P1C2|1|2|P1|Compétence 2",
                       "P1C2A|2|1|P1C2|Compter",     "P1C2A1|3|1|P1C2A|Jusqu'à 100",
                       "P1C2A2|3|2|P1C2A|Au-delà",   "P2|0|2||Palier 2",
                       "P2C1|1|1|P2|Compétence 1",   "P2C1A|2|1|P2C1|Œuvres",
                       "P2C1A1|3|1|P2C1A|Coût en €"};

    QTest::newRow("guillemets, espaces et barres")
        << QByteArray("  P1/Palier 1  ;\"P1C1/Lire; \xE9\x63rire\";\" P1C1A/a/b \"\n"
                      ";;\"P1C1B/Dire \"\"bonjour\"\"\"\n")
        << QStringList{"P1|0|1||Palier 1", "P1C1|1|1|P1|Lire; écrire", "P1C1A|2|1|P1C1|a/b",
                       "P1C1B|2|2|P1C1|Dire \"bonjour\""};

    QTest::newRow("agrégat sauté") << QByteArray("P1/Palier;P1C1/Comp 1;;P1C1X1/Item un\n"
                                                 ";;;P1C1X2/Item deux\n"
                                                 ";P1C2/Comp 2;P1C2A/Agr;P1C2A1/Item trois\n")
                                   << QStringList{"P1|0|1||Palier",
                                                  "P1C1|1|1|P1|Comp 1",
                                                  "P1C1X1|3|1|P1C1|Item un",
                                                  "P1C1X2|3|2|P1C1|Item deux",
                                                  "P1C2|1|2|P1|Comp 2",
                                                  "P1C2A|2|1|P1C2|Agr",
                                                  "P1C2A1|3|1|P1C2A|Item trois"};

    QTest::newRow("lignes vides passées")
        << QByteArray("P1/Pal;P1C1/Comp;P1C1A/Agr;P1C1A1/It1\n"
                      ";;;\n"
                      "\n"
                      ";;;P1C1A2/It2\n")
        << QStringList{"P1|0|1||Pal", "P1C1|1|1|P1|Comp", "P1C1A|2|1|P1C1|Agr", "P1C1A1|3|1|P1C1A|It1",
                       "P1C1A2|3|2|P1C1A|It2"};

    // Une case qui n'est ni premier enfant ni frère d'un nœud (seules des cases à sa droite
    // la précèdent) n'a pas de place dans l'arbre : les lignes vides jusqu'à la colonne
    // courante sont passées.
    QTest::newRow("case sans place ignorée")
        << QByteArray("P1/Pal;P1C1/Comp;;P1C1X1/It1\n"
                      ";;P1C1A/Agr;P1C1A1/It2\n"
                      "P2/Pal 2\n")
        << QStringList{"P1|0|1||Pal", "P1C1|1|1|P1|Comp", "P1C1X1|3|1|P1C1|It1", "P2|0|2||Pal 2"};

    QTest::newRow("fichier vide") << QByteArray() << QStringList();
}

void TstLivret::arbre()
{
    QFETCH(QByteArray, contenu);
    QFETCH(QStringList, attendu);
    ChargeurLivret chargeur;
    QVERIFY2(chargeur.load(ecrire(contenu)), qPrintable(chargeur.erreur()));
    QCOMPARE(chargeur.erreur(), QString());
    QCOMPARE(decrireArbre(), attendu);
    // Les clés suivent l'ordre du fichier à partir de 1.
    const QList<Noeud> noeuds = lireArbre();
    for (int i = 0; i < noeuds.size(); ++i)
        QCOMPARE(noeuds.at(i).id, qlonglong(i + 1));
}

// Un livret fautif : le message exact (ligne et colonne comptées depuis 0), et l'arbre d'avant
// retrouvé une fois la transaction de l'appelant annulée.
void TstLivret::erreurs_data()
{
    QTest::addColumn<QByteArray>("contenu");
    QTest::addColumn<QString>("message");

    QTest::newRow("palier sans barre")
        << QByteArray("Palier 1;P1C1/Comp\n") << "Référence absente dans le libelle, ligne 0, colonne 0";
    QTest::newRow("premier enfant sans barre") << QByteArray("P1/Pal;P1C1/Comp;Dire;P1C1A1/It\n")
                                               << "Référence absente dans le libelle, ligne 0, colonne 2";
    QTest::newRow("frère sans barre") << QByteArray("P1/Pal;P1C1/Comp;P1C1A/Agr\n;;Dire;P1C1A1/It\n")
                                      << "Référence absente dans le libelle, ligne 1, colonne 2";
    QTest::newRow("frère commençant par la barre")
        << QByteArray("P1/Pal;P1C1/Comp;P1C1A/Agr;P1C1A1/It\n;;;P1C1A2/It 2\n;;;/Sans code\n")
        << "Référence absente dans le libelle, ligne 2, colonne 3";
    QTest::newRow("barre après des espaces")
        << QByteArray("P1/Pal;   /Comp\n") << "Référence absente dans le libelle, ligne 0, colonne 1";
    QTest::newRow("case d'espaces") << QByteArray("P1/Pal;   ;P1C1A/Agr\n")
                                    << "Référence absente dans le libelle, ligne 0, colonne 1";
    QTest::newRow("libellé vide") << QByteArray("P1/Pal;P1C1/\n") << "Libellé vide en ligne 0, colonne 1";
    QTest::newRow("libellé d'espaces")
        << QByteArray("P1/Pal;P1C1/Comp\n;P1C2/   \n") << "Libellé vide en ligne 1, colonne 1";
    QTest::newRow("libellé vide après des nœuds corrects")
        << QByteArray("P1/Pal;P1C1/Comp;P1C1A/Agr;P1C1A1/It\n;;P1C1B/;P1C1B1/It\n")
        << "Libellé vide en ligne 1, colonne 2";
}

void TstLivret::erreurs()
{
    QFETCH(QByteArray, contenu);
    QFETCH(QString, message);
    {
        ChargeurLivret initial;
        QVERIFY2(initial.load(ecrire(LIVRET_INITIAL)), qPrintable(initial.erreur()));
    }
    const QStringList avant = decrireArbre();
    QCOMPARE(avant.size(), 4);

    ChargeurLivret chargeur;
    {
        Transaction transaction;
        QVERIFY(transaction.estOuverte());
        QVERIFY(!chargeur.load(ecrire(contenu)));
        QCOMPARE(chargeur.erreur(), message);
    }
    QCOMPARE(decrireArbre(), avant);

    // Le message d'un échec ne reste pas après un chargement réussi.
    QVERIFY(chargeur.load(ecrire(LIVRET_INITIAL)));
    QCOMPARE(chargeur.erreur(), QString());
}

// Toute erreur de la base arrête le chargement avec le texte de l'erreur.
void TstLivret::erreurSql_data()
{
    QTest::addColumn<QString>("preparation");
    QTest::addColumn<QByteArray>("contenu");
    QTest::addColumn<QString>("extrait");

    QTest::newRow("code en double") << QString() << QByteArray("P1/Pal;P1C1/Comp\n;P1C1/Encore\n")
                                    << "UNIQUE constraint failed: competences.ref";
    QTest::newRow("table notes absente")
        << "DROP TABLE notes" << QByteArray(LIVRET_INITIAL) << "no such table: notes";
    QTest::newRow("table competences absente")
        << "DROP TABLE competences" << QByteArray(LIVRET_INITIAL) << "no such table: competences";
}

void TstLivret::erreurSql()
{
    QFETCH(QString, preparation);
    QFETCH(QByteArray, contenu);
    QFETCH(QString, extrait);
    if (!preparation.isEmpty()) {
        QSqlQuery requete;
        QVERIFY2(requete.exec(preparation), qPrintable(requete.lastError().text()));
    }
    ChargeurLivret chargeur;
    QVERIFY(!chargeur.load(ecrire(contenu)));
    QVERIFY2(chargeur.erreur().contains(extrait), qPrintable(chargeur.erreur()));
}

void TstLivret::fichierAbsent()
{
    const QString chemin = dossier->filePath(QStringLiteral("absent.csv"));
    ChargeurLivret chargeur;
    QVERIFY(!chargeur.load(chemin));
    QCOMPARE(chargeur.erreur(), QStringLiteral("Impossible de charger le fichier %1").arg(chemin));
    // Le message du lecteur reste disponible pour l'avertissement « Chargement » de l'appelant.
    QVERIFY2(
        chargeur.lecteur().messageErreur().startsWith(QStringLiteral("Le chargement de \"%1\"").arg(chemin)),
        qPrintable(chargeur.lecteur().messageErreur()));
}

// Une seule note suffit pour refuser : message exact, compétences intactes (sans même
// compter sur l'annulation de l'appelant).
void TstLivret::refusAvecNotes()
{
    ChargeurLivret chargeur;
    QVERIFY2(chargeur.load(ecrire(LIVRET_INITIAL)), qPrintable(chargeur.erreur()));
    const QStringList avant = decrireArbre();

    QSqlQuery requete;
    QVERIFY(requete.exec(
        QStringLiteral("INSERT INTO notes(id_eleve, id_comp, date) VALUES(1, 4, '2011-05-02')")));
    QVERIFY(!chargeur.load(ecrire("P9/Autre palier\n")));
    QCOMPARE(chargeur.erreur(), QStringLiteral("Impossible d'importer le livret car il existe des notes. "
                                               "Il faut d'abord supprimer les notes."));
    QCOMPARE(decrireArbre(), avant);

    QVERIFY(requete.exec(QStringLiteral("DELETE FROM notes")));
    QVERIFY2(chargeur.load(ecrire("P9/Autre palier\n")), qPrintable(chargeur.erreur()));
    QCOMPARE(decrireArbre(), QStringList{"P9|0|1||Autre palier"});
}

// Le chargeur travaille dans la transaction de l'appelant, sans ouvrir ni valider la sienne :
// un chargement réussi puis annulé par l'appelant ne laisse rien.
void TstLivret::dansLaTransactionDeLAppelant()
{
    ChargeurLivret chargeur;
    QVERIFY(chargeur.load(ecrire(LIVRET_INITIAL)));
    const QStringList avant = decrireArbre();
    {
        Transaction transaction;
        QVERIFY(transaction.estOuverte());
        QVERIFY2(chargeur.load(ecrire("P7/Autre;P7C1/Comp\n")), qPrintable(chargeur.erreur()));
        QCOMPARE(compter(QStringLiteral("SELECT COUNT(*) FROM competences")), 2);
    }
    QCOMPARE(decrireArbre(), avant);
}

// Des fichiers hors normes : beaucoup de frères (la profondeur d'appel ne doit pas suivre le
// nombre de lignes) et beaucoup de colonnes (la profondeur suit les colonnes).
void TstLivret::fichiersVolumineux()
{
    const int freres = 200000;
    QByteArray longues("P1/Palier;C1/Comp\n");
    for (int i = 2; i <= freres; ++i)
        longues += ";C" + QByteArray::number(i) + "/Comp\n";
    const int colonnes = 2000;
    QByteArray larges;
    for (int c = 0; c < colonnes; ++c)
        larges += (c ? ";N" : "N") + QByteArray::number(c) + "/Niveau";
    larges += "\n";

    ChargeurLivret chargeur;
    {
        Transaction transaction;
        QVERIFY2(chargeur.load(ecrire(longues)), qPrintable(chargeur.erreur()));
        QVERIFY(transaction.valider());
    }
    QCOMPARE(compter(QStringLiteral("SELECT COUNT(*) FROM competences")), freres + 1);
    QCOMPARE(compter(QStringLiteral("SELECT MAX(numero) FROM competences WHERE profondeur=1")), freres);
    QCOMPARE(compter(QStringLiteral("SELECT COUNT(*) FROM competences WHERE id_comp_parent=1")), freres);

    {
        Transaction transaction;
        QVERIFY2(chargeur.load(ecrire(larges)), qPrintable(chargeur.erreur()));
        QVERIFY(transaction.valider());
    }
    const QList<Noeud> noeuds = lireArbre();
    QCOMPARE(noeuds.size(), colonnes);
    for (int c = 0; c < colonnes; ++c) {
        QCOMPARE(noeuds.at(c).ref, QStringLiteral("N%1").arg(c));
        QCOMPARE(noeuds.at(c).profondeur, c);
        QCOMPARE(noeuds.at(c).numero, 1);
        QCOMPARE(noeuds.at(c).parent, c ? noeuds.at(c - 1).id : 0);
    }
}

// Le livret des ressources, chargé comme le fait l'initialisation.
void TstLivret::livretReel()
{
    ChargeurLivret chargeur;
    {
        Transaction transaction;
        QVERIFY2(chargeur.load(QStringLiteral(":outils/livrets.csv")), qPrintable(chargeur.erreur()));
        QVERIFY(transaction.valider());
    }
    QCOMPARE(chargeur.erreur(), QString());
    QCOMPARE(chargeur.lecteur().nombreLignes(), 156);
    QCOMPARE(chargeur.lecteur().nombreColonnes(), 4);

    const QList<Noeud> noeuds = lireArbre();
    QCOMPARE(noeuds.size(), 212);
    QStringList codes;
    for (const Noeud& n : noeuds)
        codes << n.ref;
    QCOMPARE(codes, CODES_LIVRET);
    for (int i = 0; i < noeuds.size(); ++i)
        QCOMPARE(noeuds.at(i).id, qlonglong(i + 1));
    QCOMPARE(noeuds.at(63 - 1).ref, QStringLiteral("P2"));
    QCOMPARE(noeuds.at(185 - 1).ref, QStringLiteral("P2C5C"));
    QCOMPARE(noeuds.at(186 - 1).ref, QStringLiteral("P2C5C1"));

    const QRegularExpression formes[4] = {QRegularExpression(QStringLiteral("^P\\d$")),
                                          QRegularExpression(QStringLiteral("^P\\dC\\d$")),
                                          QRegularExpression(QStringLiteral("^P\\dC\\d[A-Z]$")),
                                          QRegularExpression(QStringLiteral("^P\\dC\\d[A-Z][1-9A-Z]$"))};
    int parProfondeur[4] = {0, 0, 0, 0};
    qlonglong dernier[4] = {0, 0, 0, 0}; // dernier nœud vu à chaque profondeur
    QHash<qlonglong, int> enfants;       // nombre d'enfants déjà vus par parent
    for (const Noeud& n : noeuds) {
        const QByteArray nom = n.ref.toUtf8();
        QVERIFY2(n.profondeur >= 0 && n.profondeur <= 3, nom.constData());
        QVERIFY2(formes[n.profondeur].match(n.ref).hasMatch(), nom.constData());
        ++parProfondeur[n.profondeur];
        QCOMPARE(n.parent, n.profondeur == 0 ? 0 : dernier[n.profondeur - 1]);
        dernier[n.profondeur] = n.id;
        QCOMPARE(n.numero, ++enfants[n.parent]);

        QVERIFY2(!n.libelle.isEmpty(), nom.constData());
        QVERIFY2(n.libelle == n.libelle.trimmed(), nom.constData());
        QVERIFY2(!n.libelle.contains(QLatin1Char('\r')) && !n.libelle.contains(QLatin1Char('\n')),
                 nom.constData());
        QVERIFY2(!n.libelle.contains(QLatin1Char('"')), nom.constData());
        // Un caractère de contrôle C1 trahirait un fichier lu dans un autre encodage.
        for (const QChar c : n.libelle)
            QVERIFY2(c.unicode() >= 0x20 && (c.unicode() < 0x7F || c.unicode() > 0x9F), nom.constData());
    }
    QCOMPARE(parProfondeur[0], 2);
    QCOMPARE(parProfondeur[1], 10);
    QCOMPARE(parProfondeur[2], 44);
    QCOMPARE(parProfondeur[3], 156);

    // Paliers et compétences : libellés exacts ; agrégats et items de chaque compétence.
    struct Ligne {
        const char* code;
        const char* libelle;
        int agregats;
        int items;
    };
    const Ligne table[] = {
        {"P1", "Palier 1", 0, 0},
        {"P1C1", "Compétence 1: maîtrise de la langue française", 6, 23},
        {"P1C3", "Compétence 3: principaux éléments de mathématiques", 4, 19},
        {"P1C6", "Compétence 6: compétences sociales et civiques", 2, 4},
        {"P2", "Palier 2", 0, 0},
        {"P2C1", "Compétence 1: maîtrise de la langue française", 6, 29},
        {"P2C2", "Compétence 2: pratique d'une langue vivante étrangère", 5, 17},
        {"P2C3",
         "Compétence 3: principaux éléments de mathématiques et la culture scientifique et technologique", 7,
         31},
        {"P2C4", "Compétence 4: maîtrise des techniques usuelles de l'information et de la communication", 5,
         8},
        {"P2C5", "Compétence 5: culture humaniste", 4, 12},
        {"P2C6", "Compétence 6: compétences sociales et civiques", 2, 5},
        {"P2C7", "Compétence 7: autonomie et initiative", 3, 8},
    };
    QStringList hautsAttendus;
    for (const Ligne& l : table) {
        hautsAttendus << QString::fromUtf8(l.code) + QLatin1Char('|') + QString::fromUtf8(l.libelle);
        if (l.agregats == 0)
            continue;
        QSqlQuery requete;
        QVERIFY(requete.prepare(QStringLiteral(
            "SELECT (SELECT COUNT(*) FROM competences a WHERE a.id_comp_parent=c.id_comp AND "
            "a.profondeur=2), "
            "(SELECT COUNT(*) FROM competences i JOIN competences a ON i.id_comp_parent=a.id_comp "
            "WHERE a.id_comp_parent=c.id_comp AND i.profondeur=3) "
            "FROM competences c WHERE c.ref=?")));
        requete.addBindValue(QString::fromUtf8(l.code));
        QVERIFY(requete.exec() && requete.next());
        QVERIFY2(requete.value(0).toInt() == l.agregats, l.code);
        QVERIFY2(requete.value(1).toInt() == l.items, l.code);
    }
    QStringList hauts;
    for (const Noeud& n : noeuds)
        if (n.profondeur <= 1)
            hauts << n.ref + QLatin1Char('|') + n.libelle;
    QCOMPARE(hauts, hautsAttendus);

    // Les premières lignes du fichier, telles que les montre le livret national.
    const QStringList debut{
        "P1|0|1||Palier 1",
        "P1C1|1|1|P1|Compétence 1: maîtrise de la langue française",
        "P1C1A|2|1|P1C1|Dire",
        "P1C1A1|3|1|P1C1A|S'exprimer clairement à l'oral en utilisant un vocabulaire approprié",
        "P1C1A2|3|2|P1C1A|Participer en classe à un échange verbal en respectant les règles de la "
        "communication",
        "P1C1A3|3|3|P1C1A|Dire de mémoire quelques textes en prose ou poèmes courts",
        "P1C1B|2|2|P1C1|Lire",
        "P1C1B1|3|1|P1C1B|Lire seul, à haute voix, un texte comprenant des mots connus et inconnus"};
    QCOMPARE(decrireArbre().mid(0, debut.size()), debut);
}

// Le fichier lui-même : Windows-1252 sans BOM, lignes terminées par CRLF.
void TstLivret::fichierDuLivret()
{
    QFile fichier(QStringLiteral(":outils/livrets.csv"));
    QVERIFY(fichier.open(QIODevice::ReadOnly));
    const QByteArray octets = fichier.readAll();
    QVERIFY(!octets.startsWith("\xEF\xBB\xBF"));
    QVERIFY(octets.contains("\r\n"));
    QCOMPARE(octets.count("\r\n"), octets.count('\n'));
    QCOMPARE(octets.count("\r\n"), octets.count('\r'));
    QVERIFY(octets.endsWith("\r\n"));
    QCOMPARE(octets.count('\n'), 156);
    QVERIFY(octets.contains("Comp\xE9tence"));
    QVERIFY(!octets.contains("\xC3\xA9")); // pas d'UTF-8 glissé dans le fichier
    QVERIFY(LecteurCsv::decoder(octets).contains(
        QStringLiteral("Compétence 1: maîtrise de la langue française")));
}

QTEST_GUILESS_MAIN(TstLivret)
#include "tst_livret.moc"
