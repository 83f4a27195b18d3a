// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/commun/transaction.h"
#include "core/db/chargeurlivret.h"
#include "core/db/initialisation.h"
#include "support/donnees.h"
#include "support/environnement.h"
#include "support/sql.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QTest>
#include <QTextStream>

#include <optional>

namespace {

using Sql::lignes;

// L'arbre dans l'ordre des clés, « code|profondeur|numéro|code du parent|libellé ».
QStringList arbre()
{
    return lignes(QStringLiteral("SELECT c.ref, c.profondeur, c.numero, IFNULL(p.ref, ''), c.libelle "
                                 "FROM competences c LEFT JOIN competences p ON p.id_comp = c.id_comp_parent "
                                 "ORDER BY c.id_comp"));
}

// Le refus d'un chargement, en texte comparable ; vide quand il a réussi.
QString refus(const Resultat<>& chargement)
{
    if (chargement)
        return {};
    const Erreur& e = chargement.erreur();
    switch (e.raison) {
    case Raison::ReferenceSansLibelle:
        return QStringLiteral("sans code %1,%2").arg(e.ligne).arg(e.colonne);
    case Raison::LibelleVide:
        return QStringLiteral("libellé vide %1,%2").arg(e.ligne).arg(e.colonne);
    case Raison::LivretAvecNotes:
        return QStringLiteral("notes");
    default:
        return QStringLiteral("raison %1 : %2").arg(int(e.raison)).arg(e.texte);
    }
}

const QByteArray LIVRET_INITIAL = "P1/Palier 1;P1C1/Comp\xE9tence 1;P1C1A/Dire;P1C1A1/Parler\n";

// Les 212 codes du livret, dans l'ordre du fichier, donc des clés 1 à 212. Deux paires d'items
// (P2C5D5 et P2C5D4, P2C6B2 et P2C6B1) sont dans l'ordre des listes officielles, non dans celui
// de leurs codes.
const QStringList CODES_LIVRET =
    QStringLiteral(
        "P1 P1C1 P1C1A P1C1A1 P1C1A2 P1C1A3 P1C1B P1C1B1 P1C1B2 P1C1B3 P1C1B4 P1C1B5 P1C1C P1C1C1 P1C1C2 "
        "P1C1C3 P1C1D P1C1D1 P1C1D2 P1C1D3 P1C1D4 P1C1D5 P1C1E P1C1E1 P1C1E2 P1C1E3 P1C1E4 P1C1F P1C1F1 "
        "P1C1F2 P1C1F3 P1C3 P1C3A P1C3A1 P1C3A2 P1C3A3 P1C3A4 P1C3A5 P1C3A6 P1C3A7 P1C3A8 P1C3B P1C3B1 "
        "P1C3B2 P1C3B3 P1C3B4 P1C3B5 P1C3B6 P1C3C P1C3C1 P1C3C2 P1C3C3 P1C3D P1C3D1 P1C3D2 P1C6 P1C6A "
        "P1C6A1 P1C6B P1C6B1 P1C6B2 P1C6B3 P2 P2C1 P2C1A P2C1A1 P2C1A2 P2C1A3 P2C1A4 P2C2A5 P2C1B P2C1B1 "
        "P2C1B2 P2C1B3 P2C1B4 P2C1B5 P2C1B6 P2C1B7 P2C1B8 P2C1B9 P2C1BA P2C1C P2C1C1 P2C1C2 P2C1C3 P2C1C4 "
        "P2C1D P2C1D1 P2C1D2 P2C1D3 P2C1D4 P2C1E P2C1E1 P2C1E2 P2C1E3 P2C1F P2C1F1 P2C1F2 P2C1F3 P2C2 "
        "P2C2A P2C2A1 P2C2A2 P2C2A3 P2C2A4 P2C2B P2C2B1 P2C2B2 P2C2B3 P2C2C P2C2C1 P2C2C2 P2C2C3 P2C2D "
        "P2C2D1 P2C2D2 P2C2E P2C2E1 P2C2E2 P2C2E3 P2C2E4 P2C2E5 P2C3 P2C3A P2C3A1 P2C3A2 P2C3A3 P2C3A4 "
        "P2C3A5 P2C3A6 P2C3A7 P2C3A8 P2C3B P2C3B1 P2C3B2 P2C3B3 P2C3B4 P2C3C P2C3C1 P2C3C2 P2C3C3 P2C3C4 "
        "P2C3D P2C3D1 P2C3D2 P2C3D3 P2C3E P2C3E1 P2C3E2 P2C3E3 P2C3F P2C3F1 P2C3F2 P2C3F3 P2C3F4 P2C3F5 "
        "P2C3F6 P2C3F7 P2C3F8 P2C3G P2C3G1 P2C4 P2C4A P2C4A1 P2C4B P2C4B1 P2C4C P2C4C1 P2C4C2 P2C4D P2C4D1 "
        "P2C4D2 P2C4D3 P2C4E P2C4E1 P2C5 P2C5A P2C5A1 P2C5A2 P2C5A3 P2C5A4 P2C5B P2C5B1 P2C5B2 P2C5C "
        "P2C5C1 P2C5D P2C5D1 P2C5D2 P2C5D3 P2C5D5 P2C5D4 P2C6 P2C6A P2C6A1 P2C6A2 P2C6A3 P2C6B P2C6B2 "
        "P2C6B1 P2C7 P2C7A P2C7A1 P2C7A2 P2C7A3 P2C7A4 P2C7B P2C7B1 P2C7C P2C7C1 P2C7C2 P2C7C3")
        .split(QLatin1Char(' '));

// Les mots d'un libellé : ponctuation, blancs, capitales, accents et ligatures mis à part
// (« Œuvres » vaut « oeuvres », « 1 000 » vaut « 1000 »).
QString mots(const QString& texte)
{
    static const QRegularExpression ponctuation(QStringLiteral("[^\\p{L}\\p{N}]+"));
    static const QRegularExpression chiffres(QStringLiteral("(\\d) (?=\\d)"));
    QString lettres;
    for (const QChar c : texte.normalized(QString::NormalizationForm_D))
        if (c.category() != QChar::Mark_NonSpacing)
            lettres += c;
    lettres = lettres.toLower()
                  .replace(QStringLiteral("œ"), QStringLiteral("oe"))
                  .replace(QStringLiteral("æ"), QStringLiteral("ae"))
                  .replace(ponctuation, QStringLiteral(" "))
                  .replace(chiffres, QStringLiteral("\\1"));
    return lettres.trimmed();
}

// Une ligne de la copie des listes de 2010 (tests/donnees/lpc-2010.tsv) : le code du nœud dans le
// livret, son code dans la numérotation des listes, les transcriptions A et B, le texte
// officiel C (« - » quand une source ne le donne pas).
struct Reference {
    QString code;
    QString codeListes;
    QString a;
    QString b;
    QString c;
};

// Les lignes de la copie, dans l'ordre du fichier ; rien quand il ne se lit pas comme attendu.
QList<Reference> lireReferences()
{
    QFile fichier(QFINDTESTDATA("../donnees/lpc-2010.tsv"));
    if (!fichier.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QTextStream flux(&fichier);
    QList<Reference> references;
    bool entete = true;
    while (!flux.atEnd()) {
        const QString texte = flux.readLine();
        if (texte.isEmpty() || texte.startsWith(QLatin1Char('#')))
            continue;
        const QStringList champs = texte.split(QLatin1Char('\t'));
        if (entete) {
            if (champs != QStringList{"code", "ref_code", "source_a", "source_b", "source_c"})
                return {};
            entete = false;
            continue;
        }
        if (champs.size() != 5)
            return {};
        references.append({champs.at(0), champs.at(1), champs.at(2), champs.at(3), champs.at(4)});
    }
    return references;
}

// Le libellé qui fait foi : le texte officiel quand il existe (palier 2), sinon celui que A et B
// donnent ensemble (palier 1) ; rien quand une seule source parle ou qu'elles diffèrent.
std::optional<QString> texteQuiFaitFoi(const Reference& r)
{
    const QString absent = QStringLiteral("-");
    if (r.c != absent)
        return r.c;
    if (r.a != absent && r.b != absent && mots(r.a) == mots(r.b))
        return r.a;
    return std::nullopt;
}

// Les domaines et items du livret de la ressource chargé dans la base : code → libellé.
QHash<QString, QString> domainesEtItems()
{
    QHash<QString, QString> libelles;
    for (const QString& noeud :
         lignes("SELECT ref, libelle FROM competences WHERE profondeur >= 2", QStringLiteral("\t")))
        libelles.insert(noeud.section(QLatin1Char('\t'), 0, 0), noeud.section(QLatin1Char('\t'), 1));
    return libelles;
}

} // namespace

class TstLivret : public QObject
{
    Q_OBJECT
    QString ecrire(const QByteArray& octets)
    {
        QFile fichier(dossier->filePath(QStringLiteral("livret.csv")));
        if (!fichier.open(QIODevice::WriteOnly) || fichier.write(octets) != octets.size())
            qFatal("écriture impossible du livret");
        return fichier.fileName();
    }
    Environnement::Dossier dossier;

private Q_SLOTS:
    void initTestCase() { Environnement::preparer(); }
    void init() { QVERIFY(Environnement::nouvelleBase(dossier, Environnement::Pose::Schema)); }

