// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLineEdit>
#include <QList>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <optional>

class QPrinter;
class QWidget;

// Le passage obligé de toute question posée à l'utilisateur : boîtes de message, saisie
// d'un texte, choix d'un fichier ou d'un dossier, dialogue d'impression, ouverture d'un
// document par le bureau. Dans le programme, un `Repondeur` montre les vrais dialogues ;
// un essai en installe un autre qui donne des réponses préparées et note chaque message.
namespace Invite {

enum class Genre { Information, Avertissement, Critique, Question };

// Un message tel qu'il a été montré.
struct Message {
    Genre genre;
    QString titre;
    QString texte;
};

} // namespace Invite

class Repondeur
{
public:
    virtual ~Repondeur();

    virtual QMessageBox::StandardButton message(Invite::Genre genre, QWidget* parent, const QString& titre,
                                                const QString& texte, QMessageBox::StandardButtons boutons,
                                                QMessageBox::StandardButton defaut) = 0;
    // Texte saisi, ou rien quand la saisie est annulée.
    virtual std::optional<QString> texte(QWidget* parent, const QString& titre, const QString& libelle,
                                         QLineEdit::EchoMode mode, const QString& initial) = 0;
    // Chemins choisis ; texte vide quand le choix est annulé.
    virtual QString fichierAOuvrir(QWidget* parent, const QString& titre, const QString& dossier,
                                   const QString& filtre) = 0;
    virtual QString fichierAEnregistrer(QWidget* parent, const QString& titre, const QString& chemin,
                                        const QString& filtre) = 0;
    virtual QString dossier(QWidget* parent, const QString& titre, const QString& dossier) = 0;
    // Vrai quand l'utilisateur valide le dialogue d'impression.
    virtual bool impression(QPrinter* imprimante, QWidget* parent) = 0;
    // Vrai quand le bureau a su ouvrir l'adresse.
    virtual bool ouvrirUrl(const QUrl& url) = 0;
};

// Répondeur à réponses préparées : chaque question prend la réponse suivante de la file et
// chaque message est noté. Sert aux essais et au mode « réponses scriptées » du programme.
class RepondeurPrepare : public Repondeur
{
public:
    // Réponses de la file, dans l'ordre où les questions arriveront.
    void bouton(QMessageBox::StandardButton reponse);
    void texteSaisi(const QString& texte);
    void annulation(); // annule la prochaine saisie, choix de fichier ou impression
    void chemin(const QString& chemin);
    // Valide le prochain dialogue d'impression ; `choix` y choisit une imprimante par son nom, ou
    // l'impression dans un fichier PDF quand c'est un chemin absolu.
    void accepterImpression(const QString& choix = QString());

    const QList<Invite::Message>& messages() const { return notes; }
    const QList<QUrl>& urlsOuvertes() const { return urls; }
    // Où s'est ouvert chaque choix de fichier ou de dossier : le dossier, ou le fichier proposé.
    const QStringList& departs() const { return depart; }
    bool fileVide() const { return file.isEmpty(); }
    void vider();

    // Ce que rend le bureau quand on lui demande d'ouvrir un document.
    bool ouvertureReussie = true;

    QMessageBox::StandardButton message(Invite::Genre genre, QWidget* parent, const QString& titre,
                                        const QString& texte, QMessageBox::StandardButtons boutons,
                                        QMessageBox::StandardButton defaut) override;
    std::optional<QString> texte(QWidget* parent, const QString& titre, const QString& libelle,
                                 QLineEdit::EchoMode mode, const QString& initial) override;
    QString fichierAOuvrir(QWidget* parent, const QString& titre, const QString& dossier,
                           const QString& filtre) override;
    QString fichierAEnregistrer(QWidget* parent, const QString& titre, const QString& chemin,
                                const QString& filtre) override;
    QString dossier(QWidget* parent, const QString& titre, const QString& dossier) override;
    bool impression(QPrinter* imprimante, QWidget* parent) override;
    bool ouvrirUrl(const QUrl& url) override;

protected:
    struct Reponse {
        enum Sorte { Bouton, Texte, Annulation, Impression } sorte;
        QMessageBox::StandardButton bouton = QMessageBox::NoButton;
        QString texte;
    };
    // Appelé quand une question arrive sans réponse préparée ou avec une réponse d'une autre
    // sorte ; `description` la décrit. La question reçoit alors l'équivalent d'« Annuler ».
    virtual void inattendu(const QString& description) = 0;
    // Appelé pour chaque message montré.
    virtual void noter(const Invite::Message& message) { Q_UNUSED(message); }

private:
    std::optional<Reponse> prendre(Reponse::Sorte sorte, const QString& description);

