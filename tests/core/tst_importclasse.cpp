// SPDX-License-Identifier: GPL-3.0-or-later
// L'échange de classes dans le cœur seul, les questions posées par un interlocuteur écrit d'avance :
// le fichier exporté, la réimportation (sans changement, ou un seul changement), les compteurs du
// bilan, chaque refus (sa raison, et la base intacte), le fichier de version 2, une base tenue
// ailleurs.
#include "core/commun/application.h"
#include "core/exchange/chiffreur.h"
#include "core/exchange/fichierclasse.h"
#include "core/exchange/importclasse.h"
#include "support/donnees.h"
#include "support/environnement.h"
#include "support/interlocuteur.h"
#include "support/sql.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QTest>

namespace {

using Sql::idRef;
using Sql::valeur;

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

// Les compteurs dans l'ordre du bilan : élèves ajoutés, mis à jour, sans changement, absents du
// fichier ; dates ajoutées, mises à jour, sans changement, supprimées, ignorées ; niveaux créés.
QList<int> compteurs(const ImportClasse::Compteurs& c)
{
    return {c.elevesAjoutes,   c.elevesMisAJour,  c.elevesInchanges, c.elevesIgnores, c.notesAjoutees,
            c.notesMisesAJour, c.notesInchangees, c.notesSupprimees, c.notesIgnorees, c.niveauxCrees};
}

} // namespace

class TstImportClasse : public QObject
{
    Q_OBJECT

    Environnement::Dossier dossierA, dossierB;
    QTemporaryDir fichiers;

    // Rouvre la base A telle que l'a laissée initTestCase(), ou pose une base B neuve.
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

    // Le fichier de la classe pour le palier 1, comme l'écrit le dialogue d'exportation.
    QString exporter(qint64 classe, const QString& libelle, const QString& nom, const QString& palier = "P1")
    {
        const Resultat<QDomDocument> document = FichierClasse::construire(classe, libelle, idRef(palier));
        QFile fichier(fichiers.filePath(nom));
        if (!document || !fichier.open(QIODevice::WriteOnly))
            return {};
        fichier.write(FichierClasse::texte(*document));
        return fichier.fileName();
    }

private Q_SLOTS:
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

    // Le fichier : racine, somme de contrôle, élèves chiffrés dans l'ordre des noms (l'élève sans
    // niveau n'y est pas), dates du palier seulement.
    void exportation()
    {
        ouvrir(dossierA, false);
        const QString chemin = exporter(1, "CE1 Noël", "a.xml");
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
        QVERIFY(!lire(exporter(2, "Vide", "vide.xml")).documentElement().hasChildNodes());
    }

    // Importation dans la base d'origine, sans changement : rien n'est mis à jour, aucune question.
    void reimportationIdentique()
    {
        ouvrir(dossierA, false);
        // Une copie de travail plus ancienne, lisible par tous : remplacée par une copie à
        // l'utilisateur seul.
        const QString copieTravail = dossierA->filePath("out.xml");
        QFile ancienne(copieTravail);
        QVERIFY(ancienne.open(QIODevice::WriteOnly) && ancienne.write("ancienne") == 8);
        ancienne.close();
        QVERIFY(ancienne.setPermissions(ancienne.permissions() | QFile::ReadOther | QFile::ReadGroup));
        const QString avant = Sql::contenu();
        InterlocuteurEssai s;
        const auto issue = ImportClasse(s).importer(fichiers.filePath("a.xml"));
        QVERIFY(issue);
        QCOMPARE(compteurs(*issue), QList<int>({0, 0, 3, 1, 0, 0, 3, 0, 0, 0}));
        QVERIFY(!issue->classeCreee && !issue->classeRenommee && issue->classe == "CE1 Noël");
        QVERIFY(!s.classeDemandee && s.datesProposees.isEmpty() && s.niveauxProposes.isEmpty() &&
                s.supprimables < 0);
        QCOMPARE(Sql::contenu(), avant);
        const QDomElement copie = lire(copieTravail).documentElement().firstChildElement();
        QCOMPARE(copie.attribute("nom") + copie.attribute("id_eleve") + copie.attribute("index_niveau"),
                 "BRAVO31");
        QCOMPARE(QFile::permissions(copieTravail) & ~(QFile::ReadUser | QFile::WriteUser),
                 QFile::ReadOwner | QFile::WriteOwner);
        QVERIFY(!QFile::exists(fichiers.filePath("out.xml")));
    }

