// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/pupils/importeleves.h"

#include "core/commun/dates.h"
#include "core/commun/textesimportes.h"
#include "core/commun/transaction.h"
#include "core/db/lecteurcsv.h"
#include "core/db/requete.h"
#include "core/db/requetes.h"

#include <QDate>
#include <QHash>
#include <QList>

#include <algorithm>

namespace ImportEleves {

namespace {

constexpr std::array<const char*, NOMBRE_CHAMPS> MOTIFS = {"Nom ?l?ve", "pr?nom ?l?ve", "date naissance",
                                                           "classe",    "niveau",       "cycle"};

bool lettreChiffreOuEspace(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') || u == u' ';
}

// Le texte tel que les libellés sont comparés : seules les lettres ASCII ignorent la casse (« É »
// et « é » restent différents, comme pour SQLite).
QString replier(const QString& texte)
{
    QString resultat = texte;
    for (QChar& c : resultat)
        if (c.unicode() >= u'A' && c.unicode() <= u'Z')
            c = QChar(static_cast<char16_t>(c.unicode() + (u'a' - u'A')));
    return resultat;
}

// Les classes (ou les niveaux) gardées en mémoire le temps de l'importation, pour ne pas
// interroger la base à chaque ligne. Un libellé du fichier est comparé tel quel, aux majuscules
// ASCII près : « % » ou « _ » n'y sont que des caractères. Deux libellés de la base qui ne
// diffèrent que par la casse : le plus ancien est retrouvé.
class Liste
{
public:
    // `entrees` : la liste lue ; `creation` : la création d'une entrée après toutes les autres.
    Liste(QList<Entree> entrees, Resultat<qint64> (*creation)(const QString&)) : creer(creation)
    {
        std::sort(entrees.begin(), entrees.end(),
                  [](const Entree& a, const Entree& b) { return a.id < b.id; });
        for (const Entree& entree : std::as_const(entrees)) {
            // Deux libellés qui ne diffèrent que par la casse : le premier reste.
            const QString cle = replier(entree.libelle);
            if (!ids.contains(cle))
                ids.insert(cle, entree.id);
        }
    }

    // Clé du libellé, 0 s'il n'existe pas.
    qint64 chercher(const QString& libelle) const { return ids.value(replier(libelle), 0); }

    // La clé `id` déjà trouvée pour ce libellé ou, quand elle est nulle, celle du libellé créé
    // après tous les autres.
    Resultat<qint64> ouCreer(const QString& libelle, qint64 id)
    {
        if (id != 0)
            return id;
        const Resultat<qint64> cree = creer(libelle);
        if (!cree)
            return cree;
        ++creees;
        ids.insert(replier(libelle), *cree);
        return cree;
    }

