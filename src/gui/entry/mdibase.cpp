// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/entry/mdibase.h"

#include "core/commun/application.h"
#include "core/commun/dates.h"
#include "core/db/requetes.h"
#include "core/entry/notes.h"
#include "gui/commun/diawait.h"
#include "gui/commun/grilles.h"
#include "gui/commun/invite.h"
#include "gui/commun/messages.h"
#include "gui/entry/diafiltreniveau.h"
#include "gui/entry/hotesaisie.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDate>
#include <QHeaderView>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QScopeGuard>
#include <QSet>
#include <QShortcut>
#include <QStyle>
#include <QTableWidget>

namespace {
QRect zoneDe(const QTableWidgetSelectionRange& plage)
{
    return QRect(QPoint(plage.leftColumn(), plage.topRow()), QPoint(plage.rightColumn(), plage.bottomRow()));
}

// Les fenêtres de saisie ouvertes, dans l'ordre de leur ouverture : deux d'entre elles peuvent
// montrer la même grille, et une question doit dire de laquelle il s'agit.
QList<const MdiBase*>& fenetresOuvertes()
{
    static QList<const MdiBase*> fenetres;
    return fenetres;
}
} // namespace

MdiBase::MdiBase(HoteSaisie& hote, QWidget* parent) : QMainWindow(parent), fenetrePrincipale(hote)
{
    cleJournal = JournalSaisies::Ecrivain::instance().inscrire([this] { return partJournal(); });
    fenetresOuvertes().append(this);
}

MdiBase::~MdiBase()
{
    fenetresOuvertes().removeAll(this);
    JournalSaisies::Ecrivain::instance().oublier(cleJournal);
    delete attente;
}

namespace {

// En-tête des lignes d'une grille : sa largeur est fixe et c'est le style qui agrandit chaque
// ligne à la hauteur de son libellé en le dessinant. La taille « d'après le contenu » n'a donc
// besoin que d'une ligne de texte ; la mesurer sur tout le libellé, à chaque agrandissement et
// pour chaque ligne, coûtait plus que tout le reste de l'affichage.
class EnteteLignes : public QHeaderView
{
public:
    explicit EnteteLignes(QWidget* parent) : QHeaderView(Qt::Vertical, parent) {}

protected:
    QSize sectionSizeFromContents(int) const override
    {
        const int marge = style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, this);
        return {width(), fontMetrics().height() + 2 * marge};
    }
};

} // namespace

void MdiBase::installerGrille(const Grille& grille)
{
    boutons = grille;
    table = grille.table;
    champDate = grille.edDate;
    auto* entete = new EnteteLignes(table);
    // Comme l'en-tête d'origine : un clic sur l'intitulé d'une ligne la sélectionne.
    entete->setSectionsClickable(true);
    entete->setHighlightSections(true);
    table->setVerticalHeader(entete);

    setWindowFlag(Qt::WindowContextHelpButtonHint, true);
    setAttribute(Qt::WA_DeleteOnClose);
    table->horizontalHeader()->setVisible(true);
    table->verticalHeader()->setVisible(true);

    // L'état des actions suit ce qui le change : la grille (chaque modification passe par
    // empilerPas, undo, yank, le chargement et l'enregistrement), le presse-papiers, et
    // l'activation de la sous-fenêtre (la fenêtre principale l'appelle alors).
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &MdiBase::actualiserActions);

    connect(table, &QTableWidget::itemChanged, this, &MdiBase::itemChanged);
    connect(table, &QTableWidget::currentItemChanged, this, &MdiBase::curentItemChanged);
    connect(champDate, &QLineEdit::editingFinished, this, &MdiBase::edDateEditingFinished);
    table->setWordWrap(true);
    table->setContextMenuPolicy(Qt::ActionsContextMenu);
    table->addActions(grille.actionsMenu);
    champDate->setText(Dates::afficher(QDate::currentDate()));

    // Au clavier : Tab passe d'un contrôle à l'autre sans parcourir les cases une à une (les
    // flèches s'en chargent) ; les raccourcis valent quand le focus est dans cette fenêtre,
    // pour que deux grilles ouvertes ne se les disputent pas.
    table->setTabKeyNavigation(false);
    const auto raccourci = [this](const QKeySequence& touches, auto action) {
        auto* r = new QShortcut(touches, this);
        r->setContext(Qt::WidgetWithChildrenShortcut);
        connect(r, &QShortcut::activated, this, action);
    };
    raccourci(QKeySequence::Save, [this] {
        // La date encore dans l'éditeur compte, comme pour le bouton.
        validerSaisieEnCours();
        if (modifie)
            enregistrer();
    });
    raccourci(QKeySequence(Qt::Key_F5), [this] {
        if (boutons.btAfficher && boutons.btAfficher->isEnabled())
            boutons.btAfficher->click();
    });
    // Les boutons de la barre de titre (réduire, agrandir, fermer) n'ont pas de focus : leur
    // menu s'ouvre au clavier comme dans les programmes à plusieurs documents de Windows.
    raccourci(QKeySequence(Qt::ALT | Qt::Key_Minus), [this] {
        if (auto* cadre = qobject_cast<QMdiSubWindow*>(parentWidget()))
            cadre->showSystemMenu();
    });
    if (grille.cbClasses)
        grille.cbClasses->setFocus();

    garde = true;
    celluleCourante = nullptr;
    retablissements.clear();
    annulations.clear();
}

