// SPDX-License-Identifier: GPL-3.0-or-later
#include "coupures/banc.h"
#include "coupures/chargement.h"

#include <cerrno>

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMetaType>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

namespace Coupures {

namespace {

// Heure murale figée dans l'enfant (le 6 décembre 2025 à 10 h, temps universel).
const QString HORLOGE = QStringLiteral("1765015200");
const QString BASE = QStringLiteral("donnees/QuorvelV3.sqlite");
// Au-delà, un enfant qui ne rend pas la main est tenu pour bloqué.
constexpr int ATTENTE_MAX_MS = 300000;

// Codes de sortie de l'exécutant.
constexpr int REUSSITE = 0;
constexpr int ECHEC = 3;
constexpr int ECHEC_PARTIE_VALIDEE = 5; // échec annoncé, ce qui précède l'échec reste voulu
constexpr int SANS_COMPTE_RENDU = 6;    // l'opération ne dit pas si elle a réussi
constexpr int COPIE_MANQUEE = 7;        // enregistrement fait, copie automatique manquée

bool finNormale(int code)
{
    return code == REUSSITE || code == ECHEC_PARTIE_VALIDEE || code == SANS_COMPTE_RENDU;
}

QByteArray empreinteFichier(const QString& chemin)
{
    QFile fichier(chemin);
    if (!fichier.open(QIODevice::ReadOnly))
        return QByteArray();
    QCryptographicHash hachage(QCryptographicHash::Sha1);
    hachage.addData(&fichier);
    return hachage.result().toHex();
}

// Chemins relatifs de tous les fichiers sous un dossier.
QStringList fichiersSous(const QString& racine)
{
    QStringList resultat;
    QDirIterator it(racine, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        resultat.append(QDir(racine).relativeFilePath(it.next()));
    resultat.sort();
    return resultat;
}

QString texteValeur(const QVariant& valeur)
{
    if (valeur.isNull())
        return QStringLiteral("NULL");
    if (valeur.typeId() == QMetaType::QByteArray)
        return QStringLiteral("blob:") + QString::fromLatin1(valeur.toByteArray().toHex());
    return QString::fromLatin1(valeur.typeName()) + QLatin1Char(':') + valeur.toString();
}

// Copies de l'état de départ que des opérations laissent à côté de la base : la copie de
// sécurité de l'initialisation ou de la mise à jour du livret, l'ancienne base d'une
// restauration, la copie proposée avant l'importation des élèves.
bool estCopieDeDepart(const QString& relatif)
{
    return (relatif.startsWith(QLatin1String("donnees/")) &&
            (relatif.endsWith(QLatin1String(".avant-initialisation")) ||
             relatif.endsWith(QLatin1String(".avant-mise-a-jour")))) ||
           relatif == QLatin1String("donnees/QuorvelV3.sqlite.bak") ||
           relatif == QLatin1String("sauvegarde/QuorvelV3.sqlite");
}

// Copies automatiques, dans le dossier des copies ou dans le second dossier : une copie qui
// porte ce nom compte, elle doit donc tenir la base d'arrivée, entière.
bool estCopieDArrivee(const QString& relatif)
{
    static const QRegularExpression modele(
        QStringLiteral("^(donnees/copies|sauvegarde)/QuorvelV3-\\d{4}-\\d{2}-\\d{2}-\\d{4}\\.sqlite$"));
    return modele.match(relatif).hasMatch();
}

} // namespace

QByteArray contenu(const QString& chemin)
{
    static int compteur = 0;
    const QString connexion = QStringLiteral("banc_contenu_%1").arg(++compteur);
    QByteArray texte;
    {
        QSqlDatabase base = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connexion);
        base.setDatabaseName(chemin);
        if (base.open()) {
            QSqlQuery requete(base);
            requete.setForwardOnly(true);
            requete.exec(QStringLiteral("SELECT type, name, tbl_name, sql FROM sqlite_master ORDER BY "
                                        "type, name"));
            QStringList tables;
            while (requete.next()) {
                texte += "schema";
                for (int i = 0; i < 4; ++i)
                    texte += '\x1f' + texteValeur(requete.value(i)).toUtf8();
                texte += '\n';
                if (requete.value(0).toString() == QLatin1String("table") &&
                    !requete.value(1).toString().startsWith(QLatin1String("sqlite_")))
                    tables.append(requete.value(1).toString());
            }
            for (const QString& table : std::as_const(tables)) {
                const int colonnes = base.record(table).count();
                QStringList tri;
                for (int c = 1; c <= colonnes; ++c)
                    tri.append(QStringLiteral("%1 COLLATE BINARY").arg(c));
                // Le nom vient de sqlite_master de la base examinée, jamais de l'extérieur.
                requete.exec(QStringLiteral("SELECT * FROM \"%1\" ORDER BY %2")
                                 .arg(table, tri.join(QLatin1Char(','))));
                texte += "table\x1f" + table.toUtf8() + '\n';
                while (requete.next()) {
                    for (int i = 0; i < colonnes; ++i)
                        texte += texteValeur(requete.value(i)).toUtf8() + '\x1f';
                    texte += '\n';
                }
            }
            base.close();
        }
    }
    QSqlDatabase::removeDatabase(connexion);
    return texte;
}

EtatBase lireBase(const QString& chemin)
{
    EtatBase etat;
    etat.present = QFileInfo::exists(chemin);
    if (!etat.present)
        return etat;
    static int compteur = 0;
    const QString connexion = QStringLiteral("banc_lecture_%1").arg(++compteur);
    {
        QSqlDatabase base = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connexion);
        base.setDatabaseName(chemin);
        etat.ouverte = base.open();
        if (etat.ouverte) {
            QSqlQuery requete(base);
            if (requete.exec(QStringLiteral("PRAGMA integrity_check"))) {
                QStringList lignes;
                while (requete.next())
                    lignes.append(requete.value(0).toString());
                etat.integrite = lignes.join(QLatin1Char('\n'));
            } else {
                etat.integrite = requete.lastError().text();
            }
            if (etat.integrite == QLatin1String("ok")) {
                QStringList comptes;
                QStringList tables;
                requete.exec(
                    QStringLiteral("SELECT name FROM sqlite_master WHERE type='table' ORDER BY name"));
                while (requete.next())
                    tables.append(requete.value(0).toString());
                for (const QString& table : std::as_const(tables)) {
                    requete.exec(QStringLiteral("SELECT COUNT(*) FROM \"%1\"").arg(table));
                    comptes.append(table + QLatin1Char('=') +
                                   (requete.next() ? requete.value(0).toString() : QStringLiteral("?")));
                }
                etat.resume = comptes.join(QLatin1Char(' '));
            }
            base.close();
        }
    }
    QSqlDatabase::removeDatabase(connexion);
    if (etat.integrite == QLatin1String("ok"))
        etat.empreinte = QCryptographicHash::hash(contenu(chemin), QCryptographicHash::Sha1).toHex();
    return etat;
}

