// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QTemporaryDir>

// Un petit disque pour les essais des écritures : un système de fichiers en mémoire (tmpfs) d'une
// taille donnée, monté dans un dossier temporaire, qui se remplit pour de vrai (le système répond
// « No space left on device ») ou passe en lecture seule (les droits de root n'y changent rien).
// Le montage demande les droits de l'administrateur (l'intégration continue tourne en root) : sans
// eux, monte() est faux et l'essai se saute. Démonté en disparaissant.
class PetitDisque
{
public:
    explicit PetitDisque(qint64 octets);
    ~PetitDisque();
    PetitDisque(const PetitDisque&) = delete;
    PetitDisque& operator=(const PetitDisque&) = delete;

    bool monte() const { return estMonte; }
    QString chemin() const { return dossier.path(); }
    QString fichier(const QString& nom) const { return dossier.filePath(nom); }
    // Remplit le disque jusqu'à n'y laisser que `libres` octets environ.
    bool remplir(qint64 libres);
    // Rend le disque à nouveau modifiable, ou le met en lecture seule.
    bool lectureSeule(bool seule);
    // Les noms des fichiers qu'il tient (sans le fichier de remplissage), pour chercher ce
    // qu'une écriture aurait laissé.
    QStringList contenu() const;

private:
    QTemporaryDir dossier;
    qint64 taille;
    bool estMonte = false;
};