    int creees = 0;

private:
    QHash<QString, qint64> ids;
    Resultat<qint64> (*creer)(const QString&);
};

Resultat<QList<qint64>> lireCles(const QString& sql)
{
    const auto lignes = Base::lignes(sql);
    if (!lignes)
        return lignes.erreur();
    QList<qint64> cles;
    for (const Base::Ligne& ligne : *lignes)
        cles.append(ligne.at(0).toLongLong());
    return cles;
}

} // namespace

QString motif(Champ champ)
{
    return QString::fromUtf8(MOTIFS.at(champ));
}

bool comparerEntete(const QString& entete, const QString& motif)
{
    QString copie = entete.trimmed();
    for (qsizetype i = 0; i < copie.size(); ++i) {
        const bool jokerDuMotif = i < motif.size() && motif.at(i) == QLatin1Char('?');
        if (jokerDuMotif || !lettreChiffreOuEspace(copie.at(i)))
            copie[i] = QLatin1Char('?');
    }
    return copie.compare(motif, Qt::CaseInsensitive) == 0;
}

Colonnes chercherColonnes(const QStringList& entete)
{
    Colonnes colonnes;
    for (int champ = 0; champ < NOMBRE_CHAMPS; ++champ) {
        colonnes[champ] = -1;
        const QString motifChamp = motif(static_cast<Champ>(champ));
        for (int colonne = 0; colonne < entete.size(); ++colonne) {
            if (comparerEntete(entete.at(colonne), motifChamp)) {
                colonnes[champ] = colonne;
                break;
            }
        }
    }
    return colonnes;
}

int premierChampManquant(const Colonnes& colonnes)
{
    for (int champ = 0; champ < NOMBRE_CHAMPS; ++champ)
        if (colonnes[champ] < 0)
            return champ;
    return -1;
}

Resultat<Colonnes> preparer(const LecteurCsv& lecteur)
{
    if (lecteur.nombreLignes() < 2 || lecteur.nombreColonnes() < 4)
        return Erreur(Raison::FichierIncorrect);
    const Colonnes colonnes = chercherColonnes(lecteur.ligne(0));
    if (const int manquant = premierChampManquant(colonnes); manquant >= 0)
        return Erreur(Raison::ChampIntrouvable).avec(manquant);
    return colonnes;
}

Resultat<qint64> nombreEleves()
{
    const auto n = Base::valeur(QStringLiteral("SELECT COUNT(*) FROM eleves"));
    if (!n)
        return n.erreur();
    return n->toLongLong();
}

Resultat<Comptes> importer(const LecteurCsv& lecteur, const Colonnes& colonnes, const Options& options,
                           const ConfirmationSuppression& confirmer)
{
    Comptes comptes;

    // Tous les élèves sont d'abord marqués absents du fichier. Sans transaction, rien ne
    // pourrait être annulé : on s'arrête là aussi.
    Transaction transaction;
    if (Resultat<> r = transaction.ouverture(); !r)
        return Erreur(Raison::MiseAZeroImpossible, r.erreur().texte);
    if (Resultat<> r = Base::executer(QStringLiteral("UPDATE eleves SET upd=0")); !r)
        return Erreur(Raison::MiseAZeroImpossible, r.erreur().texte);

    // Chaque instruction est préparée une fois pour toutes les lignes.
    const auto classesLues = Requetes::classes();
    if (!classesLues)
        return classesLues.erreur();
    const auto niveauxLus = Requetes::niveaux();
    if (!niveauxLus)
        return niveauxLus.erreur();
    Liste classes(*classesLues, &Requetes::creerClasse);
    Liste niveaux(*niveauxLus, &Requetes::creerNiveau);
    // Comparaison exacte ; le nom et le prénom sont rangés sans égard à la casse (ASCII).
    Base::Requete rechercheEleve(
        QStringLiteral("SELECT id_eleve, id_classe, id_niveau FROM eleves WHERE nom = ? "
                       "AND prenom = ? AND date_naiss = ? ORDER BY id_eleve"));
    Base::Requete marquage(QStringLiteral("UPDATE eleves SET upd=1 WHERE id_eleve=?"));
    Base::Requete ajout(
        QStringLiteral("INSERT INTO eleves(nom, prenom, date_naiss, id_classe, id_niveau, upd) "
                       "VALUES(?,?,?,?,?,1)"));
    Base::Requete repartition(
        QStringLiteral("UPDATE eleves SET id_classe=?, id_niveau=?, upd=1 WHERE id_eleve=?"));

    // La première instruction en échec arrête tout et la transaction est annulée. Après une
    // erreur du disque, SQLite a pu annuler la transaction de lui-même : les instructions
    // suivantes seraient validées une à une, et la suppression des élèves « absents »
    // (upd revenu à sa valeur d'avant) viderait la base.
    for (int index = 1; index < lecteur.nombreLignes(); ++index) {
        const QStringList& ligne = lecteur.ligne(index);
        // Les noms sans leurs caractères de contrôle, signalés dans le bilan.
        bool nettoyee = false;
        const auto champ = [&](Champ c) {
            return TextesImportes::nettoyer(ligne.value(colonnes[c]), &nettoyee).trimmed();
        };
        const QString nom = champ(Nom);
        const QString prenom = champ(Prenom);
        const QString texteDate = ligne.value(colonnes[DateNaissance]).trimmed();
        const QString classe = champ(Classe);
        QString niveau = champ(Niveau);
        if (niveau.isEmpty())
            niveau = champ(Cycle);
        if (nettoyee)
            comptes.lignesNettoyees.append(index + 1);
        if (nom.isEmpty() || prenom.isEmpty() || texteDate.isEmpty() || classe.isEmpty() ||
            niveau.isEmpty()) {
            ++comptes.ignores;
            continue;
        }

        const QDate date = Dates::lire(texteDate);
        // La transaction est annulée en sortant : rien de cette importation ne reste.
        if (!date.isValid())
            return Erreur(Raison::DateInvalide).enLigne(index + 1);
        const QString dateStockee = date.toString(Dates::FORMAT_STOCKAGE);

        // Une classe ou un niveau encore inconnu vaut 0 : créé plus bas, quand l'élève est gardé.
        Resultat<qint64> idClasse = classes.chercher(classe);
        Resultat<qint64> idNiveau = niveaux.chercher(niveau);

        qint64 idEleve = 0;
        qint64 classeEleve = 0;
        qint64 niveauEleve = 0;
        if (Resultat<> r = rechercheEleve.executer({nom, prenom, dateStockee}); !r)
            return r.erreur();
        if (rechercheEleve.suivante()) {
            idEleve = rechercheEleve.entier(0);
            classeEleve = rechercheEleve.entier(1);
            niveauEleve = rechercheEleve.entier(2);
        } else if (Resultat<> r = rechercheEleve.fin(); !r) {
            return r.erreur();
        }
        rechercheEleve.liberer();

        const bool retrouve = idEleve != 0;
        // La classe et le niveau de la ligne, créés au premier élève qui y entre.
        const auto classeEtNiveauCrees = [&]() -> Resultat<> {
            idClasse = classes.ouCreer(classe, *idClasse);
            if (!idClasse)
                return idClasse.erreur();
            idNiveau = niveaux.ouCreer(niveau, *idNiveau);
            if (!idNiveau)
                return idNiveau.erreur();
            return {};
        };
        if (retrouve) {
            ++comptes.retrouves;
            if (Resultat<> r = marquage.executer({idEleve}); !r)
                return r.erreur();
        } else if (!options.ajouter) {
            ++comptes.nonAjoutes;
        } else {
            if (Resultat<> r = classeEtNiveauCrees(); !r)
                return r.erreur();
            if (Resultat<> r = ajout.executer({nom, prenom, dateStockee, *idClasse, *idNiveau}); !r)
                return r.erreur();
            idEleve = ajout.cleInseree();
            classeEleve = *idClasse;
            niveauEleve = *idNiveau;
            ++comptes.ajoutes;
        }

        const bool ailleurs = retrouve && (classeEleve != *idClasse || niveauEleve != *idNiveau);
        if (options.repartir && ailleurs) {
            if (Resultat<> r = classeEtNiveauCrees(); !r)
                return r.erreur();
            if (Resultat<> r = repartition.executer({*idClasse, *idNiveau, idEleve}); !r)
                return r.erreur();
            ++(classeEleve != *idClasse ? comptes.deplaces : comptes.changesNiveau);
        } else if (retrouve) {
            ++comptes.inchanges;
            if (ailleurs)
                ++comptes.nonRepartis;
        }
    }
    comptes.classesCreees = classes.creees;
    comptes.niveauxCrees = niveaux.creees;

    // Les élèves absents du fichier, avec leurs enregistrements, après confirmation.
    const auto absents = Base::valeur(QStringLiteral("SELECT COUNT(*) FROM eleves WHERE upd=0"));
    if (!absents)
        return absents.erreur();
    comptes.absentsGardes = absents->toInt();
    if (options.supprimer && comptes.absentsGardes > 0 && confirmer && confirmer(comptes.absentsGardes)) {
        const auto cles = lireCles(QStringLiteral("SELECT id_eleve FROM eleves WHERE upd=0"));
        if (!cles)
            return cles.erreur();
        Base::Requete suppressionNotes(QStringLiteral("DELETE FROM notes WHERE id_eleve=?"));
        for (const qint64 id : *cles)
            if (Resultat<> r = suppressionNotes.executer({id}); !r)
                return r.erreur();
        if (Resultat<> r = Base::executer(QStringLiteral("DELETE FROM eleves WHERE upd=0")); !r)
            return r.erreur();
        comptes.supprimes = comptes.absentsGardes;
        comptes.absentsGardes = 0;
    }

    // Quelles que soient les options : plus de classe vide, et les autres renumérotées.
    const auto vides = lireCles(
        QStringLiteral("SELECT classes.id_classe,COUNT(eleves.id_eleve) AS nb FROM classes LEFT JOIN "
                       "eleves ON eleves.id_classe=classes.id_classe GROUP BY classes.id_classe "
                       "HAVING nb=0"));
    if (!vides)
        return vides.erreur();
    Base::Requete suppressionClasse(QStringLiteral("DELETE FROM classes WHERE id_classe=?"));
    for (const qint64 id : *vides)
        if (Resultat<> r = suppressionClasse.executer({id}); !r)
            return r.erreur();
    comptes.classesSupprimees = int(vides->size());

    const auto restantes = lireCles(QStringLiteral("SELECT id_classe FROM classes ORDER BY tri"));
    if (!restantes)
        return restantes.erreur();
    Base::Requete numerotation(QStringLiteral("UPDATE classes SET tri=? WHERE id_classe=?"));
    int rang = 0;
    for (const qint64 id : *restantes)
        if (Resultat<> r = numerotation.executer({rang++, id}); !r)
            return r.erreur();

    if (Resultat<> r = transaction.valider(); !r)
        return r.erreur();
    return comptes;
}

} // namespace ImportEleves
