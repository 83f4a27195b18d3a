// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/db/requetes.h"

#include "core/commun/dates.h"
#include "core/commun/ordrealphabetique.h"
#include "core/db/requete.h"

#include <QStringList>

namespace Requetes {

namespace {

Resultat<QList<Entree>> lireEntrees(const QString& sql)
{
    QList<Entree> entrees;
    Base::Requete requete(sql);
    const Resultat<> lu = requete.pourChaqueLigne({}, [&entrees](const Base::Requete& r) {
        entrees.append({r.texte(0), r.entier(1)});
    });
    if (!lu)
        return lu.erreur();
    return entrees;
}

Resultat<QList<Noeud>> lireNoeuds(qint64 idParent)
{
    QList<Noeud> noeuds;
    Base::Requete requete(QStringLiteral("SELECT id_comp, libelle, profondeur, ref FROM competences "
                                         "WHERE id_comp_parent=? ORDER BY numero, id_comp"));
    const Resultat<> lu = requete.pourChaqueLigne({idParent}, [&](const Base::Requete& r) {
        Noeud noeud;
        noeud.id = r.entier(0);
        noeud.libelle = r.texte(1);
        noeud.profondeur = int(r.entier(2));
        noeud.ref = r.texte(3);
        noeud.parent = idParent;
        noeuds.append(noeud);
    });
    if (!lu)
        return lu.erreur();
    return noeuds;
}

// Crée une entrée de `table` (« classes » ou « niveaux », jamais un texte de l'utilisateur)
// après toutes les autres.
Resultat<qint64> creer(const QString& table, const QString& libelle)
{
    Base::Requete insertion(
        QStringLiteral("INSERT INTO %1(libelle, tri) VALUES(?, (SELECT COALESCE(MAX(tri), -1) + 1 FROM %1))")
            .arg(table));
    if (Resultat<> r = insertion.executer({libelle}); !r)
        return r.erreur();
    return insertion.cleInseree();
}

} // namespace

QString listeIdentifiants(const QList<qint64>& ids)
{
    QStringList textes;
    textes.reserve(ids.size());
    for (const qint64 id : ids)
        textes << QString::number(id);
    return textes.join(QLatin1Char(','));
}

Resultat<QList<Entree>> classes()
{
    return lireEntrees(QStringLiteral("SELECT libelle, id_classe FROM classes ORDER BY tri, id_classe"));
}

Resultat<QList<Entree>> niveaux()
{
    return lireEntrees(QStringLiteral("SELECT libelle, id_niveau FROM niveaux ORDER BY tri, id_niveau"));
}

Resultat<QList<Noeud>> paliers()
{
    return lireNoeuds(0);
}

Resultat<QList<Noeud>> enfants(qint64 idParent)
{
    return lireNoeuds(idParent);
}

Resultat<QList<Eleve>> elevesClasse(qint64 idClasse, const FiltreEleves& filtre)
{
    QString sql = QStringLiteral(
        "SELECT eleves.id_eleve, eleves.nom, eleves.prenom, niveaux.libelle, niveaux.id_niveau, "
        "eleves.date_naiss FROM eleves LEFT JOIN niveaux ON niveaux.id_niveau=eleves.id_niveau "
        "WHERE eleves.id_classe=? ");
    QVariantList valeurs{idClasse};
    if (!filtre.niveaux.isEmpty())
        sql += QStringLiteral("AND eleves.id_niveau IN (%1) ").arg(listeIdentifiants(filtre.niveaux));
    if (!filtre.libellesNiveaux.isEmpty()) {
        QStringList conditions;
        for (const QString& libelle : filtre.libellesNiveaux) {
            conditions << QStringLiteral("niveaux.libelle LIKE ?");
            valeurs << libelle;
        }
        sql += QStringLiteral("AND (%1) ").arg(conditions.join(QStringLiteral(" OR ")));
    }
    sql += QStringLiteral("ORDER BY niveaux.tri, niveaux.id_niveau");

    QList<Eleve> eleves;
    Base::Requete requete(sql);
    const Resultat<> lu = requete.pourChaqueLigne(valeurs, [&eleves](const Base::Requete& r) {
        Eleve eleve;
        eleve.id = r.entier(0);
        eleve.nom = r.texte(1);
        eleve.prenom = r.texte(2);
        eleve.niveau = r.texte(3);
        eleve.idNiveau = r.entier(4);
        const QDate naissance = QDate::fromString(r.texte(5), Dates::FORMAT_STOCKAGE);
        if (naissance.isValid())
            eleve.naissance = naissance;
        eleves.append(eleve);
    });
    if (!lu)
        return lu.erreur();
    OrdreAlphabetique::trier(eleves, &Eleve::nom, &Eleve::prenom,
                             [&filtre](const Eleve& e) { return filtre.parNiveau ? e.idNiveau : 0; });
    return eleves;
}

Resultat<QString> nomEleve(qint64 idEleve)
{
    const auto lu =
        Base::lignes(QStringLiteral("SELECT nom, prenom FROM eleves WHERE id_eleve=?"), {idEleve});
    if (!lu)
        return lu.erreur();
    if (lu->isEmpty())
        return QString();
    return (lu->first().at(0).toString() + QLatin1Char(' ') + lu->first().at(1).toString()).trimmed();
}

Resultat<QString> libelleClasse(qint64 idClasse)
{
    const auto lu = Base::valeur(QStringLiteral("SELECT libelle FROM classes WHERE id_classe=?"), {idClasse});
    if (!lu)
        return lu.erreur();
    return lu->toString();
}

Resultat<Ecole> ecole()
{
    const auto lu = Base::lignes(QStringLiteral("SELECT ecole, langue_defaut FROM general WHERE id=1"));
    if (!lu)
        return lu.erreur();
    if (lu->isEmpty())
        return Ecole{};
    return Ecole{lu->first().at(0).toString(), lu->first().at(1).toString()};
}

Resultat<qint64> creerNiveau(const QString& libelle)
{
    return creer(QStringLiteral("niveaux"), libelle);
}

Resultat<qint64> creerClasse(const QString& libelle)
{
    return creer(QStringLiteral("classes"), libelle);
}

} // namespace Requetes
