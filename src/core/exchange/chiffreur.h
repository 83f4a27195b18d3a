// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

class QDomDocument;

// La clé de 64 bits des fichiers de classe, commune à l'exportation et à l'importation :
// un fichier ne se lit qu'avec le programme construit avec la clé qui l'a écrit.
inline constexpr quint64 CLE_FICHIER_CLASSE = 0x5A3C9E17B2D4610FULL;

// Chiffrement symétrique des champs personnels d'un fichier de classe (nom, prénom, date de
// naissance). Format : octet de version 3, octet d'options (1 compressé, 2 CRC-16 présent,
// 4 empreinte SHA-1 présente), puis le corps chaîné par OU exclusif avec les octets de la
// clé. Le corps en clair : un octet aléatoire, le champ de contrôle, la charge utile.
class Chiffreur
{
public:
    enum ModeCompression { CompresserSiPlusCourt = 0, CompresserToujours = 1, NePasCompresser = 2 };
    enum ModeProtection { SansControle = 0, ControleCrc = 1, ControleSha1 = 2 };
    enum Erreur { ErreurAucune = 0, ErreurSansCle = 1, ErreurVersion = 2, ErreurIntegrite = 3 };

    // Taille décompressée maximale acceptée : un champ personnel fait quelques dizaines
    // d'octets ; au-delà, la charge est refusée avant toute allocation.
    static constexpr quint32 TAILLE_MAX_DECOMPRESSEE = 64 * 1024;

    Chiffreur();
    explicit Chiffreur(quint64 cle);

    void setCle(quint64 cle);
    void setModeCompression(ModeCompression mode) { compression = mode; }
    void setModeProtection(ModeProtection mode) { protection = mode; }
    Erreur derniereErreur() const { return erreur; }

    QByteArray chiffrerOctets(const QByteArray& donnees);
    QString chiffrerOctetsEnTexte(const QByteArray& donnees);
    QString chiffrerTexte(const QString& texte);

    QByteArray dechiffrerOctets(const QByteArray& chiffre);
    QByteArray dechiffrerTexteEnOctets(const QString& texte);
    QString dechiffrerTexte(const QString& texte);

private:
    static void initialiserGenerateur();

    QByteArray octetsCle; // vide tant qu'aucune clé n'a été donnée
    ModeCompression compression = CompresserSiPlusCourt;
    ModeProtection protection = ControleCrc;
    Erreur erreur = ErreurAucune;
};

// Somme de contrôle d'un document de classe : 40 chiffres hexadécimaux minuscules de
// l'empreinte SHA-1 des valeurs du fichier ; texte vide quand la racine n'est pas `classe`.
QString calculerChecksum(const QDomDocument& document);
