// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/commun/invite.h"

#include "core/commun/application.h"
#include "core/commun/dossierdepart.h"
#include "gui/commun/bureau.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHash>
#include <QInputDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QTextStream>

Repondeur::~Repondeur() = default;

namespace {

// Les vrais dialogues.
class RepondeurReel : public Repondeur
{
public:
    QMessageBox::StandardButton message(Invite::Genre genre, QWidget* parent, const QString& titre,
                                        const QString& texte, QMessageBox::StandardButtons boutons,
                                        QMessageBox::StandardButton defaut) override
    {
        switch (genre) {
        case Invite::Genre::Information:
            return QMessageBox::information(parent, titre, texte, boutons, defaut);
        case Invite::Genre::Avertissement:
            return QMessageBox::warning(parent, titre, texte, boutons, defaut);
        case Invite::Genre::Critique:
            return QMessageBox::critical(parent, titre, texte, boutons, defaut);
        case Invite::Genre::Question:
            break;
        }
        return QMessageBox::question(parent, titre, texte, boutons, defaut);
    }

    std::optional<QString> texte(QWidget* parent, const QString& titre, const QString& libelle,
                                 QLineEdit::EchoMode mode, const QString& initial) override
    {
        bool ok = false;
        const QString saisi = QInputDialog::getText(parent, titre, libelle, mode, initial, &ok);
        if (!ok)
            return std::nullopt;
        return saisi;
    }

    QString fichierAOuvrir(QWidget* parent, const QString& titre, const QString& dossier,
                           const QString& filtre) override
    {
        return QFileDialog::getOpenFileName(parent, titre, dossier, filtre);
    }

    QString fichierAEnregistrer(QWidget* parent, const QString& titre, const QString& chemin,
                                const QString& filtre) override
    {
        return QFileDialog::getSaveFileName(parent, titre, chemin, filtre);
    }

    QString dossier(QWidget* parent, const QString& titre, const QString& dossier) override
    {
        return QFileDialog::getExistingDirectory(parent, titre, dossier);
    }

    bool impression(QPrinter* imprimante, QWidget* parent) override
    {
        QPrintDialog dialogue(imprimante, parent);
        return dialogue.exec() == QDialog::Accepted;
    }

