// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/pupils/importeleves.h"

#include "core/commun/dates.h"
#include "core/commun/textesimportes.h"
#include "core/commun/transaction.h"
#include "core/db/lecteurcsv.h"

#include <QCoreApplication>
#include <QDate>
#include <QHash>
#include <QList>
#include <QSqlQuery>
#include <QVariant>

namespace ImportEleves {

namespace {

struct ChampAttendu {
    const char* motif;
    const char* nomAffiche;
};

constexpr std::array<ChampAttendu, NOMBRE_CHAMPS> CHAMPS = {{
    {"Nom ?l?ve", QT_TRANSLATE_NOOP("ImportEleves", "Nom élève")},
    {"pr?nom ?l?ve", QT_TRANSLATE_NOOP("ImportEleves", "Prénom élève")},
    {"date naissance", QT_TRANSLATE_NOOP("ImportEleves", "Date naissance")},
    {"classe", QT_TRANSLATE_NOOP("ImportEleves", "Classe")},
    {"niveau", QT_TRANSLATE_NOOP("ImportEleves", "Niveau")},
    {"cycle", QT_TRANSLATE_NOOP("ImportEleves", "Cycle")},
}};

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
    // `lecture` : « SELECT id, libelle FROM … ORDER BY id » ; `insertion` : l'ajout d'un libellé
    // et de son rang de tri.
    Liste(const QString& lecture, const QString& insertion)
    {
        QSqlQuery requete;
        requete.setForwardOnly(true);
        if (requete.exec(lecture)) {
            while (requete.next()) {
                ++nombre;
                const QString cle = replier(requete.value(1).toString());
                if (!requete.value(1).isNull() && !ids.contains(cle))
                    ids.insert(cle, requete.value(0).toLongLong());
            }
        } else {
            enPanne = true;
        }
        insertionSql.prepare(insertion);
    }

    // Clé du libellé, 0 s'il n'existe pas.
    qlonglong chercher(const QString& libelle) const { return ids.value(replier(libelle), 0); }

    // Crée le libellé en dernier (son rang de tri est le nombre de lignes d'avant) et rend sa
    // nouvelle clé.
    qlonglong creer(const QString& libelle)
    {
        insertionSql.addBindValue(libelle);
        insertionSql.addBindValue(nombre);
        if (!insertionSql.exec()) {
            enPanne = true;
            return 0;
        }
        const qlonglong id = insertionSql.lastInsertId().toLongLong();
        ++nombre;
        ++creees;
        ids.insert(replier(libelle), id);
        return id;
    }

    // La clé `id` déjà trouvée pour ce libellé ou, quand elle est nulle, celle du libellé créé.
    qlonglong ouCreer(const QString& libelle, qlonglong id) { return id != 0 ? id : creer(libelle); }

    int creees = 0;
    // Vrai dès qu'une instruction a échoué.
    bool enPanne = false;

private:
    QHash<QString, qlonglong> ids;
    QSqlQuery insertionSql;
    int nombre = 0;
};

qlonglong compter(const QString& sql, bool* enPanne = nullptr)
{
    QSqlQuery requete;
    if (requete.exec(sql) && requete.next())
        return requete.value(0).toLongLong();
    if (enPanne)
        *enPanne = true;
    return 0;
}

QList<qlonglong> lireCles(const QString& sql, bool* enPanne = nullptr)
{
    QList<qlonglong> cles;
    QSqlQuery requete;
    requete.setForwardOnly(true);
    if (requete.exec(sql)) {
        while (requete.next())
            cles.append(requete.value(0).toLongLong());
    } else if (enPanne) {
        *enPanne = true;
    }
    return cles;
}

} // namespace

QString motif(Champ champ)
{
    return QString::fromUtf8(CHAMPS.at(champ).motif);
}

