// SPDX-License-Identifier: GPL-3.0-or-later
// Essais de la sauvegarde et de la restauration de la base entière : messages, fichiers, connexion ;
// les copies automatiques vues de la fenêtre principale : quand elles sont faites, ce qui est dit
// d'un échec, la restauration choisie dans leur liste.

#include "core/commun/application.h"
#include "core/commun/dossierdepart.h"
#include "core/commun/horloge.h"
#include "core/db/copiesauto.h"
#include "core/db/sauvegarde.h"
#include "core/db/schema.h"
#include "gui/mainwindow/diacopies.h"
#include "gui/mainwindow/gardiencopies.h"
#include "gui/mainwindow/mainwindow.h"
#include "gui/mainwindow/menusauvegarde.h"
#include "support/dialogues.h"
#include "support/donnees.h"
#include "support/environnement.h"
#include "support/repondeuressai.h"
#include "support/sql.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

namespace {

// Les messages montrés, un par ligne « genre|titre|texte » (genre : I, A, C ou Q).
QStringList notes(const QList<Invite::Message>& messages)
{
    QStringList lignes;
    for (const Invite::Message& m : messages)
        lignes << QStringLiteral("IACQ").mid(int(m.genre), 1) + '|' + m.titre + '|' + m.texte;
    return lignes;
}

// Le chemin entier de la copie : <dossier> est le dossier choisi.
const QString COPIE =
    QStringLiteral("I|Copie|La base a été exportée sous le nom: <dossier>/QuorvelV3.sqlite");
const QString EXISTANT =
    QStringLiteral("Q|Fichier existant|Un fichier du même nom existe déjà. Faut-il le remplacer ?");
const QString CONFIRMATION1 =
    QStringLiteral("A|Restaurer une base de données|La restauration va remplacer la base existante, qui "
                   "sera supprimée.\nVoulez-vous vraiment procéder à la restauration ?");
const QString CONFIRMATION2 = QStringLiteral(
    "A|Restauration de la base de données|TOUS les enregistrements actuels seront SUPPRIMÉS et "
    "la nouvelle base remplacera la précédente. Confirmez une dernière fois, ou annulez.");
const QString FIN =
    QStringLiteral("I|Fin de la restauration|Les opérations de restauration de la base sont terminées.");
const QString INCOMPATIBLE =
    QStringLiteral("C|Erreur|La version de la base à restaurer est incompatible avec "
                   "cette version de Quorvel. Restauration annulée.");

// Le contenu d'un fichier ; pour une base, ses tables et leurs lignes (l'index de recherche
// que le programme ajoute à l'ouverture n'y change rien).
QByteArray contenu(const QString& chemin)
{
    QFile fichier(chemin);
    QByteArray octets = fichier.open(QIODevice::ReadOnly) ? fichier.readAll() : QByteArray();
    if (!octets.startsWith("SQLite format 3"))
        return octets;
    octets.clear();
    for (const QString& table :
         Sql::surFichier(chemin, {"SELECT name FROM sqlite_master WHERE type='table' ORDER BY name"}))
        octets +=
            (table + '\n' +
             Sql::surFichier(chemin, {QString("SELECT * FROM \"%1\" ORDER BY rowid").arg(table)}).join('\t'))
                .toUtf8();
    return octets;
}

bool ecrire(const QString& chemin, const QByteArray& octets)
{
    QFile fichier(chemin);
    return fichier.open(QIODevice::WriteOnly) && fichier.write(octets) == octets.size();
}

bool creerBase(const QString& chemin, const QStringList& instructions)
{
    return Sql::surFichier(chemin, instructions).isEmpty();
}

bool creerBaseV3(const QString& chemin, const QString& ecole)
{
    return creerBase(chemin, Schema::instructionsScript().valeurOu({}) +
                                 QStringList{QStringLiteral("UPDATE general SET ecole='%1'").arg(ecole)});
}

const QStringList BASE_V2{QStringLiteral("CREATE TABLE general(id INTEGER PRIMARY KEY, ecole TEXT, "
                                         "langue_defaut TINYTEXT, version INTEGER)"),
                          QStringLiteral("INSERT INTO general VALUES(1,'École B','anglais',2)")};

// Le nom d'école lu par la connexion par défaut, qui doit être ouverte et accepter une écriture.
QString ecoleCourante()
{
    if (!QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false).isOpen())
        return QStringLiteral("<connexion fermée>");
    QSqlQuery requete;
    if (!requete.exec(QStringLiteral("INSERT INTO classes(libelle, tri) VALUES('CE1 essai', 9)")) ||
        !requete.exec(QStringLiteral("SELECT ecole FROM general WHERE id=1")) || !requete.next())
        return QStringLiteral("<base inutilisable>");
    return requete.value(0).toString();
}

} // namespace

