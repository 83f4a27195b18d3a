// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/pupils/ajouteleves.h"

#include "core/db/requetes.h"

#include "core/commun/dates.h"
#include "core/commun/transaction.h"

#include <QSqlQuery>
#include <QVariant>

namespace AjoutEleves {

namespace {

// Première entrée dont le libellé est ce niveau, à la casse près ; nulle sinon.
const Entree* chercherNiveau(const QList<Entree>& niveaux, const QString& niveau)
{
    for (const Entree& entree : niveaux)
        if (memeNiveau(entree.libelle, niveau))
            return &entree;
    return nullptr;
}

bool contientNiveau(const QStringList& niveaux, const QString& niveau)
{
    for (const QString& n : niveaux)
        if (memeNiveau(n, niveau))
            return true;
    return false;
}

Ligne nettoyee(const Ligne& ligne)
{
    Ligne l = ligne;
    l.nom = l.nom.trimmed();
    l.prenom = l.prenom.trimmed();
    l.dateNaissance = l.dateNaissance.trimmed();
    l.niveau = l.niveau.trimmed();
    return l;
}

} // namespace

bool memeNiveau(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

Resultat enregistrer(const QList<Ligne>& lignesSaisies, qlonglong idClasse,
                     const QList<Entree>& niveauxConnus, const QuestionNiveau& creerNiveau)
{
    Resultat resultat;
    if (idClasse == 0) {
        resultat.arret = Arret::ClasseAbsente;
        return resultat;
    }
    // Une classe encore vide peut avoir été supprimée depuis son chargement : des élèves
    // rattachés à une clé disparue ne seraient plus visibles dans aucune classe.
    {
        QSqlQuery classe;
        classe.prepare(QStringLiteral("SELECT COUNT(*) FROM classes WHERE id_classe=?"));
        classe.addBindValue(idClasse);
        if (!classe.exec() || !classe.next()) {
            resultat.arret = Arret::ErreurBase;
            return resultat;
        }
        if (classe.value(0).toLongLong() == 0) {
            resultat.arret = Arret::ClasseSupprimee;
            return resultat;
        }
    }

    // Contrôle de toutes les lignes, questions comprises, avant toute écriture.
    QList<Ligne> lignes;
    QStringList aCreer;
    for (int i = 0; i < lignesSaisies.size(); ++i) {
        const Ligne l = nettoyee(lignesSaisies.at(i));
        const int remplis = int(!l.nom.isEmpty()) + int(!l.prenom.isEmpty()) +
                            int(!l.dateNaissance.isEmpty()) + int(!l.niveau.isEmpty());
        if (remplis == 0)
            continue;
        resultat.ligne = i + 1;
        if (remplis < 4) {
            resultat.arret = Arret::ChampsManquants;
            return resultat;
        }
        // Une date non marquée mais illisible ne peut venir que d'un appelant négligent :
        // elle est refusée de même plutôt qu'écrite vide.
        if (l.dateInvalide || !Dates::lire(l.dateNaissance).isValid()) {
            resultat.arret = Arret::DateIncorrecte;
            return resultat;
        }
        if (!chercherNiveau(niveauxConnus, l.niveau) && !contientNiveau(aCreer, l.niveau)) {
            if (!creerNiveau || !creerNiveau(l.niveau)) {
                resultat.arret = Arret::NiveauAbsent;
                return resultat;
            }
            aCreer.append(l.niveau);
        }
        lignes.append(l);
    }
    resultat.ligne = 0;

    // Écriture : niveaux nouveaux puis élèves, d'un seul tenant. Un refus de la base annule
    // tout (la transaction n'est pas validée) et les compteurs repartent de zéro.
    const auto echec = [&resultat] {
        resultat.arret = Arret::ErreurBase;
        resultat.ajoutes = resultat.ignores = 0;
        return resultat;
    };
    Transaction transaction;
    if (!transaction.estOuverte())
        return echec();

    QList<Entree> niveaux = niveauxConnus;
    if (!aCreer.isEmpty()) {
        QSqlQuery insertionNiveau;
        if (!insertionNiveau.prepare(QStringLiteral("INSERT INTO niveaux (libelle) VALUES (?)")))
            return echec();
        for (const QString& niveau : std::as_const(aCreer)) {
            insertionNiveau.addBindValue(niveau);
            if (!insertionNiveau.exec())
                return echec();
        }
        // Les clés sont prises dans la liste relue, comme la liste montrée le sera.
        niveaux = Requetes::niveaux();
    }

    QSqlQuery doublon;
    QSqlQuery insertion;
    if (!doublon.prepare(
            QStringLiteral("SELECT COUNT(*) FROM eleves WHERE nom = ? AND prenom = ? AND date_naiss=?")) ||
        !insertion.prepare(QStringLiteral(
            "INSERT INTO eleves(nom,prenom, id_niveau,id_classe,date_naiss) VALUES(?,?,?,?,?)")))
        return echec();

    for (const Ligne& l : std::as_const(lignes)) {
        const QString date = Dates::lire(l.dateNaissance).toString(Dates::FORMAT_STOCKAGE);
        const Entree* niveau = chercherNiveau(niveaux, l.niveau);
        if (!niveau) // niveau accepté mais introuvable après sa création
            return echec();

        doublon.addBindValue(l.nom);
        doublon.addBindValue(l.prenom);
        doublon.addBindValue(date);
        if (!doublon.exec() || !doublon.next())
            return echec();
        const qlonglong presents = doublon.value(0).toLongLong();
        doublon.finish();
        if (presents > 0) {
            ++resultat.ignores;
            continue;
        }

        insertion.addBindValue(l.nom);
        insertion.addBindValue(l.prenom);
        insertion.addBindValue(niveau->id);
        insertion.addBindValue(idClasse);
        insertion.addBindValue(date);
        if (!insertion.exec())
            return echec();
        ++resultat.ajoutes;
    }

    if (!transaction.valider())
        return echec();
    resultat.niveauxCrees = aCreer;
    return resultat;
}

} // namespace AjoutEleves
