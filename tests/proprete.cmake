# SPDX-License-Identifier: GPL-3.0-or-later
# Propreté des sources, lancée par ctest (essai « proprete_des_sources ») :
#   cmake -DCLANG_FORMAT=<clang-format> -DRACINE=<racine du dépôt> -P tests/proprete.cmake
# Échoue quand un fichier C ou C++ diffère de la mise en forme de .clang-format (la cible
# « format » l'y remet : cmake --build build --target format) ou ne commence pas par sa ligne
# de licence SPDX.
include(${CMAKE_CURRENT_LIST_DIR}/../tools/sources.cmake)
quorvel_sources_formatees(${RACINE} fichiers)

execute_process(COMMAND ${CLANG_FORMAT} --dry-run --Werror ${fichiers}
                WORKING_DIRECTORY ${RACINE}
                RESULT_VARIABLE resultat ERROR_VARIABLE sortie)
set(fautes "")
if(NOT resultat EQUAL 0)
    string(APPEND fautes "Mise en forme différente de .clang-format (cmake --build build --target format) :\n${sortie}\n")
endif()
foreach(fichier IN LISTS fichiers)
    file(STRINGS ${fichier} premiere LIMIT_COUNT 1)
    if(NOT premiere STREQUAL "// SPDX-License-Identifier: GPL-3.0-or-later")
        string(APPEND fautes "Ligne de licence absente en tête : ${fichier}\n")
    endif()
endforeach()
if(fautes)
    message(FATAL_ERROR "${fautes}")
endif()
list(LENGTH fichiers nombre)
message(STATUS "${nombre} fichiers en forme, chacun avec sa licence")
