// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/commun/resultat.h"

#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <type_traits>
#include <utility>

// La seule porte vers la base : toute instruction du programme passe par ici. Un échec revient
// comme Erreur avec le texte du pilote, jamais comme un résultat vide : une base verrouillée ou
// abîmée ne se fait pas passer pour une classe sans élève ou une grille sans date.
// Une instruction qui commence par SELECT, PRAGMA ou WITH est une lecture (Raison
// LectureImpossible) ; toute autre, une écriture (Raison EcritureRefusee). Le texte de
// l'erreur est celui du pilote ; `nombre`, le code de SQLite.
namespace Base {

using Ligne = QVariantList;

// Une instruction préparée une fois et exécutée autant de fois qu'il faut, valeurs liées aux
// « ? » dans l'ordre.
class Requete
{
public:
    explicit Requete(QString sql, const QSqlDatabase& base = QSqlDatabase::database());

    Resultat<> executer(const QVariantList& valeurs = {});

    // La ligne suivante du résultat ; faux au bout, ou quand la lecture s'arrête sur une erreur :
    // fin() dit lequel des deux.
    bool suivante();
    Resultat<> fin() const;
    QVariant valeur(int colonne) const { return requete.value(colonne); }
    qint64 entier(int colonne) const { return requete.value(colonne).toLongLong(); }
    QString texte(int colonne) const { return requete.value(colonne).toString(); }
    // La clé de la ligne insérée par la dernière exécution.
    qint64 cleInseree() const { return requete.lastInsertId().toLongLong(); }
    // Libère le résultat en cours (verrou de lecture compris) avant une écriture.
    void liberer() { requete.finish(); }

    // Exécute, puis appelle `f(*this)` pour chaque ligne ; l'échec d'une lecture en cours de
    // route est rendu comme celui de l'exécution. Une fonction qui rend un booléen arrête le
    // parcours en rendant faux.
    template <typename F> Resultat<> pourChaqueLigne(const QVariantList& valeurs, F&& f)
    {
        if (Resultat<> r = executer(valeurs); !r)
            return r;
        while (suivante()) {
            if constexpr (std::is_same_v<std::invoke_result_t<F, const Requete&>, bool>) {
                if (!f(std::as_const(*this))) {
                    liberer();
                    return {};
                }
            } else {
                f(std::as_const(*this));
            }
        }
        return fin();
    }

    // Toutes les lignes du résultat.
    Resultat<QList<Ligne>> lignes(const QVariantList& valeurs = {});
    // La première valeur de la première ligne ; une valeur nulle quand il n'y a pas de ligne.
    Resultat<QVariant> premiere(const QVariantList& valeurs = {});

private:
    Erreur echec() const;

    QString sql;
    QSqlQuery requete;
    bool lecture = false;
    bool preparee = false;
};

// Vrai quand l'échec vient d'une base tenue par une autre connexion (verrou).
bool estVerrou(const Erreur& erreur);

// Une instruction exécutée une fois, sans rien lire.
Resultat<> executer(const QString& sql, const QVariantList& valeurs = {},
                    const QSqlDatabase& base = QSqlDatabase::database());
// Toutes les lignes d'une lecture.
Resultat<QList<Ligne>> lignes(const QString& sql, const QVariantList& valeurs = {},
                              const QSqlDatabase& base = QSqlDatabase::database());
// La première valeur de la première ligne d'une lecture ; une valeur nulle sans ligne.
Resultat<QVariant> valeur(const QString& sql, const QVariantList& valeurs = {},
                          const QSqlDatabase& base = QSqlDatabase::database());

} // namespace Base
