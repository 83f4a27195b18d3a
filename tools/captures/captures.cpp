// SPDX-License-Identifier: GPL-3.0-or-later
// Captures d'écran de toutes les fenêtres et de tous les dialogues de Quorvel.
//
// Le programme pose, dans un dossier de données neuf et avec les réglages en mode essai de la
// boîte à outils, l'école d'exemple de la tournée (tournee.h), puis il ouvre chaque fenêtre
// dans un état parlant et en écrit l'image PNG, nommée d'après sa classe en minuscules, dans
// le dossier donné en argument.
//
// Il se lance sous un serveur X virtuel par scripts/captures ; QT_SCALE_FACTOR est suivi.
// Les dialogues modaux du programme sont montrés sans exec() ; les questions qui passent par
// Invite reçoivent des réponses préparées, et celles qu'on veut voir sont dessinées telles que
// le vrai répondeur les montrerait.

#include "tournee.h"

#include "core/commun/application.h"
#include "core/db/requetes.h"
#include "core/db/schema.h"
#include "core/print/optionsimpression.h"
#include "core/print/pages.h"
#include "core/print/tirage.h"
#include "core/settings/parametres.h"
#include "gui/commun/invite.h"
#include "gui/commun/mystyle.h"
#include "gui/entry/mdibase.h"
#include "gui/mainwindow/mainwindow.h"
#include "gui/mainwindow/mymdiarea.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QInputDialog>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QPrinter>
#include <QSettings>
#include <QSqlQuery>
#include <QStandardPaths>
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
// Les captures

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

// Capture d'une fenêtre de la tournée ; une fenêtre de saisie l'est agrandie.
void visiter(QWidget* fenetre, const QString& nom)
{
    if (auto* saisie = qobject_cast<MdiBase*>(fenetre))
        capturerSousFenetre(saisie, nom);
    else
        capturer(fenetre, nom);
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

    // Les deux grilles et leurs dialogues, puis les deux grilles côte à côte.
    Tournee::fenetres(fenetre, visiter, signaler);
    // Les menus, une grille active : les actions d'édition et des fenêtres sont disponibles.
    capturerMenus();

    // Une question par le passage obligé : la fermeture d'une grille modifiée ne se voit
    // pas ici ; la question « Fermer toutes les fenêtres ? » montre les boutons traduits.
    repondeur.nomCapture = QStringLiteral("message-fermertout");
    fenetre.fermerTout();
    fenetre.espaceTravail()->closeAllSubWindows();
    patienter();
}

void capturerDialogues(MainWindow& fenetre, RepondeurCaptures& repondeur)
{
    Tournee::dialogues(fenetre, visiter, signaler);

    // La demande du mot de passe, par le vrai contrôle d'accès de la fenêtre principale.
    const QString motDePasse = QStringLiteral("ecole");
    if (!Parametres::changerMotDePasse(QString(), motDePasse, motDePasse))
        signaler(QStringLiteral("mot de passe non fixé"));
    repondeur.nomCapture = QStringLiteral("motdepasse");
    repondeur.textes << motDePasse;
    if (!fenetre.accesAutorise())
        signaler(QStringLiteral("mot de passe refusé"));
    if (!Parametres::changerMotDePasse(motDePasse, QString(), QString()))
        signaler(QStringLiteral("mot de passe non retiré"));
}

// Les pages imprimées, en PDF, par le tirage du programme : le livret d'un élève à chaque
// palier (attestation et toutes les compétences, en couleur, A4 portrait), le livret A5 du
// palier 2 en brochure, et deux attestations A5 sur une feuille paysage.
void imprimerLivrets()
{
    OptionsImpression options;
    options.grey = false;
    options.compAll = true;
    options.withAttestation = true;
    options.teacher = QStringLiteral("Mme Lefèvre");
    options.language = QStringLiteral("anglais");
    const QString ecole = Requetes::ecole().valeurOu({}).ecole;

    const auto identifiant = [](const QString& sql, const QVariantList& valeurs) {
        QSqlQuery requete;
        requete.prepare(sql);
        for (const QVariant& valeur : valeurs)
            requete.addBindValue(valeur);
        return requete.exec() && requete.next() ? requete.value(0).toLongLong() : qint64(0);
    };
    // Les feuilles du plan, comme le tirage du programme les envoie à l'imprimante.
    const auto imprimer = [&](const QString& nom, const Tirage::Plan& plan) {
        QPrinter imprimante(QPrinter::HighResolution);
        imprimante.setOutputFormat(QPrinter::PdfFormat);
        imprimante.setOutputFileName(sortie.filePath(nom + QStringLiteral(".pdf")));
        imprimante.setFullPage(true);
        const QList<Tirage::Travail> travaux = plan.travaux();
        imprimante.setPageOrientation(!travaux.isEmpty() && travaux.first().paysage ? QPageLayout::Landscape
                                                                                    : QPageLayout::Portrait);
        QPainter peintre;
        if (!peintre.begin(&imprimante))
            return signaler(QStringLiteral("PDF non ouvert : %1").arg(nom));
        const QRect vue = Tirage::preparerPeintre(peintre);
        bool premiere = true;
        for (const Tirage::Travail& travail : travaux)
            for (const Tirage::Feuille& feuille : travail.feuilles) {
                if (!std::exchange(premiere, false))
                    imprimante.newPage();
                if (!Tirage::dessinerFeuille(peintre, vue, feuille, ecole, options))
                    signaler(QStringLiteral("page non lue : %1").arg(nom));
            }
        peintre.end();
        std::printf("%s\n", qPrintable(imprimante.outputFileName()));
    };
    const auto livret = [&](const QString& nom, qint64 palier, const QList<qint64>& eleves, bool brochure) {
        options.brochure = brochure;
        imprimer(nom,
                 Tirage::planCompetences(Tirage::construireToutesPages(palier, eleves, options).valeurOu({}),
                                         options, false));
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
    imprimer(QStringLiteral("attestations-palier2"), Tirage::planAttestations(p2, {camille, linh}, true));
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

    const Resultat<> ouverte = Schema::ouvrirBaseParDefaut(Application::chemins().courante);
    if (!ouverte || !Tournee::poserEcole(signaler)) {
        std::fprintf(stderr, "captures : école d'exemple non posée %s\n",
                     qPrintable(ouverte ? QString() : ouverte.erreur().texte));
        return 1;
    }

    {
        MainWindow fenetre;
        capturerFenetres(fenetre, repondeur);
        capturerDialogues(fenetre, repondeur);
        imprimerLivrets();
        fenetre.hide();
    }
    Invite::installer(nullptr);

    std::fprintf(stderr, "captures : %d images écrites, %d problèmes, %d alertes d'apparence\n", ecrites,
                 erreurs, alertes);
    return erreurs == 0 ? 0 : 1;
}
