// SPDX-License-Identifier: GPL-3.0-or-later
// Programme enfant du banc des coupures : prépare l'état de départ d'une opération
// d'écriture, ou l'exécute, sur un dossier d'essai, avec les fonctions mêmes que les fenêtres
// et les dialogues du programme appellent.
//
//   executant liste                       noms des opérations, un par ligne
//   executant preparer <opération> <racine>
//   executant executer <opération> <racine>
//   executant partiel <opération> <racine>  la première partie seule, pour les opérations qui
//                                           la valident à part (code 4 pour les autres)
//
// Le dossier d'essai <racine> contient :
//   donnees/     les fichiers de base (chemins du programme : QuorvelV3.sqlite, …) et la copie de
//                travail « out.xml » de l'import de classe
//   entrees/     les fichiers lus par l'opération (CSV, fichier de classe, base à restaurer)
//   sauvegarde/  dossier choisi pour la copie proposée avant l'importation des élèves
//   tmp/         dossier temporaire du système (variable TMPDIR posée par le banc)
//   travail/     dossier courant (rien ne doit y être écrit)
//
// Les entrées sont fixes : mêmes élèves, même graine du jeu d'essai, mêmes fichiers. Le banc
// fige en plus l'heure murale, si bien que deux exécutions complètes donnent la même base.
// Code de sortie : 0 quand l'opération annonce sa réussite, 3 quand elle annonce un échec,
// 5 pour l'échec d'une reprise (ce qu'elle a copié avant reste validé, exprès), 6 pour une
// opération qui ne dit jamais si elle a réussi (le jeu d'essai), 7 pour une copie automatique
// manquée après un enregistrement réussi, 2 pour un usage faux.

#include "core/commun/application.h"
#include "core/commun/dates.h"
#include "core/commun/horloge.h"
#include "core/db/copiesauto.h"
#include "core/db/initialisation.h"
#include "core/db/jeuessai.h"
#include "core/db/lecteurcsv.h"
#include "core/db/migration.h"
#include "core/db/miseajourlivret.h"
#include "core/db/requetes.h"
#include "core/db/sauvegarde.h"
#include "core/db/schema.h"
#include "core/entry/notes.h"
#include "core/exchange/fichierclasse.h"
#include "core/exchange/importclasse.h"
#include "core/pupils/ajouteleves.h"
#include "core/pupils/eleves.h"
#include "core/pupils/importeleves.h"
#include "core/pupils/listes.h"
#include "core/settings/parametres.h"
#include "support/interlocuteur.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTextStream>
#include <QVariant>

#include <cstdio>
#include <functional>
#include <map>

namespace {

QString racine;

QString chemin(const QString& relatif)
{
    return racine + QLatin1Char('/') + relatif;
}

[[noreturn]] void echouer(const QString& raison)
{
    std::fprintf(stderr, "executant : %s\n", qPrintable(raison));
    std::exit(3);
}

void exiger(bool condition, const QString& raison)
{
    if (!condition)
        echouer(raison);
}

void sql(const QString& instruction, const QSqlDatabase& base = QSqlDatabase::database())
{
    QSqlQuery requete(base);
    if (!requete.exec(instruction))
        echouer(instruction + QStringLiteral(" : ") + requete.lastError().text());
}

qlonglong valeur(const QString& instruction, const QVariantList& parametres = {})
{
    QSqlQuery requete;
    requete.prepare(instruction);
    for (const QVariant& p : parametres)
        requete.addBindValue(p);
    if (!requete.exec() || !requete.next())
        echouer(instruction + QStringLiteral(" : ") + requete.lastError().text());
    return requete.value(0).toLongLong();
}

QList<qlonglong> cles(const QString& instruction, const QVariantList& parametres = {})
{
    QSqlQuery requete;
    requete.prepare(instruction);
    for (const QVariant& p : parametres)
        requete.addBindValue(p);
    if (!requete.exec())
        echouer(instruction + QStringLiteral(" : ") + requete.lastError().text());
    QList<qlonglong> resultat;
    while (requete.next())
        resultat.append(requete.value(0).toLongLong());
    return resultat;
}

// La connexion par défaut ouverte comme au démarrage du programme.
void ouvrir(const QString& fichier)
{
    const Resultat<> ouverte = Schema::ouvrirBaseParDefaut(fichier);
    exiger(ouverte.reussi(), ouverte ? QString() : ouverte.erreur().texte);
}

void fermer()
{
    {
        QSqlDatabase base = QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false);
        base.close();
    }
    QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));
}

const Application::CheminsBase& chemins()
{
    return Application::chemins();
}

