// SPDX-License-Identifier: GPL-3.0-or-later
// Le dialogue d'impression aux échelles d'affichage 1, 1,5 et 2 (QT_SCALE_FACTOR), devant une file
// d'impression qui refuse les travaux : la ligne rouge qui dit pourquoi l'imprimante ne peut pas
// imprimer se lit en entier et ne chevauche aucun autre texte du dialogue, qu'elle soit là dès
// l'ouverture, qu'elle vienne d'un choix d'imprimante ou d'un tirage refusé, nom de file très long
// compris, et même la fenêtre rétrécie autant qu'elle le permet. L'échelle se fixe avant la création
// de l'application : chaque cas est mis en page dans un processus à part, ce même programme
// relancé, sur un écran sans affichage de 1920 × 1080 points.
#include "core/print/optionsimpression.h"
#include "gui/print/diaimprimer.h"
#include "support/donnees.h"
#include "support/environnement.h"
#include "support/repondeuressai.h"
#include "support/serveurcups.h"
#include "support/sql.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Dans le processus relancé : la file qui refuse et comment l'avertissement arrive.
const char* const FILE_REFUS = "QUORVEL_ECHELLE_FILE";
const char* const CAS = "QUORVEL_ECHELLE_CAS";
// Un nom de file sans espace, que la ligne ne peut pas couper entre deux mots.
const char* const LONGUE = "Imprimante_laser_couleur_de_la_salle_des_maitres_au_premier_etage_du_batiment_B";

// La partie d'un contrôle que l'on voit, dans le repère du dialogue (une zone qui défile en cache
// une partie).
QRect partieVisible(const QWidget* controle, QWidget* dialogue)
{
    const QRect visible = controle->visibleRegion().boundingRect();
    return visible.isEmpty() ? QRect() : visible.translated(controle->mapTo(dialogue, QPoint()));
}

// Ce qui ne va pas dans la mise en page de la ligne d'avertissement ; vide quand tout va bien.
QStringList defautsAvertissement(QDialog& dialogue)
{
    auto* avertissement = dialogue.findChild<QLabel*>("lbEtatImprimante");
    if (!avertissement || !avertissement->isVisible() || avertissement->text().isEmpty())
        return {"la ligne d'avertissement n'est pas montrée"};
    QStringList defauts;
    const int voulue = avertissement->heightForWidth(avertissement->width());
    if (avertissement->height() < voulue)
        defauts << QString("ligne d'avertissement coupée : %1 points de haut pour %2")
                       .arg(avertissement->height())
                       .arg(voulue);
    // Une zone qui défile verticalement peut la cacher en partie par le haut ou le bas, jamais sur
    // le côté.
    const QRect zone = partieVisible(avertissement, &dialogue);
    if (!zone.isEmpty() && zone.width() < avertissement->width())
        defauts << QString("ligne d'avertissement coupée sur le côté : %1 points vus sur %2")
                       .arg(zone.width())
                       .arg(avertissement->width());
    for (QWidget* autre : dialogue.findChildren<QWidget*>()) {
        const bool texte = qobject_cast<QLabel*>(autre) || qobject_cast<QAbstractButton*>(autre) ||
                           qobject_cast<QLineEdit*>(autre) || qobject_cast<QComboBox*>(autre);
        if (!texte || autre == avertissement || !autre->isVisible() || avertissement->isAncestorOf(autre) ||
            autre->isAncestorOf(avertissement))
            continue;
        if (const QRect vu = partieVisible(autre, &dialogue); vu.intersects(zone))
            defauts << QString("la ligne d'avertissement %1 chevauche « %2 » (%3) %4")
                           .arg(QDebug::toString(zone), autre->objectName(), autre->metaObject()->className(),
                                QDebug::toString(vu));
    }
    return defauts;
}

