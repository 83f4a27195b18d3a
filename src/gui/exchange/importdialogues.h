// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/exchange/importclasse.h"

#include <QCoreApplication>
#include <QString>

#include <memory>
#include <utility>

class QWidget;
class diaWait;

// L'importation de classe telle que le programme la conduit : les questions par les
// dialogues de l'échange de classes et par Invite, l'attente par la fenêtre d'attente, puis
// l'issue dite à l'enseignant : le bilan, ou pourquoi rien n'a changé.
class ImportDialogues : public InterlocuteurImport
{
    Q_DECLARE_TR_FUNCTIONS(ImportClasse)

public:
    explicit ImportDialogues(QWidget* parent);
    ~ImportDialogues() override;

    bool choisirClasse(const QString& nomClasse, qint64& idClasse, bool& renommer) override;
    bool resoudreDates(QList<ConflitDate>& conflits) override;
    bool resoudreNiveaux(QList<ChangementNiveau>& changements) override;
    int notesSupprimables(int nombre) override;
    bool accepterAutreEcole(const QString& ecoleFichier, const QString& ecoleBase) override;
    void debutEcriture() override;
    void avancer() override;
    void finEcriture() override;

    // L'issue de l'importation : le bilan, ou les avertissements du refus (aucun quand
    // l'utilisateur a renoncé lui-même).
    void montrer(const Resultat<ImportClasse::Compteurs>& issue);

    // Le texte du bilan montré à la fin.
    static QString bilan(const ImportClasse::Compteurs& compteurs);
    // Le titre et le texte des avertissements d'un refus, dans l'ordre où ils sont montrés.
    static QList<std::pair<QString, QString>> refus(const Erreur& erreur);

private:
    QWidget* parent;
    std::unique_ptr<diaWait> attente;
};
