// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/mainwindow/miseajourlivret.h"

#include "core/commun/application.h"
#include "core/db/initialisation.h"
#include "core/db/miseajourlivret.h"
#include "gui/commun/invite.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {
QString traduire(const char* texte)
{
    return QCoreApplication::translate("MiseAJourLivret", texte);
}

// « palier 2, compétence 5 » d'après le code d'un nœud (« P2C5A1 »).
QString place(const QString& ref)
{
    static const QRegularExpression code(QStringLiteral("^P(\\d+)C(\\d+)"));
    const QRegularExpressionMatch trouve = code.match(ref);
    if (!trouve.hasMatch())
        return ref;
    return traduire("palier %1, compétence %2").arg(trouve.captured(1), trouve.captured(2));
}

// L'avis : le texte vient du livret national ; les items dont le sens a changé, avec le nombre
// d'élèves qui y ont une date ; les compétences où des items changent de place.
QString avis(const QString& debut, const QStringList& sensChange, const QStringList& deplaces)
{
    QString texte = debut;
    // Les items lus sans leur nombre de dates (base qui ne se lit plus) : nommés par leur code.
    const QList<MiseAJourLivret::ItemARevoir> items = MiseAJourLivret::itemsARevoir(sensChange).valeurOu({});
    if (!items.isEmpty()) {
        texte += QStringLiteral("\n\n") +
                 traduire("Le sens des items suivants a changé : revoyez les dates données sous "
                          "l'ancien libellé.");
        for (const MiseAJourLivret::ItemARevoir& item : items) {
            const QString eleves = item.eleves == 0   ? traduire("aucune date")
                                   : item.eleves == 1 ? traduire("1 élève a une date")
                                                      : traduire("%1 élèves ont une date").arg(item.eleves);
            texte += QStringLiteral("\n• ") +
                     traduire("%1 : « %2 » (%3)").arg(place(item.ref), item.libelle, eleves);
        }
    }
    if (!deplaces.isEmpty())
        texte += QStringLiteral("\n\n") +
                 traduire("Des items changent aussi de place, dans l'ordre du texte national (%1) ; "
                          "leurs dates les suivent.")
                     .arg(deplaces.join(QStringLiteral(" ; ")));
    return texte;
}
} // namespace

void mettreLivretAJour(QWidget* parent)
{
    // Un arbre qui ne se lit pas n'est pas touché : la fenêtre qui le lira le dira.
    const Resultat<QList<MiseAJourLivret::Changement>> lus = MiseAJourLivret::ecarts();
    if (!lus)
        return;
    const QList<MiseAJourLivret::Changement>& changements = *lus;
    if (changements.isEmpty())
        return;

    const QString chemin = Application::chemins().courante;
    QString copie;
    if (Initialisation::contientDesDonnees()) {
        const Resultat<QString> copiee =
            Initialisation::copierADate(chemin, Initialisation::SUFFIXE_AVANT_MISE_A_JOUR);
        if (!copiee) {
            Invite::avertissement(
                parent, traduire("Livret non mis à jour"),
                traduire("Le texte du livret doit être mis à jour, mais la base de données n'a pas pu être "
                         "copiée avant (%1).\nRien n'a été modifié : Quorvel essaiera de nouveau au prochain "
                         "démarrage.\nVérifiez la place libre sur le disque et les droits d'écriture dans le "
                         "dossier %2.")
                    .arg(copiee.erreur().texte, QDir::toNativeSeparators(QFileInfo(chemin).absolutePath())));
            return;
        }
        copie = *copiee;
    }
    if (const Resultat<> applique = MiseAJourLivret::appliquer(changements); !applique) {
        // La base n'a pas changé : sa copie ne servirait à rien.
        if (!copie.isEmpty())
            QFile::remove(copie);
        Invite::avertissement(parent, traduire("Livret non mis à jour"),
                              traduire("Le texte du livret n'a pas pu être mis à jour (%1).\nRien n'a été "
                                       "modifié : Quorvel essaiera de nouveau au prochain démarrage.")
                                  .arg(applique.erreur().texte));
        return;
    }

    QStringList deplaces;
    for (const MiseAJourLivret::Changement& changement : changements)
        if (changement.numero != changement.ancienNumero && !deplaces.contains(place(changement.ref)))
            deplaces << place(changement.ref);
    QString texte =
        avis(traduire("Le texte du livret a été mis à jour : ses domaines et ses items reprennent "
                      "maintenant mot pour mot le livret national de 2010. Toutes les dates "
                      "déjà saisies restent sur leur item."),
             MiseAJourLivret::sensChange(changements), deplaces);
    if (!copie.isEmpty())
        texte +=
            QStringLiteral("\n\n") + traduire("La base d'avant la mise à jour a été gardée sous le nom :\n%1")
                                         .arg(QDir::toNativeSeparators(copie));
    Invite::information(parent, traduire("Livret mis à jour"), texte);
}

void signalerLivretNational(QWidget* parent)
{
    if (MiseAJourLivret::nombreDates().valeurOu(0) == 0)
        return;
    Invite::information(
        parent, traduire("Livret mis à jour"),
        avis(traduire("Les dates reprises ont été données sous l'ancien texte du livret. Cette version "
                      "imprime le livret national de 2010, mot pour mot ; chaque date reste sur son item."),
             MiseAJourLivret::SENS_CHANGE, {}));
}
