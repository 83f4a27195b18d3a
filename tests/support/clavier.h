// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QDialog>
#include <QHash>
#include <QLineEdit>
#include <QTableWidget>
#include <QTest>

// Les dialogues tels que les vit une enseignante qui n'a que le clavier, ou une technique
// d'assistance : le contrôle qui a le focus, le nom qu'elle entend pour lui, des touches frappées
// là où est le focus et des cases cochées sans clic.
namespace Clavier {

// Le nom annoncé par une interface d'accessibilité : le sien, sinon le texte de l'étiquette qui
// la désigne. Une liste déroulante ou un compteur donne sa valeur comme nom (sous Linux, même
// quand il a un nom accessible) : ce n'en est pas un, son nom lui vient de son étiquette.
inline QString nom(QAccessibleInterface* interface)
{
    if (!interface)
        return QString();
    QString nom = interface->text(QAccessible::Name).trimmed();
    if ((interface->role() == QAccessible::ComboBox || interface->role() == QAccessible::SpinBox) &&
        nom == interface->text(QAccessible::Value).trimmed())
        nom.clear();
    for (const auto& [etiquette, relation] : interface->relations(QAccessible::Label))
        if (nom.isEmpty() && etiquette)
            nom = etiquette->text(QAccessible::Name).trimmed();
    return nom;
}
inline QString nom(QWidget* controle)
{
    return nom(QAccessible::queryAccessibleInterface(controle));
}

// Le contrôle qui a le focus et son nom annoncé, « objet|nom » ; un bouton d'une boîte de
// boutons, qui n'a pas de nom d'objet, est désigné par son texte.
inline QString focus()
{
    QWidget* controle = QApplication::focusWidget();
    if (!controle)
        return QStringLiteral("(aucun)");
    QString objet = controle->objectName();
    if (auto* bouton = qobject_cast<QAbstractButton*>(controle); bouton && objet.isEmpty())
        objet = bouton->text().remove(QLatin1Char('&'));
    return objet + QLatin1Char('|') + nom(controle);
}

// Montre le dialogue et l'active : le focus est là où le dialogue le met à l'ouverture.
inline bool montrer(QDialog* dialogue)
{
    dialogue->show();
    dialogue->activateWindow();
    return QTest::qWaitForWindowActive(dialogue);
}

// Des gestes séparés par des espaces, faits dans l'ordre : une touche frappée au contrôle qui a
// le focus (« Tab », « Maj+Tab », « Espace », « Entrée », « Échap », « Haut », « Bas »,
// « Gauche », « Droite »), « =texte » pour taper un texte, ou « bascule:objet » pour
// faire basculer la case ou le bouton radio `objet` du dialogue par l'action de son interface
// d'accessibilité, comme le fait une technique d'assistance.
inline void gestes(QDialog* dialogue, const QString& suite)
{
    static const QHash<QString, QPair<int, Qt::KeyboardModifiers>> touches{
        {"Tab", {Qt::Key_Tab, Qt::NoModifier}},      {"Maj+Tab", {Qt::Key_Backtab, Qt::ShiftModifier}},
        {"Espace", {Qt::Key_Space, Qt::NoModifier}}, {"Entrée", {Qt::Key_Return, Qt::NoModifier}},
        {"Échap", {Qt::Key_Escape, Qt::NoModifier}}, {"Haut", {Qt::Key_Up, Qt::NoModifier}},
        {"Bas", {Qt::Key_Down, Qt::NoModifier}},     {"Gauche", {Qt::Key_Left, Qt::NoModifier}},
        {"Droite", {Qt::Key_Right, Qt::NoModifier}},
    };
    for (const QString& geste : suite.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        QWidget* cible = QApplication::focusWidget() ? QApplication::focusWidget() : dialogue;
        if (geste.startsWith(QLatin1Char('='))) {
            // Touche après touche là où est le focus : la première ouvre l'éditeur d'une cellule.
            for (const QChar lettre : geste.mid(1)) {
                QWidget* ici = QApplication::focusWidget() ? QApplication::focusWidget() : dialogue;
                if (lettre.unicode() < 128)
                    QTest::keyClick(ici, char(lettre.unicode()));
                else
                    QTest::sendKeyEvent(QTest::Click, ici, Qt::Key_unknown, QString(lettre), Qt::NoModifier);
            }
        } else if (geste.startsWith(QLatin1String("bascule:"))) {
            auto* controle = dialogue->findChild<QWidget*>(geste.section(QLatin1Char(':'), 1));
            QAccessibleInterface* interface =
                controle ? QAccessible::queryAccessibleInterface(controle) : nullptr;
            if (!interface || !interface->actionInterface())
                QFAIL(qPrintable(QStringLiteral("pas d'action accessible pour %1").arg(geste)));
            interface->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        } else if (touches.contains(geste)) {
            QTest::keyClick(cible, Qt::Key(touches.value(geste).first), touches.value(geste).second);
        } else {
            QFAIL(qPrintable(QStringLiteral("geste inconnu : %1").arg(geste)));
        }
        // Ce que la boîte à outils remet à plus tard (l'éditeur d'une cellule se ferme après
        // Entrée) est fait avant le geste suivant, comme entre deux touches frappées à la main.
        QCoreApplication::sendPostedEvents();
    }
}

// Frappe au clavier dans une case d'une grille, validée par Entrée, ou laissée dans l'éditeur
// ouvert.
inline void taper(QTableWidget* table, int ligne, int colonne, const QString& texte, bool entree = true)
{
    table->setCurrentCell(ligne, colonne);
    QTest::keyClick(table, texte.at(0).toLatin1());
    auto* editeur = table->findChild<QLineEdit*>();
    QVERIFY(editeur);
    QTest::keyClicks(editeur, texte.mid(1));
    if (!entree)
        return;
    QTest::keyClick(editeur, Qt::Key_Return);
    QCoreApplication::processEvents(); // le délégué valide l'éditeur au tour suivant, puis le détruit
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Les colonnes « gestes » et « attendu » d'un essai au clavier.
inline void colonnes()
{
    QTest::addColumn<QString>("gestes");
    QTest::addColumn<QString>("attendu");
}

// Montre le dialogue, y fait les gestes et rend le focus qui en résulte (voir focus()).
inline QString apres(QDialog* dialogue, const QString& suite)
{
    if (!montrer(dialogue))
        return QStringLiteral("(dialogue jamais actif)");
    gestes(dialogue, suite);
    return focus();
}

// Ce qu'un lecteur d'écran dit d'une case d'une grille, par ses interfaces d'accessibilité :
// en-tête de colonne, en-tête de ligne, texte (fin de ligne écrite « \n »), description.
inline QString cellule(QAbstractItemView* grille, int ligne, int colonne)
{
    QAccessibleInterface* lue =
        QAccessible::queryAccessibleInterface(grille)->tableInterface()->cellAt(ligne, colonne);
    QStringList parties;
    for (const auto& entetes :
         {lue->tableCellInterface()->columnHeaderCells(), lue->tableCellInterface()->rowHeaderCells()}) {
        // Selon la version de la boîte à outils, les cases d'en-tête rendues sont neuves et à
        // personne : les inscrire les confie au registre, qui les détruit avec la grille.
        for (QAccessibleInterface* entete : entetes)
            QAccessible::uniqueId(entete);
        parties << (entetes.isEmpty() ? QString() : entetes.constFirst()->text(QAccessible::Name));
    }
    parties << lue->text(QAccessible::Name).replace('\n', QStringLiteral("\\n"))
            << lue->text(QAccessible::Description);
    return parties.join(QStringLiteral(" | "));
}

} // namespace Clavier
