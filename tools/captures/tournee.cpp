// SPDX-License-Identifier: GPL-3.0-or-later
#include "tournee.h"

#include "core/commun/application.h"
#include "core/db/copiesauto.h"
#include "core/db/initialisation.h"
#include "core/db/jeuessai.h"
#include "core/db/requetes.h"
#include "core/db/schema.h"
#include "core/exchange/importclasse.h"
#include "core/settings/parametres.h"
#include "gui/commun/apropos.h"
#include "gui/commun/diaapercu.h"
#include "gui/commun/diawait.h"
#include "gui/entry/diafiltreniveau.h"
#include "gui/entry/diapropagedate.h"
#include "gui/entry/mdibase.h"
#include "gui/exchange/diadatenaiss.h"
#include "gui/exchange/diaexporteclasse.h"
#include "gui/exchange/diaimporteclasse.h"
#include "gui/exchange/dianiveau.h"
#include "gui/exchange/dianotessupprimables.h"
#include "gui/mainwindow/diacopies.h"
#include "gui/mainwindow/diainitialise.h"
#include "gui/mainwindow/mainwindow.h"
#include "gui/mainwindow/mymdiarea.h"
#include "gui/print/diaattente.h"
#include "gui/print/diacocheeleve.h"
#include "gui/print/diaimprimer.h"
#include "gui/pupils/diaajouteeleves.h"
#include "gui/pupils/diaedite.h"
#include "gui/pupils/diaeleve.h"
#include "gui/pupils/diaimporteeleves.h"
#include "gui/report/diabilan.h"
#include "gui/settings/diamdp.h"
#include "gui/settings/diaparam.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QScopeGuard>
#include <QSqlQuery>
#include <QTableWidget>

#include <utility>