    void chargement_data()
    {
        QTest::addColumn<QByteArray>("contenu");
        QTest::addColumn<QStringList>("attendu");

        ligne("arbre complet, Windows-1252 et CRLF",
              QByteArray("P1/Palier 1;P1C1/Comp\xE9tence 1;P1C1A/Dire;P1C1A1/Parler\r\n"
                         ";;;P1C1A2/R\xE9\x63iter\r\n"
                         ";;P1C1B/Lire;P1C1B1/Lire seul\r\n"
                         ";P1C2/Comp\xE9tence 2;P1C2A/\x8Cuvres;P1C2A1/Co\xFBt en \x80\r\n"
                         "  P2/Palier 2  ;\"P2C1/Lire; \xE9\x63rire\";\" P2C1A/a/b \"\r\n"),
              QStringList{"P1|0|1||Palier 1", "P1C1|1|1|P1|Compétence 1", "P1C1A|2|1|P1C1|Dire",
                          "P1C1A1|3|1|P1C1A|Parler", "P1C1A2|3|2|P1C1A|Réciter", "P1C1B|2|2|P1C1|Lire",
                          "P1C1B1|3|1|P1C1B|Lire seul", "P1C2|1|2|P1|Compétence 2", "P1C2A|2|1|P1C2|Œuvres",
                          "P1C2A1|3|1|P1C2A|Coût en €", "P2|0|2||Palier 2", "P2C1|1|1|P2|Lire; écrire",
                          "P2C1A|2|1|P2C1|a/b"});
        // Les items d'une compétence sans agrégat sont à la profondeur 3, sous la compétence.
        ligne("agrégat sauté",
              QByteArray("P1/Palier;P1C1/Comp 1;;P1C1X1/Item un\n"
                         ";;;P1C1X2/Item deux\n"),
              QStringList{"P1|0|1||Palier", "P1C1|1|1|P1|Comp 1", "P1C1X1|3|1|P1C1|Item un",
                          "P1C1X2|3|2|P1C1|Item deux"});
    }