void poser()
{
    const auto instructions = Schema::instructionsScript();
    exiger(instructions.reussi(), QStringLiteral("script du schéma illisible"));
    const Resultat<> posee = Initialisation::poserBase(*instructions);
    exiger(posee.reussi(), QStringLiteral("pose de la base : ") + (posee ? QString() : posee.erreur().texte));
}

qlonglong idClasse(const QString& libelle)
{
    return valeur(QStringLiteral("SELECT id_classe FROM classes WHERE libelle=?"), {libelle});
}

qlonglong idNoeud(const QString& ref)
{
    return valeur(QStringLiteral("SELECT id_comp FROM competences WHERE ref=?"), {ref});
}

// Une école : trois classes de cinq élèves, une classe vide, des dates tirées avec une
// graine fixe pour chaque élève.
void peupler(quint32 graine, const QString& ecole)
{
    poser();
    {
        QSqlQuery requete;
        requete.prepare(QStringLiteral("UPDATE general SET ecole=? WHERE id=1"));
        requete.addBindValue(ecole);
        exiger(requete.exec(), requete.lastError().text());
    }
    struct Classe {
        const char* libelle;
        int niveau;
        int annee;
    };
    const Classe classes[] = {{"CP A", 1, 2019}, {"CE1 B", 2, 2018}, {"CM2 C", 5, 2015}};
    const char* noms[] = {"MARTIN", "BERNARD", "DUBOIS", "THOMAS", "ROBERT", "RICHARD", "PETIT", "DURAND"};
    const char* prenoms[] = {"Léa", "Hugo", "Chloé", "Louis", "Emma", "Noé", "Inès", "Jules"};
    QSqlQuery classe;
    classe.prepare(QStringLiteral("INSERT INTO classes(libelle,tri) VALUES(?,?)"));
    QSqlQuery eleve;
    eleve.prepare(QStringLiteral(
        "INSERT INTO eleves(id_classe,id_niveau,nom,prenom,date_naiss,upd) VALUES(?,?,?,?,?,0)"));
    int rang = 0;
    for (const Classe& c : classes) {
        classe.addBindValue(QString::fromUtf8(c.libelle));
        classe.addBindValue(rang);
        exiger(classe.exec(), classe.lastError().text());
        const qlonglong id = classe.lastInsertId().toLongLong();
        for (int k = 0; k < 5; ++k) {
            eleve.addBindValue(id);
            eleve.addBindValue(c.niveau);
            eleve.addBindValue(QString::fromUtf8(noms[(rang * 3 + k) % 8]));
            eleve.addBindValue(QString::fromUtf8(prenoms[(rang + k * 5) % 8]));
            eleve.addBindValue(QDate(c.annee, 1 + (k * 5 + rang) % 12, 1 + (k * 7 + rang * 3) % 28)
                                   .toString(Dates::FORMAT_STOCKAGE));
            exiger(eleve.exec(), eleve.lastError().text());
        }
        ++rang;
    }
    classe.addBindValue(QStringLiteral("Vide"));
    classe.addBindValue(rang);
    exiger(classe.exec(), classe.lastError().text());
    exiger(JeuEssai::generer(graine).reussi(), QStringLiteral("jeu d'essai"));
}

// Ouvre la base de la version actuelle du dossier d'essai et la remplit.
void preparerBasePeuplee()
{
    ouvrir(chemins().courante);
    peupler(7, QStringLiteral("École Jules Ferry"));
    fermer();
}

// --- Préparations ---------------------------------------------------------------------

// Un fichier de la version 2 : les tables de la version actuelle, version 2 et une langue dans
// general.
void preparerVersion2(bool avecDoublon)
{
    ouvrir(chemins().v2);
    peupler(11, QStringLiteral("École de la version 2"));
    sql(QStringLiteral("UPDATE general SET version=2, langue_defaut='italien'"));
    if (avecDoublon) {
        // Table sans clé : l'élève 3 y figure deux fois, au milieu des autres. Sa deuxième
        // copie fait échouer la reprise après les huit premiers élèves.
        sql(QStringLiteral(
            "CREATE TABLE eleves2 AS SELECT * FROM eleves WHERE id_eleve<=8 ORDER BY id_eleve"));
        sql(QStringLiteral("INSERT INTO eleves2 SELECT * FROM eleves WHERE id_eleve=3"));
        sql(QStringLiteral("INSERT INTO eleves2 SELECT * FROM eleves WHERE id_eleve>8 ORDER BY id_eleve"));
        sql(QStringLiteral("DROP TABLE eleves"));
        sql(QStringLiteral("ALTER TABLE eleves2 RENAME TO eleves"));
    }
    fermer();
    ouvrir(chemins().courante);
    poser();
    fermer();
}

