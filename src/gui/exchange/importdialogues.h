// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/exchange/importclasse.h"

#include <memory>

class QWidget;
class diaWait;

// L'importation de classe telle que le programme la conduit : les questions par les
// dialogues de l'échange de classes et par Invite, l'attente par la fenêtre d'attente.
class ImportDialogues : public InterlocuteurImport
{
public:
    explicit ImportDialogues(QWidget* parent);
    ~ImportDialogues() override;

    void message(Genre genre, const QString& titre, const QString& texte) override;
    bool choisirClasse(const QString& nomClasse, qint64& idClasse, bool& renommer) override;
    bool resoudreDates(QList<ConflitDate>& conflits) override;
    bool resoudreNiveaux(QList<ChangementNiveau>& changements) override;
    int notesSupprimables(int nombre) override;
    bool accepterAutreEcole(const QString& ecoleFichier, const QString& ecoleBase) override;
    void debutEcriture() override;
    void avancer() override;
    void finEcriture() override;

private:
    QWidget* parent;
    std::unique_ptr<diaWait> attente;
};
