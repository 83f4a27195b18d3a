// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/commun/resultat.h"

#include <QSqlDatabase>
#include <QSqlError>

// Transaction sur une connexion, annulée à la destruction si elle n'a pas été validée :
// toute sortie anticipée d'une écriture laisse la base telle qu'elle était.
class Transaction
{
public:
    explicit Transaction(QSqlDatabase base = QSqlDatabase::database()) : connexion(base)
    {
        ouverte = connexion.transaction();
        if (!ouverte)
            refus = connexion.lastError().text().trimmed();
    }
    ~Transaction()
    {
        if (ouverte)
            connexion.rollback();
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // Réussi quand la transaction a pu commencer ; sinon, ce qu'a dit le pilote.
    Resultat<> ouverture() const
    {
        if (ouverte || fermee)
            return {};
        return Erreur(Raison::EcritureRefusee, refus);
    }
    bool estOuverte() const { return ouverte; }

    // Valide ; l'échec porte ce qu'a dit le pilote. Une validation refusée (un autre programme lit
    // la base : SQLite garde alors la transaction ouverte) est annulée : rien de ce qui a été écrit
    // ne reste en attente, pour être validé plus tard avec une écriture suivante.
    Resultat<> valider()
    {
        if (!ouverte)
            return Erreur(Raison::EcritureRefusee, refus);
        ouverte = false;
        fermee = true;
        if (!connexion.commit()) {
            const QString texte = connexion.lastError().text().trimmed();
            connexion.rollback();
            return Erreur(Raison::EcritureRefusee, texte);
        }
        return {};
    }

    // Annule tout de suite.
    void annuler()
    {
        if (ouverte)
            connexion.rollback();
        ouverte = false;
        fermee = true;
    }

private:
    QSqlDatabase connexion;
    bool ouverte = false;
    bool fermee = false;
    QString refus;
};
