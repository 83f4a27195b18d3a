// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QAction;
class QMdiSubWindow;

// Ce que les fenêtres de saisie connaissent de la fenêtre qui les accueille, donnée à leur
// construction : la sous-fenêtre active de son espace de travail, les actions d'édition de ses
// menus, dont la fenêtre de saisie active règle l'état à chaque changement de sa grille, et sa
// barre d'état. La fenêtre principale le met en œuvre ; les fenêtres de saisie n'en savent rien
// de plus.
class HoteSaisie
{
public:
    virtual ~HoteSaisie() = default;

    virtual QMdiSubWindow* sousFenetreActive() const = 0;

    virtual QAction* actionUndo() const = 0;
    virtual QAction* actionYank() const = 0;
    virtual QAction* actionCopier() const = 0;
    virtual QAction* actionColler() const = 0;
    virtual QAction* actionCouper() const = 0;
    virtual QAction* actionEffacer() const = 0;

    // Un message bref, non bloquant, qui s'efface seul.
    virtual void annoncer(const QString& message) = 0;
};
