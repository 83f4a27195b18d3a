// SPDX-License-Identifier: GPL-3.0-or-later
// Essais des copies automatiques de la base et de l'écriture entière ou nulle qui les pose :
// règle de ce qui est gardé, jours et semaines simulés (l'horloge du programme fixée), copie
// vérifiée et privée, second dossier, échec qui ne touche à rien.

#include "core/commun/application.h"
#include "core/commun/ecrituresure.h"
#include "core/commun/horloge.h"
#include "core/db/copiesauto.h"
#include "support/donnees.h"
#include "support/environnement.h"
#include "support/sql.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <sys/stat.h>

namespace {

using Panne = EcritureSure::Panne;

QDateTime instant(const QString& texte)
{
    return QDateTime::fromString(texte, QStringLiteral("yyyy-MM-dd HH:mm"));
}

QByteArray lire(const QString& chemin)
{
    QFile fichier(chemin);
    return fichier.open(QIODevice::ReadOnly) ? fichier.readAll() : QByteArray("<absent>");
}

bool ecrireFichier(const QString& chemin, const QByteArray& octets)
{
    QFile fichier(chemin);
    return fichier.open(QIODevice::WriteOnly) && fichier.write(octets) == octets.size();
}

// Les droits d'un fichier, en octal (« 600 »).
QString droits(const QString& chemin)
{
    struct stat etat {
    };
    if (::stat(QFile::encodeName(chemin).constData(), &etat) != 0)
        return QStringLiteral("<absent>");
    return QString::number(etat.st_mode & 0777, 8);
}

// Tout ce que contient un dossier, noms triés.
QStringList contenuDossier(const QString& dossier)
{
    return QDir(dossier).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// La lettre d'une sorte : Q(uotidienne), H(ebdomadaire), A(nnée), S(urnuméraire).
QChar lettre(CopiesAuto::Sorte sorte)
{
    return QStringLiteral("QHAS").at(int(sorte));
}

// Une copie de `jour` à 17 h par jour de la suite : du premier au dernier, les jours de la
// semaine donnés (1 lundi … 7 dimanche).
QList<QDate> joursDe(const QDate& premier, const QDate& dernier, const QList<int>& joursSemaine)
{
    QList<QDate> jours;
    for (QDate jour = premier; jour <= dernier; jour = jour.addDays(1))
        if (joursSemaine.contains(jour.dayOfWeek()))
            jours.append(jour);
    return jours;
}

const QList<int> TOUS{1, 2, 3, 4, 5, 6, 7};
const QList<int> OUVRES{1, 2, 3, 4, 5};

} // namespace

class TstCopies : public QObject
{
    Q_OBJECT
    Environnement::Dossier donnees;
    std::unique_ptr<QTemporaryDir> ailleurs;

    static QString base() { return Application::chemins().courante; }
    static QString dossierCopies() { return CopiesAuto::dossier(); }

    // Une copie comme la ferait le programme à cet instant.
    CopiesAuto::Bilan copier(const QDateTime& moment, const QString& second = QString())
    {
        return CopiesAuto::copier({base(), dossierCopies(), second, moment});
    }

    // Une date de plus dans la base (élève 1, un nœud de plus à chaque fois).
    static void changerBase()
    {
        static int noeud = 0;
        Sql::valeur(QStringLiteral("INSERT INTO notes(id_eleve, id_comp, date) VALUES(1, ?, '2026-01-05')"),
                    {++noeud});
    }

private Q_SLOTS:
    void initTestCase() { Environnement::preparer(); }

    void init()
    {
        donnees = Environnement::nouveauDossierDonnees();
        ailleurs = std::make_unique<QTemporaryDir>();
        QVERIFY(Environnement::ouvrirBase() && Environnement::poserSchema());
        Sql::valeur(QStringLiteral("INSERT INTO classes(libelle, tri) VALUES('CE1 A', 0)"));
        Sql::valeur(
            QStringLiteral("INSERT INTO eleves(id_classe, id_niveau, nom, prenom) VALUES(1, 2, 'PETIT', "
                           "'Léa'), (1, 2, 'MARTIN', 'Hugo')"));
    }

    void cleanup()
    {
        Horloge::fixer(QDateTime());
        ailleurs.reset();
        donnees.reset();
    }

    // --- L'écriture entière ou nulle ---------------------------------------------------

