// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/db/lecteurcsv.h"

#include <QCoreApplication>
#include <QList>
#include <QString>

#include <optional>

class QSqlQuery;

// Un nœud du livret tel que le fichier le donne.
struct NoeudLivret {
    QString ref;
    QString libelle;
    int profondeur = 0; // la colonne
    int numero = 0;     // place parmi les frères, à partir de 1, dans l'ordre du fichier
    int parent = -1;    // rang du parent dans la liste des nœuds, -1 pour un palier
};

// Chargeur du livret de compétences : lit le fichier du livret (CSV séparé par « ; ») et
// remplace l'arbre de la table `competences` sur la connexion par défaut.
//
// Format : chaque ligne porte au plus un nœud par colonne, la colonne donnant la profondeur
// (0 palier, 1 compétence, 2 agrégat, 3 item). Une case est vide ou contient « code/libellé ».
// Le premier enfant d'un nœud est sur la même ligne, dans la première case non vide à sa
// droite ; les enfants suivants commencent les lignes d'après, cases de gauche vides.
//
// Le chargement n'ouvre pas de transaction : il s'exécute dans celle de l'appelant, qui
// l'annule en cas d'échec (les nœuds déjà insérés lui sont laissés).
class ChargeurLivret
{
    Q_DECLARE_TR_FUNCTIONS(ChargeurLivret)

public:
    ChargeurLivret() = default;

    // Lit le livret et remplace l'arbre des compétences. Faux en cas d'échec, erreur() donnant
    // alors le message. Quand le fichier n'a pas pu être ouvert, lecteur().messageErreur()
    // donne en plus le message du lecteur, que l'appelant montre d'abord (voir LecteurCsv).
    bool load(const QString& chemin);

    // Lit le livret sans toucher à la base : ses nœuds dans l'ordre du fichier, qui est celui
    // des clés d'une base neuve (chaque parent avant ses enfants). Rien en cas d'échec, erreur()
    // donnant le message, comme pour load().
    std::optional<QList<NoeudLivret>> lire(const QString& chemin);

    // Message du dernier chargement ; vide quand tout s'est bien passé.
    QString erreur() const { return texteErreur; }

    const LecteurCsv& lecteur() const { return lecteurCsv; }

private:
    bool lireFichier(const QString& chemin);
    bool parcourir(QList<NoeudLivret>& noeuds);
    bool echecSql(const QSqlQuery& requete);

    QString texteErreur;
    LecteurCsv lecteurCsv;
};
