// SPDX-License-Identifier: GPL-3.0-or-later
// Les fichiers que le programme écrit (fichier de classe, bilan, sauvegarde de la base, tirage en
// PDF) sont entiers ou absents : sur un disque qui se remplit en chemin, dans un dossier qui
// disparaît, ou quand un appel du système échoue à n'importe quel moment de l'écriture, la
// destination garde ce qu'elle tenait, rien n'est laissé à côté, et une réussite annoncée laisse
// le fichier entier. Droits des fichiers écrits et du dossier des données.
#include "core/commun/application.h"
#include "core/commun/dossierdonnees.h"
#include "core/commun/ecrituresure.h"
#include "core/db/sauvegarde.h"
#include "core/db/schema.h"
#include "core/exchange/fichierclasse.h"
#include "core/print/controlepdf.h"
#include "core/report/bilan.h"
#include "coupures/chargement.h"
#include "support/donnees.h"
#include "support/petitdisque.h"

#include <QDir>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

const QByteArray ANCIEN = "ancien contenu, à garder tant que le nouveau n'est pas entier\n";

// Le contenu de chaque genre d'écriture : assez gros pour ne pas tenir sur le petit disque.
QDomDocument documentClasse()
{
    QDomDocument document;
    QDomElement racine = document.createElement("classe");
    racine.setAttribute("nom", "CE1 A");
    document.appendChild(racine);
    for (int i = 0; i < 1500; ++i) {
        QDomElement eleve = document.createElement("eleve");
        eleve.setAttribute("nom", QStringLiteral("NOM%1").arg(i));
        eleve.setAttribute("maj", "2024-01-01 10:00:00");
        racine.appendChild(eleve);
    }
    return document;
}

QString htmlBilan()
{
    QString html = "<html><body>";
    for (int i = 0; i < 1500; ++i)
        html += QStringLiteral("<p>Élève %1 : tous les items de la compétence</p>\n").arg(i);
    return html + "</body></html>";
}

QByteArray baseSource()
{
    QByteArray octets;
    for (int i = 0; i < 2500; ++i)
        octets += "SQLite format 3 — page " + QByteArray::number(i) + '\n';
    return octets;
}

// Un tirage de `pages` pages dans un fichier PDF, comme le fait le dialogue d'impression : écrit
// à côté, relu, nommé seulement entier.
bool ecrirePdf(const QString& destination, int pages, EcritureSure::Panne* panne = nullptr)
{
    EcritureSure ecriture(destination, EcritureSure::Droits::Usuels);
    const QString provisoire = ecriture.cheminProvisoire();
    if (!provisoire.isEmpty()) {
        QPdfWriter pdf(provisoire);
        QPainter peintre(&pdf);
        for (int page = 0; page < pages; ++page) {
            if (page > 0)
                pdf.newPage();
            for (int ligne = 0; ligne < 40; ++ligne)
                peintre.drawText(200, 300 + 200 * ligne,
                                 QStringLiteral("Page %1, ligne %2 : compétence validée le 12/03/2024")
                                     .arg(page)
                                     .arg(ligne));
        }
    }
    const bool faite = ecriture.valider([](const QString& chemin) { return ControlePdf::complet(chemin); });
    if (panne)
        *panne = ecriture.panne();
    return faite;
}

// Une écriture d'un genre donné vers `destination` ; vrai quand elle annonce sa réussite.
bool ecrire(const QString& genre, const QString& destination, EcritureSure::Panne* panne = nullptr)
{
    Resultat<> issue;
    if (genre == "classe") {
        issue = FichierClasse::ecrire(destination, documentClasse());
    } else if (genre == "bilan") {
        issue = Bilan::ecrire(destination, htmlBilan());
    } else if (genre == "sauvegarde") {
        const QString source = QFileInfo(destination).absolutePath() + "/../source/QuorvelV3.sqlite";
        Application::definirChemins(Application::cheminsDans(QFileInfo(source).absolutePath()));
        issue = Sauvegarde::copierBase(destination);
    } else {
        return ecrirePdf(destination, 30, panne);
    }
    if (panne)
        *panne = issue ? EcritureSure::Panne::Aucune : FichierSur::panne(issue.erreur());
    return issue.reussi();
}

