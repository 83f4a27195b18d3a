// SPDX-License-Identifier: GPL-3.0-or-later
// Banc de mesure : les opérations quotidiennes de l'enseignant sur un gros fichier d'école,
// chronométrées sur les vrais chemins du programme, chacune dans son propre processus pour
// en relever la mémoire maximale.
//
//   quorvel_bench                      tout le banc, un tableau en sortie
//   quorvel_bench generer <fichier> [facteur]  le fichier d'école seul (facteur 10 : le fichier 10×)
//   quorvel_bench op <nom> <dossier>   une opération (processus fils)
//   quorvel_bench demarrage            le démarrage du programme, arrêté dès la fenêtre montrée
#include "app/demarrage.h"
#include "core/commun/application.h"
#include "core/db/copiesauto.h"
#include "core/db/initialisation.h"
#include "core/db/jeuessai.h"
#include "core/db/lecteurcsv.h"
#include "core/db/requetes.h"
#include "core/db/schema.h"
#include "core/entry/notes.h"
#include "core/entry/palier.h"
#include "core/exchange/fichierclasse.h"
#include "core/exchange/importclasse.h"
#include "core/print/optionsimpression.h"
#include "core/pupils/importeleves.h"
#include "core/report/bilan.h"
#include "gui/commun/diaapercu.h"
#include "gui/commun/invite.h"
#include "gui/entry/mdipalier.h"
#include "gui/entry/mdisaisie.h"
#include "gui/mainwindow/mainwindow.h"
#include "gui/mainwindow/mymdiarea.h"
#include "gui/print/diaimprimer.h"
#include "support/interlocuteur.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QPushButton>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int REPETITIONS = 10;
// Ce que l'opération a produit au dernier tour, montré pour contrôler que la mesure porte
// sur un vrai travail.
QString produit;
// Les formes simples sans l'index parcourent toute la table à chaque requête : trois tours.
constexpr int REPETITIONS_SANS_INDEX = 3;
int repetitions = REPETITIONS;
constexpr int CLASSES = 12;
constexpr int ELEVES_PAR_CLASSE = 28;
constexpr int ELEVES_GRANDE_CLASSE = 30; // la classe mesurée : 30 élèves
constexpr int ANNEES_PASSEES = 5;
const char* const NOMS[] = {"MARTIN",   "BERNARD", "DUBOIS", "THOMAS", "ROBERT", "RICHARD",
                            "PETIT",    "DURAND",  "LEROY",  "MOREAU", "SIMON",  "LAURENT",
                            "LEFEBVRE", "MICHEL",  "GARCIA", "DAVID"};
const char* const PRENOMS[] = {"Léa",  "Hugo", "Chloé", "Lucas",   "Manon", "Louis",   "Emma", "Jules",
                               "Inès", "Adam", "Zoé",   "Gabriel", "Jade",  "Raphaël", "Lina", "Arthur"};

QString chemin(const QString& dossier, const QString& nom)
{
    return dossier + QLatin1Char('/') + nom;
}

qint64 valeur(const QString& sql)
{
    QSqlQuery q;
    return q.exec(sql) && q.next() ? q.value(0).toLongLong() : 0;
}

void fermerBase()
{
    {
        QSqlDatabase base = QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false);
        base.close();
    }
    QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));
}

bool ouvrir(const QString& fichier)
{
    if (const Resultat<> ouverte = Schema::ouvrirBaseParDefaut(fichier); !ouverte) {
        std::fprintf(stderr, "ouverture impossible : %s\n", qPrintable(ouverte.erreur().texte));
        return false;
    }
    return true;
}

// --- Le fichier d'école --------------------------------------------------------------

// 12 classes de cette année (la première de 30 élèves, les autres de 28), cinq années
// passées d'élèves encore dans le fichier (hors classe), puis les enregistrements du jeu
// d'essai : trois nœuds sur quatre datés pour chaque élève. Avec `facteur`, dix fois plus de
// classes et d'élèves (le fichier 10×, pour les copies automatiques).
bool genererEcole(const QString& fichier, int facteur = 1)
{
    QFile::remove(fichier);
    if (!ouvrir(fichier))
        return false;
    const auto instructions = Schema::instructionsScript();
    if (!instructions || !Initialisation::poserBase(*instructions).reussi())
        return false;
    {
        QSqlDatabase base = QSqlDatabase::database();
        base.transaction();
        QSqlQuery q;
        q.exec(QStringLiteral("UPDATE general SET ecole='École Jules Ferry'"));
        const char* const niveaux[] = {"CP", "CE1", "CE2", "CM1", "CM2"};
        q.prepare(QStringLiteral("INSERT INTO classes(id_classe,libelle,tri) VALUES(?,?,?)"));
        for (int c = 1; c <= CLASSES * facteur; ++c) {
            q.addBindValue(c);
            q.addBindValue(QStringLiteral("%1 %2")
                               .arg(QLatin1String(niveaux[(c - 1) % 5]))
                               .arg(QChar(u'A' + (c - 1) / 5)));
            q.addBindValue(c - 1);
            q.exec();
        }
        QSqlQuery e;
        e.prepare(QStringLiteral(
            "INSERT INTO eleves(id_classe,id_niveau,nom,prenom,date_naiss,upd) VALUES(?,?,?,?,?,1)"));
        int numero = 0;
        auto ajouter = [&](int classe, int niveau, int annee) {
            e.addBindValue(classe);
            e.addBindValue(niveau);
            e.addBindValue(QStringLiteral("%1%2").arg(QLatin1String(NOMS[numero % 16])).arg(numero));
            e.addBindValue(QString::fromUtf8(PRENOMS[(numero / 16) % 16]));
            e.addBindValue(
                QDate(annee, 1 + numero % 12, 1 + numero % 28).toString(QStringLiteral("yyyy-MM-dd")));
            e.exec();
            ++numero;
        };
        for (int c = 1; c <= CLASSES * facteur; ++c) {
            const int niveau = 1 + (c - 1) % 5;
            const int effectif = c == 1 ? ELEVES_GRANDE_CLASSE : ELEVES_PAR_CLASSE;
            for (int i = 0; i < effectif; ++i)
                ajouter(c, niveau, 2020 - niveau);
        }
        for (int a = 1; a <= ANNEES_PASSEES; ++a)
            for (int i = 0; i < CLASSES * ELEVES_PAR_CLASSE * facteur; ++i)
                ajouter(0, 1 + i % 5, 2015 - a);
        base.commit();
    }
    const bool genere = JeuEssai::generer(20261206u).reussi();
    fermerBase();
    return genere;
}

