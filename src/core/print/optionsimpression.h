// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QtGlobal>

// Les choix du dialogue d'impression : une simple valeur, que la fenêtre principale garde pour
// toute l'exécution (jamais dans la base ni dans les réglages) et prête au dialogue à chaque
// ouverture. Le plan du tirage et le dessin des pages la reçoivent en paramètre.
struct OptionsImpression {
    bool grey = true;             // niveaux de gris, sinon couleur
    QString teacher;              // nom et prénom de l'enseignant, sans blancs autour
    QString language;             // langue vivante, sans blancs autour, en minuscules
    qint64 palierId = 0;          // id_comp du palier choisi, 0 : aucun
    qint64 classId = 0;           // id_classe de la classe choisie, 0 : aucune
    int what = 0;                 // 0 rien, 1 attestations seules, 2 compétences
    int palierFilter = 0;         // attestations : 0 toutes, 1 palier validé, 2 palier non validé
    bool palierLandscape = false; // attestations : deux A5 par feuille A4 paysage
    bool compAll = false;         // compétences : toutes, sinon les seules non validées
    bool brochure = false;        // compétences : livret A5, sinon A4 portrait
    int duplex = 0;               // 0 continu, 1 recto/verso manuel bac haut, 2 bac bas
    bool oneByOne = false;        // recto/verso manuel élève par élève
    bool withAttestation = true;  // l'attestation du palier devant les compétences
};
