// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/commun/grilles.h"
#include "gui/pupils/diaajouteeleves.h"
#include "gui/pupils/diaedite.h"
#include "support/clavier.h"
#include "support/dialogues.h"
#include "support/donnees.h"
#include "support/environnement.h"
#include "support/repondeuressai.h"
#include "support/sql.h"

#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QSqlQuery>
#include <QTableWidget>
#include <QTest>

namespace {
using B = QMessageBox::StandardButton;

// Saisie de « n:nom|prénom|date|niveau » à la ligne n, chaque cellule devenant courante.
void saisir(QTableWidget* t, const QStringList& lignes)
{
    for (const QString& l : lignes) {
        const QStringList champs = l.section(':', 1).split('|');
        for (int c = 0; c < champs.size(); ++c) {
            t->setCurrentCell(l.section(':', 0, 0).toInt(), c);
            t->currentItem()->setText(champs.at(c));
        }
    }
}

// Les quatre premières lignes, « ! » après un texte marqué invalide ; « ? » quand ce que la case
// dit en toutes lettres ne va pas avec sa marque (une date incorrecte le dit, et rien d'autre).
QString texteGrille(QTableWidget* t)
{
    QStringList l;
    for (int r = 0; r < 16; ++r) {
        const QTableWidgetItem* c = t->item(r / 4, r % 4);
        const bool invalide = c->data(Grilles::ROLE_INVALIDE).toInt();
        const QVariant dit = c->data(Qt::AccessibleDescriptionRole);
        const bool accord =
            invalide ? dit.toString() == Grilles::descriptionDateIncorrecte() : !dit.isValid();
        l << c->text() + (invalide ? "!" : "") + (accord ? "" : "?");
    }
    return l.join(',');
}

void selectionner(QTableWidget* t, const QRect& z) // x : colonnes, y : lignes
{
    t->clearSelection();
    t->setRangeSelected(QTableWidgetSelectionRange(z.top(), z.left(), z.bottom(), z.right()), true);
}

QString lire(const QString& requete)
{
    return Sql::lignes(requete).join(';');
}
QString eleves()
{
    return lire("SELECT nom||' '||prenom||' '||date_naiss||' '||IFNULL(niveaux.libelle,'?')||' '||id_classe "
                "FROM eleves LEFT JOIN niveaux USING(id_niveau) ORDER BY nom, prenom");
}

const QString DEJA = "DUPONT Jean 2005-04-03 CP 2"; // déjà là, dans la classe 2
const QString MARTIN = DEJA + ";Martin Léa 2005-04-03 CM1 1";
const QString N7 = "CP;CE1;CE2;CM1;CM2;CYCLE II;CYCLE III";
const QString BILAN = "Ajout d'élèves|Nombre d'élèves ajoutés: %1\n"
                      "Nombre d'élèves ignorés car déjà présents: %2";
} // namespace

class TstAjouteEleves : public QObject
{
    Q_OBJECT

    Environnement::Dossier dossier;
    std::unique_ptr<RepondeurEssai> repondeur;
    std::unique_ptr<diaAjouteEleves> d; // la classe 1 chargée
    QTableWidget* t = nullptr;

    void charger(int index) { d->findChild<QComboBox*>("cbClasse")->setCurrentIndex(index), d->actualiser(); }
    QString dernier() const { return repondeur->dernier().titre + '|' + repondeur->dernier().texte; }

private Q_SLOTS:
    void initTestCase() { Environnement::preparer(); }
    void init()
    {
        QVERIFY(Environnement::nouvelleBase(dossier, Environnement::Pose::Schema));
        QSqlQuery q;
        QVERIFY(q.exec("INSERT INTO classes VALUES(1,'CE1 A',0),(2,'CM2 B',1)"));
        QVERIFY(q.exec("INSERT INTO eleves(id_classe,id_niveau,nom,prenom,date_naiss) "
                       "VALUES(2,1,'DUPONT','Jean','2005-04-03')"));
        repondeur = std::make_unique<RepondeurEssai>();
        d = std::make_unique<diaAjouteEleves>(nullptr);
        t = d->findChild<QTableWidget*>("table");
        charger(1);
    }
    void cleanup()
    {
        d.reset();
        repondeur.reset();
    }