    // Une classe reçue, puis le même fichier, ou ce fichier avec un seul changement : n'est mis à
    // jour que ce qui change ; une date que la base tient déjà, à la même valeur, est retrouvée sans
    // changement (ni réécrite), quel que soit l'instant de sa saisie.
    void reimportation_data()
    {
        QTest::addColumn<QString>("note");      // date|maj de LÉVÊQUE pour P1C1A1 ; vide : inchangée
        QTest::addColumn<QString>("naissance"); // nouvelle date de naissance de LÉVÊQUE, prise
        QTest::addColumn<QList<int>>("attendus");
        QTest::addColumn<QString>("apres"); // P1C1A1 de LÉVÊQUE ensuite ; vide : base inchangée
        ligne("fichier identique", "", "", QList<int>{0, 0, 3, 0, 0, 0, 3, 0, 0, 0}, "");
        ligne("une date changée, saisie plus tard", "2012-05-09|2013-01-01 00:00:00", "",
              QList<int>{0, 0, 3, 0, 0, 1, 2, 0, 0, 0}, "2012-05-09|2013-01-01 00:00:00");
        ligne("une date changée, saisie plus tôt", "2012-05-09|2011-01-01 00:00:00", "",
              QList<int>{0, 0, 3, 0, 0, 0, 2, 0, 1, 0}, "");
        ligne("même date, saisie plus tard", "2012-05-01|2013-01-01 00:00:00", "",
              QList<int>{0, 0, 3, 0, 0, 0, 3, 0, 0, 0}, "");
        ligne("date de naissance changée", "", "2005-03-08", QList<int>{0, 1, 2, 0, 0, 0, 3, 0, 0, 0},
              "2012-05-01|2012-05-01 08:00:00");
    }
    void reimportation()
    {
        QFETCH(QString, note);
        QFETCH(QString, naissance);
        QFETCH(QString, apres);
        Environnement::Dossier dossier;
        ouvrir(dossier, true);
        {
            InterlocuteurEssai premiere;
            const auto recue = ImportClasse(premiere).importer(fichiers.filePath("a.xml"));
            QVERIFY(recue && recue->classeCreee);
            QCOMPARE(compteurs(*recue), QList<int>({3, 0, 0, 0, 3, 0, 0, 0, 0, 0}));
        }
        QDomDocument d = lire(fichiers.filePath("a.xml"));
        QDomElement leveque = d.documentElement().lastChildElement();
        if (!note.isEmpty()) {
            QDomElement item = leveque.lastChildElement();
            QCOMPARE(item.attribute("ref"), "P1C1A1");
            item.setAttribute("date", note.section('|', 0, 0));
            item.setAttribute("maj", note.section('|', 1));
        }
        if (!naissance.isEmpty())
            leveque.setAttribute("date_naiss", Chiffreur(CLE_FICHIER_CLASSE).chiffrerTexte(naissance));
        ecrire(fichiers.filePath("reimport.xml"), d);
        const QString avant = Sql::contenu();
        InterlocuteurEssai s;
        s.dates = QList<int>{1}; // la date de naissance du fichier
        const auto issue = ImportClasse(s).importer(fichiers.filePath("reimport.xml"));
        QVERIFY(issue);
        QTEST(compteurs(*issue), "attendus");
        QVERIFY(!s.classeDemandee && s.niveauxProposes.isEmpty() && s.supprimables < 0);
        QCOMPARE(s.conflits.size(), naissance.isEmpty() ? 0 : 1);
        if (apres.isEmpty()) {
            QCOMPARE(Sql::contenu(), avant);
            return;
        }
        QCOMPARE(
            Sql::lignes("SELECT n.date, n.maj FROM notes n JOIN eleves e ON e.id_eleve=n.id_eleve "
                        "JOIN competences c ON c.id_comp=n.id_comp WHERE e.nom='LÉVÊQUE' AND c.ref='P1C1A1'"),
            QStringList{apres});
        if (!naissance.isEmpty())
            QCOMPARE(valeur("SELECT date_naiss FROM eleves WHERE nom='LÉVÊQUE'").toString(), naissance);
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
        const QString chemin = exporter(1, "CM2 Livret", "livrets.xml", "P2");
        QVERIFY(!chemin.isEmpty());

        poser(cible, !depuisAncien);
        QVERIFY(idRef("P2C5D4") != cleSource);
        InterlocuteurEssai s;
        QVERIFY(ImportClasse(s).importer(chemin));
        QCOMPARE(Sql::lignes(lecture), attendu);
    }

