#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Une image absente doit arrêter la génération : code de sortie non nul, message qui la nomme,
# aucun PDF laissé derrière. Utilisation : image_manquante.sh <generateur_docs> <dossier de travail>
set -uo pipefail
generateur="$1"
travail="$2"
mkdir -p "$travail"
cat >"$travail/manque.html" <<'HTML'
<html><head><title>Essai</title></head><body>
<h1>Chapitre</h1><p>Avant l'image.</p>
<p><img src="captures/absente.png"/></p>
</body></html>
HTML
rm -f "$travail/manque.pdf"
QT_QPA_PLATFORM=offscreen "$generateur" "$travail/manque.html" "$travail/manque.pdf" 2>"$travail/erreurs.txt"
code=$?
echec=0
if ((code == 0)); then echo "la génération a réussi malgré l'image absente" >&2; echec=1; fi
if ! grep -q "captures/absente.png" "$travail/erreurs.txt"; then
    echo "le message ne nomme pas l'image absente :" >&2
    cat "$travail/erreurs.txt" >&2
    echec=1
fi
if [ -e "$travail/manque.pdf" ]; then echo "un PDF incomplet est resté" >&2; echec=1; fi
exit $echec