class TstSauvegarde : public QObject
{
    Q_OBJECT
    QTemporaryDir temporaire;
    Environnement::Dossier donnees;
    std::unique_ptr<QTemporaryDir> fichiers;
    std::unique_ptr<RepondeurEssai> repondeur;

    static QString courante() { return Application::chemins().courante; }
    static QString ancienne() { return courante() + QStringLiteral(".bak"); }
    QString fichier(const QString& nom) const { return fichiers->filePath(nom); }
    void confirmerRestauration(const QString& chemin)
    {
        repondeur->chemin(chemin);
        repondeur->bouton(QMessageBox::Yes);
        repondeur->bouton(QMessageBox::Yes);
        repondeur->bouton(QMessageBox::Ok); // message de fin ou d'erreur
    }

private Q_SLOTS:
    void initTestCase()
    {
        Environnement::preparer();
        // Dossier temporaire propre aux essais, pour voir ce que la restauration y laisse.
        qputenv("TMPDIR", QFile::encodeName(temporaire.path()));
        QCOMPARE(QDir::tempPath(), temporaire.path());
    }

    void init()
    {
        donnees = Environnement::nouveauDossierDonnees();
        fichiers = std::make_unique<QTemporaryDir>();
        QVERIFY(Environnement::ouvrirBase());
        QVERIFY(Environnement::poserSchema());
        QVERIFY(QSqlQuery().exec(QStringLiteral("UPDATE general SET ecole='École A' WHERE id=1")));
        repondeur = std::make_unique<RepondeurEssai>();
    }

    void cleanup()
    {
        repondeur.reset();
        fichiers.reset();
        Horloge::fixer(QDateTime());
        CopiesAuto::definirSecondDossier(QString());
    }

    // Les copies automatiques du dossier, leurs noms.
    static QStringList copiesFaites()
    {
        QStringList noms;
        for (const CopiesAuto::Copie& copie :
             CopiesAuto::lister(CopiesAuto::dossier(), Horloge::aujourdhui()))
            noms << QFileInfo(copie.chemin).fileName();
        return noms;
    }

    // La base change : une classe de plus.
    static void changerBase()
    {
        QVERIFY(QSqlQuery().exec("INSERT INTO classes(libelle, tri) VALUES('CM1', 1)"));
    }

    // Le dossier choisi (« - » : aucun ; « base » : celui de la base, dont la copie remplacerait la
    // base elle-même : rien n'est demandé ni touché), puis les réponses.
    void sauvegarde_data()
    {
        QTest::addColumn<bool>("cibleExistante");
        QTest::addColumn<QString>("dossier");
        QTest::addColumn<QString>("reponses");
        QTest::addColumn<QStringList>("attendus");
        ligne("dossier vide", false, "", "K", QStringList{COPIE});
        ligne("fichier existant, Non", true, "", "N", QStringList{EXISTANT});
        ligne("fichier existant, Oui", true, "", "OK", QStringList{EXISTANT, COPIE});
        ligne("dossier annulé", false, "-", "K", QStringList{"I|Annulation|La sauvegarde est annulée"});
        ligne("dossier de la base", false, "base", "K",
              QStringList{
                  "A|Erreur|Le dossier choisi est celui de la base de données elle-même : une sauvegarde "
                  "doit aller ailleurs.\nChoisissez un autre dossier, par exemple sur une clé USB."});
    }
    void sauvegarde()
    {
        QFETCH(bool, cibleExistante);
        QFETCH(QString, dossier);
        QFETCH(QString, reponses);
        const QString choisi = dossier == "base" ? QFileInfo(courante()).absolutePath() : fichiers->path();
        const QString cible = choisi + "/QuorvelV3.sqlite";
        if (cibleExistante)
            QVERIFY(ecrire(cible, "ancienne sauvegarde"));
        const QByteArray base = contenu(courante());

        DossierDepart::oublier();
        dossier == "-" ? repondeur->annulation() : repondeur->chemin(choisi);
        repondeur->reponses(reponses);
        sauvegarderBase(nullptr);

        QFETCH(QStringList, attendus);
        QCOMPARE(notes(repondeur->messages()), attendus.replaceInStrings("<dossier>", choisi));
        // Le dossier choisi est celui où s'ouvrira le choix suivant, même sans copie.
        QCOMPARE(DossierDepart::dossier() == choisi, dossier != "-");
        QCOMPARE(contenu(cible), dossier == "-"    ? QByteArray()
                                 : reponses == "N" ? QByteArray("ancienne sauvegarde")
                                                   : base);
        QCOMPARE(ecoleCourante(), QStringLiteral("École A"));
    }

