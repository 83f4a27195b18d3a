// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/exchange/importdialogues.h"

#include "gui/commun/diawait.h"
#include "gui/commun/invite.h"
#include "gui/exchange/diadatenaiss.h"
#include "gui/exchange/diaimporteclasse.h"
#include "gui/exchange/dianiveau.h"
#include "gui/exchange/dianotessupprimables.h"

#include <QCoreApplication>

ImportDialogues::ImportDialogues(QWidget* fenetre) : parent(fenetre) {}

ImportDialogues::~ImportDialogues() = default;

void ImportDialogues::message(Genre genre, const QString& titre, const QString& texte)
{
    if (genre == Genre::Information)
        Invite::information(parent, titre, texte);
    else
        Invite::avertissement(parent, titre, texte);
}

bool ImportDialogues::choisirClasse(const QString& nomClasse, qint64& idClasse, bool& renommer)
{
    diaImporteClasse dialogue(nomClasse, parent);
    if (dialogue.exec() != QDialog::Accepted)
        return false;
    idClasse = dialogue.idClasse();
    renommer = dialogue.renommer();
    return true;
}

bool ImportDialogues::resoudreDates(QList<ConflitDate>& conflits)
{
    diaDateNaiss dialogue(conflits, parent);
    return dialogue.exec() == QDialog::Accepted;
}

bool ImportDialogues::resoudreNiveaux(QList<ChangementNiveau>& changements)
{
    diaNiveau dialogue(changements, parent);
    return dialogue.exec() == QDialog::Accepted;
}

int ImportDialogues::notesSupprimables(int nombre)
{
    diaNotesSupprimables dialogue(nombre, parent);
    return dialogue.exec();
}

bool ImportDialogues::accepterAutreEcole(const QString& ecoleFichier, const QString& ecoleBase)
{
    // Les lignes de l'adresse gardées, chacune en retrait sous l'école qu'elle décrit.
    const auto ecole = [](const QString& texte) {
        return QStringLiteral("    ") + texte.trimmed().replace(QLatin1Char('\n'), QStringLiteral("\n    "));
    };
    return Invite::question(parent, QCoreApplication::translate("ImportClasse", "Fichier d'une autre école"),
                            QCoreApplication::translate("ImportClasse",
                                                        "Ce fichier de classe a été exporté par une autre "
                                                        "école :\n%1\n\nVotre base de données est "
                                                        "celle de :\n%2\n\nFusionner quand même ses élèves "
                                                        "et leurs dates dans votre base ?\n(Non : "
                                                        "l'importation est annulée, rien n'est modifié.)")
                                .arg(ecole(ecoleFichier), ecole(ecoleBase)),
                            QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

void ImportDialogues::debutEcriture()
{
    attente = std::make_unique<diaWait>(parent);
    attente->preparer(false,
                      QCoreApplication::translate("ImportClasse", "Mise à jour des dates de compétences..."));
    attente->show();
}

void ImportDialogues::avancer()
{
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void ImportDialogues::finEcriture()
{
    attente.reset();
}
