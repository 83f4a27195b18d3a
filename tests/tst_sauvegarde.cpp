// Essais de la sauvegarde et de la restauration de la base entière : les questions posées,
// les messages montrés mot pour mot, et surtout l'état des fichiers et de la connexion par
// défaut après chaque chemin, réussi ou non.

#include "app/application.h"
#include "app/menusauvegarde.h"
#include "app/sauvegarde.h"
#include "db/schema.h"
#include "support/environnement.h"
#include "support/repondeuressai.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Un dialogue de choix de fichier ou de dossier tel qu'il a été ouvert.
struct Choix {
    QString titre;
    QString depart;
    QString filtre;
};

// Répondeur qui note en plus les dialogues de choix de fichier et de dossier.
class RepondeurChoix : public RepondeurEssai
{
public:
    QList<Choix> choix;

    QString dossier(QWidget* parent, const QString& titre, const QString& depart) override
    {
        choix.append({titre, depart, QString()});
        return RepondeurEssai::dossier(parent, titre, depart);
    }
    QString fichierAOuvrir(QWidget* parent, const QString& titre, const QString& depart,
                           const QString& filtre) override
    {
        choix.append({titre, depart, filtre});
        return RepondeurEssai::fichierAOuvrir(parent, titre, depart, filtre);
    }
};

// Les messages montrés, un par ligne de la forme « genre|titre|texte ».
QStringList notes(const QList<Invite::Message>& messages)
{
    QStringList lignes;
    for (const Invite::Message& m : messages) {
        const char* genre = "?";
        switch (m.genre) {
        case Invite::Genre::Information:
            genre = "I";
            break;
        case Invite::Genre::Avertissement:
            genre = "A";
            break;
        case Invite::Genre::Critique:
            genre = "C";
            break;
        case Invite::Genre::Question:
            genre = "Q";
            break;
        }
        lignes << QStringLiteral("%1|%2|%3").arg(QLatin1String(genre), m.titre, m.texte);
    }
    return lignes;
}

const QString COPIE = QStringLiteral("I|Copie|La base a été exportée sous le nom: QuorvelV3.sqlite");
const QString EXISTANT =
    QStringLiteral("Q|Fichier existant|Un fichier du même nom existe déjà. Faut-il le remplacer ?");
const QString CONFIRMATION1 =
    QStringLiteral("A|Restaurer une base de données|La restauration va remplacer la "
                   "base existante, qui sera supprimée.\nVoulez-vous vraiment "
                   "procéder à la restauration ?");
const QString CONFIRMATION2 = QStringLiteral(
    "A|Restauration de la base de données|TOUS les enregistrements actuels seront SUPPRIMES et "
    "la nouvelle base remplacera la précédente. Confirmez une dernière fois, ou annulez.");
const QString FIN =
    QStringLiteral("I|Fin de la restauration|Les opérations de restauration de la base sont terminées.");
const QString ILLISIBLE = QStringLiteral("Impossible de lire la version de la base. Restauration annulée.");
const QString INCOMPATIBLE = QStringLiteral(
    "La version de la base à restaurer incompatible avec cette version de Quorvel. Restauration annulée.");
const QString FILTRE = QStringLiteral("Fichiers SQLite (*.sqlite);;Tous fichiers (*.*)");

QByteArray contenu(const QString& chemin)
{
    QFile fichier(chemin);
    return fichier.open(QIODevice::ReadOnly) ? fichier.readAll() : QByteArray();
}

bool ecrire(const QString& chemin, const QByteArray& octets)
{
    QFile fichier(chemin);
    return fichier.open(QIODevice::WriteOnly | QIODevice::Truncate) && fichier.write(octets) == octets.size();
}

// Crée une base SQLite à part (connexion nommée retirée ensuite) et y exécute les instructions.
bool creerBase(const QString& chemin, const QStringList& instructions)
{
    const QString nom = QStringLiteral("essai_creation");
    bool reussi = false;
    {
        QSqlDatabase base = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nom);
        base.setDatabaseName(chemin);
        if (base.open()) {
            reussi = true;
            {
                QSqlQuery requete(base);
                for (const QString& instruction : instructions)
                    reussi = reussi && requete.exec(instruction);
            }
            base.close();
        }
    }
    QSqlDatabase::removeDatabase(nom);
    return reussi && QFile::exists(chemin);
}

