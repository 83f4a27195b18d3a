// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/pupils/listes.h"

#include "core/commun/transaction.h"

#include <QDebug>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace Listes {

bool estNiveaux(const QString& table)
{
    return table == QLatin1String("niveaux");
}

QList<Entree> charger(const QString& table, const QSqlDatabase& base)
{
    QList<Entree> entrees;
    QSqlQuery requete(base);
    const QString sql =
        estNiveaux(table)
            ? QStringLiteral("SELECT niveaux.libelle, niveaux.id_niveau,COUNT(eleves.id_eleve) FROM niveaux "
                             "LEFT JOIN eleves ON eleves.id_niveau=niveaux.id_niveau "
                             "GROUP BY niveaux.id_niveau ORDER BY niveaux.tri ASC")
            : QStringLiteral("SELECT classes.libelle, classes.id_classe, COUNT(eleves.id_eleve) FROM classes "
                             "LEFT JOIN eleves ON eleves.id_classe=classes.id_classe "
                             "GROUP BY classes.id_classe ORDER BY classes.tri ASC");
    if (!requete.exec(sql))
        return entrees;
    while (requete.next()) {
        const qlonglong cle = requete.value(1).toLongLong();
        entrees.append({requete.value(0).toString(), requete.value(2).toLongLong() == 0 ? cle : -cle});
    }
    return entrees;
}

bool enregistrer(const QString& table, const QList<Entree>& entrees, const QList<qlonglong>& supprimees,
                 const QSqlDatabase& base)
{
    const bool niveaux = estNiveaux(table);
    Transaction transaction(base);
    if (!transaction.estOuverte())
        return false;

    // Le nom de la table vient du programme, jamais de l'utilisateur : seul l'un des deux
    // noms connus entre dans le texte SQL.
    const QString nomTable = niveaux ? QStringLiteral("niveaux") : QStringLiteral("classes");
    QSqlQuery miseAJour(base);
    miseAJour.prepare(niveaux ? QStringLiteral("UPDATE niveaux SET libelle=?, tri=? WHERE id_niveau=?")
                              : QStringLiteral("UPDATE classes SET libelle=?, tri=? WHERE id_classe=?"));
    QSqlQuery insertion(base);
    insertion.prepare(QStringLiteral("INSERT INTO %1 (libelle, tri) VALUES (?,?)").arg(nomTable));

    // La première instruction refusée arrête tout (la transaction est annulée en sortant) :
    // après une erreur du disque, SQLite a pu annuler la transaction de lui-même, et les
    // instructions suivantes seraient validées une à une, la liste à moitié écrite.
    for (int position = 0; position < entrees.size(); ++position) {
        const Entree& entree = entrees.at(position);
        if (entree.cle != 0) {
            miseAJour.addBindValue(entree.libelle);
            miseAJour.addBindValue(position);
            miseAJour.addBindValue(qAbs(entree.cle));
            if (!miseAJour.exec())
                return false;
        } else {
            insertion.addBindValue(entree.libelle);
            insertion.addBindValue(position);
            if (!insertion.exec()) {
                qDebug() << insertion.lastError().driverText();
                return false;
            }
        }
    }

    // Une entrée n'est effacée que si plus aucun élève ne l'utilise.
    QSqlQuery comptage(base);
    comptage.prepare(niveaux ? QStringLiteral("SELECT COUNT(*) FROM eleves WHERE eleves.id_niveau=?")
                             : QStringLiteral("SELECT COUNT(*) FROM eleves WHERE eleves.id_classe=?"));
    QSqlQuery suppression(base);
    suppression.prepare(niveaux ? QStringLiteral("DELETE FROM niveaux WHERE id_niveau=?")
                                : QStringLiteral("DELETE FROM classes WHERE id_classe=?"));
    for (const qlonglong cle : supprimees) {
        if (cle == 0)
            continue;
        comptage.addBindValue(cle);
        if (!comptage.exec() || !comptage.next())
            return false;
        const qlonglong utilisations = comptage.value(0).toLongLong();
        comptage.finish();
        if (utilisations != 0)
            continue;
        suppression.addBindValue(cle);
        if (!suppression.exec())
            return false;
    }
    return transaction.valider();
}

} // namespace Listes
