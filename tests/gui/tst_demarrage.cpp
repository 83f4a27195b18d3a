// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/desinstallation.h"
#include "core/commun/application.h"
#include "core/db/copiesauto.h"
#include "support/donnees.h"
#include "support/environnement.h"
#include "support/petitdisque.h"
#include "support/programme.h"
#include "support/repondeuressai.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <QTranslator>

#include <sys/stat.h>

namespace {

const QString REFUS =
    QStringLiteral("critique\tRedémarrage de Quorvel\tQuorvel est déjà en train de fonctionner. "
                   "On ne peut pas démarrer une seconde instance.");
// Fichiers que le programme n'a pas écrits (ou qu'une instance en marche tient) : la désinstallation les
// laisse.
const QStringList AUTRES{"notes de l'enseignante.txt", "QuorvelV3.sqlite.lock", "tmp/tmp_quorvel_Ab12Cd.txt"};

int droits(const QString& chemin)
{
    struct stat etat;
    return ::stat(QFile::encodeName(chemin).constData(), &etat) == 0 ? int(etat.st_mode & 07777) : -1;
}

} // namespace

class TstDemarrage : public QObject
{
    Q_OBJECT
private Q_SLOTS:

    void initTestCase()
    {
        Environnement::preparer();
        QVERIFY2(QFile::exists(qEnvironmentVariable("QUORVEL_EXECUTABLE")), "programme introuvable");
    }

    // Le catalogue de la boîte à outils est dans les ressources : ses boutons parlent français.
    void traductionFrancaise()
    {
        QTranslator traduction;
        QVERIFY(traduction.load(QStringLiteral("qt_fr"), QStringLiteral(":outils")));
        QCoreApplication::installTranslator(&traduction);
        QMessageBox boite(QMessageBox::Question, "titre", "texte",
                          QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QStringList textes;
        for (const auto bouton : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel})
            textes << boite.button(bouton)->text().remove('&');
        QCoreApplication::removeTranslator(&traduction);
        QCOMPARE(textes, QStringList({"Oui", "Non", "Annuler"}));
    }

    void repertoireDonnees_data()
    {
        QTest::addColumn<QString>("emplacement");
        QTest::addColumn<QString>("attendu");
        for (const auto& [nom, emplacement, attendu] :
             {std::tuple{"barres inverses", "C:\\Users\\prof\\AppData\\Marvek\\Quorvel",
                         "C:/Users/prof/AppData/Marvek/Quorvel"},
              {"emplacement vide", "", "/home/prof/Quorvel"},
              {"déjà propre", "/home/prof/.local/share/Marvek/Quorvel",
               "/home/prof/.local/share/Marvek/Quorvel"}})
            ligne(nom, QString(emplacement), QString(attendu));
    }

    void repertoireDonnees()
    {
        QFETCH(QString, emplacement);
        QFETCH(QString, attendu);
        const QString dossier = Application::repertoireDonnees(emplacement, "/home/prof");
        QCOMPARE(dossier, attendu);
        const Application::CheminsBase chemins = Application::cheminsDans(dossier);
        QCOMPARE(chemins.courante, attendu + "/QuorvelV3.sqlite");
        QCOMPARE(chemins.v1, attendu + "/Quorvel.sqlite");
        QCOMPARE(chemins.v2, attendu + "/QuorvelV2.sqlite");
    }

    void verification_data()
    {
        QTest::addColumn<bool>("deplace");
        ligne("programme de la construction", false);
        ligne("programme déplacé sans ses documents", true);
    }

