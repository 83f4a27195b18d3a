// SPDX-License-Identifier: GPL-3.0-or-later
// Générateur des documents PDF livrés avec Quorvel (guide de l'utilisateur, licence).
//
// Lit une page HTML (le sous-ensemble que comprend QTextDocument) et en fait un PDF A4 :
// une page de titre, une table des matières, puis le texte, avec un en-tête (titre du
// chapitre) et un pied de page numéroté.
//
// Utilisation :
//   QT_QPA_PLATFORM=offscreen generateur_docs <source.html> <sortie.pdf> [--version X] [--dependances F]
// --dependances écrit dans F, au format de make, la liste des fichiers lus (images, textes
// inclus) : la construction refait le PDF quand l'un d'eux change.
//
// Ce que la source peut contenir en plus du HTML ordinaire :
//   <title>…</title>                          titre du document (page de titre, propriétés du PDF) ;
//   <meta name="sous-titre" content="…">       ligne sous le titre ;
//   <meta name="image-titre" content="…">      image de la page de titre (chemin relatif à la source) ;
//   <meta name="mention" content="…">          texte du bas de la page de titre ;
//   <!-- inclure-texte: chemin -->             un fichier texte (relatif à la source), repris
//                                               paragraphe par paragraphe ;
//   %VERSION%                                  remplacé par la version donnée par --version.
// Les titres <h1> ouvrent une nouvelle page ; les <h1> et <h2> forment la table des matières.
// Une image plus large que la colonne de texte est réduite à sa largeur.
//
// Toute image introuvable arrête la génération avec un message et un code de sortie non nul :
// la construction échoue plutôt que de livrer un guide incomplet.

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QList>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextFrameFormat>
#include <QTextLayout>
#include <QTextStream>
#include <QUrl>

#include <cstdio>

namespace {

// Géométrie des pages, en pixels à 96 points par pouce (l'unité de mise en page du texte).
constexpr int kResolution = 96;
constexpr qreal kMillimetre = kResolution / 25.4;
constexpr qreal kMargeGauche = 22 * kMillimetre;
constexpr qreal kMargeDroite = 22 * kMillimetre;
constexpr qreal kMargeHaut = 22 * kMillimetre;
constexpr qreal kMargeBas = 22 * kMillimetre;

const QColor kBleuNuit(22, 58, 128);
const QColor kGrisTexte(110, 110, 110);

const QString kFeuilleDeStyle =
    QStringLiteral("h1 { color: #163a80; font-size: 20pt; margin-top: 0px; margin-bottom: 14px; }"
                   "h2 { color: #163a80; font-size: 14pt; margin-top: 18px; margin-bottom: 6px; }"
                   "h3 { color: #2b2b2b; font-size: 11.5pt; margin-top: 12px; margin-bottom: 4px; }"
                   "p { margin-top: 4px; margin-bottom: 6px; }"
                   "li { margin-bottom: 3px; }"
                   "td, th { padding: 3px; }"
                   "th { background-color: #dde3f0; }"
                   "code { font-family: 'Liberation Mono'; }"
                   ".menu { font-weight: bold; color: #163a80; }"
                   ".bouton { font-weight: bold; }"
                   ".message { font-style: italic; }"
                   ".legende { color: #555555; font-size: 9pt; }"
                   ".encadre { background-color: #eef2fa; }"
                   ".attention { background-color: #fdf0e0; }");

void erreur(const QString& texte)
{
    std::fprintf(stderr, "generateur_docs : %s\n", qPrintable(texte));
}

// Document dont les images viennent du dossier de la source ; celles qui manquent sont
// notées au lieu d'être silencieusement remplacées par un vide.
class DocumentSource : public QTextDocument
{
public:
    explicit DocumentSource(const QDir& dossier) : dossier(dossier) {}

