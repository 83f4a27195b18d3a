// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/db/chargeurlivret.h"

#include "core/db/requete.h"

Resultat<QList<NoeudLivret>> ChargeurLivret::lire(const QString& chemin)
{
    if (Resultat<> lu = lecteurCsv.load(chemin, false); !lu)
        return lu.erreur();
    return parcourir();
}

Resultat<> ChargeurLivret::load(const QString& chemin)
{
    if (Resultat<> lu = lecteurCsv.load(chemin, false); !lu)
        return lu;

    const auto notes = Base::valeur(QStringLiteral("SELECT COUNT(*) FROM notes"));
    if (!notes)
        return notes.erreur();
    if (notes->toLongLong() >= 1)
        return Erreur(Raison::LivretAvecNotes);
    const auto noeuds = parcourir();
    if (!noeuds)
        return noeuds.erreur();
    if (Resultat<> r = Base::executer(QStringLiteral("DELETE FROM competences")); !r)
        return r;

    // Une seule préparation pour tout l'arbre ; chaque parent est inséré avant ses enfants.
    Base::Requete insertion(QStringLiteral(
        "INSERT INTO competences(libelle, id_comp_parent, profondeur,numero,ref) VALUES(?,?,?,?,?)"));
    QList<qlonglong> cles;
    cles.reserve(noeuds->size());
    for (const NoeudLivret& noeud : *noeuds) {
        const qlonglong parent = noeud.parent < 0 ? 0 : cles.at(noeud.parent);
        if (Resultat<> r =
                insertion.executer({noeud.libelle, parent, noeud.profondeur, noeud.numero, noeud.ref});
            !r)
            return r;
        cles.append(insertion.cleInseree());
    }
    return {};
}

// Lit l'arbre à partir de la case (0, 0) : chaque nœud, puis tout le sous-arbre de son premier
// enfant (la première case non vide à sa droite), puis ses frères suivants. Le parcours tient sa
// propre pile au lieu de s'appeler lui-même : un fichier d'un très grand nombre de colonnes ne
// peut pas épuiser la pile d'appels.
Resultat<QList<NoeudLivret>> ChargeurLivret::parcourir() const
{
    QList<NoeudLivret> noeuds;
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
        if (barre <= 0)
            return Erreur(Raison::ReferenceSansLibelle).enLigne(courant.ligne, courant.colonne);
        const QString ref = champ.left(barre);
        const QString libelle = champ.mid(barre + 1);
        if (libelle.isEmpty())
            return Erreur(Raison::LibelleVide).enLigne(courant.ligne, courant.colonne);

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
    return noeuds;
}