    void chargement()
    {
        QFETCH(QByteArray, contenu);
        QFETCH(QStringList, attendu);
        ChargeurLivret chargeur;
        QCOMPARE(refus(chargeur.load(ecrire(contenu))), QString());
        QCOMPARE(arbre(), attendu);
    }

    // Ligne et colonne comptées depuis 0 ; l'arbre d'avant revient quand l'appelant annule. Un
    // livret n'est pas remplacé quand des dates y renvoient : rien n'est écrit.
    void erreurs_data()
    {
        QTest::addColumn<QByteArray>("contenu");
        QTest::addColumn<QString>("message");
        ligne("palier sans barre", QByteArray("Palier 1;P1C1/Comp\n"), "sans code 0,0");
        ligne("barre en tête",
              QByteArray("P1/Pal;P1C1/Comp;P1C1A/Agr;P1C1A1/It\n;;;P1C1A2/It 2\n;;;/Sans code\n"),
              "sans code 2,3");
        ligne("libellé d'espaces", QByteArray("P1/Pal;P1C1/Comp\n;P1C2/   \n"), "libellé vide 1,1");
        ligne("des dates existent", QByteArray("P9/Autre palier\n"), "notes");
    }
    void erreurs()
    {
        QFETCH(QByteArray, contenu);
        QFETCH(QString, message);
        ChargeurLivret chargeur;
        QCOMPARE(refus(chargeur.load(ecrire(LIVRET_INITIAL))), QString());
        const QStringList avant = arbre();
        const bool notes = message == "notes";
        if (notes)
            Sql::valeur("INSERT INTO notes(id_eleve, id_comp, date) VALUES(1, 4, '2011-05-02')");
        {
            std::optional<Transaction> transaction; // l'appelant annule ; sauf le refus, qui n'écrit rien
            if (!notes)
                transaction.emplace();
            QCOMPARE(refus(chargeur.load(ecrire(contenu))), message);
        }
        QCOMPARE(arbre(), avant);
    }

