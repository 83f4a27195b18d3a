// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/commun/application.h"
#include "core/exchange/chiffreur.h"
#include "core/exchange/importclasse.h"
#include "gui/exchange/diadatenaiss.h"
#include "gui/exchange/diaexporteclasse.h"
#include "gui/exchange/diaimporteclasse.h"
#include "gui/exchange/dianiveau.h"
#include "gui/exchange/dianotessupprimables.h"
#include "gui/mainwindow/mainwindow.h"
#include "support/clavier.h"
#include "support/dialogues.h"
#include "support/donnees.h"
#include "support/environnement.h"
#include "support/repondeuressai.h"
#include "support/sql.h"

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDomDocument>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>
#include <QTreeWidget>

namespace {

const QString BILAN = "Bilan de l'importation de classe";

// Réponses écrites d'avance aux questions de l'importation ; les valeurs par défaut
// proposées sont notées avant d'être remplacées par les choix du script.
struct Script : InterlocuteurImport {
    QStringList messages; // « titre|texte »
    bool classeDemandee = false;
    std::optional<QList<int>> dates, niveaux; // rien : dialogue refusé
    QList<int> datesProposees, niveauxProposes;
    int suppression = 0;
    int supprimables = -1;

    void message(Genre, const QString& titre, const QString& t) override { messages << titre + "|" + t; }
    bool choisirClasse(const QString&, qint64&, bool&) override { return classeDemandee = true, false; }
    template <typename T>
    bool resoudre(QList<T>& l, const std::optional<QList<int>>& choix, QList<int>& proposes)
    {
        for (int i = 0; i < l.size(); ++i) {
            proposes << l[i].action;
            if (choix && i < choix->size())
                l[i].action = choix->at(i);
        }
        return bool(choix);
    }
    bool resoudreDates(QList<ConflitDate>& l) override { return resoudre(l, dates, datesProposees); }
    bool resoudreNiveaux(QList<ChangementNiveau>& l) override
    {
        return resoudre(l, niveaux, niveauxProposes);
    }
    int notesSupprimables(int nombre) override { return supprimables = nombre, suppression; }
};

using Sql::idRef;
using Sql::valeur;

// Tout ce que l'importation peut toucher, valeur par valeur.
QString etat()
{
    QStringList valeurs;
    for (const char* table : {"classes", "niveaux", "eleves", "notes"})
        for (QSqlQuery r(QString("SELECT * FROM %1 ORDER BY 1").arg(table)); r.next();)
            for (int i = 0; i < r.record().count(); ++i)
                valeurs << r.value(i).toString();
    return valeurs.join(',');
}

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
        if (neuf)
            dossier = Environnement::nouveauDossierDonnees();
        else
            Application::definirChemins(Application::cheminsDans(dossier->path()));
        QVERIFY(Environnement::ouvrirBase());
        if (neuf)
            QVERIFY(Environnement::initialiserBase());
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
        QCOMPARE(diaExporteClasse::dossierExport(), fichiers.path());
        QFile f(chemin);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray texte = f.readAll();
        QVERIFY(texte.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<classe "));
        QVERIFY(texte.contains("\n <eleve ") && texte.contains("\n  <note "));
        const QDomDocument d = lire(chemin);
        const QDomElement racine = d.documentElement();
        QCOMPARE(racine.attribute("nom") + racine.attribute("version") + racine.attribute("ref_palier"),
                 "CE1 Noël3P1");
        QCOMPARE(racine.attribute("checksum"), calculerChecksum(d));
        Chiffreur c(CLE_FICHIER_CLASSE);
        QStringList eleves;
        for (QDomElement e = racine.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
            QStringList l = {c.dechiffrerTexte(e.attribute("nom")), c.dechiffrerTexte(e.attribute("prenom")),
                             c.dechiffrerTexte(e.attribute("date_naiss")), e.attribute("niveau"),
                             e.attribute("maj")};
            for (QDomElement n = e.firstChildElement(); !n.isNull(); n = n.nextSiblingElement())
                l << n.tagName() + ":" + n.attribute("ref") + "=" + n.attribute("date") + "@" +
                         n.attribute("maj");
            eleves << l.join(' ');
        }
        QCOMPARE(
            eleves,
            QStringList(
                {"BRAVO Léo 2005-01-02 CE1 2012-01-01 10:00:00",
                 "CŒUR Zoé 2005-11-30 CE1 2012-01-01 10:00:00 note:P1C1A2=2012-06-01@2012-06-01 08:00:00",
                 "LÉVÊQUE Anaïs 2005-03-07 CE1 2012-01-01 10:00:00 note:P1=2012-05-03@2012-05-03 "
                 "08:00:00 note:P1C1A1=2012-05-01@2012-05-01 08:00:00"}));
        QVERIFY(!lire(exporter("Vide", "vide.xml")).documentElement().hasChildNodes());
        MainWindow fenetre; // l'action de la fenêtre principale ouvre le dialogue
        auto ouvert = quandDialogue<diaExporteClasse>([](diaExporteClasse* d) { d->reject(); });
        fenetre.findChild<QAction*>("acExporterClasse")->trigger();
        QVERIFY(*ouvert);
    }

