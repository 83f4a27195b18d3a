// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/report/bilan.h"
#include "core/db/requetes.h"

#include "core/commun/transaction.h"

#include <algorithm>
#include <functional>

#include <QFileInfo>
#include <QSet>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTextStream>
#include <QVariant>

namespace {

// Tout texte venu de la base entre échappé dans le document : un nom contenant « < » ou
// « & » ne doit ni casser le bilan ni devenir du balisage dans le fichier enregistré.
QString echappe(const QString& texte)
{
    return texte.toHtmlEscaped();
}

// Coupe un libellé trop long : les `garde` premiers caractères suivis de « ... » quand il
// dépasse `limite` caractères.
QString couper(const QString& texte, int garde, int limite)
{
    return texte.size() > limite ? texte.left(garde) + QStringLiteral("...") : texte;
}

// Les lignes « - nom prénom » des élèves dont le caractère vaut `marque`.
// La ligne de chaque élève, échappée une fois pour toutes les listes du bilan.
QStringList lignesHtml(const QList<Eleve>& eleves)
{
    QStringList lignes;
    lignes.reserve(eleves.size());
    for (const Eleve& eleve : eleves)
        lignes.append(QStringLiteral("- %1 %2<br/>\n").arg(echappe(eleve.nom), echappe(eleve.prenom)));
    return lignes;
}

QString lignesEleves(const QStringList& lignes, const QString& chaine, QChar marque)
{
    QString html;
    for (int j = 0; j < lignes.size() && j < chaine.size(); ++j)
        if (chaine.at(j) == marque)
            html += lignes.at(j);
    return html;
}

} // namespace

Bilan::Suivi::~Suivi() = default;
void Bilan::Suivi::etape(Etape) {}
void Bilan::Suivi::laisserVivre() {}
void Bilan::Suivi::probleme(Probleme) {}

Bilan::Arbre Bilan::lireArbre()
{
    Arbre arbre;
    QSqlQuery requete;
    requete.setForwardOnly(true);
    requete.exec(
        QStringLiteral("SELECT id_comp, id_comp_parent, profondeur, libelle, ref FROM competences ORDER BY "
                       "numero, id_comp"));
    while (requete.next()) {
        Noeud noeud;
        noeud.id = requete.value(0).toLongLong();
        noeud.parent = requete.value(1).toLongLong();
        noeud.profondeur = requete.value(2).toInt();
        noeud.libelle = requete.value(3).toString();
        noeud.ref = requete.value(4).toString();
        arbre.noeuds.insert(noeud.id, noeud);
        arbre.enfants[noeud.parent].append(noeud.id);
    }
    return arbre;
}

QList<Bilan::Item> Bilan::collecterItems(const Arbre& arbre, qint64 idPalier, Suivi* suivi)
{
    QList<Item> items;
    // En profondeur d'abord : un enfant de profondeur 3 est un item, tout autre enfant est
    // parcouru aussitôt. `visites` protège d'un arbre abîmé qui bouclerait.
    QSet<qint64> visites{idPalier};
    std::function<void(qint64)> parcourir = [&](qint64 parent) {
        for (const qint64 id : arbre.enfants.value(parent)) {
            if (suivi)
                suivi->laisserVivre();
            const Noeud& noeud = arbre.noeuds[id];
            if (noeud.profondeur == 3) {
                const auto agregat = arbre.noeuds.constFind(noeud.parent);
                items.append(
                    {id, noeud.parent, agregat == arbre.noeuds.cend() ? 0 : agregat->parent, noeud.libelle});
            } else if (!visites.contains(id)) {
                visites.insert(id);
                parcourir(id);
            }
        }
    };
    parcourir(idPalier);
    return items;
}

QList<Eleve> Bilan::selectionnerEleves(qint64 idClasse, const QString& refPalier, bool filtreNiveau,
                                       bool* refConnue)
{
    if (refConnue)
        *refConnue = true;
    const QString debut =
        QStringLiteral("SELECT eleves.nom, eleves.prenom, niveaux.libelle, eleves.id_eleve FROM "
                       "eleves, niveaux WHERE eleves.id_classe=? AND "
                       "eleves.id_niveau=niveaux.id_niveau ");
    const QString fin = QStringLiteral("ORDER BY niveaux.tri, eleves.nom, eleves.prenom");
    QString sql;
    if (!filtreNiveau)
        sql = debut + fin;
    else if (refPalier == QLatin1String("P1"))
        sql = debut + QStringLiteral("AND (niveaux.libelle LIKE 'CE1' OR niveaux.libelle LIKE 'CYCLE II') ") +
              fin;
    else if (refPalier == QLatin1String("P2"))
        sql = debut +
              QStringLiteral("AND (niveaux.libelle LIKE 'CM2' OR niveaux.libelle LIKE 'CYCLE III') ") + fin;
    else {
        if (refConnue)
            *refConnue = false;
        return {};
    }
    return Requetes::elevesClasse(sql, idClasse, true);
}

