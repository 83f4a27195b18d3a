#include "entry/grilles.h"

#include "db/dates.h"
#include "dialogs/invite.h"

#include <QAbstractItemDelegate>
#include <QCoreApplication>
#include <QTableWidget>

namespace Grilles {

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
