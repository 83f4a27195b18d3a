// SPDX-License-Identifier: GPL-3.0-or-later
// Cible : le lecteur CSV, sur des octets quelconques, avec et sans détection du séparateur
// (importation des élèves et chargement du livret).
#include "commun.h"

#include "core/db/lecteurcsv.h"

namespace {

void verifier(const LecteurCsv& lecteur)
{
    if (lecteur.nombreLignes() != lecteur.lignes().size())
        Fuzz::incoherence("nombre de lignes différent des lignes lues");
    for (const QStringList& ligne : lecteur.lignes())
        if (ligne.size() != lecteur.nombreColonnes())
            Fuzz::incoherence("ligne non complétée à la largeur de la plus large");
    if (!lecteur.ligne(lecteur.nombreLignes()).isEmpty() || !lecteur.ligne(-1).isEmpty())
        Fuzz::incoherence("ligne hors des bornes non vide");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    Fuzz::preparer(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille)
{
    const QString chemin = Fuzz::ecrireFichier(donnees, taille);

    LecteurCsv detection;
    if (detection.load(chemin, true)) {
        const QChar sep = detection.separateur();
        if (sep != QLatin1Char(';') && sep != QLatin1Char(',') && sep != QLatin1Char('\t'))
            Fuzz::incoherence("séparateur détecté hors de « ; », « , » et tabulation");
        verifier(detection);
    }

    // Sans détection, seul un fichier démesuré est refusé, et toujours pour cette raison.
    LecteurCsv livret;
    const Resultat<> lu = livret.load(chemin, false);
    if (lu)
        verifier(livret);
    else if (lu.erreur().raison != Raison::FichierTropGros && lu.erreur().raison != Raison::TropDeCases)
        Fuzz::incoherence("lecture sans détection refusée pour une autre raison");
    else if (livret.nombreLignes() != 0 || !livret.lignes().isEmpty())
        Fuzz::incoherence("lignes gardées après un refus");
    return 0;
}
