// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/db/jeuessai.h"

#include "core/commun/aleatoire.h"
#include "core/commun/dates.h"
#include "core/commun/transaction.h"

#include <QDate>
#include <QSqlQuery>
#include <QTime>
#include <QVariant>
#include <QVector>

namespace JeuEssai {

void generer()
{
    generer(static_cast<quint32>(QTime::currentTime().msecsSinceStartOfDay() / 1000));
}

void generer(quint32 graine)
{
    QSqlDatabase base = QSqlDatabase::database();

    // L'effacement de tous les enregistrements et les nouvelles dates forment une seule
    // transaction : un arrêt en cours de route (programme tué, coupure de courant) laisse les
    // anciennes dates, jamais une table vidée.
    Transaction transaction(base);
    if (!transaction.estOuverte())
        return;
    {
        QSqlQuery effacement(base);
        if (!effacement.exec(QStringLiteral("DELETE FROM notes")))
            return;
    }

    Aleatoire::initialiser(graine);

    {
        // Les nœuds datés : items et compétences. Lus une fois pour tous les élèves, dans
        // l'ordre où la base les rend.
        QVector<QVariant> noeuds;
        {
            QSqlQuery lecture(base);
            lecture.setForwardOnly(true);
            if (lecture.exec(
                    QStringLiteral("SELECT id_comp FROM competences WHERE profondeur=3 OR profondeur=1")))
                while (lecture.next())
                    noeuds.append(lecture.value(0));
        }

        QSqlQuery eleves(base);
        eleves.setForwardOnly(true);
        QSqlQuery insertion(base);
        if (eleves.exec(QStringLiteral("SElECT id_eleve FROM eleves")) &&
            insertion.prepare(QStringLiteral("INSERT INTO notes(id_eleve,id_comp, date) VALUES(?,?,?)"))) {
            while (eleves.next()) {
                const QVariant eleve = eleves.value(0);
                for (const QVariant& noeud : noeuds) {
                    // Un cas sur quatre, le nœud reste sans date.
                    if ((Aleatoire::tirer() & 3u) == 0)
                        continue;
                    // Tirages dans cet ordre : jour, mois, année. Le 31 ne sort jamais et
                    // février s'arrête au 28 : toute date tirée existe.
                    int jour = int(Aleatoire::tirer() % 30u) + 1;
                    const int mois = int(Aleatoire::tirer() % 12u) + 1;
                    if (mois == 2 && jour > 28)
                        jour = 28;
                    const int annee = 2008 + int(Aleatoire::tirer() % 3u);
                    insertion.bindValue(0, eleve);
                    insertion.bindValue(1, noeud);
                    insertion.bindValue(2, QDate(annee, mois, jour).toString(Dates::FORMAT_STOCKAGE));
                    // Une insertion refusée arrête tout, et rien ne change : après une erreur du
                    // disque, SQLite a pu annuler la transaction de lui-même, et chaque
                    // insertion suivante serait validée seule, par-dessus les anciennes dates.
                    if (!insertion.exec())
                        return;
                }
            }
        }
    }
    transaction.valider();
}

} // namespace JeuEssai
