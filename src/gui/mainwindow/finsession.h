// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QMdiArea;
class QSessionManager;

// La fin de la session du bureau (déconnexion, arrêt ou redémarrage de l'ordinateur) avec des
// grilles ouvertes. Qt 6 ne ferme plus les fenêtres à ce moment : le gestionnaire de session
// (XSMP sous X11, WM_QUERYENDSESSION sous Windows) émet `QGuiApplication::commitDataRequest`,
// et c'est tout. Sans ce qui suit, les dates tapées et pas encore enregistrées seraient perdues
// sans un mot.
//
// Ce que le programme demande au gestionnaire de session : une petite interface, que
// `GestionnaireSessionQt` met en œuvre sur le `QSessionManager` reçu avec le signal, et que les
// essais mettent en œuvre aussi (un `QSessionManager` ne se construit pas hors de Qt).
class GestionnaireSession
{
public:
    virtual ~GestionnaireSession() = default;
    // Vrai quand le programme peut poser des questions (sous X11, la permission est demandée au
    // gestionnaire et attendue).
    virtual bool questionsPermises() = 0;
    // L'enseignant a répondu « Annuler » : la session ne se termine pas.
    virtual void annuler() = 0;
    // Les questions sont finies.
    virtual void rendreLaMain() = 0;
};

class GestionnaireSessionQt : public GestionnaireSession
{
public:
    explicit GestionnaireSessionQt(QSessionManager& gestionnaire) : session(gestionnaire) {}
    bool questionsPermises() override;
    void annuler() override;
    void rendreLaMain() override;

private:
    QSessionManager& session;
};

namespace FinSession {

// Quand le gestionnaire permet les questions, chaque grille modifiée, mise au premier plan, pose
// la sienne en se nommant (Oui enregistre, Non abandonne ses dates, Annuler arrête la fin de
// session) ; sinon, chaque grille enregistre sans question ce qui peut l'être, et le reste (dates
// incorrectes ou à vérifier) demeure au journal des saisies, que le prochain démarrage propose
// de reprendre. Le journal est alors écrit une dernière fois et suspendu : la fermeture qui suit
// ne pose plus de question et n'y touche plus. Vrai quand la session peut se terminer.
bool terminer(QMdiArea* espace, GestionnaireSession& gestionnaire);

// Vrai quand une fin de session a déjà tout décidé (et que l'enseignant n'a rien changé depuis) :
// la fenêtre principale se ferme alors sans question.
bool decidee();

} // namespace FinSession
