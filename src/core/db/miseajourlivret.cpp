// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/db/miseajourlivret.h"

#include "core/commun/transaction.h"
#include "core/db/chargeurlivret.h"

#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace MiseAJourLivret {

QList<Changement> ecarts(const QString& chemin)
{
    ChargeurLivret chargeur;
    const std::optional<QList<NoeudLivret>> livret = chargeur.lire(chemin);
    if (!livret)
        return {};

    // L'arbre de la base, par code. Un parent absent donne un code de parent vide, qui ne
    // correspond à rien dans le livret.
    struct NoeudBase {
        qint64 id;
        QString refParent;
        int profondeur;
        int numero;
        QString libelle;
    };
    QHash<QString, NoeudBase> base;
    QSqlQuery requete;
    requete.setForwardOnly(true);
    if (!requete.exec(QStringLiteral("SELECT c.id_comp, c.ref, IFNULL(p.ref, ''), c.profondeur, c.numero, "
                                     "c.libelle FROM competences c "
                                     "LEFT JOIN competences p ON p.id_comp = c.id_comp_parent")))
        return {};
    while (requete.next())
        base.insert(requete.value(1).toString(),
                    {requete.value(0).toLongLong(), requete.value(2).toString(), requete.value(3).toInt(),
                     requete.value(4).toInt(), requete.value(5).toString()});
    if (requete.lastError().type() != QSqlError::NoError || base.size() != livret->size())
        return {};

    QList<Changement> changements;
    for (const NoeudLivret& noeud : *livret) {
        const auto trouve = base.constFind(noeud.ref);
        const QString refParent = noeud.parent < 0 ? QString() : livret->at(noeud.parent).ref;
        if (trouve == base.cend() || trouve->refParent != refParent || trouve->profondeur != noeud.profondeur)
            return {};
        if (trouve->libelle != noeud.libelle || trouve->numero != noeud.numero)
            changements.append(
                {trouve->id, noeud.ref, trouve->libelle, noeud.libelle, trouve->numero, noeud.numero});
    }
    return changements;
}

bool appliquer(const QList<Changement>& changements, QString* erreur)
{
    Transaction transaction;
    QSqlQuery requete;
    bool reussi =
        transaction.estOuverte() &&
        requete.prepare(QStringLiteral("UPDATE competences SET libelle=?, numero=? WHERE id_comp=?"));
    for (int i = 0; reussi && i < changements.size(); ++i) {
        requete.bindValue(0, changements.at(i).libelle);
        requete.bindValue(1, changements.at(i).numero);
        requete.bindValue(2, changements.at(i).id);
        reussi = requete.exec() && requete.numRowsAffected() == 1;
    }
    if (reussi && transaction.valider())
        return true;
    if (erreur) {
        *erreur = requete.lastError().text();
        if (erreur->trimmed().isEmpty())
            *erreur = QSqlDatabase::database().lastError().text();
    }
    return false;
}

QList<ItemARevoir> itemsARevoir(const QStringList& refs)
{
    QSqlQuery requete;
    requete.prepare(QStringLiteral("SELECT c.libelle, (SELECT COUNT(DISTINCT n.id_eleve) FROM notes n WHERE "
                                   "n.id_comp = c.id_comp) FROM competences c WHERE c.ref=?"));
    QList<ItemARevoir> items;
    for (const QString& ref : refs) {
        requete.bindValue(0, ref);
        if (requete.exec() && requete.next())
            items.append({ref, requete.value(0).toString(), requete.value(1).toInt()});
    }
    return items;
}

QStringList sensChange(const QList<Changement>& changements)
{
    QStringList refs;
    for (const QString& ref : SENS_CHANGE)
        for (const Changement& changement : changements)
            if (changement.ref == ref && changement.libelle != changement.ancienLibelle)
                refs.append(ref);
    return refs;
}

} // namespace MiseAJourLivret