bool MdiBase::estLigneDate(int) const
{
    return true;
}

int MdiBase::ligneCollee(int haut, int rang) const
{
    return haut + rang;
}

int MdiBase::lignesCouvertes(int lignes) const
{
    return lignes;
}

bool MdiBase::blocTient(int haut, int nombre) const
{
    return haut + nombre <= table->rowCount();
}

void MdiBase::laisserVivre()
{
    Application::laisserVivre();
}

// ---------------------------------------------------------------------------
// Écriture d'une cellule et saisie de l'utilisateur

void MdiBase::ecrireCellule(QTableWidgetItem* cellule, const QString& texte, Annulation* annulation)
{
    if (occupe() || !cellule)
        return;
    if (annulation)
        annulation->textes.append(cellule->text());
    Grilles::ecrireDate(cellule, texte);
    Grilles::signalerAVerifier(cellule, naissanceColonne(cellule->column()));
    // Une case récrite n'est plus celle qu'a remise la reprise ; le journal la reprend bientôt.
    if (cellule->data(Grilles::ROLE_REPRISE).isValid())
        cellule->setData(Grilles::ROLE_REPRISE, QVariant());
    abandonnee = false;
    JournalSaisies::Ecrivain::instance().signaler();
}

QDate MdiBase::naissanceColonne(int colonne) const
{
    const QTableWidgetItem* entete = table->horizontalHeaderItem(colonne);
    return entete ? entete->data(Grilles::ROLE_NAISSANCE).toDate() : QDate();
}

void MdiBase::curentItemChanged(QTableWidgetItem* courante, QTableWidgetItem*)
{
    if (occupe())
        return;
    celluleCourante = courante;
    texteCourant = courante ? courante->text() : QString();
}

void MdiBase::itemChanged(QTableWidgetItem* cellule)
{
    if (occupe() || garde || !cellule)
        return;
    const QString texte = cellule->text();
    garde = true;
    ecrireCellule(cellule, texte);
    modifie = true;
    if (cellule == celluleCourante) {
        // Une saisie de l'utilisateur (et non une écriture du programme) : un pas à défaire.
        empilerPas({{QRect(cellule->column(), cellule->row(), 1, 1), {texteCourant}}});
    }
    celluleCourante = cellule;
    texteCourant = cellule->text();
    garde = false;
    actualiserActions();
}

// ---------------------------------------------------------------------------
// Presse-papiers, effacement, défaire, refaire, propagation

void MdiBase::copier()
{
    if (occupe() || !table || table->selectedRanges().isEmpty())
        return;
    if (Grilles::refuserSelectionMultiple(this, table, Grilles::Presse::Copier))
        return;
    const QString texte = Grilles::texteCopie(table, table->selectedRanges().first(),
                                              [this](int ligne) { return estLigneDate(ligne); });
    QGuiApplication::clipboard()->setText(texte);
}

void MdiBase::couper()
{
    if (occupe() || !table)
        return;
    if (Grilles::refuserSelectionMultiple(this, table, Grilles::Presse::Couper))
        return;
    copier();
    effacer();
}

void MdiBase::effacer()
{
    if (occupe() || !table || table->selectedRanges().isEmpty())
        return;
    reecrirePlages([](const QTableWidgetItem*) { return QString(); });
}

void MdiBase::empilerPas(const Pas& pas)
{
    annulations.append(pas);
    retablissements.clear();
    modifie = true;
    actualiserActions();
}

void MdiBase::reecrirePlages(const std::function<QString(const QTableWidgetItem*)>& nouveauTexte)
{
    garde = true;
    Pas pas;
    for (const QTableWidgetSelectionRange& plage : table->selectedRanges()) {
        Annulation annulation{zoneDe(plage), {}};
        for (int ligne = plage.topRow(); ligne <= plage.bottomRow(); ++ligne) {
            if (!estLigneDate(ligne))
                continue;
            for (int colonne = plage.leftColumn(); colonne <= plage.rightColumn(); ++colonne) {
                QTableWidgetItem* cellule = table->item(ligne, colonne);
                if (cellule)
                    ecrireCellule(cellule, nouveauTexte(cellule), &annulation);
            }
        }
        pas.append(annulation);
    }
    empilerPas(pas);
    garde = false;
}

