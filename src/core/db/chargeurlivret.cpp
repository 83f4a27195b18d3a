// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/db/chargeurlivret.h"

#include <QList>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

bool ChargeurLivret::echecSql(const QSqlQuery& requete)
{
    texteErreur = requete.lastError().text();
    // Un échec doit toujours laisser un message : l'appelant décide sur l'erreur non vide.
    if (texteErreur.trimmed().isEmpty())
        texteErreur = requete.lastQuery();
    return false;
}

bool ChargeurLivret::lireFichier(const QString& chemin)
{
    texteErreur.clear();
    if (lecteurCsv.load(chemin, false))
        return true;
    texteErreur = tr("Impossible de charger le fichier %1").arg(chemin);
    return false;
}

std::optional<QList<NoeudLivret>> ChargeurLivret::lire(const QString& chemin)
{
    QList<NoeudLivret> noeuds;
    if (!lireFichier(chemin) || !parcourir(noeuds))
        return std::nullopt;
    return noeuds;
}

bool ChargeurLivret::load(const QString& chemin)
{
    if (!lireFichier(chemin))
        return false;

    QSqlQuery requete;
    if (!requete.exec(QStringLiteral("SELECT COUNT(*) FROM notes")) || !requete.next())
        return echecSql(requete);
    if (requete.value(0).toLongLong() >= 1) {
        texteErreur = tr(
            "Impossible d'importer le livret car il existe des notes. Il faut d'abord supprimer les notes.");
        return false;
    }
    QList<NoeudLivret> noeuds;
    if (!parcourir(noeuds))
        return false;
    if (!requete.exec(QStringLiteral("DELETE FROM competences")))
        return echecSql(requete);

    // Une seule préparation pour tout l'arbre ; chaque parent est inséré avant ses enfants.
    QSqlQuery insertion;
    if (!insertion.prepare(QStringLiteral(
            "INSERT INTO competences(libelle, id_comp_parent, profondeur,numero,ref) VALUES(?,?,?,?,?)")))
        return echecSql(insertion);
    QList<qlonglong> cles;
    cles.reserve(noeuds.size());
    for (const NoeudLivret& noeud : std::as_const(noeuds)) {
        insertion.bindValue(0, noeud.libelle);
        insertion.bindValue(1, noeud.parent < 0 ? 0 : cles.at(noeud.parent));
        insertion.bindValue(2, noeud.profondeur);
        insertion.bindValue(3, noeud.numero);
        insertion.bindValue(4, noeud.ref);
        if (!insertion.exec())
            return echecSql(insertion);
        cles.append(insertion.lastInsertId().toLongLong());
    }
    return true;
}

// Lit l'arbre à partir de la case (0, 0) : chaque nœud, puis tout le sous-arbre de son premier
// enfant (la première case non vide à sa droite), puis ses frères suivants. Le parcours tient sa
// propre pile au lieu de s'appeler lui-même : un fichier d'un très grand nombre de colonnes ne
// peut pas épuiser la pile d'appels.
bool ChargeurLivret::parcourir(QList<NoeudLivret>& noeuds)
{
    const int nombreLignes = lecteurCsv.nombreLignes();

    // Colonne de la première case non vide de chaque ligne (le nombre de colonnes quand la
    // ligne est vide) : la recherche du frère suivant ne relit pas les cases une à une.
    QList<int> premiereCase(nombreLignes);
    for (int l = 0; l < nombreLignes; ++l) {
        const QStringList& champs = lecteurCsv.ligne(l);
        int c = 0;
        while (c < champs.size() && champs.at(c).isEmpty())
            ++c;
        premiereCase[l] = c;
    }

    // Un niveau en cours : la case du prochain frère à lire, le parent commun (son rang dans
    // `noeuds`) et le numéro du frère précédent.
    struct Niveau {
        int colonne;
        int ligne;
        int parent;
        int numeroPrecedent;
    };
    QList<Niveau> pile{{0, 0, -1, 0}};
    while (!pile.isEmpty()) {
        const Niveau courant = pile.last();
        if (courant.ligne >= nombreLignes) {
            pile.removeLast();
            continue;
        }
        const QStringList& champs = lecteurCsv.ligne(courant.ligne);
        if (courant.colonne >= champs.size()) {
            pile.removeLast();
            continue;
        }

        const QString champ = champs.at(courant.colonne).trimmed();
        const qsizetype barre = champ.indexOf(QLatin1Char('/'));
        if (barre <= 0) {
            texteErreur = tr("Référence absente dans le libelle, ligne %1, colonne %2")
                              .arg(courant.ligne)
                              .arg(courant.colonne);
            return false;
        }
        const QString ref = champ.left(barre);
        const QString libelle = champ.mid(barre + 1);
        if (libelle.isEmpty()) {
            texteErreur = tr("Libellé vide en ligne %1, colonne %2").arg(courant.ligne).arg(courant.colonne);
            return false;
        }

        const int numero = courant.numeroPrecedent + 1;
        const int rang = int(noeuds.size());
        noeuds.append({ref, libelle, courant.colonne, numero, courant.parent});

        // Frère suivant : la première ligne qui a une case à cette colonne, à moins qu'une
        // ligne avec une case plus à gauche ne vienne d'abord (le niveau est alors fini). Les
        // lignes vides jusqu'à cette colonne comprise sont passées.
        int suivante = nombreLignes;
        for (int l = courant.ligne + 1; l < nombreLignes; ++l) {
            if (premiereCase.at(l) < courant.colonne)
                break;
            if (premiereCase.at(l) == courant.colonne) {
                suivante = l;
                break;
            }
        }
        pile.last().ligne = suivante;
        pile.last().numeroPrecedent = numero;

        // Premier enfant : la première case non vide à droite, sur la même ligne ; tout son
        // sous-arbre passe avant le frère suivant.
        for (int c = courant.colonne + 1; c < champs.size(); ++c) {
            if (!champs.at(c).isEmpty()) {
                pile.append({c, courant.ligne, rang, 0});
                break;
            }
        }
    }
    return true;
}
