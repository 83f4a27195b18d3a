// SPDX-License-Identifier: GPL-3.0-or-later
// Contrôle d'accessibilité de toutes les fenêtres du programme, comme les voit un lecteur
// d'écran : chaque fenêtre et chaque dialogue est ouvert sur l'école d'exemple de la tournée
// des captures, puis ses interfaces d'accessibilité sont parcourues. Tout contrôle interactif
// doit avoir un nom, qui ne soit pas celui d'un autre contrôle du même genre, et se laisser
// atteindre par la touche Tab ; chaque menu s'ouvre par une lettre soulignée (Alt + lettre)
// et chacune de ses entrées en a une, sans doublon dans le même menu. Une classe de fenêtre
// des sources que la tournée n'ouvre pas fait échouer l'essai : un nouveau dialogue est
// couvert dès son premier jour.

#include "tournee.h"

#include "gui/commun/mystyle.h"
#include "gui/entry/mdibase.h"
#include "gui/mainwindow/mainwindow.h"
#include "gui/mainwindow/mymdiarea.h"
#include "support/clavier.h"
#include "support/environnement.h"
#include "support/repondeuressai.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QDirIterator>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMetaEnum>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QTest>
#include <QTranslator>

namespace {

using Role = QAccessible::Role;

// Les genres de contrôles avec lesquels l'enseignante agit.
const QSet<Role> INTERACTIFS = {
    QAccessible::PushButton, QAccessible::CheckBox, QAccessible::RadioButton, QAccessible::EditableText,
    QAccessible::ComboBox,   QAccessible::SpinBox,  QAccessible::Slider,      QAccessible::Table,
    QAccessible::List,       QAccessible::Tree,     QAccessible::ButtonMenu,  QAccessible::ButtonDropDown,
    QAccessible::PageTab,    QAccessible::MenuItem};
// Ceux dont on ne parcourt pas les enfants : les cellules d'une grille, la liste déroulée
// d'une liste déroulante.
const QSet<Role> SANS_ENFANTS = {QAccessible::ComboBox, QAccessible::SpinBox, QAccessible::Table,
                                 QAccessible::List, QAccessible::Tree};

QString nomRole(Role role)
{
    return QString::fromLatin1(QMetaEnum::fromType<QAccessible::Role>().valueToKey(role));
}

// Ce que l'essai a relevé pour une fenêtre.
struct Rapport {
    int controles = 0;
    QStringList fautes;
};

// Le nom d'un contrôle dans les messages : son objectName, à défaut sa classe.
QString designation(QObject* objet)
{
    if (!objet)
        return QStringLiteral("(sans objet)");
    return objet->objectName().isEmpty() ? QString::fromLatin1(objet->metaObject()->className())
                                         : objet->objectName();
}

// Les widgets qui reçoivent le focus en appuyant sur Tab depuis le focus de départ, jusqu'à
// revenir au départ (une grille peut garder le focus quelques pressions, de case en case).
QList<QWidget*> parcoursTab(QWidget* fenetre)
{
    QList<QWidget*> atteints;
    QWidget* depart = QApplication::focusWidget();
    if (!depart || (depart != fenetre && !fenetre->isAncestorOf(depart)))
        return atteints;
    atteints << depart;
    bool parti = false;
    for (int appui = 0; appui < 400; ++appui) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* focus = QApplication::focusWidget();
        if (!focus)
            break;
        if (focus == depart && parti)
            break;
        parti = parti || focus != depart;
        if (!atteints.contains(focus))
            atteints << focus;
    }
    return atteints;
}

// Vrai quand Tab mène au widget (ou dans lui). Dans un groupe de boutons radio exclusifs, Tab
// mène à l'un d'eux et les flèches aux autres.
bool atteignable(QWidget* widget, const QList<QWidget*>& atteints)
{
    const auto dedans = [&atteints](const QWidget* w) {
        return std::any_of(atteints.cbegin(), atteints.cend(), [w](const QWidget* focus) {
            return focus == w || w->isAncestorOf(focus) || focus->focusProxy() == w;
        });
    };
    if (dedans(widget))
        return true;
    const auto* radio = qobject_cast<QRadioButton*>(widget);
    if (!radio || !radio->autoExclusive())
        return false;
    QList<QAbstractButton*> groupe = radio->group() ? radio->group()->buttons() : QList<QAbstractButton*>();
    if (!radio->group() && radio->parentWidget())
        for (QRadioButton* voisin :
             radio->parentWidget()->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly))
            if (voisin->autoExclusive() && !voisin->group())
                groupe << voisin;
    return std::any_of(groupe.cbegin(), groupe.cend(), [&](const QAbstractButton* b) { return dedans(b); });
}