    void restauration_data()
    {
        QTest::addColumn<QString>("source"); // v3, v2 ou courante (le fichier même de la base)
        QTest::addColumn<QString>("panne");  // de la recopie de l'étape 8 : moitie, v2 ou rien
        QTest::addColumn<QString>("message");

        const QString copieManquee = QStringLiteral("C|Erreur|erreur de copie de <tmp> vers <base>");
        ligne("version 2", "v2", QString(), INCOMPATIBLE);
        ligne("autre base", "v3", QString(), FIN);
        ligne("base en usage", "courante", QString(), FIN);
        ligne("recopie manquée à moitié", "v3", QStringLiteral("moitie"), copieManquee);
        ligne("recopie d'une autre version", "v3", QStringLiteral("v2"), INCOMPATIBLE);
    }

    void restauration()
    {
        QFETCH(QString, source);
        QFETCH(QString, panne);
        QFETCH(QString, message);
        const QString v2 = fichier(QStringLiteral("v2.sqlite"));
        const QString v3 = fichier(QStringLiteral("v3.sqlite"));
        QVERIFY(creerBase(v2, BASE_V2) && creerBaseV3(v3, QStringLiteral("École B")));
        const QString choisi = source == "v2" ? v2 : source == "v3" ? v3 : courante();
        const QByteArray avant = contenu(courante());
        const QByteArray candidat = contenu(choisi);
        const bool reussie = message == FIN;

        QString temporaireVu;
        bool ancienneEnPlace = false;
        Sauvegarde::OptionsRestauration options;
        options.recopie = [&](const QString& copie, const QString& destination) {
            temporaireVu = copie;
            ancienneEnPlace = contenu(ancienne()) == avant && !QFile::exists(destination);
            if (panne == "moitie")
                return ecrire(destination, "SQLite format 3") && false; // panne en cours d'écriture
            return QFile::copy(panne == "v2" ? v2 : copie, destination);
        };
        confirmerRestauration(choisi);
        restaurerBase(nullptr, options);

        message.replace(QStringLiteral("<tmp>"), temporaireVu).replace(QStringLiteral("<base>"), courante());
        QCOMPARE(notes(repondeur->messages()), QStringList({CONFIRMATION1, CONFIRMATION2, message}));
        QCOMPARE(temporaireVu.isEmpty(), source == "v2"); // refusée avant toute écriture
        QVERIFY(temporaireVu.isEmpty() || (ancienneEnPlace && temporaireVu.startsWith(temporaire.path())));
        // Après un échec, l'ancienne base est revenue sous son nom et rien ne traîne.
        QCOMPARE(contenu(courante()), reussie ? candidat : avant);
        QCOMPARE(contenu(ancienne()), reussie ? avant : QByteArray());
        QCOMPARE(QSqlDatabase::database().databaseName(), courante());
        QCOMPARE(ecoleCourante(), reussie && source == "v3" ? "École B" : "École A");
        QVERIFY(!QSqlDatabase::contains(Sauvegarde::CONNEXION_TEMPORAIRE));
        QCOMPARE(QDir(temporaire.path()).entryList({"tmp_quorvel_*"}, QDir::Files), QStringList());
    }

    // --- Copies automatiques -------------------------------------------------------------

