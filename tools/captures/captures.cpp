// SPDX-License-Identifier: GPL-3.0-or-later
// Captures d'écran de toutes les fenêtres et de tous les dialogues de Quorvel.
//
// Le programme pose, dans un dossier de données neuf et avec les réglages en mode essai de la
// boîte à outils, une école d'exemple (le code d'initialisation du programme, trois classes
// d'élèves, des dates tirées par le jeu d'essai, les paramètres de l'école remplis), puis il
// ouvre chaque fenêtre dans un état parlant et en écrit l'image PNG, nommée d'après sa classe
// en minuscules, dans le dossier donné en argument.
//
// Il se lance sous un serveur X virtuel par scripts/captures ; QT_SCALE_FACTOR est suivi.
// Les dialogues modaux du programme sont montrés sans exec() ; les questions qui passent par
// Invite reçoivent des réponses préparées, et celles qu'on veut voir sont dessinées telles que
// le vrai répondeur les montrerait.

#include "core/commun/application.h"
#include "core/db/initialisation.h"
#include "core/db/jeuessai.h"
#include "core/db/schema.h"
#include "core/exchange/importclasse.h"
#include "core/print/optionsimpression.h"
#include "core/print/pages.h"
#include "core/print/tirage.h"
#include "core/settings/parametres.h"
#include "gui/commun/apropos.h"
#include "gui/commun/diawait.h"
#include "gui/commun/invite.h"
#include "gui/commun/mystyle.h"
#include "gui/entry/diafiltreniveau.h"
#include "gui/entry/diapropagedate.h"
#include "gui/entry/mdipalier.h"
#include "gui/entry/mdisaisie.h"
#include "gui/exchange/diadatenaiss.h"
#include "gui/exchange/diaexporteclasse.h"
#include "gui/exchange/diaimporteclasse.h"
#include "gui/exchange/dianiveau.h"
#include "gui/exchange/dianotessupprimables.h"
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
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QPrinter>
#include <QRadioButton>
#include <QSettings>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QThread>
#include <QToolButton>
#include <QTranslator>

#include <cstdio>
#include <functional>
#include <optional>
#include <utility>

