// Essais des dialogues « Paramètres » (école et langue, dans la table general) et « Mot de
// passe » (empreinte dans les réglages), jusqu'au contrôle d'accès de la fenêtre principale.

#include "app/mainwindow.h"
#include "app/motdepasse.h"
#include "dialogs/diamdp.h"
#include "dialogs/diaparam.h"
#include "dialogs/parametres.h"
#include "support/environnement.h"
#include "support/repondeuressai.h"

#include <QCryptographicHash>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QSqlQuery>
#include <QTest>

namespace {

const QString ECOLE_AVANT = QStringLiteral("École des Lilas\n3 rue Haute\n67000 Strasbourg");
const QString LANGUE_AVANT = QStringLiteral("anglais");

// Empreinte attendue, calculée ici à partir des octets voulus, sans passer par le programme.
QByteArray md5(const QByteArray& octets)
{
    return QCryptographicHash::hash(octets, QCryptographicHash::Md5).toHex();
}

void stocker(const QByteArray& empreinte)
{
    QSettings reglages;
    if (empreinte.isEmpty())
        reglages.remove(MotDePasse::CLE_REGLAGES);
    else
        reglages.setValue(MotDePasse::CLE_REGLAGES, empreinte);
}

// Ce que les réglages gardent ; « <absent> » quand la valeur n'existe pas.
QByteArray stockee()
{
    QSettings reglages;
    if (!reglages.contains(MotDePasse::CLE_REGLAGES))
        return QByteArrayLiteral("<absent>");
    return reglages.value(MotDePasse::CLE_REGLAGES).toByteArray();
}

// La ligne 1 de general, « ecole|langue », ou « <absente> ».
QString ligneGeneral()
{
    QSqlQuery requete;
    if (!requete.exec(QStringLiteral("SELECT ecole, langue_defaut FROM general WHERE id=1")) ||
        !requete.next())
        return QStringLiteral("<absente>");
    return requete.value(0).toString() + QLatin1Char('|') + requete.value(1).toString();
}

template <typename T> T* enfant(QWidget& parent, const char* nom)
{
    T* widget = parent.findChild<T*>(QLatin1String(nom));
    if (!widget)
        QTest::qFail(qPrintable(QStringLiteral("widget %1 absent").arg(QLatin1String(nom))), __FILE__,
                     __LINE__);
    return widget;
}

QPushButton* bouton(QWidget& dialogue, QDialogButtonBox::StandardButton quel)
{
    auto* boite = dialogue.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    return boite ? boite->button(quel) : nullptr;
}

QStringList textesLabels(QWidget& dialogue)
{
    QStringList textes;
    for (QLabel* label : dialogue.findChildren<QLabel*>())
        textes << label->text();
    return textes;
}

// Même image que l'icône de la ressource donnée, rendue de la même façon.
bool memeIcone(const QIcon& icone, const QString& ressource)
{
    const QIcon attendue(ressource);
    if (attendue.isNull() || icone.isNull() || attendue.availableSizes().isEmpty())
        return false;
    const QSize taille = attendue.availableSizes().first();
    return icone.pixmap(taille).toImage() == attendue.pixmap(taille).toImage();
}

} // namespace

class TstParametres : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void formulaireParametres();
    void formulaireMotDePasse();
    void ouvertureParametres_data();
    void ouvertureParametres();
    void enregistrementParametres_data();
    void enregistrementParametres();
    void ecritureImpossible();
    void annulationParametres();
    void motDePasse_data();
    void motDePasse();
    void annulationMotDePasse();
    void retraitOuvreLesFonctions();
    void caracteresHorsLatin1_data();
    void caracteresHorsLatin1();

private:
    std::unique_ptr<QTemporaryDir> dossier;
    std::unique_ptr<RepondeurEssai> repondeur;

    // Fenêtre principale dont le contrôle de version a tourné.
    std::unique_ptr<MainWindow> fenetrePrincipale();
};

