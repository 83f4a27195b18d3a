// SPDX-License-Identifier: GPL-3.0-or-later
// Un gestionnaire de session XSMP minimal, pour les essais de la fin de session : celui du bureau
// (ksmserver, gnome-session, xfce4-session…) réduit à ce qu'il dit à un programme qui s'arrête.
// Il écoute, écrit sur sa sortie « SESSION_MANAGER=<adresse> » (à donner au programme), puis
// une ligne par événement : « inscrit », « interaction-demandee », « interaction-finie <annulée> »,
// « sauvegarde-finie <réussie> », « deconnecte ». Il lit ses ordres sur son entrée :
//   fin-aucune      SaveYourself (arrêt de la session, aucune question permise)
//   fin-questions   SaveYourself (arrêt de la session, questions permises)
//   meurs           Die
// Toute demande d'interaction est accordée ; une annulation est suivie de ShutdownCancelled.
#include <X11/ICE/ICElib.h>
#include <X11/SM/SMlib.h>

#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static SmsConn client = NULL;

static void dire(const char* texte, int valeur)
{
    if (valeur < 0)
        printf("%s\n", texte);
    else
        printf("%s %d\n", texte, valeur);
    fflush(stdout);
}

static Status inscrire(SmsConn connexion, SmPointer donnees, char* precedent)
{
    (void)donnees;
    (void)precedent;
    char* id = SmsGenerateClientID(connexion);
    SmsRegisterClientReply(connexion, id);
    free(id);
    client = connexion;
    dire("inscrit", -1);
    return 1;
}

static void demanderInteraction(SmsConn connexion, SmPointer donnees, int genre)
{
    (void)donnees;
    (void)genre;
    dire("interaction-demandee", -1);
    SmsInteract(connexion);
}

static void finirInteraction(SmsConn connexion, SmPointer donnees, Bool annulee)
{
    (void)donnees;
    dire("interaction-finie", annulee ? 1 : 0);
    if (annulee)
        SmsShutdownCancelled(connexion);
}

static void demanderSauvegarde(SmsConn c, SmPointer d, int genre, Bool arret, int style, Bool vite, Bool tous)
{
    (void)c, (void)d, (void)genre, (void)arret, (void)style, (void)vite, (void)tous;
}

static void demanderPhase2(SmsConn connexion, SmPointer donnees)
{
    (void)donnees;
    SmsSaveYourselfPhase2(connexion);
}

static void finirSauvegarde(SmsConn connexion, SmPointer donnees, Bool reussie)
{
    (void)connexion;
    (void)donnees;
    dire("sauvegarde-finie", reussie ? 1 : 0);
}

static void deconnecter(SmsConn connexion, SmPointer donnees, int nombre, char** raisons)
{
    (void)donnees;
    SmFreeReasons(nombre, raisons);
    SmsCleanUp(connexion);
    client = NULL;
    dire("deconnecte", -1);
}

static void poserProprietes(SmsConn connexion, SmPointer donnees, int nombre, SmProp** proprietes)
{
    (void)connexion;
    (void)donnees;
    for (int i = 0; i < nombre; ++i)
        SmFreeProperty(proprietes[i]);
    free(proprietes);
}

static void retirerProprietes(SmsConn connexion, SmPointer donnees, int nombre, char** noms)
{
    (void)connexion;
    (void)donnees;
    for (int i = 0; i < nombre; ++i)
        free(noms[i]);
    free(noms);
}

static void lireProprietes(SmsConn connexion, SmPointer donnees)
{
    (void)donnees;
    SmsReturnProperties(connexion, 0, NULL);
}

static Status nouveauClient(SmsConn connexion, SmPointer donnees, unsigned long* masque,
                            SmsCallbacks* rappels, char** raison)
{
    (void)connexion;
    (void)donnees;
    (void)raison;
    memset(rappels, 0, sizeof *rappels);
    rappels->register_client.callback = inscrire;
    rappels->interact_request.callback = demanderInteraction;
    rappels->interact_done.callback = finirInteraction;
    rappels->save_yourself_request.callback = demanderSauvegarde;
    rappels->save_yourself_phase2_request.callback = demanderPhase2;
    rappels->save_yourself_done.callback = finirSauvegarde;
    rappels->close_connection.callback = deconnecter;
    rappels->set_properties.callback = poserProprietes;
    rappels->delete_properties.callback = retirerProprietes;
    rappels->get_properties.callback = lireProprietes;
    *masque = SmsRegisterClientProcMask | SmsInteractRequestProcMask | SmsInteractDoneProcMask |
              SmsSaveYourselfRequestProcMask | SmsSaveYourselfP2RequestProcMask |
              SmsSaveYourselfDoneProcMask | SmsCloseConnectionProcMask | SmsSetPropertiesProcMask |
              SmsDeletePropertiesProcMask | SmsGetPropertiesProcMask;
    return 1;
}