    // Les frères sont parcourus par une boucle : un appel récursif par frère déborderait la pile.
    void milliersDeFreres()
    {
        const int freres = 100000;
        QByteArray contenu("P1/Palier;C1/Comp\n");
        for (int i = 2; i <= freres; ++i)
            contenu += ";C" + QByteArray::number(i) + "/Comp\n";
        ChargeurLivret chargeur;
        Transaction transaction;
        QCOMPARE(refus(chargeur.load(ecrire(contenu))), QString());
        QCOMPARE(lignes("SELECT COUNT(*), MAX(numero) FROM competences WHERE id_comp_parent = 1"),
                 QStringList{QStringLiteral("%1|%1").arg(freres)});
    }

    void livretReel()
    {
        QFile fichier(QStringLiteral(":outils/livrets.csv"));
        QVERIFY(fichier.open(QIODevice::ReadOnly));
        const QByteArray octets = fichier.readAll();
        // Windows-1252 sans BOM, 156 lignes toutes terminées par CRLF.
        QVERIFY(!octets.startsWith("\xEF\xBB\xBF") && octets.endsWith("\r\n"));
        QCOMPARE((QList<qsizetype>{octets.count("\r\n"), octets.count('\n'), octets.count('\r')}),
                 QList<qsizetype>(3, 156));
        QVERIFY(octets.contains("Comp\xE9tence") && !octets.contains("\xC3\xA9"));

        ChargeurLivret chargeur;
        Transaction transaction;
        QCOMPARE(refus(chargeur.load(fichier.fileName())), QString());
        QCOMPARE(lignes("SELECT ref FROM competences ORDER BY id_comp"), CODES_LIVRET);
        QCOMPARE(lignes("SELECT ref FROM competences WHERE id_comp IN (63, 185, 186) ORDER BY id_comp"),
                 (QStringList{"P2", "P2C5C", "P2C5C1"}));

        // Profondeur selon la longueur du code, parent : dernier nœud vu un cran au-dessus, numéros
        // suivis sous chaque parent. Les nœuds fautifs sont listés.
        QCOMPARE(
            lignes("SELECT ref FROM competences c WHERE profondeur IS NOT CASE length(ref) WHEN 2 THEN 0 "
                   "WHEN 4 THEN 1 WHEN 5 THEN 2 WHEN 6 THEN 3 END OR id_comp_parent != IFNULL((SELECT "
                   "MAX(id_comp) FROM competences p WHERE p.id_comp < c.id_comp AND p.profondeur = "
                   "c.profondeur - 1), 0) OR numero != (SELECT COUNT(*) FROM competences s WHERE "
                   "s.id_comp_parent = c.id_comp_parent AND s.id_comp <= c.id_comp)"),
            QStringList());

        // Paliers et compétences : libellé exact, nombre d'agrégats et d'items.
        QCOMPARE(
            lignes("SELECT c.ref, c.libelle, "
                   "(SELECT COUNT(*) FROM competences a WHERE a.id_comp_parent = c.id_comp AND a.profondeur "
                   "= 2), "
                   "(SELECT COUNT(*) FROM competences i JOIN competences a ON i.id_comp_parent = a.id_comp "
                   "WHERE a.id_comp_parent = c.id_comp AND i.profondeur = 3) "
                   "FROM competences c WHERE c.profondeur <= 1 ORDER BY c.id_comp"),
            (QStringList{
                "P1|Palier 1|0|0",
                "P1C1|Compétence 1\u00a0: maîtrise de la langue française|6|23",
                "P1C3|Compétence 3\u00a0: principaux éléments de mathématiques|4|19",
                "P1C6|Compétence 6\u00a0: compétences sociales et civiques|2|4",
                "P2|Palier 2|0|0",
                "P2C1|Compétence 1\u00a0: maîtrise de la langue française|6|29",
                "P2C2|Compétence 2\u00a0: pratique d\u2019une langue vivante étrangère|5|17",
                "P2C3|Compétence 3\u00a0: principaux éléments de mathématiques et la culture scientifique et "
                "technologique|7|31",
                "P2C4|Compétence 4\u00a0: maîtrise des techniques usuelles de l\u2019information et de la "
                "communication|5|8",
                "P2C5|Compétence 5\u00a0: culture humaniste|4|12",
                "P2C6|Compétence 6\u00a0: compétences sociales et civiques|2|5",
                "P2C7|Compétence 7\u00a0: autonomie et initiative|3|8",
            }));
    }