// Base de la version actuelle, posée par le script du programme, au nom d'école donné.
bool creerBaseV3(const QString& chemin, const QString& ecole)
{
    const auto script = Schema::instructionsScript();
    return script &&
           creerBase(chemin,
                     *script +
                         QStringList{QStringLiteral("UPDATE general SET ecole='%1' WHERE id=1").arg(ecole)});
}

const QStringList BASE_V2{QStringLiteral("CREATE TABLE general(id INTEGER PRIMARY KEY, ecole TEXT, "
                                         "langue_defaut TINYTEXT, version INTEGER)"),
                          QStringLiteral("INSERT INTO general VALUES(1,'École B','anglais',2)")};

QSqlDatabase baseParDefaut()
{
    return QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false);
}

// Le nom d'école lu par la connexion par défaut ; un texte entre chevrons quand elle ne
// répond pas.
QString ecoleCourante()
{
    if (!baseParDefaut().isOpen())
        return QStringLiteral("<connexion fermée>");
    QSqlQuery requete;
    if (!requete.exec(QStringLiteral("SELECT ecole FROM general WHERE id=1")) || !requete.next())
        return QStringLiteral("<illisible>");
    return requete.value(0).toString();
}

// Vrai quand la connexion par défaut accepte une écriture puis la relit.
bool baseUtilisable()
{
    QSqlQuery requete;
    if (!requete.exec(QStringLiteral("INSERT INTO classes(libelle, tri) VALUES('CE1 essai', 9)")))
        return false;
    return requete.exec(QStringLiteral("SELECT COUNT(*) FROM classes WHERE libelle='CE1 essai'")) &&
           requete.next() && requete.value(0).toInt() == 1;
}

} // namespace

class TstSauvegarde : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void sauvegarde_data();
    void sauvegarde();
    void sauvegardeAnnulee();
    void restaurationAbandonnee_data();
    void restaurationAbandonnee();
    void restaurationRefusee_data();
    void restaurationRefusee();
    void restaurationReussie_data();
    void restaurationReussie();
    void deuxiemeRestauration();
    void restaurationEchouee_data();
    void restaurationEchouee();
    void renommageImpossible();

private:
    std::unique_ptr<QTemporaryDir> donnees;
    std::unique_ptr<QTemporaryDir> documents;
    std::unique_ptr<QTemporaryDir> fichiers;
    std::unique_ptr<QTemporaryDir> temporaire;
    std::unique_ptr<RepondeurChoix> repondeur;
    QByteArray tmpdirAvant;
    bool tmpdirDefini = false;

    static QString courante() { return Application::chemins().courante; }
    static QString ancienne() { return Application::chemins().courante + QStringLiteral(".bak"); }
    QString fichier(const QString& nom) const { return fichiers->filePath(nom); }
    // Les copies temporaires de la restauration restées dans le dossier temporaire.
    QStringList copiesTemporaires() const
    {
        return QDir(temporaire->path())
            .entryList({QStringLiteral("tmp_quorvel_*")}, QDir::Files | QDir::Hidden);
    }
    // Prépare les réponses d'une restauration menée jusqu'aux étapes.
    void confirmerRestauration(const QString& chemin)
    {
        repondeur->chemin(chemin);
        repondeur->bouton(QMessageBox::Yes);
        repondeur->bouton(QMessageBox::Yes);
        repondeur->bouton(QMessageBox::Ok); // message de fin ou d'erreur
    }
};

void TstSauvegarde::initTestCase()
{
    Environnement::preparer();
}

void TstSauvegarde::init()
{
    donnees = Environnement::nouveauDossierDonnees();
    documents = std::make_unique<QTemporaryDir>();
    fichiers = std::make_unique<QTemporaryDir>();
    temporaire = std::make_unique<QTemporaryDir>();
    QVERIFY(donnees->isValid() && documents->isValid() && fichiers->isValid() && temporaire->isValid());

    // Le dossier temporaire du système devient un dossier propre à l'essai, pour voir ce que
    // la restauration y laisse.
    tmpdirDefini = qEnvironmentVariableIsSet("TMPDIR");
    tmpdirAvant = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(temporaire->path()));
    QCOMPARE(QDir::tempPath(), temporaire->path());

    QVERIFY(Environnement::ouvrirBase());
    QVERIFY(Environnement::poserSchema());
    QVERIFY(QSqlQuery().exec(QStringLiteral("UPDATE general SET ecole='École A' WHERE id=1")));
    repondeur = std::make_unique<RepondeurChoix>();
}

