// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/exchange/fichierclasse.h"

#include "core/commun/application.h"
#include "core/db/requetes.h"
#include "core/exchange/chiffreur.h"

#include <QSqlQuery>
#include <QVariant>
#include <QXmlStreamReader>

namespace FichierClasse {

namespace {
constexpr int PROFONDEUR_MAX = 32;
constexpr int LONGUEUR_MAX_VALEUR = 4096;
constexpr int ELEMENTS_MAX = 200000; // une classe en compte quelques milliers

class Traduction
{
    Q_DECLARE_TR_FUNCTIONS(FichierClasse)
};
} // namespace

ArbrePaliers::ArbrePaliers()
{
    parent.prepare("SELECT id_comp_parent FROM competences WHERE id_comp=?");
}

bool ArbrePaliers::appartient(qint64 idComp, qint64 idPalier)
{
    if (idComp == idPalier)
        return true;
    qint64 courant = idComp;
    // Le nombre de pas est borné : un arbre abîmé (boucle) ne bloque pas la recherche.
    for (int pas = 0; pas < 64; ++pas) {
        parent.addBindValue(courant);
        if (!parent.exec() || !parent.next())
            return false;
        courant = parent.value(0).toLongLong();
        if (courant == 0)
            return false;
        if (courant == idPalier)
            return true;
    }
    return false;
}

bool memeEcole(const QString& ecole1, const QString& ecole2)
{
    const QString a = ecole1.simplified();
    const QString b = ecole2.simplified();
    return a.isEmpty() || b.isEmpty() || a.compare(b, Qt::CaseInsensitive) == 0;
}

QDomDocument construire(qint64 idClasse, const QString& libelleClasse, qint64 idPalier)
{
    QDomDocument document;
    document.appendChild(document.createProcessingInstruction("xml", "version=\"1.0\" encoding=\"UTF-8\""));
    QDomElement racine = document.createElement("classe");
    document.appendChild(racine);
    racine.setAttribute("nom", libelleClasse);
    racine.setAttribute("version", Application::VERSION_FICHIER_CLASSE);
    QSqlQuery ref;
    ref.prepare("SELECT ref FROM competences WHERE id_comp=?");
    ref.addBindValue(idPalier);
    racine.setAttribute("ref_palier", ref.exec() && ref.next() ? ref.value(0).toString() : QString());
    if (const QString ecole = Requetes::ecole(); !ecole.isEmpty())
        racine.setAttribute(ATTRIBUT_ECOLE, ecole);

    Chiffreur chiffreur(CLE_FICHIER_CLASSE);
    ArbrePaliers arbre;
    QSqlQuery eleves;
    eleves.prepare("SELECT id_eleve,nom,prenom,date_naiss,maj,niveaux.libelle FROM eleves, niveaux WHERE "
                   "eleves.id_classe=? AND eleves.id_niveau=niveaux.id_niveau ORDER BY eleves.nom ASC, "
                   "eleves.prenom ASC");
    eleves.addBindValue(idClasse);
    QSqlQuery notes;
    notes.prepare("SELECT notes.id_comp, competences.ref,notes.date,notes.maj FROM notes,competences WHERE "
                  "notes.id_eleve=? and notes.id_comp=competences.id_comp");
    if (eleves.exec()) {
        while (eleves.next()) {
            QDomElement eleve = document.createElement("eleve");
            eleve.setAttribute("nom", chiffreur.chiffrerTexte(eleves.value(1).toString()));
            eleve.setAttribute("prenom", chiffreur.chiffrerTexte(eleves.value(2).toString()));
            eleve.setAttribute("date_naiss", chiffreur.chiffrerTexte(eleves.value(3).toString()));
            eleve.setAttribute("maj", eleves.value(4).toString());
            eleve.setAttribute("niveau", eleves.value(5).toString());
            racine.appendChild(eleve);
            notes.addBindValue(eleves.value(0));
            if (!notes.exec())
                continue;
            while (notes.next()) {
                const qint64 idComp = notes.value(0).toLongLong();
                if (idComp == 0 || !arbre.appartient(idComp, idPalier))
                    continue;
                QDomElement note = document.createElement("note");
                note.setAttribute("ref", notes.value(1).toString());
                note.setAttribute("date", notes.value(2).toString());
                note.setAttribute("maj", notes.value(3).toString());
                eleve.appendChild(note);
            }
        }
    }
    racine.setAttribute("checksum", calculerChecksum(document));
    return document;
}

QByteArray texte(const QDomDocument& document)
{
    return document.toByteArray(1);
}

FichierSur::Issue ecrire(const QString& chemin, const QDomDocument& document)
{
    return FichierSur::ecrire(chemin, texte(document), EcritureSure::Droits::Usuels);
}

ErreurAnalyse analyser(const QByteArray& octets, QDomDocument& document)
{
    ErreurAnalyse erreur;
    QXmlStreamReader lecteur(octets);
    int profondeur = 0;
    int elements = 0;
    while (!lecteur.atEnd()) {
        const auto jeton = lecteur.readNext();
        if (jeton == QXmlStreamReader::DTD || jeton == QXmlStreamReader::EntityReference) {
            lecteur.raiseError(Traduction::tr("déclaration de type non admise"));
        } else if (jeton == QXmlStreamReader::StartElement) {
            if (++profondeur > PROFONDEUR_MAX)
                lecteur.raiseError(Traduction::tr("imbrication trop profonde"));
            else if (++elements > ELEMENTS_MAX)
                lecteur.raiseError(Traduction::tr("trop d'éléments"));
            for (const QXmlStreamAttribute& a : lecteur.attributes())
                if (a.value().size() > LONGUEUR_MAX_VALEUR)
                    lecteur.raiseError(Traduction::tr("valeur d'attribut trop longue"));
        } else if (jeton == QXmlStreamReader::EndElement) {
            --profondeur;
        } else if (jeton == QXmlStreamReader::Characters && lecteur.text().size() > LONGUEUR_MAX_VALEUR) {
            lecteur.raiseError(Traduction::tr("texte trop long"));
        }
        if (lecteur.hasError())
            break;
    }
    if (lecteur.hasError()) {
        erreur.echec = true;
        erreur.ligne = lecteur.lineNumber();
        erreur.colonne = lecteur.columnNumber();
        erreur.message = lecteur.errorString();
        return erreur;
    }
    QString message;
    int ligne = 0, colonne = 0;
    if (!document.setContent(octets, false, &message, &ligne, &colonne)) {
        erreur.echec = true;
        erreur.ligne = ligne;
        erreur.colonne = colonne;
        erreur.message = message;
    }
    return erreur;
}

} // namespace FichierClasse