QList<QTableWidgetItem*> MdiBase::cellulesDateSelectionnees() const
{
    QList<QTableWidgetItem*> cellules;
    QSet<const QTableWidgetItem*> vues; // des plages peuvent se chevaucher
    for (const QTableWidgetSelectionRange& plage : table->selectedRanges())
        for (int ligne = plage.topRow(); ligne <= plage.bottomRow(); ++ligne) {
            if (!estLigneDate(ligne))
                continue;
            for (int colonne = plage.leftColumn(); colonne <= plage.rightColumn(); ++colonne) {
                QTableWidgetItem* cellule = table->item(ligne, colonne);
                if (cellule && !vues.contains(cellule)) {
                    vues.insert(cellule);
                    cellules.append(cellule);
                }
            }
        }
    return cellules;
}

void MdiBase::coller()
{
    if (occupe() || !table || table->selectedRanges().isEmpty())
        return;
    if (Grilles::refuserSelectionMultiple(this, table, Grilles::Presse::Coller))
        return;
    garde = true;
    const auto baisserGarde = qScopeGuard([this] { garde = false; });

    const QTableWidgetSelectionRange plage = table->selectedRanges().first();
    const int haut = plage.topRow();
    const int gauche = plage.leftColumn();
    const QStringList lignes = Grilles::lignesCollees(QGuiApplication::clipboard()->text());
    if (lignes.isEmpty())
        return;

    const int largeur = int(lignes.first().count(QLatin1Char('\t'))) + 1;
    const int nombre = int(lignes.size());
    const bool uneCellule = plage.rowCount() * plage.columnCount() == 1;
    const bool memeHauteur = lignesCouvertes(plage.rowCount()) == nombre;
    const bool tientEnLignes = blocTient(haut, nombre);
    const bool permis = (uneCellule || (memeHauteur && plage.columnCount() == largeur)) &&
                        gauche + largeur <= table->columnCount() && tientEnLignes;
    if (!permis) {
        Invite::information(
            this, tr("Coller"),
            tr("Impossible de coller car la plage sélectionnée n'a pas la même taille que celle "
               "dans le presse-papier."),
            QMessageBox::Ok);
        return;
    }

    const int bas = ligneCollee(haut, nombre - 1);
    Annulation annulation{QRect(QPoint(gauche, haut), QPoint(gauche + largeur - 1, bas)), {}};
    for (int i = 0; i < nombre; ++i) {
        const int ligne = ligneCollee(haut, i);
        if (ligne >= table->rowCount())
            continue;
        QStringList champs = Grilles::champsColles(lignes.at(i));
        while (champs.size() < largeur)
            champs.append(QString());
        for (int j = 0; j < largeur; ++j) {
            QTableWidgetItem* cellule = table->item(ligne, gauche + j);
            if (gauche + j >= table->columnCount() || !cellule)
                continue;
            ecrireCellule(cellule, champs.at(j), &annulation);
        }
    }
    empilerPas({annulation});
}

void MdiBase::ecrireZone(const Annulation& source, Annulation& remplaces)
{
    int index = 0;
    const int bas = std::min(source.zone.bottom(), table->rowCount() - 1);
    const int droite = std::min(source.zone.right(), table->columnCount() - 1);
    for (int ligne = source.zone.top(); ligne <= bas && index < source.textes.size(); ++ligne) {
        if (!estLigneDate(ligne))
            continue;
        for (int colonne = source.zone.left(); colonne <= droite && index < source.textes.size(); ++colonne) {
            QTableWidgetItem* cellule = table->item(ligne, colonne);
            if (cellule)
                ecrireCellule(cellule, source.textes.at(index++), &remplaces);
        }
    }
}

void MdiBase::undo()
{
    if (occupe() || !table || annulations.isEmpty())
        return;
    garde = true;
    // Les zones d'un pas sont rétablies de la dernière à la première : là où des plages se
    // chevauchent, c'est le texte d'avant le pas qui revient.
    const Pas pas = annulations.takeLast();
    Pas defait;
    for (auto zone = pas.crbegin(); zone != pas.crend(); ++zone) {
        Annulation remplaces{zone->zone, {}};
        ecrireZone(*zone, remplaces);
        defait.prepend(remplaces);
    }
    retablissements.append(defait);
    garde = false;
    modifie = true;
    actualiserActions();
}

void MdiBase::yank()
{
    if (occupe() || !table || retablissements.isEmpty())
        return;
    garde = true;
    const Pas pas = retablissements.takeLast();
    Pas refait;
    for (const Annulation& zone : pas) {
        Annulation remplaces{zone.zone, {}};
        ecrireZone(zone, remplaces);
        refait.append(remplaces);
    }
    annulations.append(refait); // sans vider ce qui reste à refaire
    garde = false;
    modifie = true;
    actualiserActions();
}

