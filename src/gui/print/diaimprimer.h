// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/print/tirage.h"

#include <QDialog>
#include <QList>
#include <QRect>

#include <functional>
#include <memory>

class QPainter;
class QPrinter;

namespace Ui {
class diaImprimer;
}

// Dialogue « Impression » : classe, palier, élèves, imprimante et options (gardées dans
// OptionsImpression::courantes()), puis, sur OK, le tirage des attestations seules ou des
// compétences. L'imprimante est prêtée par la fenêtre principale.
class diaImprimer : public QDialog
{
    Q_OBJECT

public:
    diaImprimer(QWidget* parent, QPrinter* imprimante);
    ~diaImprimer() override;

    // Les élèves à imprimer, dans l'ordre d'impression.
    const QList<qint64>& selection() const { return eleves; }

    // Les deux tirages ; vrai quand le dialogue doit se fermer.
    bool imprimerAttestations(qint64 palierId);
    bool imprimerCompetences(qint64 palierId);
    void construireToutesPages(qint64 palierId);

public Q_SLOTS:
    void gbCompetenceToogled(bool coche);
    void gbPalierToogled(bool coche);
    void btImprimanteClicked();
    void cbClasseChange(int index);
    void btEleveClick();
    void help();
    void accept() override;

protected:
    void changeEvent(QEvent* evenement) override;

private:
    // Ce que dessine un travail d'impression sur le peintre ouvert ; rend le nombre de pages.
    using Dessin = std::function<int(QPainter&)>;

    void ajusterTaille();
    void restaurerOptions();
    void sauverOptions();
    // L'imprimante (ou le fichier) qui recevra le tirage, et ce qui l'en empêche.
    void montrerImprimante();
    // Le palier du niveau des élèves de la classe choisie : palier 2 pour des CM2 (ou CYCLE
    // III), palier 1 pour des CE1 (ou CYCLE II) ; sinon, ou quand les deux niveaux y sont,
    // le choix courant reste.
    void proposerPalier();
    // Les deux confirmations (école, enseignant) ; faux quand l'utilisateur refuse.
    bool confirmerEcoleEtEnseignant(const QString& ecole);
    // Nom du travail dans la file de l'imprimante : la classe, le palier et ce qui est imprimé.
    QString nomTravail(const QString& contenu) const;
    // Ce qui empêche l'imprimante de recevoir un travail maintenant ; vide quand rien.
    QString empechement() const;
    // Ouvre le peintre sur l'imprimante en page entière et règle la fenêtre logique.
    bool ouvrir(QPainter& peintre, bool paysage);
    // Un travail d'impression complet : imprimante vérifiée, peintre ouvert, pages dessinées,
    // envoi vérifié. Vide quand le travail est parti, sinon ce qui l'a empêché.
    QString envoyer(bool paysage, const QString& nom, const Dessin& dessin);
    // Le premier travail d'un tirage : un échec est dit, et rien n'a été imprimé.
    bool envoyerPremier(bool paysage, const QString& nom, const Dessin& dessin);
    // Un travail qui suit d'autres déjà partis : un échec dit ce qui est déjà imprimé (`dejaFait`)
    // et propose de réessayer. Faux quand l'utilisateur abandonne.
    bool envoyerSuite(bool paysage, const QString& nom, const Dessin& dessin, const QString& dejaFait);
    // Le tirage est parti : combien de pages, et où.
    void annoncer();
    // Pause du recto/verso manuel ; faux quand l'utilisateur abandonne.
    bool attendre(int mode);

    std::unique_ptr<Ui::diaImprimer> ui;
    QPrinter* printer;
    QList<qint64> eleves;
    Tirage::ListeTirage listeTirage;
    QRect vue;
    int pagesEnvoyees = 0; // pages parties vers l'imprimante pendant le tirage en cours
    bool ouvert = false;   // le dialogue est construit : un changement de classe vient de l'utilisateur
};
