// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/exchange/chiffreur.h"

#include "core/commun/aleatoire.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDebug>
#include <QDomDocument>
#include <QDomElement>

namespace {

enum Options : char { Compresse = 0x01, AvecCrc = 0x02, AvecSha1 = 0x04 };
constexpr char VERSION = 3;

quint16 crc16(const QByteArray& octets)
{
    return qChecksum(octets, Qt::ChecksumIso3309);
}

} // namespace

Chiffreur::Chiffreur()
{
    initialiserGenerateur();
}

Chiffreur::Chiffreur(quint64 cle)
{
    initialiserGenerateur();
    setCle(cle);
}

void Chiffreur::initialiserGenerateur()
{
    Aleatoire::initialiser(static_cast<quint32>(QDateTime::currentMSecsSinceEpoch() & 0xFFFF));
}

void Chiffreur::setCle(quint64 cle)
{
    octetsCle.resize(8);
    for (int i = 0; i < 8; ++i)
        octetsCle[i] = static_cast<char>((cle >> (8 * i)) & 0xFF);
}

QByteArray Chiffreur::chiffrerOctets(const QByteArray& donnees)
{
    if (octetsCle.isEmpty()) {
        qWarning() << "No key set.";
        erreur = ErreurSansCle;
        return {};
    }
    char options = 0;
    QByteArray charge = donnees;
    if (compression == CompresserToujours) {
        charge = qCompress(donnees, 9);
        options |= Compresse;
    } else if (compression == CompresserSiPlusCourt) {
        const QByteArray compresse = qCompress(donnees, 9);
        if (compresse.size() < donnees.size()) {
            charge = compresse;
            options |= Compresse;
        }
    }
    QByteArray controle;
    if (protection == ControleCrc) {
        options |= AvecCrc;
        const quint16 crc = crc16(charge);
        controle.append(static_cast<char>(crc >> 8)).append(static_cast<char>(crc & 0xFF));
    } else if (protection == ControleSha1) {
        options |= AvecSha1;
        controle = QCryptographicHash::hash(charge, QCryptographicHash::Sha1);
    }
    QByteArray corps;
    corps.append(static_cast<char>(Aleatoire::tirer() & 0xFF));
    corps.append(controle).append(charge);

    // Chaînage : chaque octet dépend de l'octet chiffré qui le précède.
    char precedent = 0;
    for (int p = 0; p < corps.size(); ++p) {
        corps[p] = static_cast<char>(corps.at(p) ^ octetsCle.at(p % 8) ^ precedent);
        precedent = corps.at(p);
    }
    QByteArray sortie;
    sortie.append(VERSION).append(options).append(corps);
    erreur = ErreurAucune;
    return sortie;
}

QString Chiffreur::chiffrerOctetsEnTexte(const QByteArray& donnees)
{
    return QString::fromLatin1(chiffrerOctets(donnees).toBase64());
}

QString Chiffreur::chiffrerTexte(const QString& texte)
{
    return QString::fromLatin1(chiffrerOctets(texte.toUtf8()).toBase64());
}

QByteArray Chiffreur::dechiffrerOctets(const QByteArray& chiffre)
{
    if (octetsCle.isEmpty()) {
        qWarning() << "No key set.";
        erreur = ErreurSansCle;
        return {};
    }
    if (chiffre.isEmpty() || chiffre.at(0) != VERSION) {
        erreur = ErreurVersion;
        qWarning() << "Invalid version or not a cyphertext.";
        return {};
    }
    const char options = chiffre.size() > 1 ? chiffre.at(1) : 0;
    QByteArray reste = chiffre.mid(2);
    char precedent = 0;
    for (int p = 0; p < reste.size(); ++p) {
        const char lu = reste.at(p);
        reste[p] = static_cast<char>(lu ^ octetsCle.at(p % 8) ^ precedent);
        precedent = lu;
    }
    reste.remove(0, 1); // l'octet aléatoire

    if (options & AvecCrc) {
        if (reste.size() < 2) {
            erreur = ErreurIntegrite;
            return {};
        }
        const quint16 lu =
            static_cast<quint16>((static_cast<quint8>(reste.at(0)) << 8) | static_cast<quint8>(reste.at(1)));
        reste.remove(0, 2);
        if (lu != crc16(reste)) {
            erreur = ErreurIntegrite;
            return {};
        }
    } else if (options & AvecSha1) {
        if (reste.size() < 20) {
            erreur = ErreurIntegrite;
            return {};
        }
        const QByteArray lu = reste.left(20);
        reste.remove(0, 20);
        if (lu != QCryptographicHash::hash(reste, QCryptographicHash::Sha1)) {
            erreur = ErreurIntegrite;
            return {};
        }
    }
    if (options & Compresse) {
        // La charge annonce sa propre taille (4 octets, poids fort d'abord) : elle est
        // bornée avant que le décompresseur n'alloue quoi que ce soit.
        if (reste.size() < 4) {
            erreur = ErreurIntegrite;
            return {};
        }
        const quint32 annoncee = (quint32(quint8(reste.at(0))) << 24) | (quint32(quint8(reste.at(1))) << 16) |
                                 (quint32(quint8(reste.at(2))) << 8) | quint32(quint8(reste.at(3)));
        // Le décompresseur agrandit sa mémoire quand la taille annoncée ment : la charge
        // compressée est donc bornée elle aussi (zlib ne dépasse pas un rapport de 1032 à 1),
        // et un résultat d'une autre taille que l'annoncée est refusé.
        if (annoncee > TAILLE_MAX_DECOMPRESSEE || quint32(reste.size()) > TAILLE_MAX_DECOMPRESSEE + 1024) {
            erreur = ErreurIntegrite;
            return {};
        }
        const QByteArray decompresse = qUncompress(reste);
        if (quint32(decompresse.size()) != annoncee) {
            erreur = ErreurIntegrite;
            return {};
        }
        reste = decompresse;
    }
    erreur = ErreurAucune;
    return reste;
}

QByteArray Chiffreur::dechiffrerTexteEnOctets(const QString& texte)
{
    return dechiffrerOctets(QByteArray::fromBase64(texte.toLatin1()));
}

QString Chiffreur::dechiffrerTexte(const QString& texte)
{
    return QString::fromUtf8(dechiffrerOctets(QByteArray::fromBase64(texte.toLatin1())));
}

// ---------------------------------------------------------------------------

namespace {

void nourrir(QCryptographicHash& empreinte, const QDomElement& element, const QStringList& attributs)
{
    for (const QString& nom : attributs)
        empreinte.addData(element.attribute(nom).toUtf8());
}

void parcourir(QCryptographicHash& empreinte, const QDomElement& parent)
{
    for (QDomElement e = parent.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        if (e.tagName() == QLatin1String("note")) {
            nourrir(empreinte, e, {"date", "maj", "ref"});
            continue;
        }
        if (e.tagName() == QLatin1String("eleve"))
            nourrir(empreinte, e, {"nom", "prenom", "niveau", "date_naiss", "maj"});
        parcourir(empreinte, e);
    }
}

} // namespace

QString calculerChecksum(const QDomDocument& document)
{
    const QDomElement racine = document.documentElement();
    if (racine.tagName() != QLatin1String("classe"))
        return {};
    QCryptographicHash empreinte(QCryptographicHash::Sha1);
    empreinte.addData(racine.attribute("version", "0").toUtf8());
    empreinte.addData(racine.attribute("nom").toUtf8());
    empreinte.addData(racine.attribute("ref_palier", "0").toUtf8());
    parcourir(empreinte, racine);
    return QString::fromLatin1(empreinte.result().toHex());
}