    // Une séance, puis la suivante : au démarrage, une copie en fond quand la base a changé depuis
    // la dernière (la séance d'avant s'est finie sans fermeture) ; chaque heure, une copie quand
    // aucune n'a été faite ce jour ; à la fermeture, une copie quand la base a changé.
    void quandCopier()
    {
        Horloge::fixer(QDateTime(QDate(2026, 3, 2), QTime(8, 0)));
        {
            GardienCopies gardien(nullptr);
            QSignalSpy fin(&gardien, &GardienCopies::copieTerminee);
            gardien.auDemarrage(); // aucune copie encore
            QVERIFY(gardien.enCours() || fin.count() == 1);
            QVERIFY(fin.count() == 1 || fin.wait(20000));
            QCOMPARE(copiesFaites(), QStringList{"QuorvelV3-2026-03-02-0800.sqlite"});
            // Rien n'a changé : ni la vérification de l'heure ni la fermeture ne copient.
            gardien.verifier();
            gardien.aLaFermeture();
            QCOMPARE(gardien.copiesTentees(), 1);
        }
        // Écrite après la dernière copie, puis le programme tué : la séance suivante rattrape.
        changerBase();
        Horloge::fixer(QDateTime(QDate(2026, 3, 3), QTime(8, 30)));
        GardienCopies gardien(nullptr);
        QSignalSpy fin(&gardien, &GardienCopies::copieTerminee);
        gardien.auDemarrage();
        gardien.attendre();
        QCOMPARE(fin.count(), 1);
        QCOMPARE(copiesFaites().value(0), "QuorvelV3-2026-03-03-0830.sqlite");
        // Le même jour, la vérification de l'heure ne refait pas de copie, même la base changée.
        changerBase();
        Horloge::fixer(QDateTime(QDate(2026, 3, 3), QTime(9, 30)));
        gardien.verifier();
        QVERIFY(!gardien.enCours());
        // Le lendemain, programme resté ouvert : la copie du jour, en fond.
        Horloge::fixer(QDateTime(QDate(2026, 3, 4), QTime(0, 30)));
        gardien.verifier();
        QVERIFY(gardien.enCours() || gardien.copiesTentees() == 2);
        gardien.attendre();
        QCOMPARE(copiesFaites().value(0), "QuorvelV3-2026-03-04-0030.sqlite");
        // La fermeture, la base changée : la copie du soir remplace celle de la nuit.
        changerBase();
        Horloge::fixer(QDateTime(QDate(2026, 3, 4), QTime(17, 0)));
        gardien.aLaFermeture();
        QCOMPARE(gardien.copiesTentees(), 3);
        QCOMPARE(copiesFaites(),
                 QStringList({"QuorvelV3-2026-03-04-1700.sqlite", "QuorvelV3-2026-03-03-0830.sqlite",
                              "QuorvelV3-2026-03-02-0800.sqlite"}));
        QCOMPARE(Sql::surFichier(CopiesAuto::dossier() + "/QuorvelV3-2026-03-04-1700.sqlite",
                                 {"SELECT count(*) FROM classes"}),
                 Sql::lignes("SELECT count(*) FROM classes"));
    }

