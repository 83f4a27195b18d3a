// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/report/bilan.h"

#include "core/commun/dossierdepart.h"
#include "core/commun/transaction.h"
#include "core/db/requete.h"
#include "core/db/requetes.h"

#include <QSet>
#include <QTextStream>
#include <QVariant>

#include <algorithm>
#include <functional>

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

Resultat<Bilan::Arbre> Bilan::lireArbre()
{
    Arbre arbre;
    Base::Requete requete(
        QStringLiteral("SELECT id_comp, id_comp_parent, profondeur, libelle, ref FROM competences ORDER BY "
                       "numero, id_comp"));
    const Resultat<> lu = requete.pourChaqueLigne({}, [&arbre](const Base::Requete& r) {
        Noeud noeud;
        noeud.id = r.entier(0);
        noeud.parent = r.entier(1);
        noeud.profondeur = int(r.entier(2));
        noeud.libelle = r.texte(3);
        noeud.ref = r.texte(4);
        arbre.noeuds.insert(noeud.id, noeud);
        arbre.enfants[noeud.parent].append(noeud.id);
    });
    if (!lu)
        return lu.erreur();
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

Resultat<QList<Eleve>> Bilan::selectionnerEleves(qint64 idClasse, const QString& refPalier, bool filtreNiveau,
                                                 bool* refConnue)
{
    if (refConnue)
        *refConnue = true;
    Requetes::FiltreEleves filtre;
    if (!filtreNiveau) {
    } else if (refPalier == QLatin1String("P1")) {
        filtre.libellesNiveaux = {QStringLiteral("CE1"), QStringLiteral("CYCLE II")};
    } else if (refPalier == QLatin1String("P2")) {
        filtre.libellesNiveaux = {QStringLiteral("CM2"), QStringLiteral("CYCLE III")};
    } else {
        if (refConnue)
            *refConnue = false;
        return QList<Eleve>();
    }
    return Requetes::elevesClasse(idClasse, filtre);
}

Resultat<QStringList> Bilan::lireValidations(const QList<Eleve>& eleves, const QList<qint64>& noeuds)
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

    Base::Requete requete(
        QStringLiteral("SELECT id_eleve, id_comp FROM notes WHERE id_eleve IN (%1) AND +id_comp IN (%2)")
            .arg(Requetes::listeIdentifiants(idsEleves), Requetes::listeIdentifiants(lignes.keys())));
    const Resultat<> lu = requete.pourChaqueLigne({}, [&](const Base::Requete& r) {
        const int j = colonne.value(r.entier(0), -1);
        if (j < 0)
            return;
        for (const int i : lignes.value(r.entier(1)))
            chaines[i][j] = QLatin1Char('1');
    });
    if (!lu)
        return lu.erreur();
    return chaines;
}

QString Bilan::titre(const QString& classe, const std::optional<QString>& palier)
{
    QString html = QStringLiteral("<h1>Classe: %1").arg(echappe(classe));
    if (palier)
        html += QStringLiteral(" - %1").arg(echappe(*palier));
    return html + QStringLiteral("</h1>\n");
}