    // Scénario des compteurs, dans une base B préparée pour chacun d'eux.
    void chaqueCompteur()
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
        // Le niveau de BRAVO devient inconnu de la base : il sera créé, après les autres.
        QDomDocument d = lire(fichiers.filePath("a.xml"));
        d.documentElement().firstChildElement().setAttribute("niveau", "CE1 bis");
        ecrire(fichiers.filePath("b.xml"), d);
        InterlocuteurEssai s;
        s.dates = QList<int>{0};
        s.niveaux = QList<int>{1, 1};
        s.suppression = 2;
        const auto issue = ImportClasse(s).importer(fichiers.filePath("b.xml"));
        QVERIFY(issue);
        QCOMPARE(s.datesProposees, QList<int>{1});       // fichier plus ancien : sa date est proposée
        QCOMPARE(s.niveauxProposes, QList<int>({1, 1})); // nouveau niveau ; fichier plus récent
        QCOMPARE(s.supprimables, 1);
        QCOMPARE(compteurs(*issue), QList<int>({1, 2, 0, 1, 1, 1, 0, 1, 1, 1}));
        QVERIFY(!issue->classeCreee && !issue->classeRenommee);
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

    void lettre_data()
    {
        QTest::addColumn<QString>("classe");
        QTest::addColumn<QString>("nom"); // du premier élève (BRAVO Léo)
        QTest::addColumn<bool>("classeDemandee");
        QTest::addColumn<QString>("eleves");
        QTest::addColumn<int>("nettoyes");
        ligne("classe « CE1% »", "CE1%", "BRAVO", true, QString(), 0);
        ligne("classe « CE1_Noël »", "CE1_Noël", "BRAVO", true, QString(), 0);
        ligne("élève « BR_VO »", "CE1 Noël", "BR_VO", false, "BRAVO|BR_VO", 0);
        ligne("élève « B% »", "CE1 Noël", "B%", false, "BRAVO|B%", 0);
        ligne("élève avec caractères nuls", "CE1 Noël", QString::fromUtf8("BRA\0VO\0", 8), false, "BRAVO", 1);
        ligne("classe avec une tabulation", "CE1\tNoël", "BRAVO", false, QString(), 1);
    }
    // Les noms d'un fichier de classe sont pris à la lettre (« % » et « _ » ne retrouvent personne
    // d'autre), sans leurs caractères de contrôle, comptés pour le bilan.
    void lettre()
    {
        QFETCH(QString, classe);
        QFETCH(QString, nom);
        QFETCH(bool, classeDemandee);
        QFETCH(QString, eleves);
        ouvrir(dossierA, false);
        QDomDocument d = lire(fichiers.filePath("a.xml"));
        d.documentElement().setAttribute("nom", classe);
        Chiffreur c(CLE_FICHIER_CLASSE);
        d.documentElement().firstChildElement().setAttribute("nom", c.chiffrerTexte(nom));
        ecrire(fichiers.filePath("lettre.xml"), d);
        const QString avant = Sql::contenu();
        InterlocuteurEssai s;
        const auto issue = ImportClasse(s).importer(fichiers.filePath("lettre.xml"));
        QCOMPARE(s.classeDemandee, classeDemandee);
        QCOMPARE(bool(issue), !classeDemandee); // l'interlocuteur renonce au choix de la classe
        if (eleves.isEmpty()) {
            QCOMPARE(Sql::contenu(), avant);
        } else {
            QCOMPARE(Sql::lignes("SELECT nom FROM eleves WHERE prenom='Léo' ORDER BY id_eleve"),
                     eleves.split('|'));
            valeur("DELETE FROM eleves WHERE id_eleve>4");
            valeur("DELETE FROM notes WHERE id_eleve>4");
        }
        if (issue)
            QTEST(issue->nomsNettoyes, "nettoyes");
    }

