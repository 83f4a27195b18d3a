#include "app/desinstallation.h"

#include "dialogs/invite.h"

#include <QCoreApplication>
#include <QFile>

void desinstaller(const Application::CheminsBase& chemins)
{
    if (!QFile::exists(chemins.courante) && !QFile::exists(chemins.v1))
        return;

    const QString question =
        QCoreApplication::translate("Desinstallation", "Voulez-vous supprimer définitivement la base de données ?\n"
                                                       "Fichiers concernés:\n%1\n%2")
            .arg(chemins.courante, chemins.v1);
    if (Invite::question(nullptr, QCoreApplication::translate("Desinstallation", "Désinstallation de Quorvel"),
                         question, QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;

    for (const QString& chemin :
         {chemins.courante, chemins.courante + QStringLiteral(".bak"), chemins.v1, chemins.v2})
        QFile::remove(chemin);

    for (const QString& chemin : {chemins.courante, chemins.v1, chemins.v2}) {
        if (!QFile::exists(chemin))
            continue;
        Invite::avertissement(nullptr, QCoreApplication::translate("Desinstallation", "Suppression"),
                              QCoreApplication::translate("Desinstallation",
                                                          "Impossible de supprimer le fichier de base de données %1.\n"
                                                          "Il est peut-être en cours d'utilisation. Vous devrez le "
                                                          "supprimer à la main.")
                                  .arg(chemin));
    }
}