    // Au clavier, la classe chargée : on tape dans la grille (Tab passe d'une cellule à la suivante
    // pendant la saisie), Tab sort ensuite de la grille ; l'ordre de Tab suit celui de l'écran.
    void clavier_data()
    {
        Clavier::colonnes(); // le focus, puis la première ligne de la grille
        ligne("grille", "", "table|Élèves à ajouter|,,,");
        ligne("Entrée reste dans la grille", "Entrée", "table|Élèves à ajouter|,,,");
        ligne("une ligne tapée, puis sortie", "=DUPONT Tab =Léa Tab =3/4/15 Tab =CE1 Entrée Tab",
              "btAjouter|Ajouter 10 lignes vides|DUPONT,Léa,03/04/2015,CE1");
        ligne("niveaux avant la grille", "Maj+Tab", "btNIveaux|Niveaux...|,,,");
        ligne("outils", "Maj+Tab Maj+Tab Maj+Tab Maj+Tab", "btUndo|Défaire|,,,");
        ligne("premier outil", QString("Maj+Tab ").repeated(8), "btEffacer|Effacer|,,,");
        ligne("ligne de la classe", QString("Maj+Tab ").repeated(9), "btClasses|Classes...|,,,");
    }
    void clavier()
    {
        QFETCH(QString, gestes);
        const QString focus = Clavier::apres(d.get(), gestes); // avant de lire la grille
        QTEST(focus + '|' + texteGrille(t).section(',', 0, 3), "attendu");
    }

    void lignes()
    {
        QCOMPARE(t->rowCount(), 50);
        for (int fois = 1; fois <= 46; ++fois)
            d->ajouterLignes();
        QCOMPARE(t->rowCount(), 500);
        QVERIFY(t->item(499, 3));
    }

    // Saisie (date normalisée et marquée, le nom tel quel), couper, défaire.
    void saisieEtPressePapiers()
    {
        saisir(t, {"0:3-4-05|b|3-4-05|CP", "1:c|d|31/02/2010|CE1"});
        const QString avant = texteGrille(t);
        QVERIFY(avant.startsWith("3-4-05,b,03/04/2005,CP,c,d,31/02/2010!,CE1,"));
        selectionner(t, QRect(1, 0, 3, 2));
        d->couper();
        QCOMPARE(QGuiApplication::clipboard()->text(), "b\t03/04/2005\tCP\nd\t31/02/2010\tCE1\n");
        QVERIFY(texteGrille(t).startsWith("3-4-05,,,,c,,,,"));
        d->undo();
        QCOMPARE(texteGrille(t), avant);

        // Deux plages choisies avec Ctrl : effacer les vide toutes deux, en un pas ; couper est
        // refusé sans rien effacer.
        selectionner(t, QRect(0, 0, 1, 1));
        t->setRangeSelected(QTableWidgetSelectionRange(1, 2, 1, 3), true);
        repondeur->bouton(B::Ok);
        d->couper();
        QCOMPARE(repondeur->dernier().titre, "Couper");
        QCOMPARE(texteGrille(t), avant);
        d->effacer();
        QVERIFY(texteGrille(t).startsWith(",b,03/04/2005,CP,c,d,,,"));
        d->undo();
        QCOMPARE(texteGrille(t), avant);
        saisir(t, {"1:c|d|1/2/10|CE1"}); // la date corrigée ne se dit plus incorrecte
        QVERIFY(texteGrille(t).startsWith("3-4-05,b,03/04/2005,CP,c,d,01/02/2010,CE1,"));
    }

