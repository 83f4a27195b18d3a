// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/exchange/importclasse.h"

#include <QList>
#include <QStringList>

#include <optional>

// Les réponses d'un utilisateur aux questions de l'importation d'une classe, écrites d'avance :
// pour les essais, le banc et les essais de coupure. Ce qui a été demandé est noté (les actions
// proposées avant d'être remplacées par celles du script). Par défaut, l'utilisateur renonce à
// toute question.
class InterlocuteurEssai : public InterlocuteurImport
{
public:
    // Classe absente de la base : rien, l'utilisateur renonce ; sinon la classe choisie (0 : la
    // créer) et le souhait de la renommer.
    std::optional<qint64> classe;
    bool renommer = false;
    // Conflits de dates de naissance et changements de niveau : rien, l'utilisateur renonce ;
    // sinon l'action de chaque ligne, dans l'ordre montré (une ligne au-delà garde l'action
    // proposée, sauf avec toutes()).
    std::optional<QList<int>> dates, niveaux;
    // Dates du palier que le fichier ne porte pas : 0 abandon, 1 les garder, 2 les supprimer.
    int suppression = 0;

    // Ce qui a été demandé.
    bool classeDemandee = false;
    QList<int> datesProposees, niveauxProposes;
    QStringList conflits; // « nom prénom » de chaque conflit de dates, dans l'ordre montré
    int supprimables = -1;

    // La même action pour chaque ligne, aussi nombreuses soient-elles.
    static QList<int> toutes(int action) { return QList<int>(100000, action); }

    bool choisirClasse(const QString&, qint64& idClasse, bool& renommage) override
    {
        classeDemandee = true;
        if (!classe)
            return false;
        idClasse = *classe;
        renommage = renommer;
        return true;
    }
    bool resoudreDates(QList<ConflitDate>& liste) override
    {
        for (const ConflitDate& c : liste)
            conflits << c.nom + QLatin1Char(' ') + c.prenom;
        return resoudre(liste, dates, datesProposees);
    }
    bool resoudreNiveaux(QList<ChangementNiveau>& liste) override
    {
        return resoudre(liste, niveaux, niveauxProposes);
    }
    int notesSupprimables(int nombre) override
    {
        supprimables = nombre;
        return suppression;
    }

private:
    template <typename T>
    static bool resoudre(QList<T>& liste, const std::optional<QList<int>>& choix, QList<int>& proposes)
    {
        for (int i = 0; i < liste.size(); ++i) {
            proposes << liste[i].action;
            if (choix && i < choix->size())
                liste[i].action = choix->at(i);
        }
        return choix.has_value();
    }
};