// Un widget que la touche Tab peut atteindre (une zone de texte en lecture seule, par
// exemple) est un contrôle, quel que soit son rôle ; une zone de défilement n'est qu'un cadre.
bool prendFocus(QObject* objet)
{
    auto* widget = qobject_cast<QWidget*>(objet);
    return widget && (widget->focusPolicy() & Qt::TabFocus) == Qt::TabFocus && !widget->isWindow() &&
           !qobject_cast<QScrollArea*>(widget);
}

// Le nom qu'entend l'utilisateur d'un lecteur d'écran (voir Clavier::nom) ; un texte sans
// lettre ni chiffre (« ... ») n'en est pas un.
QString nomEntendu(QAccessibleInterface* interface)
{
    static const QRegularExpression signifiant(QStringLiteral("[\\p{L}\\p{N}]"));
    const QString nom = Clavier::nom(interface);
    return nom.contains(signifiant) ? nom : QString();
}

class Examen
{
public:
    Examen(QWidget* fenetre, bool avecSousFenetres) : fenetre(fenetre), avecSousFenetres(avecSousFenetres)
    {
        atteints = parcoursTab(fenetre);
    }

    Rapport rapport;

    void parcourirFenetre()
    {
        // Une fenêtre de saisie est nommée par le cadre de sa sous-fenêtre.
        auto* cadre = qobject_cast<QMdiSubWindow*>(fenetre->parentWidget());
        if (nomEntendu(QAccessible::queryAccessibleInterface(cadre ? cadre : fenetre)).isEmpty())
            rapport.fautes << QStringLiteral("la fenêtre n'a pas de nom");
        parcourir(QAccessible::queryAccessibleInterface(fenetre));
    }

private:
    void parcourir(QAccessibleInterface* interface)
    {
        if (!interface)
            return;
        QObject* objet = interface->object();
        const Role role = interface->role();
        if (role == QAccessible::MenuItem) {
            examinerEntreeMenu(interface);
            return;
        }
        if (interface->state().invisible || (!avecSousFenetres && qobject_cast<QMdiSubWindow*>(objet)))
            return; // chaque fenêtre de saisie a sa propre ligne
        if (INTERACTIFS.contains(role) || prendFocus(objet))
            examinerControle(interface);
        if (SANS_ENFANTS.contains(role))
            return;
        for (int i = 0; i < interface->childCount(); ++i)
            parcourir(interface->child(i));
    }

    void faute(QObject* objet, Role role, const QString& quoi)
    {
        rapport.fautes << QStringLiteral("%1 (%2) : %3").arg(designation(objet), nomRole(role), quoi);
    }

    void examinerControle(QAccessibleInterface* interface)
    {
        ++rapport.controles;
        QObject* objet = interface->object();
        const Role role = interface->role();
        const QString nom = nomEntendu(interface);
        if (nom.isEmpty()) {
            faute(objet, role, QStringLiteral("sans nom"));
        } else {
            const QString cle = nomRole(role) + QLatin1Char('/') + nom;
            if (const QString autre = noms.value(cle); !autre.isEmpty())
                faute(objet, role, QStringLiteral("même nom « %1 » que %2").arg(nom, autre));
            else
                noms.insert(cle, designation(objet));
        }
        // Une description en texte enrichi serait lue balises comprises.
        if (Qt::mightBeRichText(interface->text(QAccessible::Description)))
            faute(objet, role, QStringLiteral("description en texte enrichi"));
        auto* widget = qobject_cast<QWidget*>(objet);
        // Un onglet s'atteint par sa barre ; un contrôle inactif ne prend pas le focus.
        if (role == QAccessible::PageTab || !widget || interface->state().disabled)
            return;
        if (!atteignable(widget, atteints))
            faute(objet, role, QStringLiteral("hors d'atteinte de la touche Tab"));
    }

