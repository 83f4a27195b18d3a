// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLockFile>
#include <QSharedMemory>
#include <QString>

#include <memory>

// Garantit qu'une seule instance du programme tourne pour l'utilisateur.
//
// Le segment de mémoire partagée de 512 octets marque l'instance en cours. Sous Linux,
// un tel segment survit à un processus tué : seul, il refuserait tous les démarrages
// suivants jusqu'au redémarrage de la machine. Un fichier verrou (libéré par le système
// à la mort du processus, et reconnu périmé quand le processus qui l'a posé n'existe
// plus) décide donc ; le segment resté d'une instance morte est détruit avant d'être
// recréé.
//
// Le verrou et le segment dépendent du dossier temporaire : un second démarrage avec un autre
// dossier temporaire (autre session, autre réglage de TMPDIR, second terminal) ne les voit pas.
// Un second verrou, posé à côté du fichier de base, garantit donc en plus que deux processus
// ne s'ouvrent jamais sur la même base.
class InstanceUnique
{
public:
    // `dossierVerrou` : dossier du fichier verrou (par défaut le dossier temporaire).
    explicit InstanceUnique(const QString& dossierVerrou = QString());
    ~InstanceUnique();

    InstanceUnique(const InstanceUnique&) = delete;
    InstanceUnique& operator=(const InstanceUnique&) = delete;

    // Vrai quand aucune autre instance ne tourne ; l'instance est alors tenue jusqu'à
    // la destruction de l'objet (donc jusqu'à la fin du processus au démarrage).
    bool acquerir();

    // Pose le verrou à côté du fichier de base `cheminBase` (« <base>.lock ») ; faux quand un
    // autre processus le tient. Un verrou qui ne peut être posé pour une autre raison (dossier
    // absent ou en lecture seule) n'empêche pas le démarrage : l'ouverture de la base dira
    // alors ce qui ne va pas. Tenu jusqu'à la destruction de l'objet.
    bool acquerirBase(const QString& cheminBase);

    static const QString CLE_SEGMENT;
    static const QString SUFFIXE_VERROU_BASE;

private:
    QLockFile verrou;
    QSharedMemory segment;
    std::unique_ptr<QLockFile> verrouBase;
};
