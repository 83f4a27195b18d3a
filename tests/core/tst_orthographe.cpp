// SPDX-License-Identifier: GPL-3.0-or-later
// Orthographe de ce que lit l'enseignante : les textes des formulaires (.ui), les textes passés à
// tr() et aux fonctions de traduction, le livret, la page d'attestation imprimée, le guide et
// les fiches du bureau. Le correcteur est hunspell, avec le dictionnaire français de Debian
// (paquets hunspell et hunspell-fr) et la courte liste des mots propres au programme
// (tests/donnees/mots-quorvel.txt) : un mot inconnu fait échouer l'essai, qui nomme les
// fichiers où il se trouve.
#include "core/db/chargeurlivret.h"
#include "core/db/initialisation.h"
#include "core/print/composition.h"
#include "support/donnees.h"
#include "support/environnement.h"
#include "support/sql.h"

#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QTextDocumentFragment>
#include <QXmlStreamReader>

#include <array>
#include <optional>

namespace {

// Un texte montré, et le fichier d'où il vient.
struct Texte {
    QString lieu;
    QString texte;
};
using Textes = QList<Texte>;

const QString RACINE = QStringLiteral(QUORVEL_RACINE);

QString lire(const QString& chemin)
{
    QFile fichier(chemin);
    if (!fichier.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(fichier.readAll());
}

QString relatif(const QString& chemin)
{
    return chemin.mid(RACINE.size() + 1);
}

// Le texte lu d'un fragment HTML (infobulles des formulaires, guide).
QString sansBalises(const QString& texte)
{
    return texte.contains(QLatin1Char('<')) ? QTextDocumentFragment::fromHtml(texte).toPlainText() : texte;
}

QStringList fichiers(const QString& dossier, const QStringList& motifs)
{
    QStringList chemins;
    QDirIterator parcours(RACINE + QLatin1Char('/') + dossier, motifs, QDir::Files,
                          QDirIterator::Subdirectories);
    while (parcours.hasNext())
        chemins << parcours.next();
    chemins.sort();
    return chemins;
}

// Les textes visibles des formulaires : titres, libellés, infobulles, textes d'aide, noms lus par
// un lecteur d'écran ; pas ceux que le formulaire marque « notr ».
Textes formulaires()
{
    static const QSet<QString> visibles{
        "text",  "windowTitle",     "toolTip",        "statusTip", "whatsThis",
        "title", "placeholderText", "accessibleName", "label",     "accessibleDescription"};
    Textes textes;
    for (const QString& chemin : fichiers(QStringLiteral("src"), {QStringLiteral("*.ui")})) {
        QFile fichier(chemin);
        if (!fichier.open(QIODevice::ReadOnly))
            continue;
        QXmlStreamReader xml(&fichier);
        QString propriete;
        while (!xml.atEnd()) {
            xml.readNext();
            if (!xml.isStartElement())
                continue;
            if (xml.name() == QLatin1String("property") || xml.name() == QLatin1String("attribute"))
                propriete = xml.attributes().value(QLatin1String("name")).toString();
            else if (xml.name() == QLatin1String("string") && visibles.contains(propriete) &&
                     xml.attributes().value(QLatin1String("notr")) != QLatin1String("true"))
                textes.append({relatif(chemin), sansBalises(xml.readElementText())});
        }
    }
    return textes;
}

// Une suite de littéraux de chaîne collés (« "a" "b" ») à partir de `position`, échappements
// rendus ; rien quand il n'y en a pas.
std::optional<QString> litteraux(const QString& source, qsizetype& position)
{
    static const QRegularExpression litteral(QStringLiteral("\\s*\"((?:[^\"\\\\\\n]|\\\\.)*)\""));
    QString texte;
    bool trouve = false;
    for (;;) {
        const QRegularExpressionMatch m = litteral.match(source, position, QRegularExpression::NormalMatch,
                                                         QRegularExpression::AnchorAtOffsetMatchOption);
        if (!m.hasMatch())
            break;
        trouve = true;
        position = m.capturedEnd();
        const QString brut = m.captured(1);
        for (qsizetype i = 0; i < brut.size(); ++i) {
            if (brut.at(i) != QLatin1Char('\\') || i + 1 == brut.size()) {
                texte += brut.at(i);
                continue;
            }
            const QChar suivant = brut.at(++i);
            texte += suivant == QLatin1Char('n')   ? QChar(QLatin1Char('\n'))
                     : suivant == QLatin1Char('t') ? QChar(QLatin1Char(' '))
                                                   : suivant;
        }
    }
    return trouve ? std::optional<QString>(texte) : std::nullopt;
}

// Les textes passés à tr(), à QCoreApplication::translate() (et aux petites fonctions
// « traduire » qui l'appellent) et aux marques QT_TR_NOOP / QT_TRANSLATE_NOOP.
Textes textesTraduits()
{
    static const QRegularExpression appel(
        QStringLiteral("\\b(tr|traduire|QT_TR_NOOP|translate|QT_TRANSLATE_NOOP)\\s*\\("));
    static const QRegularExpression contexte(QStringLiteral("\\s*\"[^\"]*\"\\s*,"));
    Textes textes;
    for (const QString& chemin :
         fichiers(QStringLiteral("src"), {QStringLiteral("*.cpp"), QStringLiteral("*.h")})) {
        const QString source = lire(chemin);
        for (QRegularExpressionMatchIterator it = appel.globalMatch(source); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            qsizetype position = m.capturedEnd();
            if (m.captured(1).contains(QLatin1String("translate"), Qt::CaseInsensitive)) {
                const QRegularExpressionMatch c =
                    contexte.match(source, position, QRegularExpression::NormalMatch,
                                   QRegularExpression::AnchorAtOffsetMatchOption);
                if (!c.hasMatch())
                    continue;
                position = c.capturedEnd();
            }
            if (const std::optional<QString> texte = litteraux(source, position))
                textes.append({relatif(chemin), sansBalises(*texte)});
        }
    }
    return textes;
}

// Le livret tel que la base neuve le reçoit.
Textes livret()
{
    Textes textes;
    ChargeurLivret chargeur;
    for (const NoeudLivret& noeud : chargeur.lire(Initialisation::RESSOURCE_LIVRET).valeurOu({}))
        textes.append({QStringLiteral("livret, ") + noeud.ref, noeud.libelle});
    return textes;
}

// La page d'attestation d'un élève, telle qu'elle part à l'imprimante (ses textes ne passent pas
// par tr()).
Textes attestation()
{
    Environnement::Dossier dossier = Environnement::nouveauDossierDonnees();
    if (!Environnement::ouvrirBase() || !Environnement::initialiserBase())
        return {};
    const qint64 eleve = Sql::valeur("INSERT INTO eleves(nom, prenom) VALUES('Durand', 'Zoé')").toLongLong();
    return {
        {QStringLiteral("attestation imprimée"),
         sansBalises(Composition::htmlAttestation(Sql::idRef(QStringLiteral("P2")), eleve,
                                                  QStringLiteral("École des Tilleuls"), OptionsImpression())
                         .valeurOu({}))}};
}

// Le guide, sans ce qui est en <code> (chemins, noms de fichiers, commandes).
Textes guide()
{
    static const QRegularExpression code(QStringLiteral("<code>.*?</code>"),
                                         QRegularExpression::DotMatchesEverythingOption);
    QString html = lire(RACINE + QStringLiteral("/docs/quorvel.html"));
    html.replace(code, QStringLiteral(" "));
    return {{QStringLiteral("docs/quorvel.html"), sansBalises(html)}};
}

// Nom, commentaire et description du programme dans les menus et les logithèques.
Textes fichesBureau()
{
    Textes textes;
    for (const QString& ligne :
         lire(RACINE + QStringLiteral("/packaging/fr.quorvel.Quorvel.desktop")).split('\n'))
        if (ligne.startsWith(QLatin1String("Name=")) || ligne.startsWith(QLatin1String("GenericName=")) ||
            ligne.startsWith(QLatin1String("Comment=")))
            textes.append({QStringLiteral("packaging/fr.quorvel.Quorvel.desktop"), ligne.section('=', 1)});
    const QString fiche = lire(RACINE + QStringLiteral("/packaging/fr.quorvel.Quorvel.metainfo.xml"));
    static const QRegularExpression prose(QStringLiteral("<(summary|p|li)>(.*?)</\\1>"),
                                          QRegularExpression::DotMatchesEverythingOption);
    for (QRegularExpressionMatchIterator it = prose.globalMatch(fiche); it.hasNext();)
        textes.append({QStringLiteral("packaging/fr.quorvel.Quorvel.metainfo.xml"), it.next().captured(2)});
    return textes;
}

// Ce qui n'est pas de la prose : lettres soulignées des menus (« &Fichiers »), paramètres
// (« %1 »), motifs de fichiers (« *.csv »), noms de fichiers ; et le nom d'un système extérieur,
// gardé tel qu'il s'écrit : « Base Elèves ».
QString prose(QString texte)
{
    static const QList<std::pair<QRegularExpression, QString>> retraits = {
        {QRegularExpression(QStringLiteral("&(?=&)")), QString()},
        {QRegularExpression(QStringLiteral("&(?=\\S)")), QString()},
        {QRegularExpression(QStringLiteral("%(\\d+|n|L\\d+)")), QStringLiteral(" ")},
        {QRegularExpression(QStringLiteral("\\*\\.[\\w*]+")), QStringLiteral(" ")},
        {QRegularExpression(QStringLiteral("[\\w.-]+\\.(sqlite|xml|csv|html|pdf|png|sql|bak)\\b")),
         QStringLiteral(" ")},
        {QRegularExpression(QStringLiteral("\\bBase Elèves\\b")), QStringLiteral(" ")},
        // Apostrophes droites prises comme guillemets (« le champ 'upd' »).
        {QRegularExpression(QStringLiteral("(?<!\\w)'|'(?!\\w)")), QStringLiteral(" ")},
    };
    for (const auto& [motif, remplacement] : retraits)
        texte.replace(motif, remplacement);
    return texte;
}

// Les mots que hunspell ne connaît pas dans ces textes, chacun avec les lieux où il se trouve ;
// `erreur` reçoit la raison quand hunspell n'a pas pu tourner.
QMap<QString, QStringList> motsInconnus(const Textes& textes, QString* erreur)
{
    QProcess hunspell;
    hunspell.start(QStringLiteral("hunspell"),
                   {QStringLiteral("-d"), QStringLiteral("fr_FR"), QStringLiteral("-p"),
                    RACINE + QStringLiteral("/tests/donnees/mots-quorvel.txt"), QStringLiteral("-i"),
                    QStringLiteral("utf-8"), QStringLiteral("-l")});
    if (!hunspell.waitForStarted()) {
        *erreur = QStringLiteral("hunspell introuvable (paquets Debian hunspell et hunspell-fr, "
                                 "installés par scripts/dependances)");
        return {};
    }
    QStringList lignes;
    for (const Texte& t : textes)
        lignes << prose(t.texte);
    hunspell.write(lignes.join(QLatin1Char('\n')).toUtf8() + '\n');
    hunspell.closeWriteChannel();
    hunspell.waitForFinished(-1);
    const QString sortieErreur = QString::fromUtf8(hunspell.readAllStandardError()).trimmed();
    if (hunspell.exitStatus() != QProcess::NormalExit || hunspell.exitCode() != 0 ||
        !sortieErreur.isEmpty()) {
        *erreur = QStringLiteral("hunspell a échoué : ") + sortieErreur;
        return {};
    }
    QMap<QString, QStringList> inconnus;
    for (const QString& mot :
         QString::fromUtf8(hunspell.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts)) {
        const QRegularExpression seul(QStringLiteral("(?<![\\p{L}\\p{N}])") +
                                      QRegularExpression::escape(mot) + QStringLiteral("(?![\\p{L}\\p{N}])"));
        QStringList& lieux = inconnus[mot];
        for (const Texte& t : textes)
            if (prose(t.texte).contains(seul) && !lieux.contains(t.lieu))
                lieux << t.lieu;
    }
    return inconnus;
}

} // namespace

class TstOrthographe : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { Environnement::preparer(); }