    // Garde contre la dérive : chaque domaine et chaque item dit mot pour mot le texte officiel
    // (palier 2), ou celui que les deux transcriptions donnent ensemble (palier 1). Les nœuds qui
    // ne reposent que sur une source sont nommés ; leur liste est celle de la note du livret
    // (src/resources/outils/livrets.md).
    void texteNational()
    {
        const QList<Reference> references = lireReferences();
        QCOMPARE(references.size(), 200);
        ChargeurLivret chargeur;
        Transaction transaction;
        QVERIFY(chargeur.load(Initialisation::RESSOURCE_LIVRET));
        QHash<QString, QString> livret = domainesEtItems();

        QStringList ecarts;
        QStringList seuleSource;
        for (const Reference& r : references) {
            if (!livret.contains(r.code)) {
                ecarts << r.code + QStringLiteral(" : absent du livret");
                continue;
            }
            const QString texte = livret.take(r.code);
            const std::optional<QString> attendu = texteQuiFaitFoi(r);
            if (!attendu)
                seuleSource << r.code;
            else if (mots(texte) != mots(*attendu))
                ecarts << QStringLiteral("%1 : « %2 »\n    au lieu de « %3 »").arg(r.code, texte, *attendu);
        }
        for (auto reste = livret.cbegin(); reste != livret.cend(); ++reste)
            ecarts << reste.key() + QStringLiteral(" : absent des listes de 2010");
        for (const QString& ecart : std::as_const(ecarts))
            qWarning("%s", qPrintable(ecart));
        QVERIFY2(ecarts.isEmpty(), "des libellés s'écartent des listes de 2010 (détail ci-dessus)");
        qInfo("Libellés qui ne reposent que sur une source : %s", qPrintable(seuleSource.join(", ")));
        QCOMPARE(seuleSource, (QStringList{"P1C6A1", "P1C6B1", "P1C6B2", "P1C6B3"}));
    }

    // Les frères viennent dans l'ordre des listes officielles, celui de leur propre numérotation
    // (P2C5D5 avant P2C5D4, P2C6B2 avant P2C6B1), et non dans l'ordre de leurs codes.
    void ordreDesListes()
    {
        QHash<QString, QString> codeListes;
        for (const Reference& r : lireReferences())
            codeListes.insert(r.code, r.codeListes);
        QCOMPARE(codeListes.size(), 200);
        ChargeurLivret chargeur;
        Transaction transaction;
        QVERIFY(chargeur.load(Initialisation::RESSOURCE_LIVRET));

        QStringList horsOrdre;
        QString parent;
        QString precedent;
        for (const QString& frere :
             lignes("SELECT c.id_comp_parent, c.ref FROM competences c WHERE c.profondeur >= 2 "
                    "ORDER BY c.id_comp_parent, c.numero")) {
            const QString code = codeListes.value(frere.section(QLatin1Char('|'), 1));
            if (frere.section(QLatin1Char('|'), 0, 0) == parent && code < precedent)
                horsOrdre << frere.section(QLatin1Char('|'), 1);
            parent = frere.section(QLatin1Char('|'), 0, 0);
            precedent = code;
        }
        QVERIFY2(horsOrdre.isEmpty(), qPrintable(QStringLiteral("hors de l'ordre des listes : ") +
                                                 horsOrdre.join(QStringLiteral(", "))));
    }

    // Une seule typographie dans tout le livret, intitulés des compétences compris.
    void typographie_data()
    {
        QTest::addColumn<QString>("motif");
        ligne("apostrophe droite", "'");
        ligne("deux-points ou point-virgule sans espace insécable avant", "[^\\x{00A0}][:;?!]");
        ligne("ponctuation haute sans espace après", "[:;?!](?! )");
        ligne("espace insécable hors de la ponctuation haute", "\\x{00A0}(?![:;?!])");
        ligne("point final", "\\.$");
        ligne("points de suspension", "\\.\\.\\.|…");
        ligne("blancs doublés ou en bord", "\\s\\s|^\\s|\\s$");
        ligne("trait d'union pour un tiret", " - |-$|^-");
        ligne("guillemets droits", "\"");
        ligne("o et e pour œ", "(?i)(^|\\W)(oeuvre|noeud|coeur|soeur|voeu|oeil)");
    }
    void typographie()
    {
        QFETCH(QString, motif);
        const QRegularExpression faute(motif);
        QVERIFY(faute.isValid());
        ChargeurLivret chargeur;
        Transaction transaction;
        QVERIFY(chargeur.load(Initialisation::RESSOURCE_LIVRET));
        QStringList fautifs;
        for (const QString& noeud : lignes("SELECT ref, libelle FROM competences ORDER BY id_comp"))
            if (faute.match(noeud.section(QLatin1Char('|'), 1)).hasMatch())
                fautifs << noeud;
        QVERIFY2(fautifs.isEmpty(), qPrintable(fautifs.join(QLatin1Char('\n'))));
    }
};

QTEST_GUILESS_MAIN(TstLivret)
#include "tst_livret.moc"
