#include "pupils/diaajouteeleves.h"
#include "pupils/diaedite.h"
#include "support/dialogues.h"
#include "support/environnement.h"
#include "support/repondeuressai.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QTableWidget>
#include <QTest>

namespace {

using B = QMessageBox::StandardButton;

QTableWidget* grille(diaAjouteEleves& d)
{
    return d.findChild<QTableWidget*>("table");
}
QComboBox* combo(diaAjouteEleves& d, const char* nom)
{
    return d.findChild<QComboBox*>(nom);
}

// Classe n° `index` de la liste, puis « Actualiser ».
void charger(diaAjouteEleves& d, int index = 1)
{
    combo(d, "cbClasse")->setCurrentIndex(index);
    d.actualiser();
}

// Saisie de l'utilisateur, « n:nom|prénom|date|niveau » à la ligne n : chaque cellule devient
// courante, puis son texte change.
void saisir(QTableWidget* t, const QStringList& lignes)
{
    for (const QString& l : lignes) {
        const int ligne = l.section(':', 0, 0).toInt();
        const QStringList champs = l.section(':', 1).split('|');
        for (int c = 0; c < champs.size(); ++c) {
            t->setCurrentCell(ligne, c);
            t->item(ligne, c)->setText(champs.at(c));
        }
    }
}

// Les quatre premières lignes, « ! » après un texte marqué invalide.
QString texteGrille(QTableWidget* t)
{
    QStringList l;
    for (int r = 0; r < 16; ++r)
        l << t->item(r / 4, r % 4)->text() + (t->item(r / 4, r % 4)->data(Qt::UserRole).toInt() ? "!" : "");
    return l.join(',');
}

void selectionner(QTableWidget* t, const QRect& zone) // x : colonnes, y : lignes
{
    t->clearSelection();
    t->setRangeSelected(QTableWidgetSelectionRange(zone.top(), zone.left(), zone.bottom(), zone.right()),
                        true);
}

QString lire(const QString& requete)
{
    QSqlQuery q(requete);
    QStringList l;
    while (q.next())
        l << q.value(0).toString();
    return l.join(';');
}
QString eleves()
{
    return lire("SELECT nom||' '||prenom||' '||date_naiss||' '||IFNULL(niveaux.libelle,'?')||' '||id_classe "
                "FROM eleves LEFT JOIN niveaux USING(id_niveau) ORDER BY nom, prenom");
}

const QString DEJA = "DUPONT Jean 2005-04-03 CP 2"; // déjà là, dans la classe 2
const QString MARTIN = DEJA + ";Martin Léa 2005-04-03 CM1 1";
const QString N7 = "CP;CE1;CE2;CM1;CM2;CYCLE II;CYCLE III";
const QString CHOIX = "Choix d'une classe|Veuillez d'abord choisir une classe dans la liste déroulante, ou "
                      "créer une nouvelle classe";
const QString COLLER =
    "Coller|Impossible de coller car la plage sélectionnée n'a pas la même taille que celle "
    "dans le presse-papier.";
const QString FERMER = "Fermeture|Voulez-vous enregistrer les modifications avant de quitter ?";
QString bilan(int a, int i)
{
    return QString(
               "Ajout d'élèves|Nombre d'élèves ajoutés: %1\nNombre d'élèves ignorés car déjà présents: %2")
        .arg(a)
        .arg(i);
}

} // namespace

class TstAjouteEleves : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dossier;
    std::unique_ptr<RepondeurEssai> repondeur;

    QStringList messages() const // « titre|texte » de chaque message montré
    {
        QStringList m;
        for (const Invite::Message& message : repondeur->messages())
            m << message.titre + '|' + message.texte;
        return m;
    }

