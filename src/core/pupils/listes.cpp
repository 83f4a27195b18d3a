// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/pupils/listes.h"

#include "core/commun/transaction.h"
#include "core/db/requete.h"

namespace Listes {

bool estNiveaux(const QString& table)
{
    return table == QLatin1String("niveaux");
}

Resultat<QList<Entree>> charger(const QString& table)
{
    const QString sql =
        estNiveaux(table)
            ? QStringLiteral("SELECT niveaux.libelle, niveaux.id_niveau,COUNT(eleves.id_eleve) FROM niveaux "
                             "LEFT JOIN eleves ON eleves.id_niveau=niveaux.id_niveau "
                             "GROUP BY niveaux.id_niveau ORDER BY niveaux.tri ASC")
            : QStringLiteral("SELECT classes.libelle, classes.id_classe, COUNT(eleves.id_eleve) FROM classes "
                             "LEFT JOIN eleves ON eleves.id_classe=classes.id_classe "
                             "GROUP BY classes.id_classe ORDER BY classes.tri ASC");
    QList<Entree> entrees;
    Base::Requete requete(sql);
    const Resultat<> lu = requete.pourChaqueLigne({}, [&entrees](const Base::Requete& r) {
        const qlonglong cle = r.entier(1);
        entrees.append({r.texte(0), r.entier(2) == 0 ? cle : -cle});
    });
    if (!lu)
        return lu.erreur();
    return entrees;
}

Resultat<> enregistrer(const QString& table, const QList<Entree>& entrees, const QList<qlonglong>& supprimees)
{
    for (int position = 0; position < entrees.size(); ++position)
        if (entrees.at(position).libelle.trimmed().isEmpty())
            return Erreur(Raison::ChampsManquants).enLigne(position + 1);

    const bool niveaux = estNiveaux(table);
    Transaction transaction;
    if (Resultat<> r = transaction.ouverture(); !r)
        return r;

    // Le nom de la table vient du programme, jamais de l'utilisateur : seul l'un des deux
    // noms connus entre dans le texte SQL.
    Base::Requete miseAJour(niveaux
                                ? QStringLiteral("UPDATE niveaux SET libelle=?, tri=? WHERE id_niveau=?")
                                : QStringLiteral("UPDATE classes SET libelle=?, tri=? WHERE id_classe=?"));
    Base::Requete insertion(niveaux ? QStringLiteral("INSERT INTO niveaux (libelle, tri) VALUES (?,?)")
                                    : QStringLiteral("INSERT INTO classes (libelle, tri) VALUES (?,?)"));

    // La première instruction refusée arrête tout (la transaction est annulée en sortant) :
    // après une erreur du disque, SQLite a pu annuler la transaction de lui-même, et les
    // instructions suivantes seraient validées une à une, la liste à moitié écrite.
    for (int position = 0; position < entrees.size(); ++position) {
        const Entree& entree = entrees.at(position);
        const Resultat<> r = entree.cle != 0
                                 ? miseAJour.executer({entree.libelle, position, qAbs(entree.cle)})
                                 : insertion.executer({entree.libelle, position});
        if (!r)
            return r;
    }

    // Une entrée n'est effacée que si plus aucun élève ne l'utilise.
    Base::Requete comptage(niveaux ? QStringLiteral("SELECT COUNT(*) FROM eleves WHERE eleves.id_niveau=?")
                                   : QStringLiteral("SELECT COUNT(*) FROM eleves WHERE eleves.id_classe=?"));
    Base::Requete suppression(niveaux ? QStringLiteral("DELETE FROM niveaux WHERE id_niveau=?")
                                      : QStringLiteral("DELETE FROM classes WHERE id_classe=?"));
    for (const qlonglong cle : supprimees) {
        if (cle == 0)
            continue;
        const Resultat<QVariant> utilisations = comptage.premiere({cle});
        if (!utilisations)
            return utilisations.erreur();
        if (utilisations->toLongLong() != 0)
            continue;
        if (Resultat<> r = suppression.executer({cle}); !r)
            return r;
    }
    return transaction.valider();
}

} // namespace Listes
