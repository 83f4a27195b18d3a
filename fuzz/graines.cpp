// SPDX-License-Identifier: GPL-3.0-or-later
// Fabrique les graines des corpus qui viennent des écrivains du programme lui-même :
// fichiers de classe écrits par le code d'exportation (versions 3 et 2), textes chiffrés
// par le chiffreur dans ses différents modes, journal des saisies pas encore enregistrées. Usage :
// quorvel_fuzz_graines <dossier corpus>. Les graines CSV (exports de Base Elèves, livret) sont écrites à la
// main dans le dépôt.
#include "core/commun/application.h"
#include "core/db/initialisation.h"
#include "core/db/schema.h"
#include "core/entry/journalsaisies.h"
#include "core/exchange/chiffreur.h"
#include "core/exchange/fichierclasse.h"

#include <QCoreApplication>
#include <QDir>
#include <QDomDocument>
#include <QDomElement>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QVariant>

#include <cstdio>

namespace {

bool ecrire(const QString& chemin, const QByteArray& octets)
{
    QFile fichier(chemin);
    return fichier.open(QIODevice::WriteOnly | QIODevice::Truncate) && fichier.write(octets) == octets.size();
}

qint64 executer(const QString& sql, const QVariantList& valeurs = {})
{
    QSqlQuery requete;
    requete.prepare(sql);
    for (const QVariant& v : valeurs)
        requete.addBindValue(v);
    if (!requete.exec())
        std::fprintf(stderr, "échec : %s\n", qPrintable(sql));
    return requete.lastInsertId().toLongLong();
}

qint64 idComp(const QString& ref)
{
    QSqlQuery requete;
    requete.prepare("SELECT id_comp FROM competences WHERE ref=?");
    requete.addBindValue(ref);
    return requete.exec() && requete.next() ? requete.value(0).toLongLong() : 0;
}

// Le même document avec les noms, prénoms et dates en clair : un fichier de version 2.
QByteArray versionClaire(QDomDocument document)
{
    QDomElement racine = document.documentElement();
    racine.setAttribute("version", "2");
    Chiffreur chiffreur(CLE_FICHIER_CLASSE);
    for (QDomElement e = racine.firstChildElement("eleve"); !e.isNull(); e = e.nextSiblingElement("eleve"))
        for (const char* nom : {"nom", "prenom", "date_naiss"})
            e.setAttribute(nom, chiffreur.dechiffrerTexte(e.attribute(nom)));
    racine.setAttribute("checksum", calculerChecksum(document));
    return FichierClasse::texte(document);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setOrganizationName(Application::ORGANISATION);
    QCoreApplication::setApplicationName(Application::NOM);
    QStandardPaths::setTestModeEnabled(true);
    if (argc != 2) {
        std::fprintf(stderr, "usage : %s <dossier corpus>\n", argv[0]);
        return 2;
    }
    const QDir corpus(QString::fromLocal8Bit(argv[1]));
    QTemporaryDir dossier;
    QSqlDatabase base = QSqlDatabase::addDatabase("QSQLITE");
    base.setDatabaseName(dossier.filePath("graines.sqlite"));
    const auto instructions = Schema::instructionsScript();
    if (!base.open() || !instructions || !Initialisation::poserBase(*instructions)) {
        std::fprintf(stderr, "base impossible à poser\n");
        return 1;
    }

    const qint64 ce1 = executer("INSERT INTO niveaux(libelle,tri) VALUES(?,?)", {"CE1", 0});
    const qint64 cm2 = executer("INSERT INTO niveaux(libelle,tri) VALUES(?,?)", {"CM2", 1});
    const qint64 vide = executer("INSERT INTO classes(libelle,tri) VALUES(?,?)", {"Vide", 0});
    const qint64 ce1a = executer("INSERT INTO classes(libelle,tri) VALUES(?,?)", {"CE1 A", 1});
    const qint64 cm2b = executer("INSERT INTO classes(libelle,tri) VALUES(?,?)", {"CM2 Mme Lefèvre", 2});
    const char* const insereEleve =
        "INSERT INTO eleves(nom,prenom,date_naiss,id_classe,id_niveau,maj) VALUES(?,?,?,?,?,?)";
    const qint64 a = executer(insereEleve, {"Martin", "Léa", "2018-03-07", ce1a, ce1, "2025-09-01 08:30:00"});
    const qint64 b = executer(insereEleve, {"Dupont", "Noé", "2018-11-30", ce1a, ce1, "2025-09-01 08:31:00"});
    executer(insereEleve, {"Nguyen", "Chloé-Anne", "2017-01-15", ce1a, ce1, "2025-09-02 10:00:00"});
    const qint64 c =
        executer(insereEleve, {"Ben Saïd", "Yasmine", "2015-06-21", cm2b, cm2, "2025-09-03 14:12:45"});
    const qint64 d =
        executer(insereEleve, {"O'Brien", "Émile", "2015-12-02", cm2b, cm2, "2025-09-03 14:13:00"});
    const char* const insereNote = "INSERT INTO notes(id_eleve,id_comp,date,maj) VALUES(?,?,?,?)";
    for (const char* ref : {"P1C1A1", "P1C1A2", "P1C1B3", "P1C3A1", "P1"})
        executer(insereNote, {a, idComp(ref), "2026-01-12", "2026-01-12 17:00:00"});
    executer(insereNote, {b, idComp("P1C6B2"), "2026-02-02", "2026-02-02 09:00:00"});
    for (const char* ref : {"P2C1A1", "P2C2A5", "P2C3G1", "P2C7C3", "P2C4", "P2"})
        executer(insereNote, {c, idComp(ref), "2026-03-20", "2026-03-21 12:00:00"});
    executer(insereNote, {d, idComp("P2C5D5"), "2025-12-18", "2025-12-18 16:45:10"});

    const qint64 p1 = idComp("P1"), p2 = idComp("P2");
    QDir().mkpath(corpus.filePath("fichierclasse"));
    QDir().mkpath(corpus.filePath("chiffreur"));
    bool ok = true;
    const struct {
        qint64 classe;
        const char* libelle;
        qint64 palier;
        const char* nom;
    } exports[] = {
        {vide, "Vide", p1, "classe-vide"},
        {ce1a, "CE1 A", p1, "classe-ce1"},
        {cm2b, "CM2 Mme Lefèvre", p2, "classe-cm2"},
        {ce1a, "CE1 A", p2, "classe-ce1-autre-palier"},
    };
    for (const auto& e : exports) {
        const Resultat<QDomDocument> construit = FichierClasse::construire(e.classe, e.libelle, e.palier);
        if (!construit) {
            std::fprintf(stderr, "fichier de classe non construit : %s\n",
                         qPrintable(construit.erreur().texte));
            return 1;
        }
        const QDomDocument& document = *construit;
        const QString prefixe = corpus.filePath(QStringLiteral("fichierclasse/") + e.nom);
        ok &= ecrire(prefixe + ".xml", FichierClasse::texte(document));
        ok &= ecrire(prefixe + "-v2.xml", versionClaire(document.cloneNode(true).toDocument()));
    }

    // Textes chiffrés tels qu'un fichier de classe les porte, dans tous les modes.
    Chiffreur chiffreur(CLE_FICHIER_CLASSE);
    const QString textes[] = {"Martin", "Chloé-Anne", "2018-03-07", QString(40, QLatin1Char('a')) + "éèàçœ",
                              "x"};
    int rang = 0;
    for (int compression = 0; compression < 3; ++compression)
        for (int protection = 0; protection < 3; ++protection) {
            chiffreur.setModeCompression(Chiffreur::ModeCompression(compression));
            chiffreur.setModeProtection(Chiffreur::ModeProtection(protection));
            const QString& texte = textes[rang % 5];
            ok &= ecrire(
                corpus.filePath(QStringLiteral("chiffreur/texte-%1-%2").arg(compression).arg(protection)),
                chiffreur.chiffrerTexte(texte).toLatin1());
            ++rang;
        }

    // Le journal des saisies : une grille de chaque sorte, une date, une date effacée, un texte
    // qui n'est pas une date ; le fichier entier, puis sa partie JSON seule.
    JournalSaisies::Grille competences{
        JournalSaisies::Sorte::Competences, ce1a,  "CE1 A", p1, "Palier 1", idComp("P1C1"),
        "Maîtrise de la langue française",  false, {ce1},   {}};
    competences.cases = {{a, "Martin", "Léa", idComp("P1C1A1"), "P1C1A1", "12/01/2026"},
                         {b, "Dupont", "Noé", idComp("P1C1A2"), "P1C1A2", ""}};
    JournalSaisies::Grille palier{
        JournalSaisies::Sorte::Palier, cm2b, "CM2 Mme Lefèvre", p2, "Palier 2", 0, QString(), true, {}, {}};
    palier.cases = {{c, "Ben Saïd", "Yasmine", idComp("P2C4"), "P2C4", "31/02/2026"}};
    const QByteArray journal = JournalSaisies::ecrire({competences, palier});
    QDir().mkpath(corpus.filePath("journalsaisies"));
    ok &= ecrire(corpus.filePath("journalsaisies/deux-grilles"), journal);
    ok &= ecrire(corpus.filePath("journalsaisies/deux-grilles-json"), journal.mid(journal.indexOf('\n') + 1));
    return ok ? 0 : 1;
}
