#include "entry/grilles.h"

#include "db/dates.h"
#include "dialogs/invite.h"

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
    return valide;
}

bool dateInvalide(const QTableWidgetItem* cellule)
{
    return cellule && cellule->data(ROLE_INVALIDE).toInt() == 1;
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
    QStringList raisons;
    if (!date.isValid())
        return raisons;
    if (date > aujourdhui)
        raisons << QCoreApplication::translate("Grilles", "Cette date est dans le futur.");
    if (naissance.isValid() && date < naissance)
        raisons << QCoreApplication::translate("Grilles", "Cette date précède la naissance de l'élève (%1).")
                       .arg(naissance.toString(Dates::FORMAT_AFFICHAGE));
    if (date.year() < ANNEE_LIVRET)
        raisons << QCoreApplication::translate(
                       "Grilles", "Cette date précède %1, première année du livret de compétences.")
                       .arg(ANNEE_LIVRET);
    return raisons;
}

bool signalerAVerifier(QTableWidgetItem* cellule, const QDate& naissance)
{
    const bool date = !dateInvalide(cellule) && !cellule->text().isEmpty();
    return signalerAVerifier(
        cellule, date ? QDate::fromString(cellule->text(), Dates::FORMAT_AFFICHAGE) : QDate(), naissance);
}

bool signalerAVerifier(QTableWidgetItem* cellule, const QDate& date, const QDate& naissance)
{
    QStringList raisons = raisonsAVerifier(date, naissance);
    const bool aVerifier = !raisons.isEmpty();
    if (!aVerifier && !dateAVerifier(cellule))
        return false; // rien à poser ni à retirer : la construction d'une grille reste rapide
    if (aVerifier) {
        raisons << QCoreApplication::translate("Grilles", "Vérifiez-la, en particulier l'année.");
        cellule->setData(Qt::ToolTipRole, raisons.join(QLatin1Char('\n')));
    } else {
        cellule->setData(Qt::ToolTipRole, QVariant());
    }
    cellule->setData(ROLE_A_VERIFIER, aVerifier ? 1 : 0);
    QFont police = cellule->font();
    police.setItalic(aVerifier);
    cellule->setFont(police);
    QBrush pinceau = cellule->foreground();
    if (pinceau.style() == Qt::NoBrush)
        pinceau.setStyle(Qt::SolidPattern);
    pinceau.setColor(aVerifier               ? COULEUR_A_VERIFIER
                     : dateInvalide(cellule) ? QColor(Qt::red)
                                             : QColor(Qt::black));
    cellule->setForeground(pinceau);
    return aVerifier;
}

bool dateAVerifier(const QTableWidgetItem* cellule)
{
    return cellule && cellule->data(ROLE_A_VERIFIER).toInt() == 1;
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

QStringList champsColles(const QString& ligne) { return ligne.split(QLatin1Char('\t'), Qt::KeepEmptyParts); }

} // namespace Grilles