// Le processus relancé : le dialogue mis en page à l'échelle de l'environnement, l'avertissement
// amené comme le dit le cas ; les défauts sont écrits sur la sortie, le code de sortie dit s'il y
// en a.
int mettreEnPage()
{
    Environnement::preparer();
    Environnement::Dossier dossier;
    if (!Environnement::nouvelleBase(dossier))
        return 2;
    Sql::valeur("UPDATE general SET ecole='École Jules Ferry'");
    Sql::valeur("INSERT INTO classes(id_classe,libelle,tri) VALUES(1,'CE1 A',0)");
    Sql::valeur("INSERT INTO eleves(id_classe,id_niveau,nom,prenom) VALUES(1,2,'MARTIN','Max')");
    const QString refus = qEnvironmentVariable(FILE_REFUS);
    const QString cas = qEnvironmentVariable(CAS);
    RepondeurEssai repondeur;
    QPrinter imprimante(QPrinter::HighResolution);
    imprimante.setPrinterName(cas == "choix" || cas == "tirage" ? QString("accepte") : refus);
    OptionsImpression options;
    options.teacher = "M. X";
    options.what = 1;
    diaImprimer dialogue(nullptr, &imprimante, options);
    dialogue.show();
    if (!QTest::qWaitForWindowExposed(&dialogue))
        return 2;
    if (cas == "choix") {
        repondeur.accepterImpression(refus);
        dialogue.findChild<QAbstractButton*>("btImprimante")->click();
    } else if (cas == "tirage") {
        // La file se met à refuser pendant que le dialogue est ouvert : le tirage le dit.
        imprimante.setPrinterName(refus);
        repondeur.bouton(QMessageBox::Ok);
        dialogue.accept();
    } else if (cas == "rétrécie") {
        dialogue.resize(dialogue.minimumSizeHint());
    }
    QCoreApplication::processEvents();
    const QStringList defauts = defautsAvertissement(dialogue);
    QTextStream sortie(stdout);
    sortie << "échelle " << dialogue.devicePixelRatioF() << ", dialogue " << dialogue.width() << " × "
           << dialogue.height() << "\n";
    for (const QString& defaut : defauts)
        sortie << defaut << "\n";
    if (const QString image = qEnvironmentVariable("QUORVEL_ECHELLE_IMAGE"); !image.isEmpty())
        dialogue.grab().save(image);
    return defauts.isEmpty() ? 0 : 1;
}

} // namespace

class TstEchelles : public QObject
{
    Q_OBJECT
    ServeurCups serveur;
    QString sansCups;
    QTemporaryDir dossier;
    QString ecran; // configuration de l'écran sans affichage

private Q_SLOTS:
    void initTestCase()
    {
        if (!serveur.demarrer(&sansCups))
            return;
        for (const QString& file : {QString("refus"), QString(LONGUE)}) {
            QVERIFY(serveur.ajouterFile(file));
            QVERIFY(serveur.commande("cupsreject", {file}));
        }
        QVERIFY(serveur.ajouterFile("accepte"));
        ecran = dossier.filePath("ecran.json");
        QFile fichier(ecran);
        QVERIFY(fichier.open(QIODevice::WriteOnly));
        fichier.write(R"({"screens": [{"name": "essai", "x": 0, "y": 0, "width": 1920, "height": 1080,)"
                      R"( "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    }

    void avertissement_data()
    {
        QTest::addColumn<QString>("echelle");
        QTest::addColumn<QString>("cas");
        QTest::addColumn<QString>("file");
        for (const char* echelle : {"1", "1.5", "2"}) {
            const QString nom = QString("échelle %1, ").arg(echelle).replace('.', ',');
            for (const char* cas : {"ouverture", "choix", "tirage", "rétrécie"})
                QTest::newRow(qPrintable(nom + cas)) << QString(echelle) << QString(cas) << QString("refus");
            QTest::newRow(qPrintable(nom + "nom de file très long"))
                << QString(echelle) << QString("ouverture") << QString(LONGUE);
        }
    }
    void avertissement()
    {
        if (!sansCups.isEmpty())
            QSKIP(qPrintable(sansCups));
        QFETCH(QString, echelle);
        QFETCH(QString, cas);
        QFETCH(QString, file);
        QProcess enfant;
        QProcessEnvironment environnement = QProcessEnvironment::systemEnvironment();
        environnement.insert("QT_SCALE_FACTOR", echelle);
        environnement.insert("QT_QPA_PLATFORM", "offscreen:configfile=" + ecran);
        environnement.insert(FILE_REFUS, file);
        environnement.insert(CAS, cas);
        enfant.setProcessEnvironment(environnement);
        enfant.start(QCoreApplication::applicationFilePath(), QStringList());
        QVERIFY(enfant.waitForFinished(60000));
        const QString sortie = QString::fromUtf8(enfant.readAllStandardOutput());
        const QString erreurs = QString::fromUtf8(enfant.readAllStandardError());
        QVERIFY2(sortie.startsWith("échelle " + echelle + ","), qPrintable(sortie + erreurs));
        QVERIFY2(enfant.exitStatus() == QProcess::NormalExit && enfant.exitCode() == 0, qPrintable(sortie));
    }
};

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    if (qEnvironmentVariableIsSet(FILE_REFUS))
        return mettreEnPage();
    TstEchelles essai;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&essai, argc, argv);
}

#include "tst_echelles.moc"
