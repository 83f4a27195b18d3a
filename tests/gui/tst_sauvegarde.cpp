// SPDX-License-Identifier: GPL-3.0-or-later
// Essais de la sauvegarde et de la restauration de la base entière : messages, fichiers, connexion.

#include "core/commun/application.h"
#include "core/db/sauvegarde.h"
#include "core/db/schema.h"
#include "gui/mainwindow/menusauvegarde.h"
#include "support/donnees.h"
#include "support/environnement.h"
#include "support/repondeuressai.h"
#include "support/sql.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

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
    "A|Restauration de la base de données|TOUS les enregistrements actuels seront SUPPRIMES et "
    "la nouvelle base remplacera la précédente. Confirmez une dernière fois, ou annulez.");
const QString FIN =
    QStringLiteral("I|Fin de la restauration|Les opérations de restauration de la base sont terminées.");
const QString INCOMPATIBLE = QStringLiteral("C|Erreur|La version de la base à restaurer incompatible avec "
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

        QString dossierDocuments;
        dossier == "-" ? repondeur->annulation() : repondeur->chemin(choisi);
        repondeur->reponses(reponses);
        sauvegarderBase(nullptr, dossierDocuments);

        QFETCH(QStringList, attendus);
        QCOMPARE(notes(repondeur->messages()), attendus.replaceInStrings("<dossier>", choisi));
        if (dossier != "base")
            QCOMPARE(dossierDocuments, dossier == "-" ? QString() : choisi); // retenu même sans copie
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
        restaurerBase(nullptr, fichiers->path(), options);

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

    void deuxiemeRestauration()
    {
        const QString b = fichier(QStringLiteral("b.sqlite"));
        const QString c = fichier(QStringLiteral("c.sqlite"));
        QVERIFY(creerBaseV3(b, QStringLiteral("École B")) && creerBaseV3(c, QStringLiteral("École C")));
        confirmerRestauration(b);
        restaurerBase(nullptr, fichiers->path());
        confirmerRestauration(c);
        restaurerBase(nullptr, fichiers->path());

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
        restaurerBase(nullptr, fichiers->path());
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
