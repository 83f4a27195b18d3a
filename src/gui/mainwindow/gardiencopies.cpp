// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/mainwindow/gardiencopies.h"

#include "core/commun/application.h"
#include "core/commun/horloge.h"
#include "gui/commun/invite.h"

#include <QDir>
#include <QThread>
#include <QWidget>

using Panne = EcritureSure::Panne;

GardienCopies::GardienCopies(QWidget* fenetre_) : fenetre(fenetre_)
{
    minuterie.setInterval(INTERVALLE_MS);
    connect(&minuterie, &QTimer::timeout, this, &GardienCopies::verifier);
}

GardienCopies::~GardienCopies()
{
    if (QThread* t = std::exchange(fil, nullptr)) {
        t->wait();
        delete t;
    }
}

CopiesAuto::Demande GardienCopies::demande() const
{
    return {Application::chemins().courante, CopiesAuto::dossier(), CopiesAuto::secondDossier(),
            Horloge::maintenant()};
}

void GardienCopies::auDemarrage()
{
    actif = true;
    minuterie.start();
    if (CopiesAuto::baseModifiee(Application::chemins().courante, CopiesAuto::dossier()))
        lancerEnFond();
}

void GardienCopies::verifier()
{
    if (!actif || fil || suspensions > 0)
        return;
    const QDateTime derniere = CopiesAuto::derniereCopie(CopiesAuto::dossier());
    if (derniere.isValid() && derniere.date() >= Horloge::aujourdhui())
        return;
    if (CopiesAuto::baseModifiee(Application::chemins().courante, CopiesAuto::dossier()))
        lancerEnFond();
}

void GardienCopies::lancerEnFond()
{
    if (fil)
        return;
    ++tentatives;
    const CopiesAuto::Demande d = demande();
    QThread* t = QThread::create([this, d] { bilanEnFond = CopiesAuto::copier(d); });
    fil = t;
    // La fin arrive par la boucle d'événements ; attendre() a pu la traiter avant.
    connect(t, &QThread::finished, this, [this, t] {
        if (t == fil)
            recevoirFin();
    });
    t->start(QThread::LowPriority);
}

void GardienCopies::recevoirFin()
{
    QThread* t = std::exchange(fil, nullptr);
    if (!t)
        return;
    // Fini (la fin arrive par une connexion différée, jamais pendant son émission) : détruit
    // tout de suite, même quand la boucle d'événements ne tourne plus (à la fermeture).
    t->wait();
    delete t;
    bilan = bilanEnFond;
    conclure(fenetre && fenetre->isVisible() ? fenetre : nullptr);
}

void GardienCopies::attendre()
{
    recevoirFin();
}

void GardienCopies::suspendre()
{
    ++suspensions;
    attendre();
}

void GardienCopies::reprendre()
{
    suspensions = std::max(0, suspensions - 1);
}

void GardienCopies::aLaFermeture()
{
    if (!actif)
        return;
    attendre();
    minuterie.stop();
    actif = false;
    if (!CopiesAuto::baseModifiee(Application::chemins().courante, CopiesAuto::dossier()))
        return;
    ++tentatives;
    bilan = CopiesAuto::copier(demande());
    conclure(nullptr);
}

void GardienCopies::conclure(QWidget* parent)
{
    if (!bilan.reussie()) {
        if (!std::exchange(panneDite, true))
            Invite::avertissement(parent, tr("Copie automatique"), messageEchec(bilan));
    } else if (bilan.second == CopiesAuto::Bilan::Second::EnEchec) {
        if (!std::exchange(panneSecondDite, true))
            Invite::avertissement(parent, tr("Copie automatique"), messageEchecSecond(bilan));
    }
    Q_EMIT copieTerminee();
}

QString GardienCopies::messageEchec(const CopiesAuto::Bilan& bilan)
{
    const QString dossier = QDir::toNativeSeparators(CopiesAuto::dossier());
    const QString rien = tr("Vos données enregistrées ne sont pas touchées, ni les copies déjà faites.");
    switch (bilan.panne) {
    case Panne::Aucune:
        return QString();
    case Panne::DisquePlein:
        return tr("La copie automatique de la base de données n'a pas pu être faite : le disque est plein "
                  "(%1).\n\n%2\n\nLibérez de la place sur le disque (videz la corbeille, supprimez des "
                  "fichiers dont vous n'avez plus besoin) : Quorvel refera la copie la prochaine fois.")
            .arg(bilan.detail, rien);
    case Panne::Interdit:
    case Panne::DossierAbsent:
        return tr("La copie automatique de la base de données n'a pas pu être faite : Quorvel ne peut pas "
                  "écrire dans le dossier des copies\n%1\n(%2).\n\n%3\n\nDemandez à la personne qui "
                  "s'occupe de l'ordinateur de vous rendre le droit d'écrire dans ce dossier : Quorvel "
                  "refera la copie la prochaine fois.")
            .arg(dossier, bilan.detail, rien);
    case Panne::Verification:
        return tr("La copie automatique de la base de données a été écartée : relue, elle ne correspondait "
                  "pas à la base (%1).\n\n%2\n\nQuorvel refera la copie la prochaine fois. Si ce message "
                  "revient, faites une sauvegarde à la main (menu « Fichiers », « Base de données », "
                  "« Sauvegarder la base de données entière... ») et faites vérifier le disque.")
            .arg(bilan.detail, rien);
    case Panne::Autre:
        break;
    }
    return tr("La copie automatique de la base de données n'a pas pu être faite (%1).\n\n%2\n\nQuorvel "
              "refera la copie la prochaine fois. Si ce message revient, faites une sauvegarde à la main "
              "(menu « Fichiers », « Base de données », « Sauvegarder la base de données entière... ») "
              "et faites vérifier le disque.")
        .arg(bilan.detail, rien);
}

QString GardienCopies::messageEchecSecond(const CopiesAuto::Bilan& bilan)
{
    if (bilan.second != CopiesAuto::Bilan::Second::EnEchec)
        return QString();
    QString raison;
    switch (bilan.panneSecond) {
    case Panne::DisquePlein:
        raison = tr("il est plein");
        break;
    case Panne::Interdit:
        raison = tr("l'écriture y est refusée : clé protégée en écriture, ou droits insuffisants");
        break;
    case Panne::DossierAbsent:
        raison = tr("il a disparu pendant la copie : clé retirée trop tôt ?");
        break;
    case Panne::Verification:
        raison = tr("la copie relue n'était pas identique : la clé est peut-être abîmée");
        break;
    case Panne::Aucune:
    case Panne::Autre:
        raison = bilan.detailSecond;
        break;
    }
    return tr("La copie automatique de la base de données est faite sur cet ordinateur, mais pas dans le "
              "second dossier\n%1\n(%2).\n\nVérifiez la clé USB ou le partage (place libre, écriture "
              "permise) : Quorvel essaiera de nouveau la prochaine fois.")
        .arg(QDir::toNativeSeparators(CopiesAuto::secondDossier()), raison);
}