    // Une entrée de la barre des menus ou d'un menu (les menus fermés sont parcourus aussi).
    void examinerEntreeMenu(QAccessibleInterface* interface)
    {
        auto* action = qobject_cast<QAction*>(interface->object());
        if (!action || action->isSeparator() || !action->isVisible())
            return;
        ++rapport.controles;
        const QString menu = interface->parent() ? designation(interface->parent()->object()) : QString();
        const QString nom = nomEntendu(interface);
        const QString ici = action->objectName().isEmpty() ? nom : action->objectName();
        const QKeySequence lettre = QKeySequence::mnemonic(action->text());
        if (nom.isEmpty()) {
            rapport.fautes << QStringLiteral("entrée de %1 sans nom").arg(menu);
        } else if (lettre.isEmpty()) {
            rapport.fautes << QStringLiteral("%1 (%2) : pas de lettre soulignée").arg(ici, menu);
        } else {
            const QString cle = menu + QLatin1Char('/') + lettre.toString();
            if (const QString autre = lettres.value(cle); !autre.isEmpty())
                rapport.fautes
                    << QStringLiteral("%1 (%2) : même lettre soulignée que %3").arg(ici, menu, autre);
            else
                lettres.insert(cle, ici);
        }
        if (QMenu* sousMenu = action->menu()) {
            QAccessibleInterface* entrees = QAccessible::queryAccessibleInterface(sousMenu);
            for (int i = 0; entrees && i < entrees->childCount(); ++i)
                parcourir(entrees->child(i));
        }
    }

    QWidget* fenetre;
    bool avecSousFenetres;
    QList<QWidget*> atteints;
    QHash<QString, QString> noms;    // rôle et nom → contrôle qui le porte
    QHash<QString, QString> lettres; // menu et lettre soulignée → entrée qui la porte
};

// Les classes de fenêtres des sources de l'interface : celle de chaque formulaire, et chaque
// classe qui dérive, de près ou de loin, d'un dialogue ou d'une fenêtre principale.
QStringList classesDeFenetres()
{
    QSet<QString> classes;
    QHash<QString, QStringList> bases;
    const QString racine = QStringLiteral(QUORVEL_SOURCES "/gui");
    const QRegularExpression formulaire(QStringLiteral("<ui[^>]*>\\s*<class>(\\w+)</class>"));
    // La base avec son nom qualifié : une classe qui dérive de « diaApercu::Source » n'est pas
    // une fenêtre.
    const QRegularExpression derivation(
        QStringLiteral("class\\s+(\\w+)\\s*(?:final\\s*)?:\\s*public\\s+([\\w:]+)"));
    QDirIterator it(racine, {QStringLiteral("*.ui"), QStringLiteral("*.h")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile fichier(it.next());
        if (!fichier.open(QIODevice::ReadOnly))
            continue;
        const QString texte = QString::fromUtf8(fichier.readAll());
        if (fichier.fileName().endsWith(QLatin1String(".ui"))) {
            if (const auto m = formulaire.match(texte); m.hasMatch())
                classes << m.captured(1);
            continue;
        }
        for (auto m = derivation.globalMatch(texte); m.hasNext();) {
            const auto d = m.next();
            bases[d.captured(1)] << d.captured(2);
        }
    }
    const std::function<bool(const QString&)> fenetre = [&](const QString& classe) {
        if (classe == QLatin1String("QDialog") || classe == QLatin1String("QMainWindow"))
            return true;
        const QStringList parents = bases.value(classe);
        return std::any_of(parents.cbegin(), parents.cend(), fenetre);
    };
    for (auto b = bases.cbegin(); b != bases.cend(); ++b)
        if (fenetre(b.key()))
            classes << b.key();
    QStringList liste(classes.cbegin(), classes.cend());
    liste.sort();
    return liste;
}

} // namespace

class TstAccessibilite : public QObject
{
    Q_OBJECT
    QTranslator traduction;
    Environnement::Dossier dossier;
    std::unique_ptr<MainWindow> principale;
    QMap<QString, Rapport> rapports;
    QList<const QMetaObject*> classesOuvertes;
    QStringList problemes;