// Un fichier de la version 1, avec ses seules cinq tables ; des enregistrements sur les
// nœuds renumérotés depuis (178, 179 à 185, 186 à 211) et sur d'autres.
void preparerVersion1()
{
    const QString nom = QStringLiteral("preparation_v1");
    {
        QSqlDatabase base = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nom);
        base.setDatabaseName(chemins().v1);
        exiger(base.open(), base.lastError().text());
        sql(QStringLiteral(
                "CREATE TABLE classes(id_classe INTEGER PRIMARY KEY, libelle TINYTEXT, tri INTEGER)"),
            base);
        sql(QStringLiteral(
                "CREATE TABLE eleves(id_eleve INTEGER PRIMARY KEY, id_classe INTEGER, id_niveau INTEGER, "
                "nom TINYTEXT, prenom TINYTEXT, date_naiss DATE, upd INTEGER, maj DATETIME)"),
            base);
        sql(QStringLiteral(
                "CREATE TABLE general(id INTEGER PRIMARY KEY, ecole TEXT, langue_defaut TINYTEXT)"),
            base);
        sql(QStringLiteral(
                "CREATE TABLE niveaux(id_niveau INTEGER PRIMARY KEY, libelle TINYTEXT, tri INTEGER)"),
            base);
        sql(QStringLiteral(
                "CREATE TABLE notes(id_note INTEGER PRIMARY KEY, id_eleve INTEGER, id_comp INTEGER, "
                "date DATE, maj DATETIME)"),
            base);
        sql(QStringLiteral("INSERT INTO general VALUES(1,'École de la version 1','anglais')"), base);
        sql(QStringLiteral("INSERT INTO classes VALUES(4,'CE2 ancienne',0),(9,'CM1 ancienne',1)"), base);
        sql(QStringLiteral(
                "INSERT INTO niveaux VALUES(1,'CP',0),(2,'CE1',1),(3,'CE2',2),(4,'CM1',3),(8,'CM2',4)"),
            base);
        sql(QStringLiteral("BEGIN"), base);
        QSqlQuery eleve(base);
        eleve.prepare(QStringLiteral("INSERT INTO eleves VALUES(?,?,?,?,?,?,0,'2009-06-01 10:00:00')"));
        QSqlQuery note(base);
        note.prepare(QStringLiteral(
            "INSERT INTO notes(id_eleve,id_comp,date,maj) VALUES(?,?,?,'2010-05-04 08:00:00')"));
        for (int e = 1; e <= 10; ++e) {
            eleve.addBindValue(e * 2);
            eleve.addBindValue(e <= 5 ? 4 : 9);
            eleve.addBindValue(e <= 5 ? 3 : 4);
            eleve.addBindValue(QStringLiteral("ANCIEN%1").arg(e));
            eleve.addBindValue(QStringLiteral("Élève"));
            eleve.addBindValue(QStringLiteral("2000-0%1-1%1").arg(1 + e % 9));
            exiger(eleve.exec(), eleve.lastError().text());
            for (int noeud = e % 3 + 1; noeud <= 212; noeud += 3) {
                note.addBindValue(e * 2);
                note.addBindValue(noeud);
                note.addBindValue(QStringLiteral("2009-1%1-0%2").arg(e % 3).arg(1 + noeud % 9));
                exiger(note.exec(), note.lastError().text());
            }
        }
        sql(QStringLiteral("COMMIT"), base);
        base.close();
    }
    QSqlDatabase::removeDatabase(nom);
    ouvrir(chemins().courante);
    poser();
    fermer();
}