void TstParametres::initTestCase()
{
    Environnement::preparer();
}

void TstParametres::init()
{
    dossier = Environnement::nouveauDossierDonnees();
    QVERIFY(Environnement::ouvrirBase());
    QVERIFY(Environnement::poserSchema());
    QSqlQuery requete;
    requete.prepare(QStringLiteral("UPDATE general SET ecole=?, langue_defaut=? WHERE id=1"));
    requete.addBindValue(ECOLE_AVANT);
    requete.addBindValue(LANGUE_AVANT);
    QVERIFY(requete.exec());
    stocker(QByteArray());
    repondeur = std::make_unique<RepondeurEssai>();
}

void TstParametres::cleanup()
{
    const bool fileVide = repondeur->fileVide();
    repondeur.reset();
    stocker(QByteArray());
    Environnement::fermerBase();
    dossier.reset();
    QVERIFY2(fileVide, "des réponses préparées n'ont pas servi");
}

std::unique_ptr<MainWindow> TstParametres::fenetrePrincipale()
{
    auto fenetre = std::make_unique<MainWindow>();
    if (!QTest::qWaitFor([&fenetre] { return fenetre->minuterieActions().isActive(); }))
        QTest::qFail("le contrôle de version n'a pas tourné", __FILE__, __LINE__);
    return fenetre;
}

// ---------------------------------------------------------------------------
// Paramètres de l'école

void TstParametres::formulaireParametres()
{
    diaParam dialogue;
    QCOMPARE(dialogue.windowTitle(), QStringLiteral("Paramètres"));
    QCOMPARE(dialogue.size(), QSize(400, 300));
    QVERIFY(memeIcone(dialogue.windowIcon(), QStringLiteral(":/menus/kcontrol")));
    QVERIFY(!(dialogue.windowFlags() & Qt::WindowContextHelpButtonHint));
    QCOMPARE(textesLabels(dialogue),
             QStringList({QStringLiteral("Nom et adresse de l'école: (4 lignes maximum)"),
                          QStringLiteral("Principale langue vivante étrangère enseignée :")}));
    QVERIFY(enfant<QPlainTextEdit>(dialogue, "edEcole"));
    QVERIFY(enfant<QLineEdit>(dialogue, "edLangue"));
    QVERIFY(bouton(dialogue, QDialogButtonBox::Ok));
    QVERIFY(bouton(dialogue, QDialogButtonBox::Cancel));
}

void TstParametres::formulaireMotDePasse()
{
    diaMdp dialogue;
    QCOMPARE(dialogue.windowTitle(), QStringLiteral("Mot de passe"));
    QCOMPARE(dialogue.size(), QSize(400, 190));
    QVERIFY(memeIcone(dialogue.windowIcon(), QStringLiteral(":/menus/password")));
    QVERIFY(!(dialogue.windowFlags() & Qt::WindowContextHelpButtonHint));
    QCOMPARE(textesLabels(dialogue),
             QStringList(
                 {QStringLiteral("Saisissez un mot de passe pour protéger la réinitialisation de la base de "
                                 "données ou  les importations.\nCette fonctionnalité est utile dans une "
                                 "école, si plusieurs personnes utilisent le logiciel. Elle limite le "
                                 "risque de destruction accidentelle des données."),
                  QStringLiteral("Ancien mot de passe :"), QStringLiteral("Nouveau mot de passe :"),
                  QStringLiteral("Répétez le mot de passe :")}));
    // Les trois champs, en écho masqué, chacun à droite de son libellé dans la grille.
    auto* grille = dialogue.findChild<QGridLayout*>();
    QVERIFY(grille);
    const QList<std::pair<const char*, const char*>> lignes{
        {"lbAncien", "edAncien"}, {"lbNouv1", "edNouv1"}, {"lbNouv2", "edNouv2"}};
    for (int i = 0; i < lignes.size(); ++i) {
        auto* champ = enfant<QLineEdit>(dialogue, lignes.at(i).second);
        QVERIFY(champ);
        QCOMPARE(champ->echoMode(), QLineEdit::Password);
        QCOMPARE(grille->itemAtPosition(i, 1)->widget(), champ);
        QCOMPARE(grille->itemAtPosition(i, 0)->widget(), enfant<QLabel>(dialogue, lignes.at(i).first));
    }
    QVERIFY(bouton(dialogue, QDialogButtonBox::Ok));
    QVERIFY(bouton(dialogue, QDialogButtonBox::Cancel));
}

