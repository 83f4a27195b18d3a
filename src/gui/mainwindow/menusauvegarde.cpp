// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/mainwindow/menusauvegarde.h"

#include "core/commun/application.h"
#include "core/commun/dossierdepart.h"
#include "core/commun/horloge.h"
#include "gui/commun/invite.h"
#include "gui/commun/messageecriture.h"
#include "gui/mainwindow/diacopies.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

namespace {
QString traduire(const char* texte)
{
    return QCoreApplication::translate("MenuSauvegarde", texte);
}

// Ce qui a arrêté une restauration, étape par étape.
QString texteRefusRestauration(const Erreur& e)
{
    switch (e.raison) {
    case Raison::TemporaireImpossible:
        return traduire("Impossible d'ouvrir un fichier temporaire pour recopier la base.");
    case Raison::CopieImpossible:
        return traduire("Impossible de recopier le fichier %1 vers %2").arg(e.nom, e.texte);
    case Raison::OuvertureImpossible:
        return traduire("Erreur d'ouverture de la nouvelle base de données avec le message: %1").arg(e.texte);
    case Raison::BaseEndommagee:
        return traduire("Ce fichier est endommagé (%1) : il ne peut pas remplacer la base actuelle, "
                        "qui n'a pas été modifiée. Choisissez une autre sauvegarde.")
            .arg(e.texte);
    case Raison::VersionIllisible:
        return traduire("Impossible de lire la version de la base. Restauration annulée.");
    case Raison::VersionIncompatible:
        return traduire("La version de la base à restaurer est incompatible avec cette version de Quorvel. "
                        "Restauration annulée.");
    case Raison::AncienneBaseNonGardee:
        return traduire("Impossible de renommer la base de données %1 en %2. Restauration annulée")
            .arg(e.nom, e.texte);
    case Raison::RecopieImpossible:
        return traduire("erreur de copie de %1 vers %2").arg(e.nom, e.texte);
    default: // ReouvertureImpossible
        return traduire("Erreur d'ouverture de la base de données avec le message: %1\nQuorvel tente de "
                        "restaurer l'ancienne base.")
            .arg(e.texte);
    }
}

// Les copies automatiques à proposer : celles de cet ordinateur, puis celles du second dossier
// qui n'y sont pas (après une panne du disque, elles sont les seules), chacune avec ce qu'elle
// tient ; la plus récente d'abord.
QList<diaCopies::Ligne> copiesAProposer()
{
    QList<diaCopies::Ligne> lignes;
    QSet<QString> noms;
    const QDate aujourdhui = Horloge::aujourdhui();
    for (const CopiesAuto::Copie& copie : CopiesAuto::lister(CopiesAuto::dossier(), aujourdhui)) {
        noms.insert(QFileInfo(copie.chemin).fileName());
        lignes.append({copie, CopiesAuto::lireContenu(copie.chemin), false});
    }
    const QString second = CopiesAuto::secondDossier();
    if (!second.isEmpty())
        for (const CopiesAuto::Copie& copie : CopiesAuto::lister(second, aujourdhui))
            if (!noms.contains(QFileInfo(copie.chemin).fileName()))
                lignes.append({copie, CopiesAuto::lireContenu(copie.chemin), true});
    std::stable_sort(lignes.begin(), lignes.end(), [](const diaCopies::Ligne& a, const diaCopies::Ligne& b) {
        return a.copie.moment > b.copie.moment;
    });
    return lignes;
}
} // namespace

void sauvegarderBase(QWidget* parent)
{
    const QString dossier = Invite::dossier(parent, traduire("Dossier de destination pour la sauvegarde"),
                                            DossierDepart::dossier());
    if (dossier.isEmpty()) {
        Invite::information(parent, traduire("Annulation"), traduire("La sauvegarde est annulée"));
        return;
    }

    const QString cible = Sauvegarde::cheminCopie(dossier);
    if (Sauvegarde::estLaBaseCourante(cible)) {
        // Remplacer ce fichier détruirait la base elle-même.
        Invite::avertissement(
            parent, traduire("Erreur"),
            traduire("Le dossier choisi est celui de la base de données elle-même : une "
                     "sauvegarde doit aller ailleurs.\nChoisissez un autre dossier, par exemple "
                     "sur une clé USB."));
        return;
    }
    if (QFile::exists(cible)) {
        if (Invite::question(parent, traduire("Fichier existant"),
                             traduire("Un fichier du même nom existe déjà. Faut-il le remplacer ?"),
                             QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
            return;
    }

    // La base reste ouverte pendant la copie : aucune transaction n'est en cours ici. La copie
    // ne remplace l'ancienne qu'une fois entière : en cas d'échec, l'ancienne reste.
    const Resultat<> copie = Sauvegarde::copierBase(cible);
    if (!copie) {
        Invite::avertissement(parent, traduire("Erreur"),
                              traduire("La base n'a pas pu être exportée correctement.") + QLatin1Char('\n') +
                                  MessageEcriture::texte(copie.erreur()));
        return;
    }
    // Le chemin entier : l'enseignante sait où retrouver sa copie (quelle clé, quel dossier).
    Invite::information(
        parent, traduire("Copie"),
        traduire("La base a été exportée sous le nom: %1").arg(QDir::toNativeSeparators(cible)));
}

void restaurerBase(QWidget* parent, const Sauvegarde::OptionsRestauration& options)
{
    // Les copies automatiques d'abord ; un fichier choisi à la main quand il n'y en a pas, ou
    // quand l'enseignant le demande.
    QString fichier;
    if (const QList<diaCopies::Ligne> copies = copiesAProposer(); !copies.isEmpty()) {
        diaCopies liste(copies, CopiesAuto::lireContenu(Application::chemins().courante), parent);
        if (liste.exec() != QDialog::Accepted)
            return;
        fichier = liste.cheminChoisi();
    }
    if (fichier.isEmpty())
        fichier =
            Invite::fichierAOuvrir(parent, traduire("Restaurer la base de données"), DossierDepart::dossier(),
                                   traduire("Fichiers SQLite (*.sqlite);;Tous fichiers (*.*)"));
    if (fichier.isEmpty())
        return;

    if (Invite::avertissement(parent, traduire("Restaurer une base de données"),
                              traduire("La restauration va remplacer la base existante, qui sera supprimée.\n"
                                       "Voulez-vous vraiment procéder à la restauration ?"),
                              QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    if (Invite::avertissement(
            parent, traduire("Restauration de la base de données"),
            traduire("TOUS les enregistrements actuels seront SUPPRIMÉS et la nouvelle base "
                     "remplacera la précédente. Confirmez une dernière fois, ou annulez."),
            QMessageBox::Yes | QMessageBox::Cancel) != QMessageBox::Yes)
        return;

    const Resultat<> restauree = Sauvegarde::restaurer(fichier, options);
    if (!restauree) {
        Invite::critique(parent, traduire("Erreur"), texteRefusRestauration(restauree.erreur()));
        return;
    }
    Invite::information(parent, traduire("Fin de la restauration"),
                        traduire("Les opérations de restauration de la base sont terminées."));
}
