// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/print/systemeimpression.h"

#if QUORVEL_CUPS
#include <cups/cups.h>
#endif

namespace SystemeImpression {

#if QUORVEL_CUPS

namespace {

// Une erreur au sens d'IPP : au-delà des codes de réussite.
bool echec(ipp_status_t statut)
{
    return statut > IPP_STATUS_OK_EVENTS_COMPLETE;
}

EtatFile depuisAttributs(int etatImprimante, bool accepte, const QString& message)
{
    EtatFile resultat;
    resultat.message = message;
    if (!accepte)
        resultat.etat = Etat::RefuseTravaux;
    else if (etatImprimante == IPP_PSTATE_STOPPED)
        resultat.etat = Etat::Arretee;
    else
        resultat.etat = Etat::Prete;
    return resultat;
}

// Une imprimante que le système montre sans en avoir encore la file (imprimante du réseau
// découverte, dont la file n'est créée qu'au premier travail) : sa description suffit.
EtatFile destinationDecouverte(const QByteArray& file)
{
    cups_dest_t* destination = cupsGetNamedDest(CUPS_HTTP_DEFAULT, file.constData(), nullptr);
    if (!destination)
        return {Etat::Introuvable, {}};
    const char* accepte =
        cupsGetOption("printer-is-accepting-jobs", destination->num_options, destination->options);
    const char* etat = cupsGetOption("printer-state", destination->num_options, destination->options);
    const char* message =
        cupsGetOption("printer-state-message", destination->num_options, destination->options);
    const EtatFile resultat =
        depuisAttributs(etat ? QByteArray(etat).toInt() : IPP_PSTATE_IDLE,
                        !accepte || qstrcmp(accepte, "false") != 0, QString::fromUtf8(message));
    cupsFreeDests(1, destination);
    return resultat;
}

} // namespace

EtatFile etat(const QString& nom)
{
    const QByteArray file = nom.section(QLatin1Char('/'), 0, 0).toUtf8();
    if (file.isEmpty())
        return {Etat::Introuvable, {}};
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(),
                     "/printers/%s", file.constData());
    ipp_t* requete = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    ippAddString(requete, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    static const char* const demandes[] = {"printer-state", "printer-is-accepting-jobs",
                                           "printer-state-message"};
    ippAddStrings(requete, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 3, nullptr, demandes);
    ipp_t* reponse = cupsDoRequest(CUPS_HTTP_DEFAULT, requete, "/");
    const ipp_status_t statut = cupsLastError();
    if (!reponse || echec(statut)) {
        ippDelete(reponse);
        if (statut == IPP_STATUS_ERROR_NOT_FOUND)
            return destinationDecouverte(file);
        return {Etat::ServiceInjoignable, {}}; // l'erreur de la prise ne parlerait pas à l'utilisateur
    }
    ipp_attribute_t* attribut = ippFindAttribute(reponse, "printer-state", IPP_TAG_ENUM);
    const int etatImprimante = attribut ? ippGetInteger(attribut, 0) : IPP_PSTATE_IDLE;
    attribut = ippFindAttribute(reponse, "printer-is-accepting-jobs", IPP_TAG_BOOLEAN);
    const bool accepte = !attribut || ippGetBoolean(attribut, 0);
    attribut = ippFindAttribute(reponse, "printer-state-message", IPP_TAG_ZERO);
    const QString message = attribut ? QString::fromUtf8(ippGetString(attribut, 0, nullptr)) : QString();
    ippDelete(reponse);
    return depuisAttributs(etatImprimante, accepte, message);
}

Resultat<> envoi()
{
    if (!echec(cupsLastError()))
        return {};
    const QString texte = QString::fromUtf8(cupsLastErrorString());
    return Erreur(Raison::EnvoiRefuse,
                  texte.isEmpty() ? QString::fromLatin1(ippErrorString(cupsLastError())) : texte);
}

#else

EtatFile etat(const QString&)
{
    return {};
}

Resultat<> envoi()
{
    return {};
}

#endif

} // namespace SystemeImpression