void TstSauvegarde::cleanup()
{
    if (tmpdirDefini)
        qputenv("TMPDIR", tmpdirAvant);
    else
        qunsetenv("TMPDIR");
    const bool fileVide = repondeur->fileVide();
    repondeur.reset();
    Environnement::fermerBase();
    temporaire.reset();
    fichiers.reset();
    documents.reset();
    donnees.reset();
    QVERIFY2(fileVide, "des réponses préparées n'ont pas servi");
}

// ---------------------------------------------------------------------------
// Sauvegarde

void TstSauvegarde::sauvegarde_data()
{
    QTest::addColumn<QString>("sousDossier"); // ajouté au dossier choisi
    QTest::addColumn<bool>("cibleExistante");
    QTest::addColumn<int>("reponse"); // à la question du fichier existant
    QTest::addColumn<bool>("copiee");
    QTest::addColumn<QStringList>("attendus");

    QTest::newRow("dossier vide") << QString() << false << int(QMessageBox::NoButton) << true
                                  << QStringList{COPIE};
    QTest::newRow("fichier existant, Non")
        << QString() << true << int(QMessageBox::No) << false << QStringList{EXISTANT};
    QTest::newRow("fichier existant, Oui")
        << QString() << true << int(QMessageBox::Yes) << true << QStringList{EXISTANT, COPIE};
    QTest::newRow("dossier inexistant")
        << QStringLiteral("/absent") << false << int(QMessageBox::NoButton) << false
        << QStringList{QStringLiteral("A|Erreur|La base n'a pas pu être exportée correctement.")};
}

void TstSauvegarde::sauvegarde()
{
    QFETCH(QString, sousDossier);
    QFETCH(bool, cibleExistante);
    QFETCH(int, reponse);
    QFETCH(bool, copiee);
    QFETCH(QStringList, attendus);

    const QString dossierChoisi = fichiers->path() + sousDossier;
    const QString cible = dossierChoisi + QStringLiteral("/QuorvelV3.sqlite");
    const QByteArray ancienneCible("ancienne sauvegarde");
    if (cibleExistante)
        QVERIFY(ecrire(cible, ancienneCible));
    const QByteArray base = contenu(courante());
    QVERIFY(!base.isEmpty());

    QString dossierDocuments = documents->path();
    repondeur->chemin(dossierChoisi);
    if (reponse != QMessageBox::NoButton)
        repondeur->bouton(QMessageBox::StandardButton(reponse));
    if (reponse != QMessageBox::No)
        repondeur->bouton(QMessageBox::Ok); // message de fin ou d'erreur
    sauvegarderBase(nullptr, dossierDocuments);

    QCOMPARE(notes(repondeur->messages()), attendus);
    QCOMPARE(repondeur->choix.size(), 1);
    QCOMPARE(repondeur->choix.first().titre, QStringLiteral("Dossier de destination pour la sauvegarde"));
    QCOMPARE(repondeur->choix.first().depart, documents->path());
    // Le dossier choisi est retenu, que la copie ait lieu ou non.
    QCOMPARE(dossierDocuments, dossierChoisi);

    if (copiee)
        QCOMPARE(contenu(cible), base);
    else if (cibleExistante)
        QCOMPARE(contenu(cible), ancienneCible);
    else
        QVERIFY(!QFile::exists(cible));
    // La base courante n'a pas bougé et reste ouverte.
    QCOMPARE(contenu(courante()), base);
    QVERIFY(baseParDefaut().isOpen());
    QCOMPARE(ecoleCourante(), QStringLiteral("École A"));
}