    // Une copie manquée est dite une fois par séance, en français, avec ce qu'il faut faire, et
    // refaite à l'occasion suivante ; une copie manquée dans le second dossier est dite à part, une
    // fois aussi ; un second dossier absent (clé non branchée) ne fait rien dire.
    void echecDitUneFois_data()
    {
        QTest::addColumn<QString>("obstacle"); // dossier, second, absent
        QTest::addColumn<QString>("debut");    // début attendu du message, vide : aucun
        ligne("dossier des copies impossible", "dossier",
              "La copie automatique de la base de données n'a pas pu être faite : Quorvel ne peut pas écrire "
              "dans le dossier des copies\n<copies>\n(");
        ligne("second dossier qui refuse", "second",
              "La copie automatique de la base de données est faite sur cet ordinateur, mais pas dans le "
              "second "
              "dossier\n<second>\n(");
        ligne("second dossier absent", "absent", "");
    }
    void echecDitUneFois()
    {
        QFETCH(QString, obstacle);
        QFETCH(QString, debut);
        const QString second = fichiers->filePath("cle");
        const QString nomDuJour = "QuorvelV3-2026-03-02-1700.sqlite";
        Horloge::fixer(QDateTime(QDate(2026, 3, 2), QTime(17, 0)));
        if (obstacle == "dossier")
            QVERIFY(ecrire(CopiesAuto::dossier(), "un fichier à la place du dossier"));
        if (obstacle == "second")
            QVERIFY(QDir().mkpath(second + "/" + nomDuJour)); // le nom de la copie est pris
        if (obstacle != "dossier")
            CopiesAuto::definirSecondDossier(second);
        if (!debut.isEmpty())
            repondeur->bouton(QMessageBox::Ok);
        {
            GardienCopies gardien(nullptr);
            gardien.auDemarrage();
            gardien.attendre();
            changerBase();
            gardien.aLaFermeture(); // même panne : rien de plus n'est dit
            QCOMPARE(gardien.copiesTentees(), 2);
        }
        QCOMPARE(repondeur->messages().size(), debut.isEmpty() ? 0 : 1);
        if (!debut.isEmpty()) {
            QCOMPARE(repondeur->dernier().titre, "Copie automatique");
            QCOMPARE(int(repondeur->dernier().genre), int(Invite::Genre::Avertissement));
            debut.replace("<copies>", QDir::toNativeSeparators(CopiesAuto::dossier()))
                .replace("<second>", QDir::toNativeSeparators(second));
            QVERIFY2(repondeur->dernier().texte.startsWith(debut), qPrintable(repondeur->dernier().texte));
            QVERIFY(repondeur->dernier().texte.contains("Vos données enregistrées ne sont pas touchées") ||
                    obstacle == "second");
        }
        QCOMPARE(copiesFaites().isEmpty(), obstacle == "dossier");

        // La séance suivante, l'obstacle levé : la copie est faite, sans rien dire.
        QFile::remove(CopiesAuto::dossier());
        QDir(second + "/" + nomDuJour).removeRecursively();
        changerBase();
        Horloge::fixer(QDateTime(QDate(2026, 3, 3), QTime(17, 0)));
        GardienCopies gardien(nullptr);
        gardien.auDemarrage();
        gardien.attendre();
        QVERIFY(gardien.dernierBilan().reussie());
        QCOMPARE(copiesFaites().value(0), "QuorvelV3-2026-03-03-1700.sqlite");
        QCOMPARE(QFile::exists(second + "/QuorvelV3-2026-03-03-1700.sqlite"), obstacle == "second");
        QCOMPARE(repondeur->messages().size(), debut.isEmpty() ? 0 : 1);
    }

    // Par la fenêtre principale : la base reconnue, la copie de départ se fait en fond ; fermée,
    // la fenêtre se cache et fait la copie de ce qui a été enregistré depuis.
    void fenetrePrincipale()
    {
        Horloge::fixer(QDateTime(QDate(2026, 3, 2), QTime(8, 0)));
        MainWindow fenetre;
        GardienCopies gardien(&fenetre);
        fenetre.confierCopies(&gardien);
        QSignalSpy fin(&gardien, &GardienCopies::copieTerminee);
        fenetre.show();
        QVERIFY(fin.wait(20000));
        QCOMPARE(copiesFaites(), QStringList{"QuorvelV3-2026-03-02-0800.sqlite"});
        changerBase();
        Horloge::fixer(QDateTime(QDate(2026, 3, 2), QTime(17, 0)));
        QVERIFY(fenetre.close());
        QVERIFY(!fenetre.isVisible());
        QCOMPARE(copiesFaites(), QStringList{"QuorvelV3-2026-03-02-1700.sqlite"});
    }