    // Importation dans la base d'origine, sans changement : tout est ignoré, aucune question.
    void reimportationIdentique()
    {
        ouvrir(dossierA, false);
        // Une copie de travail plus ancienne, lisible par tous : remplacée par une copie à l'utilisateur
        // seul.
        const QString copieTravail = dossierA->filePath("out.xml");
        QFile ancienne(copieTravail);
        QVERIFY(ancienne.open(QIODevice::WriteOnly) && ancienne.write("ancienne") == 8);
        ancienne.close();
        QVERIFY(ancienne.setPermissions(ancienne.permissions() | QFile::ReadOther | QFile::ReadGroup));
        const QString avant = etat();
        Script s;
        ImportClasse import(s);
        QVERIFY(import.importer(fichiers.filePath("a.xml")));
        QCOMPARE(s.messages.size(), 1);
        QCOMPARE(s.messages.first(),
                 BILAN +
                     "|Nombre d'élèves ajoutés: 0\nNombre d'élèves mis à jour: 3\nNombre d'élèves ignorés "
                     "car présents dans la base mais pas dans le fichier: 1\nNombre de dates de compétences "
                     "ajoutées: 0\nNombre de dates de compétences mises à jour: 0\nNombre de dates de "
                     "compétences supprimées: 0\nNombre de dates de compétences ignorées: 3\nNombre de "
                     "niveaux créés: 0\n");
        QVERIFY(!s.classeDemandee && s.datesProposees.isEmpty() && s.niveauxProposes.isEmpty() &&
                s.supprimables < 0);
        QCOMPARE(etat(), avant);
        const QDomElement copie = lire(copieTravail).documentElement().firstChildElement();
        QCOMPARE(copie.attribute("nom") + copie.attribute("id_eleve") + copie.attribute("index_niveau"),
                 "BRAVO31");
        QCOMPARE(QFile::permissions(copieTravail) & ~(QFile::ReadUser | QFile::WriteUser),
                 QFile::ReadOwner | QFile::WriteOwner);
        QVERIFY(!QFile::exists(fichiers.filePath("out.xml")));
    }

    // Une base posée par l'ancien livret (P2C5D4 avant P2C5D5, P2C6B1 avant P2C6B2) et une base
    // neuve donnent à ces items des clés échangées ; les fichiers de classe les nomment par leur
    // code : dans les deux sens, chaque date arrive sur son item.
    void entreLivrets_data()
    {
        QTest::addColumn<bool>("depuisAncien");
        ligne("de l'ancien livret vers le nouveau", true);
        ligne("du nouveau livret vers l'ancien", false);
    }
    void entreLivrets()
    {
        QFETCH(bool, depuisAncien);
        const QString ancien = QFINDTESTDATA("../donnees/livrets-ancien.csv");
        const QStringList attendu{"P2C5D4|2012-06-04", "P2C5D5|2012-06-05", "P2C6B1|2012-06-11",
                                  "P2C6B2|2012-06-12"};
        const QString lecture = QStringLiteral("SELECT c.ref, n.date FROM notes n JOIN competences c ON "
                                               "c.id_comp = n.id_comp ORDER BY c.ref");
        const auto poser = [&](Environnement::Dossier& dossier, bool livretAncien) {
            Environnement::fermerBase();
            dossier = Environnement::nouveauDossierDonnees();
            QVERIFY(Environnement::ouvrirBase() &&
                    Environnement::initialiserBase(livretAncien ? ancien : QString()));
            valeur("INSERT INTO classes(id_classe,libelle,tri) VALUES(1,'CM2 Livret',0)");
        };
        Environnement::Dossier source, cible;
        poser(source, depuisAncien);
        const qint64 cleSource = idRef("P2C5D4");
        valeur("INSERT INTO eleves(id_eleve,id_classe,id_niveau,nom,prenom,date_naiss,maj) VALUES"
               "(1,1,5,'ROUX','Max','2001-02-03','2012-01-01 10:00:00')");
        for (const QString& note : attendu)
            valeur("INSERT INTO notes(id_eleve,id_comp,date,maj) VALUES(1,?,?,'2012-06-30 08:00:00')",
                   {idRef(note.section('|', 0, 0)), note.section('|', 1)});
        QCOMPARE(Sql::lignes(lecture), attendu);
        const QString chemin = exporter("CM2 Livret", "livrets.xml", 2);
        QVERIFY(!chemin.isEmpty());

        poser(cible, !depuisAncien);
        QVERIFY(idRef("P2C5D4") != cleSource);
        Script s;
        QVERIFY(ImportClasse(s).importer(chemin));
        QCOMPARE(Sql::lignes(lecture), attendu);
    }

