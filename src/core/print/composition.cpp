// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/print/composition.h"

#include "core/commun/dates.h"
#include "core/print/optionsimpression.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>
#include <QSqlQuery>
#include <QTextDocument>
#include <QUrl>
#include <QVariant>

#include <optional>

namespace {

QString tr(const char* texte)
{
    return QCoreApplication::translate("Composition", texte);
}

QSqlQuery executer(const QString& sql, const QVariantList& valeurs)
{
    QSqlQuery requete;
    requete.prepare(sql);
    for (const QVariant& valeur : valeurs)
        requete.addBindValue(valeur);
    requete.exec();
    return requete;
}

// La date de validation d'un nœud pour un élève, « dd/MM/yyyy » ; vide sans date valide.
QString dateValidation(qint64 eleveId, qint64 noeudId)
{
    QSqlQuery requete =
        executer(QStringLiteral("SELECT date FROM notes WHERE id_eleve=? AND id_comp=?"), {eleveId, noeudId});
    if (!requete.next())
        return {};
    const QDate date = Dates::lire(requete.value(0).toString());
    return Dates::afficher(date);
}

// Nom, blanc, prénom de l'élève ; rien quand il n'existe pas.
std::optional<QString> nomEleve(qint64 eleveId)
{
    QSqlQuery requete =
        executer(QStringLiteral("SELECT nom, prenom FROM eleves WHERE id_eleve=?"), {eleveId});
    if (!requete.next())
        return std::nullopt;
    return requete.value(0).toString() + QLatin1Char(' ') + requete.value(1).toString();
}

// Une image du livret (:/livret/...), lue une fois pour toutes les pages : une impression en PDF
// n'en garde qu'une copie, quel que soit le nombre de pages. Les titres et les barres sont faits à
// 300 pixels par pouce pour la place qu'ils prennent sur une page A4.
QPixmap imageLivret(const QString& chemin)
{
    QPixmap image;
    if (!QPixmapCache::find(chemin, &image) && image.load(chemin))
        QPixmapCache::insert(chemin, image);
    return image;
}

// Le document d'une attestation prend ses images dans la réserve des images du livret.
class DocumentAttestation : public QTextDocument
{
protected:
    QVariant loadResource(int type, const QUrl& nom) override
    {
        // « :/livret/titre.png » du texte arrive ici en « qrc:/livret/titre.png ».
        if (type == ImageResource && nom.scheme() == QLatin1String("qrc") &&
            nom.path().startsWith(QLatin1String("/livret/")))
            return imageLivret(QLatin1Char(':') + nom.path());
        return QTextDocument::loadResource(type, nom);
    }
};

QString barreHtml(const QString& image, int largeur, int hauteur)
{
    return QStringLiteral("<p><img src=\":/livret/%1\" width=\"%2\" height=\"%3\" /></p>")
        .arg(image)
        .arg(largeur)
        .arg(hauteur);
}

} // namespace

