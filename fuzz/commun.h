// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>

// Ce que partagent les cibles de fuzzing : un processus isolé des données de l'utilisateur
// et un fichier de travail où écrire chaque entrée.
namespace Fuzz {

// À appeler une fois, depuis LLVMFuzzerInitialize : application sans écran, chemins et
// réglages en mode essai (jamais ceux d'un vrai utilisateur), dossier de travail temporaire,
// messages de débogage de la boîte à outils tus (ils noieraient la sortie du fuzzer).
void preparer(int* argc, char*** argv);

// Dossier temporaire du processus, effacé à la sortie.
QString dossierTravail();

// Écrit l'entrée dans le fichier de travail (toujours le même) et rend son chemin.
QString ecrireFichier(const std::uint8_t* donnees, std::size_t taille);

// Un résultat incohérent : message sur la sortie d'erreur puis arrêt brutal, que le fuzzer
// compte comme un plantage et dont il garde l'entrée.
[[noreturn]] void incoherence(const char* quoi);

} // namespace Fuzz