private Q_SLOTS:
    void initTestCase() { Environnement::preparer(); }
    void init()
    {
        dossier = Environnement::nouveauDossierDonnees();
        QVERIFY(Environnement::ouvrirBase() && Environnement::poserSchema());
        QSqlQuery q;
        QVERIFY(q.exec("INSERT INTO classes VALUES(1,'CE1 A',0),(2,'CM2 B',1)"));
        QVERIFY(q.exec("INSERT INTO eleves(id_classe,id_niveau,nom,prenom,date_naiss) "
                       "VALUES(2,1,'DUPONT','Jean','2005-04-03')"));
        repondeur = std::make_unique<RepondeurEssai>();
    }
    void cleanup()
    {
        QVERIFY2(repondeur->fileVide(), "des réponses préparées n'ont pas servi");
        repondeur.reset();
        Environnement::fermerBase();
        dossier.reset();
    }

    // Grille vide à l'ouverture, 50 lignes au chargement, dix de plus à chaque fois jusqu'à 500.
    void grilleEtLignes()
    {
        diaAjouteEleves d(nullptr);
        QTableWidget* t = grille(d);
        QStringList actions;
        for (QAction* a : t->actions())
            actions << a->text() + ' ' + a->shortcut().toString();
        QCOMPARE(actions.join(','),
                 QStringLiteral("Couper Ctrl+X,Copier Ctrl+C,Coller Ctrl+V,Effacer Del,Défaire Ctrl+Z"));
        QCOMPARE(combo(d, "cbClasse")->itemText(0) + combo(d, "cbClasse")->itemData(0).toString(),
                 QStringLiteral("Choisissez une classe0"));
        QCOMPARE(combo(d, "cbClasse")->count() * 10 + combo(d, "cbNiveau")->count(), 37);
        QVERIFY(!d.findChild<QPushButton*>("btAjouter")->isEnabled());
        repondeur->bouton(B::Ok);
        d.actualiser(); // aucune classe choisie
        QCOMPARE(messages(), QStringList{CHOIX});
        d.ajouterLignes();
        QCOMPARE(t->rowCount(), 0);
        charger(d, 2);
        QCOMPARE(d.classeChargee(), 2);
        QCOMPARE(t->rowCount(), 50);
        d.timeOut();
        QVERIFY(d.findChild<QPushButton*>("btAjouter")->isEnabled());
        for (int fois = 1; fois <= 46; ++fois) {
            d.ajouterLignes();
            QCOMPARE(t->rowCount(), qMin(50 + 10 * fois, 500));
        }
        for (int r = 0; r < t->rowCount() * 4; ++r)
            QVERIFY(t->item(r / 4, r % 4));
        QVERIFY(!d.estModifie());
    }

    // Saisie (date normalisée et marquée, le nom tel quel), copier, couper, effacer, défaire.
    void saisieEtPressePapiers()
    {
        diaAjouteEleves d(nullptr);
        charger(d);
        QTableWidget* t = grille(d);
        saisir(t, {"0:3-4-05|b|3-4-05|CP", "1:c|d|31/02/2010|CE1"});
        const QString avant = texteGrille(t);
        QVERIFY(avant.startsWith("3-4-05,b,03/04/2005,CP,c,d,31/02/2010!,CE1,"));
        QCOMPARE(t->item(1, 2)->foreground().color(), QColor(Qt::red));
        QCOMPARE(t->item(0, 2)->foreground().color(), QColor(Qt::black));
        QVERIFY(d.estModifie());
        const QString copie = "b\t03/04/2005\tCP\nd\t31/02/2010\tCE1\n";
        selectionner(t, QRect(1, 0, 3, 2));
        d.copier();
        QCOMPARE(QGuiApplication::clipboard()->text(), copie);
        QGuiApplication::clipboard()->clear();
        d.couper();
        QCOMPARE(QGuiApplication::clipboard()->text(), copie);
        QVERIFY(texteGrille(t).startsWith("3-4-05,,,,c,,,,"));
        d.undo();
        QCOMPARE(texteGrille(t), avant);
        for (int i = 0; i < 8; ++i) // chaque saisie se défait, date comprise (marque levée)
            d.undo();
        QCOMPARE(texteGrille(t), QString(15, ','));
    }

    void coller_data()
    {
        QTest::addColumn<QRect>("selection");
        QTest::addColumn<QString>("pressePapiers");
        QTest::addColumn<QString>("attendu"); // vide : collage refusé
        const QString bloc = "X\tY\t3/4/05\nZ\tW\tmot\n";
        QTest::newRow("une cellule") << QRect(0, 1, 1, 1) << bloc << "a,b,,CP,X,Y,03/04/2005,,Z,W,mot!,,,,,";
        QTest::newRow("2×3 exacte") << QRect(1, 0, 3, 2) << bloc << "a,X,Y!,3/4/05,,Z,W!,mot,,,,,,,,";
        QTest::newRow("3×3 refusée") << QRect(0, 0, 3, 3) << bloc << "";
        QTest::newRow("dernière colonne refusée") << QRect(3, 0, 1, 1) << "A\tB\n"
                                                  << "";
        QTest::newRow("dernière ligne refusée") << QRect(0, 49, 1, 1) << "A\nB\n"
                                                << "";
        QTest::newRow("ligne courte complétée") << QRect(0, 0, 1, 1) << "P\tQ\tR\nS\n"
                                                << "P,Q,R!,CP,S,,,,,,,,,,,";
    }
    void coller()
    {
        QFETCH(QRect, selection);
        QFETCH(QString, pressePapiers);
        QFETCH(QString, attendu);
        diaAjouteEleves d(nullptr);
        charger(d);
        QTableWidget* t = grille(d);
        {
            const QSignalBlocker bloque(t); // contenu de départ, sans saisie
            t->item(0, 0)->setText("a");
            t->item(0, 1)->setText("b");
            t->item(0, 3)->setText("CP");
        }
        const QString avant = texteGrille(t);
        QGuiApplication::clipboard()->setText(pressePapiers);
        selectionner(t, selection);
        if (attendu.isEmpty())
            repondeur->bouton(B::Ok);
        d.coller();
        QCOMPARE(messages(), attendu.isEmpty() ? QStringList{COLLER} : QStringList());
        QCOMPARE(texteGrille(t), attendu.isEmpty() ? avant : attendu);
        QCOMPARE(d.estModifie(), !attendu.isEmpty());
        if (attendu.isEmpty()) { // la grille reste éditable : saisie normalisée, marquée modifiée
            saisir(t, {"2:||1/2/2003"});
            QCOMPARE(t->item(2, 2)->text(), QStringLiteral("01/02/2003"));
            QVERIFY(d.estModifie());
        }
        d.undo();
        QCOMPARE(texteGrille(t), avant);
    }

    void enregistrer_data()
    {
        QTest::addColumn<QStringList>("lignes");
        QTest::addColumn<int>("reponse"); // à la question « Nouveau niveau ? », posée une fois
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("base");    // élèves après coup
        QTest::addColumn<QString>("niveaux"); // niveaux après coup
        const QStringList nouveaux{"0:Martin|Léa|3/4/2005|CP", "1:Zola|Émile|1/1/2004|Ulis",
                                   "4:Hugo|Victor|2/2/2004|ULIS"};
        QTest::newRow("grille vide") << QStringList() << 0 << bilan(0, 0) << DEJA << N7;
        QTest::newRow("niveau à la casse près, doublon d'une autre classe")
            << QStringList{"0: Martin |Léa|3/4/2005|cm1", "2:dupont|JEAN|03/04/2005|CE2",
                           "3:Zola|Émile|1/1/2004|CP"}
            << 0 << bilan(2, 1) << MARTIN + ";Zola Émile 2004-01-01 CP 1" << N7;
        QTest::newRow("ligne incomplète")
            << QStringList{"0:Martin|Léa|3/4/2005|CM1", "2:Zola"} << 0
            << "Erreur|Opération annulée: tous les champs ne sont pas remplis en ligne 3" << DEJA << N7;
        QTest::newRow("date invalide")
            << QStringList{"1:Martin|Léa|31/02/2010|CM1"} << 0
            << "Erreur|Opération annulée: date de naissance incorrecte en ligne 2" << DEJA << N7;
        QTest::newRow("nouveau niveau : Oui")
            << nouveaux << int(B::Yes) << bilan(3, 0)
            << DEJA + ";Hugo Victor 2004-02-02 Ulis 1;Martin Léa 2005-04-03 CP 1;Zola Émile 2004-01-01 Ulis 1"
            << N7 + ";Ulis";
        QTest::newRow("nouveau niveau : Non")
            << nouveaux << int(B::No) << "Arrêt|Opération annulée: le niveau n'existe pas en ligne 2" << DEJA
            << N7;
    }
    void enregistrer()
    {
        QFETCH(QStringList, lignes);
        QFETCH(int, reponse);
        QFETCH(QString, message);
        QFETCH(QString, base);
        QFETCH(QString, niveaux);
        diaAjouteEleves d(nullptr);
        charger(d);
        saisir(grille(d), lignes);
        QStringList attendus;
        if (reponse) {
            repondeur->bouton(B(reponse));
            attendus
                << "Nouveau niveau ?|Le niveau suivant : Ulis n'est pas présent dans la liste des niveaux. "
                   "Faut-il l'ajouter ? ";
        }
        repondeur->bouton(B::Ok);
        d.enregistrerClick();
        QCOMPARE(messages(), attendus << message);
        QCOMPARE(eleves(), base);
        QCOMPARE(lire("SELECT libelle FROM niveaux ORDER BY id_niveau"), niveaux);
        const bool reussi = message.startsWith("Ajout");
        QCOMPARE(grille(d)->rowCount() + d.classeChargee(), reussi ? 0 : 51);
        QCOMPARE(d.estModifie(), !reussi);
        if (reussi) {
            QCOMPARE(combo(d, "cbClasse")->currentIndex(), 0);
            QCOMPARE(combo(d, "cbNiveau")->count(), niveaux.count(';') + 1);
            d.undo(); // la pile survit à la grille vidée : rien n'est écrit, rien ne plante
            QVERIFY(!d.estModifie());
        }
    }

    // Fermeture (bouton ou case) et rechargement d'une grille modifiée : Oui enregistre et ne va
    // plus loin qu'en cas de succès, Non abandonne les changements, Annuler reste.
    void invites_data()
    {
        QTest::addColumn<QString>("chemin");
        QTest::addColumn<QString>("date"); // vide : aucun changement
        QTest::addColumn<int>("reponse");
        QTest::addColumn<bool>("reste"); // dialogue ouvert, ou grille de la classe 1 gardée
        QTest::addColumn<QString>("base");
        QTest::newRow("fermer sans changement") << "fermer"
                                                << "" << 0 << false << DEJA;
        QTest::newRow("fermer : Annuler") << "fermer"
                                          << "3/4/2005" << int(B::Cancel) << true << DEJA;
        QTest::newRow("case : Non") << "case"
                                    << "3/4/2005" << int(B::No) << false << DEJA;
        QTest::newRow("fermer : Oui") << "fermer"
                                      << "3/4/2005" << int(B::Yes) << false << MARTIN;
        QTest::newRow("case, saisie en cours : Oui") << "case en cours"
                                                     << "3/4/2005" << int(B::Yes) << false << MARTIN;
        QTest::newRow("fermer : Oui refusé") << "fermer"
                                             << "31/2/2005" << int(B::Yes) << true << DEJA;
        QTest::newRow("actualiser : Oui") << "actualiser"
                                          << "3/4/2005" << int(B::Yes) << false << MARTIN;
        QTest::newRow("actualiser : Non") << "actualiser"
                                          << "3/4/2005" << int(B::No) << false << DEJA;
        QTest::newRow("actualiser : Annuler") << "actualiser"
                                              << "3/4/2005" << int(B::Cancel) << true << DEJA;
        QTest::newRow("actualiser : Oui refusé") << "actualiser"
                                                 << "31/2/2005" << int(B::Yes) << true << DEJA;
    }
    void invites()
    {
        QFETCH(QString, chemin);
        QFETCH(QString, date);
        QFETCH(int, reponse);
        QFETCH(bool, reste);
        QFETCH(QString, base);
        diaAjouteEleves d(nullptr);
        d.show();
        charger(d);
        if (!date.isEmpty())
            saisir(grille(d), {"0:Martin|Léa|" + date + "|CM1"});
        if (chemin.endsWith("en cours")) { // la case de fermeture ne retire pas le focus à l'éditeur
            saisir(grille(d), {"0:"});
            grille(d)->editItem(grille(d)->item(0, 0));
            grille(d)->viewport()->findChild<QLineEdit*>()->setText("Martin");
        }
        QStringList attendus;
        if (reponse) {
            repondeur->bouton(B(reponse));
            attendus << (chemin == "actualiser"
                             ? "Enregistrer les modifications|Voulez-vous enregistrer les modifications ?"
                             : FERMER);
        }
        if (date.startsWith("31")) {
            repondeur->bouton(B::Ok);
            attendus << "Erreur|Opération annulée: date de naissance incorrecte en ligne 1";
        }
        if (chemin == "actualiser")
            charger(d, 2);
        else if (chemin.startsWith("case"))
            d.close();
        else
            d.reject();
        QCOMPARE(messages(), attendus); // jamais de bilan sur ces chemins
        QCOMPARE(eleves(), base);
        if (chemin == "actualiser") {
            QCOMPARE(d.classeChargee(), reste ? 1 : 2);
            QCOMPARE(grille(d)->item(0, 0)->text(), QString(reste ? "Martin" : ""));
            QCOMPARE(d.estModifie(), reste);
        } else {
            QCOMPARE(d.isVisible(), reste);
        }
    }

    // « Affecter niveau » : colonne des niveaux des lignes sélectionnées, après confirmation,
    // sans rien à défaire.
    void changerNiveau()
    {
        diaAjouteEleves d(nullptr);
        charger(d);
        combo(d, "cbNiveau")->setCurrentIndex(2);
        selectionner(grille(d), QRect(0, 1, 2, 2));
        repondeur->bouton(B::No);
        repondeur->bouton(B::Yes);
        d.changerNiveau();
        QVERIFY(!d.estModifie());
        d.changerNiveau();
        QCOMPARE(
            messages().constLast(),
            QStringLiteral("Changer les élèves de niveau|Affecter les élèves sélectionnés au niveau: CE2 ?"));
        d.undo();
        QCOMPARE(texteGrille(grille(d)), QStringLiteral(",,,,,,,CE2,,,,CE2,,,,"));
        QVERIFY(d.estModifie());
    }

    // Les listes sont relues quand l'éditeur de listes est accepté ; une classe chargée puis
    // supprimée refuse l'enregistrement au lieu de rattacher des élèves à une clé disparue.
    void listesEtClasseSupprimee()
    {
        diaAjouteEleves d(nullptr);
        charger(d);
        saisir(grille(d), {"0:Martin|Léa|3/4/2005|CM1"});
        for (const bool accepte : {false, true}) {
            auto fait = quandDialogue<diaEdite>([accepte](diaEdite* e) {
                QSqlQuery q;
                q.exec(accepte ? "DELETE FROM classes WHERE id_classe=1"
                               : "INSERT INTO classes VALUES(3,'CP C',2)");
                e->done(accepte ? QDialog::Accepted : QDialog::Rejected);
            });
            d.editeClasses();
            QVERIFY(*fait);
            QCOMPARE(combo(d, "cbClasse")->itemText(1), QString(accepte ? "CM2 B" : "CE1 A"));
        }
        QCOMPARE(combo(d, "cbClasse")->itemText(2), QStringLiteral("CP C"));
        repondeur->bouton(B::Ok);
        d.enregistrerClick();
        QCOMPARE(messages(), QStringList{CHOIX});
        QCOMPARE(eleves(), DEJA);
        QVERIFY(d.estModifie());
    }
};

QTEST_MAIN(TstAjouteEleves)
#include "tst_ajouteeleves.moc"
