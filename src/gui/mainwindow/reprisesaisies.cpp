// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/mainwindow/reprisesaisies.h"

#include "core/entry/journalsaisies.h"
#include "gui/commun/invite.h"
#include "gui/commun/messages.h"
#include "gui/entry/mdipalier.h"
#include "gui/entry/mdisaisie.h"
#include "gui/mainwindow/mainwindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QMdiSubWindow>
#include <QScopeGuard>

namespace RepriseSaisies {

namespace {

QString tr(const char* texte)
{
    return QCoreApplication::translate("RepriseSaisies", texte);
}

QString cases(int nombre)
{
    return nombre == 1 ? tr("1 case") : tr("%1 cases").arg(nombre);
}

QString perdues(int nombre)
{
    return nombre == 1 ? tr("1 case ne peut pas revenir : son élève ou sa compétence a été supprimé ou "
                            "modifié depuis.")
                       : tr("%1 cases ne peuvent pas revenir : leur élève ou leur compétence a été "
                            "supprimé ou modifié depuis.")
                             .arg(nombre);
}

// Rouvre la grille et y remet ses cases ; rend le nombre de cases remises.
// Le journal a été montré (ou ne peut pas l'être) : il s'en va. Un fichier qui ne s'efface pas
// (dossier protégé depuis) sera proposé de nouveau au démarrage suivant, rien n'est perdu.
void effacerJournal()
{
    static_cast<void>(JournalSaisies::effacer());
}

int rouvrir(MainWindow* fenetre, const JournalSaisies::Grille& grille)
{
    MdiBase* saisie = nullptr;
    if (grille.sorte == JournalSaisies::Sorte::Palier)
        saisie = new mdiPalier(*fenetre, fenetre);
    else
        saisie = new mdiSaisie(*fenetre, fenetre);
    QMdiSubWindow* sousFenetre = fenetre->placerSousFenetre(saisie);
    if (!saisie->chargerListes() || !saisie->rouvrir(grille)) {
        sousFenetre->close(); // rien de changé : sans question
        return 0;
    }
    return saisie->remettre(grille.cases);
}

} // namespace

void proposer(MainWindow* fenetre)
{
    // Tant que le choix n'est pas fait, le fichier ne bouge pas ; une fin de session reçue
    // pendant la question (la session s'arrête : la question se ferme sur « Non ») le laisse pour
    // le prochain démarrage.
    JournalSaisies::Ecrivain& ecrivain = JournalSaisies::Ecrivain::instance();
    ecrivain.retenir(true);
    const auto relacher = qScopeGuard([&ecrivain] { ecrivain.retenir(false); });
    const Resultat<QList<JournalSaisies::Grille>> lecture = JournalSaisies::charger();
    const QString titre = tr("Dates non enregistrées");
    if (lecture && lecture->isEmpty())
        return;
    if (!lecture) {
        Invite::avertissement(
            fenetre, titre,
            tr("Quorvel s'est arrêté la dernière fois sans avoir enregistré des dates, mais le fichier qui "
               "les "
               "gardait est abîmé :\n%1\n\nCes dates ne peuvent pas être reprises ; il faudra les taper de "
               "nouveau. Les dates enregistrées, elles, ne sont pas touchées.")
                .arg(QDir::toNativeSeparators(JournalSaisies::chemin())));
        effacerJournal();
        return;
    }

    // Une base qui ne se lit pas ne dit rien de ce qui est perdu : le journal reste pour le démarrage
    // suivant.
    const Resultat<QList<JournalSaisies::Retour>> confrontes = JournalSaisies::confronter(*lecture);
    if (!confrontes) {
        Messages::lectureImpossible(fenetre, confrontes.erreur());
        return;
    }
    const QList<JournalSaisies::Retour>& retours = *confrontes;
    int aRemettre = 0;
    int nonRemises = 0;
    QStringList lignes;
    for (const JournalSaisies::Retour& retour : retours) {
        nonRemises += retour.perdues;
        if (retour.grille.cases.isEmpty())
            continue;
        aRemettre += int(retour.grille.cases.size());
        lignes << tr("– %1 : %2").arg(MdiBase::nommer(retour.grille), cases(int(retour.grille.cases.size())));
    }
    if (aRemettre == 0) {
        if (nonRemises > 0)
            Invite::information(
                fenetre, titre,
                tr("Quorvel s'est arrêté la dernière fois sans avoir enregistré des dates. %1")
                    .arg(perdues(nonRemises)));
        effacerJournal();
        return;
    }

    QString texte = tr("Quorvel s'est arrêté la dernière fois (arrêt brutal, coupure de courant ou fin de "
                       "session) sans avoir enregistré des dates tapées ou effacées dans ces grilles :\n\n%1")
                        .arg(lignes.join(QLatin1Char('\n')));
    if (nonRemises > 0)
        texte += QStringLiteral("\n\n") + perdues(nonRemises);
    texte +=
        tr("\n\nVoulez-vous les remettre dans leurs grilles ? Elles n'y seront pas encore enregistrées : "
           "elles apparaîtront soulignées ; vérifiez-les, puis cliquez sur « Enregistrer » dans chaque "
           "grille.\n\nNon : les abandonner définitivement.");
    const bool reprendre = Invite::question(fenetre, titre, texte) == QMessageBox::Yes;
    if (ecrivain.estSuspendu())
        return;
    if (!reprendre) {
        effacerJournal();
        return;
    }

    int remises = 0;
    for (const JournalSaisies::Retour& retour : retours)
        if (!retour.grille.cases.isEmpty())
            remises += rouvrir(fenetre, retour.grille);
    // Le journal tient désormais les grilles rouvertes ; ce qui n'a pas pu revenir en sort.
    ecrivain.retenir(false);
    // Un échec est dit par l'écrivain lui-même (signal ecritureRefusee, écouté par la fenêtre).
    static_cast<void>(ecrivain.ecrireMaintenant());
    if (remises < aRemettre)
        Invite::information(fenetre, titre,
                            tr("Des cases n'ont pas pu être remises dans leurs grilles. %1")
                                .arg(perdues(aRemettre - remises)));
}

} // namespace RepriseSaisies