    QStringList manquantes;
    QStringList lus; // chemins complets des images chargées

protected:
    QVariant loadResource(int type, const QUrl& nom) override
    {
        if (type != QTextDocument::ImageResource)
            return QTextDocument::loadResource(type, nom);
        const QString chemin = nom.isLocalFile() ? nom.toLocalFile() : nom.toString();
        const QString complet = QDir::isAbsolutePath(chemin) ? chemin : dossier.absoluteFilePath(chemin);
        QImage image(complet);
        if (!lus.contains(complet))
            lus << complet;
        if (image.isNull()) {
            if (!manquantes.contains(chemin))
                manquantes << chemin;
            image = QImage(1, 1, QImage::Format_ARGB32);
            image.fill(Qt::transparent);
        }
        return image;
    }

private:
    QDir dossier;
};

QString lireTexte(const QString& chemin, bool* ok)
{
    QFile f(chemin);
    if (!f.open(QIODevice::ReadOnly)) {
        *ok = false;
        return QString();
    }
    *ok = true;
    return QString::fromUtf8(f.readAll());
}

QString metaDonnee(const QString& html, const QString& nom)
{
    const QRegularExpression re(QStringLiteral("<meta\\s+name=\"%1\"\\s+content=\"([^\"]*)\"\\s*/?>")
                                    .arg(QRegularExpression::escape(nom)));
    const auto m = re.match(html);
    return m.hasMatch() ? m.captured(1) : QString();
}

QString titreDocument(const QString& html)
{
    const auto m = QRegularExpression(QStringLiteral("<title>(.*?)</title>"),
                                      QRegularExpression::DotMatchesEverythingOption)
                       .match(html);
    return m.hasMatch() ? m.captured(1).trimmed() : QString();
}

// Un texte brut (la licence) en paragraphes HTML : les lignes d'un même paragraphe sont
// rejointes, une ligne très indentée et isolée devient un titre centré.
QString texteEnHtml(const QString& texte)
{
    QString html;
    const QStringList paragraphes =
        texte.split(QRegularExpression(QStringLiteral("\\n[ \\t]*\\n")), Qt::SkipEmptyParts);
    for (const QString& paragraphe : paragraphes) {
        const QStringList lignes = paragraphe.split(QLatin1Char('\n'));
        bool centre = true;
        QStringList morceaux;
        for (const QString& ligne : lignes) {
            if (ligne.trimmed().isEmpty())
                continue;
            int retrait = 0;
            while (retrait < ligne.size() && ligne.at(retrait) == QLatin1Char(' '))
                ++retrait;
            if (retrait < 10)
                centre = false;
            morceaux << ligne.trimmed().toHtmlEscaped();
        }
        if (morceaux.isEmpty())
            continue;
        if (centre)
            html += QStringLiteral("<p align=\"center\"><b>%1</b></p>\n")
                        .arg(morceaux.join(QStringLiteral("<br/>")));
        else
            html += QStringLiteral("<p align=\"justify\">%1</p>\n").arg(morceaux.join(QLatin1Char(' ')));
    }
    return html;
}

// Remplace les directives <!-- inclure-texte: … --> par le texte du fichier nommé.
bool inclureTextes(QString& html, const QDir& dossier, QStringList& lus)
{
    const QRegularExpression re(QStringLiteral("<!--\\s*inclure-texte:\\s*(\\S+)\\s*-->"));
    for (;;) {
        const auto m = re.match(html);
        if (!m.hasMatch())
            return true;
        bool ok = false;
        lus << dossier.absoluteFilePath(m.captured(1));
        const QString texte = lireTexte(lus.constLast(), &ok);
        if (!ok) {
            erreur(QStringLiteral("fichier à inclure introuvable : %1").arg(m.captured(1)));
            return false;
        }
        html.replace(m.capturedStart(), m.capturedLength(), texteEnHtml(texte));
    }
}

void preparerDocument(QTextDocument& doc, const QSizeF& page)
{
    QFont police(QStringLiteral("Liberation Sans"));
    police.setPointSizeF(10.5);
    doc.setDefaultFont(police);
    doc.setUseDesignMetrics(true);
    doc.setPageSize(page);
    QTextFrameFormat cadre = doc.rootFrame()->frameFormat();
    cadre.setLeftMargin(kMargeGauche);
    cadre.setRightMargin(kMargeDroite);
    cadre.setTopMargin(kMargeHaut);
    cadre.setBottomMargin(kMargeBas);
    doc.rootFrame()->setFrameFormat(cadre);
}

// Chaque <h1> commence une page ; les images trop grandes sont ramenées à la colonne de texte.
void ajusterDocument(QTextDocument& doc, const QSizeF& page)
{
    const qreal largeurMax = page.width() - kMargeGauche - kMargeDroite;
    const qreal hauteurMax = (page.height() - kMargeHaut - kMargeBas) * 0.85;
    QTextCursor curseur(&doc);
    bool premier = true;
    for (QTextBlock bloc = doc.begin(); bloc.isValid(); bloc = bloc.next()) {
        if (bloc.blockFormat().headingLevel() == 1) {
            if (!premier) {
                QTextBlockFormat f = bloc.blockFormat();
                f.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
                curseur.setPosition(bloc.position());
                curseur.setBlockFormat(f);
            }
            premier = false;
        }
        for (auto it = bloc.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid() || !fragment.charFormat().isImageFormat())
                continue;
            QTextImageFormat image = fragment.charFormat().toImageFormat();
            const QImage source =
                doc.resource(QTextDocument::ImageResource, QUrl(image.name())).value<QImage>();
            if (source.isNull())
                continue;
            qreal largeur = image.width() > 0 ? image.width() : source.width();
            qreal hauteur = image.height() > 0 ? image.height() : source.height() * largeur / source.width();
            if (largeur > largeurMax) {
                hauteur = hauteur * largeurMax / largeur;
                largeur = largeurMax;
            }
            if (hauteur > hauteurMax) {
                largeur = largeur * hauteurMax / hauteur;
                hauteur = hauteurMax;
            }
            image.setWidth(largeur);
            image.setHeight(hauteur);
            curseur.setPosition(fragment.position());
            curseur.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            curseur.setCharFormat(image);
        }
    }
}

