// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// Banc des coupures : lance une opération d'écriture du programme dans un processus enfant
// (l'exécutant) et le tue par SIGKILL en un point choisi de son travail sur les fichiers,
// puis vérifie ce qui reste sur le disque. Une coupure est sans dommage quand la base
// s'ouvre, que « PRAGMA integrity_check » répond « ok », et que son contenu est exactement
// celui d'avant l'opération ou celui d'après, jamais un mélange ; les fichiers annexes de
// l'opération (copie de sécurité, ancienne base, copie avant importation, « .bak ») sont
// contrôlés de la même façon, et une copie automatique qui porte son nom doit tenir la base
// d'arrivée, entière.
namespace Coupures {

// Ce qu'on lit d'un fichier de base.
struct EtatBase {
    bool present = false;
    bool ouverte = false;
    QString integrite;    // réponse de « PRAGMA integrity_check »
    QByteArray empreinte; // SHA-1 du contenu ordonné de toutes les tables et du schéma
    QString resume;       // nombre de lignes de chaque table, pour les messages
    bool saine() const { return ouverte && integrite == QLatin1String("ok"); }
};

// Lit une base sur une connexion à part (un journal laissé par une coupure est rejoué ou
// annulé par SQLite à cette ouverture, comme au démarrage du programme).
EtatBase lireBase(const QString& chemin);

// Le contenu ordonné de toutes les tables d'une base ouverte, en texte : schéma d'abord, puis
// chaque table, ses lignes triées sur toutes leurs colonnes.
QByteArray contenu(const QString& chemin);

// Issue d'un essai.
struct Verdict {
    bool coupe = false;   // l'enfant est bien mort de la coupure
    bool coherent = true; // rien à redire
    QString etat;         // « avant », « après », ou ce qui a été trouvé
    QString raison;       // ce qui ne va pas
    QStringList debris;   // fichiers laissés à côté de la base (sans dommage)
};

// Les points de coupure répartis régulièrement de 1 à `total` (les deux bouts compris).
QList<int> pointsRepartis(int total, int nombre);

class Banc
{
public:
    // `executant` : le programme enfant ; `bibliotheque` : la bibliothèque de coupure chargée
    // par LD_PRELOAD ; `dossier` : dossier de travail (temporaire) du banc.
    Banc(const QString& executant, const QString& bibliotheque, const QString& dossier);

    // Noms des opérations que l'exécutant sait mener.
    QStringList operations() const;

    // Prépare l'état de départ de l'opération, puis la lance sans coupure pour connaître le
    // nombre d'appels sur les fichiers et l'état d'arrivée. Faux (et `erreur`) si l'une des
    // deux étapes échoue ou si l'état d'arrivée n'est pas sain.
    bool preparer(const QString& operation, QString* erreur);

    const QString& operation() const { return nom; }
    int total() const { return appels; }
    qint64 dureeMs() const { return duree; }
    QByteArray empreinteAvant() const { return avant.empreinte; }
    QByteArray empreinteApres() const { return apres.empreinte; }
    // Vrai quand l'opération valide une première partie de son travail avant la suite (la
    // pose de la base avant la reprise d'une version précédente) : cet état est admis aussi.
    bool aUnEtatPartiel() const { return !partiel.empreinte.isEmpty(); }
    // Dossier d'essai de l'exécution complète (pour des contrôles propres à une opération).
    QString racineApres() const;
    QString racineModele() const;
    QString racinePartielle() const;

    // Coupure juste avant le `point`-ième appel sur les fichiers.
    Verdict couperAuPoint(int point);
    // Coupure après un délai, mesuré depuis le lancement de l'enfant.
    Verdict couperApres(int millisecondes);
    // Panne du disque : le `point`-ième appel échoue (code `errno`, EIO par défaut) et
    // l'opération continue. La base doit rester saine, et ce que l'opération en dit doit
    // être vrai : une réussite annoncée laisse l'état d'après, un échec annoncé l'état
    // d'avant (ou la partie que l'opération valide exprès).
    Verdict echouerAuPoint(int point, int errno_ = 0);

    // Garde les dossiers des essais incohérents (pour les examiner) au lieu de les effacer.
    void garderIncoherents(bool garder) { garder_ = garder; }

private:
    struct Lancement {
        bool demarre = false;
        bool tue = false;
        int code = -1;
        QString sortie;
    };
    Lancement lancer(const QString& racine, const QStringList& arguments, int point, int delaiMs,
                     const QString& fichierCompte, int erreur = -1);
    Verdict verifier(const QString& racine, bool melangeAdmis = false);
    QString nouvelleRacine();
    bool copierDossier(const QString& source, const QString& cible);

    QString executant;
    QString bibliotheque;
    QString dossier;
    QString nom;
    int appels = 0;
    int codeComplet = 0; // code de sortie de l'exécution complète
    qint64 duree = 0;
    int numero = 0;
    bool garder_ = false;
    EtatBase avant;
    EtatBase apres;
    EtatBase partiel; // vide quand l'opération n'a pas de partie validée à part
    // Empreintes des fichiers de l'état de départ (chemin relatif → SHA-1 des octets).
    QMap<QString, QByteArray> fichiersAvant;
};

} // namespace Coupures
