#include "db/chargeurlivret.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

bool ChargeurLivret::echecSql(const QSqlQuery& requete)
{
    texteErreur = requete.lastError().text();
    // Un échec doit toujours laisser un message : l'appelant décide sur l'erreur non vide.
    if (texteErreur.trimmed().isEmpty())
        texteErreur = requete.lastQuery();
    return false;
}

bool ChargeurLivret::load(const QString& chemin)
{
    texteErreur.clear();
    if (!lecteurCsv.load(chemin, false)) {
        texteErreur = tr("Impossible de charger le fichier %1").arg(chemin);
        return false;
    }

    QSqlQuery requete;
    if (!requete.exec(QStringLiteral("SELECT COUNT(*) FROM notes")) || !requete.next())
        return echecSql(requete);
    if (requete.value(0).toLongLong() >= 1) {
        texteErreur = tr(
            "Impossible d'importer le livret car il existe des notes. Il faut d'abord supprimer les notes.");
        return false;
    }
    if (!requete.exec(QStringLiteral("DELETE FROM competences")))
        return echecSql(requete);

    // Une seule préparation pour tout l'arbre.
    QSqlQuery insertion;
    if (!insertion.prepare(QStringLiteral(
            "INSERT INTO competences(libelle, id_comp_parent, profondeur,numero,ref) VALUES(?,?,?,?,?)")))
        return echecSql(insertion);
    return insererNiveau(insertion, 0, 0, 0, 0);
}

// Insère le nœud de la case (ligne, colonne), puis son premier enfant (appel pour la colonne
// de droite), puis ses frères suivants. Les frères sont parcourus par une boucle et non par
// récursion : la profondeur d'appel reste bornée par le nombre de colonnes, quel que soit le
// nombre de lignes du fichier.
bool ChargeurLivret::insererNiveau(QSqlQuery& insertion, int colonne, int ligne, qlonglong parent,
                                   int numeroPrecedent)
{
    const int nombreLignes = lecteurCsv.nombreLignes();
    for (;;) {
        if (ligne >= nombreLignes)
            return true;
        const QStringList& champs = lecteurCsv.ligne(ligne);
        if (colonne >= champs.size())
            return true;

        const QString champ = champs.at(colonne).trimmed();
        const qsizetype barre = champ.indexOf(QLatin1Char('/'));
        if (barre <= 0) {
            texteErreur =
                tr("Référence absente dans le libelle, ligne %1, colonne %2").arg(ligne).arg(colonne);
            return false;
        }
        const QString ref = champ.left(barre);
        const QString libelle = champ.mid(barre + 1);
        if (libelle.isEmpty()) {
            texteErreur = tr("Libellé vide en ligne %1, colonne %2").arg(ligne).arg(colonne);
            return false;
        }

        const int numero = numeroPrecedent + 1;
        insertion.bindValue(0, libelle);
        insertion.bindValue(1, parent);
        insertion.bindValue(2, colonne);
        insertion.bindValue(3, numero);
        insertion.bindValue(4, ref);
        if (!insertion.exec())
            return echecSql(insertion);
        const qlonglong cle = insertion.lastInsertId().toLongLong();

        // Premier enfant : la première case non vide à droite, sur la même ligne.
        for (int c = colonne + 1; c < champs.size(); ++c) {
            if (!champs.at(c).isEmpty()) {
                if (!insererNiveau(insertion, c, ligne, cle, 0))
                    return false;
                break;
            }
        }

        // Frère suivant : la première ligne qui a une case à cette colonne, à moins qu'une
        // ligne avec une case plus à gauche ne vienne d'abord (le niveau est alors fini).
        int suivante = -1;
        for (int l = ligne + 1; l < nombreLignes && suivante < 0; ++l) {
            const QStringList& autre = lecteurCsv.ligne(l);
            const int limite = std::min(colonne, int(autre.size()));
            for (int c = 0; c < limite; ++c)
                if (!autre.at(c).isEmpty())
                    return true;
            if (colonne < autre.size() && !autre.at(colonne).isEmpty())
                suivante = l;
        }
        if (suivante < 0)
            return true;
        ligne = suivante;
        numeroPrecedent = numero;
    }
}