void TstSauvegarde::sauvegardeAnnulee()
{
    // Une première sauvegarde retient son dossier ; la suivante part de là.
    QString dossierDocuments = documents->path();
    repondeur->chemin(fichiers->path());
    repondeur->bouton(QMessageBox::Ok);
    sauvegarderBase(nullptr, dossierDocuments);
    QCOMPARE(dossierDocuments, fichiers->path());

    repondeur->annulation();
    repondeur->bouton(QMessageBox::Ok);
    sauvegarderBase(nullptr, dossierDocuments);
    QCOMPARE(notes(repondeur->messages()),
             QStringList({COPIE, QStringLiteral("I|Annulation|La sauvegarde est annulée")}));
    QCOMPARE(repondeur->choix.size(), 2);
    QCOMPARE(repondeur->choix.at(1).depart, fichiers->path());
    QCOMPARE(dossierDocuments, fichiers->path());
    QCOMPARE(QDir(documents->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}

// ---------------------------------------------------------------------------
// Restauration

void TstSauvegarde::restaurationAbandonnee_data()
{
    QTest::addColumn<bool>("fichierChoisi");
    QTest::addColumn<QList<int>>("boutons");
    QTest::addColumn<QStringList>("attendus");

    QTest::newRow("aucun fichier choisi") << false << QList<int>() << QStringList();
    QTest::newRow("première confirmation refusée")
        << true << QList<int>{QMessageBox::No} << QStringList{CONFIRMATION1};
    QTest::newRow("seconde confirmation annulée") << true << QList<int>{QMessageBox::Yes, QMessageBox::Cancel}
                                                  << QStringList{CONFIRMATION1, CONFIRMATION2};
}

void TstSauvegarde::restaurationAbandonnee()
{
    QFETCH(bool, fichierChoisi);
    QFETCH(QList<int>, boutons);
    QFETCH(QStringList, attendus);

    QVERIFY(creerBaseV3(fichier("autre.sqlite"), QStringLiteral("École B")));
    const QByteArray base = contenu(courante());
    if (fichierChoisi)
        repondeur->chemin(fichier("autre.sqlite"));
    else
        repondeur->annulation();
    for (int bouton : boutons)
        repondeur->bouton(QMessageBox::StandardButton(bouton));

    restaurerBase(nullptr, documents->path());

    QCOMPARE(notes(repondeur->messages()), attendus);
    QCOMPARE(repondeur->choix.size(), 1);
    QCOMPARE(repondeur->choix.first().titre, QStringLiteral("Restaurer la base de données"));
    QCOMPARE(repondeur->choix.first().depart, documents->path());
    QCOMPARE(repondeur->choix.first().filtre, FILTRE);
    QCOMPARE(contenu(courante()), base);
    QVERIFY(!QFile::exists(ancienne()));
    QCOMPARE(ecoleCourante(), QStringLiteral("École A"));
    QCOMPARE(copiesTemporaires(), QStringList());
}

void TstSauvegarde::restaurationRefusee_data()
{
    QTest::addColumn<QString>("sorte"); // base, texte ou absent
    QTest::addColumn<QStringList>("instructions");
    QTest::addColumn<QString>("message"); // vide : celui de la copie temporaire impossible

    QTest::newRow("version 2") << "base" << BASE_V2 << INCOMPATIBLE;
    QTest::newRow("version vide") << "base"
                                  << QStringList{BASE_V2.first(),
                                                 "INSERT INTO general VALUES(1,'École B','anglais',NULL)"}
                                  << INCOMPATIBLE;
    QTest::newRow("sans ligne 1") << "base"
                                  << QStringList{BASE_V2.first(),
                                                 "INSERT INTO general VALUES(2,'École B','anglais',3)"}
                                  << ILLISIBLE;
    QTest::newRow("sans table general")
        << "base" << QStringList{"CREATE TABLE autre(x INTEGER)"} << ILLISIBLE;
    QTest::newRow("fichier vide") << "base" << QStringList() << ILLISIBLE;
    QTest::newRow("pas une base") << "texte" << QStringList() << ILLISIBLE;
    QTest::newRow("fichier absent") << "absent" << QStringList() << QString();
}

void TstSauvegarde::restaurationRefusee()
{
    QFETCH(QString, sorte);
    QFETCH(QStringList, instructions);
    QFETCH(QString, message);

    const QString choisi = fichier(QStringLiteral("candidat.sqlite"));
    if (sorte == QLatin1String("base"))
        QVERIFY(creerBase(choisi, instructions));
    else if (sorte == QLatin1String("texte"))
        QVERIFY(ecrire(choisi, QByteArray("Nom;Prénom;Classe\nDupont;Léa;CE1\n").repeated(200)));
    const QByteArray base = contenu(courante());

    confirmerRestauration(choisi);
    restaurerBase(nullptr, documents->path());

    const QStringList vus = notes(repondeur->messages());
    QCOMPARE(vus.size(), 3);
    QCOMPARE(vus.mid(0, 2), QStringList({CONFIRMATION1, CONFIRMATION2}));
    if (message.isEmpty()) {
        // Le nom temporaire est tiré du dossier temporaire du système, selon le modèle.
        const QRegularExpression motif(
            QStringLiteral("^C\\|Erreur\\|Impossible de recopier le fichier %1 vers "
                           "%2/tmp_quorvel_[A-Za-z0-9]{6}\\.sqlite$")
                .arg(QRegularExpression::escape(choisi), QRegularExpression::escape(temporaire->path())));
        QVERIFY2(motif.match(vus.at(2)).hasMatch(), qPrintable(vus.at(2)));
    } else {
        QCOMPARE(vus.at(2), QStringLiteral("C|Erreur|") + message);
    }

    // Rien n'a été touché : même fichier, toujours ouvert, toujours utilisable.
    QCOMPARE(contenu(courante()), base);
    QVERIFY(!QFile::exists(ancienne()));
    QVERIFY(baseParDefaut().isOpen());
    QCOMPARE(ecoleCourante(), QStringLiteral("École A"));
    QVERIFY(baseUtilisable());
    QVERIFY(!QSqlDatabase::contains(Sauvegarde::CONNEXION_TEMPORAIRE));
    QCOMPARE(copiesTemporaires(), QStringList());
}

void TstSauvegarde::restaurationReussie_data()
{
    QTest::addColumn<bool>("baseEnUsage"); // restaure le fichier même de la base courante
    QTest::addColumn<bool>("observer");    // regarde la copie temporaire au moment de la recopie

    QTest::newRow("autre base") << false << false;
    QTest::newRow("base en usage") << true << false;
    QTest::newRow("autre base, recopie observée") << false << true;
}

void TstSauvegarde::restaurationReussie()
{
    QFETCH(bool, baseEnUsage);
    QFETCH(bool, observer);

    const QByteArray avant = contenu(courante());
    QString choisi = courante();
    if (!baseEnUsage) {
        choisi = fichier(QStringLiteral("autre.sqlite"));
        QVERIFY(creerBaseV3(choisi, QStringLiteral("École B")));
    }
    const QByteArray candidat = contenu(choisi);
    QVERIFY(!candidat.isEmpty());

    Sauvegarde::OptionsRestauration options;
    QString temporaireVu;
    QByteArray copieVue;
    if (observer) {
        options.recopie = [&](const QString& source, const QString& destination) {
            temporaireVu = source;
            copieVue = contenu(source);
            return QFile::copy(source, destination);
        };
    }
    confirmerRestauration(choisi);
    restaurerBase(nullptr, documents->path(), options);

    QCOMPARE(notes(repondeur->messages()), QStringList({CONFIRMATION1, CONFIRMATION2, FIN}));
    QCOMPARE(contenu(ancienne()), avant);
    QCOMPARE(contenu(courante()), candidat);
    QVERIFY(baseParDefaut().isOpen());
    QCOMPARE(baseParDefaut().databaseName(), courante());
    QCOMPARE(ecoleCourante(), baseEnUsage ? QStringLiteral("École A") : QStringLiteral("École B"));
    QVERIFY(baseUtilisable());
    QVERIFY(!QSqlDatabase::contains(Sauvegarde::CONNEXION_TEMPORAIRE));
    QCOMPARE(copiesTemporaires(), QStringList());
    if (observer) {
        QVERIFY2(QRegularExpression(QStringLiteral("^%1/tmp_quorvel_[A-Za-z0-9]{6}\\.sqlite$")
                                        .arg(QRegularExpression::escape(temporaire->path())))
                     .match(temporaireVu)
                     .hasMatch(),
                 qPrintable(temporaireVu));
        QCOMPARE(copieVue, candidat);
        QVERIFY(!QFile::exists(temporaireVu));
    }
}

void TstSauvegarde::deuxiemeRestauration()
{
    const QString b = fichier(QStringLiteral("b.sqlite"));
    const QString c = fichier(QStringLiteral("c.sqlite"));
    QVERIFY(creerBaseV3(b, QStringLiteral("École B")));
    QVERIFY(creerBaseV3(c, QStringLiteral("École C")));
    const QByteArray a = contenu(courante());

    confirmerRestauration(b);
    restaurerBase(nullptr, documents->path());
    QCOMPARE(contenu(ancienne()), a);
    QCOMPARE(ecoleCourante(), QStringLiteral("École B"));

    confirmerRestauration(c);
    restaurerBase(nullptr, documents->path());
    QCOMPARE(notes(repondeur->messages()),
             QStringList({CONFIRMATION1, CONFIRMATION2, FIN, CONFIRMATION1, CONFIRMATION2, FIN}));
    // La seconde restauration remplace l'ancienne base laissée par la première.
    QCOMPARE(contenu(ancienne()), contenu(b));
    QCOMPARE(contenu(courante()), contenu(c));
    QCOMPARE(ecoleCourante(), QStringLiteral("École C"));
    QCOMPARE(copiesTemporaires(), QStringList());
}

void TstSauvegarde::restaurationEchouee_data()
{
    QTest::addColumn<QString>("panne");
    QTest::addColumn<QString>("message"); // vide : celui de la recopie manquée

    QTest::newRow("recopie manquée sans fichier") << "rien" << QString();
    QTest::newRow("recopie manquée à moitié") << "debut" << QString();
    QTest::newRow("base recopiée illisible") << "illisible" << ILLISIBLE;
    QTest::newRow("base recopiée d'une autre version") << "version 2" << INCOMPATIBLE;
}

void TstSauvegarde::restaurationEchouee()
{
    QFETCH(QString, panne);
    QFETCH(QString, message);

    const QString choisi = fichier(QStringLiteral("autre.sqlite"));
    QVERIFY(creerBaseV3(choisi, QStringLiteral("École B")));
    const QString v2 = fichier(QStringLiteral("v2.sqlite"));
    QVERIFY(creerBase(v2, BASE_V2));
    const QByteArray avant = contenu(courante());

    // La recopie de l'étape 8 tombe en panne, ou met à la place de la base un autre fichier
    // que la copie examinée.
    QString temporaireVu;
    bool copieExistait = false;
    bool baseFermee = false;
    bool ancienneEnPlace = false;
    Sauvegarde::OptionsRestauration options;
    options.recopie = [&](const QString& source, const QString& destination) {
        temporaireVu = source;
        copieExistait = QFile::exists(source);
        baseFermee = !baseParDefaut().isOpen();
        ancienneEnPlace = contenu(ancienne()) == avant && !QFile::exists(destination);
        if (panne == QLatin1String("debut")) {
            ecrire(destination, QByteArray("SQLite format 3"));
            return false;
        }
        if (panne == QLatin1String("illisible"))
            return ecrire(destination, QByteArray("ceci n'est pas une base").repeated(100));
        if (panne == QLatin1String("version 2"))
            return QFile::copy(v2, destination);
        return false;
    };
    confirmerRestauration(choisi);
    restaurerBase(nullptr, documents->path(), options);

    QVERIFY(copieExistait);
    QVERIFY(baseFermee);
    QVERIFY(ancienneEnPlace);
    if (message.isEmpty())
        message = QStringLiteral("erreur de copie de %1 vers %2").arg(temporaireVu, courante());
    QCOMPARE(notes(repondeur->messages()),
             QStringList({CONFIRMATION1, CONFIRMATION2, QStringLiteral("C|Erreur|") + message}));

    // L'ancienne base est revenue sous son nom, et le programme repart dessus.
    QCOMPARE(contenu(courante()), avant);
    QVERIFY(!QFile::exists(ancienne()));
    QVERIFY(baseParDefaut().isOpen());
    QCOMPARE(ecoleCourante(), QStringLiteral("École A"));
    QVERIFY(baseUtilisable());
    QVERIFY(!QFile::exists(temporaireVu));
    QCOMPARE(copiesTemporaires(), QStringList());
}

void TstSauvegarde::renommageImpossible()
{
    // Un dossier qui porte le nom de l'ancienne base ne peut être ni supprimé ni remplacé.
    QVERIFY(QDir().mkpath(ancienne() + QStringLiteral("/bloque")));
    const QString choisi = fichier(QStringLiteral("autre.sqlite"));
    QVERIFY(creerBaseV3(choisi, QStringLiteral("École B")));
    const QByteArray avant = contenu(courante());

    confirmerRestauration(choisi);
    restaurerBase(nullptr, documents->path());

    QCOMPARE(notes(repondeur->messages()),
             QStringList({CONFIRMATION1, CONFIRMATION2,
                          QStringLiteral("C|Erreur|Impossible de renommer la base de donnée %1 en %2. "
                                         "Restauration annulée")
                              .arg(courante(), ancienne())}));
    QCOMPARE(contenu(courante()), avant);
    QVERIFY(baseParDefaut().isOpen());
    QCOMPARE(ecoleCourante(), QStringLiteral("École A"));
    QVERIFY(baseUtilisable());
    QCOMPARE(copiesTemporaires(), QStringList());
}

QTEST_MAIN(TstSauvegarde)
#include "tst_sauvegarde.moc"
