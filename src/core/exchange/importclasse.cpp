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

// Pendant l'écriture, une lecture refusée l'est par la base au même titre qu'une écriture :
// tout est annulé de la même façon.
Erreur refusEcriture(const Erreur& erreur)
{
    if (erreur.raison != Raison::LectureImpossible)
        return erreur;
    Erreur refus = erreur;
    refus.raison = Raison::EcritureRefusee;
    return refus;
}
} // namespace

ImportClasse::ImportClasse(InterlocuteurImport& interlocuteur) : dialogue(interlocuteur) {}

int ImportClasse::indexNiveau(const QString& libelle) const
{
    for (int i = 0; i < niveaux.size(); ++i)
        if (niveaux.at(i).libelle.compare(libelle, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

Resultat<ImportClasse::Compteurs> ImportClasse::importer(const QString& chemin)
{
    if (Resultat<> r = lire(chemin); !r)
        return r.erreur();
    if (Resultat<> r = controler(); !r)
        return r.erreur();
    if (Resultat<> r = premierePasse(); !r)
        return r.erreur();
    if (Resultat<> r = deuxiemePasse(); !r)
        return r.erreur();
    if (Resultat<> r = ecrire(); !r)
        return r.erreur();
    if (const Resultat<> copie = ecrireCopieDeTravail(); !copie)
        cpt.copieNonEcrite = copie.erreur().texte.isEmpty() ? QStringLiteral("?") : copie.erreur().texte;
    return cpt;
}

Resultat<> ImportClasse::ecrireCopieDeTravail() const
{
    // Copie du document de travail, noms et dates de naissance en clair compris : dans le dossier
    // des données, jamais dans le dossier courant (souvent le bureau, ou le dossier du programme,
    // partagés sur les postes d'école). Lisible par l'utilisateur seul ; elle remplace la
    // précédente d'un coup (un lien posé à sa place est remplacé, pas suivi).
    const QString chemin =
        Application::dossierDonnees() + QLatin1Char('/') + Application::FICHIER_COPIE_IMPORT;
    return FichierSur::ecrire(chemin, document.toByteArray(1), EcritureSure::Droits::Prives);
}

Resultat<> ImportClasse::analyserOctets(const QByteArray& octets, QDomDocument& document)
{
    return FichierClasse::analyser(octets, document);
}

Resultat<> ImportClasse::lire(const QString& chemin)
{
    QFile fichier(chemin);
    if (!fichier.open(QIODevice::ReadOnly | QIODevice::Text))
        return Erreur(Raison::FichierIllisible, fichier.errorString()).sur(chemin);
    return analyserOctets(fichier.read(FichierClasse::TAILLE_MAX_FICHIER + 1), document);
}

Resultat<> ImportClasse::controlerRacine(const QDomDocument& document)
{
    const QDomElement racine = document.documentElement();
    if (racine.tagName() != QLatin1String("classe"))
        return Erreur(Raison::FormatInconnu);
    const QString version = racine.attribute("version");
    if (version != QLatin1String("2") && version != QLatin1String("3"))
        return Erreur(Raison::VersionInconnue).sur(version);
    const QString somme = racine.attribute("checksum");
    if (somme.isEmpty())
        return Erreur(Raison::SommeAbsente);
    if (somme != calculerChecksum(document))
        return Erreur(Raison::SommeIncorrecte);
    return {};
}

Resultat<> ImportClasse::preparerEleve(Chiffreur& chiffreur, QDomElement& e, bool chiffre, bool* nettoye)
{
    if (chiffre) {
        for (const char* nom : {"nom", "prenom", "date_naiss"}) {
            const QString clair = chiffreur.dechiffrerTexte(e.attribute(nom));
            if (clair.isEmpty())
                return Erreur(Raison::DechiffrementImpossible);
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
            return Erreur(Raison::AttributsManquants);
    return {};
}

Resultat<> ImportClasse::controler()
{
    racine = document.documentElement();
    if (Resultat<> r = controlerRacine(document); !r)
        return r;
    // Un fichier d'une autre école ne se fusionne pas sans l'accord de l'utilisateur.
    const QString ecoleFichier = racine.attribute(FichierClasse::ATTRIBUT_ECOLE);
    const Resultat<Ecole> ecoleBase = Requetes::ecole();
    if (!ecoleBase)
        return ecoleBase.erreur();
    if (!FichierClasse::memeEcole(ecoleFichier, ecoleBase->ecole) &&
        !dialogue.accepterAutreEcole(ecoleFichier, ecoleBase->ecole))
        return Erreur(Raison::Abandon);
    const QString refPalier = racine.attribute("ref_palier");
    if (refPalier.isEmpty())
        return Erreur(Raison::PalierAbsent);
    const Resultat<QVariant> palier = chercheComp.premiere({refPalier});
    if (!palier)
        return palier.erreur();
    if (palier->isNull())
        return Erreur(Raison::PalierInconnu).sur(refPalier);
    idPalier = palier->toLongLong();
    bool classeNettoyee = false;
    nomClasse = TextesImportes::nettoyer(racine.attribute("nom"), &classeNettoyee);
    if (classeNettoyee)
        ++cpt.nomsNettoyes;
    cpt.classe = nomClasse;
    if (nomClasse.isEmpty())
        return Erreur(Raison::ClasseAbsenteDuFichier);
    // Le nom est comparé tel quel, aux majuscules ASCII près : « % » ou « _ » n'y sont que des
    // caractères.
    const Resultat<QVariant> classe = Base::valeur(
        QStringLiteral("SELECT id_classe FROM classes WHERE libelle = ? COLLATE NOCASE ORDER BY id_classe"),
        {nomClasse});
    if (!classe)
        return classe.erreur();
    idClasse = classe->toLongLong();
    if (idClasse == 0) {
        const Resultat<QVariant> classes = Base::valeur(QStringLiteral("SELECT COUNT(*) FROM classes"));
        if (!classes)
            return classes.erreur();
        if (classes->toInt() > 0 && !dialogue.choisirClasse(nomClasse, idClasse, renommer))
            return Erreur(Raison::Abandon);
    }
    const auto lus = Requetes::niveaux();
    if (!lus)
        return lus.erreur();
    for (const Entree& niveau : *lus)
        niveaux.append({niveau.libelle, niveau.id});
    if (niveaux.isEmpty())
        return Erreur(Raison::AucunNiveau);
    for (QDomElement e = racine.firstChildElement("eleve"); !e.isNull(); e = e.nextSiblingElement("eleve"))
        eleves.append(e);
    return {};
}

Resultat<> ImportClasse::premierePasse()
{
    const bool chiffre = racine.attribute("version") == QLatin1String("3");
    Chiffreur chiffreur(CLE_FICHIER_CLASSE);
    // Comparaison exacte ; le nom et le prénom sont rangés sans égard à la casse (ASCII).
    Base::Requete homonymes(QStringLiteral(
        "SELECT id_eleve, date_naiss,maj FROM eleves WHERE nom = ? AND prenom = ? ORDER BY id_eleve"));
    for (int i = 0; i < eleves.size(); ++i) {
        QDomElement& e = eleves[i];
        bool nettoye = false;
        if (Resultat<> r = preparerEleve(chiffreur, e, chiffre, &nettoye); !r)
            return r;
        if (nettoye)
            ++cpt.nomsNettoyes;
        const auto trouves = homonymes.lignes({e.attribute("nom"), e.attribute("prenom")});
        if (!trouves)
            return trouves.erreur();
        QList<ConflitDate> siens;
        for (const Base::Ligne& homonyme : *trouves) {
            const qint64 id = homonyme.at(0).toLongLong();
            const QString date = homonyme.at(1).toString();
            if (date == e.attribute("date_naiss")) {
                e.setAttribute(ID_ELEVE, QString::number(id));
            } else {
                ConflitDate c;
                c.idEleve = id;
                c.nom = e.attribute("nom");
                c.prenom = e.attribute("prenom");
                c.dateBase = date;
                c.dateFichier = e.attribute("date_naiss");
                c.action = e.attribute("maj") < homonyme.at(2).toString() ? 1 : 0;
                c.element = i;
                siens.append(c);
            }
        }
        // Un homonyme de même date suffit : les autres homonymes ne font pas conflit.
        if (trouves->isEmpty())
            e.setAttribute(ID_ELEVE, QStringLiteral("0"));
        else if (!e.hasAttribute(ID_ELEVE))
            conflits.append(siens);
    }
    if (conflits.isEmpty())
        return {};
    // Montrés dans l'ordre alphabétique français ; chaque conflit garde l'élève qui l'a produit.
    OrdreAlphabetique::trier(conflits, &ConflitDate::nom, &ConflitDate::prenom);
    if (!dialogue.resoudreDates(conflits))
        return Erreur(Raison::Abandon);
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
    return {};
}

Resultat<> ImportClasse::deuxiemePasse()
{
    Base::Requete actuel(
        QStringLiteral("SELECT niveaux.id_niveau,niveaux.libelle, eleves.maj FROM eleves,niveaux WHERE "
                       "eleves.id_eleve=? AND eleves.id_niveau=niveaux.id_niveau"));
    for (int i = 0; i < eleves.size(); ++i) {
        QDomElement& e = eleves[i];
        const qint64 id = idDe(e);
        if (id < 0)
            continue;
        int index = indexNiveau(e.attribute("niveau"));
        if (index < 0) {
            niveaux.append({e.attribute("niveau"), 0});
            index = int(niveaux.size()) - 1;
        }
        qint64 idActuel = 0;
        QString libelleActuel, majBase;
        if (id > 0) {
            const auto lu = actuel.lignes({id});
            if (!lu)
                return lu.erreur();
            if (!lu->isEmpty()) {
                idActuel = lu->first().at(0).toLongLong();
                libelleActuel = lu->first().at(1).toString();
                majBase = lu->first().at(2).toString();
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
        return {};
    OrdreAlphabetique::trier(changements, &ChangementNiveau::nom, &ChangementNiveau::prenom);
    if (!dialogue.resoudreNiveaux(changements))
        return Erreur(Raison::Abandon);
    for (const ChangementNiveau& c : std::as_const(changements)) {
        QDomElement& e = eleves[c.element];
        if (c.action == 0)
            e.setAttribute(INDEX_NIVEAU, QString::number(indexNiveau(c.niveauActuel)));
        else if (c.action == 1)
            e.setAttribute(INDEX_NIVEAU, QString::number(indexNiveau(c.niveauPropose)));
        else
            e.setAttribute(ID_ELEVE, QStringLiteral("-1"));
    }
    return {};
}

Resultat<> ImportClasse::ecrire()
{
    Transaction transaction;
    dialogue.debutEcriture();
    // La première instruction refusée par la base arrête tout, transaction annulée : après une
    // erreur du disque, SQLite a pu l'annuler de lui-même, et les instructions suivantes
    // seraient validées une à une. La validation elle-même peut échouer aussi.
    const auto arreter = [this, &transaction](const Erreur& erreur) -> Resultat<> {
        transaction.annuler();
        dialogue.finEcriture();
        return refusEcriture(erreur);
    };
    if (Resultat<> r = transaction.ouverture(); !r)
        return arreter(r.erreur());
    if (idClasse == 0) {
        const Resultat<qint64> creee = Requetes::creerClasse(nomClasse);
        if (!creee)
            return arreter(Erreur(Raison::ClasseNonCreee, creee.erreur().texte).sur(nomClasse));
        idClasse = *creee;
        cpt.classeCreee = true;
    }
    Base::Requete insereEleve(
        QStringLiteral("INSERT INTO eleves(nom,prenom,date_naiss,id_classe,id_niveau) VALUES(?,?,?,?,?)"));
    Base::Requete majEleve(
        QStringLiteral("UPDATE eleves SET date_naiss=?, id_niveau=?, id_classe=? WHERE id_eleve=?"));
    Base::Requete eleveActuel(
        QStringLiteral("SELECT date_naiss, id_niveau, id_classe FROM eleves WHERE id_eleve=?"));
    for (QDomElement& e : eleves) {
        qint64 id = idDe(e);
        if (id < 0)
            continue;
        const int index = e.attribute(INDEX_NIVEAU).toInt();
        if (index < 0 || index >= niveaux.size())
            continue;
        Niveau& niveau = niveaux[index];
        if (niveau.id == 0) {
            const Resultat<qint64> cree = Requetes::creerNiveau(niveau.libelle);
            if (!cree)
                return arreter(cree.erreur());
            niveau.id = *cree;
            ++cpt.niveauxCrees;
        }
        if (id == 0) {
            if (Resultat<> r = insereEleve.executer({e.attribute("nom"), e.attribute("prenom"),
                                                     e.attribute("date_naiss"), idClasse, niveau.id});
                !r)
                return arreter(r.erreur());
            id = insereEleve.cleInseree();
            ++cpt.elevesAjoutes;
        } else {
            // Un élève n'est réécrit, et compté comme mis à jour, que quand il change.
            const auto actuel = eleveActuel.lignes({id});
            if (!actuel)
                return arreter(actuel.erreur());
            const bool change = actuel->isEmpty() ||
                                actuel->first().at(0).toString() != e.attribute("date_naiss") ||
                                actuel->first().at(1).toLongLong() != niveau.id ||
                                actuel->first().at(2).toLongLong() != idClasse;
            if (change) {
                if (Resultat<> r = majEleve.executer({e.attribute("date_naiss"), niveau.id, idClasse, id});
                    !r)
                    return arreter(r.erreur());
                ++cpt.elevesMisAJour;
            } else {
                ++cpt.elevesInchanges;
            }
            if (!elevesRetrouves.contains(id))
                elevesRetrouves.append(id);
        }
        elevesImportes.insert(id);
        for (QDomElement note = e.firstChildElement(); !note.isNull(); note = note.nextSiblingElement()) {
            dialogue.avancer();
            if (Resultat<> r = importerNote(id, note, idPalier); !r)
                return arreter(r.erreur());
        }
    }
    for (const qint64 id : std::as_const(elevesRetrouves))
        if (Resultat<> r = chercherNotesAbsentes(id, idPalier); !r)
            return arreter(r.erreur());
    if (!notesSupprimables.isEmpty()) {
        const int choix = dialogue.notesSupprimables(int(notesSupprimables.size()));
        if (choix == 0)
            return arreter(Erreur(Raison::Abandon));
        if (choix == 2) {
            Base::Requete suppression(QStringLiteral("DELETE FROM notes WHERE id_note=?"));
            for (const qint64 id : std::as_const(notesSupprimables))
                if (Resultat<> r = suppression.executer({id}); !r)
                    return arreter(r.erreur());
            cpt.notesSupprimees = int(notesSupprimables.size());
        }
    }
    if (renommer) {
        if (Resultat<> r = Base::executer(QStringLiteral("UPDATE classes SET libelle=? WHERE id_classe=?"),
                                          {nomClasse, idClasse});
            !r)
            return arreter(r.erreur());
        cpt.classeRenommee = true;
    }
    const auto classe =
        Base::lignes(QStringLiteral("SELECT id_eleve FROM eleves WHERE id_classe=?"), {idClasse});
    if (!classe)
        return arreter(classe.erreur());
    for (const Base::Ligne& eleve : *classe)
        if (!elevesImportes.contains(eleve.at(0).toLongLong()))
            ++cpt.elevesIgnores;
    for (Base::Requete* q : {&chercheComp, &chercheNote, &notesEleve})
        q->liberer();
    if (Resultat<> r = transaction.valider(); !r)
        return arreter(r.erreur());
    dialogue.finEcriture();
    return {};
}

Resultat<> ImportClasse::importerNote(qint64 idEleve, const QDomElement& note, qint64 palier)
{
    Q_UNUSED(palier); // la date est fusionnée quel que soit son palier dans cette base
    if (note.tagName() != QLatin1String("note"))
        return {};
    const QString ref = note.attribute("ref");
    if (ref.isEmpty())
        return Erreur(Raison::ReferenceAbsente);
    const Resultat<QVariant> comp = chercheComp.premiere({ref});
    if (!comp)
        return comp.erreur();
    const qint64 idComp = comp->toLongLong();
    if (idComp == 0)
        return Erreur(Raison::CompetenceInconnue).sur(ref);
    const auto existante = chercheNote.lignes({idComp, idEleve});
    if (!existante)
        return existante.erreur();
    if (!existante->isEmpty()) {
        const qint64 idNote = existante->first().at(0).toLongLong();
        notesVues.insert(idNote);
        // La même date n'est pas réécrite : l'instant de sa saisie dans cette base reste le sien.
        if (existante->first().at(2).toString() == note.attribute("date")) {
            ++cpt.notesInchangees;
        } else if (existante->first().at(1).toString() < note.attribute("maj")) {
            if (Resultat<> r = majNote.executer({note.attribute("date"), note.attribute("maj"), idNote}); !r)
                return r;
            ++cpt.notesMisesAJour;
        } else {
            ++cpt.notesIgnorees;
        }
    } else {
        if (Resultat<> r =
                insereNote.executer({idEleve, idComp, note.attribute("date"), note.attribute("maj")});
            !r)
            return r;
        notesVues.insert(insereNote.cleInseree());
        ++cpt.notesAjoutees;
    }
    return {};
}

Resultat<> ImportClasse::chercherNotesAbsentes(qint64 idEleve, qint64 palier)
{
    const auto notes = notesEleve.lignes({idEleve});
    if (!notes)
        return notes.erreur();
    for (const Base::Ligne& note : *notes) {
        const qint64 idNote = note.at(0).toLongLong();
        const qint64 parent = note.at(1).toLongLong();
        if (parent == 0)
            continue;
        const Resultat<bool> duPalier = arbre.appartient(parent, palier);
        if (!duPalier)
            return duPalier.erreur();
        if (*duPalier && !notesVues.contains(idNote) && !notesSupprimables.contains(idNote))
            notesSupprimables.append(idNote);
    }
    return {};
}
