// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/db/copiesauto.h"

#include <QObject>
#include <QTimer>

class QThread;
class QWidget;

// Quand faire les copies automatiques de la base, et ce qu'on en dit. Une copie est faite quand
// la base a changé depuis la dernière :
// - à la fermeture du programme, une fois les fenêtres de saisie fermées (tout ce qui est
//   enregistré y est ; la fenêtre est déjà cachée, l'enseignant n'attend pas) ;
// - au démarrage, en fond, quand la séance précédente s'est finie sans fermeture (coupure de
//   courant, session fermée, programme tué) ;
// - en fond, à la vérification de chaque heure, quand aucune copie n'a encore été faite ce jour :
//   un programme laissé ouvert plusieurs jours a aussi sa copie de chaque jour.
// Une copie en fond a sa propre connexion, dans son propre fil ; la base reste utilisable
// pendant ce temps (un enregistrement attend au plus la fin de l'instantané).
// Une copie manquée est dite une fois par séance, en français, avec ce qu'il faut faire ; elle
// est refaite à l'occasion suivante.
class GardienCopies : public QObject
{
    Q_OBJECT
public:
    // `fenetre` : parent des messages tant qu'elle est montrée.
    explicit GardienCopies(QWidget* fenetre);
    // Attend la copie en cours.
    ~GardienCopies() override;

    // La base est ouverte et de la bonne version : copie en fond si elle a changé depuis la
    // dernière copie, puis vérification toutes les heures.
    void auDemarrage();
    // Attend la copie en cours, puis copie (sans fil à part) si la base a changé.
    void aLaFermeture();
    // La vérification de chaque heure.
    void verifier();
    // Attend la fin de la copie en cours.
    void attendre();
    // Pendant une restauration ou une initialisation, qui remplacent la base, et pendant le
    // choix dans la liste des copies : la copie en cours est attendue, et aucune ne commence
    // avant la fin (la vérification de chaque heure attend).
    void suspendre();
    void reprendre();
    // La même chose le temps d'une portée ; sans gardien, rien.
    class Pause
    {
    public:
        explicit Pause(GardienCopies* gardien) : g(gardien)
        {
            if (g)
                g->suspendre();
        }
        ~Pause()
        {
            if (g)
                g->reprendre();
        }
        Pause(const Pause&) = delete;
        Pause& operator=(const Pause&) = delete;

    private:
        GardienCopies* g;
    };

    bool enCours() const { return fil != nullptr; }
    // Le bilan de la dernière copie tentée (faite en fond ou non).
    const CopiesAuto::Bilan& dernierBilan() const { return bilan; }
    int copiesTentees() const { return tentatives; }

    // Le message qui dit une copie manquée (vide quand il n'y a rien à dire), et celui d'une copie
    // manquée dans le second dossier.
    static QString messageEchec(const CopiesAuto::Bilan& bilan);
    static QString messageEchecSecond(const CopiesAuto::Bilan& bilan);

    static constexpr int INTERVALLE_MS = 60 * 60 * 1000;

Q_SIGNALS:
    // Une copie vient de finir (réussie ou non) et son bilan a été dit s'il fallait.
    void copieTerminee();

private:
    CopiesAuto::Demande demande() const;
    void lancerEnFond();
    void recevoirFin();
    void conclure(QWidget* parent);

    QWidget* fenetre;
    QThread* fil = nullptr;
    CopiesAuto::Bilan bilan;
    CopiesAuto::Bilan bilanEnFond; // écrit par le fil, lu après sa fin
    QTimer minuterie;
    bool actif = false;
    int suspensions = 0;
    bool panneDite = false;
    bool panneSecondDite = false;
    int tentatives = 0;
};