    // Scénario des huit compteurs, dans une base B préparée pour chacun d'eux.
    void huitCompteurs()
    {
        ouvrir(dossierB, true);
        valeur("INSERT INTO classes(id_classe,libelle,tri) VALUES(5,'ce1 noël',3)");
        valeur("INSERT INTO eleves(id_eleve,id_classe,id_niveau,nom,prenom,date_naiss,maj) VALUES"
               "(10,5,3,'lÉvÊque','ANAïS','2005-03-07','2011-01-01 00:00:00')," // même date, niveau CE2
               "(11,1,2,'CŒUR','Zoé','2004-01-01','2013-01-01 00:00:00'),"  // date différente, plus récent
               "(12,5,2,'RESTE','Là','2004-01-01','2013-01-01 00:00:00')"); // absent du fichier
        valeur("INSERT INTO notes(id_note,id_eleve,id_comp,date,maj) VALUES"
               "(100,10,?,'2011-01-01','2011-01-01 00:00:00')," // plus ancienne : mise à jour
               "(101,10,?,'2011-01-01','2013-01-01 00:00:00')," // plus récente : ignorée
               "(102,10,?,'2011-01-01','2011-01-01 00:00:00')," // du palier, absente du fichier
               "(103,10,?,'2011-01-01','2011-01-01 00:00:00')", // autre palier : jamais proposée
               {idRef("P1C1A1"), idRef("P1"), idRef("P1C1A3"), idRef("P2C1A1")});
        // Le niveau de BRAVO devient inconnu de la base : il sera créé.
        QDomDocument d = lire(fichiers.filePath("a.xml"));
        d.documentElement().firstChildElement().setAttribute("niveau", "CE1 bis");
        ecrire(fichiers.filePath("b.xml"), d);
        Script s;
        s.dates = QList<int>{0};
        s.niveaux = QList<int>{1, 1};
        s.suppression = 2;
        ImportClasse import(s);
        QVERIFY(import.importer(fichiers.filePath("b.xml")));
        QCOMPARE(s.datesProposees, QList<int>{1});       // fichier plus ancien : sa date est proposée
        QCOMPARE(s.niveauxProposes, QList<int>({1, 1})); // nouveau niveau ; fichier plus récent
        QCOMPARE(s.supprimables, 1);
        const auto& c = import.compteurs();
        QCOMPARE(QList<int>({c.elevesAjoutes, c.elevesMisAJour, c.notesAjoutees, c.notesMisesAJour,
                             c.notesIgnorees, c.niveauxCrees, c.notesSupprimees, c.elevesIgnores}),
                 QList<int>({1, 2, 1, 1, 1, 1, 1, 1}));
        QVERIFY(!c.classeCreee && !c.classeRenommee);
        // La date prise du fichier garde l'instant de sa saisie, mise à jour comme ajoutée.
        QCOMPARE(Sql::lignes("SELECT id_note, date, maj FROM notes WHERE id_eleve=10 ORDER BY id_note"),
                 QStringList({"100|2012-05-01|2012-05-01 08:00:00", "101|2011-01-01|2013-01-01 00:00:00",
                              "103|2011-01-01|2011-01-01 00:00:00"}));
        QCOMPARE(Sql::lignes("SELECT date, maj FROM notes WHERE id_eleve=11"),
                 QStringList{"2012-06-01|2012-06-01 08:00:00"});
        QCOMPARE(Sql::lignes("SELECT id_eleve, nom, date_naiss, id_classe, id_niveau FROM eleves ORDER BY 1"),
                 QStringList({"10|lÉvÊque|2005-03-07|5|2", "11|CŒUR|2004-01-01|5|2",
                              "12|RESTE|2004-01-01|5|2", "13|BRAVO|2005-01-02|5|8"}));
        QCOMPARE(valeur("SELECT libelle||tri FROM niveaux WHERE id_niveau=8").toString(), "CE1 bis7");
    }

