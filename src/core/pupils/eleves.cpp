// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/pupils/eleves.h"

#include "core/commun/dates.h"
#include "core/commun/transaction.h"
#include "core/db/requete.h"
#include "core/db/requetes.h"

namespace Eleves {

namespace {

bool memeNiveau(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Id du premier niveau (dans l'ordre d'affichage) dont le libellé est ce texte, sans égard
// à la casse ; 0 quand il n'y en a pas.
qint64 idNiveau(const QList<Entree>& niveaux, const QString& texte)
{
    for (const Entree& niveau : niveaux)
        if (memeNiveau(niveau.libelle, texte))
            return niveau.id;
    return 0;
}

bool contient(const QStringList& niveaux, const QString& texte)
{
    return niveaux.contains(texte, Qt::CaseInsensitive);
}

// Les niveaux de `aCreer` que la base n'a pas encore, créés après les autres ; puis la liste
// des niveaux relue, comme la montreront les dialogues.
Resultat<QList<Entree>> creerNiveaux(const QStringList& aCreer)
{
    auto niveaux = Requetes::niveaux();
    if (!niveaux)
        return niveaux;
    bool cree = false;
    for (const QString& libelle : aCreer) {
        if (idNiveau(*niveaux, libelle) != 0)
            continue;
        if (const Resultat<qint64> r = Requetes::creerNiveau(libelle); !r)
            return r.erreur();
        cree = true;
    }
    return cree ? Requetes::niveaux() : niveaux;
}

} // namespace

Eleve nettoye(const Eleve& eleve)
{
    Eleve e = eleve;
    e.nom = e.nom.trimmed();
    e.prenom = e.prenom.trimmed();
    e.niveau = e.niveau.trimmed();
    return e;
}

bool estVide(const Eleve& eleve)
{
    const Eleve e = nettoye(eleve);
    return e.nom.isEmpty() && e.prenom.isEmpty() && e.niveau.isEmpty() && !e.naissance;
}

Resultat<QStringList> verifier(const QList<Eleve>& eleves, const QList<Entree>& niveauxConnus,
                               const QuestionNiveau& creerNiveau, bool lignesVidesPassees)
{
    QStringList aCreer;
    for (int i = 0; i < eleves.size(); ++i) {
        const Eleve eleve = nettoye(eleves.at(i));
        const int ligne = i + 1;
        if (lignesVidesPassees && estVide(eleve))
            continue;
        if (eleve.nom.isEmpty() || eleve.prenom.isEmpty() || eleve.niveau.isEmpty() || !eleve.naissance)
            return Erreur(Raison::ChampsManquants).enLigne(ligne);
        if (!Dates::permise(*eleve.naissance))
            return Erreur(Raison::DateInvalide).enLigne(ligne);
        if (idNiveau(niveauxConnus, eleve.niveau) != 0 || contient(aCreer, eleve.niveau))
            continue;
        if (!creerNiveau || !creerNiveau(eleve.niveau))
            return Erreur(Raison::NiveauAbsent).sur(eleve.niveau).enLigne(ligne);
        aCreer.append(eleve.niveau);
    }
    return aCreer;
}

Resultat<QList<Eleve>> enregistrer(qint64 idClasse, const QList<Eleve>& eleves,
                                   const QStringList& niveauxACreer)
{
    // Les valeurs d'abord, quoi qu'ait vérifié le dialogue : rien n'est écrit pour une ligne
    // incomplète, une date qui n'en est pas une ou un niveau que personne n'a accepté.
    {
        auto connus = Requetes::niveaux();
        if (!connus)
            return connus.erreur();
        for (const QString& libelle : niveauxACreer)
            connus->append({libelle, -1});
        if (const auto controle = verifier(eleves, *connus, {}); !controle)
            return controle.erreur();
    }

    Transaction transaction;
    if (Resultat<> r = transaction.ouverture(); !r)
        return r.erreur();

    // La classe a pu être supprimée depuis son chargement (éditeur des listes) : des élèves
    // écrits sous sa clé ne seraient plus visibles nulle part, puis passeraient à la
    // prochaine classe créée avec la même clé.
    const Resultat<bool> existe = classeExiste(idClasse);
    if (!existe)
        return existe.erreur();
    if (!*existe)
        return Erreur(Raison::ClasseSupprimee);

    const auto niveaux = creerNiveaux(niveauxACreer);
    if (!niveaux)
        return niveaux.erreur();

    Base::Requete insertion(
        QStringLiteral("INSERT INTO eleves(nom,prenom, id_niveau,id_classe,date_naiss) VALUES(?,?,?,?,?)"));
    Base::Requete miseAJour(
        QStringLiteral("UPDATE eleves SET nom=?, prenom=?, id_niveau=?, date_naiss=? WHERE id_eleve=?"));

    QList<Eleve> ecrits;
    for (const Eleve& saisi : eleves) {
        Eleve eleve = nettoye(saisi);
        eleve.idNiveau = idNiveau(*niveaux, eleve.niveau);
        if (eleve.idNiveau == 0)
            return Erreur(Raison::NiveauAbsent).sur(eleve.niveau);
        const QString date = eleve.naissance->toString(Dates::FORMAT_STOCKAGE);
        if (eleve.id == 0) {
            if (Resultat<> r = insertion.executer({eleve.nom, eleve.prenom, eleve.idNiveau, idClasse, date});
                !r)
                return r.erreur();
            eleve.id = insertion.cleInseree();
        } else if (Resultat<> r =
                       miseAJour.executer({eleve.nom, eleve.prenom, eleve.idNiveau, date, eleve.id});
                   !r) {
            return r.erreur();
        }
        ecrits.append(eleve);
    }
    if (Resultat<> r = transaction.valider(); !r)
        return r.erreur();
    return ecrits;
}

Resultat<> deplacer(const QList<qint64>& ids, qint64 idClasse)
{
    Transaction transaction;
    if (Resultat<> r = transaction.ouverture(); !r)
        return r;
    Base::Requete requete(QStringLiteral("UPDATE eleves SET id_classe=? WHERE id_eleve=?"));
    for (const qint64 id : ids)
        if (id != 0)
            if (Resultat<> r = requete.executer({idClasse, id}); !r)
                return r;
    return transaction.valider();
}

Resultat<> supprimer(const QList<qint64>& ids)
{
    Transaction transaction;
    if (Resultat<> r = transaction.ouverture(); !r)
        return r;
    Base::Requete notes(QStringLiteral("DELETE FROM notes WHERE id_eleve=?"));
    Base::Requete eleves(QStringLiteral("DELETE FROM eleves WHERE id_eleve=?"));
    for (const qint64 id : ids) {
        if (id == 0)
            continue;
        if (Resultat<> r = notes.executer({id}); !r)
            return r;
        if (Resultat<> r = eleves.executer({id}); !r)
            return r;
    }
    return transaction.valider();
}

Resultat<qint64> compterEleves(qint64 idClasse)
{
    const auto n = Base::valeur(QStringLiteral("SELECT COUNT(*) FROM eleves WHERE id_classe=?"), {idClasse});
    if (!n)
        return n.erreur();
    return n->toLongLong();
}

Resultat<bool> classeExiste(qint64 idClasse)
{
    const auto n = Base::valeur(QStringLiteral("SELECT COUNT(*) FROM classes WHERE id_classe=?"), {idClasse});
    if (!n)
        return n.erreur();
    return n->toLongLong() > 0;
}

Resultat<> supprimerClasse(qint64 idClasse)
{
    Transaction transaction;
    if (Resultat<> r = transaction.ouverture(); !r)
        return r;
    if (Resultat<> r = Base::executer(QStringLiteral("DELETE FROM classes WHERE id_classe=?"), {idClasse});
        !r)
        return r;
    return transaction.valider();
}

} // namespace Eleves