void MdiBase::propager()
{
    if (occupe() || !table)
        return;
    QString date = champDate->text().trimmed();
    if (date.isEmpty())
        return;
    if (!Dates::normaliser(date)) {
        Invite::avertissement(this, tr("Erreur"), tr("Format de date incorrect."));
        return;
    }
    const QList<QTableWidgetItem*> cellules = cellulesDateSelectionnees();
    if (cellules.isEmpty()) {
        Invite::information(this, tr("Propagation de la date"), texteRienSelectionne());
        return;
    }
    const auto vides = std::count_if(cellules.cbegin(), cellules.cend(), [](const QTableWidgetItem* cellule) {
        return cellule->text().isEmpty();
    });
    if (vides == 0) {
        Invite::information(this, tr("Propagation de la date"),
                            tr("Toutes les cases sélectionnées ont déjà une date : aucune n'a été remplie."));
        return;
    }
    // Seules les cellules vides reçoivent la date ; les autres gardent leur texte, normalisé
    // et marqué à nouveau.
    reecrirePlages([&date](const QTableWidgetItem* cellule) {
        return cellule->text().isEmpty() ? date : cellule->text();
    });
    annoncer(vides == 1 ? tr("Date propagée dans 1 case.") : tr("Date propagée dans %1 cases.").arg(vides));
}

QString MdiBase::texteRienSelectionne() const
{
    return tr("Aucune case n'est sélectionnée : rien n'a été rempli.\n"
              "Sélectionnez les cases à remplir (un clic sur le nom d'un élève ou sur l'intitulé d'une ligne "
              "les sélectionne toutes), puis recommencez.");
}

void MdiBase::edDateEditingFinished()
{
    if (occupe() || !champDate)
        return;
    QString texte = champDate->text().trimmed();
    Dates::normaliser(texte);
    champDate->setText(texte);
}

// ---------------------------------------------------------------------------
// État des actions, questions, chargement

bool MdiBase::estActive() const
{
    QMdiSubWindow* active = fenetrePrincipale.sousFenetreActive();
    return active && active->widget() == this;
}

void MdiBase::actualiserActions()
{
    if (occupe())
        return;
    const bool collable = !QGuiApplication::clipboard()->text().isEmpty();
    const bool defaisable = !annulations.isEmpty();
    // « Refaire » n'est actif qu'après « Défaire », jusqu'à la modification suivante.
    const bool refaisable = avecRefaire() && !retablissements.isEmpty();
    if (boutons.btColler)
        boutons.btColler->setEnabled(collable);
    for (QAbstractButton* bouton : {boutons.btUndo, boutons.btYank, boutons.btEnregistrer})
        if (bouton)
            bouton->setEnabled(bouton == boutons.btEnregistrer ? modifie
                               : bouton == boutons.btUndo      ? defaisable
                                                               : refaisable);
    if (boutons.acUndo)
        boutons.acUndo->setEnabled(defaisable);
    if (boutons.acYank)
        boutons.acYank->setEnabled(refaisable);
    if (!estActive())
        return;
    fenetrePrincipale.actionColler()->setEnabled(collable);
    fenetrePrincipale.actionUndo()->setEnabled(defaisable);
    fenetrePrincipale.actionYank()->setEnabled(refaisable);
    for (QAction* action : {fenetrePrincipale.actionCopier(), fenetrePrincipale.actionCouper(),
                            fenetrePrincipale.actionEffacer()})
        action->setEnabled(true);
}

void MdiBase::validerSaisieEnCours()
{
    if (table && !occupe())
        Grilles::validerEdition(table);
}

bool MdiBase::accepterFermeture()
{
    if (occupe())
        return false;
    // La case de fermeture ne retire pas le focus à l'éditeur : sans cela, une date tapée sans
    // Entrée serait perdue sans question.
    validerSaisieEnCours();
    return !modifie ||
           Invite::continuerApresQuestion(
               this, tr("Fermeture"),
               tr("Voulez-vous enregistrer les modifications de la grille %1 avant de la fermer ?")
                   .arg(nomGrille()),
               [this] { return enregistrer(); });
}

bool MdiBase::enregistrerAvantImpression(const QString& texte)
{
    if (occupe())
        return true;
    validerSaisieEnCours();
    if (!modifie)
        return true;
    return Invite::continuerApresQuestion(this, tr("Enregistrer les modifications"), texte.arg(nomGrille()),
                                          [this] { return enregistrer(); });
}

void MdiBase::closeEvent(QCloseEvent* evenement)
{
    if (occupe()) {
        evenement->ignore();
        return;
    }
    if (!fermetureAccordee && !accepterFermeture()) {
        evenement->ignore();
        return;
    }
    evenement->accept();
    // Enregistrée ou abandonnée : sa part quitte le journal des saisies. Après une fin de
    // session, ce qui y a été laissé y reste.
    JournalSaisies::Ecrivain& journal = JournalSaisies::Ecrivain::instance();
    if (!journal.estSuspendu())
        journal.retirer(cleJournal);
}

bool MdiBase::confirmerRechargement()
{
    validerSaisieEnCours();
    return !modifie || Invite::continuerApresQuestion(
                           this, tr("Enregistrer les modifications"),
                           tr("Voulez-vous enregistrer les modifications de la grille %1 ?").arg(nomGrille()),
                           [this] { return enregistrer(); });
}