    // « quorvel -verifie », par où l'intégration continue démarre le programme : il ouvre sa fenêtre
    // principale et trouve son guide et sa licence à côté de lui, sans toucher aux données ni
    // poser de question ; déplacé seul dans un autre dossier, il dit ce qui lui manque.
    void verification()
    {
        QFETCH(bool, deplace);
        QTemporaryDir racine;
        Programme programme(racine.path());
        QString executable = qEnvironmentVariable("QUORVEL_EXECUTABLE");
        if (deplace) {
            QVERIFY(QDir(racine.path()).mkpath("seul"));
            const QString copie = racine.path() + "/seul/quorvel";
            QVERIFY(QFile::copy(executable, copie));
            executable = copie;
        }
        programme.processus.setProcessChannelMode(QProcess::SeparateChannels);
        programme.processus.start(executable, {"-verifie"});
        QVERIFY(programme.fini(deplace ? 1 : 0));
        const QString sortie = QString::fromUtf8(programme.processus.readAllStandardOutput());
        const QString erreur = QString::fromUtf8(programme.processus.readAllStandardError());
        if (deplace) {
            QVERIFY2(erreur.contains(racine.path() + "/seul/quorvel.pdf") &&
                         erreur.contains(racine.path() + "/seul/licence.pdf"),
                     qPrintable(erreur));
            QVERIFY(sortie.isEmpty());
        } else {
            QVERIFY2(sortie.contains("la fenêtre principale s'est ouverte"), qPrintable(sortie + erreur));
        }
        QVERIFY(!QFile::exists(programme.base()));
        QVERIFY(programme.journal().isEmpty());
    }

