// SPDX-License-Identifier: GPL-3.0-or-later
// Programme enfant de l'essai des saisies interrompues : la vraie fenêtre principale et ses
// vraies grilles, sans écran, sur le dossier d'essai que prépare l'exécutant
// (« executant preparer grille-competences <racine> »).
//
//   saisisseur taper <racine> <graine>   ouvre la grille de P2C1 et celle du palier 2 pour
//                                        « CM2 C », écrit l'état de départ de chaque case de date
//                                        (« i grille élève nœud texte »), puis « pret », puis tape
//                                        sans fin des dates (ou en efface, ou tape un texte qui
//                                        n'en est pas une) dans des cases tirées au hasard, comme
//                                        au clavier, et écrit chaque case tapée telle que la grille
//                                        la montre (« t grille élève nœud texte »)
//   saisisseur reprendre <racine>        démarre comme le programme, répond Oui à la reprise des
//                                        dates non enregistrées, puis écrit chaque case de date des
//                                        grilles rouvertes (« r grille élève nœud texte changée »)
//                                        et chaque message montré (« m titre|texte »)
//
// La grille 0 est celle des compétences, la grille 1 celle du palier.

#include "core/commun/application.h"
#include "core/db/schema.h"
#include "gui/commun/grilles.h"
#include "gui/commun/invite.h"
#include "gui/entry/mdibase.h"
#include "gui/entry/mdipalier.h"
#include "gui/mainwindow/mainwindow.h"
#include "gui/mainwindow/mymdiarea.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTableWidget>
#include <QTimer>

#include <cstdio>