    // Ce qui arrive à la destination (qui tient « ancien » au départ, ou est absente) :
    // écriture validée, contrôle qui refuse, abandon, dossier absent ; par l'appareil ou par le
    // chemin. Aucun fichier provisoire ne reste, et le fichier écrit est privé quel que soit le
    // masque de création.
    void ecritureSure_data()
    {
        QTest::addColumn<bool>("existante");
        QTest::addColumn<QString>("facon");   // appareil, chemin
        QTest::addColumn<QString>("issue");   // validee, refusee, abandonnee, sans-dossier
        QTest::addColumn<QString>("attendu"); // contenu de la destination ensuite
        ligne("neuve, par l'appareil", false, "appareil", "validee", "nouveau");
        ligne("remplacée, par le chemin", true, "chemin", "validee", "nouveau");
        ligne("contrôle qui refuse", true, "appareil", "refusee", "ancien");
        ligne("abandon", true, "chemin", "abandonnee", "ancien");
        ligne("abandon d'une neuve", false, "appareil", "abandonnee", "<absent>");
        ligne("dossier absent", false, "appareil", "sans-dossier", "<absent>");
    }
    void ecritureSure()
    {
        QFETCH(bool, existante);
        QFETCH(QString, facon);
        QFETCH(QString, issue);
        QFETCH(QString, attendu);
        const QString dossier = issue == "sans-dossier" ? ailleurs->filePath("parti") : ailleurs->path();
        const QString destination = dossier + "/fichier.txt";
        if (existante)
            QVERIFY(ecrireFichier(destination, "ancien"));
        const mode_t masque = ::umask(0); // le pire masque : tout permis
        const auto remettre = qScopeGuard([masque] { ::umask(masque); });

        bool validee = false;
        {
            EcritureSure ecriture(destination);
            if (facon == "appareil") {
                QVERIFY(ecriture.ecrire("nou") == (issue != "sans-dossier"));
                if (QIODevice* appareil = ecriture.appareil())
                    QCOMPARE(appareil->write("veau"), 4);
            } else {
                QVERIFY(ecrireFichier(ecriture.cheminProvisoire(), "nouveau"));
                QCOMPARE(droits(ecriture.cheminProvisoire()), "600");
            }
            if (issue == "validee" || issue == "sans-dossier")
                validee = ecriture.valider();
            else if (issue == "refusee")
                validee =
                    ecriture.valider([](const QString& provisoire) { return lire(provisoire) == "autre"; });
            QCOMPARE(validee, issue == "validee");
            const Panne panne = issue == "refusee"        ? Panne::Verification
                                : issue == "sans-dossier" ? Panne::DossierAbsent
                                                          : Panne::Aucune;
            QCOMPARE(ecriture.panne(), panne);
        }
        QCOMPARE(lire(destination), attendu.toUtf8());
        if (validee)
            QCOMPARE(droits(destination), "600");
        QCOMPARE(contenuDossier(ailleurs->path()),
                 QFile::exists(destination) ? QStringList{"fichier.txt"} : QStringList());
    }

    // Un arrêt brutal laisse au plus un fichier provisoire : il ne compte pas comme copie, et la
    // copie suivante le retire (les autres fichiers du dossier restent).
    void provisoiresOublies()
    {
        QDir().mkpath(dossierCopies());
        const QString oublie = dossierCopies() + "/QuorvelV3-2026-03-02-1700.sqlite.ecriture.Ab12Cd";
        const QString autre = dossierCopies() + "/notes.txt";
        QVERIFY(ecrireFichier(oublie, "SQLite format 3") && ecrireFichier(autre, "à moi"));
        QCOMPARE(CopiesAuto::lister(dossierCopies(), QDate(2026, 3, 3)).size(), 0);
        QVERIFY(copier(instant("2026-03-03 17:00")).reussie());
        QCOMPARE(contenuDossier(dossierCopies()),
                 QStringList({"QuorvelV3-2026-03-03-1700.sqlite", "notes.txt"}));
    }

    // --- Ce qui est gardé -----------------------------------------------------------------