// --- Répondeurs -------------------------------------------------------------------------

// Aucune question n'est attendue : si une arrive, elle est signalée et reçoit « Annuler ».
class RepondeurBanc : public RepondeurPrepare
{
public:
    RepondeurBanc() { Invite::installer(this); }
    ~RepondeurBanc() override { Invite::installer(nullptr); }

protected:
    void inattendu(const QString& description) override
    {
        std::fprintf(stderr, "question imprévue : %s\n", qPrintable(description));
    }
};

// --- Les formes simples, en référence ---------------------------------------------------

// Un nœud et ses descendants, une requête par nœud.
void descendre(qint64 noeud, QList<qint64>& feuilles, int profondeurFeuille = -1, int profondeur = 0)
{
    QSqlQuery q;
    q.prepare(QStringLiteral("SELECT id_comp FROM competences WHERE id_comp_parent=?"));
    q.addBindValue(noeud);
    q.exec();
    QList<qint64> fils;
    while (q.next())
        fils << q.value(0).toLongLong();
    if (fils.isEmpty() || profondeur == profondeurFeuille) {
        feuilles << noeud;
        return;
    }
    for (qint64 f : fils)
        descendre(f, feuilles, profondeurFeuille, profondeur + 1);
}

QList<qint64> idsEleves(qint64 classe)
{
    QList<qint64> ids;
    for (const Eleve& e : Requetes::elevesClasse(classe).valeurOu({}))
        ids << e.id;
    return ids;
}

