// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/commun/resultat.h"

#include <QByteArray>
#include <QString>

// Le mot de passe qui garde la réinitialisation, les importations et la restauration : seule son
// empreinte est gardée, dans les réglages de l'utilisateur.
//
// Un mot de passe est tapé, gardé et contrôlé de la même façon pour chaque caractère. Il est
// d'abord mis sous sa forme composée (« é » d'une touche ou « e » suivi de l'accent donnent le
// même texte). Fait des seuls caractères de Latin-1 (lettres accentuées du français sauf « œ »,
// chiffres, signes courants), son empreinte est celle des versions précédentes : MD5 de ses
// octets Latin-1, en 32 chiffres hexadécimaux minuscules. Avec un autre caractère (« € », « œ »,
// « Œ »…), que la forme 8 bits ne sait pas garder, l'empreinte est le SHA-256 de son UTF-8, précédé
// de PREFIXE_UNICODE : deux tels mots de passe ne se confondent plus (« €€€€ », « ŒŒŒŒ » et
// « ???? » sont trois mots de passe). Les versions précédentes ne reconnaissent pas cette forme.
namespace MotDePasse {

inline const QString CLE_REGLAGES = QStringLiteral("mot de passe");
inline constexpr char PREFIXE_UNICODE[] = "sha256-utf8:";

// Le texte tel qu'il est gardé et comparé : sa forme composée (NFC).
QString normaliser(const QString& texte);

// Vrai quand chaque caractère du texte peut être gardé tel qu'il a été tapé (faux pour une moitié
// isolée de paire UTF-16, qu'aucun codage ne garde).
bool representable(const QString& texte);

// L'empreinte gardée pour ce texte (voir plus haut).
QByteArray empreinte(const QString& texte);

// Empreinte gardée dans les réglages (vide quand aucun mot de passe n'est fixé).
QByteArray empreinteStockee();

// Vrai quand le texte saisi correspond à l'empreinte gardée ; la comparaison est celle de deux
// textes, sensible à la casse des lettres comme des chiffres hexadécimaux. Une empreinte de
// l'ancienne forme posée par une version précédente pour un mot de passe hors de Latin-1 (ses
// caractères devenus « ? ») s'ouvre encore avec ce mot de passe.
bool correspond(const QString& saisi, const QByteArray& stockee);

// Garde dans les réglages l'empreinte du texte ; un texte vide retire la valeur : il n'y a plus
// de mot de passe. ReglagesNonEcrits quand le fichier des réglages n'a pas pu être écrit : le mot
// de passe d'avant reste alors en vigueur, sur le disque comme pour ce programme.
Resultat<> fixer(const QString& texte);

// Le fichier des réglages (pour le message d'un échec).
QString fichierReglages();

} // namespace MotDePasse