QString nomAffiche(Champ champ)
{
    return QCoreApplication::translate("ImportEleves", CHAMPS.at(champ).nomAffiche);
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

qlonglong nombreEleves()
{
    return compter(QStringLiteral("SELECT COUNT(*) FROM eleves"));
}

Resultat importer(const LecteurCsv& lecteur, const Colonnes& colonnes, const Options& options,
                  const ConfirmationSuppression& confirmer)
{
    Resultat resultat;

    // Tous les élèves sont d'abord marqués absents du fichier. Sans transaction, rien ne
    // pourrait être annulé : on s'arrête là aussi.
    Transaction transaction;
    QSqlQuery miseAZero;
    if (!transaction.estOuverte() || !miseAZero.exec(QStringLiteral("UPDATE eleves SET upd=0"))) {
        resultat.issue = Resultat::Issue::MiseAZeroImpossible;
        return resultat;
    }

    // Chaque instruction est préparée une fois pour toutes les lignes.
    Liste classes(QStringLiteral("SELECT id_classe, libelle FROM classes ORDER BY id_classe"),
                  QStringLiteral("INSERT INTO classes(libelle,tri) VALUES (?,?)"));
    Liste niveaux(QStringLiteral("SELECT id_niveau, libelle FROM niveaux ORDER BY id_niveau"),
                  QStringLiteral("INSERT INTO niveaux(libelle,tri) VALUES (?,?)"));
    // Comparaison exacte ; le nom et le prénom sont rangés sans égard à la casse (ASCII).
    QSqlQuery rechercheEleve;
    rechercheEleve.setForwardOnly(true);
    rechercheEleve.prepare(QStringLiteral("SELECT id_eleve, id_classe, id_niveau FROM eleves WHERE nom = ? "
                                          "AND prenom = ? AND date_naiss = ? ORDER BY id_eleve"));
    QSqlQuery marquage;
    marquage.prepare(QStringLiteral("UPDATE eleves SET upd=1 WHERE id_eleve=?"));
    QSqlQuery ajout;
    ajout.prepare(QStringLiteral("INSERT INTO eleves(nom, prenom, date_naiss, id_classe, id_niveau, upd) "
                                 "VALUES(?,?,?,?,?,1)"));
    QSqlQuery repartition;
    repartition.prepare(QStringLiteral("UPDATE eleves SET id_classe=?, id_niveau=?, upd=1 WHERE id_eleve=?"));

    // La première instruction en échec arrête tout et la transaction est annulée. Après une
    // erreur du disque, SQLite a pu annuler la transaction de lui-même : les instructions
    // suivantes seraient validées une à une, et la suppression des élèves « absents »
    // (upd revenu à sa valeur d'avant) viderait la base.
    const auto panne = [] {
        Resultat echec;
        echec.issue = Resultat::Issue::ValidationImpossible;
        return echec;
    };

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
            resultat.lignesNettoyees.append(index + 1);
        if (nom.isEmpty() || prenom.isEmpty() || texteDate.isEmpty() || classe.isEmpty() ||
            niveau.isEmpty()) {
            ++resultat.ignores;
            continue;
        }

        const QDate date = Dates::lire(texteDate);
        if (!date.isValid()) {
            // La transaction est annulée en sortant : rien de cette importation ne reste.
            Resultat echec;
            echec.issue = Resultat::Issue::DateInvalide;
            echec.ligne = index + 1;
            return echec;
        }
        const QString dateStockee = date.toString(Dates::FORMAT_STOCKAGE);

        qlonglong idClasse = classes.chercher(classe);
        qlonglong idNiveau = niveaux.chercher(niveau);

        qlonglong idEleve = 0;
        qlonglong classeEleve = 0;
        qlonglong niveauEleve = 0;
        rechercheEleve.addBindValue(nom);
        rechercheEleve.addBindValue(prenom);
        rechercheEleve.addBindValue(dateStockee);
        if (!rechercheEleve.exec())
            return panne();
        if (rechercheEleve.next()) {
            idEleve = rechercheEleve.value(0).toLongLong();
            classeEleve = rechercheEleve.value(1).toLongLong();
            niveauEleve = rechercheEleve.value(2).toLongLong();
        }
        rechercheEleve.finish();

        const bool retrouve = idEleve != 0;
        // La classe et le niveau de la ligne, créés au premier élève qui y entre.
        const auto classeEtNiveauCrees = [&] {
            idClasse = classes.ouCreer(classe, idClasse);
            idNiveau = niveaux.ouCreer(niveau, idNiveau);
            return !classes.enPanne && !niveaux.enPanne;
        };
        if (retrouve) {
            ++resultat.retrouves;
            marquage.addBindValue(idEleve);
            if (!marquage.exec())
                return panne();
        } else if (!options.ajouter) {
            ++resultat.nonAjoutes;
        } else {
            if (!classeEtNiveauCrees())
                return panne();
            ajout.addBindValue(nom);
            ajout.addBindValue(prenom);
            ajout.addBindValue(dateStockee);
            ajout.addBindValue(idClasse);
            ajout.addBindValue(idNiveau);
            if (!ajout.exec())
                return panne();
            idEleve = ajout.lastInsertId().toLongLong();
            classeEleve = idClasse;
            niveauEleve = idNiveau;
            ++resultat.ajoutes;
        }

        const bool ailleurs = retrouve && (classeEleve != idClasse || niveauEleve != idNiveau);
        if (options.repartir && ailleurs) {
            if (!classeEtNiveauCrees())
                return panne();
            repartition.addBindValue(idClasse);
            repartition.addBindValue(idNiveau);
            repartition.addBindValue(idEleve);
            if (!repartition.exec())
                return panne();
            ++(classeEleve != idClasse ? resultat.deplaces : resultat.changesNiveau);
        } else if (retrouve) {
            ++resultat.inchanges;
            if (ailleurs)
                ++resultat.nonRepartis;
        }
    }
    if (classes.enPanne || niveaux.enPanne)
        return panne();
    resultat.classesCreees = classes.creees;
    resultat.niveauxCrees = niveaux.creees;

    // Les élèves absents du fichier, avec leurs enregistrements, après confirmation.
    bool enPanne = false;
    const int absents =
        static_cast<int>(compter(QStringLiteral("SELECT COUNT(*) FROM eleves WHERE upd=0"), &enPanne));
    if (enPanne)
        return panne();
    resultat.absentsGardes = absents;
    if (options.supprimer) {
        if (absents > 0 && confirmer && confirmer(absents)) {
            QSqlQuery suppressionNotes;
            suppressionNotes.prepare(QStringLiteral("DELETE FROM notes WHERE id_eleve=?"));
            for (const qlonglong id :
                 lireCles(QStringLiteral("SELECT id_eleve FROM eleves WHERE upd=0"), &enPanne)) {
                suppressionNotes.addBindValue(id);
                if (!suppressionNotes.exec())
                    return panne();
            }
            QSqlQuery suppression;
            if (enPanne || !suppression.exec(QStringLiteral("DELETE FROM eleves WHERE upd=0")))
                return panne();
            resultat.supprimes = absents;
            resultat.absentsGardes = 0;
        }
    }

    // Quelles que soient les options : plus de classe vide, et les autres renumérotées.
    const QList<qlonglong> vides = lireCles(
        QStringLiteral("SELECT classes.id_classe,COUNT(eleves.id_eleve) AS nb FROM classes LEFT JOIN "
                       "eleves ON eleves.id_classe=classes.id_classe GROUP BY classes.id_classe "
                       "HAVING nb=0"),
        &enPanne);
    if (enPanne)
        return panne();
    QSqlQuery suppressionClasse;
    suppressionClasse.prepare(QStringLiteral("DELETE FROM classes WHERE id_classe=?"));
    for (const qlonglong id : vides) {
        suppressionClasse.addBindValue(id);
        if (!suppressionClasse.exec())
            return panne();
    }
    resultat.classesSupprimees = static_cast<int>(vides.size());

    QSqlQuery numerotation;
    numerotation.prepare(QStringLiteral("UPDATE classes SET tri=? WHERE id_classe=?"));
    int rang = 0;
    for (const qlonglong id :
         lireCles(QStringLiteral("SELECT id_classe FROM classes ORDER BY tri"), &enPanne)) {
        numerotation.addBindValue(rang++);
        numerotation.addBindValue(id);
        if (!numerotation.exec())
            return panne();
    }
    if (enPanne)
        return panne();

    if (!transaction.valider())
        resultat.issue = Resultat::Issue::ValidationImpossible;
    return resultat;
}

} // namespace ImportEleves
