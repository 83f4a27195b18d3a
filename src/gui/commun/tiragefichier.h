// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/commun/ecrituresure.h"

#include <QString>

#include <memory>

class QPrinter;

// Un tirage vers un fichier PDF (livrets, attestations, bilan), entier ou absent. Tant que l'objet
// vit, l'imprimante écrit à côté du fichier choisi, sous un nom provisoire ; valider(), appelé
// après la fin du peintre, relit le fichier terminé (ControlePdf) et ne lui donne son nom que
// s'il est entier. Sinon, ou si l'objet disparaît avant, le fichier choisi garde ce qu'il
// tenait et rien n'est laissé à côté. L'imprimante retrouve son fichier de sortie dans tous les
// cas. Pour un tirage vers une imprimante, l'objet ne fait rien.
class TirageFichier
{
public:
    explicit TirageFichier(QPrinter* imprimante);
    ~TirageFichier();
    TirageFichier(const TirageFichier&) = delete;
    TirageFichier& operator=(const TirageFichier&) = delete;

    // Vrai quand le tirage va dans un fichier.
    bool versFichier() const { return ecriture != nullptr; }
    // Faux quand le fichier provisoire n'a pas pu être créé (message() dit pourquoi).
    bool pret() const;
    // Le peintre est fini : vrai quand le fichier choisi tient le tirage entier (ou pour une
    // imprimante). Sinon message() dit ce qui a échoué.
    bool valider();
    // Rend à l'imprimante son fichier de sortie et supprime le fichier provisoire.
    void abandonner();
    // Ce qu'il faut dire à l'enseignant de l'échec.
    QString message() const;

private:
    void rendreNom();

    QPrinter* imprimante;
    QString destination;
    std::unique_ptr<EcritureSure> ecriture;
    bool redirige = false;
};
