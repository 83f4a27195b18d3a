// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QTableWidgetItem>

#include <functional>

class QTableWidget;
class QWidget;
class QTableWidgetSelectionRange;

// Ce que partagent toutes les grilles de saisie : la cellule de date et le format texte du
// presse-papiers (les cellules d'une ligne jointes par des tabulations, chaque ligne suivie
// d'un saut de ligne, comme dans un tableur).
namespace Grilles {

// Rôle de donnée qui porte la marque « date invalide » d'une cellule : 1 invalide, 0 sinon.
inline constexpr int ROLE_INVALIDE = 0x0100; // Qt::UserRole
// Rôle qui porte la marque « date à vérifier » d'une cellule de validation : les raisons pour
// lesquelles la date est invraisemblable (Dates::Invraisemblance), 0 quand elle ne l'est pas.
inline constexpr int ROLE_A_VERIFIER = 0x0101; // Qt::UserRole + 1
// Rôle de l'en-tête d'une colonne d'élève qui porte sa date de naissance (date invalide quand
// elle n'est pas connue).
inline constexpr int ROLE_NAISSANCE = 0x0102; // Qt::UserRole + 2
// Rôle d'une cellule de date qui porte son texte tel que la base le tient (au chargement de la
// grille ou à son dernier enregistrement) : la cellule est changée quand son texte en diffère.
inline constexpr int ROLE_ENREGISTRE = 0x0103; // Qt::UserRole + 3
// Rôle qui marque une cellule de date remise par la reprise des saisies d'un arrêt imprévu, pas
// encore enregistrée : la cellule se montre soulignée, avec une bulle qui le dit.
inline constexpr int ROLE_REPRISE = 0x0104; // Qt::UserRole + 4
// Cellule de date des fenêtres de saisie : sa bulle, sa police, sa couleur et sa description
// pour les lecteurs d'écran (« Date incorrecte », « Date à vérifier » et pourquoi) se déduisent
// de ses marques, lues au moment où la table les montre. Marquer une cellule ne coûte donc
// qu'une donnée, même quand toute une grille est à vérifier ; la date de naissance de la bulle
// est celle de l'en-tête de sa colonne (`ROLE_NAISSANCE`). Une description posée sur la
// cellule (Qt::AccessibleDescriptionRole) suit celle de son état.
class CelluleDate : public QTableWidgetItem
{
public:
    explicit CelluleDate(const QString& texte);
    QVariant data(int role) const override;
    QTableWidgetItem* clone() const override;

private:
    // Les phrases de la bulle d'une date à vérifier.
    QStringList raisons() const;
};

// Écrit un texte dans une cellule de date : le texte passe par la normalisation des dates
// tapées ; la cellule reçoit le texte (éventuellement réécrit), la marque d'invalidité et un
// premier plan rouge (invalide) ou noir (valide) qui garde le reste de son pinceau. Une
// cellule ordinaire (pas une `CelluleDate`) reçoit aussi sa description pour les lecteurs
// d'écran : « Date incorrecte » quand elle l'est. Rend vrai quand la date est valide (ou vide).
bool ecrireDate(QTableWidgetItem* cellule, const QString& texte);

// Vrai quand la cellule porte la marque « date invalide ».
bool dateInvalide(const QTableWidgetItem* cellule);

// Ce que dit un lecteur d'écran d'une date incorrecte, et ce qu'il dit avant les raisons
// d'une date à vérifier.
QString descriptionDateIncorrecte();
QString descriptionDateAVerifier(const QStringList& raisons);

// Pourquoi une date de validation est invraisemblable (Dates::invraisemblances), une phrase par
// raison ; vide quand elle est vraisemblable.
QStringList raisonsAVerifier(const QDate& date, const QDate& naissance,
                             const QDate& aujourdhui = QDate::currentDate());

// Pose sur une cellule de date (`CelluleDate`) la marque « à vérifier » quand sa date est
// invraisemblable, et la lui retire sinon : la cellule se montre alors en orange italique avec
// une bulle qui dit pourquoi. Le texte de la cellule n'est pas touché. Rend vrai quand la
// cellule est à vérifier.
bool signalerAVerifier(QTableWidgetItem* cellule, const QDate& naissance);
// La même chose quand la date de la cellule est déjà lue (invalide : pas de date).
// Une grille entière passe le même `aujourdhui` à chaque cellule : lire l'heure du système coûte.
bool signalerAVerifier(QTableWidgetItem* cellule, const QDate& date, const QDate& naissance,
                       const QDate& aujourdhui = QDate::currentDate());

// Vrai quand la cellule porte la marque « date à vérifier ».
bool dateAVerifier(const QTableWidgetItem* cellule);

// Vrai quand le texte de la cellule diffère de celui que tient la base (`ROLE_ENREGISTRE`).
bool celluleChangee(const QTableWidgetItem* cellule);
// Ce que dit une cellule remise par la reprise des saisies (bulle, lecteur d'écran).
QString descriptionDateReprise();

// Valide la saisie en cours dans l'éditeur ouvert sur la cellule courante, comme le ferait la
// touche Entrée ; la cellule reste la courante. Vrai quand un éditeur était ouvert.
bool validerEdition(QTableWidget* table);

// Texte du presse-papiers d'une plage : une ligne par ligne retenue de la plage, ses cellules
// jointes par des tabulations (une cellule absente compte pour un texte vide), chaque ligne
// suivie d'un saut de ligne. `ligneRetenue` (facultatif) écarte des lignes de la grille.
QString texteCopie(const QTableWidget* table, const QTableWidgetSelectionRange& plage,
                   const std::function<bool(int)>& ligneRetenue = {});

// Les lignes d'un texte collé, cellule pour cellule : coupé aux fins de ligne ("\n", "\r\n"
// ou "\r"), une ligne vide est une ligne de cellules vides ; seule une fin de ligne finale est
// ignorée. Un texte vide ne donne aucune ligne.
QStringList lignesCollees(const QString& texte);

// Opérations du presse-papiers, qui ne portent que sur un bloc rectangulaire.
enum class Presse { Copier, Couper, Coller };

// Refuse une opération du presse-papiers sur une sélection de plusieurs plages (Ctrl), comme
// un tableur, avec un message qui dit quoi faire ; vrai quand elle est refusée. Couper est
// refusé en entier : effacer sans avoir copié perdrait les dates.
bool refuserSelectionMultiple(QWidget* parent, const QTableWidget* table, Presse operation);

// Les champs d'une ligne collée : coupée aux tabulations, champs vides gardés.
QStringList champsColles(const QString& ligne);

} // namespace Grilles