void TstParametres::ouvertureParametres_data()
{
    QTest::addColumn<QString>("preparation");
    QTest::addColumn<QString>("ecole");
    QTest::addColumn<QString>("langue");

    QTest::newRow("ligne 1 présente") << QString() << ECOLE_AVANT << LANGUE_AVANT;
    QTest::newRow("valeurs nulles") << "UPDATE general SET ecole=NULL, langue_defaut=NULL WHERE id=1"
                                    << QString() << QString();
    QTest::newRow("sans ligne 1") << "UPDATE general SET id=2 WHERE id=1" << QString() << QString();
    QTest::newRow("sans table general") << "DROP TABLE general" << QString() << QString();
}

void TstParametres::ouvertureParametres()
{
    QFETCH(QString, preparation);
    QFETCH(QString, ecole);
    QFETCH(QString, langue);

    if (!preparation.isEmpty())
        QVERIFY(QSqlQuery().exec(preparation));
    diaParam dialogue;
    QCOMPARE(enfant<QPlainTextEdit>(dialogue, "edEcole")->toPlainText(), ecole);
    QCOMPARE(enfant<QLineEdit>(dialogue, "edLangue")->text(), langue);
    QVERIFY(repondeur->messages().isEmpty());
}

void TstParametres::enregistrementParametres_data()
{
    QTest::addColumn<QString>("ecoleTapee");
    QTest::addColumn<QString>("langueTapee");
    QTest::addColumn<bool>("accepte");
    QTest::addColumn<QString>("ligneAttendue"); // ligne 1 de general après coup

    const QString inchangee = ECOLE_AVANT + QLatin1Char('|') + LANGUE_AVANT;
    QTest::newRow("quatre lignes") << "École Jules Ferry\n12 rue des Écoles\n75000 Paris\nFrance"
                                   << "anglais" << true
                                   << "École Jules Ferry\n12 rue des Écoles\n75000 Paris\nFrance|anglais";
    QTest::newRow("cinq lignes dont une vide")
        << "École Jules Ferry\n12 rue des Écoles\n\n75000 Paris\nFrance"
        << "anglais" << true << "École Jules Ferry\n12 rue des Écoles\n75000 Paris\nFrance|anglais";
    QTest::newRow("lignes vides autour") << "\n\nÉcole du Port\n\n"
                                         << "anglais" << true << "École du Port|anglais";
    QTest::newRow("cinq lignes") << "École Jules Ferry\nBâtiment B\n12 rue des Écoles\n75000 Paris\nFrance"
                                 << "anglais" << false << inchangee;
    QTest::newRow("six lignes dont une vide") << "A\nB\n\nC\nD\nE"
                                              << "anglais" << false << inchangee;
    QTest::newRow("langue en capitales entourée d'espaces")
        << "École du Port"
        << "  ALLEMAND Renforcé \t" << true << "École du Port|allemand renforcé";
    QTest::newRow("tout effacé") << ""
                                 << "" << true << "|";
}

