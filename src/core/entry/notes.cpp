// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/entry/notes.h"

#include "core/db/requetes.h"

#include "core/commun/dates.h"
#include "core/commun/transaction.h"

#include <QDate>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

namespace Notes {

QList<Eleve> elevesClasse(qint64 idClasse, const QList<qint64>& niveaux, bool triParNom)
{
    QString sql = QStringLiteral("SELECT nom, prenom, niveaux.libelle, id_eleve FROM eleves,niveaux WHERE "
                                 "eleves.id_classe=? AND niveaux.id_niveau=eleves.id_niveau ");
    if (!niveaux.isEmpty())
        sql += QStringLiteral("AND eleves.id_niveau IN (") + Requetes::listeIdentifiants(niveaux) +
               QStringLiteral(") ");
    sql += triParNom ? QStringLiteral("ORDER BY eleves.nom ASC ")
                     : QStringLiteral("ORDER BY niveaux.tri ASC, eleves.nom ASC ");
    return Requetes::elevesClasse(sql, idClasse, !triParNom);
}

QList<Noeud> enfants(qint64 idParent)
{
    QSqlQuery requete;
    requete.prepare(QStringLiteral(
        "SELECT libelle, id_comp FROM competences WHERE id_comp_parent=? ORDER BY numero, id_comp"));
    requete.addBindValue(idParent);
    requete.exec();
    QList<Noeud> noeuds;
    while (requete.next()) {
        Noeud noeud;
        noeud.id = requete.value(1).toLongLong();
        noeud.libelle = requete.value(0).toString();
        noeud.parent = idParent;
        noeuds.append(noeud);
    }
    return noeuds;
}

QList<qint64> feuilles(qint64 idNoeud)
{
    QSqlQuery requete;
    requete.prepare(
        QStringLiteral("SELECT id_comp FROM competences WHERE id_comp_parent=? ORDER BY numero, id_comp"));
    QList<qint64> resultat;
    // Parcours en profondeur sans récursion, dans l'ordre des enfants.
    QList<qint64> pile{idNoeud};
    while (!pile.isEmpty()) {
        const qint64 noeud = pile.takeLast();
        requete.addBindValue(noeud);
        requete.exec();
        QList<qint64> fils;
        while (requete.next())
            fils.append(requete.value(0).toLongLong());
        if (fils.isEmpty())
            resultat.append(noeud);
        for (auto it = fils.crbegin(); it != fils.crend(); ++it)
            pile.append(*it);
    }
    return resultat;
}

QHash<Cle, QString> dates(const QList<qint64>& eleves, const QList<qint64>& noeuds)
{
    QHash<Cle, QString> resultat;
    if (eleves.isEmpty() || noeuds.isEmpty())
        return resultat;
    // Un seul parcours de la table pour toute la grille ; pour chaque paire, le premier
    // enregistrement compte, comme le rendrait une recherche paire par paire.
    QSqlQuery requete;
    requete.setForwardOnly(true);
    requete.exec(
        QStringLiteral("SELECT id_eleve, id_comp, date FROM notes WHERE id_eleve IN (%1) AND id_comp IN "
                       "(%2) ORDER BY id_note")
            .arg(Requetes::listeIdentifiants(eleves), Requetes::listeIdentifiants(noeuds)));
    while (requete.next()) {
        const Cle cle{requete.value(0).toLongLong(), requete.value(1).toLongLong()};
        if (!resultat.contains(cle))
            resultat.insert(cle, requete.value(2).toString());
    }
    return resultat;
}

bool enregistrer(const QList<Cellule>& cellules, Bilan* bilan)
{
    Bilan compte;
    Transaction transaction;
    if (!transaction.estOuverte())
        return false;
    QSqlQuery lecture;
    lecture.prepare(QStringLiteral("SELECT id_note, date FROM notes WHERE id_eleve=? AND id_comp=?"));
    QSqlQuery insertion;
    insertion.prepare(QStringLiteral("INSERT INTO notes(id_eleve,id_comp,date) VALUES(?,?,?)"));
    QSqlQuery suppression;
    suppression.prepare(QStringLiteral("DELETE FROM notes WHERE id_note=?"));
    QSqlQuery miseAJour;
    miseAJour.prepare(QStringLiteral("UPDATE notes SET date=? WHERE id_note=?"));

    // La première instruction en échec arrête tout : après une erreur du disque, SQLite a
    // pu annuler la transaction de lui-même, et chaque instruction suivante serait alors
    // validée seule ; la grille serait enregistrée à moitié, sans que rien ne le dise.
    for (const Cellule& cellule : cellules) {
        const QString texte = cellule.date.trimmed();
        const QString date =
            texte.isEmpty()
                ? QString()
                : QDate::fromString(texte, Dates::FORMAT_AFFICHAGE).toString(Dates::FORMAT_STOCKAGE);
        lecture.addBindValue(cellule.idEleve);
        lecture.addBindValue(cellule.idComp);
        if (!lecture.exec())
            return false;
        const bool existe = lecture.next();
        const QVariant idNote = existe ? lecture.value(0) : QVariant();
        const QString ancienne = existe ? lecture.value(1).toString() : QString();
        lecture.finish();
        if (!existe && !date.isEmpty()) {
            insertion.addBindValue(cellule.idEleve);
            insertion.addBindValue(cellule.idComp);
            insertion.addBindValue(date);
            if (!insertion.exec())
                return false;
            ++compte.ecrites;
        } else if (existe && date.isEmpty()) {
            suppression.addBindValue(idNote);
            if (!suppression.exec())
                return false;
            ++compte.effacees;
        } else if (existe) {
            miseAJour.addBindValue(date);
            miseAJour.addBindValue(idNote);
            if (!miseAJour.exec())
                return false;
            if (ancienne != date)
                ++compte.ecrites;
        }
    }
    if (!transaction.valider())
        return false;
    if (bilan)
        *bilan = compte;
    return true;
}

QHash<qint64, QDate> datesNaissance(const QList<qint64>& eleves)
{
    QHash<qint64, QDate> resultat;
    if (eleves.isEmpty())
        return resultat;
    QSqlQuery requete;
    requete.setForwardOnly(true);
    requete.exec(QStringLiteral("SELECT id_eleve, date_naiss FROM eleves WHERE id_eleve IN (%1)")
                     .arg(Requetes::listeIdentifiants(eleves)));
    while (requete.next()) {
        const QDate naissance = QDate::fromString(requete.value(1).toString(), Dates::FORMAT_STOCKAGE);
        if (naissance.isValid())
            resultat.insert(requete.value(0).toLongLong(), naissance);
    }
    return resultat;
}

} // namespace Notes