// La table de la forme simple : une colonne insérée par élève, une ligne par item, chaque
// cellule lue par sa propre requête, la boucle d'événements servie après chaque ligne ; puis
// peinte, comme la grille du programme. `lire` rend le texte d'une cellule (ligne, élève).
qint64 tableReference(QTableWidget* table, const QList<qint64>& eleves, int lignes,
                      const std::function<QString(int, qint64)>& lire)
{
    // Sans table : les seules lectures de la forme simple.
    qint64 remplies = 0;
    if (table) {
        table->clear();
        table->setRowCount(0);
        table->setColumnCount(0);
        for (qint64 eleve : eleves) {
            const int colonne = table->columnCount();
            table->insertColumn(colonne);
            table->setHorizontalHeaderItem(colonne, new QTableWidgetItem(QString::number(eleve)));
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        }
    }
    for (int ligne = 0; ligne < lignes; ++ligne) {
        if (table) {
            table->insertRow(ligne);
            table->setVerticalHeaderItem(ligne, new QTableWidgetItem(QStringLiteral("Item %1").arg(ligne)));
        }
        for (int colonne = 0; colonne < eleves.size(); ++colonne) {
            const QString texte = lire(ligne, eleves.at(colonne));
            remplies += texte.isEmpty() ? 0 : 1;
            if (table)
                table->setItem(ligne, colonne, new QTableWidgetItem(texte));
        }
        if (table)
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    if (table)
        QCoreApplication::processEvents(); // jusqu'à la table peinte
    return remplies;
}

QString dateCellule(qint64 eleve, qint64 noeud)
{
    QSqlQuery q;
    q.prepare(QStringLiteral("SELECT date FROM notes WHERE id_eleve=? AND id_comp=?"));
    q.addBindValue(eleve);
    q.addBindValue(noeud);
    q.exec();
    return q.next()
               ? QDate::fromString(q.value(0).toString(), Qt::ISODate).toString(QStringLiteral("dd/MM/yyyy"))
               : QString();
}

// Grille d'une compétence : une requête par cellule, table comprise.
qint64 referenceSaisie(QTableWidget* table, qint64 classe, qint64 competence)
{
    QList<qint64> items;
    descendre(competence, items);
    return tableReference(table, idsEleves(classe), int(items.size()),
                          [&](int ligne, qint64 eleve) { return dateCellule(eleve, items.at(ligne)); });
}

// Grille d'un palier : pour chaque élève et chaque compétence, les feuilles comptées par une
// requête par nœud, les validées par une requête par feuille, puis la date de la compétence ;
// trois lignes par compétence dans la table.
qint64 referencePalier(QTableWidget* table, qint64 classe, qint64 palier)
{
    const QList<qint64> eleves = idsEleves(classe);
    QList<qint64> competences;
    {
        QSqlQuery q;
        q.prepare(QStringLiteral("SELECT id_comp FROM competences WHERE id_comp_parent=?"));
        q.addBindValue(palier);
        q.exec();
        while (q.next())
            competences << q.value(0).toLongLong();
    }
    QHash<Notes::Cle, QString> recentes;
    return tableReference(table, eleves, int(competences.size()) * 3, [&](int ligne, qint64 eleve) {
        const qint64 competence = competences.at(ligne / 3);
        if (ligne % 3 == 2)
            return dateCellule(eleve, competence);
        if (ligne % 3 == 1)
            return recentes.value({eleve, competence});
        QList<qint64> feuilles;
        descendre(competence, feuilles);
        int validees = 0;
        QString recente;
        for (qint64 feuille : feuilles) {
            QSqlQuery q;
            q.prepare(QStringLiteral("SELECT date FROM notes WHERE id_eleve=? AND id_comp=?"));
            q.addBindValue(eleve);
            q.addBindValue(feuille);
            q.exec();
            if (q.next()) {
                ++validees;
                recente = std::max(recente, q.value(0).toString());
            }
        }
        recentes.insert({eleve, competence}, recente);
        return QStringLiteral("%1/%2").arg(validees).arg(feuilles.size());
    });
}

// Bilan : les items du palier (une requête par nœud), puis un compte par élève et par item.
qint64 referenceBilan(qint64 classe, qint64 palier)
{
    const QList<qint64> eleves = idsEleves(classe);
    QList<qint64> items;
    descendre(palier, items, 3);
    QStringList matrice;
    for (qint64 item : items) {
        QString ligne;
        for (qint64 eleve : eleves) {
            QSqlQuery q;
            q.prepare(QStringLiteral("SELECT count(*) FROM notes WHERE id_eleve=? AND id_comp=?"));
            q.addBindValue(eleve);
            q.addBindValue(item);
            q.exec();
            ligne += q.next() && q.value(0).toInt() > 0 ? QLatin1Char('1') : QLatin1Char('0');
        }
        matrice << ligne;
    }
    return matrice.size();
}

// --- Les opérations ---------------------------------------------------------------------

struct Contexte {
    QString dossier; // dossier de travail de l'opération
    QString maitre;  // le fichier d'école, jamais modifié
    QString base;    // la copie de travail
    qint64 classe = 1;
    qint64 palier2 = 0;
    qint64 competence = 0; // la compétence aux plus nombreux items
};

// Remet la copie de travail dans l'état du fichier d'école et la rouvre.
void remettre(Contexte& c)
{
    fermerBase();
    QFile::remove(c.base);
    QFile::copy(c.maitre, c.base);
    ouvrir(c.base);
}

template <typename T> T* enfant(QWidget* w, const char* nom)
{
    return w->findChild<T*>(QLatin1String(nom));
}

void choisir(QWidget* fenetre, const char* liste, qint64 donnee)
{
    auto* cb = enfant<QComboBox>(fenetre, liste);
    cb->setCurrentIndex(cb->findData(donnee));
}

QWidget* derniereSousFenetre(MainWindow& principale)
{
    return principale.espaceTravail()->subWindowList().constLast()->widget();
}

void fermerSousFenetres(MainWindow& principale)
{
    qDeleteAll(principale.espaceTravail()->subWindowList());
    QCoreApplication::processEvents();
}

// Mesure `travail` REPETITIONS fois ; `avant` prépare chaque tour hors du chronomètre.
QList<double> mesurer(const std::function<void()>& travail, const std::function<void()>& avant = {})
{
    QList<double> durees;
    for (int i = 0; i < repetitions; ++i) {
        if (avant)
            avant();
        QElapsedTimer chrono;
        chrono.start();
        travail();
        durees << chrono.nsecsElapsed() / 1e6;
    }
    return durees;
}

QString fichierCsv(const QString& dossier)
{
    const QString nom = chemin(dossier, QStringLiteral("base-eleves.csv"));
    QFile f(nom);
    if (!f.open(QIODevice::WriteOnly))
        return nom;
    QTextStream s(&f);
    s.setEncoding(QStringConverter::Utf8);
    s.setGenerateByteOrderMark(true); // marque d'ordre des octets : lu en UTF-8
    s << QString::fromUtf8("Nom élève;Prénom élève;Date naissance;Classe;Niveau;Cycle\n");
    const char* const niveaux[] = {"CP", "CE1", "CE2", "CM1", "CM2"};
    for (int i = 0; i < 1000; ++i)
        s << QStringLiteral("NOUVEAU%1;%2;%3;%4 %5;%4;\n")
                 .arg(i)
                 .arg(QString::fromUtf8(PRENOMS[i % 16]))
                 .arg(QDate(2016, 1 + i % 12, 1 + i % 28).toString(QStringLiteral("dd/MM/yyyy")))
                 .arg(QLatin1String(niveaux[i % 5]))
                 .arg(QChar(u'A' + (i / 5) % 8));
    return nom;
}

QList<double> operation(const QString& nom, Contexte& c)
{
    const auto mesurerFenetre = [&](bool palier, bool enregistrer) {
        MainWindow principale;
        principale.resize(1280, 900);
        principale.show();
        QCoreApplication::processEvents();
        QWidget* fenetre = nullptr;
        const auto ouvrirGrille = [&] {
            fermerSousFenetres(principale);
            palier ? principale.saisirPaliers() : principale.saisirDates();
            fenetre = derniereSousFenetre(principale);
            choisir(fenetre, "cbClasses", c.classe);
            choisir(fenetre, "cbPaliers", c.palier2);
            if (!palier)
                choisir(fenetre, "cbCompetences", c.competence);
            QCoreApplication::processEvents();
        };
        const auto afficher = [&] {
            enfant<QPushButton>(fenetre, "btAfficher")->click();
            QCoreApplication::processEvents(); // jusqu'à la grille peinte
        };
        const auto decrire = [&] {
            const auto* t = enfant<QTableWidget>(fenetre, "table");
            produit = QStringLiteral("%1 lignes × %2 élèves").arg(t->rowCount()).arg(t->columnCount());
        };
        if (!enregistrer) {
            const auto durees = mesurer(afficher, ouvrirGrille);
            decrire();
            return durees;
        }
        const auto durees = mesurer(
            [&] {
                if (!static_cast<MdiBase*>(fenetre)->enregistrer())
                    std::fprintf(stderr, "enregistrement refusé\n");
            },
            [&] {
                ouvrirGrille();
                afficher();
                // Le jeu d'essai date d'avant la naissance des élèves du fichier : l'enregistrement
                // demande s'il faut garder ces dates à vérifier, et les garde.
                static_cast<RepondeurPrepare*>(Invite::repondeurInstalle())->bouton(QMessageBox::Yes);
            });
        decrire();
        produit += QStringLiteral(" réécrites");
        return durees;
    };

    if (nom == QLatin1String("saisie"))
        return mesurerFenetre(false, false);
    if (nom == QLatin1String("saisie-enregistrement"))
        return mesurerFenetre(false, true);
    if (nom == QLatin1String("palier"))
        return mesurerFenetre(true, false);
    if (nom == QLatin1String("palier-enregistrement"))
        return mesurerFenetre(true, true);
    // Les seules lectures de la base que font les fenêtres, par les mêmes fonctions du cœur :
    // elles séparent le travail de la base de celui des widgets.
    if (nom == QLatin1String("saisie-lectures"))
        return mesurer([&] {
            const QList<qint64> eleves = idsEleves(c.classe);
            QList<qint64> items;
            for (const Noeud& agregat : Requetes::enfants(c.competence).valeurOu({}))
                for (const Noeud& item : Requetes::enfants(agregat.id).valeurOu({}))
                    items << item.id;
            produit = QStringLiteral("%1 dates").arg(Notes::dates(eleves, items).valeurOu({}).size());
        });
    if (nom == QLatin1String("palier-lectures"))
        return mesurer([&] {
            const QList<qint64> eleves = idsEleves(c.classe);
            produit = QStringLiteral("%1 réussites")
                          .arg(Palier::reussites(eleves, Palier::competences(c.palier2).valeurOu({}))
                                   .valeurOu({})
                                   .size());
        });
    if (nom.startsWith(QLatin1String("saisie-reference")) ||
        nom.startsWith(QLatin1String("palier-reference"))) {
        QTableWidget fenetre;
        QTableWidget* table = nom.endsWith(QLatin1String("-lectures")) ? nullptr : &fenetre;
        fenetre.resize(1280, 900);
        if (table)
            fenetre.show();
        QCoreApplication::processEvents();
        const bool pourPalier = nom.startsWith(QLatin1String("palier"));
        const auto durees = mesurer([&] {
            produit =
                pourPalier
                    ? QStringLiteral("%1 cellules remplies").arg(referencePalier(table, c.classe, c.palier2))
                    : QStringLiteral("%1 dates").arg(referenceSaisie(table, c.classe, c.competence));
        });
        if (table)
            produit +=
                QStringLiteral(", %1 lignes × %2 élèves").arg(table->rowCount()).arg(table->columnCount());
        return durees;
    }
    if (nom == QLatin1String("bilan"))
        return mesurer([&] {
            Bilan bilan;
            if (!bilan.construire(c.classe, c.palier2, false))
                std::fprintf(stderr, "bilan en échec\n");
            produit = QStringLiteral("%1 items × %2 élèves, %3 Ko de HTML")
                          .arg(bilan.items().size())
                          .arg(bilan.eleves().size())
                          .arg(bilan.html().size() / 1024);
        });
    if (nom == QLatin1String("bilan-reference"))
        return mesurer(
            [&] { produit = QStringLiteral("%1 items").arg(referenceBilan(c.classe, c.palier2)); });
    if (nom == QLatin1String("import-eleves")) {
        const QString csv = fichierCsv(c.dossier);
        return mesurer(
            [&] {
                LecteurCsv lecteur;
                const auto colonnes =
                    lecteur.load(csv, true)
                        ? ImportEleves::preparer(lecteur)
                        : Resultat<ImportEleves::Colonnes>(Erreur(Raison::FichierIllisible));
                ImportEleves::Options options;
                options.ajouter = true;
                options.repartir = true;
                const auto r =
                    colonnes ? ImportEleves::importer(lecteur, *colonnes, options, [](int) { return false; })
                             : Resultat<ImportEleves::Comptes>(colonnes.erreur());
                const ImportEleves::Comptes comptes = r.valeurOu({});
                produit = QStringLiteral("%1 élèves ajoutés").arg(comptes.ajoutes);
                if (comptes.ajoutes != 1000)
                    std::fprintf(stderr, "import : raison %d, %d élèves ajoutés, %d ignorés\n",
                                 r ? -1 : int(r.erreur().raison), comptes.ajoutes, comptes.ignores);
            },
            [&] { remettre(c); });
    }
    if (nom == QLatin1String("initialisation")) {
        const QString neuve = chemin(c.dossier, QStringLiteral("neuve.sqlite"));
        return mesurer(
            [&] {
                const auto instructions = Schema::instructionsScript();
                if (!instructions || !Initialisation::poserBase(*instructions).reussi())
                    std::fprintf(stderr, "initialisation en échec\n");
                produit = QStringLiteral("%1 nœuds du livret")
                              .arg(valeur(QStringLiteral("SELECT count(*) FROM competences")));
            },
            [&] {
                fermerBase();
                QFile::remove(neuve);
                ouvrir(neuve);
            });
    }
    const QString fichierClasse = chemin(c.dossier, QStringLiteral("classe.xml"));
    const auto exporter = [&] {
        const QString libelle = Requetes::libelleClasse(c.classe).valeurOu(QString());
        const auto document = FichierClasse::construire(c.classe, libelle, c.palier2);
        QFile f(fichierClasse);
        if (document && f.open(QIODevice::WriteOnly))
            f.write(FichierClasse::texte(*document));
    };
    if (nom == QLatin1String("export")) {
        const auto durees = mesurer(exporter);
        produit = QStringLiteral("%1 Ko").arg(QFileInfo(fichierClasse).size() / 1024);
        return durees;
    }
    if (nom == QLatin1String("import-classe")) {
        exporter();
        return mesurer(
            [&] {
                InterlocuteurEssai interlocuteur;
                interlocuteur.classe = 0;                                   // la classe est créée
                interlocuteur.dates = interlocuteur.niveaux = QList<int>(); // actions proposées
                interlocuteur.suppression = 1;
                ImportClasse import(interlocuteur);
                if (!import.importer(fichierClasse))
                    std::fprintf(stderr, "import de la classe en échec\n");
                const auto& n = import.compteurs();
                produit = QStringLiteral("%1 élèves, %2 dates vues")
                              .arg(n.elevesMisAJour + n.elevesInchanges + n.elevesAjoutes)
                              .arg(n.notesAjoutees + n.notesMisesAJour + n.notesInchangees + n.notesIgnorees);
            },
            [&] { remettre(c); });
    }
    // Le tirage mesuré : palier 2, toutes les compétences, attestation, brochure.
    OptionsImpression optionsBrochure;
    optionsBrochure.what = 2;
    optionsBrochure.compAll = true;
    optionsBrochure.brochure = true;
    optionsBrochure.withAttestation = true;
    optionsBrochure.teacher = QStringLiteral("Mme DURAND");
    optionsBrochure.language = QStringLiteral("anglais");
    optionsBrochure.classId = c.classe;
    optionsBrochure.palierId = c.palier2;
    if (nom == QLatin1String("impression")) {
        const QString pdf = chemin(c.dossier, QStringLiteral("classe.pdf"));
        const auto durees = mesurer([&] {
            QPrinter imprimante(QPrinter::HighResolution);
            imprimante.setOutputFormat(QPrinter::PdfFormat);
            imprimante.setOutputFileName(pdf);
            OptionsImpression options = optionsBrochure;
            diaImprimer dialogue(nullptr, &imprimante, options);
            // Le tirage dans un fichier se termine par un message qui donne son chemin.
            static_cast<RepondeurPrepare*>(Invite::repondeurInstalle())->bouton(QMessageBox::Ok);
            dialogue.accept();
        });
        QFile f(pdf);
        if (f.open(QIODevice::ReadOnly)) {
            const QByteArray octets = f.readAll();
            produit = QStringLiteral("%1 pages, %2 Ko")
                          .arg(octets.count("/Type /Page\n") + octets.count("/Type /Page\r") +
                               octets.count("/Type /Page/") + octets.count("/Type /Page "))
                          .arg(octets.size() / 1024);
        }
        return durees;
    }
    // Du clic sur « Aperçu... » à la première page dessinée et peinte : le plan du tirage, la
    // fenêtre, la première page (les autres ne sont dessinées qu'à la demande).
    if (nom == QLatin1String("apercu")) {
        QPrinter imprimante(QPrinter::HighResolution);
        imprimante.setOutputFormat(QPrinter::PdfFormat);
        imprimante.setOutputFileName(chemin(c.dossier, QStringLiteral("apercu.pdf")));
        OptionsImpression options = optionsBrochure;
        std::unique_ptr<diaImprimer> dialogue;
        int pages = 0;
        const auto durees = mesurer(
            [&] {
                const std::unique_ptr<diaApercu> apercu = dialogue->preparerApercu();
                if (!apercu) {
                    std::fprintf(stderr, "pas d'aperçu\n");
                    return;
                }
                apercu->show();
                QElapsedTimer attente;
                attente.start();
                while (!apercu->montrees() && attente.elapsed() < 30000)
                    QCoreApplication::processEvents();
                QCoreApplication::processEvents(); // la page peinte
                pages = apercu->nombre();
            },
            [&] {
                dialogue.reset();
                dialogue = std::make_unique<diaImprimer>(nullptr, &imprimante, options);
                dialogue->show();
                QCoreApplication::processEvents();
            });
        produit = QStringLiteral("%1 pages, la première montrée").arg(pages);
        return durees;
    }
    // Les copies automatiques : la copie entière (instantané de la base ouverte, vérification,
    // mise sur le disque), puis ce qu'attend l'enregistrement d'une grille fait pendant qu'une
    // copie tourne en fond (l'instantané tient la base en lecture).
    if (nom == QLatin1String("copie")) {
        const QString dossier = chemin(c.dossier, QStringLiteral("copies"));
        int minute = 0;
        CopiesAuto::Bilan bilan;
        const auto durees = mesurer([&] {
            bilan = CopiesAuto::copier(
                {c.base, dossier, QString(), QDateTime(QDate(2027, 3, 12), QTime(17, minute++))});
        });
        if (!bilan.reussie()) {
            std::fprintf(stderr, "copie manquée : %s\n", qPrintable(bilan.detail));
            return {};
        }
        produit = QStringLiteral("copie de %1 Mo vérifiée : %2 élèves, %3 dates")
                      .arg(QFileInfo(bilan.chemin).size() / 1048576.0, 0, 'f', 1)
                      .arg(bilan.contenu.eleves)
                      .arg(bilan.contenu.dates);
        return durees;
    }
    if (nom == QLatin1String("enregistrement-pendant-copie")) {
        const QString dossier = chemin(c.dossier, QStringLiteral("copies"));
        QList<Notes::Cellule> cellules;
        const QList<qint64> eleves = idsEleves(c.classe);
        const QList<qint64> items = Notes::feuilles(c.competence).valeurOu({});
        const QHash<Notes::Cle, QString> dates = Notes::dates(eleves, items).valeurOu({});
        for (const qint64 eleve : eleves)
            for (const qint64 item : items) {
                const QDate date = QDate::fromString(dates.value({eleve, item}), Qt::ISODate);
                cellules.append({eleve, item, date.isValid() ? std::optional<QDate>(date) : std::nullopt});
            }
        std::unique_ptr<QThread> fil;
        int minute = 0;
        bool enFond = true;
        const auto durees = mesurer(
            [&] {
                if (!Notes::enregistrer(cellules))
                    std::fprintf(stderr, "enregistrement refusé\n");
            },
            [&] {
                if (fil)
                    fil->wait();
                const CopiesAuto::Demande demande{c.base, dossier, QString(),
                                                  QDateTime(QDate(2027, 3, 12), QTime(17, minute++))};
                fil.reset(QThread::create([demande] { CopiesAuto::copier(demande); }));
                fil->start();
                // Jusqu'à ce que l'instantané ait commencé d'écrire sa copie.
                QElapsedTimer attente;
                attente.start();
                const QString motif = EcritureSure::motifProvisoire(CopiesAuto::MOTIF);
                while (attente.elapsed() < 5000) {
                    const QFileInfoList provisoires = QDir(dossier).entryInfoList({motif}, QDir::Files);
                    if (!provisoires.isEmpty() && provisoires.constFirst().size() > 0)
                        return;
                    QThread::usleep(200);
                }
                enFond = false;
            });
        if (fil)
            fil->wait();
        produit = QStringLiteral("%1 cases réécrites%2")
                      .arg(cellules.size())
                      .arg(enFond ? QString() : QStringLiteral(" (copie déjà finie à un tour)"));
        return durees;
    }
    if (nom == QLatin1String("jeu-essai"))
        return mesurer([] {
            if (!JeuEssai::generer(7u))
                std::fprintf(stderr, "jeu d'essai en échec\n");
            produit = QStringLiteral("%1 enregistrements")
                          .arg(valeur(QStringLiteral("SELECT count(*) FROM notes")));
        });
    std::fprintf(stderr, "opération inconnue : %s\n", qPrintable(nom));
    return {};
}

int executerOperation(const QString& nom, const QString& dossier)
{
    Contexte c;
    c.dossier = chemin(dossier, nom);
    QDir().mkpath(c.dossier);
    c.maitre = chemin(dossier, QStringLiteral("ecole.sqlite"));
    // Le fichier 10×, trois tours seulement.
    QString operationDemandee = nom;
    if (nom.endsWith(QLatin1String("-10x"))) {
        operationDemandee.chop(4);
        c.maitre = chemin(dossier, QStringLiteral("ecole-10x.sqlite"));
        repetitions = REPETITIONS_SANS_INDEX;
    }
    Application::definirChemins(Application::cheminsDans(c.dossier));
    c.base = Application::chemins().courante;
    QFile::remove(c.base);
    QFile::copy(c.maitre, c.base);
    if (!ouvrir(c.base))
        return 1;
    c.palier2 = valeur(QStringLiteral("SELECT id_comp FROM competences WHERE id_comp_parent=0 AND ref='P2'"));
    // La plus grande compétence : celle qui a le plus d'items, tous paliers confondus.
    c.competence = valeur(
        QStringLiteral("SELECT c.id_comp FROM competences c JOIN competences a ON a.id_comp_parent=c.id_comp "
                       "JOIN competences i ON i.id_comp_parent=a.id_comp WHERE c.profondeur=1 "
                       "GROUP BY c.id_comp ORDER BY count(*) DESC LIMIT 1"));
    // La grille d'une compétence montre le palier de la compétence.
    qint64 palierCompetence =
        valeur(QStringLiteral("SELECT id_comp_parent FROM competences WHERE id_comp=%1").arg(c.competence));
    // La forme simple sur le fichier tel que le script du schéma le laisse, sans l'index que le
    // programme ajoute à l'ouverture.
    if (nom.endsWith(QLatin1String("-sans-index"))) {
        operationDemandee.chop(int(qstrlen("-sans-index")));
        QSqlQuery().exec(QStringLiteral("DROP INDEX IF EXISTS notes_eleve_comp"));
        repetitions = REPETITIONS_SANS_INDEX;
    }
    RepondeurBanc repondeur;
    QList<double> durees;
    if (nom.startsWith(QLatin1String("saisie")))
        std::swap(c.palier2, palierCompetence);
    durees = operation(operationDemandee, c);
    for (double d : durees)
        std::printf("%.3f\n", d);
    std::printf("# %s\n", produit.toUtf8().constData());
    std::fflush(stdout);
    return durees.isEmpty() ? 1 : 0;
}

// --- Démarrage du programme --------------------------------------------------------------

bool modeDemarrage = false;

// Les messages de mise au point et les remarques du greffon sans écran ne disent rien de la
// mesure : seuls les avertissements du programme passent.
void filtrerMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtDebugMsg || type == QtInfoMsg || message.contains(QLatin1String("propagateSizeHints")) ||
        message.contains(QLatin1String("XDG_RUNTIME_DIR")))
        return;
    std::fprintf(stderr, "%s\n", qPrintable(message));
}