void TstParametres::enregistrementParametres()
{
    QFETCH(QString, ecoleTapee);
    QFETCH(QString, langueTapee);
    QFETCH(bool, accepte);
    QFETCH(QString, ligneAttendue);

    diaParam dialogue;
    dialogue.show();
    auto* edEcole = enfant<QPlainTextEdit>(dialogue, "edEcole");
    auto* edLangue = enfant<QLineEdit>(dialogue, "edLangue");
    edEcole->setPlainText(ecoleTapee);
    edLangue->setText(langueTapee);
    if (!accepte)
        repondeur->bouton(QMessageBox::Ok);
    bouton(dialogue, QDialogButtonBox::Ok)->click();

    QCOMPARE(ligneGeneral(), ligneAttendue);
    if (accepte) {
        QVERIFY(repondeur->messages().isEmpty());
        QCOMPARE(dialogue.result(), int(QDialog::Accepted));
        QVERIFY(!dialogue.isVisible());
    } else {
        QCOMPARE(repondeur->messages().size(), 1);
        QCOMPARE(int(repondeur->dernier().genre), int(Invite::Genre::Avertissement));
        QCOMPARE(repondeur->dernier().titre, QStringLiteral("Adresse incorrecte"));
        QCOMPARE(repondeur->dernier().texte,
                 QStringLiteral("Le nom et l'adresse de l'école comportent trop de lignes."));
        QVERIFY(dialogue.isVisible());
        QCOMPARE(dialogue.result(), int(QDialog::Rejected));
        QCOMPARE(edEcole->toPlainText(), ecoleTapee);
        QCOMPARE(edLangue->text(), langueTapee);
    }
}

void TstParametres::ecritureImpossible()
{
    diaParam dialogue;
    dialogue.show();
    // La table disparaît entre l'ouverture et la validation : la mise à jour échoue.
    QVERIFY(QSqlQuery().exec(QStringLiteral("DROP TABLE general")));
    enfant<QLineEdit>(dialogue, "edLangue")->setText(QStringLiteral("Espagnol"));
    repondeur->bouton(QMessageBox::Ok);
    dialogue.accept();

    QCOMPARE(repondeur->messages().size(), 1);
    QCOMPARE(int(repondeur->dernier().genre), int(Invite::Genre::Avertissement));
    QCOMPARE(repondeur->dernier().titre, QStringLiteral("Erreur"));
    QCOMPARE(repondeur->dernier().texte,
             QStringLiteral("Une erreur s'est produite lors de l'enregistrement des donnnées."));
    QVERIFY(dialogue.isVisible());
    QCOMPARE(enfant<QLineEdit>(dialogue, "edLangue")->text(), QStringLiteral("Espagnol"));
    QCOMPARE(enfant<QPlainTextEdit>(dialogue, "edEcole")->toPlainText(), ECOLE_AVANT);
}

void TstParametres::annulationParametres()
{
    diaParam dialogue;
    dialogue.show();
    enfant<QPlainTextEdit>(dialogue, "edEcole")->setPlainText(QStringLiteral("A\nB\nC\nD\nE\nF"));
    enfant<QLineEdit>(dialogue, "edLangue")->setText(QStringLiteral("Italien"));
    bouton(dialogue, QDialogButtonBox::Cancel)->click();
    QCOMPARE(dialogue.result(), int(QDialog::Rejected));
    QVERIFY(!dialogue.isVisible());
    QVERIFY(repondeur->messages().isEmpty());
    QCOMPARE(ligneGeneral(), ECOLE_AVANT + QLatin1Char('|') + LANGUE_AVANT);
}

// ---------------------------------------------------------------------------
// Mot de passe

