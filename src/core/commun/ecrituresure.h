// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>
#include <memory>

class QFile;
class QIODevice;

// Écriture d'un fichier entière ou nulle : le contenu est écrit à côté de sa destination, sous
// un nom provisoire (« <destination>.ecriture.XXXXXX »), chaque écriture contrôlée, puis le
// fichier complet est vérifié, mis sur le disque, rendu privé et renommé d'un coup sur la
// destination, et le dossier est mis sur le disque à son tour. Tant que valider() n'a pas
// réussi, la destination garde ce qu'elle tenait (ou reste absente) ; un échec ou un abandon
// supprime le fichier provisoire, et un arrêt brutal n'en laisse qu'un, au nom reconnaissable
// (supprimerProvisoires()).
//
// Deux façons d'écrire : par l'appareil (appareil(), ecrire()) pour le programme lui-même ou
// un flux de Qt (QTextStream, QPdfWriter…), ou par le chemin du fichier provisoire
// (cheminProvisoire()) pour un outil qui écrit lui-même (SQLite et son « VACUUM INTO »).
//
//     EcritureSure ecriture(chemin);
//     if (!ecriture.ecrire(octets) || !ecriture.valider())
//         … ecriture.panne(), ecriture.detail() disent pourquoi ; `chemin` n'a pas changé.
class EcritureSure
{
public:
    // Droits du fichier écrit : privés (lecture et écriture pour l'utilisateur seul, 0600), quel
    // que soit le masque de création du processus ; ou usuels, pour un fichier posé là où
    // l'utilisateur l'a choisi : ceux qu'y donnerait tout autre programme (0666 moins le masque
    // de création, 0644 d'ordinaire). « Privés si possible » : privés, sauf sur un système de
    // fichiers qui ne sait pas les garder (clé USB en FAT, partage réseau), où le fichier est
    // écrit quand même.
    enum class Droits { Prives, PrivesSiPossible, Usuels };

    // Ce qui a fait échouer l'écriture, pour dire à l'utilisateur quoi faire.
    enum class Panne {
        Aucune,
        DisquePlein,   // plus de place (ou quota atteint)
        Interdit,      // pas le droit d'écrire là, support en lecture seule
        DossierAbsent, // le dossier n'existe pas (ou plus : clé retirée)
        Verification,  // le contrôle du contenu écrit l'a refusé
        Autre,
    };

    explicit EcritureSure(const QString& destination, Droits droits = Droits::Prives);
    // Abandonne l'écriture qui n'a pas été validée.
    ~EcritureSure();
    EcritureSure(const EcritureSure&) = delete;
    EcritureSure& operator=(const EcritureSure&) = delete;

    const QString& destination() const { return cible; }

    // Crée le fichier provisoire, vide et privé, à côté de la destination, et l'ouvre en
    // écriture. Appelé au besoin par les autres fonctions ; faux en cas d'échec.
    bool ouvrir();
    // Le fichier provisoire ouvert en écriture (nul quand il n'a pas pu être créé). Une écriture
    // qui échoue par lui est vue par valider().
    QIODevice* appareil();
    // Écrit tout `octets` ; faux dès qu'une écriture échoue ou reste courte.
    bool ecrire(const QByteArray& octets);
    // Le chemin du fichier provisoire, créé vide et privé, pour un outil qui l'écrit lui-même
    // (l'appareil est alors fermé) ; vide en cas d'échec.
    QString cheminProvisoire();

    // Termine l'écriture : tampons vidés et contrôlés, `controle` appelé sur le fichier
    // provisoire complet et fermé (il rend faux pour refuser le contenu), fichier mis sur le
    // disque, rendu privé ou usuel, renommé sur la destination, dossier mis sur le disque.
    // Vrai quand la destination tient le nouveau contenu ; sinon elle n'a pas changé et le
    // fichier provisoire est supprimé.
    bool valider(const std::function<bool(const QString& provisoire)>& controle = {});
    // Supprime le fichier provisoire ; la destination n'a pas changé.
    void abandonner();

    // Note une panne survenue à côté (l'outil qui écrit par le chemin a échoué) : valider()
    // refusera, et panne() et detail() la rendront.
    void signalerPanne(Panne panne, const QString& detail);

    Panne panne() const { return raison; }
    // Le texte du système sur la panne (« No space left on device »…), pour le message.
    const QString& detail() const { return texte; }

    // La panne correspondant à un code d'erreur du système (errno).
    static Panne panneDuCode(int code);
    // Supprime, dans `dossier`, les fichiers provisoires d'écritures interrompues dont la
    // destination répond au motif `motifDestination` (« QuorvelV3-*.sqlite »).
    static void supprimerProvisoires(const QString& dossier, const QString& motifDestination);
    // Le motif des fichiers provisoires d'une destination qui répond à `motifDestination`.
    static QString motifProvisoire(const QString& motifDestination);

private:
    bool echouer(Panne panne, const QString& detail);
    bool echouerSurCode(int code, const QString& detail);

    QString cible;
    Droits droits;
    std::unique_ptr<QFile> fichier;
    QString provisoire;
    Panne raison = Panne::Aucune;
    QString texte;
    bool validee = false;
};
