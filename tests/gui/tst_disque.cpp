// SPDX-License-Identifier: GPL-3.0-or-later
// Ce que l'enseignant enregistre par les fenêtres (fichier de classe, livrets et bilan en PDF,
// bilan en HTML, sauvegarde de la base) sur une clé presque pleine ou retirée : un message dit ce
// qui a échoué et quoi faire, aucun succès n'est annoncé, le fichier qui portait ce nom reste tel
// quel et rien n'est laissé à côté. Le moteur des écritures est essayé dans tst_ecritures.
#include "gui/exchange/diaexporteclasse.h"
#include "gui/mainwindow/menusauvegarde.h"
#include "gui/print/diaimprimer.h"
#include "gui/report/diabilan.h"
#include "support/donnees.h"
#include "support/environnement.h"
#include "support/petitdisque.h"
#include "support/repondeuressai.h"
#include "support/sql.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QPrinter>
#include <QPushButton>
#include <QSqlQuery>
#include <QTest>
#include <QToolButton>

namespace {

const QByteArray ANCIEN = "le fichier d'avant, qui doit rester tel quel\n";

bool poser(const QString& chemin, const QByteArray& octets)
{
    QDir().mkpath(QFileInfo(chemin).absolutePath());
    QFile fichier(chemin);
    return fichier.open(QIODevice::WriteOnly | QIODevice::Truncate) && fichier.write(octets) == octets.size();
}

QByteArray lire(const QString& chemin)
{
    QFile fichier(chemin);
    return fichier.open(QIODevice::ReadOnly) ? fichier.readAll() : QByteArray("(absent)");
}

} // namespace

class TstDisque : public QObject
{
    Q_OBJECT

    Environnement::Dossier donnees;
    qint64 classe = 0;
    qint64 palier = 0;

    // Ce que fait l'enseignant pour écrire `chemin` par la fenêtre du genre donné ; le répondeur
    // a déjà les réponses aux questions d'avant l'écriture.
    void enregistrer(const QString& genre, const QString& chemin, RepondeurEssai& repondeur)
    {
        if (genre == "exportation") {
            diaExporteClasse dialogue(nullptr);
            auto* classes = dialogue.findChild<QComboBox*>("cbClasse");
            classes->setCurrentIndex(classes->findData(classe));
            dialogue.findChild<QComboBox*>("cbPalier")->setCurrentIndex(1);
            repondeur.chemin(chemin);
            repondeur.bouton(QMessageBox::Ok);
            dialogue.accept();
            QCOMPARE(dialogue.result(), int(QDialog::Rejected)); // le dialogue reste ouvert
        } else if (genre == "tirage") {
            OptionsImpression options;
            options.teacher = "M. X";
            options.compAll = true;
            options.what = 2;
            options.withAttestation = false;
            options.language = "anglais";
            options.classId = classe;
            options.palierId = palier;
            QPrinter imprimante(QPrinter::HighResolution);
            diaImprimer dialogue(nullptr, &imprimante, options);
            repondeur.accepterImpression(chemin);
            dialogue.findChild<QPushButton*>("btImprimante")->click();
            repondeur.bouton(QMessageBox::Ok);
            dialogue.accept();
            QCOMPARE(dialogue.result(), int(QDialog::Rejected));
        } else if (genre == "sauvegarde") {
            repondeur.chemin(QFileInfo(chemin).absolutePath());
            if (QFile::exists(chemin))
                repondeur.bouton(QMessageBox::Yes); // « Un fichier du même nom existe déjà »
            repondeur.bouton(QMessageBox::Ok);
            sauvegarderBase(nullptr);
        } else {
            QPrinter imprimante(QPrinter::HighResolution);
            DiaBilan dialogue(nullptr, &imprimante);
            auto* classes = dialogue.findChild<QComboBox*>("cbClasse");
            classes->setCurrentIndex(classes->findData(classe));
            auto* paliers = dialogue.findChild<QComboBox*>("cbPalier");
            paliers->setCurrentIndex(paliers->findData(palier));
            dialogue.findChild<QToolButton*>("btActualiser")->click();
            auto* boutons = dialogue.findChild<QDialogButtonBox*>("buttonBox");
            if (genre == "bilan HTML") {
                repondeur.chemin(chemin);
                repondeur.bouton(QMessageBox::Ok);
                boutons->button(QDialogButtonBox::Save)->click();
            } else {
                repondeur.accepterImpression(chemin);
                repondeur.bouton(QMessageBox::Ok);
                for (QAbstractButton* bouton : boutons->buttons())
                    if (bouton->text() == "&Imprimer")
                        bouton->click();
            }
        }
    }

private slots:
    void initTestCase()
    {
        Environnement::preparer();
        donnees = Environnement::nouveauDossierDonnees();
        QVERIFY(Environnement::ouvrirBase());
        QVERIFY(Environnement::initialiserBase());
        palier = Sql::idRef("P1");
        classe = Sql::valeur("INSERT INTO classes(libelle,tri) VALUES('CE1 Les Tilleuls',0)").toLongLong();
        // Une classe de trente, chacun avec ses dates du palier : un gros tirage.
        for (int i = 0; i < 30; ++i) {
            const qint64 eleve =
                Sql::valeur("INSERT INTO eleves(nom,prenom,date_naiss,id_classe,id_niveau) "
                            "VALUES(?,?,'2016-02-03',?,2)",
                            {QStringLiteral("NOM%1").arg(i), QStringLiteral("Prénom %1").arg(i), classe})
                    .toLongLong();
            Sql::valeur(
                "INSERT INTO notes(id_eleve,id_comp,date) SELECT ?,id_comp,'2024-03-12' FROM competences "
                "WHERE profondeur=3 AND ref LIKE 'P1%' AND (id_comp % 3)=?",
                {eleve, i % 3});
        }
    }

