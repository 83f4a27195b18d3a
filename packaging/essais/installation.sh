#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installe la construction dans un dossier temporaire (comme le fait le paquet) et vérifie ce
# dont le bureau et le programme ont besoin : le lien bin/quorvel mène au programme, les deux
# PDF sont à côté de lui, l'entrée de menu, l'icône à chaque taille et la fiche AppStream se
# répondent, et le programme installé démarre.
# Utilisation : installation.sh <dossier de construction> <dossier de travail>
set -uo pipefail
construction="$1"
destination="$2/racine"
rm -rf "$destination"
if ! DESTDIR="$destination" cmake --install "$construction" --prefix /usr >/dev/null; then
    echo "l'installation a échoué" >&2
    exit 1
fi
racine="$destination/usr"
echec=0
manque() { echo "$1" >&2; echec=1; }

lien="$racine/bin/quorvel"
[ -L "$lien" ] || manque "bin/quorvel n'est pas un lien"
programme="$(readlink -f "$lien")"
[ "$programme" = "$(readlink -f "$racine/lib/quorvel/quorvel")" ] || manque "bin/quorvel ne mène pas à lib/quorvel/quorvel"
[ -x "$programme" ] || manque "programme absent ou non exécutable : $programme"
dossier="$(dirname "$programme")"
for pdf in quorvel.pdf licence.pdf; do
    [ -s "$dossier/$pdf" ] || manque "$pdf absent du dossier du programme ($dossier)"
done

# Le programme installé démarre jusqu'à sa fenêtre principale et trouve son guide et sa licence,
# lancé par le lien comme le lance le menu.
maison="$2/maison"
rm -rf "$maison" && mkdir -p "$maison" && chmod 700 "$maison"
if ! env HOME="$maison" XDG_DATA_HOME="$maison/donnees" XDG_CONFIG_HOME="$maison/config" \
    XDG_RUNTIME_DIR="$maison" TMPDIR="$maison" QT_QPA_PLATFORM=offscreen "$lien" -verifie >/dev/null; then
    manque "le programme installé ne démarre pas (quorvel -verifie)"
fi

bureau="$racine/share/applications/fr.quorvel.Quorvel.desktop"
[ -f "$bureau" ] || manque "entrée de menu absente"
icone="$(sed -n 's/^Icon=//p' "$bureau")"
executable="$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$bureau")"
[ -e "$racine/bin/$executable" ] || manque "Exec=$executable ne désigne pas un programme installé"
for taille in 16 22 32 48 64 128; do
    [ -f "$racine/share/icons/hicolor/${taille}x${taille}/apps/$icone.png" ] || manque "icône $icone absente en ${taille}x${taille}"
done
fiche="$racine/share/metainfo/fr.quorvel.Quorvel.metainfo.xml"
[ -f "$fiche" ] || manque "fiche AppStream absente"
grep -q "<launchable type=\"desktop-id\">$(basename "$bureau")</launchable>" "$fiche" ||
    manque "la fiche AppStream ne désigne pas l'entrée de menu installée"
grep -q "<icon type=\"stock\">$icone</icon>" "$fiche" || manque "la fiche AppStream ne nomme pas l'icône installée"
[ -s "$racine/share/doc/quorvel/copyright" ] || manque "licence absente de share/doc/quorvel"
exit $echec
