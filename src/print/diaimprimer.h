#pragma once

#include "print/tirage.h"

#include <QDialog>
#include <QList>
#include <QRect>

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
    void ajusterTaille();
    void restaurerOptions();
    void sauverOptions();
    // Les deux confirmations (école, enseignant) ; faux quand l'utilisateur refuse.
    bool confirmerEcoleEtEnseignant(const QString& ecole);
    // Ouvre le peintre sur l'imprimante en page entière et règle la fenêtre logique.
    bool ouvrir(QPainter& peintre, bool paysage);
    // Pause du recto/verso manuel ; faux quand l'utilisateur abandonne.
    bool attendre(int mode);

    std::unique_ptr<Ui::diaImprimer> ui;
    QPrinter* printer;
    QList<qint64> eleves;
    Tirage::ListeTirage listeTirage;
    QRect vue;
};
