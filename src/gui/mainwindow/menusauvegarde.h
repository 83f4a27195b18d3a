// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/db/sauvegarde.h"

#include <QString>

class QWidget;

// Les deux fonctions « Sauvegarder la base de données entière... » et « Restaurer la base
// de données entière... » du menu « Base de données », avec leurs questions et leurs
// messages. La fenêtre principale les appelle depuis ses emplacements sauvegarder() et
// restaurer() ; toutes les questions passent par Invite.

// Copie la base courante, laissée ouverte, dans un dossier choisi par l'utilisateur (le choix part
// du dossier de départ, DossierDepart).
void sauvegarderBase(QWidget* parent);

// Remplace la base courante par une copie automatique choisie dans leur liste, ou par un
// fichier choisi par l'utilisateur (à partir du dossier de départ), après deux
// confirmations. La garde contre les fenêtres ouvertes, le mot de passe et l'attente d'une
// copie automatique en cours restent à la charge de l'appelant, qui les passe avant.
// `options` ne sert qu'aux essais (voir Sauvegarde::OptionsRestauration).
void restaurerBase(QWidget* parent, const Sauvegarde::OptionsRestauration& options = {});
