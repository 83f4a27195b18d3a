// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/serveurcups.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QThread>

namespace {

bool ecrire(const QString& chemin, const QString& texte)
{
    QFile fichier(chemin);
    return fichier.open(QIODevice::WriteOnly) && fichier.write(texte.toUtf8()) == texte.toUtf8().size();
}

// Pilote minimal : le PDF passe tel quel, avec un choix de recto-verso réglé sur le bord long.
const char* const PILOTE_RECTO_VERSO = R"PPD(*PPD-Adobe: "4.3"
*FormatVersion: "4.3"
*FileVersion: "1.0"
*LanguageVersion: English
*LanguageEncoding: ISOLatin1
*PCFileName: "ESSAIRV.PPD"
*Manufacturer: "Essai"
*Product: "(Essai)"
*ModelName: "Essai recto-verso"
*ShortNickName: "Essai recto-verso"
*NickName: "Essai recto-verso"
*PSVersion: "(3010.000) 0"
*LanguageLevel: "3"
*ColorDevice: True
*DefaultColorSpace: RGB
*FileSystem: False
*Throughput: "1"
*LandscapeOrientation: Plus90
*TTRasterizer: Type42
*cupsFilter: "application/pdf 0 -"
*OpenUI *PageSize/Format: PickOne
*OrderDependency: 10 AnySetup *PageSize
*DefaultPageSize: A4
*PageSize A4/A4: "<</PageSize[595 842]>>setpagedevice"
*CloseUI: *PageSize
*OpenUI *PageRegion: PickOne
*OrderDependency: 10 AnySetup *PageRegion
*DefaultPageRegion: A4
*PageRegion A4/A4: "<</PageSize[595 842]>>setpagedevice"
*CloseUI: *PageRegion
*DefaultImageableArea: A4
*ImageableArea A4/A4: "18 18 577 824"
*DefaultPaperDimension: A4
*PaperDimension A4/A4: "595 842"
*OpenUI *Duplex/Recto-verso: PickOne
*OrderDependency: 20 AnySetup *Duplex
*DefaultDuplex: DuplexNoTumble
*Duplex None/Recto seul: "<</Duplex false>>setpagedevice"
*Duplex DuplexNoTumble/Bord long: "<</Duplex true/Tumble false>>setpagedevice"
*Duplex DuplexTumble/Bord court: "<</Duplex true/Tumble true>>setpagedevice"
*CloseUI: *Duplex
)PPD";

} // namespace

ServeurCups::~ServeurCups()
{
    if (cupsd.state() != QProcess::NotRunning) {
        cupsd.terminate();
        if (!cupsd.waitForFinished(5000)) {
            cupsd.kill();
            cupsd.waitForFinished();
        }
    }
}

namespace {
// Les commandes d'administration sont souvent hors du PATH d'un utilisateur ordinaire.
QString executable(const QString& nom)
{
    const QString trouve = QStandardPaths::findExecutable(nom);
    return trouve.isEmpty() ? QStandardPaths::findExecutable(nom, {"/usr/sbin", "/usr/local/sbin"}) : trouve;
}
} // namespace

