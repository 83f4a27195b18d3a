// SPDX-License-Identifier: GPL-3.0-or-later
// Cible : le déchiffrement des champs personnels d'un fichier de classe, sur un texte
// quelconque ; puis l'aller-retour chiffrement / déchiffrement dans tous les modes.
#include "commun.h"

#include "core/exchange/chiffreur.h"

#include <QByteArray>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    Fuzz::preparer(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille)
{
    static Chiffreur chiffreur(CLE_FICHIER_CLASSE);
    const QByteArray octets =
        QByteArray::fromRawData(reinterpret_cast<const char*>(donnees), qsizetype(taille));

    // Le texte d'un attribut XML : n'importe quels caractères, comme l'importation les lit.
    const QString clair = chiffreur.dechiffrerTexte(QString::fromUtf8(octets));
    if (chiffreur.derniereErreur() != Chiffreur::ErreurAucune && !clair.isEmpty())
        Fuzz::incoherence("texte rendu malgré une erreur");

    // Les octets eux-mêmes comme texte chiffré : le fuzzer atteint ainsi le contrôle et la
    // décompression sans passer par Base64.
    const QByteArray charge = chiffreur.dechiffrerOctets(octets);
    if (chiffreur.derniereErreur() != Chiffreur::ErreurAucune && !charge.isEmpty())
        Fuzz::incoherence("charge rendue malgré une erreur");

    // Aller-retour : les deux premiers octets choisissent les modes, le reste est chiffré
    // (dans la limite de ce que le déchiffrement accepte de décompresser).
    if (taille >= 2 && taille - 2 <= Chiffreur::TAILLE_MAX_DECOMPRESSEE) {
        Chiffreur allerRetour(CLE_FICHIER_CLASSE);
        allerRetour.setModeCompression(Chiffreur::ModeCompression(donnees[0] % 3));
        allerRetour.setModeProtection(Chiffreur::ModeProtection(donnees[1] % 3));
        const QByteArray donneesClaires = octets.mid(2);
        const QString chiffre = allerRetour.chiffrerOctetsEnTexte(donneesClaires);
        if (allerRetour.derniereErreur() != Chiffreur::ErreurAucune)
            Fuzz::incoherence("chiffrement en échec");
        const QByteArray relu = allerRetour.dechiffrerTexteEnOctets(chiffre);
        if (allerRetour.derniereErreur() != Chiffreur::ErreurAucune || relu != donneesClaires)
            Fuzz::incoherence("aller-retour qui ne rend pas les données");
    }
    return 0;
}
