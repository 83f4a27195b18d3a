// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/commun/resultat.h"

#include <QDialog>
#include <QHash>
#include <QImage>
#include <QSizeF>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

class QPainter;
class QPushButton;

namespace Ui {
class diaApercu;
}

// Aperçu avant impression : les pages d'un tirage telles qu'elles sortiront de l'imprimante,
// dans leur ordre, chacune dessinée par le code même de l'impression (la Source). Une ou deux
// pages à la fois, au zoom choisi ; une page n'est dessinée que quand elle est montrée (ou
// sur le point de l'être), une par tour de la boucle d'événements : l'aperçu s'ouvre tout de
// suite et reste vif, et sa fermeture arrête tout dessin. Une page que la base n'a pas laissé
// lire le dit, au lieu de paraître blanche. « Imprimer » envoie ce même tirage par le chemin
// d'impression de qui a ouvert l'aperçu.
class diaApercu : public QDialog
{
    Q_OBJECT

public:
    // Ce que montre l'aperçu : des pages (chacune une face de feuille de papier), leur taille,
    // leur dessin.
    class Source
    {
    public:
        virtual ~Source();
        virtual int nombre() const = 0;
        // Taille de la feuille, en points (1/72 de pouce), dans son orientation.
        virtual QSizeF taille(int page) const = 0;
        // Dessine la page sur tout l'appareil du peintre, qui est la feuille entière (l'image
        // blanche de l'aperçu). Une lecture de la base refusée revient en erreur.
        virtual Resultat<> dessiner(QPainter& peintre, int page) = 0;
        // Ce que l'aperçu dit de la page (élève, pages du livret, envoi) ; vide : rien.
        virtual QString legende(int page) const;
    };
    // Envoie le tirage ; vrai quand il est fait (l'aperçu se ferme alors, accepté).
    using Impression = std::function<bool()>;

    diaApercu(QWidget* parent, std::unique_ptr<Source> source, Impression impression);
    ~diaApercu() override;

    int nombre() const;
    // Première page montrée, à partir de 0 ; nombre de pages montrées à la fois (1 ou 2).
    int premiere() const { return debut; }
    int parVue() const { return deux ? 2 : 1; }
    // Vrai quand les pages montrées sont dessinées, ou disent pourquoi elles ne le sont pas.
    bool montrees() const;
    // L'image dessinée d'une page (nulle tant qu'elle ne l'est pas) ; le texte d'une page
    // qui n'a pas pu l'être (vide sinon).
    QImage image(int page) const;
    QString echec(int page) const { return echecs.value(page); }
    // Nombre de pages dessinées depuis l'ouverture.
    int dessinees() const { return compteDessins; }
    Source& source() { return *origine; }

    // Le zoom : « pleine largeur », « page entière », ou une échelle choisie.
    enum class Zoom { Largeur, Page, Libre };
    Zoom zoom() const { return mode; }
    // Pixels de l'écran (indépendants de sa densité) par point de la feuille.
    double echelle() const { return facteur; }

public Q_SLOTS:
    void allerA(int page);
    void premierePage();
    void precedente();
    void suivante();
    void dernierePage();
    void pleineLargeur();
    void pageEntiere();
    void agrandir();
    void reduire();
    void montrerDeux(bool deuxPages);
    void imprimer();
    void done(int resultat) override;

Q_SIGNALS:
    // Les pages montrées sont toutes dessinées (ou en échec).
    void pagesMontrees();

protected:
    void changeEvent(QEvent* evenement) override;
    void showEvent(QShowEvent* evenement) override;
    bool eventFilter(QObject* objet, QEvent* evenement) override;

private:
    class Vue;

    // Recalcule l'échelle (selon le zoom), la place des pages et l'état des contrôles.
    void disposer();
    void mettreAJourControles();
    // Taille, en pixels réels de l'écran, de l'image d'une page à l'échelle courante.
    QSize tailleImage(int page) const;
    // La prochaine page à dessiner : d'abord celles qui sont montrées, puis les voisines.
    int aDessiner() const;
    void dessinerSuivante();
    void relancer();
    // Ne garde que les images des pages montrées et de leurs voisines.
    void oublier();

    std::unique_ptr<Ui::diaApercu> ui;
    std::unique_ptr<Source> origine;
    Impression envoi;
    Vue* vue = nullptr;
    QPushButton* btImprimer = nullptr;
    QTimer minuteur;      // un dessin par tour de boucle
    QTimer redisposition; // la zone a changé de taille
    QHash<int, QImage> images;
    QHash<int, QString> echecs;
    int debut = 0;
    bool deux = false;
    Zoom mode = Zoom::Page;
    double facteur = 1.0;
    bool ferme = false;
    bool erreurDite = false; // la lecture refusée n'est dite qu'une fois par aperçu
    bool annonce = false;    // pagesMontrees() émis pour la vue courante
    int compteDessins = 0;
};