// Le fichier de Base Elèves : les élèves de « CP A » et de « CM2 C » tels quels, une partie
// de « CM2 C » passée dans une nouvelle classe, ceux de « CE1 B » absents (ils seront
// supprimés avec leurs dates), et de nouveaux élèves dans une nouvelle classe et un nouveau
// niveau.
void preparerImportEleves()
{
    ouvrir(chemins().courante);
    peupler(7, QStringLiteral("École Jules Ferry"));
    QFile fichier(chemin(QStringLiteral("entrees/base_eleves.csv")));
    exiger(fichier.open(QIODevice::WriteOnly), fichier.errorString());
    QTextStream flux(&fichier);
    flux.setEncoding(QStringConverter::Utf8);
    flux.setGenerateByteOrderMark(true);
    flux << "Nom élève;Prénom élève;Date naissance;Classe;Niveau;Cycle\r\n";
    QSqlQuery requete(QStringLiteral(
        "SELECT nom, prenom, date_naiss, classes.libelle, niveaux.libelle FROM eleves, classes, niveaux "
        "WHERE eleves.id_classe=classes.id_classe AND eleves.id_niveau=niveaux.id_niveau "
        "AND classes.libelle IN ('CP A','CM2 C') ORDER BY id_eleve"));
    int rang = 0;
    while (requete.next()) {
        QString classe = requete.value(3).toString();
        if (classe == QLatin1String("CM2 C") && rang % 2 == 0)
            classe = QStringLiteral("CM2 D");
        flux << requete.value(0).toString() << ';' << requete.value(1).toString() << ';'
             << QDate::fromString(requete.value(2).toString(), Dates::FORMAT_STOCKAGE)
                    .toString(Dates::FORMAT_AFFICHAGE)
             << ';' << classe << ';' << requete.value(4).toString() << ";\r\n";
        ++rang;
    }
    for (int k = 1; k <= 6; ++k)
        flux << "NOUVEAU" << k << ";Élève;0" << k << "/02/2016;CE2 E;" << (k == 6 ? "" : "CE2")
             << ";CYCLE III\r\n";
    flux.flush();
    fermer();
}

// Le fichier de la classe « CM2 C » (palier 2) tel que l'exporterait une autre installation,
// puis la base de cette installation-ci, qui s'en écarte : un élève manque, un autre a une
// autre date de naissance, un autre un autre niveau, des dates manquent, d'autres sont plus
// anciennes que celles du fichier, et des dates n'existent que dans la base.
void preparerImportClasse()
{
    ouvrir(chemins().courante);
    peupler(7, QStringLiteral("École Jules Ferry"));
    const qlonglong classe = idClasse(QStringLiteral("CM2 C"));
    const auto document =
        FichierClasse::construire(classe, QStringLiteral("CM2 C"), idNoeud(QStringLiteral("P2")));
    exiger(document.reussi(), QStringLiteral("fichier de classe"));
    QFile fichier(chemin(QStringLiteral("entrees/classe.xml")));
    exiger(fichier.open(QIODevice::WriteOnly), fichier.errorString());
    fichier.write(FichierClasse::texte(*document));
    fichier.close();

    const QList<qlonglong> eleves =
        cles(QStringLiteral("SELECT id_eleve FROM eleves WHERE id_classe=? ORDER BY id_eleve"), {classe});
    exiger(eleves.size() == 5, QStringLiteral("classe CM2 C incomplète"));
    sql(QStringLiteral("DELETE FROM notes WHERE id_eleve=%1").arg(eleves[0]));
    sql(QStringLiteral("DELETE FROM eleves WHERE id_eleve=%1").arg(eleves[0]));
    sql(QStringLiteral("UPDATE eleves SET date_naiss='2014-12-31' WHERE id_eleve=%1").arg(eleves[1]));
    sql(QStringLiteral("UPDATE eleves SET id_niveau=4 WHERE id_eleve=%1").arg(eleves[2]));
    sql(QStringLiteral("DELETE FROM notes WHERE id_note IN (SELECT id_note FROM notes WHERE id_eleve=%1 "
                       "ORDER BY id_note LIMIT 30)")
            .arg(eleves[3]));
    sql(QStringLiteral("UPDATE notes SET date='2001-01-01', maj='2000-01-01 00:00:00' WHERE id_eleve=%1")
            .arg(eleves[4]));
    // Des dates du palier 2 que le fichier ne porte pas.
    sql(QStringLiteral("INSERT INTO notes(id_eleve,id_comp,date) SELECT %1, id_comp, '2012-02-02' FROM "
                       "competences WHERE profondeur=3 AND ref LIKE 'P2%' AND id_comp NOT IN (SELECT id_comp "
                       "FROM notes WHERE id_eleve=%1)")
            .arg(eleves[4]));
    fermer();
}

// Une autre base complète, à restaurer à la place de celle du dossier de données.
void preparerRestauration()
{
    ouvrir(chemin(QStringLiteral("entrees/autre.sqlite")));
    peupler(99, QStringLiteral("École restaurée"));
    sql(QStringLiteral("DELETE FROM eleves WHERE id_eleve>12"));
    fermer();
    preparerBasePeuplee();
}

