// SPDX-License-Identifier: GPL-3.0-or-later
// Les entrées hostiles trouvées par le fuzzing (tests/donnees/fuzz/<cible>/) et les fichiers
// démesurés : chacune passe par le point d'entrée que le programme lui donne, et doit finir
// proprement, par le bon refus ou par le bon résultat.
#include "core/db/chargeurlivret.h"
#include "core/db/initialisation.h"
#include "core/db/lecteurcsv.h"
#include "core/db/schema.h"
#include "core/exchange/chiffreur.h"
#include "core/exchange/importclasse.h"
#include "gui/exchange/importdialogues.h"
#include "gui/pupils/diaimporteeleves.h"
#include "support/donnees.h"
#include "support/environnement.h"
#include "support/interlocuteur.h"
#include "support/repondeuressai.h"
#include "support/sql.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTest>

namespace {

QString dossierEntrees()
{
    return QFINDTESTDATA("../donnees/fuzz");
}

QByteArray contenu(const QString& chemin)
{
    QFile fichier(chemin);
    return fichier.open(QIODevice::ReadOnly) ? fichier.readAll() : QByteArray();
}

int nombre(const QString& sql)
{
    return Sql::valeur(sql).toInt();
}

// Le refus du livret, en texte comparable.
QString decrire(const Erreur& e)
{
    switch (e.raison) {
    case Raison::LibelleVide:
        return QStringLiteral("libellé vide %1,%2").arg(e.ligne).arg(e.colonne);
    case Raison::FichierTropGros:
    case Raison::TropDeCases:
        return QStringLiteral("refusé %1").arg(e.nom);
    default:
        return QStringLiteral("raison %1").arg(int(e.raison));
    }
}

struct Entree {
    QString cible;
    QString nom;
    QString attendu;
};

// Les entrées gardées et ce que chacune doit donner.
const QList<Entree> ENTREES = {
    // Mille colonnes de nœuds puis trois mille lignes vides : chaque nœud relisait toutes
    // les cases des lignes suivantes, des milliards de lectures pour dix kilo-octets.
    {"chargeurlivret", "ligne-large-puis-lignes-vides.csv", "1000 nœuds"},
    // Un libellé fait de la seule marque U+FEFF : la base retire cette marque en tête d'un
    // texte, et le livret se chargeait avec un libellé vide.
    {"chargeurlivret", "libelle-marque-seule.csv", "libellé vide 0,1"},
};

// Le résultat d'une entrée par le point d'entrée de sa cible, en un texte comparable.
QString passer(const QString& cible, const QString& chemin)
{
    if (cible == QLatin1String("lecteurcsv")) {
        // Importation des élèves (détection du séparateur) puis livret (« ; »).
        QStringList resultats;
        for (const bool detection : {true, false}) {
            LecteurCsv lecteur;
            const Resultat<> lu = lecteur.load(chemin, detection);
            resultats
                << (lu ? QStringLiteral("%1x%2").arg(lecteur.nombreLignes()).arg(lecteur.nombreColonnes())
                    : lu.erreur().raison == Raison::SeparateurIntrouvable ? QStringLiteral("sans séparateur")
                                                                          : QStringLiteral("refusé"));
        }
        return resultats.join(' ');
    }
    if (cible == QLatin1String("chiffreur")) {
        Chiffreur chiffreur(CLE_FICHIER_CLASSE);
        const QString clair = chiffreur.dechiffrerTexte(QString::fromUtf8(contenu(chemin)));
        return QStringLiteral("erreur %1:%2").arg(chiffreur.derniereErreur()).arg(clair);
    }
    if (cible == QLatin1String("fichierclasse")) {
        // Toute question est refusée ; le bilan ou les avertissements du refus, « titre|texte ».
        InterlocuteurEssai interlocuteur;
        const Resultat<ImportClasse::Compteurs> issue = ImportClasse(interlocuteur).importer(chemin);
        if (issue)
            return QStringLiteral("importé|") + ImportDialogues::bilan(*issue);
        QStringList messages;
        for (const auto& [titre, texte] : ImportDialogues::refus(issue.erreur()))
            messages << titre + '|' + texte;
        return messages.join('\n');
    }
    if (cible == QLatin1String("chargeurlivret")) {
        // Comme l'initialisation de la base : le script, puis le livret, en une transaction.
        const Resultat<> posee = Initialisation::poserBase(*Schema::instructionsScript(), chemin);
        return posee ? QStringLiteral("%1 nœuds").arg(nombre("SELECT COUNT(*) FROM competences"))
                     : decrire(posee.erreur());
    }
    return QStringLiteral("cible inconnue");
}

} // namespace

class TstFuzz : public QObject
{
    Q_OBJECT

    Environnement::Dossier dossier;

