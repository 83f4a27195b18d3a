// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/exchange/fichierclasse.h"

#include "core/commun/application.h"
#include "core/db/requetes.h"
#include "core/exchange/chiffreur.h"

#include <QVariant>
#include <QXmlStreamReader>

#include <optional>

namespace FichierClasse {

namespace {
constexpr int PROFONDEUR_MAX = 32;
constexpr int LONGUEUR_MAX_VALEUR = 4096;
constexpr int ELEMENTS_MAX = 200000; // une classe en compte quelques milliers
} // namespace

ArbrePaliers::ArbrePaliers()
    : parent(QStringLiteral("SELECT id_comp_parent FROM competences WHERE id_comp=?"))
{
}

Resultat<bool> ArbrePaliers::appartient(qint64 idComp, qint64 idPalier)
{
    if (idComp == idPalier)
        return true;
    qint64 courant = idComp;
    // Le nombre de pas est borné : un arbre abîmé (boucle) ne bloque pas la recherche.
    for (int pas = 0; pas < 64; ++pas) {
        const Resultat<qint64> suivant = parentDe(courant);
        if (!suivant)
            return suivant.erreur();
        courant = *suivant;
        if (courant == 0)
            return false;
        if (courant == idPalier)
            return true;
    }
    return false;
}

Resultat<qint64> ArbrePaliers::parentDe(qint64 idComp)
{
    if (const auto connu = parents.constFind(idComp); connu != parents.cend())
        return *connu;
    const Resultat<QVariant> lu = parent.premiere({idComp});
    if (!lu)
        return lu.erreur();
    parents.insert(idComp, lu->toLongLong());
    return lu->toLongLong();
}

bool memeEcole(const QString& ecole1, const QString& ecole2)
{
    const QString a = ecole1.simplified();
    const QString b = ecole2.simplified();
    return a.isEmpty() || b.isEmpty() || a.compare(b, Qt::CaseInsensitive) == 0;
}

Resultat<QDomDocument> construire(qint64 idClasse, const QString& libelleClasse, qint64 idPalier)
{
    QDomDocument document;
    document.appendChild(document.createProcessingInstruction("xml", "version=\"1.0\" encoding=\"UTF-8\""));
    QDomElement racine = document.createElement("classe");
    document.appendChild(racine);
    racine.setAttribute("nom", libelleClasse);
    racine.setAttribute("version", Application::VERSION_FICHIER_CLASSE);
    const Resultat<QVariant> ref =
        Base::valeur(QStringLiteral("SELECT ref FROM competences WHERE id_comp=?"), {idPalier});
    if (!ref)
        return ref.erreur();
    racine.setAttribute("ref_palier", ref->toString());
    const Resultat<Ecole> ecole = Requetes::ecole();
    if (!ecole)
        return ecole.erreur();
    if (!ecole->ecole.isEmpty())
        racine.setAttribute(ATTRIBUT_ECOLE, ecole->ecole);

    Chiffreur chiffreur(CLE_FICHIER_CLASSE);
    ArbrePaliers arbre;
    const auto eleves = Base::lignes(
        QStringLiteral("SELECT id_eleve,nom,prenom,date_naiss,maj,niveaux.libelle FROM eleves, niveaux WHERE "
                       "eleves.id_classe=? AND eleves.id_niveau=niveaux.id_niveau ORDER BY eleves.nom ASC, "
                       "eleves.prenom ASC"),
        {idClasse});
    if (!eleves)
        return eleves.erreur();
    Base::Requete notes(QStringLiteral(
        "SELECT notes.id_comp, competences.ref,notes.date,notes.maj FROM notes,competences WHERE "
        "notes.id_eleve=? and notes.id_comp=competences.id_comp"));
    for (const Base::Ligne& ligne : *eleves) {
        QDomElement eleve = document.createElement("eleve");
        eleve.setAttribute("nom", chiffreur.chiffrerTexte(ligne.at(1).toString()));
        eleve.setAttribute("prenom", chiffreur.chiffrerTexte(ligne.at(2).toString()));
        eleve.setAttribute("date_naiss", chiffreur.chiffrerTexte(ligne.at(3).toString()));
        eleve.setAttribute("maj", ligne.at(4).toString());
        eleve.setAttribute("niveau", ligne.at(5).toString());
        racine.appendChild(eleve);
        const auto lues = notes.lignes({ligne.at(0)});
        if (!lues)
            return lues.erreur();
        for (const Base::Ligne& lue : *lues) {
            const qint64 idComp = lue.at(0).toLongLong();
            if (idComp == 0)
                continue;
            const Resultat<bool> duPalier = arbre.appartient(idComp, idPalier);
            if (!duPalier)
                return duPalier.erreur();
            if (!*duPalier)
                continue;
            QDomElement note = document.createElement("note");
            note.setAttribute("ref", lue.at(1).toString());
            note.setAttribute("date", lue.at(2).toString());
            note.setAttribute("maj", lue.at(3).toString());
            eleve.appendChild(note);
        }
    }
    racine.setAttribute("checksum", calculerChecksum(document));
    return document;
}

QByteArray texte(const QDomDocument& document)
{
    return document.toByteArray(1);
}

Resultat<> ecrire(const QString& chemin, const QDomDocument& document)
{
    return FichierSur::ecrire(chemin, texte(document), EcritureSure::Droits::Usuels);
}

Resultat<> analyser(const QByteArray& octets, QDomDocument& document)
{
    if (octets.size() > TAILLE_MAX_FICHIER)
        return Erreur(Raison::FichierTropGros).enLigne(1, 1).avec(TAILLE_MAX_FICHIER / (1024 * 1024));
    QXmlStreamReader lecteur(octets);
    int profondeur = 0;
    int elements = 0;
    // Ce que le premier passage refuse de lui-même ; le lecteur s'arrête alors sur une erreur.
    std::optional<Raison> refus;
    const auto refuser = [&](Raison raison) {
        refus = raison;
        lecteur.raiseError();
    };
    while (!lecteur.atEnd()) {
        const auto jeton = lecteur.readNext();
        if (jeton == QXmlStreamReader::DTD || jeton == QXmlStreamReader::EntityReference) {
            refuser(Raison::DeclarationDeType);
        } else if (jeton == QXmlStreamReader::StartElement) {
            if (++profondeur > PROFONDEUR_MAX)
                refuser(Raison::ImbricationProfonde);
            else if (++elements > ELEMENTS_MAX)
                refuser(Raison::TropDElements);
            for (const QXmlStreamAttribute& a : lecteur.attributes())
                if (a.value().size() > LONGUEUR_MAX_VALEUR)
                    refuser(Raison::ValeurTropLongue);
        } else if (jeton == QXmlStreamReader::EndElement) {
            --profondeur;
        } else if (jeton == QXmlStreamReader::Characters && lecteur.text().size() > LONGUEUR_MAX_VALEUR) {
            refuser(Raison::TexteTropLong);
        }
        if (lecteur.hasError())
            break;
    }
    if (lecteur.hasError())
        return Erreur(refus.value_or(Raison::AnalyseXml), refus ? QString() : lecteur.errorString())
            .enLigne(lecteur.lineNumber(), lecteur.columnNumber());
    QString message;
    int ligne = 0, colonne = 0;
    if (!document.setContent(octets, false, &message, &ligne, &colonne))
        return Erreur(Raison::AnalyseXml, message).enLigne(ligne, colonne);
    return {};
}

} // namespace FichierClasse
