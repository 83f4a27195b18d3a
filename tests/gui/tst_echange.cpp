// SPDX-License-Identifier: GPL-3.0-or-later
// L'échange de classes par ses dialogues : l'exportation, le bilan et les refus tels que
// l'enseignant les lit, les questions de l'importation, le clavier. Le moteur (fichier, compteurs,
// raisons des refus) est essayé dans le cœur (tests/core/tst_importclasse).
#include "core/commun/application.h"
#include "core/commun/dossierdepart.h"
#include "core/exchange/chiffreur.h"
#include "core/exchange/importclasse.h"
#include "gui/exchange/diadatenaiss.h"
#include "gui/exchange/diaexporteclasse.h"
#include "gui/exchange/diaimporteclasse.h"
#include "gui/exchange/dianiveau.h"
#include "gui/exchange/dianotessupprimables.h"
#include "gui/exchange/importdialogues.h"
#include "gui/mainwindow/mainwindow.h"
#include "support/clavier.h"
#include "support/dialogues.h"
#include "support/donnees.h"
#include "support/environnement.h"
#include "support/interlocuteur.h"
#include "support/repondeuressai.h"
#include "support/sql.h"

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QDomDocument>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTest>
#include <QTreeWidget>

namespace {

const QString BILAN = "Bilan de l'importation de classe";

// L'importation d'un fichier, et les messages que la fenêtre principale en montrerait
// (« titre|texte ») : le bilan, ou les avertissements du refus.
QStringList importer(InterlocuteurEssai& s, const QString& chemin)
{
    ImportClasse import(s);
    const Resultat<ImportClasse::Compteurs> issue = import.importer(chemin);
    if (issue)
        return {BILAN + "|" + ImportDialogues::bilan(*issue)};
    QStringList messages;
    for (const auto& [titre, texte] : ImportDialogues::refus(issue.erreur()))
        messages << titre + "|" + texte;
    return messages;
}

using Sql::idRef;
using Sql::valeur;

// Ferme le dialogue en sortant de l'action, même quand une vérification y a échoué.
struct Fermeture {
    QDialog* dialogue;
    ~Fermeture()
    {
        if (dialogue->isVisible())
            dialogue->done(QDialog::Rejected);
    }
};

} // namespace

class TstEchange : public QObject
{
    Q_OBJECT

    Environnement::Dossier dossierA, dossierB;
    QTemporaryDir fichiers;

    void ouvrir(Environnement::Dossier& dossier, bool neuf)
    {
        Environnement::fermerBase();
        if (neuf) {
            QVERIFY(Environnement::nouvelleBase(dossier));
            return;
        }
        Application::definirChemins(Application::cheminsDans(dossier->path()));
        QVERIFY(Environnement::ouvrirBase());
    }

    QString exporter(const QString& classe, const QString& nom, int palier = 1)
    {
        RepondeurEssai r;
        const QString chemin = fichiers.filePath(nom);
        r.chemin(chemin);
        diaExporteClasse d(nullptr);
        auto* cbClasse = d.findChild<QComboBox*>("cbClasse");
        auto* cbPalier = d.findChild<QComboBox*>("cbPalier");
        cbClasse->setCurrentIndex(cbClasse->findText(classe));
        cbPalier->setCurrentIndex(palier);
        d.accept();
        return d.result() == QDialog::Accepted ? chemin : QString();
    }

    QDomDocument lire(const QString& chemin)
    {
        QFile f(chemin);
        QDomDocument d;
        if (f.open(QIODevice::ReadOnly))
            d.setContent(&f);
        return d;
    }