    void coller_data()
    {
        QTest::addColumn<QRect>("selection");
        QTest::addColumn<QRect>("ctrl"); // seconde plage, choisie avec Ctrl
        QTest::addColumn<QString>("pressePapiers");
        QTest::addColumn<QString>("attendu"); // vide : collage refusé
        const QString bloc = "X\tY\t3/4/05\nZ\tW\tmot\n";
        ligne("une cellule", QRect(0, 1, 1, 1), QRect(), bloc, "a,b,,CP,X,Y,03/04/2005,,Z,W,mot!,,,,,");
        ligne("2×3 exacte", QRect(1, 0, 3, 2), QRect(), bloc, "a,X,Y!,3/4/05,,Z,W!,mot,,,,,,,,");
        ligne("3×3 refusée", QRect(0, 0, 3, 3), QRect(), bloc, "");
        ligne("dernière colonne refusée", QRect(3, 0, 1, 1), QRect(), "A\tB\n", "");
        ligne("dernière ligne refusée", QRect(0, 49, 1, 1), QRect(), "A\nB\n", "");
        ligne("ligne courte complétée", QRect(0, 0, 1, 1), QRect(), "P\tQ\tR\nS\n", "P,Q,R!,CP,S,,,,,,,,,,,");
        ligne("lignes vides gardées", QRect(0, 0, 1, 1), QRect(), "X\n\nZ\n", "X,b,,CP,,,,,Z,,,,,,,");
        ligne("fins de ligne CRLF", QRect(0, 1, 1, 1), QRect(), "X\tY\r\nZ\tW\r\n",
              "a,b,,CP,X,Y,,,Z,W,,,,,,");
        ligne("sélection multiple refusée", QRect(0, 1, 1, 1), QRect(2, 2, 1, 1), "X\n", "");
    }
    void coller()
    {
        QFETCH(QString, attendu);
        t->blockSignals(true); // contenu de départ, sans saisie
        for (const auto& [colonne, texte] : {std::pair{0, "a"}, {1, "b"}, {3, "CP"}})
            t->item(0, colonne)->setText(texte);
        t->blockSignals(false);
        const QString avant = texteGrille(t);
        QFETCH(QString, pressePapiers);
        QGuiApplication::clipboard()->setText(pressePapiers);
        QFETCH(QRect, selection);
        selectionner(t, selection);
        QFETCH(QRect, ctrl);
        if (!ctrl.isNull())
            t->setRangeSelected(
                QTableWidgetSelectionRange(ctrl.top(), ctrl.left(), ctrl.bottom(), ctrl.right()), true);
        if (attendu.isEmpty())
            repondeur->bouton(B::Ok);
        d->coller();
        QCOMPARE(repondeur->messages().size(), int(attendu.isEmpty()));
        QCOMPARE(texteGrille(t), attendu.isEmpty() ? avant : attendu);
        QCOMPARE(d->estModifie(), !attendu.isEmpty());
        d->undo();
        QCOMPARE(texteGrille(t), avant);
    }

    void enregistrer_data()
    {
        QTest::addColumn<QStringList>("lignes");
        QTest::addColumn<int>("reponse");     // à la question « Nouveau niveau ? », posée une fois
        QTest::addColumn<QString>("message"); // puis la cellule courante, « @ligne,colonne »
        QTest::addColumn<QString>("base");    // élèves après coup
        const QStringList nouveaux{"0:Martin|Léa|3/4/2005|CP", "1:Zola|Émile|1/1/2004|Ulis",
                                   "4:Hugo|Victor|2/2/2004|ULIS"};
        ligne("niveau à la casse près, doublon d'une autre classe",
              QStringList{"0: Martin |Léa|3/4/2005|cm1", "2:dupont|JEAN|03/04/2005|CE2",
                          "3:Zola|Émile|1/1/2004|CP"},
              0, BILAN.arg(2).arg(1) + " @-1,-1", MARTIN + ";Zola Émile 2004-01-01 CP 1");
        ligne("ligne incomplète", QStringList{"0:Martin|Léa|3/4/2005|CM1", "2:Zola"}, 0,
              "Erreur|Opération annulée: tous les champs ne sont pas remplis en ligne 3 @2,1", DEJA);
        ligne("date invalide", QStringList{"1:Martin|Léa|31/02/2010|CM1"}, 0,
              "Erreur|Opération annulée: date de naissance incorrecte en ligne 2 @1,2", DEJA);
        ligne("nouveau niveau : Oui", nouveaux, int(B::Yes), BILAN.arg(3).arg(0) + " @-1,-1",
              DEJA +
                  ";Hugo Victor 2004-02-02 Ulis 1;Martin Léa 2005-04-03 CP 1;Zola Émile 2004-01-01 Ulis 1");
        ligne("nouveau niveau : Non", nouveaux, int(B::No),
              "Arrêt|Opération annulée: le niveau n'existe pas en ligne 2 @1,3", DEJA);
    }
    void enregistrer()
    {
        QFETCH(QStringList, lignes);
        QFETCH(int, reponse);
        QFETCH(QString, message);
        saisir(t, lignes);
        if (reponse)
            repondeur->bouton(B(reponse));
        repondeur->bouton(B::Ok);
        d->enregistrerClick();
        QCOMPARE(repondeur->messages().size(), reponse ? 2 : 1);
        QCOMPARE(dernier() + QString(" @%1,%2").arg(t->currentRow()).arg(t->currentColumn()), message);
        QTEST(eleves(), "base");
        QCOMPARE(lire("SELECT libelle FROM niveaux ORDER BY id_niveau"),
                 reponse == B::Yes ? N7 + ";Ulis" : N7);
        const bool reussi = message.startsWith("Ajout");
        QCOMPARE(t->rowCount(), reussi ? 0 : 50);
        if (reussi)
            d->undo(); // la pile survit à la grille vidée : rien n'est écrit, rien ne plante
        QCOMPARE(d->estModifie(), !reussi);
    }