    QList<Reponse> file;
    QList<Invite::Message> notes;
    QList<QUrl> urls;
    QStringList depart;
};

namespace Invite {

// Installe le répondeur (nul : les vrais dialogues). Le répondeur n'est pas possédé.
void installer(Repondeur* repondeur);
// Le répondeur installé (nul : les vrais dialogues).
Repondeur* repondeurInstalle();

// Au démarrage : quand la variable d'environnement QUORVEL_REPONSES nomme un fichier de
// réponses, le programme répond seul aux questions (un essai le pilote d'un autre
// processus) ; chaque message est écrit dans le fichier nommé par QUORVEL_JOURNAL. Seulement
// dans une construction pour les essais (option QUORVEL_COUTURES_ESSAIS) : le programme livré
// ignore ces variables.
void installerDepuisEnvironnement();

QMessageBox::StandardButton information(QWidget* parent, const QString& titre, const QString& texte,
                                        QMessageBox::StandardButtons boutons = QMessageBox::Ok,
                                        QMessageBox::StandardButton defaut = QMessageBox::NoButton);
QMessageBox::StandardButton avertissement(QWidget* parent, const QString& titre, const QString& texte,
                                          QMessageBox::StandardButtons boutons = QMessageBox::Ok,
                                          QMessageBox::StandardButton defaut = QMessageBox::NoButton);
QMessageBox::StandardButton critique(QWidget* parent, const QString& titre, const QString& texte,
                                     QMessageBox::StandardButtons boutons = QMessageBox::Ok,
                                     QMessageBox::StandardButton defaut = QMessageBox::NoButton);
QMessageBox::StandardButton question(QWidget* parent, const QString& titre, const QString& texte,
                                     QMessageBox::StandardButtons boutons = QMessageBox::Yes |
                                                                            QMessageBox::No,
                                     QMessageBox::StandardButton defaut = QMessageBox::NoButton);

std::optional<QString> texte(QWidget* parent, const QString& titre, const QString& libelle,
                             QLineEdit::EchoMode mode = QLineEdit::Normal,
                             const QString& initial = QString());
// Choix d'un fichier ou d'un dossier : ils s'ouvrent dans `dossier` (ou proposent `chemin`), que
// l'appelant tire de DossierDepart ; ce qui est choisi y devient le dernier dossier utilisé.
QString fichierAOuvrir(QWidget* parent, const QString& titre, const QString& dossier, const QString& filtre);
QString fichierAEnregistrer(QWidget* parent, const QString& titre, const QString& chemin,
                            const QString& filtre);
QString dossier(QWidget* parent, const QString& titre, const QString& dossier);
bool impression(QPrinter* imprimante, QWidget* parent);
bool ouvrirUrl(const QUrl& url);

// Questions sur des modifications non enregistrées, avec Oui, Non et Annuler : Oui enregistre
// et ne continue que si l'enregistrement a réussi, Non abandonne les modifications, Annuler
// arrête. Vrai pour continuer. La première se pose avant de fermer une fenêtre
// (« Fermeture »), la seconde avant de recharger ce qu'elle montre ; la dernière, avec le titre
// et le texte donnés.
bool fermerMalgreModifications(QWidget* parent, const std::function<bool()>& enregistrer);
bool rechargerMalgreModifications(QWidget* parent, const std::function<bool()>& enregistrer);
bool continuerApresQuestion(QWidget* parent, const QString& titre, const QString& texte,
                            const std::function<bool()>& enregistrer);

// Ouvre un document livré à côté du programme (Application::DOCUMENT_GUIDE ou
// Application::DOCUMENT_LICENCE) avec le lecteur du bureau. Quand il manque, ou qu'aucun
// programme du poste ne sait l'ouvrir, un avertissement le dit et donne son chemin complet.
// Vrai quand le document a été ouvert.
bool ouvrirDocument(QWidget* parent, const QString& nomFichier);

} // namespace Invite