// Pas d'authentification : le gestionnaire ne vit que le temps d'un essai, sur la machine.
static Bool hoteAccepte(char* hote)
{
    (void)hote;
    return True;
}

// Un programme qui s'en va ne doit pas arrêter le gestionnaire (celui de la bibliothèque sort).
static void erreurConnexion(IceConn connexion)
{
    (void)connexion;
}

#define CONNEXIONS_MAX 8

int main(void)
{
    char erreur[256];
    IceSetIOErrorHandler(erreurConnexion);
    if (!SmsInitialize("quorvel-essais", "1", nouveauClient, NULL, hoteAccepte, sizeof erreur, erreur)) {
        fprintf(stderr, "SmsInitialize : %s\n", erreur);
        return 1;
    }
    int nombreEcoutes = 0;
    IceListenObj* ecoutes = NULL;
    if (!IceListenForConnections(&nombreEcoutes, &ecoutes, sizeof erreur, erreur) || nombreEcoutes > 8) {
        fprintf(stderr, "IceListenForConnections : %s\n", erreur);
        return 1;
    }
    for (int i = 0; i < nombreEcoutes; ++i)
        IceSetHostBasedAuthProc(ecoutes[i], hoteAccepte);
    char* adresse = IceComposeNetworkIdList(nombreEcoutes, ecoutes);
    printf("SESSION_MANAGER=%s\n", adresse);
    fflush(stdout);
    free(adresse);

    IceConn connexions[CONNEXIONS_MAX];
    int nombreConnexions = 0;
    for (;;) {
        struct pollfd attentes[8 + CONNEXIONS_MAX + 1];
        int n = 0;
        for (int i = 0; i < nombreEcoutes; ++i) {
            attentes[n].fd = IceGetListenConnectionNumber(ecoutes[i]);
            attentes[n++].events = POLLIN;
        }
        for (int i = 0; i < nombreConnexions; ++i) {
            attentes[n].fd = IceConnectionNumber(connexions[i]);
            attentes[n++].events = POLLIN;
        }
        attentes[n].fd = 0;
        attentes[n++].events = POLLIN;
        if (poll(attentes, (nfds_t)n, -1) < 0)
            return 1;
        for (int i = 0; i < nombreEcoutes; ++i) {
            if (!(attentes[i].revents & POLLIN) || nombreConnexions == CONNEXIONS_MAX)
                continue;
            IceAcceptStatus etat;
            IceConn connexion = IceAcceptConnection(ecoutes[i], &etat);
            if (!connexion)
                continue;
            while (IceConnectionStatus(connexion) == IceConnectPending) {
                Bool reponse;
                IceProcessMessages(connexion, NULL, &reponse);
            }
            connexions[nombreConnexions++] = connexion;
        }
        for (int i = 0; i < nombreConnexions; ++i) {
            if (!(attentes[nombreEcoutes + i].revents & (POLLIN | POLLHUP)))
                continue;
            Bool reponse;
            if (IceProcessMessages(connexions[i], NULL, &reponse) == IceProcessMessagesIOError) {
                IceCloseConnection(connexions[i]);
                connexions[i] = connexions[--nombreConnexions];
                break; // les attentes suivantes ne correspondent plus : on repart de poll()
            }
        }
        if (attentes[n - 1].revents & (POLLIN | POLLHUP)) {
            char ordre[64];
            if (!fgets(ordre, sizeof ordre, stdin))
                return 0;
            if (!client)
                dire("sans-client", -1);
            else if (!strncmp(ordre, "fin-aucune", 10))
                SmsSaveYourself(client, SmSaveBoth, True, SmInteractStyleNone, False);
            else if (!strncmp(ordre, "fin-questions", 13))
                SmsSaveYourself(client, SmSaveBoth, True, SmInteractStyleAny, False);
            else if (!strncmp(ordre, "meurs", 5))
                SmsDie(client);
        }
    }
}