    bool ouvrirUrl(const QUrl& url) override { return Bureau::ouvrir(url); }
};

// Le répondeur piloté par fichier ne sert qu'aux essais et au banc : le programme livré (paquet)
// est construit sans lui, et ne lit donc jamais QUORVEL_REPONSES ni QUORVEL_JOURNAL.
#ifdef QUORVEL_REPONDEUR_ENVIRONNEMENT
QString nomGenre(Invite::Genre genre)
{
    switch (genre) {
    case Invite::Genre::Information:
        return QStringLiteral("information");
    case Invite::Genre::Avertissement:
        return QStringLiteral("avertissement");
    case Invite::Genre::Critique:
        return QStringLiteral("critique");
    case Invite::Genre::Question:
        break;
    }
    return QStringLiteral("question");
}

// Répondeur piloté par fichier : une réponse par ligne (« Yes », « Ok », « No »… pour un
// bouton, « texte:… » pour une saisie, « chemin:… » pour un fichier ou un dossier,
// « imprimer », « imprimer:… » (imprimante ou fichier PDF choisi) ou « annuler »). Chaque
// message et chaque question imprévue sont ajoutés au journal, une ligne par message : genre,
// titre et texte séparés par des tabulations, les sauts de ligne écrits « \n ».
class RepondeurScript : public RepondeurPrepare
{
public:
    RepondeurScript(const QString& fichierReponses, const QString& fichierJournal) : journal(fichierJournal)
    {
        QFile fichier(fichierReponses);
        if (!fichier.open(QIODevice::ReadOnly | QIODevice::Text))
            return;
        const QHash<QString, QMessageBox::StandardButton> boutons{
            {QStringLiteral("Ok"), QMessageBox::Ok},
            {QStringLiteral("Yes"), QMessageBox::Yes},
            {QStringLiteral("No"), QMessageBox::No},
            {QStringLiteral("Cancel"), QMessageBox::Cancel},
            {QStringLiteral("Close"), QMessageBox::Close},
            {QStringLiteral("Save"), QMessageBox::Save},
            {QStringLiteral("Discard"), QMessageBox::Discard},
            {QStringLiteral("Abort"), QMessageBox::Abort},
            {QStringLiteral("Retry"), QMessageBox::Retry},
            {QStringLiteral("Ignore"), QMessageBox::Ignore},
            {QStringLiteral("Help"), QMessageBox::Help},
        };
        QTextStream flux(&fichier);
        while (!flux.atEnd()) {
            const QString ligne = flux.readLine();
            if (ligne.startsWith(QLatin1String("texte:")))
                texteSaisi(ligne.mid(6));
            else if (ligne.startsWith(QLatin1String("chemin:")))
                chemin(ligne.mid(7));
            else if (ligne == QLatin1String("imprimer"))
                accepterImpression();
            else if (ligne.startsWith(QLatin1String("imprimer:")))
                accepterImpression(ligne.mid(9));
            else if (ligne == QLatin1String("annuler"))
                annulation();
            else if (boutons.contains(ligne))
                bouton(boutons.value(ligne));
        }
    }

protected:
    void inattendu(const QString& description) override
    {
        ecrire(QStringLiteral("inattendu\t") + description);
    }
    void noter(const Invite::Message& message) override
    {
        QString texte = message.texte;
        texte.replace(QLatin1Char('\n'), QLatin1String("\\n"));
        ecrire(nomGenre(message.genre) + QLatin1Char('\t') + message.titre + QLatin1Char('\t') + texte);
    }

private:
    void ecrire(const QString& ligne)
    {
        if (journal.isEmpty())
            return;
        QFile fichier(journal);
        if (fichier.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
            fichier.write(ligne.toUtf8() + '\n');
    }

    QString journal;
};
#endif

RepondeurReel& repondeurReel()
{
    static RepondeurReel reel;
    return reel;
}

Repondeur*& installe()
{
    static Repondeur* repondeur = nullptr;
    return repondeur;
}

Repondeur& repondeur()
{
    Repondeur* installe = ::installe();
    return installe ? *installe : repondeurReel();
}

} // namespace

// ---------------------------------------------------------------------------
// Répondeur à réponses préparées

void RepondeurPrepare::bouton(QMessageBox::StandardButton reponse)
{
    file.append({Reponse::Bouton, reponse, QString()});
}

void RepondeurPrepare::texteSaisi(const QString& texte)
{
    file.append({Reponse::Texte, {}, texte});
}

void RepondeurPrepare::annulation()
{
    file.append({Reponse::Annulation, {}, QString()});
}

void RepondeurPrepare::chemin(const QString& chemin)
{
    file.append({Reponse::Texte, {}, chemin});
}

void RepondeurPrepare::accepterImpression(const QString& choix)
{
    file.append({Reponse::Impression, {}, choix});
}

void RepondeurPrepare::vider()
{
    file.clear();
    notes.clear();
    urls.clear();
    depart.clear();
}

std::optional<RepondeurPrepare::Reponse> RepondeurPrepare::prendre(Reponse::Sorte sorte,
                                                                   const QString& description)
{
    if (file.isEmpty()) {
        inattendu(description);
        return std::nullopt;
    }
    const Reponse reponse = file.takeFirst();
    if (reponse.sorte == Reponse::Annulation && sorte != Reponse::Bouton)
        return std::nullopt;
    if (reponse.sorte != sorte) {
        inattendu(description);
        return std::nullopt;
    }
    return reponse;
}

QMessageBox::StandardButton RepondeurPrepare::message(Invite::Genre genre, QWidget*, const QString& titre,
                                                      const QString& texte,
                                                      QMessageBox::StandardButtons boutons,
                                                      QMessageBox::StandardButton)
{
    const Invite::Message note{genre, titre, texte};
    notes.append(note);
    noter(note);
    const auto reponse = prendre(Reponse::Bouton, titre + QStringLiteral(" : ") + texte);
    if (reponse && boutons.testFlag(reponse->bouton))
        return reponse->bouton;
    if (reponse)
        inattendu(QStringLiteral("bouton absent de la boîte « %1 »").arg(titre));
    // Comme la touche Échap : Annuler, Non, sinon le seul bouton.
    for (const auto b : {QMessageBox::Cancel, QMessageBox::No, QMessageBox::Close, QMessageBox::Ok})
        if (boutons.testFlag(b))
            return b;
    return QMessageBox::NoButton;
}

std::optional<QString> RepondeurPrepare::texte(QWidget*, const QString& titre, const QString& libelle,
                                               QLineEdit::EchoMode, const QString&)
{
    const auto reponse = prendre(Reponse::Texte, titre + QStringLiteral(" : ") + libelle);
    if (!reponse)
        return std::nullopt;
    return reponse->texte;
}

QString RepondeurPrepare::fichierAOuvrir(QWidget*, const QString& titre, const QString& dossier,
                                         const QString&)
{
    depart.append(dossier);
    const auto reponse = prendre(Reponse::Texte, titre);
    return reponse ? reponse->texte : QString();
}

QString RepondeurPrepare::fichierAEnregistrer(QWidget*, const QString& titre, const QString& chemin,
                                              const QString&)
{
    depart.append(chemin);
    const auto reponse = prendre(Reponse::Texte, titre);
    return reponse ? reponse->texte : QString();
}

QString RepondeurPrepare::dossier(QWidget*, const QString& titre, const QString& dossier)
{
    depart.append(dossier);
    const auto reponse = prendre(Reponse::Texte, titre);
    return reponse ? reponse->texte : QString();
}

bool RepondeurPrepare::impression(QPrinter* imprimante, QWidget*)
{
    const auto reponse = prendre(Reponse::Impression, QStringLiteral("dialogue d'impression"));
    if (!reponse)
        return false;
    if (imprimante && QDir::isAbsolutePath(reponse->texte)) {
        imprimante->setOutputFormat(QPrinter::PdfFormat);
        imprimante->setOutputFileName(reponse->texte);
    } else if (imprimante && !reponse->texte.isEmpty()) {
        imprimante->setOutputFormat(QPrinter::NativeFormat);
        imprimante->setPrinterName(reponse->texte);
    }
    return true;
}

bool RepondeurPrepare::ouvrirUrl(const QUrl& url)
{
    urls.append(url);
    return ouvertureReussie;
}

// ---------------------------------------------------------------------------

namespace Invite {

void installer(Repondeur* nouveau)
{
    ::installe() = nouveau;
}

Repondeur* repondeurInstalle()
{
    return ::installe();
}

void installerDepuisEnvironnement()
{
#ifdef QUORVEL_REPONDEUR_ENVIRONNEMENT
    const QString reponses = qEnvironmentVariable("QUORVEL_REPONSES");
    if (reponses.isEmpty())
        return;
    static RepondeurScript script(reponses, qEnvironmentVariable("QUORVEL_JOURNAL"));
    installer(&script);
#endif
}

QMessageBox::StandardButton information(QWidget* parent, const QString& titre, const QString& texte,
                                        QMessageBox::StandardButtons boutons,
                                        QMessageBox::StandardButton defaut)
{
    return repondeur().message(Genre::Information, parent, titre, texte, boutons, defaut);
}

QMessageBox::StandardButton avertissement(QWidget* parent, const QString& titre, const QString& texte,
                                          QMessageBox::StandardButtons boutons,
                                          QMessageBox::StandardButton defaut)
{
    return repondeur().message(Genre::Avertissement, parent, titre, texte, boutons, defaut);
}

QMessageBox::StandardButton critique(QWidget* parent, const QString& titre, const QString& texte,
                                     QMessageBox::StandardButtons boutons, QMessageBox::StandardButton defaut)
{
    return repondeur().message(Genre::Critique, parent, titre, texte, boutons, defaut);
}

QMessageBox::StandardButton question(QWidget* parent, const QString& titre, const QString& texte,
                                     QMessageBox::StandardButtons boutons, QMessageBox::StandardButton defaut)
{
    return repondeur().message(Genre::Question, parent, titre, texte, boutons, defaut);
}

std::optional<QString> texte(QWidget* parent, const QString& titre, const QString& libelle,
                             QLineEdit::EchoMode mode, const QString& initial)
{
    return repondeur().texte(parent, titre, libelle, mode, initial);
}

// Le dossier d'un fichier ou d'un dossier choisi devient celui où s'ouvre le choix suivant.
QString fichierAOuvrir(QWidget* parent, const QString& titre, const QString& dossier, const QString& filtre)
{
    const QString choisi = repondeur().fichierAOuvrir(parent, titre, dossier, filtre);
    DossierDepart::retenir(choisi);
    return choisi;
}

QString fichierAEnregistrer(QWidget* parent, const QString& titre, const QString& chemin,
                            const QString& filtre)
{
    const QString choisi = repondeur().fichierAEnregistrer(parent, titre, chemin, filtre);
    DossierDepart::retenir(choisi);
    return choisi;
}

QString dossier(QWidget* parent, const QString& titre, const QString& dossier)
{
    const QString choisi = repondeur().dossier(parent, titre, dossier);
    DossierDepart::retenir(choisi);
    return choisi;
}

bool impression(QPrinter* imprimante, QWidget* parent)
{
    return repondeur().impression(imprimante, parent);
}

bool ouvrirUrl(const QUrl& url)
{
    return repondeur().ouvrirUrl(url);
}

bool continuerApresQuestion(QWidget* parent, const QString& titre, const QString& texte,
                            const std::function<bool()>& enregistrer)
{
    switch (question(parent, titre, texte, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
    case QMessageBox::Yes:
        return enregistrer();
    case QMessageBox::No:
        return true;
    default:
        return false;
    }
}

bool fermerMalgreModifications(QWidget* parent, const std::function<bool()>& enregistrer)
{
    return continuerApresQuestion(
        parent, QCoreApplication::translate("Invite", "Fermeture"),
        QCoreApplication::translate("Invite", "Voulez-vous enregistrer les modifications avant de quitter ?"),
        enregistrer);
}

bool rechargerMalgreModifications(QWidget* parent, const std::function<bool()>& enregistrer)
{
    return continuerApresQuestion(
        parent, QCoreApplication::translate("Invite", "Enregistrer les modifications"),
        QCoreApplication::translate("Invite", "Voulez-vous enregistrer les modifications ?"), enregistrer);
}

bool ouvrirDocument(QWidget* parent, const QString& nomFichier)
{
    const QString chemin = Application::cheminDocument(nomFichier);
    const QString natif = QDir::toNativeSeparators(chemin);
    if (!QFileInfo(chemin).isFile()) {
        avertissement(parent, QCoreApplication::translate("Invite", "Document introuvable"),
                      QCoreApplication::translate(
                          "Invite", "Le document « %1 » n'est pas à l'endroit où Quorvel le cherche :\n%2\n\n"
                                    "Quorvel est sans doute mal installé : réinstallez-le, ou demandez à la "
                                    "personne qui l'a installé de remettre ce document à côté du programme.")
                          .arg(nomFichier, natif));
        return false;
    }
    if (!ouvrirUrl(QUrl::fromLocalFile(chemin))) {
        avertissement(parent, QCoreApplication::translate("Invite", "Impossible d'ouvrir le document"),
                      QCoreApplication::translate(
                          "Invite", "Aucun programme de cet ordinateur n'a su ouvrir le document « %1 » "
                                    "(un fichier PDF). Il se trouve ici :\n%2\n\n"
                                    "Installez un lecteur de PDF (Evince, Okular ou Adobe Acrobat Reader, "
                                    "par exemple), ou ouvrez ce fichier depuis le programme de votre choix.")
                          .arg(nomFichier, natif));
        return false;
    }
    return true;
}

} // namespace Invite
