// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/db/miseajourlivret.h"

#include "core/commun/transaction.h"
#include "core/db/chargeurlivret.h"
#include "core/db/requete.h"

#include <QHash>
#include <QVariant>

namespace MiseAJourLivret {

Resultat<QList<Changement>> ecarts(const QString& chemin)
{
    ChargeurLivret chargeur;
    const Resultat<QList<NoeudLivret>> livret = chargeur.lire(chemin);
    if (!livret)
        return livret.erreur();

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
    Base::Requete requete(
        QStringLiteral("SELECT c.id_comp, c.ref, IFNULL(p.ref, ''), c.profondeur, c.numero, "
                       "c.libelle FROM competences c "
                       "LEFT JOIN competences p ON p.id_comp = c.id_comp_parent"));
    if (Resultat<> lu = requete.pourChaqueLigne({},
                                                [&base](const Base::Requete& l) {
                                                    base.insert(l.texte(1),
                                                                {l.entier(0), l.texte(2), int(l.entier(3)),
                                                                 int(l.entier(4)), l.texte(5)});
                                                });
        !lu)
        return lu.erreur();
    if (base.size() != livret->size())
        return QList<Changement>();

    QList<Changement> changements;
    for (const NoeudLivret& noeud : *livret) {
        const auto trouve = base.constFind(noeud.ref);
        const QString refParent = noeud.parent < 0 ? QString() : livret->at(noeud.parent).ref;
        if (trouve == base.cend() || trouve->refParent != refParent || trouve->profondeur != noeud.profondeur)
            return QList<Changement>();
        if (trouve->libelle != noeud.libelle || trouve->numero != noeud.numero)
            changements.append(
                {trouve->id, noeud.ref, trouve->libelle, noeud.libelle, trouve->numero, noeud.numero});
    }
    return changements;
}

Resultat<> appliquer(const QList<Changement>& changements)
{
    Transaction transaction;
    if (Resultat<> ouverte = transaction.ouverture(); !ouverte)
        return ouverte;
    Base::Requete requete(QStringLiteral("UPDATE competences SET libelle=?, numero=? WHERE id_comp=?"));
    for (const Changement& changement : changements) {
        if (Resultat<> r = requete.executer({changement.libelle, changement.numero, changement.id}); !r)
            return r;
    }
    return transaction.valider();
}

Resultat<QList<ItemARevoir>> itemsARevoir(const QStringList& refs)
{
    Base::Requete requete(
        QStringLiteral("SELECT c.libelle, (SELECT COUNT(DISTINCT n.id_eleve) FROM notes n WHERE "
                       "n.id_comp = c.id_comp) FROM competences c WHERE c.ref=?"));
    QList<ItemARevoir> items;
    for (const QString& ref : refs) {
        const auto lignes = requete.lignes({ref});
        if (!lignes)
            return lignes.erreur();
        if (!lignes->isEmpty())
            items.append({ref, lignes->first().at(0).toString(), lignes->first().at(1).toInt()});
    }
    return items;
}

Resultat<qint64> nombreDates()
{
    const Resultat<QVariant> nombre = Base::valeur(QStringLiteral("SELECT COUNT(*) FROM notes"));
    if (!nombre)
        return nombre.erreur();
    return nombre->toLongLong();
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