std::optional<QStringList> Bilan::lireValidations(const QList<Eleve>& eleves, const QList<qint64>& noeuds)
{
    // Une seule requête pour toute la matrice, au lieu d'un comptage par élève et par nœud.
    // L'index notes(id_eleve, id_comp) est parcouru élève par élève (le « + » l'empêche de
    // chercher chaque couple élève × nœud, trois fois plus lent) ; un doublon éventuel ne fait
    // que remettre un « 1 » déjà posé, d'où l'absence de DISTINCT.
    QStringList chaines(noeuds.size(), QString(eleves.size(), QLatin1Char('0')));
    if (eleves.isEmpty() || noeuds.isEmpty())
        return chaines;
    QHash<qint64, int> colonne;
    for (int j = 0; j < eleves.size(); ++j)
        colonne.insert(eleves.at(j).id, j);
    QHash<qint64, QList<int>> lignes; // un nœud peut figurer deux fois dans la liste
    QList<qint64> idsEleves;
    for (const Eleve& eleve : eleves)
        idsEleves.append(eleve.id);
    for (int i = 0; i < noeuds.size(); ++i)
        lignes[noeuds.at(i)].append(i);

    QSqlQuery requete;
    requete.setForwardOnly(true);
    if (!requete.exec(
            QStringLiteral("SELECT id_eleve, id_comp FROM notes WHERE id_eleve IN (%1) AND +id_comp IN (%2)")
                .arg(Requetes::listeIdentifiants(idsEleves), Requetes::listeIdentifiants(lignes.keys()))))
        return std::nullopt;
    while (requete.next()) {
        const int j = colonne.value(requete.value(0).toLongLong(), -1);
        if (j < 0)
            continue;
        for (const int i : lignes.value(requete.value(1).toLongLong()))
            chaines[i][j] = QLatin1Char('1');
    }
    return chaines;
}

QString Bilan::titre(const std::optional<QString>& classe, const std::optional<QString>& palier)
{
    QString html = classe ? tr("<h1>Classe: %1").arg(echappe(*classe))
                          : QStringLiteral("<h1>") + tr("Classe: erreur sur la base de données");
    if (palier)
        html += tr(" - %1").arg(echappe(*palier));
    return html + QStringLiteral("</h1>\n");
}

QString Bilan::sectionEleves(const QList<Eleve>& eleves, bool filtreNiveau)
{
    QString html = tr("<h2>Liste globale des élèves concernés</h2>\n") + QStringLiteral("<p>");
    for (const Eleve& eleve : eleves)
        html += QStringLiteral("%1 %2 (%3)<br/>\n")
                    .arg(echappe(eleve.nom), echappe(eleve.prenom), echappe(eleve.niveau));
    if (eleves.isEmpty()) {
        html += tr("Aucun élève n'a été sélectionné. ");
        if (filtreNiveau)
            html += tr(
                "Vous avez coché la case 'Montrer uniquement les élèves CE1 ou CM2'. La classe ne contient "
                "peut-être pas d'élèves de niveau correspondant à celui du palier: CE1 pour le palier 1, "
                "CM2 pour le palier 2.");
    }
    return html + QStringLiteral(" </p>");
}

