#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Vérifie la table des matières des PDF produits par generateur_docs : chaque titre qu'elle
# annonce doit se trouver à la page indiquée. Utilisation : table_des_matieres.sh <pdf>...
set -euo pipefail
erreurs=0
for pdf in "$@"; do
    pages=$(pdfinfo "$pdf" | awk '/^Pages:/ { print $2 }')
    entrees=0
    # Les pages de la table suivent la page de titre ; leur en-tête porte « Table des matières ».
    for ((p = 2; p <= pages; p++)); do
        texte=$(pdftotext -layout -f "$p" -l "$p" "$pdf" -)
        head -n 3 <<<"$texte" | grep -q "Table des matières" || break
        while IFS= read -r ligne; do
            [[ $ligne =~ ^[[:space:]]*(.*[^[:space:]])[[:space:]]+([0-9]+)[[:space:]]*$ ]] || continue
            titre="${BASH_REMATCH[1]}"
            cible="${BASH_REMATCH[2]}"
            entrees=$((entrees + 1))
            if ((cible <= p || cible > pages)); then
                echo "$pdf : « $titre » annoncé à la page $cible, hors du document" >&2
                erreurs=$((erreurs + 1))
            elif ! pdftotext -f "$cible" -l "$cible" "$pdf" - | tr -s ' \n' '  ' | grep -qF -- "$titre"; then
                echo "$pdf : « $titre » absent de la page $cible annoncée" >&2
                erreurs=$((erreurs + 1))
            fi
        done <<<"$texte"
    done
    if ((entrees < 5)); then
        echo "$pdf : table des matières introuvable ou presque vide ($entrees entrées)" >&2
        erreurs=$((erreurs + 1))
    fi
    echo "$pdf : $entrees entrées vérifiées"
done
exit $((erreurs > 0))
