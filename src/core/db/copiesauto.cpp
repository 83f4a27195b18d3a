// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/db/copiesauto.h"

#include "core/commun/application.h"
#include "core/commun/fichiersur.h"
#include "core/db/requete.h"
#include "core/db/schema.h"

#include <QAtomicInteger>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QSet>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
#include <QStorageInfo>
#include <QVariant>

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace CopiesAuto {

namespace {

const QString FORMAT_MOMENT = QStringLiteral("yyyy-MM-dd-HHmm");

// Un nom de connexion neuf à chaque ouverture : les copies peuvent tourner dans un autre fil.
QString nouvelleConnexion(const char* role)
{
    static QAtomicInteger<int> compteur;
    return QStringLiteral("copies_auto_%1_%2").arg(QLatin1String(role)).arg(++compteur);
}

// Une connexion en lecture seule sur `chemin`, fermée et retirée à la destruction. La base n'est
// jamais écrite par les copies, même par erreur.
class Lecture
{
public:
    Lecture(const QString& chemin, const char* role) : nom(nouvelleConnexion(role))
    {
        QSqlDatabase base = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nom);
        base.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        base.setDatabaseName(chemin);
        ouverte = QFileInfo::exists(chemin) && base.open();
        if (!ouverte)
            erreur = base.lastError().text();
    }
    ~Lecture()
    {
        {
            QSqlDatabase base = QSqlDatabase::database(nom, false);
            base.close();
        }
        QSqlDatabase::removeDatabase(nom);
    }
    Lecture(const Lecture&) = delete;
    Lecture& operator=(const Lecture&) = delete;

    QSqlDatabase base() const { return QSqlDatabase::database(nom, false); }
    bool ouverte = false;
    QString erreur;

private:
    QString nom;
};

// La première valeur de `sql` ; rien en cas d'échec (`erreur`, s'il est donné et encore vide,
// reçoit alors le message de SQLite).
std::optional<qint64> nombre(const QSqlDatabase& base, const QString& sql, QString* erreur = nullptr)
{
    const Resultat<QVariant> lu = Base::valeur(sql, {}, base);
    if (!lu || lu->isNull()) {
        if (erreur && erreur->isEmpty())
            *erreur = lu ? QStringLiteral("%1 : aucune ligne").arg(sql) : lu.erreur().texte;
        return std::nullopt;
    }
    return lu->toLongLong();
}

Contenu contenuDe(const QSqlDatabase& base, QString* erreur = nullptr)
{
    Contenu contenu;
    const auto version = nombre(base, QStringLiteral("SELECT version FROM general WHERE id=1"), erreur);
    const auto eleves = nombre(base, QStringLiteral("SELECT count(*) FROM eleves"), erreur);
    const auto dates = nombre(base, QStringLiteral("SELECT count(*) FROM notes"), erreur);
    contenu.lisible = version && eleves && dates;
    contenu.version = int(version.value_or(0));
    contenu.eleves = eleves.value_or(0);
    contenu.dates = dates.value_or(0);
    return contenu;
}

// Compteur de SQLite qui change quand une autre connexion valide une écriture.
qint64 versionDonnees(const QSqlDatabase& base)
{
    return nombre(base, QStringLiteral("PRAGMA data_version")).value_or(-1);
}

// La panne d'une opération de SQLite, d'après son code.
EcritureSure::Panne panneSqlite(int code)
{
    switch (code & 0xff) {
    case SQLITE_FULL:
        return EcritureSure::Panne::DisquePlein;
    case SQLITE_PERM:
    case SQLITE_READONLY:
    case SQLITE_CANTOPEN:
        return EcritureSure::Panne::Interdit;
    default:
        return EcritureSure::Panne::Autre;
    }
}

// Pages copiées par morceau de l'instantané (4 Mo avec les pages de 4 Ko de SQLite) ; au-delà de
// REPRISES_MAX reprises, le reste est copié d'un seul morceau.
constexpr int PAGES_PAR_MORCEAU = 1024;
constexpr int REPRISES_MAX = 3;

// L'instantané de `source` dans `cible` (un fichier vide), par l'API de sauvegarde en ligne de
// SQLite : la base n'est tenue en lecture que le temps d'un morceau, quelques millisecondes, si
// bien qu'un enregistrement fait pendant la copie n'attend presque pas ; il fait reprendre la
// copie depuis le début, pour qu'elle soit celle d'un seul instant. Qt ne donne pas cette API :
// le programme la demande à la bibliothèque SQLite même que son pilote utilise. Rend le code
// de SQLite (SQLITE_OK quand la copie est complète) et son message.
int prendreInstantane(const QString& source, const QString& cible, QString* erreur)
{
    sqlite3* lue = nullptr;
    sqlite3* ecrite = nullptr;
    const auto fermer = [&] {
        sqlite3_close(ecrite);
        sqlite3_close(lue);
    };
    int code = sqlite3_open_v2(source.toUtf8().constData(), &lue, SQLITE_OPEN_READONLY, nullptr);
    if (code == SQLITE_OK)
        code = sqlite3_open_v2(cible.toUtf8().constData(), &ecrite, SQLITE_OPEN_READWRITE, nullptr);
    if (code != SQLITE_OK) {
        *erreur = QString::fromUtf8(sqlite3_errmsg(ecrite ? ecrite : lue));
        fermer();
        return code;
    }
    sqlite3_busy_timeout(lue, 5000);
    // Le fichier provisoire n'a pas besoin de journal : il ne compte qu'une fois vérifié.
    sqlite3_exec(ecrite, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF", nullptr, nullptr, nullptr);
    sqlite3_backup* copie = sqlite3_backup_init(ecrite, "main", lue, "main");
    if (!copie) {
        code = sqlite3_errcode(ecrite);
        *erreur = QString::fromUtf8(sqlite3_errmsg(ecrite));
        fermer();
        return code;
    }
    int reprises = 0;
    int restantes = -1;
    do {
        code = sqlite3_backup_step(copie, reprises >= REPRISES_MAX ? -1 : PAGES_PAR_MORCEAU);
        // Une écriture de la base entre deux morceaux : la copie est repartie du début.
        const int maintenant = sqlite3_backup_remaining(copie);
        if (restantes >= 0 && maintenant > restantes)
            ++reprises;
        restantes = maintenant;
        if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
            sqlite3_sleep(20);
    } while (code == SQLITE_OK || code == SQLITE_BUSY || code == SQLITE_LOCKED);
    code = sqlite3_backup_finish(copie);
    if (code != SQLITE_OK)
        *erreur = QString::fromUtf8(sqlite3_errmsg(ecrite));
    fermer();
    return code;
}

// Assez de place pour `octets` dans le dossier ? Un volume qui ne dit pas sa place est cru.
bool placeSuffisante(const QString& dossier, qint64 octets, QString* detail)
{
    const QStorageInfo volume(dossier);
    if (!volume.isValid() || volume.bytesAvailable() < 0 || volume.bytesAvailable() >= octets)
        return true;
    const QLocale francais(QLocale::French);
    *detail = QStringLiteral("%1 Mo libres, %2 Mo nécessaires")
                  .arg(francais.toString(volume.bytesAvailable() / 1048576.0, 'f', 1),
                       francais.toString(octets / 1048576.0, 'f', 1));
    return false;
}

// Le dossier existe (créé au besoin) ; privé quand `prive`.
bool preparerDossier(const QString& chemin, bool prive, EcritureSure::Panne* panne, QString* detail)
{
    if (!QDir().mkpath(chemin)) {
        // Un fichier porte son nom, ou son dossier parent refuse qu'on y crée quelque chose.
        const int code = QFileInfo::exists(chemin) ? ENOTDIR : EACCES;
        *panne = EcritureSure::panneDuCode(code);
        *detail = QString::fromLocal8Bit(std::strerror(code));
        return false;
    }
    if (prive)
        QFile::setPermissions(chemin,
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return true;
}

// L'instant de la dernière écriture de la base, journal d'écriture anticipée compris.
QDateTime derniereEcriture(const QString& base)
{
    QDateTime ecrite = QFileInfo(base).lastModified();
    const QFileInfo journal(base + QStringLiteral("-wal"));
    if (journal.exists())
        ecrite = std::max(ecrite, journal.lastModified());
    return ecrite;
}

// La copie faite, recopiée octet pour octet dans le second dossier, et relue.
void copierDansLeSecond(const Demande& demande, Bilan& bilan)
{
    if (!QFileInfo(demande.second).isDir()) {
        bilan.second = Bilan::Second::Absent;
        return;
    }
    const auto echec = [&bilan](EcritureSure::Panne panne, const QString& detail) {
        bilan.second = Bilan::Second::EnEchec;
        bilan.panneSecond = panne;
        bilan.detailSecond = detail;
    };
    QString detail;
    if (!placeSuffisante(demande.second, QFileInfo(bilan.chemin).size(), &detail))
        return echec(EcritureSure::Panne::DisquePlein, detail);

    // Une clé USB en FAT ne garde pas les droits d'un fichier : la copie y est écrite quand même.
    const QString destination = demande.second + QLatin1Char('/') + QFileInfo(bilan.chemin).fileName();
    const Resultat<> copie =
        FichierSur::copier(bilan.chemin, destination, EcritureSure::Droits::PrivesSiPossible);
    if (!copie)
        return echec(FichierSur::panne(copie.erreur()), copie.erreur().texte);
    bilan.second = Bilan::Second::Ecrite;
    bilan.cheminSecond = destination;
    elaguer(demande.second, demande.moment.date(), bilan.cheminSecond);
}

} // namespace

QString dossier()
{
    return Application::dossierDonnees() + QLatin1Char('/') + NOM_DOSSIER;
}

QString secondDossier()
{
    return QSettings().value(CLE_SECOND_DOSSIER).toString();
}

void definirSecondDossier(const QString& chemin)
{
    QSettings reglages;
    if (chemin.trimmed().isEmpty())
        reglages.remove(CLE_SECOND_DOSSIER);
    else
        reglages.setValue(CLE_SECOND_DOSSIER, QDir::fromNativeSeparators(chemin.trimmed()));
}

QString nomCopie(const QDateTime& moment)
{
    return QStringLiteral("QuorvelV3-%1.sqlite").arg(moment.toString(FORMAT_MOMENT));
}

std::optional<QDateTime> momentDe(const QString& nomFichier)
{
    static const QRegularExpression modele(
        QStringLiteral("^QuorvelV3-(\\d{4}-\\d{2}-\\d{2}-\\d{4})\\.sqlite$"));
    const QRegularExpressionMatch trouve = modele.match(nomFichier);
    if (!trouve.hasMatch())
        return std::nullopt;
    const QDateTime moment = QDateTime::fromString(trouve.captured(1), FORMAT_MOMENT);
    if (!moment.isValid())
        return std::nullopt;
    return moment;
}

int anneeScolaire(const QDate& date)
{
    return date.month() >= 9 ? date.year() : date.year() - 1;
}

QMap<QDateTime, Sorte> trier(const QList<QDateTime>& moments, const QDate& aujourdhui)
{
    QList<QDateTime> recents = moments;
    std::sort(recents.begin(), recents.end(), std::greater<>());
    recents.erase(std::unique(recents.begin(), recents.end()), recents.end());

    // En descendant le temps, la première copie rencontrée d'un jour, d'une semaine ou d'une
    // année scolaire en est la dernière.
    QSet<QDate> jours;
    QSet<int> semaines;
    QSet<int> annees;
    QMap<QDateTime, Sorte> sortes;
    for (const QDateTime& moment : std::as_const(recents)) {
        const QDate date = moment.date();
        int anneeSemaine = 0;
        const int semaine = date.weekNumber(&anneeSemaine);
        const int cleSemaine = anneeSemaine * 100 + semaine;
        const int annee = anneeScolaire(date);

        const bool dernierDuJour = !jours.contains(date);
        const bool derniereDeLaSemaine = !semaines.contains(cleSemaine);
        const bool derniereDeLAnnee = !annees.contains(annee);
        const bool quotidienne = dernierDuJour && jours.size() < JOURS_GARDES;
        const bool hebdomadaire = derniereDeLaSemaine && semaines.size() < SEMAINES_GARDEES;
        if (dernierDuJour)
            jours.insert(date);
        if (derniereDeLaSemaine)
            semaines.insert(cleSemaine);
        annees.insert(annee);

        if (derniereDeLAnnee && annee < anneeScolaire(aujourdhui))
            sortes.insert(moment, Sorte::FinAnnee);
        else if (quotidienne)
            sortes.insert(moment, Sorte::Quotidienne);
        else if (hebdomadaire)
            sortes.insert(moment, Sorte::Hebdomadaire);
        else if (derniereDeLAnnee) // l'année en cours : la plus récente, déjà gardée d'ordinaire
            sortes.insert(moment, Sorte::Quotidienne);
        else
            sortes.insert(moment, Sorte::Surnumeraire);
    }
    return sortes;
}

QList<Copie> lister(const QString& dossier, const QDate& aujourdhui)
{
    QList<Copie> copies;
    const QDir repertoire(dossier);
    for (const QString& nom : repertoire.entryList({MOTIF}, QDir::Files)) {
        if (const auto moment = momentDe(nom))
            copies.append({repertoire.filePath(nom), *moment, Sorte::Quotidienne});
    }
    QList<QDateTime> moments;
    for (const Copie& copie : std::as_const(copies))
        moments.append(copie.moment);
    const QMap<QDateTime, Sorte> sortes = trier(moments, aujourdhui);
    for (Copie& copie : copies)
        copie.sorte = sortes.value(copie.moment, Sorte::Surnumeraire);
    std::sort(copies.begin(), copies.end(), [](const Copie& a, const Copie& b) {
        return a.moment != b.moment ? a.moment > b.moment : a.chemin > b.chemin;
    });
    return copies;
}

int elaguer(const QString& dossier, const QDate& aujourdhui, const QString& epargnee)
{
    int ecartees = 0;
    for (const Copie& copie : lister(dossier, aujourdhui))
        if (copie.sorte == Sorte::Surnumeraire && copie.chemin != epargnee && QFile::remove(copie.chemin))
            ++ecartees;
    return ecartees;
}

QDateTime derniereCopie(const QString& dossier)
{
    const QList<Copie> copies = lister(dossier, QDate::currentDate());
    return copies.isEmpty() ? QDateTime() : copies.constFirst().moment;
}

bool baseModifiee(const QString& base, const QString& dossier)
{
    // Une copie porte pour date de modification celle de la base au moment de son instantané
    // (copier() la règle ainsi) : la base a changé depuis quand elle est plus récente.
    QDateTime prise;
    const QDir repertoire(dossier);
    for (const QString& nom : repertoire.entryList({MOTIF}, QDir::Files))
        if (momentDe(nom))
            prise = std::max(prise, QFileInfo(repertoire.filePath(nom)).lastModified());
    return !prise.isValid() || derniereEcriture(base) > prise;
}

Contenu lireContenu(const QString& chemin)
{
    const Lecture lecture(chemin, "contenu");
    return lecture.ouverte ? contenuDe(lecture.base()) : Contenu();
}

QStringList fichiersPoses(const QString& dossier)
{
    QStringList fichiers;
    const QDir repertoire(dossier);
    for (const QString& nom :
         repertoire.entryList({MOTIF, EcritureSure::motifProvisoire(MOTIF)}, QDir::Files | QDir::Hidden))
        fichiers.append(repertoire.filePath(nom));
    return fichiers;
}

Bilan copier(const Demande& demande)
{
    Bilan bilan;
    const auto echec = [&bilan](EcritureSure::Panne panne, const QString& detail) {
        bilan.panne = panne;
        bilan.detail = detail;
        return bilan;
    };
    if (!preparerDossier(demande.dossier, true, &bilan.panne, &bilan.detail))
        return bilan;
    // Ce qu'une copie interrompue (arrêt brutal) a pu laisser.
    EcritureSure::supprimerProvisoires(demande.dossier, MOTIF);
    QString detail;
    if (!placeSuffisante(demande.dossier, QFileInfo(demande.base).size(), &detail))
        return echec(EcritureSure::Panne::DisquePlein, detail);

    EcritureSure ecriture(demande.dossier + QLatin1Char('/') + nomCopie(demande.moment));
    const QString provisoire = ecriture.cheminProvisoire();
    if (provisoire.isEmpty())
        return echec(ecriture.panne(), ecriture.detail());

    // L'instantané. Juste avant lui, la date de la dernière écriture de la base, que la copie
    // portera (voir baseModifiee()) ; autour de lui, ce que tient la base et son compteur de
    // changements : si aucune autre connexion n'a écrit entre les deux lectures, la copie doit
    // tenir exactement les mêmes nombres.
    const QDateTime prise = derniereEcriture(demande.base);
    Contenu source;
    bool baseStable = false;
    {
        const Lecture lecture(demande.base, "source");
        if (!lecture.ouverte)
            return echec(EcritureSure::Panne::Autre, lecture.erreur);
        const qint64 avant = versionDonnees(lecture.base());
        QString erreur;
        source = contenuDe(lecture.base(), &erreur);
        // Occupée trop longtemps par une autre écriture, ou abîmée : la copie attendra.
        if (!source.lisible)
            return echec(EcritureSure::Panne::Autre, erreur);
        if (source.version != Schema::VERSION)
            return echec(
                EcritureSure::Panne::Verification,
                QStringLiteral("base en version %1 au lieu de %2").arg(source.version).arg(Schema::VERSION));
        const int code = prendreInstantane(demande.base, provisoire, &erreur);
        if (code != SQLITE_OK)
            return echec(panneSqlite(code), erreur);
        baseStable = avant >= 0 && versionDonnees(lecture.base()) == avant;
    }

    const bool faite = ecriture.valider([&](const QString& chemin) {
        {
            const Lecture copie(chemin, "verification");
            QString constat = copie.erreur;
            if (copie.ouverte) {
                const auto lignes = Base::lignes(QStringLiteral("PRAGMA integrity_check"), {}, copie.base());
                if (lignes) {
                    QStringList textes;
                    for (const Base::Ligne& ligne : *lignes)
                        textes.append(ligne.value(0).toString());
                    constat = textes.join(QLatin1String(" ; ")).left(200);
                } else {
                    constat = lignes.erreur().texte;
                }
            }
            if (constat != QLatin1String("ok")) {
                ecriture.signalerPanne(EcritureSure::Panne::Verification, constat);
                return false;
            }
            bilan.contenu = contenuDe(copie.base());
        }
        const Contenu& c = bilan.contenu;
        if (!c.lisible || c.version != Schema::VERSION ||
            (baseStable && (c.eleves != source.eleves || c.dates != source.dates))) {
            ecriture.signalerPanne(EcritureSure::Panne::Verification,
                                   QStringLiteral("version %1, %2 élèves et %3 dates au lieu de %4 et %5")
                                       .arg(c.version)
                                       .arg(c.eleves)
                                       .arg(c.dates)
                                       .arg(source.eleves)
                                       .arg(source.dates));
            return false;
        }
        QFile fichier(chemin);
        return fichier.open(QIODevice::ReadWrite) &&
               fichier.setFileTime(prise, QFileDevice::FileModificationTime);
    });
    if (!faite)
        return echec(ecriture.panne(), ecriture.detail());
    bilan.chemin = ecriture.destination();

    if (!demande.second.isEmpty())
        copierDansLeSecond(demande, bilan);
    elaguer(demande.dossier, demande.moment.date(), bilan.chemin);
    return bilan;
}

} // namespace CopiesAuto