class GuetteurFenetre : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject* objet, QEvent* evenement) override
    {
        if (evenement->type() == QEvent::Show && objet->inherits("MainWindow"))
            // Au tour suivant de la boucle : la fenêtre est montrée et peinte.
            QTimer::singleShot(0, [] {
                std::fflush(stdout);
                std::_Exit(0);
            });
        return false;
    }
};

void installerGuetteur()
{
    if (modeDemarrage)
        qApp->installEventFilter(new GuetteurFenetre(qApp));
}

// --- Le chef d'orchestre ------------------------------------------------------------------

struct Mesure {
    QList<double> durees; // millisecondes
    QString produit;
    long memoireKo = 0;
    bool reussi = false;
};

// Lance ce programme avec `arguments` dans un processus fils ; lit ses durées (une par ligne),
// ou mesure sa durée entière quand `dureeDuProcessus` ; mémoire maximale par wait4.
Mesure lancer(const QStringList& arguments, const QList<QPair<QByteArray, QByteArray>>& environnement = {},
              bool dureeDuProcessus = false)
{
    Mesure m;
    const QByteArray programme = QCoreApplication::applicationFilePath().toLocal8Bit();
    QList<QByteArray> args{programme};
    for (const QString& a : arguments)
        args << a.toLocal8Bit();
    std::vector<char*> argv;
    for (QByteArray& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    int tube[2];
    if (pipe(tube) != 0)
        return m;
    QElapsedTimer chrono;
    chrono.start();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(tube[1], 1);
        close(tube[0]);
        close(tube[1]);
        for (const auto& [cle, val] : environnement)
            setenv(cle.constData(), val.constData(), 1);
        alarm(240); // une question imprévue ne bloque pas le banc
        execv(programme.constData(), argv.data());
        std::_Exit(127);
    }
    close(tube[1]);
    QByteArray sortie;
    char tampon[4096];
    ssize_t n;
    while ((n = read(tube[0], tampon, sizeof tampon)) > 0)
        sortie.append(tampon, n);
    close(tube[0]);
    int statut = 0;
    rusage usage{};
    wait4(pid, &statut, 0, &usage);
    const double total = chrono.nsecsElapsed() / 1e6;
    m.memoireKo = usage.ru_maxrss;
    m.reussi = WIFEXITED(statut) && WEXITSTATUS(statut) == 0;
    if (dureeDuProcessus)
        m.durees << total;
    else
        for (const QByteArray& ligne : sortie.split('\n'))
            if (ligne.startsWith("# "))
                m.produit = QString::fromUtf8(ligne.mid(2));
            else if (!ligne.trimmed().isEmpty())
                m.durees << ligne.toDouble();
    return m;
}