    // Les instants des copies et le jour où l'on regarde ; ce qui est gardé, « instant sorte ».
    void regle_data()
    {
        QTest::addColumn<QStringList>("moments");
        QTest::addColumn<QString>("aujourdhui");
        QTest::addColumn<QStringList>("gardees");
        ligne("trois le même jour : la dernière",
              QStringList{"2026-03-02 08:00", "2026-03-02 12:00", "2026-03-02 17:00"}, "2026-03-02",
              QStringList{"2026-03-02 17:00 Q"});
        // Du lundi 2 au samedi 21 mars : les 7 derniers jours, et le dimanche 8, dernier de sa
        // semaine (celles du 15 et du 21 sont déjà parmi les jours).
        QStringList vingt;
        for (int jour = 2; jour <= 21; ++jour)
            vingt << QStringLiteral("2026-03-%1 17:00").arg(jour, 2, 10, QLatin1Char('0'));
        ligne("vingt jours de suite", vingt, "2026-03-21",
              QStringList{"2026-03-08 17:00 H", "2026-03-15 17:00 Q", "2026-03-16 17:00 Q",
                          "2026-03-17 17:00 Q", "2026-03-18 17:00 Q", "2026-03-19 17:00 Q",
                          "2026-03-20 17:00 Q", "2026-03-21 17:00 Q"});
        // Six semaines de jours ouvrés : les 7 derniers jours (deux semaines), puis le vendredi
        // des deux semaines d'avant ; les deux premières semaines sont écartées.
        QStringList ouvres;
        for (const QDate& jour : joursDe(QDate(2026, 3, 2), QDate(2026, 4, 10), OUVRES))
            ouvres << jour.toString("yyyy-MM-dd") + " 17:00";
        ligne("six semaines de jours ouvrés", ouvres, "2026-04-10",
              QStringList{"2026-03-20 17:00 H", "2026-03-27 17:00 H", "2026-04-02 17:00 Q",
                          "2026-04-03 17:00 Q", "2026-04-06 17:00 Q", "2026-04-07 17:00 Q",
                          "2026-04-08 17:00 Q", "2026-04-09 17:00 Q", "2026-04-10 17:00 Q"});
        // L'année scolaire finit le 31 août : la copie de ce soir-là est la dernière de
        // 2024-2025, gardée ; celle du 1er septembre ouvre 2025-2026.
        QStringList lundis;
        for (const QDate& jour : joursDe(QDate(2025, 6, 2), QDate(2025, 10, 27), {1}))
            lundis << jour.toString("yyyy-MM-dd") + " 17:00";
        lundis << "2025-08-31 23:30";
        ligne("chaque lundi de juin à octobre", lundis, "2025-10-27",
              QStringList{"2025-08-31 23:30 A", "2025-09-15 17:00 Q", "2025-09-22 17:00 Q",
                          "2025-09-29 17:00 Q", "2025-10-06 17:00 Q", "2025-10-13 17:00 Q",
                          "2025-10-20 17:00 Q", "2025-10-27 17:00 Q"});
        // Une copie par année scolaire finie reste, si vieille soit-elle.
        ligne("trois années",
              QStringList{"2022-11-03 17:00", "2023-06-15 17:00", "2024-06-14 17:00", "2025-06-13 17:00",
                          "2025-09-08 17:00", "2025-09-09 17:00", "2025-09-10 17:00", "2025-09-11 17:00",
                          "2025-09-12 17:00", "2025-09-13 17:00"},
              "2025-09-13",
              QStringList{"2023-06-15 17:00 A", "2024-06-14 17:00 A", "2025-06-13 17:00 A",
                          "2025-09-08 17:00 Q", "2025-09-09 17:00 Q", "2025-09-10 17:00 Q",
                          "2025-09-11 17:00 Q", "2025-09-12 17:00 Q", "2025-09-13 17:00 Q"});
    }
    void regle()
    {
        QFETCH(QStringList, moments);
        QFETCH(QString, aujourdhui);
        QFETCH(QStringList, gardees);
        QList<QDateTime> instants;
        for (const QString& m : std::as_const(moments))
            instants << instant(m);
        const auto sortes = CopiesAuto::trier(instants, QDate::fromString(aujourdhui, Qt::ISODate));
        QCOMPARE(sortes.size(), instants.size());
        QStringList vues;
        for (auto s = sortes.cbegin(); s != sortes.cend(); ++s)
            if (s.value() != CopiesAuto::Sorte::Surnumeraire)
                vues << s.key().toString("yyyy-MM-dd HH:mm") + ' ' + lettre(s.value());
        QCOMPARE(vues, gardees);
    }