    // Chaque refus a sa raison et laisse la base intacte.
    void refus_data()
    {
        QTest::addColumn<QString>("modification");
        QTest::addColumn<int>("raison");
        ligne("absent", "absent", int(Raison::FichierIllisible));
        ligne("mal formé", "texte:<classe>", int(Raison::AnalyseXml));
        ligne("imbrication", "texte:<classe>" + QString("<a>").repeated(100000),
              int(Raison::ImbricationProfonde));
        ligne("entités",
              "texte:<!DOCTYPE c [<!ENTITY a \"aaaa\"><!ENTITY b \"&a;&a;&a;&a;\">]><classe nom=\"&b;\"/>",
              int(Raison::DeclarationDeType));
        ligne("racine", "texte:<classes version='3'/>", int(Raison::FormatInconnu));
        ligne("version", "@version=4", int(Raison::VersionInconnue));
        ligne("sans somme", "@checksum=", int(Raison::SommeAbsente));
        ligne("modifié", "#maj=2030-01-01 00:00:00", int(Raison::SommeIncorrecte));
        ligne("notes échangées", "echange", int(Raison::SommeIncorrecte));
        ligne("sans palier", "@ref_palier=", int(Raison::PalierAbsent));
        ligne("palier inconnu", "@ref_palier=P7", int(Raison::PalierInconnu));
        ligne("sans classe", "@nom=", int(Raison::ClasseAbsenteDuFichier));
        ligne("nom illisible", "#nom=TUFSVElO", int(Raison::DechiffrementImpossible));
        ligne("sans maj", "#maj=", int(Raison::AttributsManquants));
        ligne("note sans ref", "%ref=", int(Raison::ReferenceAbsente));
        ligne("note inconnue", "%ref=P9X", int(Raison::CompetenceInconnue));
    }
    void refus()
    {
        QFETCH(QString, modification);
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
        const QString avant = Sql::contenu();
        InterlocuteurEssai s;
        const auto issue = ImportClasse(s).importer(chemin);
        QVERIFY(!issue);
        QTEST(int(issue.erreur().raison), "raison");
        if (issue.erreur().raison == Raison::FichierIllisible)
            QCOMPARE(issue.erreur().nom, chemin);
        QCOMPARE(Sql::contenu(), avant);
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
        InterlocuteurEssai s;
        const auto issue = ImportClasse(s).importer(fichiers.filePath("v2.xml"));
        QVERIFY(issue);
        QCOMPARE(QList<int>({issue->elevesAjoutes, issue->elevesIgnores}), QList<int>({1, 4}));
        QCOMPARE(valeur("SELECT nom||prenom||date_naiss FROM eleves WHERE nom='NOUVEAU'").toString(),
                 "NOUVEAUÉlise2005-02-02");
    }

    // Une base tenue par un autre programme : l'importation est refusée avant d'écrire, avec ce
    // qu'en dit SQLite ; l'exportation aussi, et rien n'a changé.
    void baseTenueAilleurs()
    {
        ouvrir(dossierA, false);
        const QString avant = Sql::contenu();
        const qint64 p1 = idRef("P1");
        {
            Environnement::VerrouBase verrou;
            QVERIFY(verrou.tenu());
            InterlocuteurEssai s;
            const auto issue = ImportClasse(s).importer(fichiers.filePath("a.xml"));
            QVERIFY(!issue);
            QCOMPARE(int(issue.erreur().raison), int(Raison::LectureImpossible));
            QVERIFY2(issue.erreur().texte.contains("database is locked"), qPrintable(issue.erreur().texte));
            const auto document = FichierClasse::construire(1, "CE1 Noël", p1);
            QVERIFY(!document);
        }
        QCOMPARE(Sql::contenu(), avant);
    }
};

QTEST_GUILESS_MAIN(TstImportClasse)
#include "tst_importclasse.moc"