// Ce que le fichier doit tenir après une écriture réussie.
bool entier(const QString& genre, const QString& chemin)
{
    QFile fichier(chemin);
    if (!fichier.open(QIODevice::ReadOnly))
        return false;
    const QByteArray lu = fichier.readAll();
    if (genre == "classe") { // l'ordre des attributs change d'un processus à l'autre
        QDomDocument document;
        return document.setContent(lu) &&
               document.documentElement().elementsByTagName("eleve").size() == 1500 &&
               document.documentElement().lastChildElement().attribute("nom") == "NOM1499";
    }
    if (genre == "bilan")
        return lu == htmlBilan().toUtf8();
    if (genre == "sauvegarde")
        return lu == baseSource();
    return ControlePdf::complet(chemin);
}

QByteArray lire(const QString& chemin)
{
    QFile fichier(chemin);
    return fichier.open(QIODevice::ReadOnly) ? fichier.readAll() : QByteArray("(absent)");
}

bool poser(const QString& chemin, const QByteArray& octets)
{
    QDir().mkpath(QFileInfo(chemin).absolutePath());
    QFile fichier(chemin);
    return fichier.open(QIODevice::WriteOnly | QIODevice::Truncate) && fichier.write(octets) == octets.size();
}

QStringList provisoires(const QString& dossier)
{
    return QDir(dossier).entryList({"*.ecriture.*"}, QDir::Files | QDir::Hidden);
}

mode_t droitsDe(const QString& chemin)
{
    struct stat etat;
    return ::stat(QFile::encodeName(chemin).constData(), &etat) == 0 ? (etat.st_mode & 07777) : 0;
}

void genres()
{
    QTest::addColumn<QString>("genre");
    ligne("fichier de classe", "classe");
    ligne("bilan en HTML", "bilan");
    ligne("sauvegarde de la base", "sauvegarde");
    ligne("tirage en PDF", "pdf");
}

} // namespace

class TstEcritures : public QObject
{
    Q_OBJECT

private slots:
    void disquePlein_data() { genres(); }
    // Un vrai disque qui se remplit pendant l'écriture : échec dit (disque plein), ancien fichier
    // intact, rien de laissé ; la même écriture passe une fois la place rendue.
    void disquePlein()
    {
        QFETCH(QString, genre);
        PetitDisque disque(512 * 1024);
        if (!disque.monte())
            QSKIP("montage d'un tmpfs refusé (il faut les droits de l'administrateur)");
        const QString destination = disque.fichier("ecrit/destination");
        QVERIFY(poser(destination, ANCIEN));
        QVERIFY(poser(disque.fichier("source/QuorvelV3.sqlite"), baseSource()));
        QVERIFY(disque.remplir(24 * 1024));

        EcritureSure::Panne panne = EcritureSure::Panne::Aucune;
        QVERIFY(!ecrire(genre, destination, &panne));
        QCOMPARE(panne,
                 genre == "pdf" ? EcritureSure::Panne::Verification : EcritureSure::Panne::DisquePlein);
        QCOMPARE(lire(destination), ANCIEN);
        QCOMPARE(QDir(disque.fichier("ecrit")).entryList(QDir::Files | QDir::Hidden),
                 QStringList{"destination"});

        QVERIFY(QFile::remove(disque.fichier(".remplissage")));
        QVERIFY(ecrire(genre, destination));
        QVERIFY(entier(genre, destination));
        QVERIFY(provisoires(disque.fichier("ecrit")).isEmpty());
    }

