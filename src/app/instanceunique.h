#pragma once

#include <QLockFile>
#include <QSharedMemory>
#include <QString>

// Garantit qu'une seule instance du programme tourne pour l'utilisateur.
//
// Le segment de mémoire partagée de 512 octets marque l'instance en cours. Sous Linux,
// un tel segment survit à un processus tué : seul, il refuserait tous les démarrages
// suivants jusqu'au redémarrage de la machine. Un fichier verrou (libéré par le système
// à la mort du processus, et reconnu périmé quand le processus qui l'a posé n'existe
// plus) décide donc ; le segment resté d'une instance morte est détruit avant d'être
// recréé.
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

    static const QString CLE_SEGMENT;

private:
    QLockFile verrou;
    QSharedMemory segment;
};