void MdiBase::commencerChargement(const QString& message)
{
    garde = true;
    attente = new diaWait(this);
    attente->preparer(false, message);
    attente->show();
    Application::commencerTravail();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // La grille n'est pas redessinée pendant sa construction : seule l'attente s'anime.
    table->setUpdatesEnabled(false);
    table->clear();
    table->setRowCount(0);
    table->setColumnCount(0);
}

void MdiBase::terminerChargement(const Resultat<>& construction)
{
    if (!construction) {
        table->clear();
        table->setRowCount(0);
        table->setColumnCount(0);
    }
    table->setUpdatesEnabled(true);
    table->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                           QAbstractItemView::AnyKeyPressed);
    garde = false;
    annulations.clear();
    celluleCourante = nullptr;
    texteCourant.clear();
    retablissements.clear();
    modifie = false;
    abandonnee = false;
    // Les noms des élèves et les références des nœuds nomment les cases dans le journal.
    QList<qint64> eleves;
    for (int colonne = 0; colonne < table->columnCount(); ++colonne)
        eleves.append(eleveColonne(colonne));
    QList<qint64> noeuds;
    for (int ligne = 0; ligne < table->rowCount(); ++ligne)
        if (estLigneDate(ligne))
            noeuds.append(noeudLigne(ligne));
    // La grille vient d'être lue : une base devenue illisible entre-temps laisse les cases sans nom
    // dans le journal (elles ne reviendraient pas après un arrêt).
    identites = JournalSaisies::identites(eleves, noeuds).valeurOu({});
    JournalSaisies::Ecrivain::instance().signaler();
    // Là où l'attente a pris la main, la fenêtre la reprend ; le focus va dans la grille,
    // prête à recevoir les dates au clavier.
    const bool reprendre = QApplication::activeWindow() == attente;
    delete attente;
    attente = nullptr;
    if (reprendre)
        window()->activateWindow();
    if (table->rowCount() > 0 && table->columnCount() > 0) {
        // La frappe et les flèches partent de la première case de date (dans la fenêtre des
        // paliers, les lignes du dessus ne se sélectionnent pas).
        for (int ligne = 0; ligne < table->rowCount() && !table->currentItem(); ++ligne)
            if (estLigneDate(ligne))
                table->setCurrentCell(ligne, 0);
        table->setFocus(Qt::OtherFocusReason);
    }
    actualiserActions();
    if (!construction)
        Messages::lectureImpossible(this, construction.erreur());
}

bool MdiBase::remplirClassesEtPaliers(QComboBox* cbClasses, QComboBox* cbPaliers)
{
    cbClasses->clear();
    cbClasses->addItem(tr("Choisissez une classe"), 0);
    cbPaliers->clear();
    cbPaliers->addItem(tr("Choisissez un palier"), 0);
    modifie = false;
    const auto classes = Messages::lu(this, Requetes::classes());
    if (!classes)
        return false;
    const auto paliers = Messages::lu(this, Requetes::paliers());
    if (!paliers)
        return false;
    for (const Entree& classe : *classes)
        cbClasses->addItem(classe.libelle, classe.id);
    for (const Noeud& palier : *paliers)
        cbPaliers->addItem(palier.libelle, palier.id);
    actualiserActions();
    return true;
}

void MdiBase::choisirNiveaux(QComboBox* cbClasses)
{
    const qint64 idClasse = cbClasses->currentData().toLongLong();
    filtreNiveau.clear();
    if (idClasse == 0) {
        Invite::avertissement(this, tr("Choix des niveaux"),
                              tr("Choisissez d'abord une classe dans la liste déroulante"));
        return;
    }
    diaFiltreNiveau dialogue(this);
    if (dialogue.charger(idClasse) && dialogue.exec() == QDialog::Accepted)
        filtreNiveau = diaFiltreNiveau::niveauxRetenus();
}

Resultat<> MdiBase::construireColonnes(qint64 idClasse, bool triParNom)
{
    const int largeur =
        table->horizontalHeader()->fontMetrics().horizontalAdvance(QStringLiteral(" XX/XX/XXXX "));
    table->horizontalHeader()->setMinimumHeight(100);
    // Toutes les colonnes d'un coup : une insertion par élève referait chaque fois la mise en
    // page de tout l'en-tête.
    Requetes::FiltreEleves filtre;
    filtre.niveaux = filtreNiveau;
    filtre.parNiveau = !triParNom;
    const Resultat<QList<Eleve>> lus = Requetes::elevesClasse(idClasse, filtre);
    if (!lus)
        return lus.erreur();
    const QList<Eleve>& eleves = *lus;
    table->setColumnCount(int(eleves.size()));
    for (int colonne = 0; colonne < table->columnCount(); ++colonne) {
        const Eleve& eleve = eleves[colonne];
        auto* entete = new QTableWidgetItem(eleve.nom + QLatin1Char(' ') + eleve.prenom + QLatin1Char('\n') +
                                            eleve.niveau);
        // Ce que dit un lecteur d'écran en entrant dans la colonne.
        entete->setData(Qt::AccessibleTextRole, tr("%1 %2, %3").arg(eleve.nom, eleve.prenom, eleve.niveau));
        entete->setData(Qt::UserRole, eleve.id);
        entete->setData(Grilles::ROLE_NAISSANCE, eleve.naissance.value_or(QDate()));
        entete->setTextAlignment(Qt::AlignBaseline);
        table->setHorizontalHeaderItem(colonne, entete);
        table->setColumnWidth(colonne, largeur);
        laisserVivre();
    }
    return {};
}