// La base peuplée, et onze copies automatiques des jours d'avant (du 20 au 30 novembre, la base
// changeant chaque jour), dans le dossier des copies et dans le second dossier (« sauvegarde/ »).
// La copie du jour en écartera une partie.
void preparerCopies()
{
    ouvrir(chemins().courante);
    peupler(7, QStringLiteral("École Jules Ferry"));
    for (int jour = 20; jour <= 30; ++jour) {
        sql(QStringLiteral("UPDATE general SET langue_defaut='langue du %1'").arg(jour));
        const CopiesAuto::Bilan bilan = CopiesAuto::copier({chemins().courante, CopiesAuto::dossier(),
                                                            chemin(QStringLiteral("sauvegarde")),
                                                            QDateTime(QDate(2025, 11, jour), QTime(17, 0))});
        exiger(bilan.reussie() && bilan.second == CopiesAuto::Bilan::Second::Ecrite, bilan.detail);
    }
    fermer();
}

// --- Exécutions ------------------------------------------------------------------------

// Ce que fait le dialogue d'initialisation sur « Oui » : copie de sécurité d'une base qui
// tient des données, puis pose de la base neuve.
bool initialiser()
{
    const auto instructions = Schema::instructionsScript();
    if (!instructions)
        return false;
    if (Initialisation::contientDesDonnees() &&
        !Initialisation::copierAvantInitialisation(chemins().courante))
        return false;
    return Initialisation::poserBase(*instructions).reussi();
}

// La reprise telle que le dialogue d'initialisation la mène : l'ancien fichier est supprimé
// après une reprise réussie.
bool migrer(bool version2)
{
    const QString ancien = version2 ? chemins().v2 : chemins().v1;
    const Resultat<> reprise =
        version2 ? Migration::importerVersion2(ancien) : Migration::importerVersion1(ancien);
    if (reprise)
        QFile::remove(ancien);
    return reprise.reussi();
}

// Avant l'importation, le dialogue propose une copie de la base dans un dossier choisi.
bool importerEleves()
{
    const QString cible = Sauvegarde::cheminCopie(chemin(QStringLiteral("sauvegarde")));
    if (!Sauvegarde::copierBase(cible))
        return false;
    LecteurCsv lecteur;
    if (!lecteur.load(chemin(QStringLiteral("entrees/base_eleves.csv")), true))
        return false;
    const Resultat<ImportEleves::Colonnes> colonnes = ImportEleves::preparer(lecteur);
    if (!colonnes)
        return false;
    ImportEleves::Options options;
    options.ajouter = options.supprimer = options.repartir = true;
    const Resultat<ImportEleves::Comptes> comptes =
        ImportEleves::importer(lecteur, *colonnes, options, [](int) { return true; });
    return comptes && comptes->supprimes > 0;
}

// La grille des compétences : élèves de « CM2 C » × items de P2C1, dates créées, changées
// et effacées.
bool enregistrerSaisie()
{
    const qlonglong classe = idClasse(QStringLiteral("CM2 C"));
    QList<qint64> eleves;
    for (const Eleve& e : Requetes::elevesClasse(classe).valeurOu({}))
        eleves.append(e.id);
    const QList<qint64> items = Notes::feuilles(idNoeud(QStringLiteral("P2C1"))).valeurOu({});
    const QHash<Notes::Cle, QString> existantes = Notes::dates(eleves, items).valeurOu({});
    QList<Notes::Cellule> cellules;
    int rang = 0;
    for (const qint64 eleve : eleves) {
        for (const qint64 item : items) {
            std::optional<QDate> date;
            switch (rang++ % 4) {
            case 0:
                break;
            case 1:
                date = QDate(2011, 3, 15);
                break;
            case 2:
                date = QDate(2010, 9, 2);
                break;
            default:
                if (const QDate existante =
                        QDate::fromString(existantes.value({eleve, item}), Dates::FORMAT_STOCKAGE);
                    existante.isValid())
                    date = existante;
            }
            cellules.append({eleve, item, date});
        }
    }
    return Notes::enregistrer(cellules).reussi();
}

// La grille des paliers : la ligne de validation de chaque compétence de P2.
bool enregistrerPalier()
{
    const qlonglong classe = idClasse(QStringLiteral("CM2 C"));
    QList<Notes::Cellule> cellules;
    int rang = 0;
    for (const Noeud& competence : Requetes::enfants(idNoeud(QStringLiteral("P2"))).valeurOu({}))
        for (const Eleve& e : Requetes::elevesClasse(classe).valeurOu({}))
            cellules.append({e.id, competence.id,
                             rang++ % 3 == 0 ? std::nullopt : std::optional<QDate>(QDate(2011, 6, 20))});
    return Notes::enregistrer(cellules).reussi();
}