void TstParametres::motDePasse_data()
{
    QTest::addColumn<QByteArray>("avant"); // empreinte gardée au départ, vide : aucune
    QTest::addColumn<QString>("ancien");
    QTest::addColumn<QString>("nouveau1");
    QTest::addColumn<QString>("nouveau2");
    QTest::addColumn<QString>("message"); // avertissement attendu, vide : accepté
    QTest::addColumn<QByteArray>("apres");

    const QByteArray abc = md5("abc");
    QCOMPARE(abc, QByteArrayLiteral("900150983cd24fb0d6963f7d28e17f72"));
    const QString ancienFaux = QStringLiteral("Le mot de passe ancien ne correspond pas.");
    const QString differents = QStringLiteral("Les mots de passe ne correspondent pas.");
    const QByteArray absent("<absent>");

    QTest::newRow("premier mot de passe, ancien quelconque") << QByteArray() << "n'importe quoi"
                                                             << "abc"
                                                             << "abc" << QString() << abc;
    QTest::newRow("premier mot de passe, ancien vide") << QByteArray() << ""
                                                       << "abc"
                                                       << "abc" << QString() << abc;
    QTest::newRow("changement avec le bon ancien") << abc << "abc"
                                                   << "Écolier"
                                                   << "Écolier" << QString()
                                                   << md5("\xC9"
                                                          "colier");
    QTest::newRow("ancien faux") << abc << "abd"
                                 << "x"
                                 << "x" << ancienFaux << abc;
    QTest::newRow("ancien dans une autre casse") << abc << "ABC"
                                                 << "x"
                                                 << "x" << ancienFaux << abc;
    QTest::newRow("ancien vide") << abc << ""
                                 << ""
                                 << "" << ancienFaux << abc;
    QTest::newRow("ancien faux et nouveaux différents") << abc << "zzz"
                                                        << "x"
                                                        << "y" << ancienFaux << abc;
    QTest::newRow("nouveaux différents") << abc << "abc"
                                         << "secret"
                                         << "Secret" << differents << abc;
    QTest::newRow("nouveaux différents sans mot de passe") << QByteArray() << ""
                                                           << "secret"
                                                           << "" << differents << absent;
    QTest::newRow("retrait avec le bon ancien") << abc << "abc"
                                                << ""
                                                << "" << QString() << absent;
    QTest::newRow("retrait sans mot de passe") << QByteArray() << ""
                                               << ""
                                               << "" << QString() << absent;
    // Seule la forme 8 bits compte : les caractères hors Latin-1 deviennent « ? ».
    QTest::newRow("caractères hors Latin-1") << QByteArray() << ""
                                             << "Œuvre€"
                                             << "Œuvre€" << QString() << md5("?uvre?");
    QTest::newRow("hors Latin-1, réduits au même texte") << QByteArray() << ""
                                                         << "€uro"
                                                         << "Œuro" << QString() << md5("?uro");
}

void TstParametres::motDePasse()
{
    QFETCH(QByteArray, avant);
    QFETCH(QString, ancien);
    QFETCH(QString, nouveau1);
    QFETCH(QString, nouveau2);
    QFETCH(QString, message);
    QFETCH(QByteArray, apres);

    stocker(avant);
    diaMdp dialogue;
    dialogue.show();
    auto* edAncien = enfant<QLineEdit>(dialogue, "edAncien");
    auto* edNouv1 = enfant<QLineEdit>(dialogue, "edNouv1");
    auto* edNouv2 = enfant<QLineEdit>(dialogue, "edNouv2");
    edAncien->setText(ancien);
    edNouv1->setText(nouveau1);
    edNouv2->setText(nouveau2);
    if (!message.isEmpty())
        repondeur->bouton(QMessageBox::Ok);
    bouton(dialogue, QDialogButtonBox::Ok)->click();

    QCOMPARE(stockee(), apres);
    if (message.isEmpty()) {
        QVERIFY(repondeur->messages().isEmpty());
        QCOMPARE(dialogue.result(), int(QDialog::Accepted));
        QVERIFY(!dialogue.isVisible());
    } else {
        QCOMPARE(repondeur->messages().size(), 1);
        QCOMPARE(int(repondeur->dernier().genre), int(Invite::Genre::Avertissement));
        QCOMPARE(repondeur->dernier().titre, QStringLiteral("Mot de passe"));
        QCOMPARE(repondeur->dernier().texte, message);
        QVERIFY(dialogue.isVisible());
        QCOMPARE(dialogue.result(), int(QDialog::Rejected));
        QCOMPARE(edAncien->text(), ancien);
        QCOMPARE(edNouv1->text(), nouveau1);
        QCOMPARE(edNouv2->text(), nouveau2);
    }
}