qint64 MdiBase::eleveColonne(int colonne) const
{
    const QTableWidgetItem* entete = table->horizontalHeaderItem(colonne);
    return entete ? entete->data(Qt::UserRole).toLongLong() : 0;
}

qint64 MdiBase::noeudLigne(int ligne) const
{
    const QTableWidgetItem* entete = table->verticalHeaderItem(ligne);
    return entete ? entete->data(Qt::UserRole).toLongLong() : 0;
}

QTableWidgetItem* MdiBase::nouvelleCelluleDate(const QString& texte)
{
    return new Grilles::CelluleDate(texte);
}

QTableWidgetItem* MdiBase::premiereCellule(const std::function<bool(const QTableWidgetItem*)>& critere) const
{
    for (int ligne = 0; ligne < table->rowCount(); ++ligne) {
        if (!estLigneDate(ligne))
            continue;
        for (int colonne = 0; colonne < table->columnCount(); ++colonne)
            if (QTableWidgetItem* cellule = table->item(ligne, colonne); cellule && critere(cellule))
                return cellule;
    }
    return nullptr;
}

void MdiBase::allerA(QTableWidgetItem* cellule)
{
    table->setCurrentItem(cellule);
    table->scrollToItem(cellule);
    table->setFocus();
}

bool MdiBase::controlerAvantEnregistrement()
{
    validerSaisieEnCours();
    table->setCurrentItem(nullptr);
    // Avec une vingtaine de colonnes, la cellule fautive est souvent hors de la vue : elle
    // devient la courante.
    if (QTableWidgetItem* invalide = premiereCellule(&Grilles::dateInvalide)) {
        Invite::avertissement(this, tr("Dates incorrectes"),
                              tr("Impossible d'enregistrer car certaines dates sont incorrectes."));
        allerA(invalide);
        return false;
    }
    // Les dates lues telles qu'elles sont tapées peuvent en donner une autre que celle voulue
    // (« 2/9/27 » pour 1927) : une seule question pour toute la grille, sur les seules dates
    // saisies, collées ou propagées depuis le dernier enregistrement. Une date gardée
    // invraisemblable, déjà acceptée, reste marquée à l'écran sans être redemandée.
    QList<QTableWidgetItem*> aVerifier;
    for (QTableWidgetItem* cellule : cellulesChangees())
        if (Grilles::dateAVerifier(cellule))
            aVerifier.append(cellule);
    if (aVerifier.isEmpty())
        return true;
    QTableWidgetItem* premiere = aVerifier.constFirst();
    const QString ou = tr("le %1, pour %2, %3")
                           .arg(premiere->text(), eleveNomme(premiere->column()), nomLigne(premiere->row()));
    const QString raisons = Grilles::raisonsAVerifier(Dates::saisie(premiere->text()).value_or(QDate()),
                                                      naissanceColonne(premiere->column()))
                                .join(QLatin1Char(' '));
    const QString texte =
        (aVerifier.size() == 1
             ? tr("Une date saisie depuis le dernier enregistrement est invraisemblable : %1.\n%2\nElle est "
                  "écrite en orange (le pointeur posé sur la case dit pourquoi).")
                   .arg(ou, raisons)
             : tr("%1 dates saisies depuis le dernier enregistrement sont invraisemblables. La première : "
                  "%2.\n%3\nElles sont écrites en orange (le pointeur posé sur une case dit pourquoi).")
                   .arg(aVerifier.size())
                   .arg(ou, raisons)) +
        (aVerifier.size() == 1
             ? tr("\n\nOui : l'enregistrer quand même.\nNon : y revenir pour la corriger.")
             : tr("\n\nOui : les enregistrer quand même.\nNon : aller à la première pour la "
                  "corriger."));
    if (Invite::question(this, tr("Dates à vérifier"), texte) == QMessageBox::Yes)
        return true;
    allerA(premiere);
    return false;
}

QString MdiBase::eleveNomme(int colonne) const
{
    const QTableWidgetItem* entete = table->horizontalHeaderItem(colonne);
    return entete ? entete->text().section(QLatin1Char('\n'), 0, 0) : QString();
}

QString MdiBase::nomLigne(int ligne) const
{
    const QTableWidgetItem* entete = table->verticalHeaderItem(ligne);
    return tr("item « %1 »").arg(entete ? entete->data(Qt::AccessibleTextRole).toString() : QString());
}