namespace {

QDir sortie;
int ecrites = 0;
int erreurs = 0;
int alertes = 0;

void signaler(const QString& texte)
{
    std::fprintf(stderr, "captures : %s\n", qPrintable(texte));
    ++erreurs;
}

// Laisse la boucle d'événements peindre et placer ce qui vient d'être montré.
void patienter(int millisecondes = 150)
{
    QElapsedTimer chrono;
    chrono.start();
    while (chrono.elapsed() < millisecondes) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

// Contrôle de l'apparence d'une fenêtre montrée : un texte qui ne tient pas dans son
// étiquette ou dans son bouton est signalé (sans compter comme un échec de la capture).
void verifierApparence(QWidget* fenetre, const QString& nom)
{
    const auto noter = [&](const QWidget* element, const QString& probleme) {
        std::fprintf(stderr, "captures : apparence : %s : %s %s : %s\n", qPrintable(nom),
                     element->metaObject()->className(), qPrintable(element->objectName()),
                     qPrintable(probleme));
        ++alertes;
    };
    for (const QLabel* etiquette : fenetre->findChildren<QLabel*>()) {
        if (!etiquette->isVisibleTo(fenetre) || etiquette->text().isEmpty() || !etiquette->pixmap().isNull())
            continue;
        if (qobject_cast<const QAbstractScrollArea*>(etiquette->parentWidget()->parentWidget()))
            continue; // cellule d'une vue
        if (etiquette->wordWrap()) {
            const int voulue = etiquette->heightForWidth(etiquette->width());
            if (etiquette->height() < voulue)
                noter(etiquette, QStringLiteral("texte replié coupé (hauteur %1 pour %2)")
                                     .arg(etiquette->height())
                                     .arg(voulue));
        } else if (etiquette->width() < etiquette->minimumSizeHint().width()) {
            noter(etiquette, QStringLiteral("texte coupé (largeur %1 pour %2)")
                                 .arg(etiquette->width())
                                 .arg(etiquette->minimumSizeHint().width()));
        }
    }
    for (const QAbstractButton* bouton : fenetre->findChildren<QAbstractButton*>()) {
        if (!bouton->isVisibleTo(fenetre) || bouton->text().isEmpty() ||
            qobject_cast<const QToolButton*>(bouton))
            continue;
        if (bouton->width() < bouton->sizeHint().width() ||
            bouton->height() < bouton->minimumSizeHint().height())
            noter(bouton, QStringLiteral("« %1 » ne tient pas (%2 × %3 pour %4 × %5)")
                              .arg(bouton->text())
                              .arg(bouton->width())
                              .arg(bouton->height())
                              .arg(bouton->sizeHint().width())
                              .arg(bouton->minimumSizeHint().height()));
    }
}

void capturer(QWidget* fenetre, const QString& nom)
{
    if (!fenetre->isVisible())
        fenetre->show();
    fenetre->raise();
    patienter();
    verifierApparence(fenetre, nom);
    const QPixmap image = fenetre->grab();
    const QString chemin = sortie.filePath(nom + QStringLiteral(".png"));
    if (image.isNull() || !image.save(chemin)) {
        signaler(QStringLiteral("image non écrite : %1").arg(chemin));
        return;
    }
    ++ecrites;
    std::printf("%s\n", qPrintable(chemin));
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

// ---------------------------------------------------------------------------
// Réponses aux questions

// Répond sans jamais bloquer : une saisie prend le texte préparé suivant, les autres
// questions sont refusées comme par la touche Échap. Quand un nom de capture est en attente,
// la question suivante est montrée comme le ferait le vrai répondeur et capturée sous ce nom.
class RepondeurCaptures : public Repondeur
{
public:
    QString nomCapture;
    QStringList textes;

    QMessageBox::StandardButton message(Invite::Genre genre, QWidget* parent, const QString& titre,
                                        const QString& texte, QMessageBox::StandardButtons boutons,
                                        QMessageBox::StandardButton defaut) override
    {
        if (!nomCapture.isEmpty()) {
            QMessageBox::Icon icone = QMessageBox::Question;
            switch (genre) {
            case Invite::Genre::Information:
                icone = QMessageBox::Information;
                break;
            case Invite::Genre::Avertissement:
                icone = QMessageBox::Warning;
                break;
            case Invite::Genre::Critique:
                icone = QMessageBox::Critical;
                break;
            case Invite::Genre::Question:
                break;
            }
            QMessageBox boite(icone, titre, texte, boutons, parent);
            boite.setDefaultButton(defaut);
            capturer(&boite, std::exchange(nomCapture, QString()));
        } else {
            std::fprintf(stderr, "captures : message « %s » : %s\n", qPrintable(titre), qPrintable(texte));
        }
        for (const auto b : {QMessageBox::Cancel, QMessageBox::No, QMessageBox::Close, QMessageBox::Ok})
            if (boutons.testFlag(b))
                return b;
        return QMessageBox::NoButton;
    }

    std::optional<QString> texte(QWidget* parent, const QString& titre, const QString& libelle,
                                 QLineEdit::EchoMode mode, const QString& initial) override
    {
        const std::optional<QString> reponse =
            textes.isEmpty() ? std::nullopt : std::optional<QString>(textes.takeFirst());
        if (!nomCapture.isEmpty()) {
            QInputDialog saisie(parent);
            saisie.setWindowTitle(titre);
            saisie.setLabelText(libelle);
            saisie.setTextEchoMode(mode);
            saisie.setTextValue(reponse.value_or(initial));
            capturer(&saisie, std::exchange(nomCapture, QString()));
        }
        return reponse;
    }

    QString fichierAOuvrir(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString fichierAEnregistrer(QWidget*, const QString&, const QString&, const QString&) override
    {
        return {};
    }
    QString dossier(QWidget*, const QString&, const QString&) override { return {}; }
    bool impression(QPrinter*, QWidget*) override { return false; }
    bool ouvrirUrl(const QUrl&) override { return true; }
};

// ---------------------------------------------------------------------------
// L'école d'exemple

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

struct EleveExemple {
    const char* nom;
    const char* prenom;
    const char* naissance; // « yyyy-MM-dd »
    int niveau;            // 1 CP, 2 CE1, 3 CE2, 4 CM1, 5 CM2
};

bool poserEcole()
{
    const auto instructions = Schema::instructionsScript();
    if (!instructions || !Initialisation::poserBase(*instructions).reussi)
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
    JeuEssai::generer(20260906);
    return Parametres::enregistrer(QStringLiteral("École élémentaire Jules Ferry\n12, rue des Écoles\n"
                                                  "35000 RENNES"),
                                   QStringLiteral("anglais")) == Parametres::Enregistrement::Fait;
}

// ---------------------------------------------------------------------------
// Les captures

MdiBase* derniereSousFenetre(MainWindow& fenetre)
{
    const QList<QMdiSubWindow*> liste = fenetre.espaceTravail()->subWindowList();
    return liste.isEmpty() ? nullptr : qobject_cast<MdiBase*>(liste.constLast()->widget());
}

// Capture d'une fenêtre de saisie agrandie dans l'espace de travail, puis remise en place.
void capturerSousFenetre(MdiBase* fenetre, const QString& nom)
{
    auto* cadre = qobject_cast<QMdiSubWindow*>(fenetre->parentWidget());
    if (!cadre) {
        signaler(QStringLiteral("fenêtre de saisie hors de l'espace de travail"));
        return;
    }
    cadre->showMaximized();
    capturer(fenetre, nom);
    cadre->showNormal();
}

void capturerFenetres(MainWindow& fenetre, RepondeurCaptures& repondeur)
{
    // L'accueil à la taille de départ du programme, puis une fenêtre assez large pour les
    // deux grilles côte à côte.
    fenetre.show();
    patienter(400);
    capturer(&fenetre, QStringLiteral("mainwindow-accueil"));
    // Les deux grilles ouvertes dans la fenêtre à sa taille de départ : leurs éléments doivent
    // y tenir sans se chevaucher (contrôle seul, sans image).
    fenetre.saisirDates();
    fenetre.saisirPaliers();
    patienter();
    verifierApparence(&fenetre, QStringLiteral("mainwindow (taille de départ)"));
    fenetre.espaceTravail()->closeAllSubWindows();
    patienter();
    fenetre.resize(1400, 800);

    // Les menus de la barre, ouverts l'un après l'autre.
    const auto capturerMenus = [&fenetre] {
        for (QAction* action : fenetre.menuBar()->actions()) {
            QMenu* menu = action->menu();
            if (!menu)
                continue;
            menu->popup(fenetre.mapToGlobal(fenetre.menuBar()->actionGeometry(action).bottomLeft()));
            capturer(menu, menu->objectName().toLower());
            for (QAction* entree : menu->actions()) {
                if (QMenu* sousMenu = entree->menu()) {
                    sousMenu->popup(menu->mapToGlobal(menu->actionGeometry(entree).topRight()));
                    capturer(sousMenu, sousMenu->objectName().toLower());
                    sousMenu->hide();
                }
            }
            menu->hide();
        }
    };

    // Saisie par compétence : première classe, palier 1, première compétence.
    fenetre.saisirDates();
    MdiBase* saisie = derniereSousFenetre(fenetre);
    if (!saisie)
        return signaler(QStringLiteral("pas de fenêtre de saisie"));
    choisir(saisie, "cbClasses", 1);
    choisir(saisie, "cbPaliers", 1);
    choisir(saisie, "cbCompetences", 0);
    cliquer(saisie, "btAfficher");
    if (auto* table = enfant<QTableWidget>(saisie, "table"))
        table->setCurrentCell(1, 2);
    capturerSousFenetre(saisie, QStringLiteral("mdisaisie"));

    {
        diaFiltreNiveau dialogue(saisie);
        dialogue.charger(1);
        if (auto* liste = enfant<QListWidget>(&dialogue, "lwNiveaux"); liste && liste->count() > 0)
            liste->item(liste->count() > 1 ? 1 : 0)->setCheckState(Qt::Checked);
        capturer(&dialogue, QStringLiteral("diafiltreniveau"));
    }
    {
        diaPropageDate dialogue(saisie);
        dialogue.definirDate(QStringLiteral("15/06/2027"));
        capturer(&dialogue, QStringLiteral("diapropagedate"));
    }

    // Saisie par palier : deuxième classe, palier 2.
    fenetre.saisirPaliers();
    MdiBase* palier = derniereSousFenetre(fenetre);
    if (!palier)
        return signaler(QStringLiteral("pas de fenêtre des paliers"));
    choisir(palier, "cbClasses", 2);
    choisir(palier, "cbPaliers", 2);
    cliquer(palier, "btAfficher");
    if (auto* table = enfant<QTableWidget>(palier, "table"))
        table->setCurrentCell(2, 1);
    capturerSousFenetre(palier, QStringLiteral("mdipalier"));

    // Les deux grilles côte à côte.
    fenetre.tile();
    capturer(&fenetre, QStringLiteral("mainwindow"));
    // Les menus, une grille active : les actions d'édition et des fenêtres sont disponibles.
    capturerMenus();

    // Une question par le passage obligé : la fermeture d'une grille modifiée ne se voit
    // pas ici ; la question « Fermer toutes les fenêtres ? » montre les boutons traduits.
    repondeur.nomCapture = QStringLiteral("message-fermertout");
    fenetre.fermerTout();
    fenetre.espaceTravail()->closeAllSubWindows();
    patienter();
}

void capturerDialogues(MainWindow& fenetre, RepondeurCaptures& repondeur, bool& drapeauArret)
{
    QWidget* parent = &fenetre;

    {
        diaInitialise dialogue(parent, true);
        capturer(&dialogue, QStringLiteral("diainitialise"));
    }
    {
        diaInitialise dialogue(parent, false);
        capturer(&dialogue, QStringLiteral("diainitialise-reinitialisation"));
    }
    {
        // Une base de la version 2 à côté : l'initialisation annonce la reprise des données.
        QFile ancienne(Application::chemins().v2);
        if (!ancienne.open(QIODevice::WriteOnly))
            signaler(QStringLiteral("base de la version 2 non posée"));
        ancienne.close();
        diaInitialise dialogue(parent, true);
        capturer(&dialogue, QStringLiteral("diainitialise-migration"));
        ancienne.remove();
    }
    {
        diaImporteEleves dialogue(parent, QStringLiteral("Documents"));
        ecrire(&dialogue, "edPath", QStringLiteral("/home/enseignant/Documents/CSVExtraction.csv"));
        cocher(&dialogue, "chkAjouter");
        cocher(&dialogue, "chkRepartir");
        capturer(&dialogue, QStringLiteral("diaimporteeleves"));
    }
    {
        diaEleve dialogue(parent);
        choisir(&dialogue, "cbClasse", 1);
        cliquer(&dialogue, "btActualiser");
        capturer(&dialogue, QStringLiteral("diaeleve"));
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
        capturer(&dialogue, QStringLiteral("diaajouteeleves"));
    }
    {
        diaEdite dialogue(parent);
        dialogue.charger(QStringLiteral("classes"));
        capturer(&dialogue, QStringLiteral("diaedite"));
    }
    {
        diaExporteClasse dialogue(parent);
        choisir(&dialogue, "cbClasse", 1);
        choisir(&dialogue, "cbPalier", 2);
        capturer(&dialogue, QStringLiteral("diaexporteclasse"));
    }
    {
        diaImporteClasse dialogue(QStringLiteral("CM2 - École du Bourg"), parent);
        cocher(&dialogue, "rbUtiliseClasse");
        choisir(&dialogue, "cbClasse", 1);
        cocher(&dialogue, "chkRenommer");
        capturer(&dialogue, QStringLiteral("diaimporteclasse"));
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
        capturer(&dialogue, QStringLiteral("diadatenaiss"));
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
        capturer(&dialogue, QStringLiteral("dianiveau"));
    }
    {
        diaNotesSupprimables dialogue(37, parent);
        capturer(&dialogue, QStringLiteral("dianotessupprimables"));
    }
    {
        diaImprimer dialogue(parent, fenetre.imprimante());
        ecrire(&dialogue, "edEnseignant", QStringLiteral("Mme Lefèvre"));
        cocher(&dialogue, "gbCompetence");
        capturer(&dialogue, QStringLiteral("diaimprimer"));

        QList<qint64> selection;
        QSqlQuery requete(QStringLiteral("SELECT id_eleve FROM eleves WHERE id_classe=1 LIMIT 5"));
        while (requete.next())
            selection << requete.value(0).toLongLong();
        diaCocheEleve coche(&dialogue, 1, selection);
        capturer(&coche, QStringLiteral("diacocheeleve"));
    }
    for (int mode = 0; mode < 3; ++mode) {
        diaAttente dialogue(parent);
        dialogue.setMode(mode);
        capturer(&dialogue,
                 mode == 0 ? QStringLiteral("diaattente") : QStringLiteral("diaattente-%1").arg(mode + 1));
    }
    {
        DiaBilan dialogue(parent, fenetre.imprimante());
        choisir(&dialogue, "cbClasse", 0);
        choisir(&dialogue, "cbPalier", 0);
        cliquer(&dialogue, "btActualiser");
        capturer(&dialogue, QStringLiteral("diabilan"));
    }
    {
        diaParam dialogue(parent);
        capturer(&dialogue, QStringLiteral("diaparam"));
    }
    {
        diaMdp dialogue(parent);
        ecrire(&dialogue, "edAncien", QStringLiteral("ancien"));
        ecrire(&dialogue, "edNouv1", QStringLiteral("nouveau"));
        ecrire(&dialogue, "edNouv2", QStringLiteral("nouveau"));
        capturer(&dialogue, QStringLiteral("diamdp"));
    }
    {
        Apropos dialogue(parent);
        capturer(&dialogue, QStringLiteral("apropos"));
    }
    {
        diaWait attente(parent, &drapeauArret);
        attente.preparer(true, QString());
        capturer(&attente, QStringLiteral("diawait"));
    }

    // La demande du mot de passe, par le vrai contrôle d'accès de la fenêtre principale.
    const QString motDePasse = QStringLiteral("ecole");
    if (Parametres::changerMotDePasse(QString(), motDePasse, motDePasse) !=
        Parametres::ChangementMotDePasse::Fait)
        signaler(QStringLiteral("mot de passe non fixé"));
    repondeur.nomCapture = QStringLiteral("motdepasse");
    repondeur.textes << motDePasse;
    if (!fenetre.accesAutorise())
        signaler(QStringLiteral("mot de passe refusé"));
    Parametres::changerMotDePasse(motDePasse, QString(), QString());
}

// Les pages imprimées, en PDF, par le tirage du programme : le livret d'un élève à chaque
// palier (attestation et toutes les compétences, en couleur, A4 portrait), le livret A5 du
// palier 2 en brochure, et deux attestations A5 sur une feuille paysage.
void imprimerLivrets()
{
    OptionsImpression& options = OptionsImpression::courantes();
    const OptionsImpression avant = options;
    options.grey = false;
    options.compAll = true;
    options.withAttestation = true;
    options.teacher = QStringLiteral("Mme Lefèvre");
    options.language = QStringLiteral("anglais");
    const QString ecole = Tirage::nomEcole();

    const auto identifiant = [](const QString& sql, const QVariantList& valeurs) {
        QSqlQuery requete;
        requete.prepare(sql);
        for (const QVariant& valeur : valeurs)
            requete.addBindValue(valeur);
        return requete.exec() && requete.next() ? requete.value(0).toLongLong() : qint64(0);
    };
    const auto imprimer = [&](const QString& nom, bool paysage,
                              const std::function<void(QPainter&, QPrinter&, const QRect&)>& dessin) {
        QPrinter imprimante(QPrinter::HighResolution);
        imprimante.setOutputFormat(QPrinter::PdfFormat);
        imprimante.setOutputFileName(sortie.filePath(nom + QStringLiteral(".pdf")));
        imprimante.setFullPage(true);
        imprimante.setPageOrientation(paysage ? QPageLayout::Landscape : QPageLayout::Portrait);
        QPainter peintre;
        if (!peintre.begin(&imprimante))
            return signaler(QStringLiteral("PDF non ouvert : %1").arg(nom));
        dessin(peintre, imprimante, Tirage::preparerPeintre(peintre));
        peintre.end();
        std::printf("%s\n", qPrintable(imprimante.outputFileName()));
    };
    const auto livret = [&](const QString& nom, qint64 palier, const QList<qint64>& eleves, bool brochure) {
        options.brochure = brochure;
        imprimer(nom, brochure, [&](QPainter& peintre, QPrinter& imprimante, const QRect& vue) {
            bool premiere = true;
            for (const QList<FaceImprimee>& faces : Tirage::construireToutesPages(palier, eleves))
                Tirage::imprimerFaces(peintre, imprimante, vue, faces, Pages::nombrePages(faces, brochure),
                                      brochure, ecole, premiere);
        });
    };

    const QString sqlPalier = QStringLiteral("SELECT id_comp FROM competences WHERE ref=?");
    const QString sqlEleve = QStringLiteral("SELECT id_eleve FROM eleves WHERE nom=? AND prenom=?");
    const qint64 p1 = identifiant(sqlPalier, {QStringLiteral("P1")});
    const qint64 p2 = identifiant(sqlPalier, {QStringLiteral("P2")});
    const qint64 lea = identifiant(sqlEleve, {QStringLiteral("BERNARD"), QStringLiteral("Léa")});
    const qint64 camille = identifiant(sqlEleve, {QStringLiteral("ANDRÉ"), QStringLiteral("Camille")});
    const qint64 linh = identifiant(sqlEleve, {QStringLiteral("NGUYEN"), QStringLiteral("Linh")});
    if (!p1 || !p2 || !lea || !camille || !linh)
        return signaler(QStringLiteral("paliers ou élèves d'exemple introuvables"));

    livret(QStringLiteral("livret-palier1"), p1, {lea}, false);
    livret(QStringLiteral("livret-palier2"), p2, {camille}, false);
    livret(QStringLiteral("livret-palier2-brochure"), p2, {camille}, true);
    imprimer(QStringLiteral("attestations-palier2"), true,
             [&](QPainter& peintre, QPrinter& imprimante, const QRect& vue) {
                 Tirage::imprimerAttestations(peintre, imprimante, vue, p2, {camille, linh}, true, ecole);
             });
    options = avant;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication::setApplicationName(Application::NOM);
    QCoreApplication::setOrganizationName(Application::ORGANISATION);
    QStandardPaths::setTestModeEnabled(true);
    QApplication application(argc, argv);

    if (argc < 2) {
        std::fprintf(stderr, "usage : captures <dossier des images>\n");
        return 2;
    }
    sortie.setPath(QString::fromLocal8Bit(argv[1]));
    if (!sortie.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "captures : dossier impossible à créer : %s\n", argv[1]);
        return 2;
    }

    // Réglages et données à part : rien d'un vrai utilisateur n'est lu ni écrit.
    QTemporaryDir reglages;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, reglages.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, reglages.path());
    QTemporaryDir donnees(QDir::temp().filePath(QStringLiteral("Quorvel-XXXXXX")));
    Application::definirChemins(Application::cheminsDans(donnees.path()));

    QTranslator traduction;
    if (traduction.load(QStringLiteral("qt_fr"), QStringLiteral(":outils")))
        QApplication::installTranslator(&traduction);
    QApplication::setStyle(new MyStyle);

    RepondeurCaptures repondeur;
    Invite::installer(&repondeur);

    QString erreur;
    if (!Schema::ouvrirBaseParDefaut(Application::chemins().courante, &erreur) || !poserEcole()) {
        std::fprintf(stderr, "captures : école d'exemple non posée %s\n", qPrintable(erreur));
        return 1;
    }

    bool drapeauArret = false;
    {
        MainWindow fenetre;
        capturerFenetres(fenetre, repondeur);
        capturerDialogues(fenetre, repondeur, drapeauArret);
        imprimerLivrets();
        fenetre.hide();
    }
    Invite::installer(nullptr);

    std::fprintf(stderr, "captures : %d images écrites, %d problèmes, %d alertes d'apparence\n", ecrites,
                 erreurs, alertes);
    return erreurs == 0 ? 0 : 1;
}