QString Bilan::sectionEleves(const QList<Eleve>& eleves, bool filtreNiveau)
{
    QString html = QStringLiteral("<h2>Liste globale des élèves concernés</h2>\n") + QStringLiteral("<p>");
    for (const Eleve& eleve : eleves)
        html += QStringLiteral("%1 %2 (%3)<br/>\n")
                    .arg(echappe(eleve.nom), echappe(eleve.prenom), echappe(eleve.niveau));
    if (eleves.isEmpty()) {
        html += QStringLiteral("Aucun élève n'a été sélectionné. ");
        if (filtreNiveau)
            html += QStringLiteral(
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
        return QStringLiteral("<h2>Aucun item n'est disponible.</h2>\n");
    if (eleves.isEmpty())
        return {};
    const int total = eleves.size();
    QString html = QStringLiteral("<h2>Validation des items</h2>\n");

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
                html += QStringLiteral("<h3>Tous les élèves ont validé les éléments suivants&nbsp;:</h3>\n");
            else if (n > total / 2)
                html += QStringLiteral("<h3>Tous les élèves - sauf %1 ci-dessous - ont validé les éléments "
                                       "suivants&nbsp;:</h3>\n")
                            .arg(total - n) +
                        QStringLiteral("<p>\n") + lignesEleves(lignes, chaine, QLatin1Char('0')) +
                        QStringLiteral("</p>\n");
            else if (n == 0)
                html += QStringLiteral("<h3>Aucun élève n'a validé les éléments suivants&nbsp;:</h3>\n");
            else
                html += QStringLiteral(
                            "<h3>Les élèves ci-dessous (%1) ont validé les éléments suivants&nbsp;:</h3>\n")
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
                html += QStringLiteral("<li><b>%1</b> : tous les items de la compétence</li>\n")
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
                html += QStringLiteral("<li><b>%1</b> - %2 : tous les items de l'agrégat</li>\n")
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
    QString html = QStringLiteral("<h2>Attestations</h2>\n");
    for (int c = 0; c < competences.size(); ++c) {
        const QString chaine = matrice.value(c, QString(total, QLatin1Char('0')));
        const int n = static_cast<int>(chaine.count(QLatin1Char('1')));
        html += QStringLiteral("<h3>%1</h3>\n").arg(echappe(competences.at(c).libelle));
        if (n == total)
            html += QStringLiteral("<p>Tous les élèves ont validé la compétence.</p>\n");
        else if (n > total / 2)
            html +=
                QStringLiteral("<p>Tous les élèves - sauf %1 ci-dessous - ont validé la compétence.</p>\n")
                    .arg(total - n) +
                QStringLiteral("<p>\n") + lignesEleves(lignes, chaine, QLatin1Char('0')) +
                QStringLiteral("</p>\n");
        else if (n == 0)
            html += QStringLiteral("<p>Aucun élève n'a validé la compétence.</p>\n");
        else
            html += QStringLiteral("<p>Les élèves ci-dessous (%1) ont validé la compétence.</p>\n").arg(n) +
                    QStringLiteral("<p>\n") + lignesEleves(lignes, chaine, QLatin1Char('1')) +
                    QStringLiteral("</p>\n");
    }
    return html;
}

Resultat<> Bilan::construire(qint64 idClasse, qint64 idPalier, bool filtreNiveau, Suivi* suivi)
{
    Suivi rien;
    Suivi& s = suivi ? *suivi : rien;
    listeEleves.clear();
    listeItems.clear();
    validations.clear();
    texte.clear();
    sansReference = false;

    const Resultat<Arbre> lu = lireArbre();
    if (!lu)
        return lu.erreur();
    const Arbre& arbre = *lu;
    const auto palier = arbre.noeuds.constFind(idPalier);
    const Resultat<QString> classe = Requetes::libelleClasse(idClasse);
    if (!classe)
        return classe.erreur();

    s.etape(Etape::Eleves);
    s.laisserVivre();
    bool refConnue = true;
    const Resultat<QList<Eleve>> eleves = selectionnerEleves(
        idClasse, palier == arbre.noeuds.cend() ? QString() : palier->ref, filtreNiveau, &refConnue);
    if (!eleves)
        return eleves.erreur();
    listeEleves = *eleves;
    sansReference = !refConnue;

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
    Resultat<QStringList> matriceLue = QStringList();
    {
        // La transaction ne sert qu'à accélérer les lectures : rien n'est écrit.
        Transaction transaction;
        matriceLue = lireValidations(listeEleves, noeuds);
        transaction.annuler();
    }
    if (!matriceLue) {
        listeEleves.clear();
        listeItems.clear();
        return matriceLue.erreur();
    }
    validations = matriceLue->mid(0, listeItems.size());
    const QStringList attestations = matriceLue->mid(listeItems.size());
    s.laisserVivre();

    texte = titre(*classe,
                  palier == arbre.noeuds.cend() ? std::nullopt : std::optional<QString>(palier->libelle));
    texte += sectionEleves(listeEleves, filtreNiveau);
    texte += sectionItems(listeEleves, listeItems, validations, arbre);
    texte += sectionAttestations(listeEleves, competences, attestations);
    return {};
}

QString Bilan::cheminPropose(const QString& classe)
{
    return DossierDepart::chemin(nomFichier(classe) + QStringLiteral(".html"));
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

Resultat<> Bilan::ecrire(const QString& chemin, const QString& html)
{
    return FichierSur::ecrire(chemin, html.toUtf8(), EcritureSure::Droits::Usuels);
}