bool MdiBase::enregistrerCellules(const QList<QTableWidgetItem*>& cellules,
                                  const QList<Notes::Cellule>& valeurs)
{
    const Resultat<Notes::Bilan> ecrit = Notes::enregistrer(valeurs);
    if (!ecrit && ecrit.erreur().raison == Raison::DateInvalide) {
        Invite::avertissement(this, tr("Dates incorrectes"),
                              tr("Impossible d'enregistrer car certaines dates sont incorrectes."));
        if (QTableWidgetItem* cellule = cellules.value(int(ecrit.erreur().ligne) - 1))
            allerA(cellule);
        return false;
    }
    if (!ecrit) {
        Invite::critique(
            this, tr("Enregistrement impossible"),
            tr("Les dates n'ont pas pu être enregistrées : la base de données a refusé l'écriture "
               "(disque plein, fichier en lecture seule ou utilisé par un autre programme).\n\n"
               "Rien n'a été perdu : vos saisies sont toujours dans la grille. Libérez de la place "
               "sur le disque ou fermez l'autre programme, puis cliquez de nouveau sur "
               "« Enregistrer »."));
        return false;
    }
    const Notes::Bilan& bilan = *ecrit;
    marquerEnregistre();
    QString message;
    if (bilan.ecrites == 0 && bilan.effacees == 0)
        message = tr("Grille enregistrée : aucune date n'a changé.");
    else if (bilan.effacees == 0)
        message = bilan.ecrites == 1 ? tr("Grille enregistrée : 1 date écrite.")
                                     : tr("Grille enregistrée : %1 dates écrites.").arg(bilan.ecrites);
    else
        message =
            (bilan.ecrites == 1 ? tr("Grille enregistrée : 1 date écrite, ")
                                : tr("Grille enregistrée : %1 dates écrites, ").arg(bilan.ecrites)) +
            (bilan.effacees == 1 ? tr("1 date effacée.") : tr("%1 dates effacées.").arg(bilan.effacees));
    annoncer(message);
    return true;
}

void MdiBase::marquerEnregistre()
{
    QList<QTableWidgetItem*> cellules;
    for (int ligne = 0; ligne < table->rowCount(); ++ligne)
        for (int colonne = 0; estLigneDate(ligne) && colonne < table->columnCount(); ++colonne)
            if (QTableWidgetItem* cellule = table->item(ligne, colonne))
                cellules.append(cellule);
    noterEnregistrees(cellules);
    modifie = false;
    annulations.clear();
    retablissements.clear();
    actualiserActions();
    JournalSaisies::Ecrivain::instance().signaler();
}

void MdiBase::noterEnregistrees(const QList<QTableWidgetItem*>& cellules)
{
    const bool gardee = garde;
    garde = true;
    for (QTableWidgetItem* cellule : cellules) {
        if (cellule->data(Grilles::ROLE_ENREGISTRE).toString() != cellule->text())
            cellule->setData(Grilles::ROLE_ENREGISTRE, cellule->text());
        if (cellule->data(Grilles::ROLE_REPRISE).isValid())
            cellule->setData(Grilles::ROLE_REPRISE, QVariant());
    }
    garde = gardee;
}

// ---------------------------------------------------------------------------
// Journal des saisies, fin de session et reprise après un arrêt imprévu

QString MdiBase::nommer(const JournalSaisies::Grille& grille)
{
    // Le palier nomme aussi une compétence : « Compétence 1 » est dans les deux paliers.
    return grille.sorte == JournalSaisies::Sorte::Palier
               ? tr("%1, attestations du palier « %2 »").arg(grille.classe, grille.palier)
               : tr("%1, %2, compétence « %3 »").arg(grille.classe, grille.palier, grille.competence);
}

QString MdiBase::nomGrille() const
{
    const QString nom = nommer(grilleChargee);
    int rang = 0;
    int memes = 0;
    for (const MdiBase* fenetre : std::as_const(fenetresOuvertes())) {
        if (nommer(fenetre->grilleChargee) != nom)
            continue;
        ++memes;
        if (fenetre == this)
            rang = memes;
    }
    return memes > 1 ? tr("%1 (fenêtre %2 sur %3)").arg(nom).arg(rang).arg(memes) : nom;
}

void MdiBase::decrireGrille(const QComboBox* cbClasses, const QComboBox* cbPaliers,
                            const QComboBox* cbCompetences, bool triParNom)
{
    JournalSaisies::Grille grille;
    grille.sorte = cbCompetences ? JournalSaisies::Sorte::Competences : JournalSaisies::Sorte::Palier;
    grille.idClasse = cbClasses->currentData().toLongLong();
    grille.classe = cbClasses->currentText();
    grille.idPalier = cbPaliers->currentData().toLongLong();
    grille.palier = cbPaliers->currentText();
    if (cbCompetences) {
        grille.idCompetence = cbCompetences->currentData().toLongLong();
        grille.competence = cbCompetences->currentText();
    }
    grille.triParNom = triParNom;
    grille.niveaux = filtreNiveau;
    grilleChargee = grille;
}