    void dossierDisparu_data() { genres(); }
    // Le dossier choisi n'existe plus (clé retirée) : échec dit, rien n'est créé nulle part.
    void dossierDisparu()
    {
        QFETCH(QString, genre);
        QTemporaryDir racine;
        QVERIFY(poser(racine.filePath("source/QuorvelV3.sqlite"), baseSource()));
        const QString destination = racine.filePath("cle/destination");
        EcritureSure::Panne panne = EcritureSure::Panne::Aucune;
        QVERIFY(!ecrire(genre, destination, &panne));
        QCOMPARE(panne, EcritureSure::Panne::DossierAbsent);
        QCOMPARE(QDir(racine.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{"source"});
    }

    void pannesInjectees_data() { genres(); }
    // Chaque appel du système sur les fichiers, tour à tour, échoue comme sur un disque plein
    // (bibliothèque de coupure chargée dans un processus enfant) : une réussite annoncée laisse le
    // fichier entier, un échec annoncé l'ancien ; jamais de fichier provisoire laissé.
    void pannesInjectees()
    {
        QFETCH(QString, genre);
        QTemporaryDir racine;
        const QString dossier = QDir(racine.path()).canonicalPath();
        const QString destination = dossier + "/ecrit/destination";
        QVERIFY(poser(dossier + "/source/QuorvelV3.sqlite", baseSource()));

        const auto lancer = [&](int point, int* code) {
            QProcess enfant;
            QProcessEnvironment env = environnementCoupure(QUORVEL_COUPURE);
            env.insert("COUPURE_RACINE", dossier + "/ecrit");
            env.insert("COUPURE_POINT", QString::number(point));
            env.insert("COUPURE_MODE", "erreur");
            env.insert("COUPURE_ERRNO", "28");
            env.insert("COUPURE_COMPTE", dossier + "/compte");
            enfant.setProcessEnvironment(env);
            enfant.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            enfant.start(QCoreApplication::applicationFilePath(), {"--enfant", genre, destination});
            if (!enfant.waitForFinished(60000) || enfant.exitStatus() != QProcess::NormalExit)
                return false;
            *code = enfant.exitCode();
            return true;
        };

        int code = -1;
        QVERIFY(poser(destination, ANCIEN));
        QVERIFY(lancer(0, &code));
        QCOMPARE(code, 0);
        const int total = lire(dossier + "/compte").trimmed().toInt();
        QVERIFY2(total >= 5, qPrintable(QString::number(total)));
        for (int point = 1; point <= total; ++point) {
            QVERIFY(poser(destination, ANCIEN));
            QVERIFY(lancer(point, &code));
            const QString ou = QStringLiteral("appel %1 sur %2").arg(point).arg(total);
            if (code == 0)
                QVERIFY2(entier(genre, destination),
                         qPrintable(ou + " : réussite annoncée, fichier incomplet"));
            else if (code == 3)
                QVERIFY2(lire(destination) == ANCIEN,
                         qPrintable(ou + " : échec annoncé, ancien fichier perdu"));
            else
                QFAIL(qPrintable(ou + QStringLiteral(" : code de sortie %1").arg(code)));
            QVERIFY2(provisoires(dossier + "/ecrit").isEmpty(),
                     qPrintable(ou + " : fichier provisoire laissé"));
        }
    }

    void droits_data()
    {
        QTest::addColumn<QString>("genre");
        QTest::addColumn<int>("masque");
        QTest::addColumn<int>("attendus");
        ligne("fichier de classe, masque usuel", "classe", 022, 0644);
        ligne("fichier de classe, masque privé", "classe", 077, 0600);
        ligne("bilan, masque de groupe", "bilan", 002, 0664);
        ligne("tirage, masque usuel", "pdf", 022, 0644);
        ligne("sauvegarde, masque nul", "sauvegarde", 0, 0600);
        ligne("sauvegarde, masque usuel", "sauvegarde", 022, 0600);
    }
    // Ce que l'enseignant emporte prend les droits que lui donnerait tout autre programme ; une
    // copie de la base reste à lui seul, quel que soit le masque de création.
    void droits()
    {
        QFETCH(QString, genre);
        QFETCH(int, masque);
        QFETCH(int, attendus);
        QTemporaryDir racine;
        QVERIFY(poser(racine.filePath("source/QuorvelV3.sqlite"), baseSource()));
        QVERIFY(QDir(racine.path()).mkpath("ecrit"));
        const mode_t avant = ::umask(masque);
        const bool fait = ecrire(genre, racine.filePath("ecrit/destination.fichier"));
        ::umask(avant);
        QVERIFY(fait);
        QCOMPARE(int(droitsDe(racine.filePath("ecrit/destination.fichier"))), attendus);
    }

    // Le dossier des données et ce que le programme y pose sont privés, quel que soit le masque ;
    // ce qu'une version précédente a laissé ouvert est refermé une fois, et dit.
    void dossierDonneesPrive()
    {
        QTemporaryDir racine;
        const mode_t avant = ::umask(0);
        const QString dossier = racine.filePath("donnees/Marvek/Quorvel");
        QVERIFY(DossierDonnees::creer(dossier));
        QCOMPARE(int(droitsDe(dossier)), 0700);
        const QString base = dossier + "/QuorvelV3.sqlite";
        {
            QVERIFY(Schema::ouvrirBaseParDefaut(base));
            QSqlQuery requete;
            QVERIFY(requete.exec("BEGIN"));
            QVERIFY(requete.exec("CREATE TABLE t(x)"));
            QVERIFY(requete.exec("INSERT INTO t VALUES(1)"));
            QCOMPARE(int(droitsDe(base + "-journal")), 0600); // SQLite reprend les droits de la base
            QVERIFY(requete.exec("COMMIT"));
        }
        QSqlDatabase::database().close();
        QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));
        QCOMPARE(int(droitsDe(base)), 0600);
        QVERIFY(DossierDonnees::resserrer(dossier).isEmpty());