    QString ecrire(const QString& nom, const QByteArray& octets)
    {
        QFile fichier(dossier->filePath(nom));
        if (!fichier.open(QIODevice::WriteOnly) || fichier.write(octets) != octets.size())
            qFatal("écriture impossible : %s", qPrintable(fichier.fileName()));
        return fichier.fileName();
    }

private Q_SLOTS:
    void initTestCase() { Environnement::preparer(); }
    void init() { QVERIFY(Environnement::nouvelleBase(dossier)); }

    // Une entrée déposée dans le dossier sans sa ligne ne serait jamais essayée.
    void chaqueEntreeASonResultat()
    {
        QStringList deposees, connues;
        const QDir racine(dossierEntrees());
        for (const QString& cible : racine.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            for (const QString& nom : QDir(racine.filePath(cible)).entryList(QDir::Files))
                deposees << cible + '/' + nom;
        for (const Entree& e : ENTREES)
            connues << e.cible + '/' + e.nom;
        deposees.sort();
        connues.sort();
        QCOMPARE(deposees, connues);
    }

    // Chaque entrée gardée, et des fichiers démesurés fabriqués ici plutôt que gardés dans le
    // dépôt, par le point d'entrée de leur cible.
    void fichiersDemesures_data()
    {
        QTest::addColumn<QString>("cible");
        QTest::addColumn<QByteArray>("octets");
        QTest::addColumn<QString>("attendu");
        for (const Entree& e : ENTREES)
            ligne(qPrintable(e.cible + '/' + e.nom), e.cible,
                  contenu(dossierEntrees() + '/' + e.cible + '/' + e.nom), e.attendu);
        // Une première ligne de 3000 séparateurs suivie de 2999 lignes vides : neuf millions
        // de cases une fois les lignes complétées, des centaines de mégaoctets.
        const QByteArray large = QByteArray(3000, ';') + QByteArray(3000, '\n');
        ligne("csv trop large", "lecteurcsv", large, "refusé refusé");
        ligne("csv trop gros", "lecteurcsv", QByteArray(LecteurCsv::TAILLE_MAX + 1, ';'), "refusé refusé");
        // Juste sous la borne des cases : lu comme n'importe quel fichier.
        ligne("csv large admis", "lecteurcsv", QByteArray(1999, ';') + QByteArray(2000, '\n'),
              "2000x2000 2000x2000");
        ligne("livret trop large", "chargeurlivret", large, "refusé %1");
        // Quarante mille niveaux en une ligne : la pile d'appels débordait.
        QByteArray profond;
        for (int i = 0; i < 40000; ++i)
            profond += 'R' + QByteArray::number(i) + "/n;";
        ligne("livret très profond", "chargeurlivret", profond, "40000 nœuds");
    }
    void fichiersDemesures()
    {
        QFETCH(QString, cible);
        QFETCH(QByteArray, octets);
        QFETCH(QString, attendu);
        QVERIFY(!octets.isEmpty()); // une entrée gardée introuvable
        const QString chemin = ecrire("entree.csv", octets);
        QCOMPARE(passer(cible, chemin), attendu.replace("%1", chemin));
    }

    // Le refus arrive à l'enseignant par les messages du dialogue d'importation des élèves.
    void refusMontreParLImportation_data()
    {
        QTest::addColumn<QByteArray>("octets");
        QTest::addColumn<QString>("raison");
        ligne("trop large", QByteArray(3000, ';') + QByteArray(3000, '\n'),
              "le fichier compte 3000 lignes dont la plus large a 3001 colonnes");
        ligne("trop gros", QByteArray(LecteurCsv::TAILLE_MAX + 1, ';'), "le fichier dépasse 8 Mo");
    }
    void refusMontreParLImportation()
    {
        QFETCH(QByteArray, octets);
        QFETCH(QString, raison);
        const QString chemin = ecrire("export.csv", octets);
        RepondeurEssai repondeur;
        repondeur.bouton(QMessageBox::Ok); // les deux avertissements
        repondeur.bouton(QMessageBox::Ok);
        diaImporteEleves dialogue(nullptr);
        dialogue.findChild<QCheckBox*>("chkAjouter")->setChecked(true);
        dialogue.findChild<QLineEdit*>("edPath")->setText(chemin);
        dialogue.accept();
        QStringList vus;
        for (const Invite::Message& m : repondeur.messages())
            vus << m.titre + "|" + m.texte;
        QCOMPARE(vus, QStringList({"Chargement|Le chargement de \"" + chemin + "\" a été refusé : " + raison +
                                       ", ce qui ne correspond pas à un fichier CSV attendu par Quorvel. "
                                       "Vérifiez le fichier choisi.",
                                   "Problème sur chargement|Le fichier n'a pas pu être chargé."}));
        QCOMPARE(dialogue.result(), 0); // le dialogue reste ouvert, rien n'est importé
        QCOMPARE(nombre("SELECT COUNT(*) FROM eleves"), 0);
    }
};

QTEST_MAIN(TstFuzz)
#include "tst_fuzz.moc"