    // Chaque refus montre son message et laisse la base intacte.
    void refus_data()
    {
        QTest::addColumn<QString>("modification");
        QTest::addColumn<QString>("message");
        const QString manuel =
            "Erreur de contrôle|Ce fichier semble avoir été modifié manuellement en dehors "
            "de Quorvel. Par précaution, Quorvel refuse de lire les fichiers modifiés.";
        const QString annule =
            "\n\nArrêt de l'importation|Mise à jour annulée. Aucun changement n'a lieu dans "
            "la base de données.";
        const QString absent = "Problème de lecture du fichier|Problème de lecture du fichier %1\nLa lecture "
                               "s'est interrompue avec le message:\nNo such file or directory\nL'importation "
                               "est annulée.";
        const QString format = "Erreur de format|Ce fichier n'est pas au format attendu par Quorvel.";
        const QString version =
            "Erreur de version|Ce fichier ne peut pas être lu par cette version de Quorvel.";
        const QString somme = "Erreur de contrôle|Ce fichier semble incorrect (somme de contrôle absente).";
        const QString palier =
            "Erreur|Les références du palier ne correspondent pas à celles de la base de données";
        ligne("absent", "absent", absent);
        ligne("mal formé", "texte:<classe>",
              QString("Erreur d'analyse|Erreur d'analyse à la ligne 1, colonne 8\n"
                      "Premature end of document.\nL'importation est annulée."));
        ligne("imbrication", "texte:<classe>" + QString("<a>").repeated(100000), "Erreur d'analyse|");
        const QString bombe = "texte:<!DOCTYPE c [<!ENTITY a \"aaaa\"><!ENTITY b \"&a;&a;&a;&a;\">]><classe "
                              "nom=\"&b;\"/>";
        ligne("entités", bombe, QString("Erreur d'analyse|"));
        ligne("racine", "texte:<classes version='3'/>", format);
        ligne("version", "@version=4", version);
        ligne("sans somme", "@checksum=", somme);
        ligne("modifié", "#maj=2030-01-01 00:00:00", manuel);
        ligne("notes échangées", "echange", manuel);
        ligne("sans palier", "@ref_palier=", QString("Erreur|Palier non renseigné."));
        ligne("palier inconnu", "@ref_palier=P7", palier);
        ligne("sans classe", "@nom=", QString("Erreur|Pas de classe indiquée dans le fichier."));
        ligne("nom illisible", "#nom=TUFSVElO", QString("Erreur|Impossible de décrypter le fichier"));
        ligne("sans maj", "#maj=", QString("Erreur|Attributs manquants pour un élève"));
        ligne("note sans ref", "%ref=", "Erreur|Référence non renseignée dans la liste de notes" + annule);
        ligne("note inconnue", "%ref=P9X", "Erreur|Compétence incorrecte dans la liste de notes" + annule);
    }
    void refus()
    {
        QFETCH(QString, modification);
        QFETCH(QString, message);
        ouvrir(dossierA, false);
        const QString chemin = fichiers.filePath("refus.xml");
        QFile::remove(chemin);
        QDomDocument d = lire(fichiers.filePath("a.xml"));
        QDomElement racine = d.documentElement();
        QDomElement dernier = racine.lastChildElement(); // LÉVÊQUE, deux notes
        const QString valeurModif = modification.section('=', 1);
        if (modification.startsWith("texte:")) {
            QFile f(chemin);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(modification.mid(6).toUtf8());
        } else if (modification == "echange") {
            dernier.appendChild(dernier.firstChildElement());
            ecrire(chemin, d, false);
        } else if (modification != "absent") {
            const QString attribut = modification.mid(1).section('=', 0, 0);
            QDomElement cible = modification.startsWith('@')   ? racine
                                : modification.startsWith('#') ? dernier
                                                               : dernier.lastChildElement();
            cible.setAttribute(attribut, valeurModif);
            ecrire(chemin, d, !modification.startsWith("#maj=2030") && attribut != "checksum");
        }
        const QString avant = etat();
        Script s;
        QVERIFY(!ImportClasse(s).importer(chemin));
        if (message.endsWith('|'))
            QVERIFY(s.messages.size() == 1 && s.messages.last().startsWith(message));
        else
            QCOMPARE(s.messages.join("\n\n"), message.arg(chemin));
        QCOMPARE(etat(), avant);
    }