// L'éditeur des élèves : modifications, nouveau niveau accepté, trois élèves ajoutés.
bool enregistrerEleves()
{
    const qlonglong classe = idClasse(QStringLiteral("CE1 B"));
    QList<Eleve> eleves = Requetes::elevesClasse(classe).valeurOu({});
    if (eleves.size() < 3)
        return false;
    eleves[0].nom += QStringLiteral("-LEROY");
    eleves[1].naissance = QDate(2014, 2, 1);
    eleves[2].niveau = QStringLiteral("CE1 renforcé");
    for (int k = 1; k <= 3; ++k) {
        Eleve nouveau;
        nouveau.nom = QStringLiteral("ARRIVÉ%1").arg(k);
        nouveau.prenom = QStringLiteral("Zoé");
        nouveau.naissance = QDate(2017, 5, k);
        nouveau.niveau = QStringLiteral("CE1");
        eleves.append(nouveau);
    }
    const Resultat<QStringList> aCreer =
        Eleves::verifier(eleves, Requetes::niveaux().valeurOu({}), [](const QString&) { return true; });
    return aCreer && Eleves::enregistrer(classe, eleves, *aCreer);
}

bool supprimerEleves()
{
    const QList<qlonglong> ids = cles(QStringLiteral("SELECT id_eleve FROM eleves WHERE id_classe=? ORDER BY "
                                                     "id_eleve LIMIT 3"),
                                      {idClasse(QStringLiteral("CM2 C"))});
    return Eleves::supprimer(ids).reussi();
}

bool deplacerEleves()
{
    const QList<qlonglong> ids = cles(QStringLiteral("SELECT id_eleve FROM eleves WHERE id_classe=?"),
                                      {idClasse(QStringLiteral("CP A"))});
    return Eleves::deplacer(ids, idClasse(QStringLiteral("CE1 B"))).reussi();
}

// L'éditeur de listes : renommage, permutation, deux ajouts, une suppression.
bool enregistrerListe(const QString& table, const QString& aSupprimer)
{
    QList<Listes::Entree> entrees = Listes::charger(table).valeurOu({});
    if (entrees.size() < 4)
        return false;
    QList<qlonglong> supprimees;
    for (int i = 0; i < entrees.size(); ++i) {
        if (entrees[i].libelle == aSupprimer) {
            supprimees.append(entrees[i].cle);
            entrees.removeAt(i);
            break;
        }
    }
    if (supprimees.isEmpty())
        return false;
    entrees[0].libelle += QStringLiteral(" (renommé)");
    entrees.swapItemsAt(1, 2);
    entrees.append({QStringLiteral("Nouvelle 1"), 0});
    entrees.insert(1, {QStringLiteral("Nouvelle 2"), 0});
    return Listes::enregistrer(table, entrees, supprimees).reussi();
}

bool ajouterEleves()
{
    const qlonglong classe = idClasse(QStringLiteral("CM2 C"));
    const auto ligne = [](const QString& nom, const QString& prenom, const QDate& naissance,
                          const QString& niveau) {
        Eleve eleve;
        eleve.nom = nom;
        eleve.prenom = prenom;
        eleve.naissance = naissance;
        eleve.niveau = niveau;
        return eleve;
    };
    QList<Eleve> lignes;
    for (int k = 1; k <= 4; ++k)
        lignes.append(ligne(QStringLiteral("AJOUTÉ%1").arg(k), QStringLiteral("Max"), QDate(2015, 10, 10 + k),
                            QStringLiteral("CM2")));
    {
        QSqlQuery present;
        present.prepare(
            QStringLiteral("SELECT nom, prenom, date_naiss FROM eleves WHERE id_classe=? ORDER BY id_eleve"));
        present.addBindValue(classe);
        exiger(present.exec() && present.next(), present.lastError().text());
        lignes.append(ligne(present.value(0).toString(), present.value(1).toString(),
                            QDate::fromString(present.value(2).toString(), Dates::FORMAT_STOCKAGE),
                            QStringLiteral("CM2")));
    }
    lignes.append(ligne(QStringLiteral("AJOUTÉ5"), QStringLiteral("Lina"), QDate(2015, 3, 3),
                        QStringLiteral("CM2 bilingue")));
    const Resultat<AjoutEleves::Ajout> ajout = AjoutEleves::enregistrer(
        lignes, classe, Requetes::niveaux().valeurOu({}), [](const QString&) { return true; });
    return ajout && ajout->ajoutes == 5 && ajout->ignores == 1;
}

