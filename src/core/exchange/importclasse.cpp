// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/exchange/importclasse.h"

#include "core/commun/application.h"
#include "core/commun/fichiersur.h"
#include "core/commun/ordrealphabetique.h"
#include "core/commun/textesimportes.h"
#include "core/commun/transaction.h"
#include "core/db/requetes.h"
#include "core/exchange/chiffreur.h"

#include <QFile>
#include <QSqlDatabase>
#include <QVariant>

InterlocuteurImport::~InterlocuteurImport() = default;

namespace {
const QString ID_ELEVE = QStringLiteral("id_eleve");
const QString ATTENTE_NIVEAU = QStringLiteral("attente_niveau");
const QString INDEX_NIVEAU = QStringLiteral("index_niveau");

qint64 idDe(const QDomElement& e)
{
    return e.hasAttribute(ID_ELEVE) ? e.attribute(ID_ELEVE).toLongLong() : -1;
}
} // namespace

ImportClasse::ImportClasse(InterlocuteurImport& interlocuteur) : dialogue(interlocuteur) {}

void ImportClasse::avertir(const QString& titre, const QString& texte)
{
    dialogue.message(InterlocuteurImport::Genre::Avertissement, titre, texte);
}

int ImportClasse::indexNiveau(const QString& libelle) const
{
    for (int i = 0; i < niveaux.size(); ++i)
        if (niveaux.at(i).libelle.compare(libelle, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

bool ImportClasse::importer(const QString& chemin)
{
    chercheComp.prepare("SELECT id_comp FROM competences WHERE ref=?");
    chercheNote.prepare("SELECT id_note,maj FROM notes WHERE id_comp=? AND id_eleve=?");
    // La date prise du fichier garde l'instant de sa saisie (son « maj ») : la règle « la plus
    // récente l'emporte » des importations suivantes compare alors les bons instants.
    insereNote.prepare("INSERT INTO notes(id_eleve,id_comp,date,maj) "
                       "VALUES(?,?,?,COALESCE(NULLIF(?,''),CURRENT_TIMESTAMP))");
    majNote.prepare("UPDATE notes SET date=?, maj=COALESCE(NULLIF(?,''),CURRENT_TIMESTAMP) WHERE id_note=?");
    notesEleve.prepare("SELECT notes.id_note, competences.id_comp_parent FROM notes, competences WHERE "
                       "notes.id_eleve=? AND notes.id_comp=competences.id_comp");
    if (!lire(chemin) || !controler() || !premierePasse() || !deuxiemePasse() || !ecrire())
        return false;
    QString texte = bilan();
    const FichierSur::Issue copie = ecrireCopieDeTravail();
    if (!copie.reussie())
        texte += tr("\nLa copie de travail %1 n'a pas pu être écrite dans le dossier des données (%2) ; "
                    "l'importation elle-même est faite.\n")
                     .arg(Application::FICHIER_COPIE_IMPORT, copie.detail);
    dialogue.message(InterlocuteurImport::Genre::Information, tr("Bilan de l'importation de classe"), texte);
    return true;
}

FichierSur::Issue ImportClasse::ecrireCopieDeTravail() const
{
    // Copie du document de travail, noms et dates de naissance en clair compris : dans le dossier
    // des données, jamais dans le dossier courant (souvent le bureau, ou le dossier du programme,
    // partagés sur les postes d'école). Lisible par l'utilisateur seul ; elle remplace la
    // précédente d'un coup (un lien posé à sa place est remplacé, pas suivi).
    const QString chemin =
        Application::dossierDonnees() + QLatin1Char('/') + Application::FICHIER_COPIE_IMPORT;
    return FichierSur::ecrire(chemin, document.toByteArray(1), EcritureSure::Droits::Prives);
}

ImportClasse::Refus ImportClasse::analyserOctets(const QByteArray& octets, QDomDocument& document)
{
    FichierClasse::ErreurAnalyse erreur;
    if (octets.size() > FichierClasse::TAILLE_MAX_FICHIER)
        erreur = {true, 1, 1, tr("fichier trop volumineux")};
    else
        erreur = FichierClasse::analyser(octets, document);
    if (!erreur.echec)
        return {};
    return {tr("Erreur d'analyse"),
            tr("Erreur d'analyse à la ligne %1, colonne %2\n%3\nL'importation est annulée.")
                .arg(erreur.ligne)
                .arg(erreur.colonne)
                .arg(erreur.message)};
}

bool ImportClasse::lire(const QString& chemin)
{
    QFile fichier(chemin);
    if (!fichier.open(QIODevice::ReadOnly | QIODevice::Text)) {
        avertir(tr("Problème de lecture du fichier"),
                tr("Problème de lecture du fichier %1\nLa lecture s'est interrompue avec le message:\n%2\n"
                   "L'importation est annulée.")
                    .arg(chemin, fichier.errorString()));
        return false;
    }
    const Refus refus = analyserOctets(fichier.read(FichierClasse::TAILLE_MAX_FICHIER + 1), document);
    if (refus.refuse()) {
        avertir(refus.titre, refus.texte);
        return false;
    }
    return true;
}

ImportClasse::Refus ImportClasse::controlerRacine(const QDomDocument& document)
{
    const QDomElement racine = document.documentElement();
    if (racine.tagName() != QLatin1String("classe"))
        return {tr("Erreur de format"), tr("Ce fichier n'est pas au format attendu par Quorvel.")};
    const QString version = racine.attribute("version");
    if (version != QLatin1String("2") && version != QLatin1String("3"))
        return {tr("Erreur de version"), tr("Ce fichier ne peut pas être lu par cette version de Quorvel.")};
    const QString somme = racine.attribute("checksum");
    if (somme.isEmpty())
        return {tr("Erreur de contrôle"), tr("Ce fichier semble incorrect (somme de contrôle absente).")};
    if (somme != calculerChecksum(document))
        return {tr("Erreur de contrôle"),
                tr("Ce fichier semble avoir été modifié manuellement en dehors de Quorvel. Par précaution, "
                   "Quorvel refuse de lire les fichiers modifiés.")};
    return {};
}

ImportClasse::Refus ImportClasse::preparerEleve(Chiffreur& chiffreur, QDomElement& e, bool chiffre,
                                                bool* nettoye)
{
    if (chiffre) {
        for (const char* nom : {"nom", "prenom", "date_naiss"}) {
            const QString clair = chiffreur.dechiffrerTexte(e.attribute(nom));
            if (clair.isEmpty())
                return {tr("Erreur"), tr("Impossible de décrypter le fichier")};
            e.setAttribute(nom, clair);
        }
    }
    for (const char* nom : {"nom", "prenom", "niveau"}) {
        bool retire = false;
        const QString propre = TextesImportes::nettoyer(e.attribute(nom), &retire);
        if (retire) {
            e.setAttribute(nom, propre);
            if (nettoye)
                *nettoye = true;
        }
    }
    for (const char* nom : {"nom", "prenom", "niveau", "date_naiss", "maj"})
        if (e.attribute(nom).isEmpty())
            return {tr("Erreur"), tr("Attributs manquants pour un élève")};
    return {};
}

bool ImportClasse::controler()
{
    racine = document.documentElement();
    const Refus refus = controlerRacine(document);
    if (refus.refuse()) {
        avertir(refus.titre, refus.texte);
        return false;
    }
    // Un fichier d'une autre école ne se fusionne pas sans l'accord de l'utilisateur.
    const QString ecoleFichier = racine.attribute(FichierClasse::ATTRIBUT_ECOLE);
    const QString ecoleBase = Requetes::ecole();
    if (!FichierClasse::memeEcole(ecoleFichier, ecoleBase) &&
        !dialogue.accepterAutreEcole(ecoleFichier, ecoleBase))
        return false;
    const QString refPalier = racine.attribute("ref_palier");
    if (refPalier.isEmpty()) {
        avertir(tr("Erreur"), tr("Palier non renseigné."));
        return false;
    }
    chercheComp.addBindValue(refPalier);
    if (!chercheComp.exec() || !chercheComp.next()) {
        avertir(tr("Erreur"),
                tr("Les références du palier ne correspondent pas à celles de la base de données"));
        return false;
    }
    idPalier = chercheComp.value(0).toLongLong();
    bool classeNettoyee = false;
    nomClasse = TextesImportes::nettoyer(racine.attribute("nom"), &classeNettoyee);
    if (classeNettoyee)
        ++cpt.nomsNettoyes;
    if (nomClasse.isEmpty()) {
        avertir(tr("Erreur"), tr("Pas de classe indiquée dans le fichier."));
        return false;
    }
    // Le nom est comparé tel quel, aux majuscules ASCII près : « % » ou « _ » n'y sont que des
    // caractères.
    QSqlQuery requete;
    requete.prepare("SELECT id_classe FROM classes WHERE libelle = ? COLLATE NOCASE ORDER BY id_classe");
    requete.addBindValue(nomClasse);
    idClasse = requete.exec() && requete.next() ? requete.value(0).toLongLong() : 0;
    if (idClasse == 0) {
        requete.exec("SELECT COUNT(*) FROM classes");
        if (requete.next() && requete.value(0).toInt() > 0 &&
            !dialogue.choisirClasse(nomClasse, idClasse, renommer))
            return false;
    }
    requete.exec("SELECT libelle, id_niveau FROM niveaux ORDER BY tri");
    while (requete.next())
        niveaux.append({requete.value(0).toString(), requete.value(1).toLongLong()});
    if (niveaux.isEmpty()) {
        avertir(tr("Erreur"), tr("Aucun niveau n'est défini dans la base de données"));
        return false;
    }
    for (QDomElement e = racine.firstChildElement("eleve"); !e.isNull(); e = e.nextSiblingElement("eleve"))
        eleves.append(e);
    return true;
}

bool ImportClasse::premierePasse()
{
    const bool chiffre = racine.attribute("version") == QLatin1String("3");
    Chiffreur chiffreur(CLE_FICHIER_CLASSE);
    QSqlQuery homonymes;
    // Comparaison exacte ; le nom et le prénom sont rangés sans égard à la casse (ASCII).
    homonymes.prepare(
        "SELECT id_eleve, date_naiss,maj FROM eleves WHERE nom = ? AND prenom = ? ORDER BY id_eleve");
    for (int i = 0; i < eleves.size(); ++i) {
        QDomElement& e = eleves[i];
        bool nettoye = false;
        const Refus refus = preparerEleve(chiffreur, e, chiffre, &nettoye);
        if (refus.refuse()) {
            avertir(refus.titre, refus.texte);
            return false;
        }
        if (nettoye)
            ++cpt.nomsNettoyes;
        homonymes.addBindValue(e.attribute("nom"));
        homonymes.addBindValue(e.attribute("prenom"));
        homonymes.exec();
        QList<ConflitDate> siens;
        bool trouve = false;
        while (homonymes.next()) {
            trouve = true;
            const qint64 id = homonymes.value(0).toLongLong();
            const QString date = homonymes.value(1).toString();
            if (date == e.attribute("date_naiss")) {
                e.setAttribute(ID_ELEVE, QString::number(id));
            } else {
                ConflitDate c;
                c.idEleve = id;
                c.nom = e.attribute("nom");
                c.prenom = e.attribute("prenom");
                c.dateBase = date;
                c.dateFichier = e.attribute("date_naiss");
                c.action = e.attribute("maj") < homonymes.value(2).toString() ? 1 : 0;
                c.element = i;
                siens.append(c);
            }
        }
        // Un homonyme de même date suffit : les autres homonymes ne font pas conflit.
        if (!trouve)
            e.setAttribute(ID_ELEVE, QStringLiteral("0"));
        else if (!e.hasAttribute(ID_ELEVE))
            conflits.append(siens);
    }
    if (conflits.isEmpty())
        return true;
    // Montrés dans l'ordre alphabétique français ; chaque conflit garde l'élève qui l'a produit.
    OrdreAlphabetique::trier(conflits, &ConflitDate::nom, &ConflitDate::prenom);
    if (!dialogue.resoudreDates(conflits))
        return false;
    // Chaque conflit agit sur l'élève du fichier qui l'a produit ; quand un élève en a
    // plusieurs, le premier qui le rattache à un élève de la base l'emporte, sinon la
    // création, sinon l'abandon.
    for (const ConflitDate& c : std::as_const(conflits)) {
        QDomElement& e = eleves[c.element];
        const qint64 id = idDe(e);
        if (e.hasAttribute(ID_ELEVE) && id > 0)
            continue;
        if (c.action == 0) {
            e.setAttribute("date_naiss", c.dateBase);
            e.setAttribute(ID_ELEVE, QString::number(c.idEleve));
        } else if (c.action == 1) {
            e.setAttribute(ID_ELEVE, QString::number(c.idEleve));
        } else if (c.action == 2) {
            e.setAttribute(ID_ELEVE, QStringLiteral("0"));
        } else if (!e.hasAttribute(ID_ELEVE)) {
            e.setAttribute(ID_ELEVE, QStringLiteral("-1"));
        }
    }
    return true;
}

bool ImportClasse::deuxiemePasse()
{
    QSqlQuery actuel;
    actuel.prepare("SELECT niveaux.id_niveau,niveaux.libelle, eleves.maj FROM eleves,niveaux WHERE "
                   "eleves.id_eleve=? AND eleves.id_niveau=niveaux.id_niveau");
    for (int i = 0; i < eleves.size(); ++i) {
        QDomElement& e = eleves[i];
        const qint64 id = idDe(e);
        if (id < 0)
            continue;
        int index = indexNiveau(e.attribute("niveau"));
        if (index < 0) {
            niveaux.append({e.attribute("niveau"), 0});
            index = niveaux.size() - 1;
        }
        qint64 idActuel = 0;
        QString libelleActuel, majBase;
        if (id > 0) {
            actuel.addBindValue(id);
            if (actuel.exec() && actuel.next()) {
                idActuel = actuel.value(0).toLongLong();
                libelleActuel = actuel.value(1).toString();
                majBase = actuel.value(2).toString();
            }
        } else {
            idActuel = niveaux.at(index).id;
        }
        e.setAttribute(INDEX_NIVEAU, QString::number(index));
        if (niveaux.at(index).id == idActuel && idActuel != 0)
            continue;
        e.setAttribute(ATTENTE_NIVEAU, QStringLiteral("1"));
        ChangementNiveau c;
        c.nom = e.attribute("nom");
        c.prenom = e.attribute("prenom");
        c.dateNaiss = e.attribute("date_naiss");
        c.action = libelleActuel.isEmpty() || !(e.attribute("maj") < majBase) ? 1 : 0;
        c.niveauActuel = libelleActuel;
        c.niveauPropose = niveaux.at(index).libelle;
        c.element = i;
        changements.append(c);
    }
    if (changements.isEmpty())
        return true;
    OrdreAlphabetique::trier(changements, &ChangementNiveau::nom, &ChangementNiveau::prenom);
    if (!dialogue.resoudreNiveaux(changements))
        return false;
    for (const ChangementNiveau& c : std::as_const(changements)) {
        QDomElement& e = eleves[c.element];
        if (c.action == 0)
            e.setAttribute(INDEX_NIVEAU, QString::number(indexNiveau(c.niveauActuel)));
        else if (c.action == 1)
            e.setAttribute(INDEX_NIVEAU, QString::number(indexNiveau(c.niveauPropose)));
        else
            e.setAttribute(ID_ELEVE, QStringLiteral("-1"));
    }
    return true;
}

bool ImportClasse::ecrire()
{
    Transaction transaction;
    dialogue.debutEcriture();
    // La première instruction refusée par la base arrête tout, transaction annulée : après une
    // erreur du disque, SQLite a pu l'annuler de lui-même, et les instructions suivantes
    // seraient validées une à une. La validation elle-même peut échouer aussi.
    const auto arreter = [this, &transaction](bool refusParLaBase = true) {
        transaction.annuler();
        dialogue.finEcriture();
        avertir(
            tr("Arrêt de l'importation"),
            refusParLaBase || panneBase
                ? tr("La base de données a refusé l'enregistrement (disque plein, fichier en lecture seule "
                     "ou utilisé par un autre programme). Aucun changement n'a eu lieu dans la base de "
                     "données : libérez de la place ou fermez l'autre programme, puis recommencez "
                     "l'importation.")
                : tr("Mise à jour annulée. Aucun changement n'a lieu dans la base de données."));
        return false;
    };
    panneBase = false;
    if (!transaction.estOuverte())
        return arreter();
    QSqlQuery requete;
    if (idClasse == 0) {
        requete.exec("SELECT MAX(tri) FROM classes");
        const int tri = requete.next() ? requete.value(0).toInt() + 1 : 1;
        requete.prepare("INSERT INTO classes(libelle, tri) VALUES(?,?)");
        requete.addBindValue(nomClasse);
        requete.addBindValue(tri);
        if (!requete.exec()) {
            dialogue.finEcriture();
            avertir(tr("Erreur"), tr("Impossible de créer la classe %1").arg(nomClasse));
            return false;
        }
        idClasse = requete.lastInsertId().toLongLong();
        cpt.classeCreee = true;
    }
    QSqlQuery maxNiveau, insereNiveau, insereEleve, majEleve;
    insereNiveau.prepare("INSERT INTO niveaux(libelle, tri) VALUES(?,?)");
    insereEleve.prepare("INSERT INTO eleves(nom,prenom,date_naiss,id_classe,id_niveau) VALUES(?,?,?,?,?)");
    majEleve.prepare("UPDATE eleves SET date_naiss=?, id_niveau=?, id_classe=? WHERE id_eleve=?");
    for (QDomElement& e : eleves) {
        qint64 id = idDe(e);
        if (id < 0)
            continue;
        const int index = e.attribute(INDEX_NIVEAU).toInt();
        if (index < 0 || index >= niveaux.size())
            continue;
        Niveau& niveau = niveaux[index];
        if (niveau.id == 0) {
            maxNiveau.exec("SELECT MAX(tri) FROM niveaux");
            insereNiveau.addBindValue(niveau.libelle);
            insereNiveau.addBindValue(maxNiveau.next() ? maxNiveau.value(0).toInt() + 1 : 1);
            if (!insereNiveau.exec())
                return arreter();
            niveau.id = insereNiveau.lastInsertId().toLongLong();
            ++cpt.niveauxCrees;
        }
        if (id == 0) {
            insereEleve.addBindValue(e.attribute("nom"));
            insereEleve.addBindValue(e.attribute("prenom"));
            insereEleve.addBindValue(e.attribute("date_naiss"));
            insereEleve.addBindValue(idClasse);
            insereEleve.addBindValue(niveau.id);
            if (!insereEleve.exec())
                return arreter();
            id = insereEleve.lastInsertId().toLongLong();
            ++cpt.elevesAjoutes;
        } else {
            majEleve.addBindValue(e.attribute("date_naiss"));
            majEleve.addBindValue(niveau.id);
            majEleve.addBindValue(idClasse);
            majEleve.addBindValue(id);
            if (!majEleve.exec())
                return arreter();
            if (!elevesMisAJour.contains(id))
                elevesMisAJour.append(id);
            ++cpt.elevesMisAJour;
        }
        elevesImportes.insert(id);
        for (QDomElement note = e.firstChildElement(); !note.isNull(); note = note.nextSiblingElement()) {
            dialogue.avancer();
            if (!importerNote(id, note, idPalier))
                return arreter(false); // refus déjà expliqué, sauf panne de la base
        }
    }
    for (const qint64 id : std::as_const(elevesMisAJour))
        if (!chercherNotesAbsentes(id, idPalier))
            return arreter();
    if (!notesSupprimables.isEmpty()) {
        const int choix = dialogue.notesSupprimables(notesSupprimables.size());
        if (choix == 0) {
            transaction.annuler();
            dialogue.finEcriture();
            return false;
        }
        if (choix == 2) {
            requete.prepare("DELETE FROM notes WHERE id_note=?");
            for (const qint64 id : std::as_const(notesSupprimables)) {
                requete.addBindValue(id);
                if (!requete.exec())
                    return arreter();
            }
            cpt.notesSupprimees = notesSupprimables.size();
        }
    }
    if (renommer) {
        requete.prepare("UPDATE classes SET libelle=? WHERE id_classe=?");
        requete.addBindValue(nomClasse);
        requete.addBindValue(idClasse);
        cpt.classeRenommee = requete.exec();
        if (!cpt.classeRenommee)
            return arreter();
    }
    requete.prepare("SELECT id_eleve FROM eleves WHERE id_classe=?");
    requete.addBindValue(idClasse);
    requete.exec();
    while (requete.next())
        if (!elevesImportes.contains(requete.value(0).toLongLong()))
            ++cpt.elevesIgnores;
    for (QSqlQuery* q : {&chercheComp, &chercheNote, &notesEleve, &requete})
        q->finish();
    if (!transaction.valider())
        return arreter();
    dialogue.finEcriture();
    return true;
}

bool ImportClasse::importerNote(qint64 idEleve, const QDomElement& note, qint64 palier)
{
    Q_UNUSED(palier); // la date est fusionnée quel que soit son palier dans cette base
    if (note.tagName() != QLatin1String("note"))
        return true;
    const QString ref = note.attribute("ref");
    if (ref.isEmpty()) {
        avertir(tr("Erreur"), tr("Référence non renseignée dans la liste de notes"));
        return false;
    }
    chercheComp.addBindValue(ref);
    const qint64 idComp = chercheComp.exec() && chercheComp.next() ? chercheComp.value(0).toLongLong() : 0;
    if (idComp == 0) {
        avertir(tr("Erreur"), tr("Compétence incorrecte dans la liste de notes"));
        return false;
    }
    chercheNote.addBindValue(idComp);
    chercheNote.addBindValue(idEleve);
    if (!chercheNote.exec()) {
        panneBase = true;
        return false;
    }
    if (chercheNote.next()) {
        const qint64 idNote = chercheNote.value(0).toLongLong();
        notesVues.insert(idNote);
        if (chercheNote.value(1).toString() < note.attribute("maj")) {
            majNote.addBindValue(note.attribute("date"));
            majNote.addBindValue(note.attribute("maj"));
            majNote.addBindValue(idNote);
            if (!majNote.exec()) {
                panneBase = true;
                return false;
            }
            ++cpt.notesMisesAJour;
        } else {
            ++cpt.notesIgnorees;
        }
    } else {
        insereNote.addBindValue(idEleve);
        insereNote.addBindValue(idComp);
        insereNote.addBindValue(note.attribute("date"));
        insereNote.addBindValue(note.attribute("maj"));
        if (!insereNote.exec()) {
            panneBase = true;
            return false;
        }
        notesVues.insert(insereNote.lastInsertId().toLongLong());
        ++cpt.notesAjoutees;
    }
    return true;
}

bool ImportClasse::chercherNotesAbsentes(qint64 idEleve, qint64 palier)
{
    notesEleve.addBindValue(idEleve);
    if (!notesEleve.exec())
        return false;
    while (notesEleve.next()) {
        const qint64 idNote = notesEleve.value(0).toLongLong();
        const qint64 parent = notesEleve.value(1).toLongLong();
        if (parent == 0 || !arbre.appartient(parent, palier))
            continue;
        if (!notesVues.contains(idNote) && !notesSupprimables.contains(idNote))
            notesSupprimables.append(idNote);
    }
    return true;
}

QString ImportClasse::bilan() const
{
    QString texte =
        tr("Nombre d'élèves ajoutés: %1\nNombre d'élèves mis à jour: %2\nNombre d'élèves ignorés car "
           "présents dans la base mais pas dans le fichier: %8\nNombre de dates de compétences "
           "ajoutées: %3\nNombre de dates de compétences mises à jour: %4\nNombre de dates de "
           "compétences supprimées: %7\nNombre de dates de compétences ignorées: %5\nNombre de niveaux "
           "créés: %6\n")
            .arg(cpt.elevesAjoutes)
            .arg(cpt.elevesMisAJour)
            .arg(cpt.notesAjoutees)
            .arg(cpt.notesMisesAJour)
            .arg(cpt.notesIgnorees)
            .arg(cpt.niveauxCrees)
            .arg(cpt.notesSupprimees)
            .arg(cpt.elevesIgnores);
    if (cpt.classeCreee)
        texte += tr("Classe %1 créée\n").arg(nomClasse);
    if (cpt.classeRenommee)
        texte += tr("Une classe renommée en %1\n").arg(nomClasse);
    if (cpt.nomsNettoyes > 0)
        texte += tr("Noms lus avec des caractères de contrôle (caractère nul, tabulation…), enregistrés "
                    "sans eux : %1\n")
                     .arg(cpt.nomsNettoyes);
    return texte;
}
