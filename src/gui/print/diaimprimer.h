// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/db/modele.h"
#include "core/print/tirage.h"
#include "gui/commun/mydialog.h"

#include <QList>
#include <QRect>

#include <memory>
#include <optional>

class QPainter;
class QPrinter;
class QPushButton;
class diaApercu;

namespace Ui {
class diaImprimer;
}

// Dialogue « Impression » : classe, palier, élèves, imprimante et options, puis, sur OK, le
// tirage des attestations seules ou des compétences. L'imprimante et les options sont prêtées
// par la fenêtre principale, qui les garde d'une impression à l'autre. Le tirage suit le plan
// que le cœur en fait (Tirage::Plan) : chaque travail part vers l'imprimante, chaque pause
// d'un recto/verso manuel attend l'enseignant.
class diaImprimer : public MyDialog
{
    Q_OBJECT

public:
    diaImprimer(QWidget* parent, QPrinter* imprimante, OptionsImpression& options);
    ~diaImprimer() override;

    // Les élèves à imprimer, dans l'ordre d'impression.
    const QList<qint64>& selection() const { return eleves; }
    // L'aperçu du tirage choisi (le plan que OK imprimerait), prêt à montrer ; nul, après
    // l'avoir dit, quand il n'y a rien à montrer.
    std::unique_ptr<diaApercu> preparerApercu();

public Q_SLOTS:
    void gbCompetenceToogled(bool coche);
    void gbPalierToogled(bool coche);
    void btImprimanteClicked();
    void cbClasseChange(int index);
    void btEleveClick();
    void help();
    void accept() override;
    // « Aperçu... » : montre le tirage ; « Imprimer » dans l'aperçu l'envoie.
    void apercu();

protected:
    void changeEvent(QEvent* evenement) override;

private:
    // Les deux tirages ; vrai quand le dialogue doit se fermer.
    bool imprimerAttestations(qint64 palierId);
    bool imprimerCompetences(qint64 palierId);
    // Un tirage de bout en bout : école lue, confirmations, plan, envoi.
    bool tirer(qint64 palierId, std::optional<Tirage::Plan> (diaImprimer::*planification)(qint64));
    // Le plan de chaque tirage ; rien, après l'avoir dit, quand la base n'a pas pu être lue ou
    // qu'aucun élève n'est imprimé.
    std::optional<Tirage::Plan> planAttestations(qint64 palierId);
    std::optional<Tirage::Plan> planCompetences(qint64 palierId);
    // L'imprimante peut recevoir un tirage ; sinon, c'est dit.
    bool imprimanteValide();
    // Les confirmations du tirage choisi (langue, école, enseignant) ; faux quand l'enseignant
    // refuse.
    bool confirmer(qint64 palierId, const QString& ecole);
    // Exécute le plan : chaque travail envoyé, chaque pause attendue. Vrai quand le dialogue
    // doit se fermer (tirage fait, ou arrêté par l'enseignant à une pause).
    bool executer(const Tirage::Plan& plan, const QString& ecole);

    void ajusterTaille();
    // Ce qui manque pour imprimer (classe, palier, ce qu'il faut imprimer), en une phrase ; vide
    // quand rien ne manque. OK le dit plutôt que de ne rien faire.
    QString choixManquant() const;
    void restaurerOptions();
    void sauverOptions();
    // Les élèves de la classe choisie, dans l'ordre de la liste des élèves ; faux, après l'avoir
    // dit, quand la base n'a pas pu être lue.
    bool lireClasse(int index);
    // L'imprimante (ou le fichier) qui recevra le tirage, et ce qui l'en empêche.
    void montrerImprimante();
    // Le palier du niveau des élèves de la classe choisie : palier 2 pour des CM2 (ou CYCLE
    // III), palier 1 pour des CE1 (ou CYCLE II) ; sinon, ou quand les deux niveaux y sont,
    // le choix courant reste.
    void proposerPalier();
    // Les deux confirmations (école, enseignant) ; faux quand l'utilisateur refuse.
    bool confirmerEcoleEtEnseignant(const QString& ecole);
    // Nom du travail dans la file de l'imprimante : la classe, le palier et ce qui est imprimé.
    QString nomTravail(const Tirage::Travail& travail) const;
    // Ce qui est déjà imprimé quand un travail qui suit d'autres échoue.
    QString dejaFait(const Tirage::Travail& travail) const;
    // « NOM Prénom » d'un élève de la classe ; les noms de plusieurs, séparés par des virgules.
    QString nom(qint64 eleve) const;
    QString noms(const QList<qint64>& ids) const;
    // Ouvre le peintre sur l'imprimante en page entière et règle la fenêtre logique.
    bool ouvrir(QPainter& peintre, bool paysage);
    // Un travail d'impression complet : imprimante vérifiée, peintre ouvert, feuilles dessinées,
    // envoi vérifié. Vide quand le travail est parti, sinon ce qui l'a empêché.
    QString envoyer(const Tirage::Travail& travail, const QString& ecole);
    // Le premier travail d'un tirage : un échec est dit, et rien n'a été imprimé.
    bool envoyerPremier(const Tirage::Travail& travail, const QString& ecole);
    // Un travail qui suit d'autres déjà partis : un échec dit ce qui est déjà imprimé et propose
    // de réessayer. Faux quand l'utilisateur abandonne.
    bool envoyerSuite(const Tirage::Travail& travail, const QString& ecole);
    // Le tirage est parti : combien de pages, et où.
    void annoncer();
    // Pause du recto/verso manuel ; faux quand l'utilisateur abandonne.
    bool attendre(int mode);

    std::unique_ptr<Ui::diaImprimer> ui;
    QPrinter* printer;
    OptionsImpression& options;
    QList<Noeud> paliers;
    QList<Eleve> elevesClasse; // les élèves de la classe choisie
    QList<qint64> eleves;      // ceux qui seront imprimés
    QRect vue;
    QPushButton* btApercu = nullptr;
    int pagesEnvoyees = 0; // pages parties vers l'imprimante pendant le tirage en cours
    bool ouvert = false;   // le dialogue est construit : un changement de classe vient de l'utilisateur
};
