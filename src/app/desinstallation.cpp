// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/desinstallation.h"

#include "core/commun/ecrituresure.h"
#include "core/db/copiesauto.h"
#include "core/db/initialisation.h"
#include "core/db/sauvegarde.h"
#include "core/entry/journalsaisies.h"
#include "gui/commun/invite.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
QString traduire(const char* texte)
{
    return QCoreApplication::translate("Desinstallation", texte);
}

// Les fichiers du dossier qui répondent à l'un des motifs, dans l'ordre des noms.
QStringList fichiersDe(const QString& dossier, const QStringList& motifs)
{
    QStringList chemins;
    const QDir repertoire(dossier);
    for (const QString& nom :
         repertoire.entryList(motifs, QDir::Files | QDir::Hidden | QDir::System, QDir::Name))
        chemins << repertoire.filePath(nom);
    return chemins;
}

QString dossierCopies(const Application::CheminsBase& chemins)
{
    return QFileInfo(chemins.courante).path() + QLatin1Char('/') + CopiesAuto::NOM_DOSSIER;
}
} // namespace

QStringList copiesFaites(const Application::CheminsBase& chemins)
{
    QStringList candidats{chemins.v2};
    for (const QString& base : {chemins.courante, chemins.v1, chemins.v2})
        for (const char* journal : {"-journal", "-wal", "-shm"})
            candidats << base + QLatin1String(journal);
    candidats << chemins.courante + Sauvegarde::SUFFIXE_ANCIENNE
              << chemins.courante + QStringLiteral(".restauration")
              << chemins.courante + JournalSaisies::SUFFIXE;

    QStringList copies;
    for (const QString& chemin : std::as_const(candidats))
        if (QFileInfo::exists(chemin))
            copies << chemin;
    // Copies datées : « QuorvelV3.sqlite.2026-12-06-1030.avant-initialisation » et
    // « ….avant-mise-a-jour », fichier abîmé mis de côté « ….endommagee » avec ses journaux.
    const QString nomBase = QFileInfo(chemins.courante).fileName();
    copies << fichiersDe(QFileInfo(chemins.courante).path(),
                         {nomBase + QStringLiteral(".*.avant-initialisation"),
                          nomBase + QStringLiteral(".*") + Initialisation::SUFFIXE_AVANT_MISE_A_JOUR,
                          nomBase + QStringLiteral(".*.endommagee"),
                          nomBase + QStringLiteral(".*.endommagee-*"),
                          EcritureSure::motifProvisoire(nomBase + JournalSaisies::SUFFIXE)});
    // Les copies automatiques (le second dossier, choisi par l'enseignant, est à lui : il reste).
    copies << CopiesAuto::fichiersPoses(dossierCopies(chemins));
    const QString travail =
        QFileInfo(chemins.courante).path() + QLatin1Char('/') + Application::FICHIER_COPIE_IMPORT;
    if (QFileInfo::exists(travail))
        copies << travail;
    // Copies temporaires d'une restauration interrompue, et leurs journaux.
    const QString modele =
        Sauvegarde::MODELE_TEMPORAIRE.mid(1).replace(QStringLiteral("XXXXXX"), QStringLiteral("*"));
    copies << fichiersDe(QDir::tempPath(),
                         {modele, modele + QStringLiteral("-journal"), modele + QStringLiteral("-wal"),
                          modele + QStringLiteral("-shm")});
    copies.removeDuplicates();
    return copies;
}

void desinstaller(const Application::CheminsBase& chemins)
{
    const QStringList copies = copiesFaites(chemins);
    if (!QFile::exists(chemins.courante) && !QFile::exists(chemins.v1) &&
        (copies.isEmpty() || copies == QStringList{chemins.v2}))
        return;

    // Tout ce qui sera supprimé est nommé : les deux bases, puis les copies qui existent.
    QString question = traduire("Voulez-vous supprimer définitivement la base de données ?\n"
                                "Fichiers concernés:\n%1\n%2")
                           .arg(chemins.courante, chemins.v1);
    for (const QString& copie : copies)
        question += QLatin1Char('\n') + copie;
    if (Invite::question(nullptr, traduire("Désinstallation de Quorvel"), question,
                         QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;

    QFile::remove(chemins.courante);
    QFile::remove(chemins.v1);
    for (const QString& copie : copies)
        QFile::remove(copie);
    QDir().rmdir(dossierCopies(chemins)); // vide, il disparaît aussi

    for (const QString& chemin : {chemins.courante, chemins.v1, chemins.v2}) {
        if (!QFile::exists(chemin))
            continue;
        Invite::avertissement(nullptr, traduire("Suppression"),
                              traduire("Impossible de supprimer le fichier de base de données %1.\n"
                                       "Il est peut-être en cours d'utilisation. Vous devrez le "
                                       "supprimer à la main.")
                                  .arg(chemin));
    }
    for (const QString& copie : copies) {
        if (copie == chemins.v2 || !QFile::exists(copie))
            continue;
        Invite::avertissement(nullptr, traduire("Suppression"),
                              traduire("Impossible de supprimer le fichier %1.\nIl est peut-être en cours "
                                       "d'utilisation. Vous devrez le supprimer à la main.")
                                  .arg(copie));
    }
}