void TstParametres::annulationMotDePasse()
{
    stocker(md5("abc"));
    diaMdp dialogue;
    dialogue.show();
    enfant<QLineEdit>(dialogue, "edAncien")->setText(QStringLiteral("abc"));
    bouton(dialogue, QDialogButtonBox::Cancel)->click();
    QCOMPARE(dialogue.result(), int(QDialog::Rejected));
    QVERIFY(!dialogue.isVisible());
    QCOMPARE(stockee(), md5("abc"));
}

void TstParametres::retraitOuvreLesFonctions()
{
    {
        diaMdp dialogue;
        dialogue.show();
        enfant<QLineEdit>(dialogue, "edNouv1")->setText(QStringLiteral("Craie"));
        enfant<QLineEdit>(dialogue, "edNouv2")->setText(QStringLiteral("Craie"));
        dialogue.accept();
        QCOMPARE(dialogue.result(), int(QDialog::Accepted));
    }
    auto fenetre = fenetrePrincipale();
    QVERIFY(fenetre);
    // Le mot de passe fixé est demandé ; une réponse vide refuse.
    repondeur->texteSaisi(QString());
    QVERIFY(!fenetre->accesAutorise());
    QVERIFY(repondeur->fileVide());

    {
        diaMdp dialogue;
        dialogue.show();
        enfant<QLineEdit>(dialogue, "edAncien")->setText(QStringLiteral("Craie"));
        dialogue.accept();
        QCOMPARE(dialogue.result(), int(QDialog::Accepted));
    }
    QCOMPARE(stockee(), QByteArrayLiteral("<absent>"));
    // Plus de mot de passe : l'accès est accordé sans rien demander (une question imprévue
    // ferait échouer l'essai).
    QVERIFY(fenetre->accesAutorise());
    QVERIFY(repondeur->sansImprevu());
    QVERIFY(repondeur->messages().isEmpty());
}

void TstParametres::caracteresHorsLatin1_data()
{
    QTest::addColumn<QString>("fixe");
    QTest::addColumn<QString>("saisi");
    QTest::addColumn<bool>("accorde");

    QTest::newRow("même texte") << "Œuvre d'été €"
                                << "Œuvre d'été €" << true;
    QTest::newRow("texte réduit à la même forme 8 bits") << "Œuvre d'été €"
                                                         << "?uvre d'été ?" << true;
    QTest::newRow("accents perdus") << "Œuvre d'été €"
                                    << "Œuvre d'ete €" << false;
}

void TstParametres::caracteresHorsLatin1()
{
    QFETCH(QString, fixe);
    QFETCH(QString, saisi);
    QFETCH(bool, accorde);

    {
        diaMdp dialogue;
        dialogue.show();
        enfant<QLineEdit>(dialogue, "edNouv1")->setText(fixe);
        enfant<QLineEdit>(dialogue, "edNouv2")->setText(fixe);
        dialogue.accept();
        QCOMPARE(dialogue.result(), int(QDialog::Accepted));
    }
    // L'empreinte est celle de la forme Latin-1, en hexadécimal minuscule.
    QCOMPARE(stockee(), md5("?uvre d'\xE9t\xE9 ?"));

    auto fenetre = fenetrePrincipale();
    QVERIFY(fenetre);
    repondeur->texteSaisi(saisi);
    if (!accorde) {
        repondeur->bouton(QMessageBox::Ok); // « Mot de passe incorrect ! »
        repondeur->texteSaisi(QString());
    }
    QCOMPARE(fenetre->accesAutorise(), accorde);
    QCOMPARE(repondeur->messages().size(), accorde ? 0 : 1);
}

QTEST_MAIN(TstParametres)
#include "tst_parametres.moc"
