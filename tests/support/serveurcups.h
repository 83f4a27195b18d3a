// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Un serveur d'impression CUPS à part pour les essais : cupsd au premier plan, avec sa propre
// configuration dans un dossier temporaire, joint par une prise locale. CUPS_SERVER y mène le
// programme essayé et les commandes d'administration ; la configuration d'impression de la
// machine n'est jamais touchée. À démarrer avant tout usage de l'impression de Qt.
class ServeurCups
{
public:
    ~ServeurCups();

    // Faux, avec la raison, quand le serveur ne peut pas démarrer (cupsd absent…). CUPS_SERVER
    // désigne sa prise dans tous les cas : les imprimantes de la machine restent hors d'atteinte.
    bool demarrer(QString* raison);

    // Une commande d'administration (lpadmin, cupsdisable, cupsreject…) ; vrai quand elle réussit.
    bool commande(const QString& programme, const QStringList& arguments) const;

    // Une file vers /dev/null, prête. `rectoVerso` : pilote qui sait imprimer les deux faces,
    // réglé par défaut sur le bord long ; sinon une file brute, recto seul.
    bool ajouterFile(const QString& nom, bool rectoVerso = false) const;

    struct Travail {
        int id = 0;
        QString nom;      // nom du travail dans la file
        QString faces;    // attribut « sides » du travail
        QString document; // le PDF reçu, gardé par le serveur
    };
    // Les travaux terminés depuis le démarrage, dans l'ordre ; attend d'abord qu'ils le soient.
    QList<Travail> travaux() const;

private:
    QTemporaryDir dossier;
    QProcess cupsd;
};
