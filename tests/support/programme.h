// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTest>

// Un programme lancé pour de vrai, dans un environnement à lui : dossier personnel, données,
// réglages et dossier temporaire dans `racine`, réponses préparées dans un fichier, messages
// écrits dans un journal.
class Programme
{
public:
    explicit Programme(const QString& racine, const QStringList& reponses = {}) : racine(racine)
    {
        static int numero = 0;
        const QString suffixe = QString::number(++numero);
        fichierReponses = racine + "/reponses-" + suffixe;
        fichierJournal = racine + "/journal-" + suffixe;
        QFile f(fichierReponses);
        if (f.open(QIODevice::WriteOnly))
            f.write(reponses.join('\n').toUtf8());

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", racine + "/maison");
        env.insert("XDG_DATA_HOME", racine + "/donnees");
        env.insert("XDG_CONFIG_HOME", racine + "/config");
        env.insert("XDG_RUNTIME_DIR", racine + "/execution");
        env.insert("TMPDIR", racine + "/tmp");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("QUORVEL_REPONSES", fichierReponses);
        env.insert("QUORVEL_JOURNAL", fichierJournal);
        for (const char* d : {"maison", "donnees", "config", "tmp"})
            QDir(racine).mkpath(d);
        QDir(racine).mkpath("execution");
        QFile::setPermissions(racine + "/execution",
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        processus.setProcessEnvironment(env);
        processus.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    }

    ~Programme()
    {
        if (processus.state() != QProcess::NotRunning) {
            processus.kill();
            processus.waitForFinished();
        }
    }

    void lancer(const QStringList& arguments = {})
    {
        processus.start(qEnvironmentVariable("QUORVEL_EXECUTABLE"), arguments);
        QVERIFY(processus.waitForStarted());
    }

    // Lance le programme et attend qu'il ait créé sa base.
    bool demarrer()
    {
        lancer();
        return QTest::qWaitFor([this] { return QFile::exists(base()); }, 20000);
    }

    // Le tue brutalement : ni verrou ni mémoire partagée ne sont rendus.
    bool tuer()
    {
        processus.kill();
        return processus.waitForFinished(20000);
    }

    // Attend qu'il se termine de lui-même ; vrai quand il sort avec `code`.
    bool fini(int code = 0)
    {
        return processus.waitForFinished(30000) && processus.exitStatus() == QProcess::NormalExit &&
               processus.exitCode() == code;
    }

    QStringList journal() const
    {
        QFile f(fichierJournal);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    }

    QString base() const { return racine + "/donnees/Marvek/Quorvel/QuorvelV3.sqlite"; }

    QString racine;
    QString fichierReponses;
    QString fichierJournal;
    QProcess processus;
};