QString Bilan::sectionItems(const QList<Eleve>& eleves, const QList<Item>& items, const QStringList& matrice,
                            const Arbre& arbre)
{
    if (items.isEmpty())
        return tr("<h2>Aucun item n'est disponible.</h2>\n");
    if (eleves.isEmpty())
        return {};
    const int total = eleves.size();
    QString html = tr("<h2>Validation des items</h2>\n");

    // Nombre d'items de chaque compétence et de chaque agrégat dans tout le palier.
    QHash<qint64, int> itemsCompetence;
    QHash<qint64, int> itemsAgregat;
    for (const Item& item : items) {
        ++itemsCompetence[item.competence];
        ++itemsAgregat[item.agregat];
    }
    const int nombre = std::min(items.size(), matrice.size());
    const QStringList lignes = lignesHtml(eleves);
    QList<int> valides(nombre);
    for (int i = 0; i < nombre; ++i)
        valides[i] = static_cast<int>(matrice.at(i).count(QLatin1Char('1')));

    for (int k = total; k >= 0; --k) {
        QSet<QString> vues;
        for (int i = 0; i < nombre; ++i) {
            const QString& chaine = matrice.at(i);
            const int n = valides.at(i);
            if (n != k || vues.contains(chaine))
                continue;
            vues.insert(chaine);

            // En-tête du groupe.
            if (n == total)
                html += tr("<h3>Tous les élèves ont validé les éléments suivants&nbsp;:</h3>\n");
            else if (n > total / 2)
                html += tr("<h3>Tous les élèves - sauf %1 ci-dessous - ont validé les éléments "
                           "suivants&nbsp;:</h3>\n")
                            .arg(total - n) +
                        QStringLiteral("<p>\n") + lignesEleves(lignes, chaine, QLatin1Char('0')) +
                        QStringLiteral("</p>\n");
            else if (n == 0)
                html += tr("<h3>Aucun élève n'a validé les éléments suivants&nbsp;:</h3>\n");
            else
                html += tr("<h3>Les élèves ci-dessous (%1) ont validé les éléments suivants&nbsp;:</h3>\n")
                            .arg(n) +
                        QStringLiteral("<p>\n") + lignesEleves(lignes, chaine, QLatin1Char('1')) +
                        QStringLiteral("</p>\n");

            // Liste du groupe : les items de même chaîne, dans l'ordre des items.
            QList<Item> groupe;
            for (int m = i; m < nombre; ++m)
                if (matrice.at(m) == chaine)
                    groupe.append(items.at(m));
            html += QStringLiteral("<ul>\n");

            // Compétences entières, dans l'ordre de leur première apparition.
            QList<qint64> ordre;
            for (const Item& item : groupe)
                if (item.competence != 0 && !ordre.contains(item.competence))
                    ordre.append(item.competence);
            for (const qint64 competence : ordre) {
                const auto compte = std::count_if(groupe.cbegin(), groupe.cend(), [&](const Item& item) {
                    return item.competence == competence;
                });
                if (compte != itemsCompetence.value(competence))
                    continue;
                html += tr("<li><b>%1</b> : tous les items de la compétence</li>\n")
                            .arg(echappe(arbre.libelle(competence)));
                groupe.erase(std::remove_if(groupe.begin(), groupe.end(),
                                            [&](const Item& item) { return item.competence == competence; }),
                             groupe.end());
            }

            // Agrégats entiers parmi les items restants.
            ordre.clear();
            for (const Item& item : groupe)
                if (!ordre.contains(item.agregat))
                    ordre.append(item.agregat);
            for (const qint64 agregat : ordre) {
                const auto compte = std::count_if(groupe.cbegin(), groupe.cend(),
                                                  [&](const Item& item) { return item.agregat == agregat; });
                if (compte != itemsAgregat.value(agregat))
                    continue;
                html += tr("<li><b>%1</b> - %2 : tous les items de l'agrégat</li>\n")
                            .arg(echappe(arbre.libelle(arbre.noeuds.value(agregat).parent)),
                                 echappe(couper(arbre.libelle(agregat), 50, 53)));
                groupe.erase(std::remove_if(groupe.begin(), groupe.end(),
                                            [&](const Item& item) { return item.agregat == agregat; }),
                             groupe.end());
            }

            // Les items restants, précédés de leurs ancêtres jusqu'au palier (exclu).
            for (const Item& item : groupe) {
                QStringList ancetres;
                QSet<qint64> vus;
                for (auto noeud = arbre.noeuds.constFind(item.agregat);
                     noeud != arbre.noeuds.cend() && noeud->profondeur > 0 && !vus.contains(noeud->id);
                     noeud = arbre.noeuds.constFind(noeud->parent)) {
                    vus.insert(noeud->id);
                    ancetres.prepend(noeud->profondeur == 1
                                         ? QStringLiteral("<b>%1</b> - ").arg(echappe(noeud->libelle))
                                         : QStringLiteral("%1 - ").arg(echappe(noeud->libelle)));
                }
                html += QStringLiteral("<li>%1</li>\n")
                            .arg(ancetres.join(QString()) + echappe(couper(item.libelle, 100, 103)));
            }
            html += QStringLiteral("</ul>\n");
        }
    }
    return html;
}