bool MdiBase::choisirComme(const JournalSaisies::Grille& grille, QComboBox* cbClasses, QComboBox* cbPaliers,
                           QComboBox* cbTri)
{
    const int classe = cbClasses->findData(grille.idClasse);
    const int palier = cbPaliers->findData(grille.idPalier);
    if (classe <= 0 || palier <= 0)
        return false;
    cbClasses->setCurrentIndex(classe); // vide le filtre de niveau
    cbPaliers->setCurrentIndex(palier);
    cbTri->setCurrentIndex(grille.triParNom ? 1 : 0);
    filtreNiveau = grille.niveaux;
    return true;
}

bool MdiBase::rouvrir(const JournalSaisies::Grille&)
{
    return false;
}

QList<QTableWidgetItem*> MdiBase::cellulesChangees() const
{
    QList<QTableWidgetItem*> cellules;
    if (!table || !modifie)
        return cellules;
    for (int ligne = 0; ligne < table->rowCount(); ++ligne)
        for (int colonne = 0; estLigneDate(ligne) && colonne < table->columnCount(); ++colonne)
            if (QTableWidgetItem* cellule = table->item(ligne, colonne); Grilles::celluleChangee(cellule))
                cellules.append(cellule);
    return cellules;
}

std::optional<JournalSaisies::Grille> MdiBase::partJournal() const
{
    if (occupe())
        return std::nullopt;
    JournalSaisies::Grille part = grilleChargee;
    if (abandonnee)
        return part;
    for (const QTableWidgetItem* cellule : cellulesChangees()) {
        const qint64 eleve = eleveColonne(cellule->column());
        const qint64 noeud = noeudLigne(cellule->row());
        if (eleve == 0 || noeud == 0)
            continue;
        const auto [nom, prenom] = identites.eleves.value(eleve);
        part.cases.append({eleve, nom, prenom, noeud, identites.refs.value(noeud), cellule->text()});
    }
    return part;
}

bool MdiBase::accepterFinSession()
{
    if (occupe())
        return true; // en construction : sa dernière part reste au journal
    validerSaisieEnCours();
    if (!modifie)
        return true;
    bool abandon = true;
    const bool continuer = Invite::continuerApresQuestion(
        this, tr("Fin de la session"),
        tr("La session de l'ordinateur se termine, mais des dates de la grille %1 ne sont pas encore "
           "enregistrées.\n\nVoulez-vous les enregistrer ?\n\nOui : les enregistrer. Non : les abandonner. "
           "Annuler : ne pas terminer la session.")
            .arg(nomGrille()),
        [this, &abandon] {
            abandon = false;
            return enregistrer();
        });
    abandonnee = continuer && abandon;
    return continuer;
}

bool MdiBase::enregistrerSansQuestion()
{
    if (occupe() || !table)
        return false;
    validerSaisieEnCours();
    QList<Notes::Cellule> aEcrire;
    QList<QTableWidgetItem*> ecrites;
    bool reste = false;
    for (QTableWidgetItem* cellule : cellulesChangees()) {
        if (Grilles::dateInvalide(cellule) || Grilles::dateAVerifier(cellule)) {
            reste = true;
            continue;
        }
        aEcrire.append(
            {eleveColonne(cellule->column()), noeudLigne(cellule->row()), Dates::saisie(cellule->text())});
        ecrites.append(cellule);
    }
    if (!aEcrire.isEmpty()) {
        if (!Notes::enregistrer(aEcrire))
            return false; // tout reste au journal
        noterEnregistrees(ecrites);
    }
    modifie = reste;
    return !reste;
}

int MdiBase::remettre(const QList<JournalSaisies::Case>& cases)
{
    if (occupe() || !table)
        return 0;
    QHash<qint64, int> colonnes;
    for (int colonne = 0; colonne < table->columnCount(); ++colonne)
        colonnes.insert(eleveColonne(colonne), colonne);
    QHash<qint64, int> lignes;
    for (int ligne = 0; ligne < table->rowCount(); ++ligne)
        if (estLigneDate(ligne))
            lignes.insert(noeudLigne(ligne), ligne);
    garde = true;
    Pas pas;
    for (const JournalSaisies::Case& c : cases) {
        const int colonne = colonnes.value(c.idEleve, -1);
        const int ligne = lignes.value(c.idNoeud, -1);
        QTableWidgetItem* cellule = colonne >= 0 && ligne >= 0 ? table->item(ligne, colonne) : nullptr;
        if (!cellule)
            continue;
        Annulation annulation{QRect(colonne, ligne, 1, 1), {}};
        ecrireCellule(cellule, c.texte, &annulation);
        cellule->setData(Grilles::ROLE_REPRISE, true);
        pas.append(annulation);
    }
    if (!pas.isEmpty())
        empilerPas(pas);
    garde = false;
    return int(pas.size());
}

void MdiBase::annoncer(const QString& message)
{
    fenetrePrincipale.annoncer(message);
}
