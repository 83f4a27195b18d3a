// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/print/tirage.h"

#include "core/db/requetes.h"
#include "core/print/composition.h"

#include <QPainter>

#include <algorithm>

namespace Tirage {

namespace {

// La feuille d'une face du livret d'un élève, dont le livret compte `nombre` pages.
Feuille feuilleDe(const FaceImprimee& face, int nombre, bool brochure)
{
    if (!brochure)
        return {{Place::Entiere, face.pageA, face.pupilId, face.numberA, nombre}};
    return {{Place::Gauche, face.pageA, face.pupilId, face.numberA, nombre},
            {Place::Droite, face.pageB, face.pupilId, face.numberB, nombre}};
}

// Les feuilles des faces choisies d'un élève (toutes, ses rectos ou ses versos).
using Partie = QList<FaceImprimee> (*)(const QList<FaceImprimee>&);
QList<Feuille> feuilles(const QList<FaceImprimee>& faces, Partie partie, bool brochure)
{
    QList<Feuille> resultat;
    const int nombre = Pages::nombrePages(faces, brochure);
    for (const FaceImprimee& face : partie ? partie(faces) : faces)
        resultat.append(feuilleDe(face, nombre, brochure));
    return resultat;
}

// L'élève d'une liste de faces (les faces de remplissage n'en ont pas).
qint64 eleveDe(const QList<FaceImprimee>& faces)
{
    for (const FaceImprimee& face : faces)
        if (face.pupilId != 0)
            return face.pupilId;
    return 0;
}

Etape envoi(const Travail& travail)
{
    Etape etape;
    etape.travail = travail;
    return etape;
}

Etape pause(int mode)
{
    Etape etape;
    etape.sorte = Etape::Pause;
    etape.pause = mode;
    return etape;
}

} // namespace

QList<Travail> Plan::travaux() const
{
    QList<Travail> resultat;
    for (const Etape& etape : etapes)
        if (etape.sorte == Etape::Envoi)
            resultat.append(etape.travail);
    return resultat;
}

Plan planAttestations(qint64 palierId, const QList<qint64>& eleves, bool paysage)
{
    Travail travail;
    travail.contenu = Contenu::Attestations;
    travail.paysage = paysage;
    for (int k = 0; k < eleves.size(); ++k) {
        const Vue vue{!paysage                 ? Place::Entiere
                      : Pages::moitieDroite(k) ? Place::Droite
                                               : Place::Gauche,
                      -palierId, eleves.at(k), 0, 0};
        if (travail.feuilles.isEmpty() || Pages::nouvelleFeuille(k, paysage))
            travail.feuilles.append(Feuille{});
        travail.feuilles.last().append(vue);
    }
    Plan plan;
    plan.rectoVerso = RectoVerso::Aucun;
    plan.etapes.append(envoi(travail));
    return plan;
}

Plan planCompetences(const ListeTirage& liste, const OptionsImpression& options, bool imprimanteRectoVerso)
{
    const bool brochure = options.brochure;
    Plan plan;
    if (options.duplex == 0) {
        // Brochure sur une imprimante recto-verso : les feuilles A4 paysage se retournent sur le
        // bord court.
        plan.rectoVerso = brochure && imprimanteRectoVerso ? RectoVerso::BordCourt : RectoVerso::CommeChoisi;
        Travail travail;
        travail.paysage = brochure;
        for (const QList<FaceImprimee>& faces : liste)
            travail.feuilles.append(feuilles(faces, nullptr, brochure));
        plan.etapes.append(envoi(travail));
        return plan;
    }

    // Recto/verso manuel : l'imprimante n'imprime qu'une face à chaque passe.
    plan.rectoVerso = RectoVerso::Aucun;
    const int modePause = options.duplex == 1 ? 0 : 1;
    if (!options.oneByOne) {
        Travail rectos;
        rectos.contenu = Contenu::Rectos;
        rectos.paysage = brochure;
        QList<qint64> faits;
        for (const QList<FaceImprimee>& faces : liste)
            if (faces.size() >= 2) {
                rectos.feuilles.append(feuilles(faces, &Pages::recto, brochure));
                faits.append(eleveDe(faces));
            }
        Travail versos;
        versos.contenu = Contenu::Versos;
        versos.paysage = brochure;
        versos.premier = false;
        versos.rectosFaits = faits;
        ListeTirage ordre = liste;
        if (options.duplex == 2)
            std::reverse(ordre.begin(), ordre.end());
        for (const QList<FaceImprimee>& faces : std::as_const(ordre))
            versos.feuilles.append(feuilles(faces, &Pages::verso, brochure));
        plan.etapes << envoi(rectos) << pause(modePause) << envoi(versos);
        return plan;
    }

    // Élève par élève : deux travaux par élève (ses rectos, puis ses versos), et deux pauses.
    QList<qint64> complets;
    for (const QList<FaceImprimee>& faces : liste) {
        const qint64 eleve = eleveDe(faces);
        Travail rectos;
        rectos.contenu = Contenu::Rectos;
        rectos.eleve = eleve;
        rectos.paysage = brochure;
        rectos.premier = complets.isEmpty();
        rectos.complets = complets;
        rectos.feuilles = feuilles(faces, &Pages::recto, brochure);
        Travail versos = rectos;
        versos.contenu = Contenu::Versos;
        versos.premier = false;
        versos.rectosFaits = {eleve};
        versos.feuilles = feuilles(faces, &Pages::verso, brochure);
        plan.etapes << envoi(rectos) << pause(modePause) << envoi(versos) << pause(2);
        complets.append(eleve);
    }
    return plan;
}

Resultat<ListeTirage> construireToutesPages(qint64 palierId, const QList<qint64>& selection,
                                            const OptionsImpression& options, bool rectoVerso)
{
    ListeTirage liste;
    for (const qint64 eleve : selection) {
        const Resultat<QList<FaceImprimee>> faces =
            Pages::construirePages(palierId, eleve, options, rectoVerso);
        if (!faces)
            return faces.erreur();
        if (!faces->isEmpty())
            liste << *faces;
    }
    return liste;
}

QRect preparerPeintre(QPainter& peintre)
{
    const QRect vue = peintre.viewport();
    peintre.setWindow(0, 0, Composition::LARGEUR_PAGE, Composition::HAUTEUR_PAGE);
    return vue;
}

QRect moitieGauche(const QRect& vue)
{
    return QRect(vue.left(), vue.top(), vue.width() / 2, vue.height());
}

QRect moitieDroite(const QRect& vue)
{
    return QRect(vue.width() / 2, vue.top(), vue.width() / 2, vue.height());
}

Resultat<> dessinerFeuille(QPainter& peintre, const QRect& vue, const Feuille& feuille, const QString& ecole,
                           const OptionsImpression& options)
{
    for (const Vue& page : feuille) {
        peintre.setViewport(page.place == Place::Gauche   ? moitieGauche(vue)
                            : page.place == Place::Droite ? moitieDroite(vue)
                                                          : vue);
        const Resultat<> dessinee =
            page.page < 0
                ? dessinerAttestation(peintre, -page.page, page.eleve, ecole, page.numero, page.nombre,
                                      options)
                : dessinerCompetence(peintre, page.page, page.eleve, page.numero, page.nombre, options);
        if (!dessinee) {
            peintre.setViewport(vue);
            return dessinee;
        }
    }
    peintre.setViewport(vue);
    return {};
}

} // namespace Tirage
