// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/demarrage.h"

#include "app/arretsysteme.h"
#include "app/desinstallation.h"
#include "core/commun/application.h"
#include "core/commun/dossierdonnees.h"
#include "core/commun/instanceunique.h"
#include "core/db/initialisation.h"
#include "core/db/sauvegarde.h"
#include "core/db/schema.h"
#include "core/entry/journalsaisies.h"
#include "gui/commun/invite.h"
#include "gui/commun/mystyle.h"
#include "gui/mainwindow/gardiencopies.h"
#include "gui/mainwindow/mainwindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <QTranslator>
#include <QWindow>

namespace {
QString traduire(const char* texte)
{
    return QCoreApplication::translate("Demarrage", texte);
}

// Une autre instance tourne (pour cet utilisateur, ou sur cette base) : refus, état de sortie 0.
int refuserSecondeInstance()
{
    Invite::critique(nullptr, traduire("Redémarrage de Quorvel"),
                     traduire("Quorvel est déjà en train de fonctionner. On ne peut pas démarrer une seconde "
                              "instance."),
                     QMessageBox::Ok);
    return 0;
}

// Un fichier de base qui ne se lit pas (abîmé, tronqué, ou qui n'est pas une base) n'est jamais
// modifié : l'enseignant choisit entre le mettre de côté pour repartir d'une base neuve (où il
// pourra restaurer sa sauvegarde) et quitter. Faux quand le programme doit s'arrêter.
bool accepterFichierBase(const QString& chemin)
{
    // L'examen rapide suffit ici : un fichier tronqué ou qui n'est pas une base est refusé dès
    // son en-tête, et le démarrage ne relit pas les quinze mégaoctets d'une école.
    const Resultat<> examen = Schema::examiner(Schema::Examen::Rapide);
    if (examen)
        return true;
    const Erreur& defaut = examen.erreur();
    if (defaut.raison == Raison::BaseOccupee) {
        Invite::critique(
            nullptr, traduire("Base de données occupée"),
            traduire("La base de données\n%1\nest utilisée par un autre programme (%2).\n\n"
                     "Fermez ce programme (une autre copie de Quorvel, un outil de sauvegarde ou "
                     "de synchronisation…), puis relancez Quorvel. Rien n'a été modifié.")
                .arg(QDir::toNativeSeparators(chemin), defaut.texte),
            QMessageBox::Ok);
        return false;
    }
    const QString deCote = Initialisation::nomDate(chemin, QStringLiteral(".endommagee"));
    const auto reponse = Invite::question(
        nullptr, traduire("Base de données endommagée"),
        traduire(
            "Le fichier de la base de données\n%1\nest endommagé ou n'est pas une base de Quorvel (%2).\n\n"
            "Quorvel peut le mettre de côté, sans rien y changer, sous le nom\n%3\net repartir d'une "
            "base neuve. Vous pourrez ensuite y remettre votre dernière sauvegarde par le menu "
            "« Fichiers », « Base de données », « Restaurer la base de données entière... ».\n\n"
            "Mettre le fichier de côté et continuer ? (Non : quitter sans rien modifier.)")
            .arg(QDir::toNativeSeparators(chemin), defaut.texte, QDir::toNativeSeparators(deCote)),
        QMessageBox::Yes | QMessageBox::No);
    if (reponse != QMessageBox::Yes)
        return false;
    // Le journal d'une transaction inachevée part avec le fichier : laissé là, il serait rejoué
    // dans la base neuve.
    if (!Schema::mettreDeCote(chemin, deCote)) {
        Invite::critique(nullptr, traduire("Base de données endommagée"),
                         traduire("Le fichier\n%1\nn'a pas pu être mis de côté. Rien n'a été modifié.\n\n"
                                  "Fermez tout programme qui l'utiliserait, vérifiez que vous avez le droit "
                                  "d'écrire dans son dossier, puis relancez Quorvel.")
                             .arg(QDir::toNativeSeparators(chemin)),
                         QMessageBox::Ok);
        return false;
    }
    return true;
}

// Une version précédente avait laissé les données lisibles par les autres comptes de l'ordinateur :
// c'est réparé, et dit une fois.
void annoncerDonneesPrivees(QWidget* fenetre, const QString& dossier)
{
    Invite::information(
        fenetre, traduire("Données des élèves protégées"),
        traduire("Les données des élèves (dossier %1) pouvaient être lues par les autres utilisateurs de cet "
                 "ordinateur.\nQuorvel les a rendues lisibles par vous seul ; rien d'autre n'a changé.")
            .arg(QDir::toNativeSeparators(dossier)));
}

// Le dossier ou la base ne peuvent pas être modifiés : le programme s'ouvre pour lire, et le dit
// avant que la première saisie ne soit refusée.
void annoncerLectureSeule(QWidget* fenetre, DossierDonnees::Ecriture ecriture, const QString& chemin)
{
    const QString quoi = ecriture == DossierDonnees::Ecriture::DossierEnLectureSeule
                             ? traduire("Le dossier des données\n%1\nne peut pas être modifié")
                                   .arg(QDir::toNativeSeparators(QFileInfo(chemin).absolutePath()))
                             : traduire("Le fichier de la base de données\n%1\nne peut pas être modifié")
                                   .arg(QDir::toNativeSeparators(chemin));
    Invite::avertissement(
        fenetre, traduire("Données en lecture seule"),
        quoi +
            traduire(" (droits d'écriture retirés, support protégé en écriture ou disque plein).\n\n"
                     "Quorvel s'ouvre pour consulter, imprimer et exporter, mais aucune modification ne "
                     "pourra être enregistrée.\n\nPour travailler normalement, quittez Quorvel, rendez ce "
                     "dossier modifiable (ou demandez-le à la personne qui gère l'ordinateur), libérez de la "
                     "place s'il le faut, puis relancez Quorvel."));
}

// « quorvel -verifie » : le démarrage jusqu'à la fenêtre principale, sans toucher à aucune base
// ni prendre la place d'une instance en marche, puis la sortie. Vérifie aussi ce dont le programme
// a besoin à côté de lui et dans la boîte à outils : le guide et la licence, le pilote SQLite.
// État de sortie 0 et une ligne sur la sortie standard quand tout y est ; sinon 1, et sur la sortie
// d'erreur ce qui manque.
int verifierDemarrage()
{
    QStringList manques;
    if (!Schema::piloteDisponible())
        manques << traduire("le pilote SQLite de Qt (paquet libqt6sql6-sqlite)");
    for (const QString& document : {Application::DOCUMENT_GUIDE, Application::DOCUMENT_LICENCE}) {
        const QFileInfo fichier(Application::cheminDocument(document));
        if (!fichier.isFile() || fichier.size() == 0)
            manques << QDir::toNativeSeparators(fichier.absoluteFilePath());
    }

    MainWindow fenetre(nullptr, MainWindow::Demarrage::SansControle);
    fenetre.show();
    QElapsedTimer attente;
    attente.start();
    while (!(fenetre.windowHandle() && fenetre.windowHandle()->isExposed()) && attente.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    if (!fenetre.windowHandle() || !fenetre.windowHandle()->isExposed())
        manques << traduire("l'affichage de la fenêtre principale");
    fenetre.close();

    QTextStream erreur(stderr);
    QTextStream sortie(stdout);
    if (!manques.isEmpty()) {
        erreur
            << traduire("Quorvel %1 : démarrage incomplet ; il manque :").arg(Application::VERSION_AFFICHEE)
            << Qt::endl;
        for (const QString& manque : manques)
            erreur << "  " << manque << Qt::endl;
        return 1;
    }
    sortie << traduire(
                  "Quorvel %1 : la fenêtre principale s'est ouverte ; guide et licence présents dans %2.")
                  .arg(Application::VERSION_AFFICHEE,
                       QDir::toNativeSeparators(Application::dossierDocuments()))
           << Qt::endl;
    return 0;
}
} // namespace

int demarrer(int argc, char** argv)
{
    QCoreApplication::setApplicationName(Application::NOM);
    QCoreApplication::setApplicationVersion(Application::VERSION_LOGICIELLE);
    QCoreApplication::setOrganizationName(Application::ORGANISATION);

    QApplication application(argc, argv);
    Invite::installerDepuisEnvironnement();
    const QStringList arguments = QCoreApplication::arguments();
    const QString option = arguments.size() > 1 ? arguments.at(1) : QString();

    QTranslator traduction;
    if (traduction.load(QStringLiteral("qt_fr"), QStringLiteral(":outils")))
        QApplication::installTranslator(&traduction);
    QApplication::setStyle(new MyStyle);

    if (option == QLatin1String("-verifie"))
        return verifierDemarrage();

    InstanceUnique instance;
    if (!instance.acquerir())
        return refuserSecondeInstance();

    Application::definirChemins(Application::cheminsDans(Application::preparerRepertoireDonnees()));
    // Aussi à côté de la base : jamais deux processus sur le même fichier, même avec des dossiers
    // temporaires différents. Avant la désinstallation, qui ne doit rien supprimer sous une
    // instance en marche.
    if (!instance.acquerirBase(Application::chemins().courante))
        return refuserSecondeInstance();

    // La désinstallation nomme elle-même les copies temporaires oubliées, et ne supprime rien
    // sans l'accord de l'utilisateur.
    if (option == QLatin1String("-desinstalle")) {
        desinstaller(Application::chemins());
        return 0;
    }
    Sauvegarde::supprimerCopiesOubliees();

    // Le journal des dates pas encore enregistrées d'un arrêt imprévu attend que l'enseignant ait
    // choisi de les reprendre ou non (premier tour de la boucle d'événements) : d'ici là, rien ne
    // le réécrit, pas même un arrêt demandé par le système.
    JournalSaisies::Ecrivain::instance().retenir(true);
    // Avant que SQLite n'ouvre la base : les données redeviennent privées là où une version
    // précédente les a laissées lisibles par tous, puis l'écriture est essayée pour de vrai.
    const QString chemin = Application::chemins().courante;
    const QStringList ouverts = DossierDonnees::resserrer(Application::dossierDonnees());
    const DossierDonnees::Ecriture ecriture = DossierDonnees::ecriture(Application::dossierDonnees(), chemin);
    const bool lectureSeule = ecriture != DossierDonnees::Ecriture::Possible;

    MainWindow fenetre;
    GardienCopies copies(&fenetre);
    // Une base ouverte pour lire seulement ne change pas : rien à copier, rien à dire d'une copie
    // impossible dans un dossier déjà signalé.
    if (!lectureSeule)
        fenetre.confierCopies(&copies);
    fenetre.show();
    const ArretSysteme arret(&fenetre);

    if (const Resultat<> ouverte = Schema::ouvrirBaseParDefaut(chemin, lectureSeule); !ouverte) {
        Invite::critique(nullptr, traduire("Erreur d'ouverture de la base de données"),
                         traduire("La base de données\n%1\nne peut pas être ouverte (%2).\n\n"
                                  "Vérifiez que son dossier existe, que vous avez le droit d'y écrire et que "
                                  "le disque n'est pas plein, puis relancez Quorvel.")
                             .arg(QDir::toNativeSeparators(chemin), ouverte.erreur().texte),
                         QMessageBox::Ok);
        return 1;
    }
    if (!accepterFichierBase(chemin))
        return 1;
    if (!ouverts.isEmpty())
        annoncerDonneesPrivees(&fenetre, Application::dossierDonnees());
    if (lectureSeule)
        annoncerLectureSeule(&fenetre, ecriture, chemin);

    return QApplication::exec();
}