namespace Tournee {

namespace {

// À qui la tournée en cours dit ce qui n'a pas pu se faire.
Probleme signalement;

void signaler(const QString& texte)
{
    if (signalement)
        signalement(texte);
}

template <typename T> T* enfant(QObject* parent, const char* nom)
{
    T* trouve = parent->findChild<T*>(QString::fromLatin1(nom));
    if (!trouve)
        signaler(QStringLiteral("élément introuvable : %1").arg(QString::fromLatin1(nom)));
    return trouve;
}

void choisir(QObject* parent, const char* liste, int index)
{
    if (auto* combo = enfant<QComboBox>(parent, liste)) {
        if (index >= combo->count())
            signaler(QStringLiteral("%1 n'a pas d'entrée %2").arg(QString::fromLatin1(liste)).arg(index));
        combo->setCurrentIndex(index);
    }
}

void cliquer(QObject* parent, const char* bouton)
{
    if (auto* b = enfant<QAbstractButton>(parent, bouton))
        b->click();
}

// Coche une case, un bouton radio ou un groupe à case.
void cocher(QObject* parent, const char* nom)
{
    QWidget* element = enfant<QWidget>(parent, nom);
    if (auto* bouton = qobject_cast<QAbstractButton*>(element))
        bouton->setChecked(true);
    else if (auto* groupe = qobject_cast<QGroupBox*>(element))
        groupe->setChecked(true);
    else if (element)
        signaler(QStringLiteral("%1 ne se coche pas").arg(QString::fromLatin1(nom)));
}

void ecrire(QObject* parent, const char* champ, const QString& texte)
{
    if (auto* ligne = enfant<QLineEdit>(parent, champ))
        ligne->setText(texte);
}

QVariant executer(const QString& sql, const QVariantList& valeurs = {})
{
    QSqlQuery requete;
    requete.prepare(sql);
    for (const QVariant& valeur : valeurs)
        requete.addBindValue(valeur);
    if (!requete.exec()) {
        signaler(QStringLiteral("requête refusée : %1").arg(sql));
        return {};
    }
    return requete.lastInsertId();
}

MdiBase* derniereSousFenetre(MainWindow& principale)
{
    const QList<QMdiSubWindow*> liste = principale.espaceTravail()->subWindowList();
    return liste.isEmpty() ? nullptr : qobject_cast<MdiBase*>(liste.constLast()->widget());
}

struct EleveExemple {
    const char* nom;
    const char* prenom;
    const char* naissance; // « yyyy-MM-dd »
    int niveau;            // 1 CP, 2 CE1, 3 CE2, 4 CM1, 5 CM2
};

} // namespace

bool poserEcole(const Probleme& probleme)
{
    const Probleme ancien = std::exchange(signalement, probleme);
    const auto remettre = qScopeGuard([&] { signalement = ancien; });
    const auto instructions = Schema::instructionsScript();
    if (!instructions || !Initialisation::poserBase(*instructions))
        return false;

    const QList<QPair<QString, QList<EleveExemple>>> classes{
        {QStringLiteral("CE1 A - Mme Lefèvre"),
         {{"BERNARD", "Léa", "2019-02-14", 2},
          {"DUBOIS", "Hugo", "2019-05-03", 2},
          {"FONTAINE", "Chloé", "2019-07-21", 2},
          {"GARNIER", "Lucas", "2019-01-09", 2},
          {"LAMBERT", "Manon", "2019-10-30", 2},
          {"LEROY", "Nathan", "2019-03-17", 2},
          {"MARTIN", "Inès", "2019-12-02", 2},
          {"MOREAU", "Théo", "2019-08-25", 2},
          {"PETIT", "Jade", "2019-06-11", 2},
          {"ROUSSEAU", "Gabriel", "2019-04-28", 2},
          {"THOMAS", "Zoé", "2019-09-06", 2},
          {"VINCENT", "Louis", "2020-01-19", 1},
          {"BLANC", "Ambre", "2020-03-08", 1},
          {"N'DIAYE", "Moussa", "2019-11-23", 2},
          {"LEFEBVRE-DESCHAMPS", "Marie-Amélie", "2019-06-30", 2}}},
        {QStringLiteral("CM1-CM2 B - M. Girard"),
         {{"ANDRÉ", "Camille", "2016-04-12", 5},
          {"BONNET", "Raphaël", "2016-09-30", 5},
          {"CHEVALIER", "Louise", "2016-02-07", 5},
          {"DUPONT", "Arthur", "2016-11-15", 5},
          {"FAURE", "Alice", "2016-06-22", 5},
          {"FRANÇOIS", "Jules", "2017-01-04", 4},
          {"GAUTHIER", "Emma", "2017-05-18", 4},
          {"HENRY", "Adam", "2017-08-29", 4},
          {"LEMAIRE", "Rose", "2016-12-10", 5},
          {"MERCIER", "Tom", "2017-03-26", 4},
          {"NGUYEN", "Linh", "2016-07-13", 5},
          {"PERRIN", "Lina", "2017-10-01", 4}}},
        {QStringLiteral("CP C - Mme Roux"),
         {{"AUBERT", "Mia", "2020-02-20", 1},
          {"BRUN", "Noah", "2020-05-14", 1},
          {"CARON", "Anna", "2020-08-03", 1},
          {"DA SILVA", "Enzo", "2020-11-27", 1},
          {"LECLERC", "Lou", "2020-04-09", 1},
          {"MARCHAND", "Eden", "2020-07-16", 1}}},
    };
    int tri = 0;
    for (const auto& [libelle, eleves] : classes) {
        const QVariant idClasse =
            executer(QStringLiteral("INSERT INTO classes(libelle,tri) VALUES(?,?)"), {libelle, tri++});
        for (const EleveExemple& e : eleves)
            executer(QStringLiteral("INSERT INTO eleves(id_classe,id_niveau,nom,prenom,date_naiss) "
                                    "VALUES(?,?,?,?,?)"),
                     {idClasse, e.niveau, QString::fromUtf8(e.nom), QString::fromUtf8(e.prenom),
                      QString::fromLatin1(e.naissance)});
    }
    return JeuEssai::generer(20260906) &&
           Parametres::enregistrer(QStringLiteral("École élémentaire Jules Ferry\n12, rue des Écoles\n"
                                                  "35000 RENNES"),
                                   QStringLiteral("anglais"));
}

void fenetres(MainWindow& principale, const Visite& visite, const Probleme& probleme)
{
    const Probleme ancien = std::exchange(signalement, probleme);
    const auto remettre = qScopeGuard([&] { signalement = ancien; });

    // Saisie par compétence : première classe, palier 1, première compétence.
    principale.saisirDates();
    MdiBase* saisie = derniereSousFenetre(principale);
    if (!saisie)
        return signaler(QStringLiteral("pas de fenêtre de saisie"));
    choisir(saisie, "cbClasses", 1);
    choisir(saisie, "cbPaliers", 1);
    choisir(saisie, "cbCompetences", 0);
    cliquer(saisie, "btAfficher");
    if (auto* table = enfant<QTableWidget>(saisie, "table"))
        table->setCurrentCell(1, 2);
    visite(saisie, QStringLiteral("mdisaisie"));

    {
        diaFiltreNiveau dialogue(saisie);
        dialogue.charger(1);
        if (auto* liste = enfant<QListWidget>(&dialogue, "lwNiveaux"); liste && liste->count() > 0)
            liste->item(liste->count() > 1 ? 1 : 0)->setCheckState(Qt::Checked);
        visite(&dialogue, QStringLiteral("diafiltreniveau"));
    }

    // Saisie par palier : deuxième classe, palier 2.
    principale.saisirPaliers();
    MdiBase* palier = derniereSousFenetre(principale);
    if (!palier)
        return signaler(QStringLiteral("pas de fenêtre des paliers"));
    choisir(palier, "cbClasses", 2);
    choisir(palier, "cbPaliers", 2);
    cliquer(palier, "btAfficher");
    if (auto* table = enfant<QTableWidget>(palier, "table"))
        table->setCurrentCell(2, 1);
    visite(palier, QStringLiteral("mdipalier"));
    {
        diaPropageDate dialogue(palier);
        dialogue.definirDate(QStringLiteral("15/06/2027"));
        visite(&dialogue, QStringLiteral("diapropagedate"));
    }

    // Les deux grilles côte à côte.
    principale.tile();
    visite(&principale, QStringLiteral("mainwindow"));
}

void dialogues(MainWindow& principale, const Visite& visite, const Probleme& probleme)
{
    const Probleme ancien = std::exchange(signalement, probleme);
    const auto remettre = qScopeGuard([&] { signalement = ancien; });
    QWidget* parent = &principale;

    {
        diaInitialise dialogue(parent, true);
        visite(&dialogue, QStringLiteral("diainitialise"));
    }
    {
        diaInitialise dialogue(parent, false);
        visite(&dialogue, QStringLiteral("diainitialise-reinitialisation"));
    }
    {
        // Une base de la version 2 à côté : l'initialisation annonce la reprise des données.
        QFile ancienne(Application::chemins().v2);
        if (!ancienne.open(QIODevice::WriteOnly))
            signaler(QStringLiteral("base de la version 2 non posée"));
        ancienne.close();
        diaInitialise dialogue(parent, true);
        visite(&dialogue, QStringLiteral("diainitialise-migration"));
        ancienne.remove();
    }
    {
        diaImporteEleves dialogue(parent);
        ecrire(&dialogue, "edPath", QStringLiteral("/home/enseignant/Documents/CSVExtraction.csv"));
        cocher(&dialogue, "chkAjouter");
        cocher(&dialogue, "chkRepartir");
        visite(&dialogue, QStringLiteral("diaimporteeleves"));
    }
    {
        diaEleve dialogue(parent);
        choisir(&dialogue, "cbClasse", 1);
        cliquer(&dialogue, "btActualiser");
        visite(&dialogue, QStringLiteral("diaeleve"));
    }
    {
        diaAjouteEleves dialogue(parent);
        choisir(&dialogue, "cbClasse", 3);
        cliquer(&dialogue, "btActualiser");
        if (auto* table = enfant<QTableWidget>(&dialogue, "table"); table && table->rowCount() > 1) {
            const QStringList lignes[] = {{QStringLiteral("GIRAUD"), QStringLiteral("Clément"),
                                           QStringLiteral("12/03/2020"), QStringLiteral("CP")},
                                          {QStringLiteral("RENARD"), QStringLiteral("Maëlys"),
                                           QStringLiteral("30/09/2020"), QStringLiteral("CP")}};
            for (int ligne = 0; ligne < 2; ++ligne)
                for (int colonne = 0; colonne < table->columnCount() && colonne < 4; ++colonne)
                    if (QTableWidgetItem* cellule = table->item(ligne, colonne))
                        cellule->setText(lignes[ligne].at(colonne));
            table->setCurrentCell(1, 2);
        }
        visite(&dialogue, QStringLiteral("diaajouteeleves"));
    }
    {
        diaEdite dialogue(parent);
        dialogue.charger(QStringLiteral("classes"));
        visite(&dialogue, QStringLiteral("diaedite"));
    }
    {
        diaExporteClasse dialogue(parent);
        choisir(&dialogue, "cbClasse", 1);
        choisir(&dialogue, "cbPalier", 2);
        visite(&dialogue, QStringLiteral("diaexporteclasse"));
    }
    {
        diaImporteClasse dialogue(QStringLiteral("CM2 - École du Bourg"), parent);
        cocher(&dialogue, "rbUtiliseClasse");
        choisir(&dialogue, "cbClasse", 1);
        cocher(&dialogue, "chkRenommer");
        visite(&dialogue, QStringLiteral("diaimporteclasse"));
    }
    {
        QList<ConflitDate> conflits;
        const auto conflit = [](const char* nom, const char* prenom, const char* base, const char* fichier,
                                int action) {
            ConflitDate c;
            c.nom = QString::fromUtf8(nom);
            c.prenom = QString::fromUtf8(prenom);
            c.dateBase = QString::fromLatin1(base);
            c.dateFichier = QString::fromLatin1(fichier);
            c.action = action;
            return c;
        };
        conflits << conflit("BONNET", "Raphaël", "2016-09-30", "2016-09-03", 0)
                 << conflit("FAURE", "Alice", "2016-06-22", "2016-02-06", 1)
                 << conflit("NGUYEN", "Linh", "2016-07-13", "2015-07-13", 2);
        diaDateNaiss dialogue(conflits, parent);
        visite(&dialogue, QStringLiteral("diadatenaiss"));
    }
    {
        QList<ChangementNiveau> changements;
        const auto changement = [](const char* nom, const char* prenom, const char* naissance,
                                   const char* actuel, const char* propose, int action) {
            ChangementNiveau c;
            c.nom = QString::fromUtf8(nom);
            c.prenom = QString::fromUtf8(prenom);
            c.dateNaiss = QString::fromLatin1(naissance);
            c.niveauActuel = QString::fromLatin1(actuel);
            c.niveauPropose = QString::fromLatin1(propose);
            c.action = action;
            return c;
        };
        changements << changement("FRANÇOIS", "Jules", "2017-01-04", "CM1", "CM2", 1)
                    << changement("GAUTHIER", "Emma", "2017-05-18", "CM1", "CM2", 0)
                    << changement("ROBIN", "Sacha", "2016-10-21", "", "CM2", 1);
        diaNiveau dialogue(changements, parent);
        visite(&dialogue, QStringLiteral("dianiveau"));
    }
    {
        diaNotesSupprimables dialogue(37, parent);
        visite(&dialogue, QStringLiteral("dianotessupprimables"));
    }
    {
        diaImprimer dialogue(parent, principale.imprimante(), principale.optionsImpression());
        ecrire(&dialogue, "edEnseignant", QStringLiteral("Mme Lefèvre"));
        cocher(&dialogue, "gbCompetence");
        visite(&dialogue, QStringLiteral("diaimprimer"));

        const QList<Eleve> classe = Requetes::elevesClasse(1).valeurOu({});
        QList<qint64> selection;
        for (const Eleve& eleve : classe.mid(0, 5))
            selection << eleve.id;
        diaCocheEleve coche(&dialogue, classe, selection);
        visite(&coche, QStringLiteral("diacocheeleve"));

        // L'aperçu des livrets complets en brochure, deux pages côte à côte.
        cocher(&dialogue, "rbCompToutes");
        cocher(&dialogue, "rbCompPaysage");
        if (const std::unique_ptr<diaApercu> apercu = dialogue.preparerApercu()) {
            apercu->montrerDeux(true);
            visite(apercu.get(), QStringLiteral("diaapercu"));
        } else {
            signaler(QStringLiteral("pas d'aperçu des livrets"));
        }
    }
    for (int mode = 0; mode < 3; ++mode) {
        diaAttente dialogue(parent);
        dialogue.setMode(mode);
        visite(&dialogue,
               mode == 0 ? QStringLiteral("diaattente") : QStringLiteral("diaattente-%1").arg(mode + 1));
    }
    {
        DiaBilan dialogue(parent, principale.imprimante());
        choisir(&dialogue, "cbClasse", 0);
        choisir(&dialogue, "cbPalier", 0);
        cliquer(&dialogue, "btActualiser");
        visite(&dialogue, QStringLiteral("diabilan"));
        if (const std::unique_ptr<diaApercu> apercu = dialogue.preparerApercu())
            visite(apercu.get(), QStringLiteral("diaapercu-bilan"));
        else
            signaler(QStringLiteral("pas d'aperçu du bilan"));
    }
    {
        diaParam dialogue(parent);
        visite(&dialogue, QStringLiteral("diaparam"));
    }
    {
        // La liste des copies automatiques de la restauration : celles de la semaine (l'une restée
        // seule sur la clé USB), une de la semaine d'avant, celle de la fin de l'année scolaire passée.
        const CopiesAuto::Contenu actuelle = CopiesAuto::lireContenu(Application::chemins().courante);
        const auto ligne = [&](const QDateTime& moment, CopiesAuto::Sorte sorte, qint64 eleves, qint64 dates,
                               bool second) {
            const QString dossier = second ? QStringLiteral("/media/cle") : CopiesAuto::dossier();
            return diaCopies::Ligne{
                {dossier + QLatin1Char('/') + CopiesAuto::nomCopie(moment), moment, sorte},
                {true, 3, eleves, dates},
                second};
        };
        const QList<diaCopies::Ligne> lignes{
            ligne(QDateTime(QDate(2027, 3, 12), QTime(16, 48)), CopiesAuto::Sorte::Quotidienne,
                  actuelle.eleves, actuelle.dates, false),
            ligne(QDateTime(QDate(2027, 3, 11), QTime(17, 32)), CopiesAuto::Sorte::Quotidienne,
                  actuelle.eleves, actuelle.dates - 41, false),
            ligne(QDateTime(QDate(2027, 3, 10), QTime(17, 20)), CopiesAuto::Sorte::Quotidienne,
                  actuelle.eleves, actuelle.dates - 63, true),
            ligne(QDateTime(QDate(2027, 3, 9), QTime(12, 5)), CopiesAuto::Sorte::Quotidienne, actuelle.eleves,
                  actuelle.dates - 97, false),
            ligne(QDateTime(QDate(2027, 3, 5), QTime(17, 10)), CopiesAuto::Sorte::Hebdomadaire,
                  actuelle.eleves - 2, actuelle.dates - 160, false),
            ligne(QDateTime(QDate(2026, 7, 3), QTime(18, 2)), CopiesAuto::Sorte::FinAnnee, 58, 6210, false),
        };
        diaCopies dialogue(lignes, actuelle, parent);
        visite(&dialogue, QStringLiteral("diacopies"));
    }
    {
        diaMdp dialogue(parent);
        ecrire(&dialogue, "edAncien", QStringLiteral("ancien"));
        ecrire(&dialogue, "edNouv1", QStringLiteral("nouveau"));
        ecrire(&dialogue, "edNouv2", QStringLiteral("nouveau"));
        visite(&dialogue, QStringLiteral("diamdp"));
    }
    {
        Apropos dialogue(parent);
        visite(&dialogue, QStringLiteral("apropos"));
    }
    {
        bool arret = false;
        diaWait attente(parent, &arret);
        attente.preparer(true, QString());
        visite(&attente, QStringLiteral("diawait"));
    }
}

} // namespace Tournee