        // Une version précédente : tout lisible par tous, et un lien vers un fichier d'ailleurs.
        QVERIFY(poser(dossier + "/out.xml", "x") && poser(dossier + "/copies/QuorvelV3-1.sqlite", "x"));
        QVERIFY(poser(racine.filePath("ailleurs.txt"), "x"));
        QVERIFY(QFile::link(racine.filePath("ailleurs.txt"), dossier + "/lien"));
        for (const QString& chemin : {dossier, base, dossier + "/out.xml", dossier + "/copies"})
            ::chmod(QFile::encodeName(chemin).constData(), QFileInfo(chemin).isDir() ? 0755 : 0644);
        ::chmod(QFile::encodeName(racine.filePath("ailleurs.txt")).constData(), 0644);
        QStringList ouverts = DossierDonnees::resserrer(dossier);
        ouverts.sort();
        QCOMPARE(ouverts, QStringList({dossier, dossier + "/QuorvelV3.sqlite", dossier + "/copies",
                                       dossier + "/copies/QuorvelV3-1.sqlite", dossier + "/out.xml"}));
        for (const QString& chemin : ouverts)
            QCOMPARE(int(droitsDe(chemin)), QFileInfo(chemin).isDir() ? 0700 : 0600);
        QCOMPARE(int(droitsDe(racine.filePath("ailleurs.txt"))), 0644); // le lien n'est pas suivi
        QVERIFY(DossierDonnees::resserrer(dossier).isEmpty());
        ::umask(avant);
    }

    void controlePdf_data()
    {
        QTest::addColumn<QString>("abime");
        QTest::addColumn<bool>("complet");
        ligne("entier", "", true);
        ligne("fins de ligne en plus", "fin+", true);
        ligne("coupé à la moitié", "moitie", false);
        ligne("coupé avant %%EOF", "eof", false);
        ligne("un bloc perdu au milieu", "trou", false);
        ligne("sans en-tête", "entete", false);
        ligne("vide", "vide", false);
    }
    // Un PDF coupé ou troué n'est jamais pris pour entier.
    void controlePdf()
    {
        QFETCH(QString, abime);
        QFETCH(bool, complet);
        QTemporaryDir racine;
        const QString chemin = racine.filePath("tirage.pdf");
        QVERIFY(ecrirePdf(chemin, 3));
        QByteArray octets = lire(chemin);
        if (abime == "fin+")
            octets += "\r\n\n";
        else if (abime == "moitie")
            octets.truncate(octets.size() / 2);
        else if (abime == "eof")
            octets.chop(4);
        else if (abime == "trou")
            octets.remove(octets.size() / 3, 4096);
        else if (abime == "entete")
            octets.remove(0, 1);
        else if (abime == "vide")
            octets.clear();
        QVERIFY(poser(chemin, octets));
        QCOMPARE(ControlePdf::complet(chemin), complet);
    }
};

// Processus enfant des pannes injectées : « --enfant <genre> <destination> » ; sortie 0 quand
// l'écriture annonce sa réussite, 3 quand elle annonce un échec.
int main(int argc, char** argv)
{
    QGuiApplication application(argc, argv);
    if (argc == 4 && QByteArray(argv[1]) == "--enfant")
        return ecrire(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3])) ? 0 : 3;
    TstEcritures essais;
    return QTest::qExec(&essais, argc, argv);
}

#include "tst_ecritures.moc"
