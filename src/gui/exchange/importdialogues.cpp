// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/exchange/importdialogues.h"

#include "core/commun/application.h"

#include "gui/commun/diawait.h"
#include "gui/commun/invite.h"
#include "gui/commun/messages.h"
#include "gui/exchange/diadatenaiss.h"
#include "gui/exchange/diaimporteclasse.h"
#include "gui/exchange/dianiveau.h"
#include "gui/exchange/dianotessupprimables.h"

ImportDialogues::ImportDialogues(QWidget* fenetre) : parent(fenetre) {}

ImportDialogues::~ImportDialogues() = default;

bool ImportDialogues::choisirClasse(const QString& nomClasse, qint64& idClasse, bool& renommer)
{
    diaImporteClasse dialogue(nomClasse, parent);
    if (!dialogue.pret() || dialogue.exec() != QDialog::Accepted)
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
    attente->preparer(false, tr("Mise à jour des dates de compétences..."));
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

void ImportDialogues::montrer(const Resultat<ImportClasse::Compteurs>& issue)
{
    if (issue) {
        Invite::information(parent, tr("Bilan de l'importation de classe"), bilan(*issue));
        return;
    }
    if (issue.erreur().raison == Raison::LectureImpossible) {
        Messages::lectureImpossible(parent, issue.erreur());
        return;
    }
    for (const auto& [titre, texte] : refus(issue.erreur()))
        Invite::avertissement(parent, titre, texte);
}

QString ImportDialogues::bilan(const ImportClasse::Compteurs& cpt)
{
    // Un élève ou une date n'est « mis à jour » que quand la base a changé : un fichier importé
    // deux fois ne met rien à jour la seconde fois.
    const QStringList lignes{
        tr("Nombre d'élèves ajoutés: %1").arg(cpt.elevesAjoutes),
        tr("Nombre d'élèves mis à jour (classe, niveau ou date de naissance): %1").arg(cpt.elevesMisAJour),
        tr("Nombre d'élèves retrouvés sans changement: %1").arg(cpt.elevesInchanges),
        tr("Nombre d'élèves ignorés car présents dans la base mais pas dans le fichier: %1")
            .arg(cpt.elevesIgnores),
        tr("Nombre de dates de compétences ajoutées: %1").arg(cpt.notesAjoutees),
        tr("Nombre de dates de compétences mises à jour: %1").arg(cpt.notesMisesAJour),
        tr("Nombre de dates de compétences retrouvées sans changement: %1").arg(cpt.notesInchangees),
        tr("Nombre de dates de compétences supprimées: %1").arg(cpt.notesSupprimees),
        tr("Nombre de dates de compétences ignorées (celle de la base, saisie plus récemment, est gardée): "
           "%1")
            .arg(cpt.notesIgnorees),
        tr("Nombre de niveaux créés: %1").arg(cpt.niveauxCrees)};
    QString texte = lignes.join(QLatin1Char('\n')) + QLatin1Char('\n');
    if (cpt.classeCreee)
        texte += tr("Classe %1 créée\n").arg(cpt.classe);
    if (cpt.classeRenommee)
        texte += tr("Une classe renommée en %1\n").arg(cpt.classe);
    if (cpt.nomsNettoyes > 0)
        texte += tr("Noms lus avec des caractères de contrôle (caractère nul, tabulation…), enregistrés "
                    "sans eux : %1\n")
                     .arg(cpt.nomsNettoyes);
    if (!cpt.copieNonEcrite.isEmpty())
        texte += tr("\nLa copie de travail %1 n'a pas pu être écrite dans le dossier des données (%2) ; "
                    "l'importation elle-même est faite.\n")
                     .arg(Application::FICHIER_COPIE_IMPORT, cpt.copieNonEcrite);
    return texte;
}

QList<std::pair<QString, QString>> ImportDialogues::refus(const Erreur& e)
{
    const auto analyse = [&e](const QString& raison) {
        return std::pair{tr("Erreur d'analyse"),
                         tr("Erreur d'analyse à la ligne %1, colonne %2\n%3\nL'importation "
                            "est annulée.")
                             .arg(e.ligne)
                             .arg(e.colonne)
                             .arg(raison)};
    };
    const auto erreur = [](const QString& texte) { return std::pair{tr("Erreur"), texte}; };
    // Une date du fichier refusée : l'écriture commencée est annulée.
    const std::pair<QString, QString> annulee{
        tr("Arrêt de l'importation"),
        tr("Mise à jour annulée. Aucun changement n'a lieu dans la base de données.")};
    switch (e.raison) {
    case Raison::Abandon:
        return {};
    case Raison::FichierIllisible:
        return {{tr("Problème de lecture du fichier"),
                 tr("Problème de lecture du fichier %1\nLa lecture s'est interrompue avec le message:\n%2\n"
                    "L'importation est annulée.")
                     .arg(e.nom, e.texte)}};
    case Raison::FichierTropGros:
        return {analyse(tr("fichier trop volumineux"))};
    case Raison::DeclarationDeType:
        return {analyse(tr("déclaration de type non admise"))};
    case Raison::ImbricationProfonde:
        return {analyse(tr("imbrication trop profonde"))};
    case Raison::TropDElements:
        return {analyse(tr("trop d'éléments"))};
    case Raison::ValeurTropLongue:
        return {analyse(tr("valeur d'attribut trop longue"))};
    case Raison::TexteTropLong:
        return {analyse(tr("texte trop long"))};
    case Raison::AnalyseXml:
        return {analyse(e.texte)};
    case Raison::FormatInconnu:
        return {{tr("Erreur de format"), tr("Ce fichier n'est pas au format attendu par Quorvel.")}};
    case Raison::VersionInconnue:
        return {
            {tr("Erreur de version"), tr("Ce fichier ne peut pas être lu par cette version de Quorvel.")}};
    case Raison::SommeAbsente:
        return {{tr("Erreur de contrôle"), tr("Ce fichier semble incorrect (somme de contrôle absente).")}};
    case Raison::SommeIncorrecte:
        return {{tr("Erreur de contrôle"),
                 tr("Ce fichier semble avoir été modifié manuellement en dehors de Quorvel. Par précaution, "
                    "Quorvel refuse de lire les fichiers modifiés.")}};
    case Raison::DechiffrementImpossible:
        return {erreur(tr("Impossible de décrypter le fichier"))};
    case Raison::AttributsManquants:
        return {erreur(tr("Attributs manquants pour un élève"))};
    case Raison::PalierAbsent:
        return {erreur(tr("Palier non renseigné."))};
    case Raison::PalierInconnu:
        return {erreur(tr("Les références du palier ne correspondent pas à celles de la base de données"))};
    case Raison::ClasseAbsenteDuFichier:
        return {erreur(tr("Pas de classe indiquée dans le fichier."))};
    case Raison::AucunNiveau:
        return {erreur(tr("Aucun niveau n'est défini dans la base de données"))};
    case Raison::ClasseNonCreee:
        return {erreur(tr("Impossible de créer la classe %1").arg(e.nom))};
    case Raison::ReferenceAbsente:
        return {erreur(tr("Référence non renseignée dans la liste de notes")), annulee};
    case Raison::CompetenceInconnue:
        return {erreur(tr("Compétence incorrecte dans la liste de notes")), annulee};
    default:
        // La base a refusé l'écriture (ou une lecture pendant l'écriture) : tout est annulé.
        return {{tr("Arrêt de l'importation"),
                 tr("La base de données a refusé l'enregistrement (disque plein, fichier en lecture seule "
                    "ou utilisé par un autre programme). Aucun changement n'a eu lieu dans la base de "
                    "données : libérez de la place ou fermez l'autre programme, puis recommencez "
                    "l'importation.")}};
    }
}