    void pleine_data()
    {
        QTest::addColumn<QString>("genre");
        QTest::addColumn<QString>("fichier");
        QTest::addColumn<QString>("titre");
        ligne("fichier de classe", "exportation", "CE1.xml", "Erreur");
        ligne("livrets en PDF", "tirage", "livrets.pdf", "Impossible d'imprimer");
        ligne("bilan en HTML", "bilan HTML", "bilan.html", "Problème");
        ligne("bilan en PDF", "bilan PDF", "bilan.pdf", "Impossible d'imprimer");
        ligne("sauvegarde", "sauvegarde", "QuorvelV3.sqlite", "Erreur");
    }
    // Sur une clé presque pleine : le message dit que le disque est plein et qu'il faut libérer de
    // la place ; le fichier d'avant reste, rien n'est laissé à côté, aucun succès n'est annoncé.
    void pleine()
    {
        QFETCH(QString, genre);
        QFETCH(QString, fichier);
        QFETCH(QString, titre);
        PetitDisque disque(200 * 1024);
        if (!disque.monte())
            QSKIP("montage d'un tmpfs refusé (il faut les droits de l'administrateur)");
        const QString chemin = disque.fichier(fichier);
        QVERIFY(poser(chemin, ANCIEN));
        QVERIFY(disque.remplir(12 * 1024));
        RepondeurEssai repondeur;
        enregistrer(genre, chemin, repondeur);
        QCOMPARE(repondeur.dernier().titre, titre);
        const QString texte = repondeur.dernier().texte;
        QVERIFY2(
            texte.contains("Le fichier « " + chemin + " » n'a pas pu être écrit : le disque est plein") &&
                texte.contains("Libérez de la place"),
            qPrintable(texte));
        for (const Invite::Message& message : repondeur.messages())
            QVERIFY2(message.genre != Invite::Genre::Information, qPrintable(message.texte));
        QCOMPARE(lire(chemin), ANCIEN);
        QCOMPARE(disque.contenu(), QStringList{fichier});
    }

    // La clé a été retirée entre le choix du fichier et l'écriture : le message le dit, rien
    // n'est créé.
    void dossierDisparu()
    {
        QTemporaryDir racine;
        const QString chemin = racine.filePath("cle/CE1.xml");
        RepondeurEssai repondeur;
        enregistrer("exportation", chemin, repondeur);
        QVERIFY(repondeur.dernier().texte.startsWith("Le fichier « " + chemin +
                                                     " » n'a pas pu être écrit : son dossier n'existe pas"));
        QVERIFY(QDir(racine.path()).isEmpty());
    }
};

QTEST_MAIN(TstDisque)
#include "tst_disque.moc"
