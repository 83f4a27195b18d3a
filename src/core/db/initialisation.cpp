// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/db/initialisation.h"

#include "core/commun/fichiersur.h"
#include "core/commun/transaction.h"
#include "core/db/chargeurlivret.h"
#include "core/db/requete.h"
#include "core/db/requetes.h"
#include "core/db/schema.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>

namespace Initialisation {

ParametresPalier parametresPalier(int rang)
{
    switch (rang) {
    case 0:
        return {0xFF00ACEFu, QStringLiteral("CE1"), QStringLiteral("bleu.png")};
    case 1:
        return {0xFFF9B117u, QStringLiteral("CM2"), QStringLiteral("orange.png")};
    case 2:
        return {0xFFBAD21Fu, QString(), QStringLiteral("vert.png")};
    default:
        return {0xFF000000u, QString(), QStringLiteral("gris.png")};
    }
}

namespace {

// Une ligne de paramcomp par palier, dans l'ordre du livret.
Resultat<> ecrireParametresPaliers()
{
    const auto paliers = Requetes::paliers();
    if (!paliers)
        return paliers.erreur();
    Base::Requete insertion(
        QStringLiteral("INSERT INTO paramcomp(id_comp,couleur_defaut,texte,header) VALUES(?,?,?,?)"));
    for (int rang = 0; rang < paliers->size(); ++rang) {
        const ParametresPalier p = parametresPalier(rang);
        if (Resultat<> r =
                insertion.executer({paliers->at(rang).id, qlonglong(p.couleur), p.texte, p.entete});
            !r)
            return r;
    }
    return {};
}

} // namespace

Resultat<> executerScript(const QStringList& instructions)
{
    for (const QString& instruction : instructions) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        if (Resultat<> r = Base::executer(instruction); !r)
            return Erreur(Raison::InstructionRefusee, r.erreur().texte).sur(instruction);
    }
    return {};
}

Resultat<> poserBase(const QStringList& instructions, const QString& livret)
{
    Transaction transaction;
    if (Resultat<> r = executerScript(instructions); !r)
        return r;

    ChargeurLivret chargeur;
    if (Resultat<> r = chargeur.load(livret); !r)
        return r;

    // Les paramètres des paliers vont dans la même transaction : une base posée à moitié
    // (arbre sans couleurs d'impression) ne peut ainsi jamais rester.
    if (Resultat<> r = ecrireParametresPaliers(); !r)
        return r;
    // Pas de langue vivante choisie d'avance (le script en pose une) : c'est l'enseignante qui la
    // choisit dans les paramètres ; d'ici là, les livrets portent un blanc à compléter à la main.
    if (Resultat<> r = Base::executer(QStringLiteral("UPDATE general SET langue_defaut='' WHERE id=1")); !r)
        return r;
    Schema::creerIndex();
    return transaction.valider();
}

bool contientDesDonnees()
{
    for (const char* table : {"eleves", "classes", "notes"}) {
        const auto n = Base::valeur(QStringLiteral("SELECT COUNT(*) FROM %1").arg(QLatin1String(table)));
        if (n ? n->toLongLong() > 0 : !n.erreur().texte.contains(QLatin1String("no such table")))
            return true;
    }
    return false;
}

QString nomDate(const QString& cheminBase, const QString& suffixe)
{
    const QString base = cheminBase + QLatin1Char('.') +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HHmm"));
    QString nom = base + suffixe;
    for (int n = 2; QFileInfo::exists(nom); ++n)
        nom = base + QLatin1Char('-') + QString::number(n) + suffixe;
    return nom;
}

Resultat<QString> copierAvantInitialisation(const QString& cheminBase)
{
    return copierADate(cheminBase, QStringLiteral(".avant-initialisation"));
}

Resultat<QString> copierADate(const QString& cheminBase, const QString& suffixe)
{
    const QString copie = nomDate(cheminBase, suffixe);

    // Entière ou absente, et privée comme la base.
    if (const Resultat<> copiee = FichierSur::copier(cheminBase, copie, EcritureSure::Droits::Prives);
        !copiee)
        return Erreur(Raison::CopieImpossible, copiee.erreur().texte).sur(cheminBase);
    return copie;
}

} // namespace Initialisation