bool importerClasse()
{
    // Un utilisateur qui prend tout ce que le fichier propose et supprime les dates que le
    // fichier ne porte pas.
    InterlocuteurEssai interlocuteur;
    interlocuteur.classe = 0;
    interlocuteur.dates = interlocuteur.niveaux = InterlocuteurEssai::toutes(1);
    interlocuteur.suppression = 2;
    ImportClasse import(interlocuteur);
    if (!import.importer(chemin(QStringLiteral("entrees/classe.xml"))))
        return false;
    const ImportClasse::Compteurs& c = import.compteurs();
    return c.elevesAjoutes == 1 && c.notesAjoutees > 0 && c.notesMisesAJour > 0 && c.notesSupprimees > 0;
}

enum Compte { Annonce = 3, PartieValidee = 5, SansCompteRendu = 6, CopieManquee = 7 };

// Un soir ordinaire : la grille est enregistrée, puis le programme fermé fait la copie du jour,
// comme GardienCopies::aLaFermeture(). L'enregistrement compte, même quand la copie échoue.
int enregistrerPuisCopier()
{
    if (!enregistrerSaisie())
        return Annonce;
    if (!CopiesAuto::baseModifiee(chemins().courante, CopiesAuto::dossier()))
        return Annonce;
    const CopiesAuto::Bilan bilan =
        CopiesAuto::copier({chemins().courante, CopiesAuto::dossier(), chemin(QStringLiteral("sauvegarde")),
                            Horloge::maintenant()});
    return bilan.reussie() ? 0 : CopieManquee;
}

bool restaurer()
{
    return Sauvegarde::restaurer(chemin(QStringLiteral("entrees/autre.sqlite"))).reussi();
}

// Témoin pour le banc lui-même : deux suppressions validées chacune à part, ce qu'aucune
// opération du programme ne doit faire. Absent de la liste des opérations.
bool supprimerSansTransaction()
{
    sql(QStringLiteral("DELETE FROM notes WHERE id_eleve=1"));
    sql(QStringLiteral("DELETE FROM notes WHERE id_eleve=2"));
    return true;
}

// Les paramètres de l'école : nom, adresse et langue.
bool enregistrerParametres()
{
    return Parametres::enregistrer(QStringLiteral("École des Tilleuls\n3 rue des Écoles\n\n75005 Paris"),
                                   QStringLiteral("Anglais"))
        .reussi();
}

// Une base peuplée dont l'arbre porte un texte d'avant : chaque libellé changé, et les deux
// paires d'items du livret dans l'ordre de leurs codes.
void preparerLivretAncien()
{
    preparerBasePeuplee();
    ouvrir(chemins().courante);
    sql(QStringLiteral("UPDATE competences SET libelle = libelle || ' (texte de 2009)'"));
    sql(QStringLiteral("UPDATE competences SET numero = 9 - numero WHERE ref IN ('P2C5D4', 'P2C5D5')"));
    sql(QStringLiteral("UPDATE competences SET numero = 3 - numero WHERE ref IN ('P2C6B1', 'P2C6B2')"));
    fermer();
}

// Ce que fait le démarrage sur une telle base : copie datée, puis le texte du livret actuel.
bool mettreLivretAJour()
{
    const QList<MiseAJourLivret::Changement> changements = MiseAJourLivret::ecarts().valeurOu({});
    if (changements.isEmpty() ||
        !Initialisation::copierADate(chemins().courante, Initialisation::SUFFIXE_AVANT_MISE_A_JOUR))
        return false;
    return MiseAJourLivret::appliquer(changements).reussi();
}

bool genererJeuEssai()
{
    return JeuEssai::generer(1234u).reussi();
}

struct Operation {
    std::function<void()> preparer;
    std::function<bool()> executer;
    std::function<bool()> partiel = {};
    // Code de sortie d'un échec de l'opération.
    Compte echec = Annonce;
    // À la place de `executer`, pour une opération qui rend elle-même son code de sortie.
    std::function<int()> executerAvecCode = {};
};

// Premier démarrage à côté d'un fichier de la version 2 : la base est posée et validée, puis
// la reprise est acceptée. Entre les deux, la base posée mais vide est un état voulu.
void preparerPremierDemarrageAvecVersion2()
{
    preparerVersion2(false);
    QFile::remove(chemins().courante);
    ouvrir(chemins().courante);
    fermer();
}

