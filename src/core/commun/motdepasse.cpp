// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/commun/motdepasse.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSettings>
#include <QVariant>

namespace MotDePasse {

namespace {

bool enLatin1(const QString& texte)
{
    for (const QChar c : texte)
        if (c.unicode() > 0xff)
            return false;
    return true;
}

QByteArray empreinteLatin1(const QByteArray& octets)
{
    return QCryptographicHash::hash(octets, QCryptographicHash::Md5).toHex();
}

} // namespace

QString normaliser(const QString& texte)
{
    return texte.normalized(QString::NormalizationForm_C);
}

bool representable(const QString& texte)
{
    for (qsizetype i = 0; i < texte.size(); ++i) {
        const QChar c = texte.at(i);
        if (c.isHighSurrogate() && i + 1 < texte.size() && texte.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            return false;
    }
    return true;
}

QByteArray empreinte(const QString& texte)
{
    const QString forme = normaliser(texte);
    if (enLatin1(forme))
        return empreinteLatin1(forme.toLatin1());
    return QByteArray(PREFIXE_UNICODE) +
           QCryptographicHash::hash(forme.toUtf8(), QCryptographicHash::Sha256).toHex();
}

QByteArray empreinteStockee()
{
    return QSettings().value(CLE_REGLAGES).toByteArray();
}

bool correspond(const QString& saisi, const QByteArray& stockee)
{
    if (empreinte(saisi) == stockee)
        return true;
    // Forme des versions précédentes, qui réduisaient le texte tapé à 8 bits (« € » devenait « ? »).
    if (stockee.startsWith(PREFIXE_UNICODE) || enLatin1(normaliser(saisi)))
        return false;
    return empreinteLatin1(saisi.toLatin1()) == stockee ||
           empreinteLatin1(normaliser(saisi).toLatin1()) == stockee;
}

Resultat<> fixer(const QString& texte)
{
    QSettings reglages;
    const QVariant avant = reglages.value(CLE_REGLAGES);
    if (texte.isEmpty())
        reglages.remove(CLE_REGLAGES);
    else
        reglages.setValue(CLE_REGLAGES, empreinte(texte));
    // Le fichier des réglages est réécrit à côté puis renommé d'un coup par la boîte à outils :
    // entier ou inchangé. Un échec laisse l'ancien fichier ; la valeur en mémoire est alors
    // remise comme lui, pour que ce programme ne se fie pas à un mot de passe jamais écrit.
    reglages.sync();
    if (reglages.status() != QSettings::NoError) {
        if (avant.isValid())
            reglages.setValue(CLE_REGLAGES, avant);
        else
            reglages.remove(CLE_REGLAGES);
        return Erreur(Raison::ReglagesNonEcrits).sur(reglages.fileName());
    }
    // L'empreinte n'est à lire que par l'utilisateur.
    if (reglages.format() == QSettings::NativeFormat || reglages.format() == QSettings::IniFormat)
        if (QFile::exists(reglages.fileName()))
            QFile::setPermissions(reglages.fileName(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return {};
}

QString fichierReglages()
{
    return QSettings().fileName();
}

} // namespace MotDePasse