QList<int> pointsRepartis(int total, int nombre)
{
    QList<int> points;
    if (total < 1 || nombre < 1)
        return points;
    if (nombre >= total) {
        for (int p = 1; p <= total; ++p)
            points.append(p);
    } else if (nombre == 1) {
        points.append(1 + total / 2);
    } else {
        for (int k = 0; k < nombre; ++k) {
            const int p = 1 + int(qint64(k) * (total - 1) / (nombre - 1));
            if (points.isEmpty() || points.last() != p)
                points.append(p);
        }
    }
    return points;
}

Banc::Banc(const QString& executant_, const QString& bibliotheque_, const QString& dossier_)
    : executant(executant_), bibliotheque(bibliotheque_), dossier(QDir(dossier_).absolutePath())
{
    QDir().mkpath(dossier);
    dossier = QFileInfo(dossier).canonicalFilePath();
}

QStringList Banc::operations() const
{
    QProcess processus;
    processus.start(executant, {QStringLiteral("liste")});
    if (!processus.waitForFinished(ATTENTE_MAX_MS))
        return {};
    return QString::fromUtf8(processus.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString Banc::racineModele() const
{
    return dossier + QLatin1Char('/') + nom + QStringLiteral("-avant");
}

QString Banc::racineApres() const
{
    return dossier + QLatin1Char('/') + nom + QStringLiteral("-apres");
}

QString Banc::racinePartielle() const
{
    return dossier + QLatin1Char('/') + nom + QStringLiteral("-partiel");
}

QString Banc::nouvelleRacine()
{
    return dossier + QStringLiteral("/%1-essai-%2").arg(nom).arg(++numero);
}

bool Banc::copierDossier(const QString& source, const QString& cible)
{
    QDir(cible).removeRecursively();
    QDirIterator dossiers(source, QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    QDir().mkpath(cible);
    while (dossiers.hasNext())
        QDir().mkpath(cible + QLatin1Char('/') + QDir(source).relativeFilePath(dossiers.next()));
    for (const QString& relatif : fichiersSous(source))
        if (!QFile::copy(source + QLatin1Char('/') + relatif, cible + QLatin1Char('/') + relatif))
            return false;
    return true;
}

Banc::Lancement Banc::lancer(const QString& racine, const QStringList& arguments, int point, int delaiMs,
                             const QString& fichierCompte, int erreur)
{
    Lancement resultat;
    for (const char* sous : {"donnees", "entrees", "sauvegarde", "tmp", "travail"})
        QDir().mkpath(racine + QLatin1Char('/') + QLatin1String(sous));
    const QString canonique = QFileInfo(racine).canonicalFilePath();

    QProcessEnvironment environnement = environnementCoupure(bibliotheque);
    environnement.insert(QStringLiteral("COUPURE_RACINE"), canonique);
    environnement.insert(QStringLiteral("COUPURE_POINT"), QString::number(qMax(point, 0)));
    environnement.insert(QStringLiteral("COUPURE_HORLOGE"), HORLOGE);
    if (erreur >= 0) {
        environnement.insert(QStringLiteral("COUPURE_MODE"), QStringLiteral("erreur"));
        environnement.insert(QStringLiteral("COUPURE_ERRNO"), QString::number(erreur));
    } else {
        environnement.remove(QStringLiteral("COUPURE_MODE"));
    }
    if (fichierCompte.isEmpty())
        environnement.remove(QStringLiteral("COUPURE_COMPTE"));
    else
        environnement.insert(QStringLiteral("COUPURE_COMPTE"), fichierCompte);
    // Le dossier temporaire du système (copie de la restauration) est dans l'essai.
    environnement.insert(QStringLiteral("TMPDIR"), canonique + QStringLiteral("/tmp"));

    QProcess processus;
    processus.setProcessEnvironment(environnement);
    processus.setWorkingDirectory(canonique + QStringLiteral("/travail"));
    processus.setProcessChannelMode(QProcess::MergedChannels);
    QStringList args = arguments;
    args.append(canonique);
    processus.start(executant, args);
    resultat.demarre = processus.waitForStarted(ATTENTE_MAX_MS);
    if (!resultat.demarre) {
        resultat.sortie = processus.errorString();
        return resultat;
    }
    if (delaiMs >= 0 && !processus.waitForFinished(delaiMs))
        processus.kill();
    if (!processus.waitForFinished(ATTENTE_MAX_MS)) {
        processus.kill();
        processus.waitForFinished(ATTENTE_MAX_MS);
        resultat.sortie = QStringLiteral("bloqué ; ");
    }
    resultat.tue = processus.exitStatus() == QProcess::CrashExit;
    resultat.code = processus.exitCode();
    resultat.sortie += QString::fromUtf8(processus.readAll());
    return resultat;
}

bool Banc::preparer(const QString& operation, QString* erreur)
{
    nom = operation;
    numero = 0;
    const QString modele = racineModele();
    QDir(modele).removeRecursively();
    QDir().mkpath(modele);
    const Lancement preparation = lancer(modele, {QStringLiteral("preparer"), operation}, 0, -1, QString());
    if (!preparation.demarre || preparation.tue || preparation.code != REUSSITE) {
        *erreur = QStringLiteral("préparation de %1 en échec (code %2) : %3")
                      .arg(operation)
                      .arg(preparation.code)
                      .arg(preparation.sortie);
        return false;
    }
    fichiersAvant.clear();
    for (const QString& relatif : fichiersSous(modele))
        fichiersAvant.insert(relatif, empreinteFichier(modele + QLatin1Char('/') + relatif));
    avant = lireBase(modele + QLatin1Char('/') + BASE);
    if (!avant.saine()) {
        *erreur = QStringLiteral("base de départ de %1 malsaine : %2").arg(operation, avant.integrite);
        return false;
    }

    // Première partie seule, quand l'opération en valide une à part (code 4 sinon).
    partiel = EtatBase();
    if (!copierDossier(modele, racinePartielle())) {
        *erreur = QStringLiteral("copie du dossier de départ impossible");
        return false;
    }
    const Lancement premierePartie =
        lancer(racinePartielle(), {QStringLiteral("partiel"), operation}, 0, -1, QString());
    if (premierePartie.demarre && !premierePartie.tue && premierePartie.code == 0) {
        partiel = lireBase(racinePartielle() + QLatin1Char('/') + BASE);
        if (!partiel.saine()) {
            *erreur = QStringLiteral("état partiel de %1 malsain : %2").arg(operation, partiel.integrite);
            return false;
        }
    } else if (premierePartie.code != 4) {
        *erreur = QStringLiteral("première partie de %1 en échec (code %2) : %3")
                      .arg(operation)
                      .arg(premierePartie.code)
                      .arg(premierePartie.sortie);
        return false;
    }

    // Exécution complète : nombre d'appels, durée et état d'arrivée.
    const QString racine = racineApres();
    if (!copierDossier(modele, racine)) {
        *erreur = QStringLiteral("copie du dossier de départ impossible");
        return false;
    }
    const QString compte = dossier + QLatin1Char('/') + operation + QStringLiteral("-compte.txt");
    QFile::remove(compte);
    QElapsedTimer chrono;
    chrono.start();
    const Lancement complet = lancer(racine, {QStringLiteral("executer"), operation}, 0, -1, compte);
    duree = chrono.elapsed();
    codeComplet = complet.code;
    if (!complet.demarre || complet.tue || !finNormale(complet.code)) {
        *erreur = QStringLiteral("exécution complète de %1 en échec (code %2) : %3")
                      .arg(operation)
                      .arg(complet.code)
                      .arg(complet.sortie);
        return false;
    }
    QFile fichierCompte(compte);
    appels = fichierCompte.open(QIODevice::ReadOnly) ? fichierCompte.readAll().trimmed().toInt() : 0;
    if (appels < 1) {
        *erreur = QStringLiteral("aucun appel compté : la bibliothèque de coupure n'est pas chargée ?");
        return false;
    }
    apres = lireBase(racine + QLatin1Char('/') + BASE);
    if (!apres.saine()) {
        *erreur = QStringLiteral("base d'arrivée de %1 malsaine : %2").arg(operation, apres.integrite);
        return false;
    }
    if (apres.empreinte == avant.empreinte) {
        *erreur = QStringLiteral("%1 ne change rien à la base : l'essai ne prouverait rien").arg(operation);
        return false;
    }
    return true;
}

Verdict Banc::verifier(const QString& racine, bool melangeAdmis)
{
    Verdict verdict;
    const auto incoherent = [&verdict](const QString& raison) {
        verdict.coherent = false;
        verdict.raison += (verdict.raison.isEmpty() ? QString() : QStringLiteral(" ; ")) + raison;
    };

    // Les états admis de la base, chacun avec le dossier de l'exécution qui l'a produit.
    struct Admis {
        QString nom;
        const EtatBase* etat;
        QString racine;
    };
    QList<Admis> admis{{QStringLiteral("avant"), &avant, racineModele()},
                       {QStringLiteral("après"), &apres, racineApres()}};
    if (aUnEtatPartiel())
        admis.append({QStringLiteral("partiel"), &partiel, racinePartielle()});

    const EtatBase base = lireBase(racine + QLatin1Char('/') + BASE);
    const Admis* trouve = nullptr;
    if (!base.present) {
        verdict.etat = QStringLiteral("absente");
        incoherent(QStringLiteral("la base a disparu de son chemin"));
    } else if (!base.ouverte) {
        verdict.etat = QStringLiteral("fermée");
        incoherent(QStringLiteral("la base ne s'ouvre pas"));
    } else if (base.integrite != QLatin1String("ok")) {
        verdict.etat = QStringLiteral("abîmée");
        incoherent(QStringLiteral("integrity_check : ") + base.integrite.left(200));
    } else {
        for (const Admis& a : std::as_const(admis))
            if (!trouve && base.empreinte == a.etat->empreinte)
                trouve = &a;
        if (trouve) {
            verdict.etat = trouve->nom;
        } else {
            verdict.etat = QStringLiteral("mélange");
            if (!melangeAdmis)
                incoherent(QStringLiteral("ni l'état d'avant ni celui d'après : %1 (avant : %2 ; après : %3)")
                               .arg(base.resume, avant.resume, apres.resume));
        }
    }
    // Une fois la base écrite (en tout ou en partie), les fichiers à côté peuvent être dans
    // l'état que leur laisse l'exécution qui a écrit la même base.
    const bool ecrite = trouve && trouve->nom != QLatin1String("avant");
    const QString racineEcrite = ecrite ? trouve->racine : QString();
    const QStringList presents = fichiersSous(racine);

    // Fichiers de l'état de départ (ancienne base d'une version précédente, entrées…) :
    // intacts, ou dans l'état que leur laisse l'exécution qui a écrit la même base.
    for (auto it = fichiersAvant.constBegin(); it != fichiersAvant.constEnd(); ++it) {
        const QString& relatif = it.key();
        if (relatif == BASE)
            continue;
        const QString ici = racine + QLatin1Char('/') + relatif;
        const QByteArray empreinte = QFileInfo::exists(ici) ? empreinteFichier(ici) : QByteArray();
        if (empreinte == it.value())
            continue;
        if (ecrite) {
            const QString la = racineEcrite + QLatin1Char('/') + relatif;
            if (empreinte == (QFileInfo::exists(la) ? empreinteFichier(la) : QByteArray()))
                continue;
        }
        incoherent(QStringLiteral("%1 %2").arg(relatif, empreinte.isEmpty() ? QStringLiteral("a disparu")
                                                                            : QStringLiteral("a changé")));
    }

    // Fichiers nouveaux : les copies de l'état de départ doivent être complètes ; le reste
    // (copies temporaires abandonnées) n'est que débris.
    for (const QString& relatif : presents) {
        if (fichiersAvant.contains(relatif) || relatif == BASE)
            continue;
        if (estCopieDeDepart(relatif)) {
            const EtatBase copie = lireBase(racine + QLatin1Char('/') + relatif);
            if (!copie.saine() || copie.empreinte != avant.empreinte)
                incoherent(QStringLiteral("la copie %1 n'est pas la base de départ (%2)")
                               .arg(relatif, copie.saine() ? copie.resume : copie.integrite.left(100)));
        } else if (estCopieDArrivee(relatif)) {
            const EtatBase copie = lireBase(racine + QLatin1Char('/') + relatif);
            if (!copie.saine() || copie.empreinte != apres.empreinte)
                incoherent(QStringLiteral("la copie %1 compte mais n'est pas la base d'arrivée (%2)")
                               .arg(relatif, copie.saine() ? copie.resume : copie.integrite.left(100)));
        } else if (relatif != QLatin1String("donnees/out.xml") &&
                   !relatif.endsWith(QLatin1String("-journal"))) {
            // Un journal resté après l'ouverture n'est pas « chaud » (vide ou sans en-tête
            // valide) : SQLite ne le rejoue jamais et le réécrit à la transaction suivante.
            verdict.debris.append(relatif);
        }
    }
    // Une fois la base écrite, les copies que l'opération fait avant d'écrire existent.
    if (ecrite) {
        for (const QString& relatif : fichiersSous(racineEcrite))
            if (estCopieDeDepart(relatif) && !presents.contains(relatif))
                incoherent(QStringLiteral("la copie %1 manque alors que la base est écrite").arg(relatif));
    }
    return verdict;
}

Verdict Banc::couperAuPoint(int point)
{
    const QString racine = nouvelleRacine();
    Verdict verdict;
    if (!copierDossier(racineModele(), racine)) {
        verdict.coherent = false;
        verdict.raison = QStringLiteral("copie du dossier de départ impossible");
        return verdict;
    }
    const Lancement lancement = lancer(racine, {QStringLiteral("executer"), nom}, point, -1, QString());
    verdict = verifier(racine);
    verdict.coupe = lancement.tue;
    if (!lancement.tue && (lancement.code != codeComplet || verdict.etat != QStringLiteral("après"))) {
        verdict.coherent = false;
        verdict.raison += QStringLiteral(" ; sans coupure (état %3), l'opération a fini en code %1 : %2")
                              .arg(lancement.code)
                              .arg(lancement.sortie.left(300), verdict.etat);
    }
    if (verdict.coherent || !garder_)
        QDir(racine).removeRecursively();
    else
        verdict.raison += QStringLiteral(" [gardé dans %1]").arg(racine);
    return verdict;
}

Verdict Banc::couperApres(int millisecondes)
{
    const QString racine = nouvelleRacine();
    Verdict verdict;
    if (!copierDossier(racineModele(), racine)) {
        verdict.coherent = false;
        verdict.raison = QStringLiteral("copie du dossier de départ impossible");
        return verdict;
    }
    const Lancement lancement =
        lancer(racine, {QStringLiteral("executer"), nom}, 0, millisecondes, QString());
    verdict = verifier(racine);
    verdict.coupe = lancement.tue;
    if (!lancement.tue && lancement.code != codeComplet) {
        verdict.coherent = false;
        verdict.raison += QStringLiteral(" ; l'opération a fini en code %1").arg(lancement.code);
    }
    if (verdict.coherent || !garder_)
        QDir(racine).removeRecursively();
    else
        verdict.raison += QStringLiteral(" [gardé dans %1]").arg(racine);
    return verdict;
}

Verdict Banc::echouerAuPoint(int point, int errno_)
{
    const QString racine = nouvelleRacine();
    Verdict verdict;
    if (!copierDossier(racineModele(), racine)) {
        verdict.coherent = false;
        verdict.raison = QStringLiteral("copie du dossier de départ impossible");
        return verdict;
    }
    const Lancement lancement =
        lancer(racine, {QStringLiteral("executer"), nom}, point, -1, QString(), errno_ > 0 ? errno_ : EIO);
    verdict = verifier(racine, lancement.code == ECHEC_PARTIE_VALIDEE);
    const auto incoherent = [&verdict](const QString& raison) {
        verdict.coherent = false;
        verdict.raison += (verdict.raison.isEmpty() ? QString() : QStringLiteral(" ; ")) + raison;
    };
    const bool apres = verdict.etat == QStringLiteral("après");
    const bool avant = verdict.etat == QLatin1String("avant") || verdict.etat == QLatin1String("partiel");
    if (lancement.tue || !lancement.demarre)
        incoherent(QStringLiteral("le programme s'est arrêté net sur l'erreur : %1")
                       .arg(lancement.sortie.left(300)));
    else if (lancement.code == REUSSITE && !apres)
        incoherent(
            QStringLiteral("réussite annoncée, mais la base est dans l'état « %1 »").arg(verdict.etat));
    else if (lancement.code == ECHEC && !avant)
        incoherent(QStringLiteral("échec annoncé, mais la base est dans l'état « %1 »").arg(verdict.etat));
    else if (lancement.code == COPIE_MANQUEE && !apres)
        incoherent(QStringLiteral("copie manquée annoncée après l'enregistrement, mais la base est dans "
                                  "l'état « %1 »")
                       .arg(verdict.etat));
    else if (!finNormale(lancement.code) && lancement.code != ECHEC && lancement.code != COPIE_MANQUEE)
        incoherent(QStringLiteral("fin inattendue (code %1) : %2")
                       .arg(lancement.code)
                       .arg(lancement.sortie.left(300)));
    if (verdict.coherent || !garder_)
        QDir(racine).removeRecursively();
    else
        verdict.raison += QStringLiteral(" [gardé dans %1]").arg(racine);
    return verdict;
}

} // namespace Coupures
