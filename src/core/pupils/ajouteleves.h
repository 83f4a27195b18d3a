// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/commun/resultat.h"
#include "core/db/modele.h"
#include "core/pupils/eleves.h"

#include <QList>
#include <QString>
#include <QStringList>

// Ajout d'élèves à une classe : le contrôle des lignes saisies (celui de l'éditeur des
// élèves), la création des niveaux acceptés et l'insertion des élèves qui ne sont pas déjà
// dans la base. Aucun widget ici : le dialogue d'ajout lit sa grille et appelle ce module.
namespace AjoutEleves {

struct Ajout {
    int ajoutes = 0;          // élèves insérés
    int ignores = 0;          // élèves déjà présents (même nom, prénom et date de naissance)
    QStringList niveauxCrees; // niveaux insérés, dans l'ordre où ils ont été acceptés
};

// Enregistre les lignes dans la classe `idClasse`, les niveaux étant cherchés parmi
// `niveauxConnus` (la liste montrée à l'utilisateur) ; les lignes entièrement vides sont
// passées. Toutes les questions sont posées pendant le contrôle (Eleves::verifier), avant la
// moindre écriture ; un refus laisse la base telle qu'elle était. L'écriture (niveaux nouveaux
// puis élèves) se fait dans une seule transaction. Raisons propres : ClasseAbsente (aucune
// classe chargée), ClasseSupprimee (supprimée depuis son chargement).
Resultat<Ajout> enregistrer(const QList<Eleve>& lignes, qint64 idClasse, const QList<Entree>& niveauxConnus,
                            const Eleves::QuestionNiveau& creerNiveau);

} // namespace AjoutEleves
