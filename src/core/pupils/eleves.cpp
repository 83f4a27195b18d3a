// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/pupils/eleves.h"

#include "core/db/requetes.h"

#include "core/commun/dates.h"
#include "core/commun/ordrealphabetique.h"
#include "core/commun/transaction.h"

#include <QDate>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace Eleves {

namespace {

bool contientSansCasse(const QStringList& liste, const QString& texte)
{
    return liste.contains(texte, Qt::CaseInsensitive);
}

// Id du premier niveau (dans l'ordre d'affichage) dont le libellé est ce texte, sans égard
// à la casse ; 0 quand il n'y en a pas.
qlonglong idNiveau(const QList<Entree>& niveaux, const QString& texte)
{
    for (const Entree& niveau : niveaux)
        if (niveau.libelle.compare(texte, Qt::CaseInsensitive) == 0)
            return niveau.id;
    return 0;
}

} // namespace

QList<Eleve> chargerClasse(qlonglong idClasse, const QSqlDatabase& base)
{
    return lireClasse(idClasse, base).value_or(QList<Eleve>());
}

std::optional<QList<Eleve>> lireClasse(qlonglong idClasse, const QSqlDatabase& base)
{
    QList<Eleve> eleves;
    QSqlQuery requete(base);
    requete.prepare(QStringLiteral(
        "SELECT nom, id_eleve, prenom, libelle, niveaux.id_niveau, date_naiss FROM eleves, niveaux "
        "WHERE eleves.id_classe=? AND eleves.id_niveau=niveaux.id_niveau "
        "ORDER BY niveaux.tri ASC, eleves.nom ASC, eleves.prenom ASC "));
    requete.addBindValue(idClasse);
    if (!requete.exec())
        return std::nullopt;
    while (requete.next()) {
        Eleve eleve;
        eleve.nom = requete.value(0).toString();
        eleve.id = requete.value(1).toLongLong();
        eleve.prenom = requete.value(2).toString();
        eleve.niveau = requete.value(3).toString();
        eleve.idNiveau = requete.value(4).toLongLong();
        // Une date illisible donne un texte vide.
        eleve.dateNaiss = QDate::fromString(requete.value(5).toString(), Dates::FORMAT_STOCKAGE)
                              .toString(Dates::FORMAT_AFFICHAGE);
        eleves.append(eleve);
    }
    if (requete.lastError().isValid()) // lecture interrompue en chemin
        return std::nullopt;
    // Ordre alphabétique français dans chaque niveau (la base compare les octets).
    OrdreAlphabetique::trier(eleves, &Eleve::nom, &Eleve::prenom, [](const Eleve& e) { return e.idNiveau; });
    return eleves;
}

Verification verifier(const QList<Eleve>& eleves, const QStringList& niveauxConnus,
                      const QuestionNiveau& creerNiveau)
{
    Verification resultat;
    for (int i = 0; i < eleves.size(); ++i) {
        const Eleve& eleve = eleves.at(i);
        const int ligne = i + 1;
        if (eleve.nom.isEmpty() || eleve.prenom.isEmpty() || eleve.niveau.isEmpty() ||
            eleve.dateNaiss.isEmpty())
            return {Refus::ChampsVides, ligne, {}};
        if (eleve.dateInvalide)
            return {Refus::DateIncorrecte, ligne, {}};
        if (contientSansCasse(niveauxConnus, eleve.niveau) ||
            contientSansCasse(resultat.niveauxACreer, eleve.niveau))
            continue;
        if (!creerNiveau(eleve.niveau))
            return {Refus::NiveauAbsent, ligne, {}};
        resultat.niveauxACreer.append(eleve.niveau);
    }
    return resultat;
}

