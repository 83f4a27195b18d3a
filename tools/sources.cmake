# SPDX-License-Identifier: GPL-3.0-or-later
# Les fichiers C et C++ du dépôt que .clang-format met en forme (données d'essai et corpus de
# fuzzing exclus), chemins absolus triés.
function(quorvel_sources_formatees racine resultat)
    file(GLOB_RECURSE liste
         ${racine}/src/*.cpp ${racine}/src/*.h
         ${racine}/tests/*.cpp ${racine}/tests/*.h ${racine}/tests/*.c
         ${racine}/bench/*.cpp ${racine}/bench/*.h
         ${racine}/fuzz/*.cpp ${racine}/fuzz/*.h
         ${racine}/tools/*.cpp ${racine}/tools/*.h)
    list(FILTER liste EXCLUDE REGEX "/tests/donnees/|/fuzz/corpus/")
    list(SORT liste)
    set(${resultat} ${liste} PARENT_SCOPE)
endfunction()