    // « Restaurer la base de données entière... » offre d'abord les copies automatiques, la plus
    // récente en haut : on y choisit au clavier, ou l'on passe au choix d'un fichier, ou l'on
    // renonce. La base remplacée reste en « .bak ».
    void restaurationDepuisLaListe_data()
    {
        QTest::addColumn<QString>("choix"); // deuxieme, fichier, annuler
        QTest::addColumn<QString>("ecole"); // école de la base ensuite
        ligne("la deuxième copie", "deuxieme", "École du mardi");
        ligne("un autre fichier", "fichier", "École B");
        ligne("rien", "annuler", "École A");
    }
    void restaurationDepuisLaListe()
    {
        QFETCH(QString, choix);
        QFETCH(QString, ecole);
        const QStringList ecoles{"École du lundi", "École du mardi", "École du mercredi"};
        QStringList copies;
        for (int i = 0; i < 3; ++i) {
            QVERIFY(QSqlQuery().exec(QString("UPDATE general SET ecole='%1'").arg(ecoles[i])));
            QVERIFY(QSqlQuery().exec("INSERT INTO eleves(nom, prenom) VALUES('PETIT', 'Léa')"));
            const auto bilan = CopiesAuto::copier({courante(), CopiesAuto::dossier(), QString(),
                                                   QDateTime(QDate(2026, 3, 2 + i), QTime(17, 5))});
            QVERIFY(bilan.reussie());
            copies.prepend(bilan.chemin);
        }
        QVERIFY(QSqlQuery().exec("UPDATE general SET ecole='École A'"));
        const QByteArray avant = contenu(courante());
        const QString v3 = fichier("v3.sqlite");
        QVERIFY(creerBaseV3(v3, "École B"));
        Horloge::fixer(QDateTime(QDate(2026, 3, 4), QTime(18, 0)));

        QStringList lignes;
        QString actuelle;
        const auto fait = quandDialogue<diaCopies>([&](diaCopies* dialogue) {
            auto* liste = dialogue->findChild<QTreeWidget*>("liste");
            actuelle = dialogue->findChild<QLabel*>("lbActuelle")->text();
            for (int i = 0; i < liste->topLevelItemCount(); ++i) {
                QStringList textes;
                for (int c = 0; c < liste->columnCount(); ++c)
                    textes << liste->topLevelItem(i)->text(c);
                lignes << textes.join('|');
            }
            QCOMPARE(QApplication::focusWidget(), liste);
            if (choix == "deuxieme") {
                QTest::keyClick(liste, Qt::Key_Down);
                QTest::keyClick(liste, Qt::Key_Return);
            } else if (choix == "fichier") {
                dialogue->findChild<QPushButton*>("btFichier")->click();
            } else {
                QTest::keyClick(liste, Qt::Key_Escape);
            }
        });
        if (choix == "fichier")
            repondeur->chemin(v3);
        if (choix != "annuler")
            repondeur->reponses("OOK");
        restaurerBase(nullptr);
        QVERIFY(*fait);

        QCOMPARE(actuelle, "Base actuelle : 3 élèves, 0 dates.");
        QCOMPARE(lignes, QStringList({"mercredi 4 mars 2026, 17 h 05|3|0|du jour|cet ordinateur",
                                      "mardi 3 mars 2026, 17 h 05|2|0|du jour|cet ordinateur",
                                      "lundi 2 mars 2026, 17 h 05|1|0|du jour|cet ordinateur"}));
        QCOMPARE(notes(repondeur->messages()),
                 choix == "annuler" ? QStringList() : QStringList({CONFIRMATION1, CONFIRMATION2, FIN}));
        if (choix == "deuxieme")
            QCOMPARE(contenu(courante()), contenu(copies[1]));
        QCOMPARE(contenu(ancienne()), choix == "annuler" ? QByteArray() : avant);
        QCOMPARE(ecoleCourante(), ecole);
    }

    // Une « copie » abîmée sur la clé (fichier au nom d'une copie qui n'est pas une base) est
    // montrée illisible dans la liste ; choisie quand même, elle est refusée avant de toucher à
    // la base actuelle.
    void copieAbimeeSurLaCle()
    {
        const QString cle = fichiers->filePath("cle");
        QVERIFY(QDir().mkpath(cle) &&
                ecrire(cle + "/QuorvelV3-2026-03-05-0800.sqlite", QByteArray(8192, 'x')));
        CopiesAuto::definirSecondDossier(cle);
        Horloge::fixer(QDateTime(QDate(2026, 3, 6), QTime(9, 0)));
        const QByteArray avant = contenu(courante());
        QString ligneVue;
        const auto fait = quandDialogue<diaCopies>([&](diaCopies* dialogue) {
            QTreeWidgetItem* ligne = dialogue->findChild<QTreeWidget*>("liste")->topLevelItem(0);
            QStringList textes;
            for (int c = 0; c < 5; ++c)
                textes << ligne->text(c);
            ligneVue = textes.join('|');
            dialogue->accept();
        });
        repondeur->reponses("OOK");
        restaurerBase(nullptr);
        QVERIFY(*fait);
        QCOMPARE(ligneVue, "jeudi 5 mars 2026, 08 h 00|illisible||du jour|second dossier");
        QCOMPARE(repondeur->dernier().titre, "Erreur");
        QVERIFY2(repondeur->dernier().texte.startsWith("Ce fichier est endommagé"),
                 qPrintable(repondeur->dernier().texte));
        QCOMPARE(contenu(courante()), avant);
        QVERIFY(!QFile::exists(ancienne()));
    }