    // Des jours simulés, l'horloge du programme fixée à 17 h chaque soir : la base change les
    // jours de travail, et chaque soir le programme copie si elle a changé (comme à la fermeture).
    // On compte les copies restées, par sorte, et chacune tient les dates de son soir.
    void joursSimules_data()
    {
        QTest::addColumn<QDate>("premier");
        QTest::addColumn<QDate>("dernier");
        QTest::addColumn<QList<int>>("travail");
        QTest::addColumn<QString>("sortes"); // nombre de copies gardées par sorte, « Q H A »
        ligne("tous les jours, six semaines", QDate(2026, 3, 2), QDate(2026, 4, 12), TOUS, "7 3 0");
        ligne("jours ouvrés, six semaines", QDate(2026, 3, 2), QDate(2026, 4, 10), OUVRES, "7 2 0");
        ligne("le lundi, de juin à novembre", QDate(2025, 6, 2), QDate(2025, 11, 24), QList<int>{1}, "7 0 1");
        ligne("le vendredi, deux années scolaires", QDate(2024, 9, 6), QDate(2026, 1, 30), QList<int>{5},
              "7 0 1");
        ligne("le samedi seulement, trois semaines", QDate(2026, 3, 2), QDate(2026, 3, 22), QList<int>{6},
              "4 0 0");
    }
    void joursSimules()
    {
        QFETCH(QDate, premier);
        QFETCH(QDate, dernier);
        QFETCH(QList<int>, travail);
        QFETCH(QString, sortes);
        QHash<QString, qint64> datesDuSoir; // nom de la copie → dates que la base tenait
        int copies = 0;
        for (QDate jour = premier; jour <= dernier; jour = jour.addDays(1)) {
            const QDateTime soir(jour, QTime(17, 0));
            Horloge::fixer(soir);
            if (travail.contains(jour.dayOfWeek()))
                changerBase();
            if (!CopiesAuto::baseModifiee(base(), dossierCopies()))
                continue;
            const CopiesAuto::Bilan bilan = copier(Horloge::maintenant());
            QVERIFY2(bilan.reussie(), qPrintable(bilan.detail));
            ++copies;
            datesDuSoir.insert(QFileInfo(bilan.chemin).fileName(),
                               Sql::valeur("SELECT count(*) FROM notes").toLongLong());
        }
        // Une copie par jour de travail, pas une de plus ; et dès le premier soir, la base n'en
        // ayant encore aucune.
        QCOMPARE(copies, int(joursDe(premier, dernier, travail).size()) +
                             (travail.contains(premier.dayOfWeek()) ? 0 : 1));
        int q = 0, h = 0, a = 0;
        for (const CopiesAuto::Copie& copie : CopiesAuto::lister(dossierCopies(), dernier)) {
            q += copie.sorte == CopiesAuto::Sorte::Quotidienne;
            h += copie.sorte == CopiesAuto::Sorte::Hebdomadaire;
            a += copie.sorte == CopiesAuto::Sorte::FinAnnee;
            QVERIFY(copie.sorte != CopiesAuto::Sorte::Surnumeraire);
            QCOMPARE(CopiesAuto::lireContenu(copie.chemin).dates,
                     datesDuSoir.value(QFileInfo(copie.chemin).fileName()));
        }
        QCOMPARE(QStringLiteral("%1 %2 %3").arg(q).arg(h).arg(a), sortes);
        QCOMPARE(contenuDossier(dossierCopies()).size(), q + h + a);
    }

    // --- La copie ---------------------------------------------------------------------------

