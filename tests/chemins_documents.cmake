# SPDX-License-Identifier: GPL-3.0-or-later
# Chemins de la construction que nomment les documents, vérifiés par ctest (essai
# « chemins_des_documents ») :
#   cmake -DRACINE=<dépôt> -DCONSTRUCTION=<dossier de construction> -DPAQUET=<nom du .deb> -P tests/chemins_documents.cmake
# Chaque « build/… » écrit dans un document Markdown du dépôt ou dans le guide doit désigner ce
# que la construction produit vraiment (le même chemin sous le dossier de construction essayé).
# Un « <nom> » ou une « * » valent n'importe quel nom ; le paquet Debian, fait par
# scripts/paquet et non par la construction, est reconnu à son nom.
file(GLOB documents ${RACINE}/*.md ${RACINE}/docs/*.html)
foreach(dossier docs bench tests fuzz packaging src tools)
    file(GLOB_RECURSE trouves ${RACINE}/${dossier}/*.md)
    list(APPEND documents ${trouves})
endforeach()

set(fautes "")
set(nombre 0)
foreach(document IN LISTS documents)
    file(STRINGS ${document} lignes)
    set(numero 0)
    foreach(ligne IN LISTS lignes)
        math(EXPR numero "${numero} + 1")
        string(REGEX MATCHALL "(^|[^A-Za-z0-9_./-])build/[A-Za-z0-9_./<>*@-]*" chemins " ${ligne}")
        foreach(chemin IN LISTS chemins)
            string(REGEX REPLACE "^.*build/" "" reste "${chemin}")
            string(REGEX REPLACE "[./]+$" "" reste "${reste}")
            string(REGEX REPLACE "<[^>]*>" "*" motif "${reste}")
            math(EXPR nombre "${nombre} + 1")
            if(motif STREQUAL "")
                continue()
            endif()
            # Motif en expression régulière, pour le nom du paquet.
            string(REGEX REPLACE "([.+])" "\\\\\\1" regex "${motif}")
            string(REPLACE "*" "[^/]*" regex "${regex}")
            if(PAQUET AND PAQUET MATCHES "^${regex}$")
                continue()
            endif()
            file(GLOB present LIST_DIRECTORIES true "${CONSTRUCTION}/${motif}")
            if(NOT present)
                file(RELATIVE_PATH relatif ${RACINE} ${document})
                string(APPEND fautes "${relatif}:${numero} : « build/${reste} » n'est pas produit par la construction\n")
            endif()
        endforeach()
    endforeach()
endforeach()
if(fautes)
    message(FATAL_ERROR "Chemins de la construction introuvables :\n${fautes}")
endif()
message(STATUS "${nombre} chemins de la construction nommés par les documents, tous produits")
