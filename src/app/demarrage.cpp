#include "app/demarrage.h"

#include "app/application.h"
#include "app/desinstallation.h"
#include "app/instanceunique.h"
#include "app/mainwindow.h"
#include "app/mystyle.h"
#include "db/schema.h"
#include "dialogs/invite.h"

#include <QApplication>
#include <QTranslator>

namespace {
QString traduire(const char* texte) { return QCoreApplication::translate("Demarrage", texte); }
} // namespace

int demarrer(int argc, char** argv)
{
    QCoreApplication::setApplicationName(Application::NOM);
    QCoreApplication::setApplicationVersion(Application::VERSION_LOGICIELLE);
    QCoreApplication::setOrganizationName(Application::ORGANISATION);

    QApplication application(argc, argv);
    Invite::installerDepuisEnvironnement();

    InstanceUnique instance;
    if (!instance.acquerir()) {
        Invite::critique(nullptr, traduire("Redémarrage de Quorvel"),
                         traduire("Quorvel est déjà en train de fonctionner. On ne peut pas démarrer une seconde "
                                  "instance."),
                         QMessageBox::Ok);
        return 0;
    }

    QTranslator traduction;
    if (traduction.load(QStringLiteral("qt_fr"), QStringLiteral(":outils")))
        QApplication::installTranslator(&traduction);

    QApplication::setStyle(new MyStyle);

    Application::definirChemins(Application::cheminsDans(Application::preparerRepertoireDonnees()));

    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() > 1 && arguments.at(1) == QLatin1String("-desinstalle")) {
        desinstaller(Application::chemins());
        return 0;
    }

    MainWindow fenetre;
    fenetre.show();

    QString erreur;
    if (!Schema::ouvrirBaseParDefaut(Application::chemins().courante, &erreur)) {
        Invite::critique(nullptr, traduire("Erreur d'ouverture de la base de données"), erreur, QMessageBox::Ok);
        return 1;
    }

    return QApplication::exec();
}
