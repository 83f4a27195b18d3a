// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/db/jeuessai.h"

#include "core/commun/aleatoire.h"
#include "core/commun/dates.h"
#include "core/commun/transaction.h"
#include "core/db/requete.h"

#include <QDate>
#include <QTime>
#include <QVariant>

namespace JeuEssai {

Resultat<> generer()
{
    return generer(static_cast<quint32>(QTime::currentTime().msecsSinceStartOfDay() / 1000));
}

Resultat<> generer(quint32 graine)
{
    // L'effacement de tous les enregistrements et les nouvelles dates forment une seule
    // transaction : un arrêt en cours de route (programme tué, coupure de courant) laisse les
    // anciennes dates, jamais une table vidée.
    Transaction transaction;
    if (Resultat<> r = transaction.ouverture(); !r)
        return r;
    if (Resultat<> r = Base::executer(QStringLiteral("DELETE FROM notes")); !r)
        return r;

    Aleatoire::initialiser(graine);

    // Les nœuds datés : items et compétences. Lus une fois pour tous les élèves, dans
    // l'ordre où la base les rend.
    const auto noeuds =
        Base::lignes(QStringLiteral("SELECT id_comp FROM competences WHERE profondeur=3 OR profondeur=1"));
    if (!noeuds)
        return noeuds.erreur();
    const auto eleves = Base::lignes(QStringLiteral("SELECT id_eleve FROM eleves"));
    if (!eleves)
        return eleves.erreur();

    Base::Requete insertion(QStringLiteral("INSERT INTO notes(id_eleve,id_comp, date) VALUES(?,?,?)"));
    for (const Base::Ligne& eleve : *eleves) {
        for (const Base::Ligne& noeud : *noeuds) {
            // Un cas sur quatre, le nœud reste sans date.
            if ((Aleatoire::tirer() & 3u) == 0)
                continue;
            // Tirages dans cet ordre : jour, mois, année. Le 31 ne sort jamais et
            // février s'arrête au 28 : toute date tirée existe.
            int jour = int(Aleatoire::tirer() % 30u) + 1;
            const int mois = int(Aleatoire::tirer() % 12u) + 1;
            if (mois == 2 && jour > 28)
                jour = 28;
            const int annee = 2008 + int(Aleatoire::tirer() % 3u);
            // Une insertion refusée arrête tout, et rien ne change : après une erreur du
            // disque, SQLite a pu annuler la transaction de lui-même, et chaque insertion
            // suivante serait validée seule, par-dessus les anciennes dates.
            if (Resultat<> r = insertion.executer(
                    {eleve.at(0), noeud.at(0), QDate(annee, mois, jour).toString(Dates::FORMAT_STOCKAGE)});
                !r)
                return r;
        }
    }
    return transaction.valider();
}

} // namespace JeuEssai