    // La copie est un instantané de ce qui est validé, pris base ouverte pendant qu'une écriture
    // est en cours ; vérifiée, privée dans un dossier privé, nommée par l'horloge ; la base est
    // « modifiée » dès qu'on y écrit ensuite.
    void copie()
    {
        const mode_t masque = ::umask(0);
        const auto remettre = qScopeGuard([masque] { ::umask(masque); });
        changerBase();
        QSqlDatabase::database().transaction();
        changerBase(); // pas encore validée : absente de la copie
        const CopiesAuto::Bilan bilan = copier(instant("2026-03-14 17:12"));
        QVERIFY(QSqlDatabase::database().commit());
        QVERIFY2(bilan.reussie(), qPrintable(bilan.detail));
        QCOMPARE(bilan.chemin, dossierCopies() + "/QuorvelV3-2026-03-14-1712.sqlite");
        QCOMPARE(bilan.second, CopiesAuto::Bilan::Second::SansObjet);
        QCOMPARE(droits(bilan.chemin), "600");
        QCOMPARE(droits(dossierCopies()), "700");
        QCOMPARE(Sql::surFichier(bilan.chemin, {"PRAGMA integrity_check"}), QStringList{"ok"});
        QCOMPARE(Sql::surFichier(bilan.chemin, {"SELECT count(*) FROM eleves"}), QStringList{"2"});
        QCOMPARE(Sql::surFichier(bilan.chemin, {"SELECT count(*) FROM notes"}), QStringList{"1"});
        QCOMPARE(bilan.contenu.eleves, qint64(2));
        QCOMPARE(bilan.contenu.dates, qint64(1));
        // La transaction validée après la prise de l'instantané : la base a changé depuis.
        QVERIFY(CopiesAuto::baseModifiee(base(), dossierCopies()));
        QVERIFY(copier(instant("2026-03-14 17:13")).reussie());
        QVERIFY(!CopiesAuto::baseModifiee(base(), dossierCopies()));
        changerBase();
        QVERIFY(CopiesAuto::baseModifiee(base(), dossierCopies()));
    }

    // L'instantané est celui d'un seul instant, même quand la base est écrite sans cesse pendant
    // qu'il est pris par morceaux, en fond : chaque écriture ajoute ensemble un élève et une date
    // marquée, la copie doit en tenir autant des deux.
    void instantanePendantLesEcritures()
    {
        QSqlDatabase connexion = QSqlDatabase::database();
        connexion.transaction();
        QSqlQuery remplissage;
        remplissage.prepare("INSERT INTO notes(id_eleve, id_comp, date) VALUES(?, ?, ?)");
        const QString texte(100, QLatin1Char('x'));
        for (int i = 0; i < 100000; ++i) { // une douzaine de mégaoctets : plusieurs morceaux
            remplissage.addBindValue(i);
            remplissage.addBindValue(i % 212);
            remplissage.addBindValue(texte);
            QVERIFY(remplissage.exec());
        }
        QVERIFY(connexion.commit());
        QVERIFY(QFileInfo(base()).size() > 8 << 20);

        CopiesAuto::Bilan bilan;
        const CopiesAuto::Demande demande{base(), dossierCopies(), QString(), instant("2026-03-02 17:00")};
        std::unique_ptr<QThread> fil(
            QThread::create([&bilan, demande] { bilan = CopiesAuto::copier(demande); }));
        fil->start();
        // Un enregistrement toutes les 10 ms : bien plus souvent qu'un enseignant.
        int ecritures = 0;
        while (!fil->isFinished() && ecritures < 1000) {
            connexion.transaction();
            Sql::valeur("INSERT INTO eleves(nom, prenom) VALUES('NOUVEAU', 'Élève')");
            Sql::valeur("INSERT INTO notes(id_eleve, id_comp, date) VALUES(0, 999, '2026-03-02')");
            QVERIFY(connexion.commit());
            ++ecritures;
            QThread::msleep(10);
        }
        QVERIFY(fil->wait(60000));
        QVERIFY2(bilan.reussie(), qPrintable(bilan.detail));
        QVERIFY(ecritures > 0);
        QCOMPARE(Sql::surFichier(bilan.chemin, {"PRAGMA integrity_check"}), QStringList{"ok"});
        const QString eleves = Sql::surFichier(bilan.chemin, {"SELECT count(*) - 2 FROM eleves"}).value(0);
        QCOMPARE(Sql::surFichier(bilan.chemin, {"SELECT count(*) FROM notes WHERE id_comp=999"}).value(0),
                 eleves);
    }