const std::map<QString, Operation>& operations()
{
    static const std::map<QString, Operation> liste = {
        {QStringLiteral("initialisation"), {preparerBasePeuplee, initialiser}},
        {QStringLiteral("premier-demarrage"),
         {[] {
              ouvrir(chemins().courante);
              fermer();
          },
          initialiser}},
        {QStringLiteral("migration-v2"),
         {[] { preparerVersion2(false); }, [] { return migrer(true); }, {}, PartieValidee}},
        {QStringLiteral("migration-v2-echec"),
         {[] { preparerVersion2(true); }, [] { return migrer(true); }, {}, PartieValidee}},
        {QStringLiteral("migration-v1"), {preparerVersion1, [] { return migrer(false); }, {}, PartieValidee}},
        {QStringLiteral("premier-demarrage-reprise-v2"),
         {preparerPremierDemarrageAvecVersion2, [] { return initialiser() && migrer(true); }, initialiser,
          PartieValidee}},
        {QStringLiteral("import-eleves"), {preparerImportEleves, importerEleves}},
        {QStringLiteral("grille-competences"), {preparerBasePeuplee, enregistrerSaisie}},
        {QStringLiteral("grille-paliers"), {preparerBasePeuplee, enregistrerPalier}},
        {QStringLiteral("editeur-eleves"), {preparerBasePeuplee, enregistrerEleves}},
        {QStringLiteral("editeur-eleves-suppression"), {preparerBasePeuplee, supprimerEleves}},
        {QStringLiteral("editeur-eleves-deplacement"), {preparerBasePeuplee, deplacerEleves}},
        {QStringLiteral("listes-classes"),
         {preparerBasePeuplee,
          [] { return enregistrerListe(QStringLiteral("classes"), QStringLiteral("Vide")); }}},
        {QStringLiteral("listes-niveaux"),
         {preparerBasePeuplee,
          [] { return enregistrerListe(QStringLiteral("niveaux"), QStringLiteral("CYCLE II")); }}},
        {QStringLiteral("ajout-eleves"), {preparerBasePeuplee, ajouterEleves}},
        {QStringLiteral("import-classe"), {preparerImportClasse, importerClasse}},
        {QStringLiteral("restauration"), {preparerRestauration, restaurer}},
        {QStringLiteral("copie-automatique"), {preparerCopies, {}, {}, Annonce, enregistrerPuisCopier}},
        {QStringLiteral("jeu-essai"), {preparerBasePeuplee, genererJeuEssai, {}, SansCompteRendu}},
        {QStringLiteral("parametres-ecole"), {preparerBasePeuplee, enregistrerParametres}},
        {QStringLiteral("livret-mise-a-jour"), {preparerLivretAncien, mettreLivretAJour}},
        {QStringLiteral("temoin-sans-transaction"), {preparerBasePeuplee, supprimerSansTransaction}},
    };
    return liste;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication::setOrganizationName(Application::ORGANISATION);
    QCoreApplication::setApplicationName(Application::NOM);
    QCoreApplication application(argc, argv);
    // Jamais les données ni les réglages d'un vrai utilisateur.
    QStandardPaths::setTestModeEnabled(true);

    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 2 && arguments[1] == QLatin1String("liste")) {
        for (const auto& [nom, operation] : operations())
            if (!nom.startsWith(QLatin1String("temoin-")))
                std::printf("%s\n", qPrintable(nom));
        return 0;
    }
    if (arguments.size() != 4) {
        std::fprintf(stderr, "usage : executant liste | preparer|executer <opération> <racine>\n");
        return 2;
    }
    const auto trouvee = operations().find(arguments[2]);
    if (trouvee == operations().end()) {
        std::fprintf(stderr, "opération inconnue : %s\n", qPrintable(arguments[2]));
        return 2;
    }
    racine = QDir(arguments[3]).absolutePath();
    for (const char* dossier : {"donnees", "entrees", "sauvegarde", "tmp", "travail"})
        QDir().mkpath(chemin(QLatin1String(dossier)));
    Application::definirChemins(Application::cheminsDans(chemin(QStringLiteral("donnees"))));

    if (arguments[1] == QLatin1String("preparer")) {
        trouvee->second.preparer();
        return 0;
    }
    const bool partiel = arguments[1] == QLatin1String("partiel");
    if (!partiel && arguments[1] != QLatin1String("executer"))
        return 2;
    if (partiel && !trouvee->second.partiel)
        return 4;
    ouvrir(chemins().courante);
    const Operation& operation = trouvee->second;
    if (!partiel && operation.executerAvecCode) {
        const int code = operation.executerAvecCode();
        fermer();
        return code;
    }
    const bool reussi = partiel ? operation.partiel() : operation.executer();
    fermer();
    if (operation.echec == SansCompteRendu && !partiel)
        return SansCompteRendu;
    return reussi ? 0 : operation.echec;
}
