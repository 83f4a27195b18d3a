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

    // Valide ; vrai quand la base l'a accepté. Une validation refusée (un autre programme lit la
    // base : SQLite garde alors la transaction ouverte) est annulée : rien de ce qui a été écrit
    // ne reste en attente, pour être validé plus tard avec une écriture suivante.
    bool valider()
    {
        if (!ouverte)
            return false;
        ouverte = false;
        if (connexion.commit())
            return true;
        connexion.rollback();
        return false;
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