double mediane(QList<double> v)
{
    if (v.isEmpty())
        return 0;
    std::sort(v.begin(), v.end());
    const int n = int(v.size());
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

int orchestrer()
{
    QTemporaryDir dossier;
    const QString racine = dossier.path();
    const QString maitre = chemin(racine, QStringLiteral("ecole.sqlite"));
    std::printf("Fichier d'école en préparation…\n");
    std::fflush(stdout);
    const Mesure gen = lancer({QStringLiteral("generer"), maitre}, {}, true);
    if (!gen.reussi) {
        std::fprintf(stderr, "le fichier d'école n'a pu être préparé\n");
        return 1;
    }
    const QString maitre10 = chemin(racine, QStringLiteral("ecole-10x.sqlite"));
    const Mesure gen10 = lancer({QStringLiteral("generer"), maitre10, QStringLiteral("10")}, {}, true);
    if (!gen10.reussi) {
        std::fprintf(stderr, "le fichier 10× n'a pu être préparé\n");
        return 1;
    }
    for (const auto& [libelle, fichier, duree] :
         {std::tuple{"Fichier", maitre, gen.durees.value(0)},
          std::tuple{"Fichier 10×", maitre10, gen10.durees.value(0)}}) {
        ouvrir(fichier);
        std::printf("%s : %lld élèves, %lld classes, %lld enregistrements, %.1f Mo (préparé en %.1f s)\n",
                    libelle, valeur(QStringLiteral("SELECT count(*) FROM eleves")),
                    valeur(QStringLiteral("SELECT count(*) FROM classes")),
                    valeur(QStringLiteral("SELECT count(*) FROM notes")),
                    QFileInfo(fichier).size() / 1048576.0, duree / 1000);
        fermerBase();
    }
    std::printf("\n");

    struct Ligne {
        QString nom, libelle, cible;
        double limite = 0; // ms, 0 : pas de cible de durée
        Mesure mesure;
    };
    QList<Ligne> lignes{
        {QStringLiteral("saisie"),
         QStringLiteral("Grille de compétence (30 élèves)"),
         QStringLiteral("≤ 50 ms"),
         50,
         {}},
        {QStringLiteral("saisie-lectures"), QStringLiteral("  dont lectures de la base"), {}, 0, {}},
        {QStringLiteral("saisie-reference"),
         QStringLiteral("  référence, même fichier : une requête par cellule, table comprise"),
         {},
         0,
         {}},
        {QStringLiteral("saisie-reference-lectures"),
         QStringLiteral("  référence, même fichier : ses seules lectures"),
         {},
         0,
         {}},
        {QStringLiteral("saisie-reference-sans-index"),
         QStringLiteral("  référence, sans l'index ajouté"),
         {},
         0,
         {}},
        {QStringLiteral("saisie-enregistrement"),
         QStringLiteral("Grille de compétence : enregistrement"),
         {},
         0,
         {}},
        {QStringLiteral("palier"), QStringLiteral("Grille du palier 2"), QStringLiteral("≤ 100 ms"), 100, {}},
        {QStringLiteral("palier-lectures"), QStringLiteral("  dont lectures de la base"), {}, 0, {}},
        {QStringLiteral("palier-reference"),
         QStringLiteral("  référence, même fichier : une requête par nœud/feuille, table comprise"),
         {},
         0,
         {}},
        {QStringLiteral("palier-reference-lectures"),
         QStringLiteral("  référence, même fichier : ses seules lectures"),
         {},
         0,
         {}},
        {QStringLiteral("palier-reference-sans-index"),
         QStringLiteral("  référence, sans l'index ajouté"),
         {},
         0,
         {}},
        {QStringLiteral("palier-enregistrement"),
         QStringLiteral("Grille du palier : enregistrement"),
         {},
         0,
         {}},
        {QStringLiteral("bilan"), QStringLiteral("Bilan LPC, palier 2"), QStringLiteral("≤ 200 ms"), 200, {}},
        {QStringLiteral("bilan-reference"),
         QStringLiteral("  référence, même fichier : un compte par élève et item"),
         {},
         0,
         {}},
        {QStringLiteral("bilan-reference-sans-index"),
         QStringLiteral("  référence, sans l'index ajouté"),
         {},
         0,
         {}},
        {QStringLiteral("import-eleves"),
         QStringLiteral("Import Base Elèves, 1 000 élèves"),
         QStringLiteral("≤ 500 ms"),
         500,
         {}},
        {QStringLiteral("initialisation"), QStringLiteral("Initialisation"), {}, 0, {}},
        {QStringLiteral("export"), QStringLiteral("Export d'une classe"), {}, 0, {}},
        {QStringLiteral("import-classe"),
         QStringLiteral("Import d'une classe"),
         QStringLiteral("≤ 300 ms"),
         300,
         {}},
        {QStringLiteral("impression"),
         QStringLiteral("Impression brochure PDF, 30 livrets P2"),
         QStringLiteral("≤ 5 s"),
         5000,
         {}},
        {QStringLiteral("apercu"),
         QStringLiteral("Aperçu d'une classe de 30 élèves (première page montrée)"),
         QStringLiteral("≤ 1 s"),
         1000,
         {}},
        {QStringLiteral("jeu-essai"), QStringLiteral("Jeu d'essai (générateur)"), {}, 0, {}},
        {QStringLiteral("copie"),
         QStringLiteral("Copie automatique (instantané vérifié, sur le disque)"),
         {},
         0,
         {}},
        {QStringLiteral("enregistrement-pendant-copie"),
         QStringLiteral("  enregistrement d'une grille pendant une copie en fond"),
         QStringLiteral("≤ 1 s"),
         1000,
         {}},
        {QStringLiteral("copie-10x"), QStringLiteral("Copie automatique, fichier 10×"), {}, 0, {}},
        {QStringLiteral("enregistrement-pendant-copie-10x"),
         QStringLiteral("  enregistrement d'une grille pendant une copie en fond, fichier 10×"),
         {},
         0,
         {}},
        {QStringLiteral("demarrage"),
         QStringLiteral("Démarrage jusqu'à la fenêtre montrée"),
         QStringLiteral("≤ 500 ms"),
         500,
         {}},
    };

    for (Ligne& l : lignes) {
        std::fprintf(stderr, "… %s\n", qPrintable(l.nom));
        if (l.nom == QLatin1String("demarrage")) {
            // Le vrai démarrage, sur le fichier d'école placé dans le dossier des données.
            const QString donnees = chemin(racine, QStringLiteral("demarrage"));
            const QString dossierBase = chemin(donnees, QStringLiteral("donnees/Marvek/Quorvel"));
            QDir().mkpath(dossierBase);
            QFile::copy(maitre, chemin(dossierBase, Application::FICHIER_BASE_V3));
            QDir().mkpath(chemin(donnees, QStringLiteral("config")));
            const QList<QPair<QByteArray, QByteArray>> env{
                {"XDG_DATA_HOME", chemin(donnees, QStringLiteral("donnees")).toLocal8Bit()},
                {"XDG_CONFIG_HOME", chemin(donnees, QStringLiteral("config")).toLocal8Bit()},
                {"HOME", donnees.toLocal8Bit()},
                {"QT_LOGGING_RULES", "*.debug=false"}};
            l.mesure.reussi = true;
            for (int i = 0; i < repetitions; ++i) {
                const Mesure m = lancer({QStringLiteral("demarrage")}, env, true);
                l.mesure.reussi = l.mesure.reussi && m.reussi;
                l.mesure.durees << m.durees;
                l.mesure.memoireKo = std::max(l.mesure.memoireKo, m.memoireKo);
            }
        } else {
            l.mesure = lancer({QStringLiteral("op"), l.nom, racine});
        }
    }

    const auto trouver = [&](const QString& nom) -> const Ligne& {
        return *std::find_if(lignes.cbegin(), lignes.cend(), [&](const Ligne& l) { return l.nom == nom; });
    };
    std::printf(
        "| Opération | n | médiane (ms) | min – max (ms) | mémoire max (Mo) | cible | tenue | produit |\n");
    std::printf("|---|---:|---:|---:|---:|---|---|---|\n");
    for (const Ligne& l : lignes) {
        const auto [mini, maxi] = std::minmax_element(l.mesure.durees.cbegin(), l.mesure.durees.cend());
        const double med = mediane(l.mesure.durees);
        QString tenue;
        if (!l.mesure.reussi || l.mesure.durees.isEmpty())
            tenue = QStringLiteral("ÉCHEC");
        else if (l.limite > 0)
            tenue = med <= l.limite ? QStringLiteral("oui") : QStringLiteral("NON");
        std::printf("| %s | %lld | %.1f | %.1f – %.1f | %.1f | %s | %s | %s |\n", qPrintable(l.libelle),
                    static_cast<long long>(l.mesure.durees.size()), med,
                    l.mesure.durees.isEmpty() ? 0.0 : *mini, l.mesure.durees.isEmpty() ? 0.0 : *maxi,
                    l.mesure.memoireKo / 1024.0, qPrintable(l.cible), qPrintable(tenue),
                    qPrintable(l.mesure.produit));
    }
    std::printf(
        "\n| Rapport à la référence | même fichier | sans l'index ajouté | lectures seules, même fichier "
        "| cible | tenue (même fichier / sans l'index) |\n"
        "|---|---:|---:|---:|---|---|\n");
    for (const auto& [nom, libelle, cible] :
         {std::tuple{"saisie", "Grille de compétence", 20.0}, std::tuple{"palier", "Grille du palier", 0.0},
          std::tuple{"bilan", "Bilan LPC", 20.0}}) {
        const double rapide = mediane(trouver(QLatin1String(nom)).mesure.durees);
        const auto facteur = [&](const QString& suffixe) {
            const double lent = mediane(trouver(QLatin1String(nom) + suffixe).mesure.durees);
            return rapide > 0 ? lent / rapide : 0.0;
        };
        const double avecIndex = facteur(QStringLiteral("-reference"));
        const double sansIndex = facteur(QStringLiteral("-reference-sans-index"));
        const bool lectures = QLatin1String(nom) != QLatin1String("bilan");
        const double lecturesSeules =
            lectures
                ? mediane(trouver(QLatin1String(nom) + QStringLiteral("-reference-lectures")).mesure.durees) /
                      std::max(
                          1e-6,
                          mediane(trouver(QLatin1String(nom) + QStringLiteral("-lectures")).mesure.durees))
                : avecIndex;
        QString tenue;
        if (cible > 0)
            tenue = QStringLiteral("%1 / %2").arg(
                avecIndex >= cible ? QStringLiteral("oui") : QStringLiteral("NON"),
                sansIndex >= cible ? QStringLiteral("oui") : QStringLiteral("NON"));
        std::printf("| %s | %.1f× | %.1f× | %.1f× | %s | %s |\n", libelle, avecIndex, sansIndex,
                    lecturesSeules, cible > 0 ? "≥ 20×" : "", qPrintable(tenue));
    }
    return 0;
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(installerGuetteur)

int main(int argc, char** argv)
{
    qInstallMessageHandler(filtrerMessages);
    if (argc >= 2 && qstrcmp(argv[1], "demarrage") == 0) {
        modeDemarrage = true;
        int n = 1;
        demarrer(n, argv);
        return 2; // sortie sans que la fenêtre principale ait été montrée
    }
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication application(argc, argv);
    QCoreApplication::setOrganizationName(Application::ORGANISATION);
    QCoreApplication::setApplicationName(Application::NOM);
    QStandardPaths::setTestModeEnabled(true);
    QTemporaryDir reglages;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, reglages.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, reglages.path());
    const QStringList args = QCoreApplication::arguments();
    if (args.size() >= 3 && args[1] == QLatin1String("generer"))
        return genererEcole(args[2], args.size() >= 4 ? args[3].toInt() : 1) ? 0 : 1;
    if (args.size() >= 4 && args[1] == QLatin1String("op"))
        return executerOperation(args[2], args[3]);
    return orchestrer();
}