    void ecrire(const QString& chemin, QDomDocument d, bool resceller = true)
    {
        if (resceller)
            d.documentElement().setAttribute("checksum", calculerChecksum(d));
        QFile f(chemin);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(d.toByteArray(1));
    }

private slots:
    void initTestCase()
    {
        Environnement::preparer();
        QDir::setCurrent(fichiers.path()); // « out.xml » n'y est jamais écrit
        // Base A : la classe « CE1 Noël » (ZOÉ, LÉVÊQUE Anaïs, BRAVO sans date) et une classe
        // vide ; dates du palier 1 (dont une sur le palier lui-même) et une du palier 2.
        ouvrir(dossierA, true);
        valeur("INSERT INTO classes(id_classe,libelle,tri) VALUES(1,'CE1 Noël',0),(2,'Vide',1)");
        valeur("INSERT INTO eleves(id_eleve,id_classe,id_niveau,nom,prenom,date_naiss,maj) VALUES"
               "(1,1,2,'LÉVÊQUE','Anaïs','2005-03-07','2012-01-01 10:00:00'),"
               "(2,1,2,'CŒUR','Zoé','2005-11-30','2012-01-01 10:00:00'),"
               "(3,1,2,'BRAVO','Léo','2005-01-02','2012-01-01 10:00:00'),"
               "(4,1,99,'SANS','Niveau','2005-01-02','2012-01-01 10:00:00')");
        valeur("INSERT INTO notes(id_eleve,id_comp,date,maj) VALUES(1,?,'2012-05-01','2012-05-01 08:00:00'),"
               "(1,?,'2012-05-02','2012-05-02 08:00:00'),(1,?,'2012-05-03','2012-05-03 08:00:00'),"
               "(2,?,'2012-06-01','2012-06-01 08:00:00'),(2,0,'2012-06-01','2012-06-01 08:00:00')",
               {idRef("P1C1A1"), idRef("P2C1A1"), idRef("P1"), idRef("P1C1A2")});
    }

    void exportation()
    {
        ouvrir(dossierA, false);
        const QString chemin = exporter("CE1 Noël", "a.xml");
        QVERIFY(!chemin.isEmpty());
        QCOMPARE(DossierDepart::dossier(), fichiers.path()); // le choix suivant part de là
        QFile f(chemin);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray texte = f.readAll();
        QVERIFY(texte.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<classe "));
        QVERIFY(texte.contains("\n <eleve ") && texte.contains("\n  <note "));
        const QDomElement racine = lire(chemin).documentElement();
        QCOMPARE(racine.attribute("nom") + racine.attribute("ref_palier"), "CE1 Noël"
                                                                           "P1");
        QCOMPARE(racine.elementsByTagName("eleve").size(), 3);
        // Par l'action de la fenêtre principale : tant que le palier n'est pas choisi, OK est éteint
        // et dit pourquoi, au lieu de ne rien faire.
        MainWindow fenetre;
        auto ouvert = quandDialogue<diaExporteClasse>([](diaExporteClasse* d) {
            const Fermeture fermeture{d};
            QAbstractButton* ok = d->findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Ok);
            QVERIFY(!ok->isEnabled());
            QCOMPARE(ok->toolTip(),
                     "Choisissez le palier à exporter : un fichier ne contient les dates que d'un palier.");
            d->findChild<QComboBox*>("cbPalier")->setCurrentIndex(2);
            QVERIFY(ok->isEnabled() && ok->toolTip().isEmpty());
        });
        fenetre.findChild<QAction*>("acExporterClasse")->trigger();
        QVERIFY(*ouvert);
    }

