// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/pupils/ajouteleves.h"

#include "core/commun/dates.h"
#include "core/commun/transaction.h"
#include "core/db/requete.h"
#include "core/db/requetes.h"

namespace AjoutEleves {

Resultat<Ajout> enregistrer(const QList<Eleve>& lignes, qint64 idClasse, const QList<Entree>& niveauxConnus,
                            const Eleves::QuestionNiveau& creerNiveau)
{
    if (idClasse == 0)
        return Erreur(Raison::ClasseAbsente);
    // Une classe encore vide peut avoir été supprimée depuis son chargement : des élèves
    // rattachés à une clé disparue ne seraient plus visibles dans aucune classe.
    if (const Resultat<bool> existe = Eleves::classeExiste(idClasse); !existe)
        return existe.erreur();
    else if (!*existe)
        return Erreur(Raison::ClasseSupprimee);

    // Contrôle de toutes les lignes, questions comprises, avant toute écriture.
    const Resultat<QStringList> aCreer = Eleves::verifier(lignes, niveauxConnus, creerNiveau, true);
    if (!aCreer)
        return aCreer.erreur();
    QList<Eleve> nouveaux;
    for (const Eleve& ligne : lignes)
        if (!Eleves::estVide(ligne))
            nouveaux.append(Eleves::nettoye(ligne));

    // Écriture : niveaux nouveaux puis élèves, d'un seul tenant. Un refus de la base annule
    // tout (la transaction n'est pas validée).
    Transaction transaction;
    if (Resultat<> r = transaction.ouverture(); !r)
        return r.erreur();
    Ajout ajout;
    for (const QString& niveau : *aCreer) {
        if (const Resultat<qint64> r = Requetes::creerNiveau(niveau); !r)
            return r.erreur();
        ajout.niveauxCrees.append(niveau);
    }
    // Les clés sont prises dans la liste relue, comme la liste montrée le sera.
    const auto niveaux = Requetes::niveaux();
    if (!niveaux)
        return niveaux.erreur();
    const auto cleNiveau = [&niveaux](const QString& libelle) -> qint64 {
        for (const Entree& niveau : *niveaux)
            if (niveau.libelle.compare(libelle, Qt::CaseInsensitive) == 0)
                return niveau.id;
        return 0;
    };

    Base::Requete doublon(
        QStringLiteral("SELECT COUNT(*) FROM eleves WHERE nom = ? AND prenom = ? AND date_naiss=?"));
    Base::Requete insertion(
        QStringLiteral("INSERT INTO eleves(nom,prenom, id_niveau,id_classe,date_naiss) VALUES(?,?,?,?,?)"));
    for (const Eleve& eleve : std::as_const(nouveaux)) {
        const QString date = eleve.naissance->toString(Dates::FORMAT_STOCKAGE);
        const qint64 niveau = cleNiveau(eleve.niveau);
        if (niveau == 0) // niveau accepté mais introuvable après sa création
            return Erreur(Raison::NiveauAbsent).sur(eleve.niveau);
        const Resultat<QVariant> presents = doublon.premiere({eleve.nom, eleve.prenom, date});
        if (!presents)
            return presents.erreur();
        if (presents->toLongLong() > 0) {
            ++ajout.ignores;
            continue;
        }
        if (Resultat<> r = insertion.executer({eleve.nom, eleve.prenom, niveau, idClasse, date}); !r)
            return r.erreur();
        ++ajout.ajoutes;
    }
    if (Resultat<> r = transaction.valider(); !r)
        return r.erreur();
    return ajout;
}

} // namespace AjoutEleves