    void instanceUnique_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("autreTemporaire"); // second démarrage avec un autre dossier temporaire
        ligne("même dossier temporaire", QStringList(), false);
        // Autre session, autre terminal : le verrou posé à côté de la base refuse quand même.
        ligne("autre dossier temporaire", QStringList(), true);
        // Démarré avec « -desinstalle » pendant que le premier tourne : refusé d'abord, rien n'est supprimé.
        ligne("désinstallation", QStringList{"-desinstalle"}, false);
        ligne("désinstallation, autre dossier temporaire", QStringList{"-desinstalle"}, true);
    }

    // Deux vrais processus : le second est refusé tant que le premier tourne, et un premier
    // tué brutalement ne bloque pas les démarrages suivants.
    void instanceUnique()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, autreTemporaire);
        QTemporaryDir racine;
        Programme premier(racine.path());
        QVERIFY(premier.demarrer());

        QTemporaryDir temporaire;
        Programme second(racine.path(), {"Ok", "Yes"});
        if (autreTemporaire) {
            QProcessEnvironment env = second.processus.processEnvironment();
            env.insert("TMPDIR", temporaire.path());
            second.processus.setProcessEnvironment(env);
        }
        second.lancer(arguments);
        QVERIFY(second.fini());
        QCOMPARE(second.journal(), QStringList{REFUS});
        QVERIFY(QFile::exists(premier.base()));
        QCOMPARE(premier.processus.state(), QProcess::Running);

        QVERIFY(premier.tuer());
        QVERIFY(QFile::remove(premier.base()));

        Programme troisieme(racine.path());
        QVERIFY(troisieme.demarrer());
        QCOMPARE(troisieme.processus.state(), QProcess::Running);
        QVERIFY(!troisieme.journal().contains(REFUS));

        // Une instance qui se termine normalement rend le segment laissé par la précédente.
        QVERIFY(troisieme.tuer());
        Programme nettoyage(racine.path(), {"No"});
        nettoyage.lancer({"-desinstalle"});
        QVERIFY(nettoyage.fini());
        QCOMPARE(nettoyage.journal().size(), 1);
    }

    void desinstallation_data()
    {
        QTest::addColumn<QStringList>("presents"); // « tmp/ » : dans le dossier temporaire
        QTest::addColumn<bool>("question");
        QTest::addColumn<bool>("oui");
        QTest::addColumn<QStringList>("restants");

        const QStringList tous{"QuorvelV3.sqlite", "QuorvelV3.sqlite.bak", "Quorvel.sqlite",
                               "QuorvelV2.sqlite"};
        // Les copies que le programme a faites : avant une réinitialisation ou une mise à jour, d'un
        // fichier abîmé (et son journal), journal de la base, copie de travail de l'import de classe,
        // copie temporaire d'une restauration, copies automatiques (et le reste d'une copie
        // interrompue).
        const QStringList copies{"QuorvelV3.sqlite.2025-01-06-1030.avant-initialisation",
                                 "QuorvelV3.sqlite.2025-01-07-0900.avant-mise-a-jour",
                                 "QuorvelV3.sqlite.2025-02-03-0815-2.endommagee",
                                 "QuorvelV3.sqlite.2025-02-03-0815-2.endommagee-journal",
                                 "QuorvelV3.sqlite-journal",
                                 "out.xml",
                                 "tmp/tmp_quorvel_Ab12Cd.sqlite",
                                 "copies/QuorvelV3-2025-03-14-1712.sqlite",
                                 "copies/QuorvelV3-2025-06-30-1705.sqlite",
                                 "copies/QuorvelV3-2025-06-30-1705.sqlite.ecriture.Ab12Cd"};
        ligne("rien", QStringList(), false, false, QStringList());
        ligne("version 2 seule", QStringList{"QuorvelV2.sqlite"}, false, false,
              QStringList{"QuorvelV2.sqlite"});
        ligne("oui : les quatre fichiers", tous, true, true, QStringList());
        ligne("non : rien ne part", tous, true, false, tous);
        ligne("version 1 seule, oui", QStringList{"Quorvel.sqlite", "QuorvelV2.sqlite"}, true, true,
              QStringList());
        ligne("oui : les copies aussi", tous + copies + AUTRES, true, true, AUTRES);
        ligne("non : les copies restent", tous + copies + AUTRES, true, false, tous + copies + AUTRES);
        ligne("copies seules, oui", copies + AUTRES, true, true, AUTRES);
    }

    void desinstallation()
    {
        QFETCH(QStringList, presents);
        QFETCH(bool, question);
        QFETCH(bool, oui);
        QFETCH(QStringList, restants);

        auto dossier = Environnement::nouveauDossierDonnees();
        QTemporaryDir temporaire; // à cet essai seul : rien n'est enlevé aux essais qui tournent à côté
        const QByteArray ancien = qgetenv("TMPDIR");
        qputenv("TMPDIR", temporaire.path().toLocal8Bit());
        const auto remise = qScopeGuard([&] { qputenv("TMPDIR", ancien); });
        const auto chemin = [&](const QString& nom) {
            return nom.startsWith("tmp/") ? temporaire.filePath(nom.mid(4)) : dossier->filePath(nom);
        };
        for (const QString& nom : presents) {
            QVERIFY(QDir().mkpath(QFileInfo(chemin(nom)).path()));
            QFile f(chemin(nom));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        // Le second dossier des copies est à l'enseignant : la désinstallation n'y touche pas.
        QTemporaryDir cle;
        const QString copieSurCle = cle.filePath("QuorvelV3-2025-03-14-1712.sqlite");
        QVERIFY(QFile(copieSurCle).open(QIODevice::WriteOnly));
        CopiesAuto::definirSecondDossier(cle.path());
        const auto oublier = qScopeGuard([] { CopiesAuto::definirSecondDossier(QString()); });
        RepondeurEssai repondeur;
        if (question)
            repondeur.bouton(oui ? QMessageBox::Yes : QMessageBox::No);

        desinstaller(Application::chemins());

        QCOMPARE(repondeur.messages().size(), question ? 1 : 0);
        if (question) {
            // Les deux bases, puis chaque autre fichier qui sera supprimé.
            const Application::CheminsBase& c = Application::chemins();
            QCOMPARE(repondeur.dernier().titre, QStringLiteral("Désinstallation de Quorvel"));
            QStringList lignes = repondeur.dernier().texte.split('\n');
            QCOMPARE(lignes.mid(0, 4),
                     QStringList({"Voulez-vous supprimer définitivement la base de données ?",
                                  "Fichiers concernés:", c.courante, c.v1}));
            QStringList listes, attendus;
            for (const QString& l : lignes.mid(4))
                listes << QDir::cleanPath(l);
            for (const QString& nom : presents)
                if (!QStringList{"QuorvelV3.sqlite", "Quorvel.sqlite"}.contains(nom) && !AUTRES.contains(nom))
                    attendus << QDir::cleanPath(chemin(nom));
            listes.sort();
            attendus.sort();
            QCOMPARE(listes, attendus);
        }
        QStringList reste = QDir(dossier->path()).entryList(QDir::Files);
        for (const QString& nom : QDir(dossier->filePath("copies")).entryList(QDir::Files))
            reste << "copies/" + nom;
        for (const QString& nom : QDir(temporaire.path()).entryList(QDir::Files))
            reste << "tmp/" + nom;
        reste.sort();
        restants.sort();
        QCOMPARE(reste, restants);
        // Vidé, le dossier des copies part aussi.
        const bool copiesRestantes = std::any_of(
            restants.cbegin(), restants.cend(), [](const QString& nom) { return nom.startsWith("copies/"); });
        QCOMPARE(QFileInfo::exists(dossier->filePath("copies")), copiesRestantes);
        QVERIFY(QFile::exists(copieSurCle));
    }

    // Un fichier qui ne peut être supprimé (ici un dossier non vide à sa place) est nommé dans
    // son avertissement, et les autres partent quand même.
    void desinstallationFichierRetenu()
    {
        auto dossier = Environnement::nouveauDossierDonnees();
        const Application::CheminsBase& c = Application::chemins();
        QVERIFY(QDir().mkpath(c.v1 + "/occupe"));
        QVERIFY(QDir().mkpath(dossier->filePath("out.xml/occupe"))); // une copie retenue de même
        for (const QString& chemin : {c.courante, c.courante + ".bak", c.v2}) {
            QFile f(chemin);
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        RepondeurEssai repondeur;
        repondeur.reponses("OKK");
        desinstaller(c);
        const QString suite =
            ".\nIl est peut-être en cours d'utilisation. Vous devrez le supprimer à la main.";
        QCOMPARE(
            repondeur.lus().mid(1),
            QStringList(
                {"Suppression|Impossible de supprimer le fichier de base de données " + c.v1 + suite,
                 "Suppression|Impossible de supprimer le fichier " + dossier->filePath("out.xml") + suite}));
        QCOMPARE(int(repondeur.messages().at(1).genre), int(Invite::Genre::Avertissement));
        QVERIFY(!QFile::exists(c.courante) && !QFile::exists(c.courante + ".bak") && !QFile::exists(c.v2));
    }

    void desinstallationParLaLigneDeCommande_data()
    {
        QTest::addColumn<QString>("reponse");
        ligne("oui", "Yes");
        ligne("non : rien n'est supprimé", "No");
    }

    // Par le vrai programme, après un arrêt brutal qui a laissé le verrou de la base et une copie
    // temporaire de restauration : la question la nomme, et seul Oui la supprime.
    void desinstallationParLaLigneDeCommande()
    {
        QFETCH(QString, reponse);
        QTemporaryDir racine;
        Programme premier(racine.path());
        QVERIFY(premier.demarrer() && premier.tuer());
        const QString temporaire = racine.filePath("tmp/tmp_quorvel_Ab12Cd.sqlite");
        QFile copie(temporaire);
        QVERIFY(copie.open(QIODevice::WriteOnly));
        copie.close();

        Programme desinstallation(racine.path(), {reponse});
        desinstallation.lancer({"-desinstalle"});
        QVERIFY(desinstallation.fini());
        QCOMPARE(desinstallation.journal().size(), 1);
        QVERIFY(desinstallation.journal().first().startsWith("question\tDésinstallation de Quorvel\t"));
        QVERIFY(desinstallation.journal().first().endsWith("\\n" + temporaire));
        QCOMPARE(QFile::exists(premier.base()), reponse == "No");
        QCOMPARE(QFile::exists(temporaire), reponse == "No");
        QVERIFY(!QFile::exists(premier.base() + ".lock"));
    }

    // Un premier démarrage pose des données privées ; celles qu'une version précédente a laissées
    // lisibles par tous redeviennent privées au démarrage suivant, qui le dit.
    void donneesPrivees()
    {
        QTemporaryDir racine;
        Programme premier(racine.path());
        QVERIFY(premier.demarrer() && premier.tuer());
        const QString dossier = QFileInfo(premier.base()).absolutePath();
        QCOMPARE(droits(dossier), 0700);
        QCOMPARE(droits(premier.base()), 0600);
        QFile copie(dossier + "/out.xml");
        QVERIFY(copie.open(QIODevice::WriteOnly));
        copie.close();
        for (const QString& chemin : {dossier, premier.base(), copie.fileName()})
            QVERIFY(::chmod(QFile::encodeName(chemin).constData(), chemin == dossier ? 0755 : 0644) == 0);

        const QString annonce =
            "information\tDonnées des élèves protégées\tLes données des élèves (dossier " + dossier +
            ") pouvaient être lues par les autres utilisateurs de cet ordinateur.";
        Programme second(racine.path(), {"Ok"});
        second.lancer();
        QTRY_VERIFY_WITH_TIMEOUT(!second.journal().isEmpty(), 20000);
        QVERIFY2(second.journal().first().startsWith(annonce), qPrintable(second.journal().first()));
        QVERIFY(second.tuer());
        for (const QString& chemin : {dossier, premier.base(), copie.fileName()})
            QCOMPARE(droits(chemin), chemin == dossier ? 0700 : 0600);
        // Rien n'est plus ouvert : le démarrage suivant n'a rien à dire (tst_ecritures::dossierDonneesPrive).
    }

    // Un dossier de données qui ne peut pas être modifié (support en lecture seule, que les droits
    // de root ne passent pas) : le programme le dit au démarrage et s'ouvre pour lire.
    void lectureSeule()
    {
        PetitDisque disque(4 * 1024 * 1024);
        if (!disque.monte())
            QSKIP("montage d'un tmpfs refusé (il faut les droits de l'administrateur)");
        {
            const auto dossier = Environnement::nouveauDossierDonnees();
            QVERIFY(Environnement::ouvrirBase() && Environnement::initialiserBase());
            Environnement::fermerBase();
            QVERIFY(QDir().mkpath(disque.fichier("Marvek/Quorvel")));
            QVERIFY(QFile::copy(Application::chemins().courante,
                                disque.fichier("Marvek/Quorvel/QuorvelV3.sqlite")));
        }
        QVERIFY(disque.lectureSeule(true));
        QTemporaryDir racine;
        Programme programme(racine.path(), {"Ok"});
        QProcessEnvironment env = programme.processus.processEnvironment();
        env.insert("XDG_DATA_HOME", disque.chemin());
        programme.processus.setProcessEnvironment(env);
        programme.lancer();
        QTRY_VERIFY_WITH_TIMEOUT(!programme.journal().isEmpty(), 20000);
        QVERIFY2(programme.journal().first().startsWith(
                     "avertissement\tDonnées en lecture seule\tLe dossier des données\\n" +
                     disque.fichier("Marvek/Quorvel") + "\\nne peut pas être modifié"),
                 qPrintable(programme.journal().first()));
        QTest::qWait(500); // la fenêtre principale reste ouverte, sur la base lue
        QCOMPARE(programme.processus.state(), QProcess::Running);
        QVERIFY(programme.tuer());
        QVERIFY(disque.lectureSeule(false));
    }
};

QTEST_MAIN(TstDemarrage)
#include "tst_demarrage.moc"
