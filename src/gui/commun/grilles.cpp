// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/commun/grilles.h"

#include "core/commun/dates.h"
#include "gui/commun/invite.h"

#include <QAbstractItemDelegate>
#include <QCoreApplication>
#include <QTableWidget>

namespace Grilles {

namespace {
// Texte d'une date à vérifier : orange foncé, à distinguer du rouge des dates invalides.
const QColor COULEUR_A_VERIFIER(200, 90, 0);
} // namespace

bool ecrireDate(QTableWidgetItem* cellule, const QString& texte)
{
    QString normalise = texte;
    const bool valide = Dates::normaliser(normalise);
    cellule->setText(normalise);
    cellule->setData(ROLE_INVALIDE, valide ? 0 : 1);
    QBrush pinceau = cellule->foreground();
    if (pinceau.style() == Qt::NoBrush)
        pinceau.setStyle(Qt::SolidPattern);
    pinceau.setColor(valide ? Qt::black : Qt::red);
    cellule->setForeground(pinceau);
    // La couleur ne se voit pas avec un lecteur d'écran : l'état est dit aussi en toutes lettres.
    if (!dynamic_cast<CelluleDate*>(cellule) &&
        (!valide || cellule->data(Qt::AccessibleDescriptionRole).isValid()))
        cellule->setData(Qt::AccessibleDescriptionRole, valide ? QVariant() : descriptionDateIncorrecte());
    return valide;
}

QString descriptionDateIncorrecte()
{
    return QCoreApplication::translate("Grilles", "Date incorrecte : tapez-la sous la forme jour/mois/année, "
                                                  "par exemple 15/06/2024.");
}

QString descriptionDateAVerifier(const QStringList& raisons)
{
    return QCoreApplication::translate("Grilles", "Date à vérifier. %1").arg(raisons.join(QLatin1Char(' ')));
}

bool dateInvalide(const QTableWidgetItem* cellule)
{
    return cellule && cellule->data(ROLE_INVALIDE).toInt() == 1;
}

bool celluleChangee(const QTableWidgetItem* cellule)
{
    return cellule && cellule->text() != cellule->data(ROLE_ENREGISTRE).toString();
}

QString descriptionDateReprise()
{
    return QCoreApplication::translate(
        "Grilles", "Date reprise après l'arrêt imprévu de Quorvel : elle n'est pas encore "
                   "enregistrée. Vérifiez-la, puis enregistrez la grille.");
}

QString texteCopie(const QTableWidget* table, const QTableWidgetSelectionRange& plage,
                   const std::function<bool(int)>& ligneRetenue)
{
    QString texte;
    for (int ligne = plage.topRow(); ligne <= plage.bottomRow(); ++ligne) {
        if (ligneRetenue && !ligneRetenue(ligne))
            continue;
        QStringList cellules;
        for (int colonne = plage.leftColumn(); colonne <= plage.rightColumn(); ++colonne) {
            const QTableWidgetItem* cellule = table->item(ligne, colonne);
            cellules << (cellule ? cellule->text() : QString());
        }
        texte += cellules.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    return texte;
}

QStringList raisonsAVerifier(const QDate& date, const QDate& naissance, const QDate& aujourdhui)
{
    const int raisons = Dates::invraisemblances(date, naissance, aujourdhui);
    QStringList phrases;
    if (raisons & Dates::DansLeFutur)
        phrases << QCoreApplication::translate("Grilles", "Cette date est dans le futur.");
    if (raisons & Dates::AvantLaNaissance)
        phrases << QCoreApplication::translate("Grilles", "Cette date précède la naissance de l'élève (%1).")
                       .arg(Dates::afficher(naissance));
    if (raisons & Dates::AvantLeLivret)
        phrases << QCoreApplication::translate(
                       "Grilles", "Cette date précède %1, première année du livret de compétences.")
                       .arg(Dates::ANNEE_LIVRET);
    return phrases;
}

CelluleDate::CelluleDate(const QString& texte) : QTableWidgetItem(texte)
{
    setData(ROLE_INVALIDE, 0);
    setData(ROLE_ENREGISTRE, texte);
    setTextAlignment(Qt::AlignCenter);
}

QTableWidgetItem* CelluleDate::clone() const
{
    return new CelluleDate(*this);
}

QStringList CelluleDate::raisons() const
{
    const QTableWidgetItem* entete = tableWidget() ? tableWidget()->horizontalHeaderItem(column()) : nullptr;
    const QDate naissance = entete ? entete->data(ROLE_NAISSANCE).toDate() : QDate();
    QStringList phrases = raisonsAVerifier(QDate::fromString(text(), Dates::FORMAT_AFFICHAGE), naissance);
    phrases << QCoreApplication::translate("Grilles", "Vérifiez-la, en particulier l'année.");
    return phrases;
}

QVariant CelluleDate::data(int role) const
{
    const bool reprise = QTableWidgetItem::data(ROLE_REPRISE).toBool();
    if (role == Qt::AccessibleDescriptionRole) {
        // L'état de la cellule d'abord, puis ce que la fenêtre a posé sur elle.
        QStringList description;
        if (dateInvalide(this))
            description << descriptionDateIncorrecte();
        else if (dateAVerifier(this))
            description << descriptionDateAVerifier(raisons());
        if (reprise)
            description << descriptionDateReprise();
        if (const QString posee = QTableWidgetItem::data(role).toString(); !posee.isEmpty())
            description << posee;
        return description.isEmpty() ? QVariant() : QVariant(description.join(QLatin1Char(' ')));
    }
    if (role != Qt::ToolTipRole && role != Qt::FontRole && role != Qt::ForegroundRole)
        return QTableWidgetItem::data(role);
    const bool aVerifier = dateAVerifier(this);
    if (!aVerifier && !reprise)
        return QTableWidgetItem::data(role);
    switch (role) {
    case Qt::ToolTipRole: {
        QStringList bulle;
        if (aVerifier)
            bulle << raisons().join(QLatin1Char('\n'));
        if (reprise)
            bulle << descriptionDateReprise();
        return bulle.join(QLatin1Char('\n'));
    }
    case Qt::FontRole: {
        QFont police = qvariant_cast<QFont>(QTableWidgetItem::data(role));
        police.setItalic(aVerifier || police.italic());
        // Soulignée plutôt qu'en gras : la date tient toujours dans sa colonne.
        police.setUnderline(reprise || police.underline());
        return police;
    }
    default: { // premier plan : le rouge d'une date invalide l'emporte
        if (dateInvalide(this) || !aVerifier)
            return QTableWidgetItem::data(role);
        QBrush pinceau = qvariant_cast<QBrush>(QTableWidgetItem::data(role));
        if (pinceau.style() == Qt::NoBrush)
            pinceau.setStyle(Qt::SolidPattern);
        pinceau.setColor(COULEUR_A_VERIFIER);
        return pinceau;
    }
    }
}

bool signalerAVerifier(QTableWidgetItem* cellule, const QDate& naissance)
{
    const bool date = !dateInvalide(cellule) && !cellule->text().isEmpty();
    return signalerAVerifier(
        cellule, date ? QDate::fromString(cellule->text(), Dates::FORMAT_AFFICHAGE) : QDate(), naissance);
}

bool signalerAVerifier(QTableWidgetItem* cellule, const QDate& date, const QDate& naissance,
                       const QDate& aujourdhui)
{
    const int raisons = Dates::invraisemblances(date, naissance, aujourdhui);
    if (cellule->data(ROLE_A_VERIFIER).toInt() != raisons)
        cellule->setData(ROLE_A_VERIFIER, raisons);
    return raisons != 0;
}

bool dateAVerifier(const QTableWidgetItem* cellule)
{
    return cellule && cellule->QTableWidgetItem::data(ROLE_A_VERIFIER).toInt() != 0;
}

bool validerEdition(QTableWidget* table)
{
    const QModelIndex courant = table->currentIndex();
    QWidget* editeur = courant.isValid() ? table->indexWidget(courant) : nullptr;
    QAbstractItemDelegate* delegue = editeur ? table->itemDelegateForIndex(courant) : nullptr;
    if (!delegue)
        return false;
    // Ce que fait le délégué à la touche Entrée : les données de l'éditeur vont dans la
    // cellule, puis l'éditeur se ferme.
    Q_EMIT delegue->commitData(editeur);
    Q_EMIT delegue->closeEditor(editeur, QAbstractItemDelegate::NoHint);
    return true;
}

QStringList lignesCollees(const QString& texte)
{
    QString normalise = texte;
    normalise.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    normalise.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (normalise.isEmpty())
        return {};
    QStringList lignes = normalise.split(QLatin1Char('\n'), Qt::KeepEmptyParts);
    if (lignes.size() > 1 && lignes.constLast().isEmpty())
        lignes.removeLast();
    return lignes;
}

bool refuserSelectionMultiple(QWidget* parent, const QTableWidget* table, Presse operation)
{
    if (table->selectedRanges().size() < 2)
        return false;
    const auto tr = [](const char* texte) { return QCoreApplication::translate("Grilles", texte); };
    switch (operation) {
    case Presse::Copier:
        Invite::information(parent, tr("Copier"),
                            tr("Impossible de copier plusieurs plages à la fois.\n"
                               "Sélectionnez une seule plage de cellules, puis recommencez."));
        break;
    case Presse::Couper:
        Invite::information(parent, tr("Couper"),
                            tr("Impossible de couper plusieurs plages à la fois : rien n'a été effacé.\n"
                               "Sélectionnez une seule plage de cellules, puis recommencez."));
        break;
    case Presse::Coller:
        Invite::information(parent, tr("Coller"),
                            tr("Impossible de coller dans plusieurs plages à la fois.\n"
                               "Sélectionnez une seule case, qui recevra le coin haut gauche du bloc, puis "
                               "recommencez."));
        break;
    }
    return true;
}

QStringList champsColles(const QString& ligne)
{
    return ligne.split(QLatin1Char('\t'), Qt::KeepEmptyParts);
}

} // namespace Grilles
