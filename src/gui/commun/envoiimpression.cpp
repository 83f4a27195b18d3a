// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/commun/envoiimpression.h"

#include "core/print/systemeimpression.h"

#include <QDir>

namespace {
QString autreImprimante()
{
    return EnvoiImpression::tr("choisissez-en une autre avec le bouton « Imprimantes... »");
}
} // namespace

bool EnvoiImpression::versFichier(const QPrinter& imprimante)
{
    // Une imprimante du système à laquelle un fichier de sortie est resté attaché (le dialogue
    // de la plateforme le laisse ainsi quand on l'annule) écrit ce fichier et n'envoie rien.
    return imprimante.outputFormat() == QPrinter::PdfFormat || !imprimante.outputFileName().isEmpty();
}

QString EnvoiImpression::destination(const QPrinter& imprimante)
{
    return versFichier(imprimante) ? QDir::toNativeSeparators(imprimante.outputFileName())
                                   : imprimante.printerName();
}

QString EnvoiImpression::empechement(const QPrinter& imprimante)
{
    const QString nom = destination(imprimante);
    if (nom.isEmpty())
        return tr("Aucune imprimante n'est choisie.\nChoisissez-en une avec le bouton « Imprimantes... ».");
    if (versFichier(imprimante))
        return {};
    const SystemeImpression::EtatFile etat = SystemeImpression::etat(nom);
    QString texte;
    switch (etat.etat) {
    case SystemeImpression::Etat::NonVerifiable:
    case SystemeImpression::Etat::Prete:
        return {};
    case SystemeImpression::Etat::Introuvable:
        texte = tr("L'imprimante « %1 » est introuvable : elle a peut-être été débranchée ou retirée.\n"
                   "Rebranchez-la, ou %2.")
                    .arg(nom, autreImprimante());
        break;
    case SystemeImpression::Etat::RefuseTravaux:
        texte =
            tr("L'imprimante « %1 » refuse les travaux d'impression.\nDemandez à la personne qui gère les "
               "imprimantes de l'ordinateur de la remettre en service, ou %2.")
                .arg(nom, autreImprimante());
        break;
    case SystemeImpression::Etat::Arretee:
        texte =
            tr("L'imprimante « %1 » est arrêtée : le travail attendrait sans être imprimé.\nRemettez-la en "
               "marche (ou demandez-le à la personne qui gère les imprimantes de l'ordinateur), ou %2.")
                .arg(nom, autreImprimante());
        break;
    case SystemeImpression::Etat::ServiceInjoignable:
        texte = tr("Le service d'impression de l'ordinateur ne répond pas : rien ne peut partir vers "
                   "l'imprimante « %1 ».\nRedémarrez l'ordinateur, ou imprimez dans un fichier PDF (bouton "
                   "« Imprimantes... »).")
                    .arg(nom);
        break;
    }
    if (!etat.message.isEmpty())
        texte += QLatin1Char('\n') + tr("Le système d'impression indique : « %1 ».").arg(etat.message);
    return texte;
}

QString EnvoiImpression::refusPeintre(const QPrinter& imprimante)
{
    if (versFichier(imprimante))
        return tr("Impossible d'écrire le fichier « %1 ».\nVérifiez que son dossier existe, que vous avez le "
                  "droit d'y écrire et que le fichier n'est pas ouvert dans un autre programme, ou "
                  "choisissez "
                  "un autre fichier avec le bouton « Imprimantes... ».")
            .arg(destination(imprimante));
    return tr("L'imprimante « %1 » n'a pas pu commencer l'impression : son pilote l'a refusée.\nVérifiez-la, "
              "ou %2.")
        .arg(destination(imprimante), autreImprimante());
}

QString EnvoiImpression::erreurEnvoi(const QPrinter& imprimante)
{
    if (versFichier(imprimante))
        return {};
    const Resultat<> envoi = SystemeImpression::envoi();
    if (envoi)
        return {};
    const QString erreur = envoi.erreur().texte;
    return tr("Le système d'impression n'a pas pris le travail pour l'imprimante « %1 » (« %2 »).\nCe "
              "travail "
              "n'est pas parti. Vérifiez l'imprimante, ou %3.")
        .arg(destination(imprimante), erreur, autreImprimante());
}

QString EnvoiImpression::pages(int nombre)
{
    return nombre == 1 ? tr("1 page") : tr("%1 pages").arg(nombre);
}