    // Le bilan d'une importation dans la base d'origine, sans changement : rien n'est mis à jour,
    // tout est retrouvé sans changement.
    void bilan()
    {
        ouvrir(dossierA, false);
        InterlocuteurEssai s;
        const QStringList messages = importer(s, fichiers.filePath("a.xml"));
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.first(),
                 BILAN + "|Nombre d'élèves ajoutés: 0\n"
                         "Nombre d'élèves mis à jour (classe, niveau ou date de naissance): 0\n"
                         "Nombre d'élèves retrouvés sans changement: 3\n"
                         "Nombre d'élèves ignorés car présents dans la base mais pas dans le fichier: 1\n"
                         "Nombre de dates de compétences ajoutées: 0\n"
                         "Nombre de dates de compétences mises à jour: 0\n"
                         "Nombre de dates de compétences retrouvées sans changement: 3\n"
                         "Nombre de dates de compétences supprimées: 0\n"
                         "Nombre de dates de compétences ignorées (celle de la base, saisie plus "
                         "récemment, est gardée): 0\n"
                         "Nombre de niveaux créés: 0\n");
    }

    // Ce que l'enseignant lit de chaque refus (les raisons elles-mêmes : tests/core/tst_importclasse) ;
    // un fichier absent, de bout en bout.
    void refus_data()
    {
        QTest::addColumn<int>("raison");
        QTest::addColumn<QString>("message");
        const QString manuel =
            "Erreur de contrôle|Ce fichier semble avoir été modifié manuellement en dehors "
            "de Quorvel. Par précaution, Quorvel refuse de lire les fichiers modifiés.";
        const QString annule =
            "\n\nArrêt de l'importation|Mise à jour annulée. Aucun changement n'a lieu dans "
            "la base de données.";
        const QString analyse =
            "Erreur d'analyse|Erreur d'analyse à la ligne 1, colonne 8\n%1\nL'importation est annulée.";
        ligne("absent", int(Raison::FichierIllisible),
              "Problème de lecture du fichier|Problème de lecture du fichier %1\nLa lecture "
              "s'est interrompue avec le message:\nNo such file or directory\nL'importation "
              "est annulée.");
        ligne("mal formé", int(Raison::AnalyseXml), analyse.arg("Premature end of document."));
        ligne("imbrication", int(Raison::ImbricationProfonde), analyse.arg("imbrication trop profonde"));
        ligne("entités", int(Raison::DeclarationDeType), analyse.arg("déclaration de type non admise"));
        ligne("racine", int(Raison::FormatInconnu),
              "Erreur de format|Ce fichier n'est pas au format attendu par Quorvel.");
        ligne("version", int(Raison::VersionInconnue),
              "Erreur de version|Ce fichier ne peut pas être lu par cette version de Quorvel.");
        ligne("sans somme", int(Raison::SommeAbsente),
              "Erreur de contrôle|Ce fichier semble incorrect (somme de contrôle absente).");
        ligne("modifié", int(Raison::SommeIncorrecte), manuel);
        ligne("sans palier", int(Raison::PalierAbsent), "Erreur|Palier non renseigné.");
        ligne("palier inconnu", int(Raison::PalierInconnu),
              "Erreur|Les références du palier ne correspondent pas à celles de la base de données");
        ligne("sans classe", int(Raison::ClasseAbsenteDuFichier),
              "Erreur|Pas de classe indiquée dans le fichier.");
        ligne("nom illisible", int(Raison::DechiffrementImpossible),
              "Erreur|Impossible de décrypter le fichier");
        ligne("sans maj", int(Raison::AttributsManquants), "Erreur|Attributs manquants pour un élève");
        ligne("note sans ref", int(Raison::ReferenceAbsente),
              "Erreur|Référence non renseignée dans la liste de notes" + annule);
        ligne("note inconnue", int(Raison::CompetenceInconnue),
              "Erreur|Compétence incorrecte dans la liste de notes" + annule);
        ligne("abandon", int(Raison::Abandon), "");
        ligne(
            "écriture refusée", int(Raison::EcritureRefusee),
            "Arrêt de l'importation|La base de données a refusé l'enregistrement (disque plein, fichier en "
            "lecture seule ou utilisé par un autre programme). Aucun changement n'a eu lieu dans la base de "
            "données : libérez de la place ou fermez l'autre programme, puis recommencez l'importation.");
    }
    void refus()
    {
        QFETCH(int, raison);
        QFETCH(QString, message);
        const QString chemin = fichiers.filePath("absent.xml");
        QStringList messages;
        if (raison == int(Raison::FichierIllisible)) {
            ouvrir(dossierA, false);
            InterlocuteurEssai s;
            messages = importer(s, chemin);
        } else {
            Erreur erreur{static_cast<Raison>(raison)};
            erreur.ligne = 1;
            erreur.colonne = 8;
            erreur.texte = "Premature end of document.";
            for (const auto& [titre, texte] : ImportDialogues::refus(erreur))
                messages << titre + "|" + texte;
        }
        QCOMPARE(messages.join("\n\n"), QString(message).replace("%1", chemin));
    }

    void ecole_data()
    {
        QTest::addColumn<QString>("ecoleFichier"); // « - » : fichier sans école (versions précédentes)
        QTest::addColumn<QString>("reponse");      // à la question ; vide : pas de question
        QTest::addColumn<bool>("importe");
        ligne("la même, autrement écrite", "école des tilleuls \n 3  rue Haute", QString(), true);
        ligne("une autre, fusion acceptée", "École du Centre\nVilleneuve", "Yes", true);
        ligne("une autre, fusion refusée", "École du Centre\nVilleneuve", "No", false);
        ligne("fichier sans école", "-", QString(), true);
    }
    // Le fichier nomme l'école qui l'a écrit, hors de la somme de contrôle (les versions
    // précédentes le lisent comme avant) ; celui d'une autre école ne se fusionne qu'après une
    // question qui nomme les deux.
    void ecole()
    {
        QFETCH(QString, ecoleFichier);
        QFETCH(QString, reponse);
        QFETCH(bool, importe);
        ouvrir(dossierA, false);
        valeur("UPDATE general SET ecole=? WHERE id=1", {QString("École des Tilleuls\n3 rue Haute")});
        const auto remettre = qScopeGuard([] { valeur("UPDATE general SET ecole='' WHERE id=1"); });
        QDomDocument d = lire(exporter("CE1 Noël", "ecole.xml"));
        QCOMPARE(d.documentElement().attribute("ecole"), "École des Tilleuls\n3 rue Haute");
        const QString somme = d.documentElement().attribute("checksum");
        if (ecoleFichier == "-")
            d.documentElement().removeAttribute("ecole");
        else
            d.documentElement().setAttribute("ecole", ecoleFichier);
        ecrire(fichiers.filePath("ecole.xml"), d);
        QCOMPARE(d.documentElement().attribute("checksum"), somme); // la somme ne couvre pas l'école

        MainWindow fenetre;
        RepondeurEssai r;
        r.chemin(fichiers.filePath("ecole.xml"));
        if (!reponse.isEmpty())
            r.bouton(reponse == "Yes" ? QMessageBox::Yes : QMessageBox::No);
        if (importe)
            r.bouton(QMessageBox::Ok); // bilan
        fenetre.importerClasse();
        QStringList titres;
        for (const Invite::Message& m : r.messages())
            titres << m.titre;
        QCOMPARE(titres, (reponse.isEmpty() ? QStringList() : QStringList{"Fichier d'une autre école"}) +
                             (importe ? QStringList{BILAN} : QStringList()));
        if (!reponse.isEmpty())
            QCOMPARE(r.messages().first().texte,
                     "Ce fichier de classe a été exporté par une autre école :\n    École du Centre\n    "
                     "Villeneuve\n\nVotre base de données est celle de :\n    École des Tilleuls\n    3 rue "
                     "Haute\n\nFusionner quand même ses élèves et leurs dates dans votre base ?\n(Non : "
                     "l'importation est annulée, rien n'est modifié.)");
    }

    // Les chemins de dialogue, par la fenêtre principale et les vrais dialogues.
    void dialogues()
    {
        ouvrir(dossierB, true);
        valeur("INSERT INTO classes(id_classe,libelle,tri) VALUES(5,'Autre',0)");
        valeur("INSERT INTO eleves(id_eleve,id_classe,id_niveau,nom,prenom,date_naiss,maj) VALUES"
               "(10,5,2,'CŒUR','Zoé','2004-01-01','2011-01-01 00:00:00'),"
               "(11,5,2,'LÉVÊQUE','Anaïs','2005-03-07','2011-01-01 00:00:00')");
        valeur("INSERT INTO notes(id_eleve,id_comp,date) VALUES(11,?,'2011-01-01')", {idRef("P1C1A3")});
        MainWindow fenetre;

        // Classe « Autre » utilisée et renommée ; date du fichier ; notes absentes supprimées.
        RepondeurEssai r;
        r.chemin(fichiers.filePath("a.xml"));
        r.bouton(QMessageBox::Ok); // bilan
        quandDialogue<diaImporteClasse>([](diaImporteClasse* d) {
            Fermeture f{d};
            d->findChild<QRadioButton*>("rbUtiliseClasse")->setChecked(true);
            d->findChild<QCheckBox*>("chkRenommer")->setChecked(true);
            d->accept();
            quandDialogue<diaDateNaiss>([](diaDateNaiss* d) {
                Fermeture f{d};
                auto* ligne = d->findChild<QTreeWidget*>("tree")->topLevelItem(0);
                QCOMPARE(ligne->checkState(2), Qt::Checked); // fichier plus récent : date de la base
                ligne->setCheckState(4, Qt::Checked);        // les cases font un seul choix
                QCOMPARE(ligne->checkState(2), Qt::Unchecked);
                ligne->setCheckState(4, Qt::Unchecked); // la case reste cochée
                QCOMPARE(ligne->checkState(4), Qt::Checked);
                d->accept();
                quandDialogue<diaNotesSupprimables>([](diaNotesSupprimables* d) {
                    Fermeture f{d};
                    d->findChild<QRadioButton*>("rbSupprimer")->click();
                    d->accept();
                });
            });
        });
        fenetre.importerClasse();
        QCOMPARE(r.dernier().titre, BILAN);
        QVERIFY(r.dernier().texte.contains("supprimées: 1\n") &&
                r.dernier().texte.endsWith("Une classe renommée en CE1 Noël\n"));
        QCOMPARE(Sql::lignes("SELECT nom, date_naiss, id_classe FROM eleves ORDER BY id_eleve"),
                 QStringList({"CŒUR|2004-01-01|5", "LÉVÊQUE|2005-03-07|5", "BRAVO|2005-01-02|5",
                              "CŒUR|2005-11-30|5"}));
        QCOMPARE(valeur("SELECT libelle FROM classes WHERE id_classe=5").toString(), "CE1 Noël");
    }

    // Niveau : un niveau absent de la base est proposé ; « ignorer » écarte l'élève et ses notes.
    void dialogueNiveau()
    {
        ouvrir(dossierB, true);
        QDomDocument d = lire(fichiers.filePath("a.xml"));
        for (QDomElement e = d.documentElement().firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
            e.setAttribute("niveau", "CE1 bis");
        ecrire(fichiers.filePath("n.xml"), d);
        valeur("INSERT INTO classes(id_classe,libelle,tri) VALUES(5,'Autre',0)");
        MainWindow fenetre;
        RepondeurEssai r;
        r.chemin(fichiers.filePath("n.xml"));
        r.bouton(QMessageBox::Ok);
        quandDialogue<diaImporteClasse>([](diaImporteClasse* d) {
            Fermeture f{d};
            d->findChild<QRadioButton*>("rbNouvelleClasse")->setChecked(true);
            d->accept();
        });
        quandDialogue<diaNiveau>([](diaNiveau* d) {
            Fermeture f{d};
            auto* arbre = d->findChild<QTreeWidget*>("tree");
            QVERIFY(!arbre->topLevelItem(0)->data(3, Qt::CheckStateRole).isValid()); // pas de niveau actuel
            QCOMPARE(arbre->topLevelItem(0)->checkState(4), Qt::Checked);
            arbre->topLevelItem(2)->setCheckState(5, Qt::Checked);
            d->accept();
        });
        fenetre.importerClasse();
        QCOMPARE(Sql::lignes("SELECT nom, id_niveau FROM eleves ORDER BY id_eleve"),
                 QStringList({"BRAVO|8", "CŒUR|8"}));
        QVERIFY(r.dernier().texte.endsWith("Nombre de niveaux créés: 1\nClasse CE1 Noël créée\n"));
        QCOMPARE(valeur("SELECT COUNT(*) FROM notes").toInt(), 1);
    }

    // Les dialogues de l'échange au clavier seul et par une technique d'assistance : le contrôle
    // qui a le focus et son nom annoncé (l'arbre ajoute la colonne de sa case courante), ou, le
    // dialogue fermé, ce qu'il rend.
    void clavier_data()
    {
        Clavier::colonnes(); // le dialogue est nommé en tête de la ligne
        ligne("exporter : classe", "", "cbClasse|Classe à exporter:");
        ligne("exporter : palier", "Tab", "cbPalier|Palier à exporter:");
        ligne("classe : on commence par le choix", "",
              "rbNouvelleClasse|Créer une nouvelle classe avec ce nom et y placer les élèves");
        ligne("classe : nom lu", "Maj+Tab", "edClasse|nom de classe :");
        ligne("classe : la liste suit le choix", "Bas Espace Tab", "cbClasse|Classe où placer les élèves");
        ligne("classe : créée", "Espace Entrée", "fermé 0 non renommée");
        ligne("classe : existante renommée", "Bas Espace Tab Bas Tab Espace Entrée", "fermé 2 renommée");
        ligne("dates : départ sur la case cochée", "",
              "tree|Choix pour chaque élève|Nouvelle Date de naissance cochée");
        ligne("dates : cases choisies aux flèches", "Droite Espace Bas Droite Espace Entrée", "fermé 2,3");
        ligne("niveaux : case annoncée à cocher", "Droite",
              "tree|Choix pour chaque élève|Ignorer élève à cocher");
        ligne("niveaux : ignorer", "Droite Espace Entrée", "fermé 2,1");
        ligne("niveaux : pas de niveau actuel à cocher", "Bas Gauche Espace Entrée", "fermé 1,1");
        ligne("supprimables : OK attend un choix", "Entrée",
              "rbConserver|Conserver les dates présentes dans la base de données  (conseillé)");
        ligne("supprimables : au clavier", "Bas Espace Entrée", "fermé 2");
        // Une technique d'assistance coche le bouton sans le cliquer.
        ligne("supprimables : conserver, sans clic", "bascule:rbConserver Entrée", "fermé 1");
        ligne("supprimables : supprimer, sans clic", "bascule:rbSupprimer Entrée", "fermé 2");
    }
    void clavier()
    {
        const QString dialogue = QString(QTest::currentDataTag()).section(" : ", 0, 0);
        QFETCH(QString, gestes);
        ouvrir(dossierA, false);
        RepondeurEssai r;
        ConflitDate date{1, "LÉVÊQUE", "Anaïs", "2005-03-07", "2005-03-08", 1};
        QList<ConflitDate> dates{date, date};
        dates[1].action = 0;
        QList<ChangementNiveau> niveaux{{"LÉVÊQUE", "Anaïs", "2005-03-07", 1, "CE1", "CE2"},
                                        {"NOUVEAU", "Léo", "2005-01-01", 1, "", "CE2"}};
        std::unique_ptr<QDialog> d;
        if (dialogue == "exporter")
            d = std::make_unique<diaExporteClasse>(nullptr);
        else if (dialogue == "classe")
            d = std::make_unique<diaImporteClasse>("CE1 X", nullptr);
        else if (dialogue == "dates")
            d = std::make_unique<diaDateNaiss>(dates, nullptr);
        else if (dialogue == "niveaux")
            d = std::make_unique<diaNiveau>(niveaux, nullptr);
        else
            d = std::make_unique<diaNotesSupprimables>(3, nullptr);
        QString resultat = Clavier::apres(d.get(), gestes);
        if (auto* arbre = d->findChild<QTreeWidget*>("tree"); arbre && d->isVisible()) {
            // La case courante telle que l'annonce une technique d'assistance.
            const QModelIndex courant = arbre->currentIndex();
            QAccessibleInterface* cellule =
                QAccessible::queryAccessibleInterface(arbre)->tableInterface()->cellAt(courant.row(),
                                                                                       courant.column());
            resultat += '|' + arbre->headerItem()->text(courant.column()) +
                        (!cellule->state().checkable ? ""
                         : cellule->state().checked  ? " cochée"
                                                     : " à cocher");
        }
        if (!d->isVisible()) {
            if (auto* classe = qobject_cast<diaImporteClasse*>(d.get()))
                resultat = QString("fermé %1 %2")
                               .arg(classe->idClasse())
                               .arg(classe->renommer() ? "renommée" : "non renommée");
            else if (dialogue == "dates")
                resultat = QString("fermé %1,%2").arg(dates[0].action).arg(dates[1].action);
            else if (dialogue == "niveaux")
                resultat = QString("fermé %1,%2").arg(niveaux[0].action).arg(niveaux[1].action);
            else
                resultat = QString("fermé %1").arg(d->result());
        }
        QTEST(resultat, "attendu");
    }
};

QTEST_MAIN(TstEchange)
#include "tst_echange.moc"
