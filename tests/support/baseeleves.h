// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/sql.h"

#include <QDate>
#include <QRegularExpression>
#include <QStringEncoder>
#include <QStringList>

#include <algorithm>

// Des exports de Base Elèves faits à la demande, pour l'importation des élèves (essais du cœur et
// du dialogue).
namespace BaseEleves {

using Ligne = QStringList; // nom, prénom, date de naissance, classe, niveau, cycle

// Les six colonnes lues parmi quatorze autres. La première porte une virgule et un point-virgule
// entre guillemets, qui ne comptent pas comme séparateurs.
inline const QStringList ENTETES =
    QString("Responsable, nom; prénom|INE|NOM ÉLÈVE|Nom d'usage|Prénom Élève|Prénom 2|DATE NAISSANCE|Lieu "
            "naissance|Sexe|Classe|NIVEAU|Cycle|Regroupement|Adresse|Code postal|Commune|Téléphone|Courriel|"
            "Date entrée|Langue")
        .split('|');

inline QString champ(const Ligne& e, const QString& entete, int i)
{
    const int lu =
        QStringList{"NOM ÉLÈVE", "Prénom Élève", "DATE NAISSANCE", "Classe", "NIVEAU", "Cycle"}.indexOf(
            entete);
    if (lu >= 0)
        return e.at(lu);
    if (entete == "Adresse") // séparateurs, guillemets et saut de ligne dans un même champ
        return QStringLiteral("%1, rue des Écoles; bât. \"B\"\n\tappartement %1").arg(i);
    return entete.left(3) + QString::number(i);
}

// Colonnes d'ENTETES tournées de `rotation` (la première restant en tête), champs entre guillemets
// quand il le faut, fins de ligne CRLF ; Windows-1252 (0), UTF-8 avec BOM (1) ou sans, comme
// l'écrit un tableur (2).
inline QByteArray exporter(const QList<Ligne>& eleves, QChar sep, int utf8 = 0, int rotation = 0,
                           QStringList entetes = ENTETES)
{
    std::rotate(entetes.begin() + 1, entetes.begin() + 1 + rotation % (entetes.size() - 1), entetes.end());
    QString texte;
    for (int i = -1; i < eleves.size(); ++i) {
        QStringList l;
        for (QString t : entetes) {
            t = i < 0 ? t : champ(eleves.at(i), t, i);
            l << (t.contains(QRegularExpression("[;,\t\"\n]")) ? '"' + t.replace("\"", "\"\"") + '"' : t);
        }
        texte += l.join(sep) + "\r\n";
    }
    return utf8 ? (utf8 == 1 ? "\xEF\xBB\xBF" : "") + texte.toUtf8()
                : QStringEncoder("windows-1252").encode(texte);
}

// Trois cents élèves dans douze classes ; les deux dernières sans niveau (le cycle le donne).
inline QList<Ligne> registre()
{
    const QStringList classes = {"CP A",  "CP B",  "CE1 A", "CE1 B", "CE2 A",     "CE2 B",
                                 "CM1 A", "CM1 B", "CM2 A", "CM2 B", "CLIS Élan", "CE2-CM1 Noël"};
    const QStringList niveaux = {"CP", "CP", "CE1", "ce1", "CE2", "CE2", "CM1", "CM1", "CM2", "CM2", "", ""};
    const QStringList noms = {"CŒURDEROY %1", "D’ARC %1", "LÉVÊQUE %1"}, prenoms = {"Zoé", "Anaïs", "Jérôme"};
    QList<Ligne> eleves;
    for (int i = 0; i < 300; ++i)
        eleves.append({noms.at(i % 3).arg(i), prenoms.at(i % 3),
                       QDate(2008, 1, 1).addDays(i * 7).toString(i % 2 ? "yyyy-MM-dd" : "dd/MM/yyyy"),
                       classes.at(i % 12), niveaux.at(i % 12), i % 12 == 10 ? "CYCLE II" : "CYCLE III"});
    return eleves;
}

// Ce qu'une importation a fait de la base : les élèves « nom:prénom:date:classe:niveau:upd » dans
// l'ordre des noms, les classes « libellé:tri », puis le nombre de niveaux et leur plus grand tri,
// et le nombre de dates.
inline QStringList eleves()
{
    return Sql::lignes(
        "SELECT e.nom, e.prenom, e.date_naiss, c.libelle, n.libelle, e.upd FROM eleves e LEFT JOIN "
        "classes c ON c.id_classe=e.id_classe LEFT JOIN niveaux n ON n.id_niveau=e.id_niveau "
        "ORDER BY e.nom, e.prenom",
        ":");
}
inline QStringList classes()
{
    return Sql::lignes("SELECT libelle, tri FROM classes ORDER BY tri", ":");
}
inline QStringList resume()
{
    return eleves() + classes() + Sql::lignes("SELECT COUNT(*), MAX(tri) FROM niveaux", ":") +
           Sql::lignes("SELECT COUNT(*) FROM notes");
}

} // namespace BaseEleves
