// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCoreApplication>
#include <QPrinter>
#include <QString>

// Ce qu'on dit à l'utilisateur d'un envoi vers l'imprimante, pour le tirage des livrets comme
// pour le bilan : où part le tirage, ce qui l'empêche de partir, et ce qui est parti. L'état
// des files d'impression vient du système d'impression (SystemeImpression).
class EnvoiImpression
{
    Q_DECLARE_TR_FUNCTIONS(EnvoiImpression)

public:
    // Vrai quand le tirage va dans un fichier PDF plutôt qu'à une imprimante (aussi quand un
    // fichier de sortie est attaché à une imprimante du système : il est écrit à sa place).
    static bool versFichier(const QPrinter& imprimante);
    // Ce qui recevra le tirage : le nom de l'imprimante, ou le chemin du fichier.
    static QString destination(const QPrinter& imprimante);
    // Ce qui empêche l'imprimante de recevoir un travail maintenant (aucune imprimante choisie,
    // file introuvable, arrêtée, qui refuse les travaux, service muet) ; vide quand rien.
    // Dernière question posée au système avant l'envoi : erreurEnvoi() ne lit que l'envoi.
    static QString empechement(const QPrinter& imprimante);
    // Le peintre a refusé l'imprimante (fichier impossible à écrire, pilote qui refuse).
    static QString refusPeintre(const QPrinter& imprimante);
    // Après la fin du peintre : vide quand le travail est bien parti, sinon pourquoi il ne l'est pas.
    static QString erreurEnvoi(const QPrinter& imprimante);
    // « 1 page », « 12 pages ».
    static QString pages(int nombre);
};
