// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/mainwindow/finsession.h"

#include "core/entry/journalsaisies.h"
#include "gui/entry/mdibase.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSessionManager>

bool GestionnaireSessionQt::questionsPermises()
{
    return session.allowsInteraction();
}

void GestionnaireSessionQt::annuler()
{
    session.cancel();
}

void GestionnaireSessionQt::rendreLaMain()
{
    session.release();
}

namespace FinSession {

bool terminer(QMdiArea* espace, GestionnaireSession& gestionnaire)
{
    QList<std::pair<QMdiSubWindow*, MdiBase*>> grilles;
    bool modifiees = false;
    for (QMdiSubWindow* sousFenetre : espace->subWindowList()) {
        auto* grille = qobject_cast<MdiBase*>(sousFenetre->widget());
        if (!grille)
            continue;
        grille->validerSaisieEnCours();
        modifiees = modifiees || grille->estModifie();
        grilles.append({sousFenetre, grille});
    }
    if (modifiees && gestionnaire.questionsPermises()) {
        for (const auto& [sousFenetre, grille] : std::as_const(grilles)) {
            if (grille->estModifie())
                espace->setActiveSubWindow(sousFenetre); // l'enseignant voit de quelle grille il s'agit
            if (!grille->accepterFinSession()) {
                gestionnaire.annuler();
                gestionnaire.rendreLaMain();
                return false;
            }
        }
        gestionnaire.rendreLaMain();
    } else {
        for (const auto& [sousFenetre, grille] : std::as_const(grilles))
            grille->enregistrerSansQuestion();
    }
    JournalSaisies::Ecrivain::instance().suspendre();
    return true;
}

bool decidee()
{
    return JournalSaisies::Ecrivain::instance().estSuspendu();
}

} // namespace FinSession