bool enregistrer(qlonglong idClasse, QList<Eleve>& eleves, const QStringList& niveauxACreer,
                 const QSqlDatabase& base)
{
    Transaction transaction(base);
    if (!transaction.estOuverte())
        return false;

    // La classe a pu être supprimée depuis son chargement (éditeur des listes) : des élèves
    // écrits sous sa clé ne seraient plus visibles nulle part, puis passeraient à la
    // prochaine classe créée avec la même clé.
    QSqlQuery classe(base);
    classe.prepare(QStringLiteral("SELECT COUNT(*) FROM classes WHERE id_classe=?"));
    classe.addBindValue(idClasse);
    if (!classe.exec() || !classe.next() || classe.value(0).toLongLong() == 0)
        return false;
    classe.finish();

    // Les niveaux nouveaux n'ont pas de `tri` : ils se rangent avant tous les autres.
    QSqlQuery requete(base);
    requete.prepare(QStringLiteral("INSERT INTO niveaux (libelle) VALUES (?)"));
    for (const QString& libelle : niveauxACreer) {
        requete.addBindValue(libelle);
        if (!requete.exec())
            return false;
    }
    const QList<Entree> listeNiveaux = Requetes::niveaux(base);

    QSqlQuery insertion(base);
    insertion.prepare(
        QStringLiteral("INSERT INTO eleves(nom,prenom, id_niveau,id_classe,date_naiss) VALUES(?,?,?,?,?)"));
    QSqlQuery miseAJour(base);
    miseAJour.prepare(
        QStringLiteral("UPDATE eleves SET nom=?, prenom=?, id_niveau=?, date_naiss=? WHERE id_eleve=?"));

    QList<Eleve> ecrits = eleves;
    for (Eleve& eleve : ecrits) {
        eleve.idNiveau = idNiveau(listeNiveaux, eleve.niveau);
        if (eleve.idNiveau == 0)
            return false;
        const QString date =
            QDate::fromString(eleve.dateNaiss, Dates::FORMAT_AFFICHAGE).toString(Dates::FORMAT_STOCKAGE);
        if (eleve.id == 0) {
            insertion.addBindValue(eleve.nom);
            insertion.addBindValue(eleve.prenom);
            insertion.addBindValue(eleve.idNiveau);
            insertion.addBindValue(idClasse);
            insertion.addBindValue(date);
            if (!insertion.exec())
                return false;
            eleve.id = insertion.lastInsertId().toLongLong();
        } else {
            miseAJour.addBindValue(eleve.nom);
            miseAJour.addBindValue(eleve.prenom);
            miseAJour.addBindValue(eleve.idNiveau);
            miseAJour.addBindValue(date);
            miseAJour.addBindValue(eleve.id);
            if (!miseAJour.exec())
                return false;
        }
    }
    if (!transaction.valider())
        return false;
    eleves = ecrits;
    return true;
}

bool deplacer(const QList<qlonglong>& ids, qlonglong idClasse, const QSqlDatabase& base)
{
    Transaction transaction(base);
    if (!transaction.estOuverte())
        return false;
    QSqlQuery requete(base);
    requete.prepare(QStringLiteral("UPDATE eleves SET id_classe=? WHERE id_eleve=?"));
    for (const qlonglong id : ids) {
        if (id == 0)
            continue;
        requete.addBindValue(idClasse);
        requete.addBindValue(id);
        if (!requete.exec())
            return false;
    }
    return transaction.valider();
}

bool supprimer(const QList<qlonglong>& ids, const QSqlDatabase& base)
{
    Transaction transaction(base);
    if (!transaction.estOuverte())
        return false;
    QSqlQuery notes(base);
    notes.prepare(QStringLiteral("DELETE FROM notes WHERE id_eleve=?"));
    QSqlQuery eleves(base);
    eleves.prepare(QStringLiteral("DELETE FROM eleves WHERE id_eleve=?"));
    for (const qlonglong id : ids) {
        if (id == 0)
            continue;
        notes.addBindValue(id);
        eleves.addBindValue(id);
        if (!notes.exec() || !eleves.exec())
            return false;
    }
    return transaction.valider();
}

qlonglong compterEleves(qlonglong idClasse, const QSqlDatabase& base)
{
    QSqlQuery requete(base);
    requete.prepare(QStringLiteral("SELECT COUNT(*) FROM eleves WHERE id_classe=?"));
    requete.addBindValue(idClasse);
    if (!requete.exec() || !requete.next())
        return -1;
    return requete.value(0).toLongLong();
}

qlonglong compterClasse(qlonglong idClasse, const QSqlDatabase& base)
{
    QSqlQuery requete(base);
    requete.prepare(QStringLiteral("SELECT COUNT(*) FROM classes WHERE id_classe=?"));
    requete.addBindValue(idClasse);
    if (!requete.exec() || !requete.next())
        return -1;
    return requete.value(0).toLongLong();
}

bool supprimerClasse(qlonglong idClasse, const QSqlDatabase& base)
{
    Transaction transaction(base);
    if (!transaction.estOuverte())
        return false;
    QSqlQuery requete(base);
    requete.prepare(QStringLiteral("DELETE FROM classes WHERE id_classe=?"));
    requete.addBindValue(idClasse);
    return requete.exec() && transaction.valider();
}

} // namespace Eleves