struct Entree {
    int niveau;
    QString titre;
    int page; // page du corps, à partir de 0
};

// Qt met en page un long document par morceaux, et des formats retouchés après coup peuvent
// laisser des paragraphes sans lignes : tout est remis en page d'un coup avant de compter.
int nombrePages(QTextDocument& doc)
{
    doc.markContentsDirty(0, doc.characterCount());
    return qMax(1, doc.pageCount());
}

QList<Entree> entreesTable(QTextDocument& doc)
{
    QList<Entree> entrees;
    const qreal hauteurPage = doc.pageSize().height();
    for (QTextBlock bloc = doc.begin(); bloc.isValid(); bloc = bloc.next()) {
        const int niveau = bloc.blockFormat().headingLevel();
        if (niveau < 1 || niveau > 2 || bloc.text().trimmed().isEmpty())
            continue;
        // La page de la première ligne, non celle du bloc : quand un titre tombe en bas de page,
        // sa marge haute reste sur la page d'avant et son texte passe à la suivante.
        qreal haut = doc.documentLayout()->blockBoundingRect(bloc).top();
        if (bloc.layout() && bloc.layout()->lineCount() > 0)
            haut = bloc.layout()->position().y() + bloc.layout()->lineAt(0).y();
        entrees.append({niveau, bloc.text().trimmed(), int(haut / hauteurPage)});
    }
    return entrees;
}

// La table des matières : un document à part, mis en page comme le corps.
void remplirTable(QTextDocument& table, const QSizeF& page, QPaintDevice* support,
                  const QList<Entree>& entrees, int premierNumeroCorps)
{
    table.clear();
    preparerDocument(table, page);
    table.documentLayout()->setPaintDevice(support);
    const qreal largeur = table.pageSize().width() - kMargeGauche - kMargeDroite;
    QTextCursor c(&table);

    QTextBlockFormat titre;
    titre.setHeadingLevel(1);
    titre.setBottomMargin(18);
    QTextCharFormat policeTitre;
    policeTitre.setFontPointSize(20);
    policeTitre.setFontWeight(QFont::Bold);
    policeTitre.setForeground(kBleuNuit);
    c.setBlockFormat(titre);
    c.setCharFormat(policeTitre);
    c.insertText(QStringLiteral("Table des matières"));

    for (const Entree& e : entrees) {
        // Les taquets se comptent depuis la marge gauche du paragraphe.
        const qreal retrait = e.niveau == 1 ? 0 : 18;
        QTextBlockFormat ligne;
        ligne.setTabPositions({QTextOption::Tab(largeur - retrait - 4, QTextOption::RightTab)});
        ligne.setLeftMargin(retrait);
        ligne.setTopMargin(e.niveau == 1 ? 9 : 1);
        QTextCharFormat police;
        police.setFontPointSize(e.niveau == 1 ? 11.5 : 10.5);
        police.setFontWeight(e.niveau == 1 ? QFont::Bold : QFont::Normal);
        if (e.niveau == 1)
            police.setForeground(kBleuNuit);
        c.insertBlock(ligne, police);
        c.insertText(e.titre + QLatin1Char('\t') + QString::number(premierNumeroCorps + e.page));
    }
}

void dessinerPage(QPainter& p, QTextDocument& doc, int index)
{
    const QSizeF page = doc.pageSize();
    p.save();
    p.translate(0, -index * page.height());
    QAbstractTextDocumentLayout::PaintContext contexte;
    contexte.clip = QRectF(0, index * page.height(), page.width(), page.height());
    contexte.palette.setColor(QPalette::Text, Qt::black);
    p.setClipRect(contexte.clip);
    doc.documentLayout()->draw(&p, contexte);
    p.restore();
}

