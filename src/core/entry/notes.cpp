// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/entry/notes.h"

#include "core/commun/dates.h"
#include "core/commun/transaction.h"
#include "core/db/requete.h"
#include "core/db/requetes.h"

namespace Notes {

Resultat<QList<qint64>> feuilles(qint64 idNoeud)
{
    Base::Requete enfants(
        QStringLiteral("SELECT id_comp FROM competences WHERE id_comp_parent=? ORDER BY numero, id_comp"));
    QList<qint64> resultat;
    // Parcours en profondeur sans récursion, dans l'ordre des enfants.
    QList<qint64> pile{idNoeud};
    while (!pile.isEmpty()) {
        const qint64 noeud = pile.takeLast();
        QList<qint64> fils;
        const Resultat<> lu =
            enfants.pourChaqueLigne({noeud}, [&fils](const Base::Requete& r) { fils.append(r.entier(0)); });
        if (!lu)
            return lu.erreur();
        if (fils.isEmpty())
            resultat.append(noeud);
        for (auto it = fils.crbegin(); it != fils.crend(); ++it)
            pile.append(*it);
    }
    return resultat;
}

Resultat<QHash<Cle, QString>> dates(const QList<qint64>& eleves, const QList<qint64>& noeuds)
{
    QHash<Cle, QString> resultat;
    if (eleves.isEmpty() || noeuds.isEmpty())
        return resultat;
    // Un seul parcours de la table pour toute la grille ; pour chaque paire, le premier
    // enregistrement compte, comme le rendrait une recherche paire par paire.
    Base::Requete requete(
        QStringLiteral("SELECT id_eleve, id_comp, date FROM notes WHERE id_eleve IN (%1) AND id_comp IN "
                       "(%2) ORDER BY id_note")
            .arg(Requetes::listeIdentifiants(eleves), Requetes::listeIdentifiants(noeuds)));
    const Resultat<> lu = requete.pourChaqueLigne({}, [&resultat](const Base::Requete& r) {
        const Cle cle{r.entier(0), r.entier(1)};
        if (!resultat.contains(cle))
            resultat.insert(cle, r.texte(2));
    });
    if (!lu)
        return lu.erreur();
    return resultat;
}

Resultat<Bilan> enregistrer(const QList<Cellule>& cellules)
{
    // Toutes les valeurs d'abord : une date qui n'en est pas une ne doit jamais devenir un
    // effacement, quoi qu'ait vérifié la fenêtre.
    for (int i = 0; i < cellules.size(); ++i)
        if (const auto& date = cellules.at(i).date; date && !Dates::permise(*date))
            return Erreur(Raison::DateInvalide).enLigne(i + 1);

    Bilan compte;
    Transaction transaction;
    if (Resultat<> r = transaction.ouverture(); !r)
        return r.erreur();
    Base::Requete lecture(QStringLiteral("SELECT id_note, date FROM notes WHERE id_eleve=? AND id_comp=?"));
    Base::Requete insertion(QStringLiteral("INSERT INTO notes(id_eleve,id_comp,date) VALUES(?,?,?)"));
    Base::Requete suppression(QStringLiteral("DELETE FROM notes WHERE id_note=?"));
    Base::Requete miseAJour(QStringLiteral("UPDATE notes SET date=? WHERE id_note=?"));

    // La première instruction en échec arrête tout : après une erreur du disque, SQLite a
    // pu annuler la transaction de lui-même, et chaque instruction suivante serait alors
    // validée seule ; la grille serait enregistrée à moitié, sans que rien ne le dise.
    for (const Cellule& cellule : cellules) {
        const QString date = cellule.date ? cellule.date->toString(Dates::FORMAT_STOCKAGE) : QString();
        if (Resultat<> r = lecture.executer({cellule.idEleve, cellule.idComp}); !r)
            return r.erreur();
        const bool existe = lecture.suivante();
        if (Resultat<> r = lecture.fin(); !existe && !r)
            return r.erreur();
        const QVariant idNote = existe ? lecture.valeur(0) : QVariant();
        const QString ancienne = existe ? lecture.texte(1) : QString();
        lecture.liberer();
        Resultat<> ecrit;
        if (!existe && !date.isEmpty()) {
            ecrit = insertion.executer({cellule.idEleve, cellule.idComp, date});
            ++compte.ecrites;
        } else if (existe && date.isEmpty()) {
            ecrit = suppression.executer({idNote});
            ++compte.effacees;
        } else if (existe) {
            ecrit = miseAJour.executer({date, idNote});
            if (ancienne != date)
                ++compte.ecrites;
        }
        if (!ecrit)
            return ecrit.erreur();
    }
    if (Resultat<> r = transaction.valider(); !r)
        return r.erreur();
    return compte;
}

} // namespace Notes