namespace Composition {

Apparence apparencePalier(qint64 palierId, bool gris)
{
    Apparence apparence;
    QSqlQuery requete = executer(
        QStringLiteral("SELECT couleur_defaut, texte, header FROM paramcomp WHERE id_comp=?"), {palierId});
    if (requete.next()) {
        const QRgb rgb = QRgb(requete.value(0).toLongLong());
        apparence.couleur = QColor(qRed(rgb), qGreen(rgb), qBlue(rgb));
        apparence.niveau = requete.value(1).toString();
        apparence.barre = requete.value(2).toString();
    } else {
        apparence.couleur = Qt::black;
    }
    if (gris) {
        apparence.couleur = QColor(128, 128, 128);
        apparence.barre = QStringLiteral("gris.png");
    }
    return apparence;
}

QString htmlAttestation(qint64 palierId, qint64 eleveId, const QString& ecole)
{
    const OptionsImpression& options = OptionsImpression::courantes();
    const Apparence apparence = apparencePalier(palierId, options.grey);
    const QString couleur = apparence.couleur.name();
    QSqlQuery requete =
        executer(QStringLiteral("SELECT libelle FROM competences WHERE id_comp=?"), {palierId});
    const QString palier = requete.next() ? requete.value(0).toString() : QStringLiteral("Palier");

    QString html = QStringLiteral("<body><p>&nbsp;</p>\n");
    html += QStringLiteral("<p align=\"center\"><img src=\"");
    html += options.grey ? QStringLiteral(":/livret/titre_livret_nb.png")
                         : QStringLiteral(":/livret/titre_livret_couleur.png");
    html += QStringLiteral("\" width=\"1600\" height=\"510\"/></p>");
    html +=
        QStringLiteral("<p><font size=\"5\" color=\"%2\"><b>Attestation</b> de maîtrise des connaissances et "
                       "compétences du socle commun au <b>%1</b></font></p>")
            .arg(palier.toLower().toHtmlEscaped(), couleur);
    if (!ecole.isEmpty())
        html += QStringLiteral("<p align=\"center\"><font size=\"3\" color=\"#000000\">") +
                ecole.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br/>")) +
                QStringLiteral("</font></p>");
    int lignes = 0;
    for (const QString& ligne : ecole.split(QLatin1Char('\n')))
        if (!ligne.isEmpty())
            ++lignes;
    for (; lignes < 5; ++lignes)
        html += QStringLiteral("<p>&nbsp;</p>\n");
    if (const auto nom = nomEleve(eleveId); nom && !nom->isEmpty())
        html += QStringLiteral("<p align=\"left\"><font size=\"2\" color=\"#000000\">") +
                nom->toHtmlEscaped() + QStringLiteral("</font></p>");
    html += barreHtml(apparence.barre, 1700, 6);
    html += QStringLiteral("<table width=\"100%\"><tr><td>");
    html += QStringLiteral("<p><font align=\"left\" color=\"%3\" size=\"3\"><b>%1 %2</b></font></p>")
                .arg(palier.toHtmlEscaped(), apparence.niveau.toHtmlEscaped(), couleur);
    html += QStringLiteral("</td><td>");
    html += QStringLiteral("<p align=\"right\"><font color=\"%1\" size=\"2\"><b>Compétence validée le "
                           ":</b></font></p>")
                .arg(couleur);
    html += QStringLiteral("</td></tr></table>");
    html += barreHtml(apparence.barre, 1700, 6);
    html += QStringLiteral("<table>");
    QSqlQuery competences = executer(
        QStringLiteral(
            "SELECT id_comp,libelle FROM competences WHERE id_comp_parent=? ORDER BY numero, id_comp"),
        {palierId});
    while (competences.next()) {
        html +=
            QStringLiteral("<tr><td><p align=\"left\"><font color=\"#000\" size=\"1\"><b>%1</b></font></p>")
                .arg(competences.value(1).toString().toHtmlEscaped());
        html += QStringLiteral("<p>") + barreHtml(apparence.barre, 1400, 3) + QStringLiteral("</p>");
        html += QStringLiteral("</td><td align=\"right\">");
        const QString date = dateValidation(eleveId, competences.value(0).toLongLong());
        html += date.isEmpty()
                    ? QStringLiteral("<p>&nbsp;</p>")
                    // Une date ne se coupe jamais, même quand les libellés prennent toute la largeur.
                    : QStringLiteral("<p align=\"right\" style=\"white-space:nowrap\"><font color=\"#000\" "
                                     "size=\"1\"><b>%1</b></font></p>")
                          .arg(date);
        html += QStringLiteral("</td></tr>");
    }
    html += QStringLiteral("</table><p>&nbsp;</p><p>&nbsp;</p>");
    if (options.teacher.isEmpty())
        html += QStringLiteral(
            "<p><font size=\"1\">Nom et signature de l'enseignant :</font><br/><br/><br/><br/></p>");
    else
        html += QStringLiteral("<p><font size=\"1\">L'enseignant :<br/>%1</font><br/><br/><br/></p>")
                    .arg(options.teacher.toHtmlEscaped());
    html +=
        QStringLiteral("<p><font size=\"1\">Vu et pris connaissance, le _ _ _ _ _ _ _ _ _ _ _ _ _ _ _ _ _ _ "
                       "</font></p><p><font size=\"1\">Les parents ou le représentant légal,</font></p>"
                       "<p><font size=\"1\">Signature(s)</font></p></body>");
    return html;
}

int dessinerAgregat(int y, QPainter& peintre, const QFont& police, qint64 agregatId, const QColor& couleur,
                    qint64 eleveId)
{
    QSqlQuery requete =
        executer(QStringLiteral("SELECT libelle FROM competences WHERE id_comp=?"), {agregatId});
    const QString libelle = requete.next() ? requete.value(0).toString().toUpper() : QString();

    QFont policeLibelle = police;
    policeLibelle.setPixelSize(35);
    policeLibelle.setStretch(112);
    peintre.setFont(policeLibelle);
    const QRect zoneLibelle(QPoint(200, y + 11), QPoint(1799, y + 510));
    const int drapeaux = Qt::TextWordWrap | Qt::AlignTop | Qt::AlignLeft;
    const QRect b = peintre.boundingRect(zoneLibelle, drapeaux, libelle);

    peintre.setPen(Qt::NoPen);
    peintre.setBrush(QBrush(couleur, Qt::SolidPattern));
    peintre.drawRect(QRect(QPoint(200, y), QPoint(1899, y + 9)));
    peintre.setBrush(QBrush(couleur.lighter(180), Qt::SolidPattern));
    peintre.drawRect(QRect(QPoint(200, y + 10), QPoint(1899, y + 10 + b.height() - 1)));
    peintre.setBrush(Qt::NoBrush);
    peintre.setPen(Qt::black);
    peintre.drawText(zoneLibelle, drapeaux, libelle);

    QFont policeItems = police;
    policeItems.setPixelSize(35);
    policeItems.setStretch(100);
    policeItems.setWeight(QFont::Normal);
    peintre.setFont(policeItems);
    int hauteur = b.bottom() + 10;
    QSqlQuery items = executer(
        QStringLiteral(
            "SELECT libelle, id_comp FROM competences WHERE id_comp_parent=? ORDER BY numero, id_comp"),
        {agregatId});
    bool premier = true;
    while (items.next()) {
        if (!premier) {
            peintre.setPen(QPen(couleur, 2, Qt::DashLine));
            peintre.drawLine(200, hauteur - 10, 1900, hauteur - 10);
        }
        premier = false;
        peintre.setPen(Qt::black);
        QRect r;
        peintre.drawText(QRect(QPoint(200, hauteur), QPoint(1599, hauteur + 999)),
                         Qt::TextWordWrap | Qt::AlignLeft, items.value(0).toString(), &r);
        const QString date = dateValidation(eleveId, items.value(1).toLongLong());
        if (!date.isEmpty())
            peintre.drawText(QRect(QPoint(1650, hauteur), QPoint(1899, hauteur + r.height() - 1)),
                             Qt::TextWordWrap | Qt::AlignRight | Qt::AlignVCenter, date);
        hauteur += r.height() + 10;
    }
    return hauteur;
}

} // namespace Composition

