#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>

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

    // Exécute une écriture de la transaction. Une écriture refusée (disque plein, fichier en
    // lecture seule, base verrouillée…) condamne toute la transaction : `valider` l'annulera
    // au lieu d'enregistrer la moitié du travail, et plus rien n'est exécuté d'ici là — après
    // un disque plein, SQLite a pu annuler la transaction de lui-même, et chaque écriture
    // suivante serait validée seule, hors de toute transaction.
    bool executer(QSqlQuery& requete)
    {
        echec = echec || !requete.exec();
        return !echec;
    }
    bool executer(QSqlQuery& requete, const QString& instruction)
    {
        echec = echec || !requete.exec(instruction);
        return !echec;
    }

    // Vrai quand une écriture a déjà été refusée.
    bool enEchec() const { return echec; }

    // Valide ; vrai quand la base l'a accepté. Après une écriture refusée, annule et rend faux.
    bool valider()
    {
        if (!ouverte)
            return false;
        if (echec) {
            annuler();
            return false;
        }
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
    bool echec = false;
};