    // Une copie qui échoue (ici, une base qui n'est pas de la bonne version, que la copie refuse)
    // n'écarte aucune des copies déjà faites, même celles qui auraient dû l'être, et ne laisse
    // rien dans le dossier ; la suivante, réussie, fait le ménage.
    void echecSansDommage()
    {
        for (int jour = 1; jour <= 10; ++jour) {
            changerBase();
            QVERIFY(copier(QDateTime(QDate(2026, 3, jour), QTime(17, 0))).reussie());
        }
        // Les 7 derniers jours, et le dimanche 1er mars, dernier de sa semaine.
        const QStringList avant = contenuDossier(dossierCopies());
        QCOMPARE(avant.size(), 8);
        // Une copie réussie le 30 écarterait celle du 4, qui n'est plus ni parmi les 7 derniers
        // jours ni la dernière de sa semaine.
        Sql::valeur("UPDATE general SET version=2");
        const CopiesAuto::Bilan bilan = copier(instant("2026-03-30 17:00"));
        QCOMPARE(bilan.panne, Panne::Verification);
        QVERIFY(bilan.chemin.isEmpty());
        QCOMPARE(contenuDossier(dossierCopies()), avant);

        Sql::valeur("UPDATE general SET version=3");
        QVERIFY(copier(instant("2026-03-30 17:00")).reussie());
        QCOMPARE(contenuDossier(dossierCopies()).size(), 8); // le 30 venu, le 4 parti
        QVERIFY(!contenuDossier(dossierCopies()).contains("QuorvelV3-2026-03-04-1700.sqlite"));
    }

    // L'horloge de l'ordinateur a été en avance d'un mois, puis remise à l'heure : la copie qui
    // vient d'être faite reste, même quand huit jours et quatre semaines de copies « plus
    // récentes » la précèdent.
    void horlogeRemiseALHeure()
    {
        for (const QDate& jour :
             {QDate(2026, 3, 16), QDate(2026, 3, 17), QDate(2026, 3, 23), QDate(2026, 3, 24),
              QDate(2026, 3, 30), QDate(2026, 3, 31), QDate(2026, 4, 6), QDate(2026, 4, 7)}) {
            changerBase();
            QVERIFY(copier(QDateTime(jour, QTime(17, 0))).reussie());
        }
        changerBase();
        const CopiesAuto::Bilan bilan = copier(instant("2026-03-12 17:00"));
        QVERIFY(bilan.reussie());
        QVERIFY(QFile::exists(bilan.chemin));
        QCOMPARE(CopiesAuto::lireContenu(bilan.chemin).dates,
                 Sql::valeur("SELECT count(*) FROM notes").toLongLong());
    }

    // Le second dossier : absent, rien n'est dit ni créé ; présent, la même copie y est écrite,
    // privée, et le même ménage y est fait (ses autres fichiers restent) ; la copie ne peut y
    // prendre son nom : la panne est dite à part, la première copie compte.
    void secondDossier_data()
    {
        QTest::addColumn<QString>("etat"); // absent, present, bloque
        QTest::addColumn<int>("second");   // CopiesAuto::Bilan::Second
        ligne("absent", "absent", int(CopiesAuto::Bilan::Second::Absent));
        ligne("présent", "present", int(CopiesAuto::Bilan::Second::Ecrite));
        ligne("nom pris par un dossier", "bloque", int(CopiesAuto::Bilan::Second::EnEchec));
    }
    void secondDossier()
    {
        QFETCH(QString, etat);
        QFETCH(int, second);
        const QString cle = ailleurs->filePath("cle");
        if (etat != "absent")
            QVERIFY(QDir().mkpath(cle) && ecrireFichier(cle + "/liste.odt", "à moi"));
        for (int jour = 1; jour <= 9; ++jour) {
            changerBase();
            QVERIFY(copier(QDateTime(QDate(2026, 3, jour), QTime(17, 0)), cle).reussie());
        }
        if (etat == "bloque")
            QVERIFY(QDir().mkpath(cle + "/QuorvelV3-2026-03-10-1700.sqlite"));
        changerBase();
        const CopiesAuto::Bilan bilan = copier(instant("2026-03-10 17:00"), cle);
        QVERIFY(bilan.reussie());
        QCOMPARE(int(bilan.second), second);
        QCOMPARE(QFileInfo::exists(cle), etat != "absent");
        if (etat == "present") {
            QCOMPARE(contenuDossier(cle), contenuDossier(dossierCopies()) + QStringList{"liste.odt"});
            QCOMPARE(lire(bilan.cheminSecond), lire(bilan.chemin));
            QCOMPARE(droits(bilan.cheminSecond), "600");
        } else if (etat == "bloque") {
            QCOMPARE(bilan.panneSecond, Panne::Autre);
            QVERIFY(QFileInfo(cle + "/QuorvelV3-2026-03-10-1700.sqlite").isDir());
            QVERIFY(!contenuDossier(cle).join(' ').contains(".ecriture."));
        }
    }
};

QTEST_GUILESS_MAIN(TstCopies)
#include "tst_copies.moc"