void dessinerCadre(QPainter& p, const QSizeF& page, int numero, const QString& titre, const QString& chapitre)
{
    p.save();
    QFont petite(QStringLiteral("Liberation Sans"));
    petite.setPointSizeF(8.5);
    p.setFont(petite);
    p.setPen(kGrisTexte);
    const qreal gauche = kMargeGauche;
    const qreal droite = page.width() - kMargeDroite;
    // En-tête : titre du document à gauche, chapitre à droite, un filet dessous.
    const QRectF entete(gauche, 9 * kMillimetre, droite - gauche, 6 * kMillimetre);
    p.drawText(entete, Qt::AlignLeft | Qt::AlignBottom, titre);
    p.drawText(entete, Qt::AlignRight | Qt::AlignBottom, chapitre);
    p.setPen(QPen(QColor(190, 196, 210), 0.8));
    p.drawLine(QPointF(gauche, 16 * kMillimetre), QPointF(droite, 16 * kMillimetre));
    // Pied : numéro de page centré.
    p.setPen(kGrisTexte);
    QFont numeroPolice = petite;
    numeroPolice.setPointSizeF(9.5);
    p.setFont(numeroPolice);
    const QRectF pied(gauche, page.height() - 15 * kMillimetre, droite - gauche, 6 * kMillimetre);
    p.drawText(pied, Qt::AlignHCenter | Qt::AlignVCenter, QString::number(numero));
    p.restore();
}

void dessinerPageTitre(QPainter& p, const QSizeF& page, const QString& titre, const QString& sousTitre,
                       const QString& version, const QImage& image, const QString& mention)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    // Bandeau de couleur en haut de la page.
    p.fillRect(QRectF(0, 0, page.width(), 12 * kMillimetre), kBleuNuit);
    qreal y = 60 * kMillimetre;
    if (!image.isNull()) {
        const qreal largeur = qMin<qreal>(image.width(), page.width() - 2 * kMargeGauche);
        const qreal hauteur = image.height() * largeur / image.width();
        p.drawImage(QRectF((page.width() - largeur) / 2, y, largeur, hauteur), image);
        y += hauteur + 18 * kMillimetre;
    }
    QFont grande(QStringLiteral("Liberation Sans"));
    grande.setPointSizeF(30);
    grande.setBold(true);
    p.setFont(grande);
    p.setPen(kBleuNuit);
    const QRectF zoneTitre(kMargeGauche, y, page.width() - kMargeGauche - kMargeDroite, 30 * kMillimetre);
    p.drawText(zoneTitre, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, titre);
    y += 32 * kMillimetre;
    QFont moyenne(QStringLiteral("Liberation Sans"));
    moyenne.setPointSizeF(15);
    p.setFont(moyenne);
    p.setPen(Qt::black);
    p.drawText(QRectF(kMargeGauche, y, zoneTitre.width(), 24 * kMillimetre),
               Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, sousTitre);
    y += 26 * kMillimetre;
    if (!version.isEmpty()) {
        moyenne.setPointSizeF(12);
        moyenne.setItalic(true);
        p.setFont(moyenne);
        p.setPen(kGrisTexte);
        p.drawText(QRectF(kMargeGauche, y, zoneTitre.width(), 10 * kMillimetre),
                   Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("Version %1").arg(version));
    }
    QFont petite(QStringLiteral("Liberation Sans"));
    petite.setPointSizeF(9);
    p.setFont(petite);
    p.setPen(kGrisTexte);
    p.drawText(QRectF(kMargeGauche, page.height() - 40 * kMillimetre, zoneTitre.width(), 22 * kMillimetre),
               Qt::AlignHCenter | Qt::AlignBottom | Qt::TextWordWrap, mention);
    p.restore();
}

