// SPDX-License-Identifier: GPL-3.0-or-later
// Cible : la lecture d'un fichier de classe jusqu'à la fusion, c'est-à-dire tout ce que
// l'importation fait des octets du fichier avant de toucher à la base : analyse XML,
// contrôles de la racine (format, version, somme de contrôle) et déchiffrement des élèves.
#include "commun.h"

#include "core/exchange/chiffreur.h"
#include "core/exchange/importclasse.h"

#include <QDomDocument>
#include <QDomElement>

namespace {

void preparerEleves(QDomElement racine)
{
    const bool chiffre = racine.attribute("version") == QLatin1String("3");
    Chiffreur chiffreur(CLE_FICHIER_CLASSE);
    for (QDomElement e = racine.firstChildElement("eleve"); !e.isNull(); e = e.nextSiblingElement("eleve")) {
        const Resultat<> prepare = ImportClasse::preparerEleve(chiffreur, e, chiffre);
        if (!prepare) {
            const Raison raison = prepare.erreur().raison;
            if (raison != Raison::DechiffrementImpossible && raison != Raison::AttributsManquants)
                Fuzz::incoherence("refus d'un élève pour une autre raison");
            return;
        }
        for (const char* nom : {"nom", "prenom", "niveau", "date_naiss", "maj"})
            if (e.attribute(nom).isEmpty())
                Fuzz::incoherence("élève accepté avec un attribut vide");
    }
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
    QDomDocument document;
    if (!ImportClasse::analyserOctets(octets, document))
        return 0;

    const Resultat<> controle = ImportClasse::controlerRacine(document);
    QDomElement racine = document.documentElement();
    if (controle) {
        preparerEleves(racine);
        return 0;
    }
    // La somme de contrôle ne prend aucune clé : qui modifie un fichier peut la recalculer.
    // Le fuzzer fait de même pour atteindre le déchiffrement avec n'importe quel contenu.
    const QString recalculee = calculerChecksum(document);
    if (recalculee.isEmpty())
        return 0;
    racine.setAttribute("checksum", recalculee);
    if (!ImportClasse::controlerRacine(document))
        return 0; // version inconnue
    preparerEleves(racine);
    return 0;
}