namespace {

// Répond Oui à la première question, OK ensuite ; écrit chaque message.
class RepondeurSaisie : public RepondeurPrepare
{
protected:
    void inattendu(const QString&) override {}
    void noter(const Invite::Message& message) override
    {
        QString texte = message.texte;
        std::printf("m %s|%s\n", qPrintable(message.titre),
                    qPrintable(texte.replace('\n', QLatin1String("\\n"))));
        std::fflush(stdout);
    }
};

void ecrire(const char* genre, int grille, QTableWidget* table, int ligne, int colonne,
            const QString& suite = {})
{
    const qint64 eleve = table->horizontalHeaderItem(colonne)->data(Qt::UserRole).toLongLong();
    const qint64 noeud = table->verticalHeaderItem(ligne)->data(Qt::UserRole).toLongLong();
    std::printf("%s %d %lld %lld %s%s\n", genre, grille, eleve, noeud,
                qPrintable(table->item(ligne, colonne)->text()), qPrintable(suite));
    std::fflush(stdout);
}

bool estLigneDate(int grille, int ligne)
{
    return grille == 0 || ligne % 3 == 2;
}

QList<MdiBase*> grilles(MainWindow& fenetre)
{
    QList<MdiBase*> liste;
    for (QMdiSubWindow* sousFenetre : fenetre.espaceTravail()->subWindowList())
        if (auto* grille = qobject_cast<MdiBase*>(sousFenetre->widget()))
            liste << grille;
    return liste;
}

qint64 idRef(const QString& ref)
{
    QSqlQuery requete;
    requete.prepare(QStringLiteral("SELECT id_comp FROM competences WHERE ref=?"));
    requete.addBindValue(ref);
    return requete.exec() && requete.next() ? requete.value(0).toLongLong() : 0;
}

// Affiche « CM2 C », palier 2 (et sa première compétence) dans la dernière grille ouverte.
QTableWidget* afficher(MainWindow& fenetre)
{
    MdiBase* grille = grilles(fenetre).constLast();
    auto* classes = grille->findChild<QComboBox*>(QStringLiteral("cbClasses"));
    classes->setCurrentIndex(classes->findText(QStringLiteral("CM2 C")));
    auto* paliers = grille->findChild<QComboBox*>(QStringLiteral("cbPaliers"));
    paliers->setCurrentIndex(paliers->findData(idRef(QStringLiteral("P2"))));
    grille->findChild<QPushButton*>(QStringLiteral("btAfficher"))->click();
    return grille->findChild<QTableWidget*>(QStringLiteral("table"));
}

// Un texte comme en tape l'enseignante : surtout des dates, parfois une case effacée ou un
// texte qui n'est pas une date.
QString texteAuHasard(QRandomGenerator& hasard)
{
    const int tirage = int(hasard.bounded(100));
    if (tirage < 12)
        return QString();
    if (tirage < 18)
        return QStringLiteral("31/02/20%1").arg(10 + hasard.bounded(10));
    return QStringLiteral("%1/%2/20%3")
        .arg(1 + hasard.bounded(28))
        .arg(1 + hasard.bounded(12))
        .arg(10 + hasard.bounded(10));
}

int taper(MainWindow& fenetre, quint32 graine)
{
    fenetre.saisirDates();
    QTableWidget* tables[2];
    tables[0] = afficher(fenetre);
    fenetre.saisirPaliers();
    tables[1] = afficher(fenetre);
    for (int g = 0; g < 2; ++g)
        for (int ligne = 0; ligne < tables[g]->rowCount(); ++ligne)
            for (int colonne = 0; estLigneDate(g, ligne) && colonne < tables[g]->columnCount(); ++colonne)
                ecrire("i", g, tables[g], ligne, colonne);
    std::printf("pret\n");
    std::fflush(stdout);

    QRandomGenerator hasard(graine);
    QTimer frappe;
    QObject::connect(&frappe, &QTimer::timeout, [&] {
        const int g = int(hasard.bounded(2));
        QTableWidget* table = tables[g];
        int ligne = int(hasard.bounded(table->rowCount()));
        if (!estLigneDate(g, ligne))
            ligne = ligne / 3 * 3 + 2;
        const int colonne = int(hasard.bounded(table->columnCount()));
        // Comme au clavier : la case devient la courante, son éditeur s'ouvre, reçoit le texte
        // et se referme comme à la touche Entrée.
        fenetre.espaceTravail()->setActiveSubWindow(fenetre.espaceTravail()->subWindowList().at(g));
        table->setCurrentCell(ligne, colonne);
        table->editItem(table->item(ligne, colonne));
        auto* editeur = qobject_cast<QLineEdit*>(table->indexWidget(table->currentIndex()));
        if (!editeur)
            return;
        editeur->setText(texteAuHasard(hasard));
        Grilles::validerEdition(table);
        ecrire("t", g, table, ligne, colonne);
        frappe.setInterval(30 + int(hasard.bounded(90)));
    });
    frappe.start(50);
    return QApplication::exec();
}

int reprendre(MainWindow& fenetre)
{
    QElapsedTimer attente;
    attente.start();
    while (!fenetre.demarrageTermine() && attente.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    for (MdiBase* grille : grilles(fenetre)) {
        const int g = qobject_cast<mdiPalier*>(grille) ? 1 : 0;
        auto* table = grille->findChild<QTableWidget*>(QStringLiteral("table"));
        for (int ligne = 0; ligne < table->rowCount(); ++ligne)
            for (int colonne = 0; estLigneDate(g, ligne) && colonne < table->columnCount(); ++colonne)
                ecrire("r", g, table, ligne, colonne,
                       Grilles::celluleChangee(table->item(ligne, colonne)) ? QStringLiteral(" changée")
                                                                            : QString());
    }
    std::printf("fin\n");
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication::setOrganizationName(Application::ORGANISATION);
    QCoreApplication::setApplicationName(Application::NOM);
    QApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 3 ||
        (arguments[1] != QLatin1String("taper") && arguments[1] != QLatin1String("reprendre"))) {
        std::fprintf(stderr, "usage : saisisseur taper <racine> <graine> | reprendre <racine>\n");
        return 2;
    }
    Application::definirChemins(
        Application::cheminsDans(QDir(arguments[2]).absoluteFilePath(QStringLiteral("donnees"))));
    if (const Resultat<> ouverte = Schema::ouvrirBaseParDefaut(Application::chemins().courante); !ouverte) {
        std::fprintf(stderr, "base : %s\n", qPrintable(ouverte.erreur().texte));
        return 3;
    }
    RepondeurSaisie repondeur;
    repondeur.bouton(QMessageBox::Yes);
    Invite::installer(&repondeur);

    const bool reprise = arguments[1] == QLatin1String("reprendre");
    MainWindow fenetre(nullptr, reprise ? MainWindow::Demarrage::ControleVersion
                                        : MainWindow::Demarrage::SansControle);
    fenetre.resize(1000, 800);
    fenetre.show();
    return reprise ? reprendre(fenetre) : taper(fenetre, arguments.value(3).toUInt());
}