// Liste des fichiers lus, au format de make, pour que la construction suive leurs changements.
bool ecrireDependances(const QString& chemin, const QString& sortie, const QStringList& lus)
{
    auto echapper = [](QString texte) { return texte.replace(QLatin1Char(' '), QLatin1String("\\ ")); };
    QFile f(chemin);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return false;
    QTextStream flux(&f);
    flux << echapper(sortie) << ':';
    for (const QString& fichier : lus)
        flux << " \\\n  " << echapper(QDir::cleanPath(fichier));
    flux << '\n';
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments();
    args.removeFirst();
    QString version;
    QString fichierDependances;
    QStringList positionnels;
    for (int i = 0; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--version") && i + 1 < args.size())
            version = args.at(++i);
        else if (args.at(i) == QLatin1String("--dependances") && i + 1 < args.size())
            fichierDependances = args.at(++i);
        else
            positionnels << args.at(i);
    }
    if (positionnels.size() != 2) {
        erreur(QStringLiteral("utilisation : generateur_docs <source.html> <sortie.pdf> [--version X] "
                              "[--dependances F]"));
        return 2;
    }
    const QFileInfo source(positionnels.at(0));
    const QString sortie = positionnels.at(1);
    const QDir dossier = source.absoluteDir();

    bool ok = false;
    QString html = lireTexte(source.absoluteFilePath(), &ok);
    if (!ok) {
        erreur(QStringLiteral("source illisible : %1").arg(source.filePath()));
        return 1;
    }
    QStringList lus;
    if (!inclureTextes(html, dossier, lus))
        return 1;
    html.replace(QStringLiteral("%VERSION%"), version);

    const QString titre = titreDocument(html);
    const QString sousTitre = metaDonnee(html, QStringLiteral("sous-titre"));
    const QString mention = metaDonnee(html, QStringLiteral("mention"));
    const QString cheminImage = metaDonnee(html, QStringLiteral("image-titre"));
    QImage imageTitre;
    QStringList manquantes;
    if (!cheminImage.isEmpty()) {
        lus << dossier.absoluteFilePath(cheminImage);
        imageTitre = QImage(lus.constLast());
        if (imageTitre.isNull())
            manquantes << cheminImage;
    }

    QPdfWriter pdf(sortie);
    pdf.setResolution(kResolution);
    pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    pdf.setTitle(titre);
    pdf.setCreator(QStringLiteral("Quorvel"));
    const QSizeF page(pdf.width(), pdf.height());

    DocumentSource corps(dossier);
    corps.setDefaultStyleSheet(kFeuilleDeStyle);
    corps.documentLayout()->setPaintDevice(&pdf);
    corps.setHtml(html);
    // Après le HTML, qui remet à zéro le cadre racine et donc ses marges.
    preparerDocument(corps, page);
    manquantes += corps.manquantes;
    lus += corps.lus;
    if (!manquantes.isEmpty()) {
        for (const QString& m : std::as_const(manquantes))
            erreur(QStringLiteral("%1 : image introuvable : %2").arg(source.fileName(), m));
        QFile::remove(sortie);
        return 1;
    }
    ajusterDocument(corps, page);
    const int pagesCorps = nombrePages(corps);
    const QList<Entree> entrees = entreesTable(corps); // après la mise en page complète

    // La table des matières précède le corps : sa longueur décale les numéros qu'elle
    // affiche. On la refait jusqu'à ce que son nombre de pages ne change plus.
    QTextDocument table;
    int pagesTable = 1;
    for (int essai = 0; essai < 4; ++essai) {
        remplirTable(table, page, &pdf, entrees, 2 + pagesTable);
        const int n = nombrePages(table);
        if (n == pagesTable)
            break;
        pagesTable = n;
    }

    QPainter p;
    if (!p.begin(&pdf)) {
        erreur(QStringLiteral("impossible d'écrire %1").arg(sortie));
        return 1;
    }
    dessinerPageTitre(p, page, titre, sousTitre, version, imageTitre, mention);
    int numero = 1;
    for (int i = 0; i < pagesTable; ++i) {
        pdf.newPage();
        ++numero;
        dessinerPage(p, table, i);
        dessinerCadre(p, page, numero, titre, QStringLiteral("Table des matières"));
    }
    QString chapitre;
    int prochaine = 0;
    for (int i = 0; i < pagesCorps; ++i) {
        pdf.newPage();
        ++numero;
        while (prochaine < entrees.size() && entrees.at(prochaine).page <= i) {
            if (entrees.at(prochaine).niveau == 1)
                chapitre = entrees.at(prochaine).titre;
            ++prochaine;
        }
        dessinerPage(p, corps, i);
        dessinerCadre(p, page, numero, titre, chapitre);
    }
    if (!p.end()) {
        erreur(QStringLiteral("écriture de %1 inachevée").arg(sortie));
        return 1;
    }
    if (!fichierDependances.isEmpty() && !ecrireDependances(fichierDependances, sortie, lus)) {
        erreur(QStringLiteral("impossible d'écrire %1").arg(fichierDependances));
        return 1;
    }
    return 0;
}