bool ServeurCups::demarrer(QString* raison)
{
    // Même si le serveur ne démarre pas, les essais ne voient jamais les imprimantes de la machine.
    const QString prise = dossier.path() + "/cups.sock";
    qputenv("CUPS_SERVER", prise.toLocal8Bit());
    const QString programme = executable("cupsd");
    if (programme.isEmpty() || executable("lpadmin").isEmpty()) {
        *raison = "cupsd ou lpadmin introuvable (paquets cups, cups-client)";
        return false;
    }
    // Les filtres du serveur tournent sous un autre utilisateur : le dossier doit être traversable.
    QFile::setPermissions(dossier.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                              QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                              QFileDevice::ExeOther);
    const QString racine = dossier.path();
    for (const char* sous : {"conf", "spool", "cache", "etat", "tmp", "journaux"})
        QDir(racine).mkpath(sous);
    QFile::setPermissions(racine + "/tmp",
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                              QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                              QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther);
    const bool ecrit =
        ecrire(racine + "/conf/cupsd.conf",
               "Listen " + prise +
                   "\nLogLevel warn\nDefaultAuthType None\nBrowsing No\nErrorPolicy abort-job\n"
                   "PreserveJobFiles Yes\nPreserveJobHistory Yes\nPageLogFormat %j|%{job-name}|%{sides}\n"
                   "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                   "<Policy default>\n  <Limit All>\n    Order deny,allow\n    Allow all\n  "
                   "</Limit>\n</Policy>\n") &&
        ecrire(racine + "/conf/cups-files.conf",
               "ServerRoot " + racine + "/conf\nRequestRoot " + racine + "/spool\nCacheDir " + racine +
                   "/cache\nStateDir " + racine + "/etat\nTempDir " + racine + "/tmp\nErrorLog " + racine +
                   "/journaux/error_log\nAccessLog " + racine + "/journaux/access_log\nPageLog " + racine +
                   "/journaux/page_log\nFileDevice Yes\n") &&
        ecrire(racine + "/conf/recto-verso.ppd", PILOTE_RECTO_VERSO);
    if (!ecrit) {
        *raison = "configuration impossible à écrire dans " + racine;
        return false;
    }
    cupsd.setProcessChannelMode(QProcess::MergedChannels);
    cupsd.start(programme, {"-f", "-c", racine + "/conf/cupsd.conf", "-s", racine + "/conf/cups-files.conf"});
    if (!cupsd.waitForStarted()) {
        *raison = "cupsd ne démarre pas";
        return false;
    }
    const QDeadlineTimer delai(15000);
    while (!delai.hasExpired()) {
        if (cupsd.state() == QProcess::NotRunning) {
            *raison = "cupsd s'est arrêté : " + QString::fromLocal8Bit(cupsd.readAll());
            return false;
        }
        if (QFile::exists(prise) && commande("lpstat", {"-r"}))
            return true;
        QThread::msleep(50);
    }
    *raison = "cupsd ne répond pas";
    return false;
}

bool ServeurCups::commande(const QString& programme, const QStringList& arguments) const
{
    QProcess processus; // sorties écartées (lpadmin prévient que les pilotes sont dépréciés)
    processus.start(executable(programme), arguments);
    return processus.waitForFinished(15000) && processus.exitStatus() == QProcess::NormalExit &&
           processus.exitCode() == 0;
}

bool ServeurCups::ajouterFile(const QString& nom, bool rectoVerso) const
{
    QStringList arguments{"-p", nom, "-E", "-v", "file:///dev/null"};
    if (rectoVerso)
        arguments << "-P" << dossier.filePath("conf/recto-verso.ppd");
    return commande("lpadmin", arguments);
}

QList<ServeurCups::Travail> ServeurCups::travaux() const
{
    // Les travaux entrent au journal des pages quand ils sont terminés.
    const QDeadlineTimer delai(15000);
    while (!delai.hasExpired()) {
        QProcess lpstat;
        lpstat.start(executable("lpstat"), {"-W", "not-completed", "-o"});
        lpstat.waitForFinished();
        if (lpstat.readAllStandardOutput().trimmed().isEmpty())
            break;
        QThread::msleep(50);
    }
    QList<Travail> liste;
    QFile journal(dossier.filePath("journaux/page_log"));
    if (!journal.open(QIODevice::ReadOnly))
        return liste;
    for (const QString& ligne : QString::fromUtf8(journal.readAll()).split('\n', Qt::SkipEmptyParts)) {
        const QStringList champs = ligne.split('|');
        if (champs.size() < 3)
            continue;
        Travail travail;
        travail.id = champs[0].toInt();
        travail.nom = champs[1];
        travail.faces = champs[2];
        travail.document = dossier.filePath(QString("spool/d%1-001").arg(travail.id, 5, 10, QChar('0')));
        liste << travail;
    }
    return liste;
}