    void orthographe_data()
    {
        QTest::addColumn<int>("source");
        ligne("formulaires", 0);
        ligne("textes traduits", 1);
        ligne("livret", 2);
        ligne("attestation imprimée", 3);
        ligne("guide", 4);
        ligne("fiches du bureau", 5);
    }
    void orthographe()
    {
        QFETCH(int, source);
        const Textes textes = std::array<Textes (*)(), 6>{
            formulaires, textesTraduits, livret, attestation, guide, fichesBureau}[source]();
        QVERIFY(!textes.isEmpty());
        QString erreur;
        const QMap<QString, QStringList> inconnus = motsInconnus(textes, &erreur);
        QVERIFY2(erreur.isEmpty(), qPrintable(erreur));
        for (auto mot = inconnus.cbegin(); mot != inconnus.cend(); ++mot)
            qWarning("« %s » : %s", qPrintable(mot.key()),
                     qPrintable(mot.value().join(QStringLiteral(", "))));
        QVERIFY2(inconnus.isEmpty(),
                 "mots inconnus ci-dessus : corrigez-les, ou ajoutez un terme propre au programme à "
                 "tests/donnees/mots-quorvel.txt");
    }

    // Le correcteur voit bien les fautes : sans quoi l'essai ci-dessus passerait toujours.
    void fauteVue()
    {
        QString erreur;
        const QMap<QString, QStringList> inconnus = motsInconnus(
            {{QStringLiteral("essai"),
              QStringLiteral(
                  "Edtion des paliers : Etes-vous sûr de vouloir réinitialiser la base ? Base Elèves")}},
            &erreur);
        QVERIFY2(erreur.isEmpty(), qPrintable(erreur));
        QCOMPARE(inconnus.keys(), (QStringList{"Edtion", "Etes-vous"}));
    }
};

QTEST_MAIN(TstOrthographe)
#include "tst_orthographe.moc"
