// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/print/composition.h"

#include "core/commun/dates.h"
#include "core/db/requete.h"
#include "core/db/requetes.h"

#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>
#include <QTextDocument>
#include <QUrl>
#include <QVariant>

namespace {

// La date de validation d'un nœud pour un élève, « dd/MM/yyyy » ; vide sans date valide.
Resultat<QString> dateValidation(qint64 eleveId, qint64 noeudId)
{
    const Resultat<QVariant> date = Base::valeur(
        QStringLiteral("SELECT date FROM notes WHERE id_eleve=? AND id_comp=?"), {eleveId, noeudId});
    if (!date)
        return date.erreur();
    return Dates::afficher(Dates::lire(date->toString()));
}

// Le libellé d'un nœud ; vide quand il n'existe pas.
Resultat<QString> libelle(qint64 noeudId)
{
    const Resultat<QVariant> lu =
        Base::valeur(QStringLiteral("SELECT libelle FROM competences WHERE id_comp=?"), {noeudId});
    if (!lu)
        return lu.erreur();
    return lu->toString();
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

Resultat<Apparence> apparencePalier(qint64 palierId, bool gris)
{
    Apparence apparence;
    const auto lu = Base::lignes(
        QStringLiteral("SELECT couleur_defaut, texte, header FROM paramcomp WHERE id_comp=?"), {palierId});
    if (!lu)
        return lu.erreur();
    if (!lu->isEmpty()) {
        const QRgb rgb = QRgb(lu->first().at(0).toLongLong());
        apparence.couleur = QColor(qRed(rgb), qGreen(rgb), qBlue(rgb));
        apparence.niveau = lu->first().at(1).toString();
        apparence.barre = lu->first().at(2).toString();
    } else {
        apparence.couleur = Qt::black;
    }
    if (gris) {
        apparence.couleur = QColor(128, 128, 128);
        apparence.barre = QStringLiteral("gris.png");
    }
    return apparence;
}

Resultat<QString> htmlAttestation(qint64 palierId, qint64 eleveId, const QString& ecole,
                                  const OptionsImpression& options)
{
    const Resultat<Apparence> lue = apparencePalier(palierId, options.grey);
    if (!lue)
        return lue.erreur();
    const Apparence& apparence = *lue;
    const QString couleur = apparence.couleur.name();
    const Resultat<QList<Base::Ligne>> palierLu =
        Base::lignes(QStringLiteral("SELECT libelle FROM competences WHERE id_comp=?"), {palierId});
    if (!palierLu)
        return palierLu.erreur();
    const QString palier =
        palierLu->isEmpty() ? QStringLiteral("Palier") : palierLu->first().at(0).toString();
    const Resultat<QString> nom = Requetes::nomEleve(eleveId);
    if (!nom)
        return nom.erreur();
    const auto competences = Requetes::enfants(palierId);
    if (!competences)
        return competences.erreur();

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
    if (!nom->isEmpty())
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
    for (const Noeud& competence : *competences) {
        html +=
            QStringLiteral("<tr><td><p align=\"left\"><font color=\"#000\" size=\"1\"><b>%1</b></font></p>")
                .arg(competence.libelle.toHtmlEscaped());
        html += QStringLiteral("<p>") + barreHtml(apparence.barre, 1400, 3) + QStringLiteral("</p>");
        html += QStringLiteral("</td><td align=\"right\">");
        const Resultat<QString> lue = dateValidation(eleveId, competence.id);
        if (!lue)
            return lue.erreur();
        const QString& date = *lue;
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

Resultat<int> dessinerAgregat(int y, QPainter& peintre, const QFont& police, qint64 agregatId,
                              const QColor& couleur, qint64 eleveId)
{
    const Resultat<QString> lu = ::libelle(agregatId);
    if (!lu)
        return lu.erreur();
    const QString libelle = lu->toUpper();
    const auto items = Requetes::enfants(agregatId);
    if (!items)
        return items.erreur();

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
    bool premier = true;
    for (const Noeud& item : *items) {
        if (!premier) {
            peintre.setPen(QPen(couleur, 2, Qt::DashLine));
            peintre.drawLine(200, hauteur - 10, 1900, hauteur - 10);
        }
        premier = false;
        peintre.setPen(Qt::black);
        QRect r;
        peintre.drawText(QRect(QPoint(200, hauteur), QPoint(1599, hauteur + 999)),
                         Qt::TextWordWrap | Qt::AlignLeft, item.libelle, &r);
        const Resultat<QString> lue = dateValidation(eleveId, item.id);
        if (!lue)
            return lue.erreur();
        const QString& date = *lue;
        if (!date.isEmpty())
            peintre.drawText(QRect(QPoint(1650, hauteur), QPoint(1899, hauteur + r.height() - 1)),
                             Qt::TextWordWrap | Qt::AlignRight | Qt::AlignVCenter, date);
        hauteur += r.height() + 10;
    }
    return hauteur;
}

} // namespace Composition

Resultat<> dessinerAttestation(QPainter& peintre, qint64 palierId, qint64 eleveId, const QString& ecole,
                               int numero, int nombre, const OptionsImpression& options)
{
    const Resultat<QString> html = Composition::htmlAttestation(palierId, eleveId, ecole, options);
    if (!html)
        return html.erreur();
    DocumentAttestation document;
    QFont police(QStringLiteral("Arial"));
    police.setPointSize(40);
    police.setWeight(QFont::Normal);
    police.setItalic(false);
    document.setDefaultFont(police);
    document.setPageSize(QSizeF(Composition::LARGEUR_PAGE, Composition::HAUTEUR_PAGE));
    document.setDefaultStyleSheet(QStringLiteral("body {margin-left:200px; margin-right:200px}"));
    document.setHtml(*html);
    peintre.save();
    // Images sans perte : en PDF, elles seraient sinon compressées en JPEG, avec des bavures
    // autour des lettres du titre.
    peintre.setRenderHint(QPainter::LosslessImageRendering);
    document.drawContents(&peintre);
    peintre.restore();
    dessinerNumero(peintre, numero, nombre);
    return {};
}

Resultat<> dessinerCompetence(QPainter& peintre, qint64 competenceId, qint64 eleveId, int numero, int nombre,
                              const OptionsImpression& options)
{
    if (competenceId == 0)
        return {};
    const auto competence = Base::lignes(
        QStringLiteral("SELECT libelle, id_comp_parent, numero FROM competences WHERE id_comp=?"),
        {competenceId});
    if (!competence)
        return competence.erreur();
    if (competence->isEmpty())
        return {};
    const QString libelle = competence->first().at(0).toString();
    const qint64 palierId = competence->first().at(1).toLongLong();
    const int k = competence->first().at(2).toInt();
    if (palierId == 0)
        return {};
    const auto palierLu =
        Base::lignes(QStringLiteral("SELECT numero, libelle FROM competences WHERE id_comp=?"), {palierId});
    if (!palierLu)
        return palierLu.erreur();
    if (palierLu->isEmpty())
        return {};
    const int p = palierLu->first().at(0).toInt();
    const QString palier = palierLu->first().at(1).toString();

    const Resultat<Composition::Apparence> lue = Composition::apparencePalier(palierId, options.grey);
    if (!lue)
        return lue.erreur();
    const Composition::Apparence& apparence = *lue;
    const Resultat<QString> nom = Requetes::nomEleve(eleveId);
    if (!nom)
        return nom.erreur();
    const auto agregats = Requetes::enfants(competenceId);
    if (!agregats)
        return agregats.erreur();
    const Resultat<QString> validation = dateValidation(eleveId, competenceId);
    if (!validation)
        return validation.erreur();

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

    if (!nom->isEmpty()) {
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

    for (const Noeud& agregat : *agregats) {
        const Resultat<int> suite =
            Composition::dessinerAgregat(y, peintre, police, agregat.id, apparence.couleur, eleveId);
        if (!suite) {
            peintre.restore();
            return suite.erreur();
        }
        y = *suite;
    }

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
        texte = QStringLiteral("La compétence %1 est validée au palier %2 le : ").arg(numeroAffiche).arg(p);
    else
        texte = QStringLiteral("La maîtrise du niveau A%1 est validée en %2 le : ")
                    .arg(p - 1)
                    .arg(options.language.isEmpty() ? QStringLiteral("____________") : options.language);
    texte += validation->isEmpty() ? QString(19, QLatin1Char(' ')) : *validation;
    QFont policeTexte = police;
    policeTexte.setPixelSize(40);
    policeTexte.setWeight(QFont::Normal);
    peintre.setFont(policeTexte);
    peintre.setPen(QPen(Qt::black, 1));
    peintre.drawText(QRect(QPoint(210, y + 10), QPoint(1889, y + 59)),
                     Qt::TextWordWrap | Qt::AlignRight | Qt::AlignVCenter, texte);
    peintre.restore();

    dessinerNumero(peintre, numero, nombre);
    return {};
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
