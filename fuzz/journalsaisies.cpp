// SPDX-License-Identifier: GPL-3.0-or-later
// Cible : la lecture du journal des saisies pas encore enregistrées, fichier entier (en-tête et
// empreinte) puis sa partie JSON seule, que le fuzzer atteint ainsi sans calculer d'empreinte.
// Ce qui est accepté doit se réécrire et se relire à l'identique, avec des clés positives.
#include "commun.h"

#include "core/entry/journalsaisies.h"

#include <QByteArray>

namespace {

void controler(const Resultat<QList<JournalSaisies::Grille>>& grilles)
{
    if (!grilles)
        return;
    for (const JournalSaisies::Grille& grille : *grilles) {
        if (grille.idClasse <= 0 || grille.idPalier <= 0 || grille.idCompetence < 0)
            Fuzz::incoherence("grille acceptée avec une clé nulle ou négative");
        for (const JournalSaisies::Case& c : grille.cases)
            if (c.idEleve <= 0 || c.idNoeud <= 0)
                Fuzz::incoherence("case acceptée avec une clé nulle ou négative");
    }
    const auto relues = JournalSaisies::lire(JournalSaisies::ecrire(*grilles));
    if (!relues || *relues != *grilles)
        Fuzz::incoherence("journal accepté qui ne se relit pas à l'identique");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    Fuzz::preparer(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille)
{
    const QByteArray octets(reinterpret_cast<const char*>(donnees), qsizetype(taille));
    controler(JournalSaisies::lire(octets));
    controler(JournalSaisies::lireCorps(octets));
    return 0;
}
