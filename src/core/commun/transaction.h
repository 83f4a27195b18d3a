// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSqlDatabase>

// Transaction sur une connexion, annulée à la destruction si elle n'a pas été validée :
// toute sortie anticipée d'une écriture laisse la base telle qu'elle était.
class Transaction
{
public:
    explicit Transaction(QSqlDatabase base = QSqlDatabase::database()) : connexion(base)
    {
        ouverte = connexion.transaction();
    }
    ~Transaction()
    {
        if (ouverte)
            connexion.rollback();
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // Vrai quand la transaction a pu commencer.
    bool estOuverte() const { return ouverte; }

    // Valide ; vrai quand la base l'a accepté.
    bool valider()
    {
        if (!ouverte)
            return false;
        ouverte = false;
        return connexion.commit();
    }

    // Annule tout de suite.
    void annuler()
    {
        if (ouverte)
            connexion.rollback();
        ouverte = false;
    }

private:
    QSqlDatabase connexion;
    bool ouverte = false;
};