    // Un fichier de version 2 porte les noms en clair, et sa somme reste contrôlée.
    void version2()
    {
        ouvrir(dossierA, false);
        QDomDocument d;
        QVERIFY(d.setContent(
            QString("<classe nom='CE1 Noël' version='2' ref_palier='P1'><eleve nom='NOUVEAU' "
                    "prenom='Élise' date_naiss='2005-02-02' niveau='CE1' maj='2012-01-01 00:00:00'>"
                    "<note ref='P1C1A3' date='2012-02-02' maj='2012-02-02 00:00:00'/></eleve></classe>")));
        ecrire(fichiers.filePath("v2.xml"), d);
        Script s;
        ImportClasse import(s);
        QVERIFY(import.importer(fichiers.filePath("v2.xml")));
        QCOMPARE(QList<int>({import.compteurs().elevesAjoutes, import.compteurs().elevesIgnores}),
                 QList<int>({1, 4}));
        QCOMPARE(valeur("SELECT nom||prenom||date_naiss FROM eleves WHERE nom='NOUVEAU'").toString(),
                 "NOUVEAUÉlise2005-02-02");
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

    void lettre_data()
    {
        QTest::addColumn<QString>("classe");
        QTest::addColumn<QString>("nom"); // du premier élève (BRAVO Léo)
        QTest::addColumn<bool>("classeDemandee");
        QTest::addColumn<QString>("eleves");
        QTest::addColumn<QString>("nettoye"); // dernière ligne du bilan
        ligne("classe « CE1% »", "CE1%", "BRAVO", true, QString(), QString());
        ligne("classe « CE1_Noël »", "CE1_Noël", "BRAVO", true, QString(), QString());
        ligne("élève « BR_VO »", "CE1 Noël", "BR_VO", false, "BRAVO|BR_VO", QString());
        ligne("élève « B% »", "CE1 Noël", "B%", false, "BRAVO|B%", QString());
        ligne("élève avec caractères nuls", "CE1 Noël", QString::fromUtf8("BRA\0VO\0", 8), false, "BRAVO",
              "Noms lus avec des caractères de contrôle (caractère nul, tabulation…), enregistrés sans eux : "
              "1");
        ligne(
            "classe avec une tabulation", "CE1\tNoël", "BRAVO", false, QString(),
            QString("Noms lus avec des caractères de contrôle (caractère nul, tabulation…), enregistrés sans "
                    "eux : 1"));
    }
    // Les noms d'un fichier de classe sont pris à la lettre (« % » et « _ » ne retrouvent personne
    // d'autre), sans leurs caractères de contrôle.
    void lettre()
    {
        QFETCH(QString, classe);
        QFETCH(QString, nom);
        QFETCH(bool, classeDemandee);
        QFETCH(QString, eleves);
        QFETCH(QString, nettoye);
        ouvrir(dossierA, false);
        QDomDocument d = lire(fichiers.filePath("a.xml"));
        d.documentElement().setAttribute("nom", classe);
        Chiffreur c(CLE_FICHIER_CLASSE);
        d.documentElement().firstChildElement().setAttribute("nom", c.chiffrerTexte(nom));
        ecrire(fichiers.filePath("lettre.xml"), d);
        const QString avant = etat();
        Script s;
        const bool importe = ImportClasse(s).importer(fichiers.filePath("lettre.xml"));
        QCOMPARE(s.classeDemandee, classeDemandee);
        QCOMPARE(importe, !classeDemandee); // le script renonce au choix de la classe
        if (eleves.isEmpty()) {
            QCOMPARE(etat(), avant);
        } else {
            QCOMPARE(Sql::lignes("SELECT nom FROM eleves WHERE prenom='Léo' ORDER BY id_eleve"),
                     eleves.split('|'));
            valeur("DELETE FROM eleves WHERE id_eleve>4");
            valeur("DELETE FROM notes WHERE id_eleve>4");
        }
        if (!nettoye.isEmpty() && importe)
            QCOMPARE(s.messages.last().split('\n').filter(QRegularExpression(".")).last(), nettoye);
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