    // Fermeture (bouton ou case) et rechargement d'une grille modifiée : Oui enregistre et ne va
    // plus loin qu'en cas de succès, Non abandonne les changements, Annuler reste.
    void invites_data()
    {
        QTest::addColumn<QString>("chemin");
        QTest::addColumn<QString>("date");
        QTest::addColumn<int>("reponse");
        ligne("case : Non", "case", "3/4/2005", int(B::No));
        ligne("fermer : Oui", "fermer", "3/4/2005", int(B::Yes));
        ligne("case, saisie en cours : Oui", "case en cours", "3/4/2005", int(B::Yes));
        ligne("fermer : Oui refusé", "fermer", "31/2/2005", int(B::Yes));
        ligne("actualiser : Oui", "actualiser", "3/4/2005", int(B::Yes));
        ligne("actualiser : Annuler", "actualiser", "3/4/2005", int(B::Cancel));
        ligne("actualiser : Oui refusé", "actualiser", "31/2/2005", int(B::Yes));
    }
    void invites()
    {
        QFETCH(QString, chemin);
        QFETCH(QString, date);
        QFETCH(int, reponse);
        const bool reste = reponse == B::Cancel || date.startsWith("31"); // dialogue ouvert, ou grille gardée
        d->show();
        saisir(t, {"0:Martin|Léa|" + date + "|CM1"});
        if (chemin.endsWith("en cours")) { // la case de fermeture ne retire pas le focus à l'éditeur
            saisir(t, {"0:"});
            t->editItem(t->item(0, 0));
            t->viewport()->findChild<QLineEdit*>()->setText("Martin");
        }
        repondeur->bouton(B(reponse));
        if (date.startsWith("31"))
            repondeur->bouton(B::Ok);
        if (chemin == "actualiser")
            charger(2);
        else if (chemin.startsWith("case"))
            d->close();
        else
            d->reject();
        QCOMPARE(repondeur->messages().size(), date.startsWith("31") ? 2 : 1); // jamais de bilan
        QCOMPARE(eleves(), reponse == B::Yes && !reste ? MARTIN : DEJA);
        if (chemin == "actualiser") {
            QCOMPARE(d->classeChargee(), reste ? 1 : 2);
            QCOMPARE(d->estModifie(), reste);
        } else {
            QCOMPARE(d->isVisible(), reste);
        }
    }

    // Les listes sont relues quand l'éditeur de listes est accepté ; une classe chargée puis
    // supprimée par lui refuse l'enregistrement au lieu de rattacher des élèves à une clé disparue.
    void listesEtClasseSupprimee()
    {
        saisir(t, {"0:Martin|Léa|3/4/2005|CM1"});
        auto fait = quandDialogue<diaEdite>([](diaEdite* e) {
            QSqlQuery("DELETE FROM classes WHERE id_classe=1").exec();
            e->done(QDialog::Accepted);
        });
        d->editeClasses();
        QVERIFY(*fait);
        QCOMPARE(d->findChild<QComboBox*>("cbClasse")->itemText(1), "CM2 B");
        repondeur->bouton(B::Ok);
        d->enregistrerClick();
        QCOMPARE(dernier(),
                 "Choix d'une classe|Veuillez d'abord choisir une classe dans la liste déroulante, ou "
                 "créer une nouvelle classe");
        QCOMPARE(eleves(), DEJA);
        QVERIFY(d->estModifie());
    }
};

QTEST_MAIN(TstAjouteEleves)
#include "tst_ajouteeleves.moc"