    void visiter(QWidget* fenetre, const QString& nom)
    {
        for (const QMetaObject* classe = fenetre->metaObject(); classe; classe = classe->superClass())
            if (!classesOuvertes.contains(classe))
                classesOuvertes << classe;
        // Une fenêtre de saisie est la sous-fenêtre active de la fenêtre principale active.
        auto* saisie = qobject_cast<MdiBase*>(fenetre);
        QWidget* active = saisie ? principale.get() : fenetre;
        active->show();
        active->activateWindow();
        if (!QTest::qWaitFor([active] { return active->isActiveWindow(); }, 5000))
            problemes << QStringLiteral("%1 : fenêtre jamais active").arg(nom);
        if (saisie) {
            principale->espaceTravail()->setActiveSubWindow(
                qobject_cast<QMdiSubWindow*>(saisie->parentWidget()));
            for (QWidget* w = saisie->nextInFocusChain();
                 w != saisie && !saisie->isAncestorOf(QApplication::focusWidget()); w = w->nextInFocusChain())
                if (saisie->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) && w->isVisible() &&
                    w->isEnabled())
                    w->setFocus(Qt::TabFocusReason);
        }
        Examen examen(fenetre, fenetre != principale.get());
        examen.parcourirFenetre();
        rapports.insert(nom, examen.rapport);
    }

private Q_SLOTS:
    void initTestCase()
    {
        Environnement::preparer();
        // Les boutons standard parlent français, comme dans le programme.
        if (traduction.load(QStringLiteral("qt_fr"), QStringLiteral(":outils")))
            QApplication::installTranslator(&traduction);
        QApplication::setStyle(new MyStyle); // comme au démarrage du programme
        dossier = Environnement::nouveauDossierDonnees();
        const auto probleme = [this](const QString& texte) { problemes << texte; };
        QVERIFY(Environnement::ouvrirBase() && Tournee::poserEcole(probleme));
        RepondeurEssai repondeur;
        principale = std::make_unique<MainWindow>();
        principale->resize(1400, 800);
        principale->show();
        QVERIFY(QTest::qWaitForWindowActive(principale.get()));
        const auto visite = [this](QWidget* fenetre, const QString& nom) { visiter(fenetre, nom); };
        Tournee::fenetres(*principale, visite, probleme);
        Tournee::dialogues(*principale, visite, probleme);
        QVERIFY2(problemes.isEmpty(), qPrintable(problemes.join(QLatin1Char('\n'))));
    }
    void cleanupTestCase()
    {
        if (principale)
            qDeleteAll(principale->espaceTravail()->subWindowList()); // sans question de fermeture
        principale.reset();
    }

    // Chaque contrôle nommé, sans doublon, atteignable par Tab ; chaque menu et chaque entrée
    // de menu avec sa lettre soulignée.
    void fenetres_data()
    {
        QTest::addColumn<QString>("fenetre");
        for (auto r = rapports.cbegin(); r != rapports.cend(); ++r)
            QTest::newRow(qPrintable(r.key())) << r.key();
    }
    void fenetres()
    {
        QFETCH(QString, fenetre);
        const Rapport rapport = rapports.value(fenetre);
        qDebug("%s : %d contrôles vérifiés", qPrintable(fenetre), rapport.controles);
        QVERIFY(rapport.controles > 0);
        QVERIFY2(rapport.fautes.isEmpty(), qPrintable(QStringLiteral("%1 :\n  ").arg(fenetre) +
                                                      rapport.fautes.join(QStringLiteral("\n  "))));
    }

    // La tournée ouvre toutes les classes de fenêtres des sources.
    void toutesLesFenetres()
    {
        const QStringList classes = classesDeFenetres();
        QVERIFY(classes.contains(QStringLiteral("MainWindow")) &&
                classes.contains(QStringLiteral("mdiSaisie")));
        QStringList oubliees;
        for (const QString& classe : classes) {
            const bool ouverte = std::any_of(
                classesOuvertes.cbegin(), classesOuvertes.cend(),
                [&classe](const QMetaObject* m) { return QLatin1String(m->className()) == classe; });
            if (!ouverte)
                oubliees << classe;
        }
        QVERIFY2(oubliees.isEmpty(), qPrintable(QStringLiteral("fenêtres que l'essai n'ouvre pas : ") +
                                                oubliees.join(QStringLiteral(", "))));
    }
};

QTEST_MAIN(TstAccessibilite)
#include "tst_accessibilite.moc"