QString Bilan::sectionAttestations(const QList<Eleve>& eleves, const QList<Noeud>& competences,
                                   const QStringList& matrice)
{
    if (eleves.isEmpty())
        return {};
    const int total = eleves.size();
    const QStringList lignes = lignesHtml(eleves);
    QString html = tr("<h2>Attestations</h2>\n");
    for (int c = 0; c < competences.size(); ++c) {
        const QString chaine = matrice.value(c, QString(total, QLatin1Char('0')));
        const int n = static_cast<int>(chaine.count(QLatin1Char('1')));
        html += QStringLiteral("<h3>%1</h3>\n").arg(echappe(competences.at(c).libelle));
        if (n == total)
            html += tr("<p>Tous les élèves ont validé la compétence.</p>\n");
        else if (n > total / 2)
            html += tr("<p>Tous les élèves - sauf %1 ci-dessous - ont validé la compétence.</p>\n")
                        .arg(total - n) +
                    QStringLiteral("<p>\n") + lignesEleves(lignes, chaine, QLatin1Char('0')) +
                    QStringLiteral("</p>\n");
        else if (n == 0)
            html += tr("<p>Aucun élève n'a validé la compétence.</p>\n");
        else
            html += tr("<p>Les élèves ci-dessous (%1) ont validé la compétence.</p>\n").arg(n) +
                    QStringLiteral("<p>\n") + lignesEleves(lignes, chaine, QLatin1Char('1')) +
                    QStringLiteral("</p>\n");
    }
    return html;
}

std::optional<QString> Bilan::libelleClasse(qint64 idClasse)
{
    QSqlQuery requete;
    requete.prepare(QStringLiteral("SELECT libelle FROM classes WHERE id_classe=?"));
    requete.addBindValue(idClasse);
    if (requete.exec() && requete.next())
        return requete.value(0).toString();
    return std::nullopt;
}

void Bilan::construire(qint64 idClasse, qint64 idPalier, bool filtreNiveau, Suivi* suivi)
{
    Suivi rien;
    Suivi& s = suivi ? *suivi : rien;
    listeEleves.clear();
    listeItems.clear();
    validations.clear();
    texte.clear();

    const Arbre arbre = lireArbre();
    const auto palier = arbre.noeuds.constFind(idPalier);

    s.etape(Etape::Eleves);
    s.laisserVivre();
    bool refConnue = true;
    listeEleves = selectionnerEleves(idClasse, palier == arbre.noeuds.cend() ? QString() : palier->ref,
                                     filtreNiveau, &refConnue);
    if (!refConnue)
        s.probleme(Probleme::PalierSansReference);

    s.etape(Etape::Items);
    listeItems = collecterItems(arbre, idPalier, &s);

    s.etape(Etape::Validations);
    s.laisserVivre();
    QList<Noeud> competences;
    for (const qint64 id : arbre.enfants.value(idPalier))
        competences.append(arbre.noeuds.value(id));
    QList<qint64> noeuds;
    for (const Item& item : listeItems)
        noeuds.append(item.id);
    for (const Noeud& competence : competences)
        noeuds.append(competence.id);
    std::optional<QStringList> lu;
    {
        // La transaction ne sert qu'à accélérer les lectures : rien n'est écrit.
        Transaction transaction;
        lu = lireValidations(listeEleves, noeuds);
        transaction.valider();
    }
    QStringList attestations;
    if (lu) {
        validations = lu->mid(0, listeItems.size());
        attestations = lu->mid(listeItems.size());
    } else {
        s.probleme(Probleme::AccesBase);
    }
    s.laisserVivre();

    texte = titre(libelleClasse(idClasse),
                  palier == arbre.noeuds.cend() ? std::nullopt : std::optional<QString>(palier->libelle));
    texte += sectionEleves(listeEleves, filtreNiveau);
    texte += sectionItems(listeEleves, listeItems, validations, arbre);
    texte += sectionAttestations(listeEleves, competences, attestations);
}

namespace {
QString& dossierRetenu()
{
    static QString dossier = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return dossier;
}
} // namespace

QString Bilan::dossierEnregistrement()
{
    return dossierRetenu();
}

void Bilan::retenirDossier(const QString& cheminFichier)
{
    dossierRetenu() = QFileInfo(cheminFichier).absolutePath();
}

QString Bilan::cheminPropose(qint64 idClasse)
{
    const auto classe = libelleClasse(idClasse);
    return classe ? dossierRetenu() + QStringLiteral("/%1.html").arg(nomFichier(*classe)) : dossierRetenu();
}

QString Bilan::nomFichier(const QString& libelle)
{
    QString nom = libelle;
    for (QChar& c : nom)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || QStringLiteral("/\\:*?\"<>|").contains(c))
            c = QLatin1Char('-');
    nom = nom.trimmed();
    while (nom.endsWith(QLatin1Char('.')) || nom.endsWith(QLatin1Char(' ')))
        nom.chop(1);
    return nom.isEmpty() ? QStringLiteral("bilan") : nom;
}

FichierSur::Issue Bilan::ecrire(const QString& chemin, const QString& html)
{
    return FichierSur::ecrire(chemin, html.toUtf8(), EcritureSure::Droits::Usuels);
}
