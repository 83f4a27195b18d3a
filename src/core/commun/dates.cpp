// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/commun/dates.h"

#include <QStringList>

namespace Dates {

namespace {
// Lit une partie de date comme nombre décimal ; faux quand elle n'en est pas un.
bool lireNombre(const QString& partie, int& valeur)
{
    bool ok = false;
    valeur = partie.toInt(&ok, 10);
    return ok;
}
} // namespace

QString afficher(const QDate& date)
{
    int annee = 0, mois = 0, jour = 0;
    date.getDate(&annee, &mois, &jour);
    if (!date.isValid())
        return {};
    if (annee < 1000 || annee > 9999)
        return date.toString(FORMAT_AFFICHAGE);
    const char16_t texte[10] = {
        char16_t(u'0' + jour / 10),    char16_t(u'0' + jour % 10),        u'/',
        char16_t(u'0' + mois / 10),    char16_t(u'0' + mois % 10),        u'/',
        char16_t(u'0' + annee / 1000), char16_t(u'0' + annee / 100 % 10), char16_t(u'0' + annee / 10 % 10),
        char16_t(u'0' + annee % 10)};
    return QString(reinterpret_cast<const QChar*>(texte), 10);
}

bool normaliser(QString& texte, const QDate& aujourdhui)
{
    if (texte.isEmpty())
        return true;

    QString copie = texte;
    copie.replace(QLatin1Char('/'), QLatin1Char('-'));
    const QStringList parties = copie.split(QLatin1Char('-'), Qt::KeepEmptyParts);

    int jour = 0;
    if (!lireNombre(parties.at(0), jour) || jour < 1 || jour > 31)
        return false;

    int mois = aujourdhui.month();
    if (parties.size() > 1 && (!lireNombre(parties.at(1), mois) || mois < 1 || mois > 12))
        return false;

    int annee = aujourdhui.year();
    if (parties.size() > 2) {
        if (!lireNombre(parties.at(2), annee))
            return false;
        if (annee < 100)
            annee += (annee + 1999 < aujourdhui.year()) ? 2000 : 1900;
        if (annee < PREMIERE_ANNEE || annee > DERNIERE_ANNEE)
            return false;
    }

    const QDate date(annee, mois, jour);
    if (!date.isValid())
        return false;
    texte = date.toString(FORMAT_AFFICHAGE);
    return true;
}

bool permise(const QDate& date)
{
    return date.isValid() && date.year() >= PREMIERE_ANNEE && date.year() <= DERNIERE_ANNEE;
}

std::optional<QDate> saisie(const QString& texte)
{
    QString date = texte.trimmed();
    if (date.isEmpty())
        return std::nullopt;
    // Le cas de toute cellule normalisée, lu sans détour.
    if (date.size() == 10)
        if (const QDate lue = QDate::fromString(date, FORMAT_AFFICHAGE); lue.isValid())
            return lue;
    if (!normaliser(date))
        return QDate();
    return QDate::fromString(date, FORMAT_AFFICHAGE);
}

int invraisemblances(const QDate& date, const QDate& naissance, const QDate& aujourdhui)
{
    if (!date.isValid())
        return 0;
    int raisons = 0;
    if (date > aujourdhui)
        raisons |= DansLeFutur;
    if (naissance.isValid() && date < naissance)
        raisons |= AvantLaNaissance;
    if (date.year() < ANNEE_LIVRET)
        raisons |= AvantLeLivret;
    return raisons;
}

QDate lire(const QString& texte)
{
    if (texte.contains(QLatin1Char('/')))
        return QDate::fromString(texte, FORMAT_AFFICHAGE);
    return QDate::fromString(texte, FORMAT_STOCKAGE);
}

} // namespace Dates