void dessinerAttestation(QPainter& peintre, qint64 palierId, qint64 eleveId, const QString& ecole, int numero,
                         int nombre)
{
    DocumentAttestation document;
    QFont police(QStringLiteral("Arial"));
    police.setPointSize(40);
    police.setWeight(QFont::Normal);
    police.setItalic(false);
    document.setDefaultFont(police);
    document.setPageSize(QSizeF(Composition::LARGEUR_PAGE, Composition::HAUTEUR_PAGE));
    document.setDefaultStyleSheet(QStringLiteral("body {margin-left:200px; margin-right:200px}"));
    document.setHtml(Composition::htmlAttestation(palierId, eleveId, ecole));
    peintre.save();
    // Images sans perte : en PDF, elles seraient sinon compressées en JPEG, avec des bavures
    // autour des lettres du titre.
    peintre.setRenderHint(QPainter::LosslessImageRendering);
    document.drawContents(&peintre);
    peintre.restore();
    dessinerNumero(peintre, numero, nombre);
}

void dessinerCompetence(QPainter& peintre, qint64 competenceId, qint64 eleveId, int numero, int nombre)
{
    if (competenceId == 0)
        return;
    QSqlQuery requete =
        executer(QStringLiteral("SELECT libelle, id_comp_parent, numero FROM competences WHERE id_comp=?"),
                 {competenceId});
    if (!requete.next())
        return;
    const QString libelle = requete.value(0).toString();
    const qint64 palierId = requete.value(1).toLongLong();
    const int k = requete.value(2).toInt();
    if (palierId == 0)
        return;
    requete = executer(QStringLiteral("SELECT numero, libelle FROM competences WHERE id_comp=?"), {palierId});
    if (!requete.next())
        return;
    const int p = requete.value(0).toInt();
    const QString palier = requete.value(1).toString();

    const OptionsImpression& options = OptionsImpression::courantes();
    const Composition::Apparence apparence = Composition::apparencePalier(palierId, options.grey);

    peintre.save();
    QFont police = peintre.font();
    police.setFamily(QStringLiteral("Arial"));

    peintre.setRenderHint(QPainter::LosslessImageRendering); // voir dessinerAttestation
    peintre.drawPixmap(QRect(1500, 100, 400, 199),
                       imageLivret(options.grey ? QStringLiteral(":/livret/titre_petit_nb.png")
                                                : QStringLiteral(":/livret/titre_petit_couleur.png")));

    QFont policeTitre = police;
    policeTitre.setPixelSize(60);
    policeTitre.setWeight(QFont::Bold);
    policeTitre.setStretch(75);
    peintre.setFont(policeTitre);
    peintre.setPen(apparence.couleur);
    QRect zone;
    peintre.drawText(QRect(QPoint(200, 100), QPoint(1499, 1099)),
                     Qt::TextWordWrap | Qt::AlignTop | Qt::AlignLeft,
                     (palier + QStringLiteral(" - ") + libelle).toUpper(), &zone);
    const int basTitre = zone.bottom();
    int y = basTitre + 10;

    if (const auto nom = nomEleve(eleveId); nom && !nom->isEmpty()) {
        QFont policeNom = police;
        policeNom.setPixelSize(40);
        peintre.setFont(policeNom);
        peintre.setPen(Qt::black);
        peintre.drawText(QRect(QPoint(200, y), QPoint(1499, basTitre + 1009)),
                         Qt::TextWordWrap | Qt::AlignTop | Qt::AlignLeft, *nom, &zone);
        y = zone.bottom() + 10;
    }
    if (y < 300)
        y = 300;

    QSqlQuery agregats = executer(
        QStringLiteral("SELECT id_comp FROM competences WHERE id_comp_parent=? ORDER BY numero, id_comp"),
        {competenceId});
    while (agregats.next())
        y = Composition::dessinerAgregat(y, peintre, police, agregats.value(0).toLongLong(),
                                         apparence.couleur, eleveId);

    peintre.setPen(QPen(apparence.couleur, 10, Qt::SolidLine));
    peintre.setBrush(Qt::NoBrush);
    peintre.drawRect(QRect(QPoint(200, y), QPoint(1899, y + 69)));

    int numeroAffiche = k;
    if (p == 1 && k == 2)
        numeroAffiche = 3;
    else if (p == 1 && k == 3)
        numeroAffiche = 6;
    QString texte;
    if (p <= 1 || k != 2)
        texte = tr("La compétence %1 est validée au palier %2 le : ").arg(numeroAffiche).arg(p);
    else
        texte = tr("La maîtrise du niveau A%1 est validée en %2 le : ")
                    .arg(p - 1)
                    .arg(options.language.isEmpty() ? QStringLiteral("____________") : options.language);
    const QString date = dateValidation(eleveId, competenceId);
    texte += date.isEmpty() ? QString(19, QLatin1Char(' ')) : date;
    QFont policeTexte = police;
    policeTexte.setPixelSize(40);
    policeTexte.setWeight(QFont::Normal);
    peintre.setFont(policeTexte);
    peintre.setPen(QPen(Qt::black, 1));
    peintre.drawText(QRect(QPoint(210, y + 10), QPoint(1889, y + 59)),
                     Qt::TextWordWrap | Qt::AlignRight | Qt::AlignVCenter, texte);
    peintre.restore();

    dessinerNumero(peintre, numero, nombre);
}

void dessinerNumero(QPainter& peintre, int numero, int nombre)
{
    if (numero <= 0)
        return;
    peintre.save();
    QFont police = peintre.font();
    police.setPixelSize(30);
    peintre.setFont(police);
    peintre.setPen(Qt::black);
    const QString texte = nombre >= 1 ? QStringLiteral("%1 / %2").arg(numero).arg(nombre)
                                      : QStringLiteral("- %1 -").arg(numero);
    peintre.drawText(QRect(QPoint(0, 2800), QPoint(2099, 2919)), Qt::AlignCenter, texte);
    peintre.restore();
}