    void deuxiemeRestauration()
    {
        const QString b = fichier(QStringLiteral("b.sqlite"));
        const QString c = fichier(QStringLiteral("c.sqlite"));
        QVERIFY(creerBaseV3(b, QStringLiteral("École B")) && creerBaseV3(c, QStringLiteral("École C")));
        confirmerRestauration(b);
        restaurerBase(nullptr);
        confirmerRestauration(c);
        restaurerBase(nullptr);

        QCOMPARE(notes(repondeur->messages()),
                 QStringList({CONFIRMATION1, CONFIRMATION2, FIN, CONFIRMATION1, CONFIRMATION2, FIN}));
        QCOMPARE(contenu(ancienne()), contenu(b)); // le .bak de la première est remplacé
        QCOMPARE(contenu(courante()), contenu(c));
        QCOMPARE(ecoleCourante(), QStringLiteral("École C"));
    }

    // Une sauvegarde abîmée qui montre encore la bonne version est refusée avant de toucher à la
    // base actuelle.
    void sauvegardeAbimee()
    {
        const QString abimee = fichier(QStringLiteral("abimee.sqlite"));
        QStringList remplissage{QStringLiteral("CREATE TABLE bourrage(texte)")};
        for (int i = 0; i < 200; ++i)
            remplissage
                << QStringLiteral("INSERT INTO bourrage VALUES('%1')").arg(QString(500, QChar('a' + i % 26)));
        QVERIFY(creerBaseV3(abimee, QStringLiteral("École B")) && creerBase(abimee, remplissage));
        // Une page de données écrasée : la table générale et sa version se lisent encore.
        QFile brut(abimee);
        QVERIFY(brut.open(QIODevice::ReadOnly));
        QByteArray octets = brut.readAll();
        brut.close();
        octets.replace(octets.size() - 4096 + 8, 200, QByteArray(200, '\xff'));
        QVERIFY(ecrire(abimee, octets));
        QCOMPARE(Sql::surFichier(abimee, {"SELECT version FROM general"}), QStringList{"3"});
        const QByteArray avant = contenu(courante());

        confirmerRestauration(abimee);
        restaurerBase(nullptr);
        QCOMPARE(repondeur->dernier().titre, QStringLiteral("Erreur"));
        QVERIFY2(repondeur->dernier().texte.startsWith(QStringLiteral("Ce fichier est endommagé")),
                 qPrintable(repondeur->dernier().texte));
        QCOMPARE(contenu(courante()), avant);
        QCOMPARE(ecoleCourante(), QStringLiteral("École A"));
    }

    // Les copies qu'une restauration tuée a laissées (données des élèves) disparaissent au
    // démarrage suivant ; les autres fichiers du dossier temporaire restent.
    void copiesOubliees()
    {
        // Un dossier temporaire à cet essai seul : ne rien enlever aux essais qui tournent à côté.
        QTemporaryDir dossier;
        const QByteArray ancien = qgetenv("TMPDIR");
        qputenv("TMPDIR", dossier.path().toLocal8Bit());
        const auto remise = qScopeGuard([&] { qputenv("TMPDIR", ancien); });
        QCOMPARE(QDir::tempPath(), dossier.path());
        const QString oubliee = QDir::tempPath() + "/tmp_quorvel_Ab12Cd.sqlite";
        const QString autre = QDir::tempPath() + "/tmp_quorvel_Ab12Cd.txt";
        QVERIFY(ecrire(oubliee, "x") && ecrire(oubliee + "-journal", "x") && ecrire(autre, "x"));
        Sauvegarde::supprimerCopiesOubliees();
        QVERIFY(!QFile::exists(oubliee) && !QFile::exists(oubliee + "-journal"));
        QVERIFY(QFile::exists(autre));
    }
};

QTEST_MAIN(TstSauvegarde)
#include "tst_sauvegarde.moc"
