// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/entry/journalsaisies.h"

#include "core/commun/application.h"
#include "core/commun/dates.h"
#include "core/commun/ecrituresure.h"
#include "core/commun/fichiersur.h"
#include "core/db/requete.h"
#include "core/db/requetes.h"
#include "core/entry/notes.h"

#include <QCryptographicHash>
#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QVariant>

namespace JournalSaisies {

namespace {

const QByteArray FORMAT = QByteArrayLiteral("quorvel-saisies");
const QByteArray VERSION = QByteArrayLiteral("1");
constexpr int GRILLES_MAX = 1000;
constexpr int CASES_MAX = 1000000;
constexpr int NIVEAUX_MAX = 1000;

QByteArray empreinte(const QByteArray& corps)
{
    return QCryptographicHash::hash(corps, QCryptographicHash::Sha256).toHex();
}

QJsonValue identifiant(qint64 id)
{
    return QString::number(id);
}

// Un identifiant écrit en texte décimal, strictement positif (0 quand `nul` le permet).
std::optional<qint64> lireIdentifiant(const QJsonValue& valeur, bool nul = false)
{
    if (!valeur.isString())
        return std::nullopt;
    const QString texte = valeur.toString();
    if (texte.isEmpty() || texte.size() > 19)
        return std::nullopt;
    for (const QChar c : texte)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    bool ok = false;
    const qint64 id = texte.toLongLong(&ok);
    if (!ok || id < 0 || (id == 0 && !nul))
        return std::nullopt;
    return id;
}

std::optional<QString> lireTexte(const QJsonValue& valeur)
{
    if (!valeur.isString() || valeur.toString().size() > TEXTE_MAX)
        return std::nullopt;
    return valeur.toString();
}

std::optional<Case> lireCase(const QJsonValue& valeur)
{
    if (!valeur.isObject())
        return std::nullopt;
    const QJsonObject objet = valeur.toObject();
    const auto eleve = lireIdentifiant(objet.value(QLatin1String("eleve")));
    const auto noeud = lireIdentifiant(objet.value(QLatin1String("noeud")));
    const auto nom = lireTexte(objet.value(QLatin1String("nom")));
    const auto prenom = lireTexte(objet.value(QLatin1String("prenom")));
    const auto ref = lireTexte(objet.value(QLatin1String("ref")));
    const auto texte = lireTexte(objet.value(QLatin1String("texte")));
    if (!eleve || !noeud || !nom || !prenom || !ref || !texte)
        return std::nullopt;
    return Case{*eleve, *nom, *prenom, *noeud, *ref, *texte};
}

std::optional<Grille> lireGrille(const QJsonValue& valeur)
{
    if (!valeur.isObject())
        return std::nullopt;
    const QJsonObject objet = valeur.toObject();
    Grille grille;
    const QJsonValue sorte = objet.value(QLatin1String("sorte"));
    if (sorte == QJsonValue(QLatin1String("competences")))
        grille.sorte = Sorte::Competences;
    else if (sorte == QJsonValue(QLatin1String("palier")))
        grille.sorte = Sorte::Palier;
    else
        return std::nullopt;
    const bool palier = grille.sorte == Sorte::Palier;
    const auto classe = lireIdentifiant(objet.value(QLatin1String("classe")));
    const auto idPalier = lireIdentifiant(objet.value(QLatin1String("palier")));
    const auto competence = lireIdentifiant(objet.value(QLatin1String("competence")), palier);
    const auto libelleClasse = lireTexte(objet.value(QLatin1String("libelleClasse")));
    const auto libellePalier = lireTexte(objet.value(QLatin1String("libellePalier")));
    const auto libelleCompetence = lireTexte(objet.value(QLatin1String("libelleCompetence")));
    const QJsonValue tri = objet.value(QLatin1String("triParNom"));
    const QJsonValue niveaux = objet.value(QLatin1String("niveaux"));
    const QJsonValue cases = objet.value(QLatin1String("cases"));
    if (!classe || !idPalier || !competence || (palier && *competence != 0) || !libelleClasse ||
        !libellePalier || !libelleCompetence || !tri.isBool() || !niveaux.isArray() || !cases.isArray())
        return std::nullopt;
    grille.idClasse = *classe;
    grille.classe = *libelleClasse;
    grille.idPalier = *idPalier;
    grille.palier = *libellePalier;
    grille.idCompetence = *competence;
    grille.competence = *libelleCompetence;
    grille.triParNom = tri.toBool();
    const QJsonArray listeNiveaux = niveaux.toArray();
    if (listeNiveaux.size() > NIVEAUX_MAX)
        return std::nullopt;
    for (const QJsonValue& niveau : listeNiveaux) {
        const auto id = lireIdentifiant(niveau);
        if (!id)
            return std::nullopt;
        grille.niveaux.append(*id);
    }
    const QJsonArray listeCases = cases.toArray();
    if (listeCases.size() > CASES_MAX)
        return std::nullopt;
    for (const QJsonValue& valeurCase : listeCases) {
        const auto uneCase = lireCase(valeurCase);
        if (!uneCase)
            return std::nullopt;
        grille.cases.append(*uneCase);
    }
    return grille;
}

QJsonObject objetGrille(const Grille& grille)
{
    QJsonArray niveaux;
    for (const qint64 niveau : grille.niveaux)
        niveaux.append(identifiant(niveau));
    QJsonArray cases;
    for (const Case& c : grille.cases)
        cases.append(QJsonObject{{QStringLiteral("eleve"), identifiant(c.idEleve)},
                                 {QStringLiteral("nom"), c.nom},
                                 {QStringLiteral("prenom"), c.prenom},
                                 {QStringLiteral("noeud"), identifiant(c.idNoeud)},
                                 {QStringLiteral("ref"), c.ref},
                                 {QStringLiteral("texte"), c.texte}});
    return QJsonObject{
        {QStringLiteral("sorte"),
         grille.sorte == Sorte::Palier ? QStringLiteral("palier") : QStringLiteral("competences")},
        {QStringLiteral("classe"), identifiant(grille.idClasse)},
        {QStringLiteral("libelleClasse"), grille.classe},
        {QStringLiteral("palier"), identifiant(grille.idPalier)},
        {QStringLiteral("libellePalier"), grille.palier},
        {QStringLiteral("competence"), identifiant(grille.idCompetence)},
        {QStringLiteral("libelleCompetence"), grille.competence},
        {QStringLiteral("triParNom"), grille.triParNom},
        {QStringLiteral("niveaux"), niveaux},
        {QStringLiteral("cases"), cases},
    };
}

// Ce que la base sait d'un élève.
struct EleveBase {
    QString nom;
    QString prenom;
    qint64 classe = 0;
    qint64 niveau = 0;
};

Resultat<QHash<qint64, EleveBase>> lireEleves(const QList<qint64>& ids)
{
    QHash<qint64, EleveBase> eleves;
    if (ids.isEmpty())
        return eleves;
    Base::Requete requete(
        QStringLiteral("SELECT id_eleve, nom, prenom, id_classe, id_niveau FROM eleves WHERE id_eleve "
                       "IN (%1)")
            .arg(Requetes::listeIdentifiants(ids)));
    if (Resultat<> lu = requete.pourChaqueLigne(
            {},
            [&eleves](const Base::Requete& l) {
                eleves.insert(l.entier(0), {l.texte(1), l.texte(2), l.entier(3), l.entier(4)});
            });
        !lu)
        return lu.erreur();
    return eleves;
}

// Ce que la base sait d'un nœud : sa référence, son parent et le parent de son parent.
struct NoeudBase {
    QString ref;
    qint64 parent = 0;
    qint64 grandParent = -1; // -1 : pas de parent
};

Resultat<QHash<qint64, NoeudBase>> lireNoeuds(const QList<qint64>& ids)
{
    QHash<qint64, NoeudBase> noeuds;
    if (ids.isEmpty())
        return noeuds;
    Base::Requete requete(
        QStringLiteral("SELECT c.id_comp, c.ref, c.id_comp_parent, p.id_comp_parent FROM competences c "
                       "LEFT JOIN competences p ON p.id_comp=c.id_comp_parent WHERE c.id_comp IN (%1)")
            .arg(Requetes::listeIdentifiants(ids)));
    if (Resultat<> lu = requete.pourChaqueLigne({},
                                                [&noeuds](const Base::Requete& l) {
                                                    noeuds.insert(l.entier(0),
                                                                  {l.texte(1), l.entier(2),
                                                                   l.valeur(3).isNull() ? -1 : l.entier(3)});
                                                });
        !lu)
        return lu.erreur();
    return noeuds;
}

// Vrai quand la grille peut être rouverte : sa classe existe, son palier en est un, et sa
// compétence est une compétence de ce palier.
Resultat<bool> grilleExiste(const Grille& grille)
{
    const Resultat<QVariant> classe =
        Base::valeur(QStringLiteral("SELECT COUNT(*) FROM classes WHERE id_classe=?"), {grille.idClasse});
    if (!classe)
        return classe.erreur();
    if (classe->toLongLong() == 0)
        return false;
    QList<qint64> ids{grille.idPalier};
    if (grille.sorte == Sorte::Competences)
        ids.append(grille.idCompetence);
    const Resultat<QHash<qint64, NoeudBase>> lus = lireNoeuds(ids);
    if (!lus)
        return lus.erreur();
    const QHash<qint64, NoeudBase>& noeuds = *lus;
    if (!noeuds.contains(grille.idPalier) || noeuds.value(grille.idPalier).parent != 0)
        return false;
    return grille.sorte == Sorte::Palier || (noeuds.contains(grille.idCompetence) &&
                                             noeuds.value(grille.idCompetence).parent == grille.idPalier);
}

// Le refus d'un journal qui ne se relit pas (abîmé, tronqué, retouché, d'une autre version).
Erreur illisible()
{
    return Erreur(Raison::FichierIllisible).sur(chemin());
}

} // namespace

bool Case::operator==(const Case& autre) const
{
    return idEleve == autre.idEleve && nom == autre.nom && prenom == autre.prenom &&
           idNoeud == autre.idNoeud && ref == autre.ref && texte == autre.texte;
}

bool Grille::operator==(const Grille& autre) const
{
    return sorte == autre.sorte && idClasse == autre.idClasse && classe == autre.classe &&
           idPalier == autre.idPalier && palier == autre.palier && idCompetence == autre.idCompetence &&
           competence == autre.competence && triParNom == autre.triParNom && niveaux == autre.niveaux &&
           cases == autre.cases;
}

QByteArray ecrire(const QList<Grille>& grilles)
{
    QJsonArray liste;
    for (const Grille& grille : grilles)
        liste.append(objetGrille(grille));
    const QByteArray corps =
        QJsonDocument(QJsonObject{{QStringLiteral("grilles"), liste}}).toJson(QJsonDocument::Compact);
    return FORMAT + ' ' + VERSION + ' ' + empreinte(corps) + '\n' + corps;
}

Resultat<QList<Grille>> lire(const QByteArray& octets)
{
    if (octets.size() > TAILLE_MAX)
        return illisible();
    const qsizetype finEntete = octets.indexOf('\n');
    if (finEntete < 0)
        return illisible();
    const QList<QByteArray> entete = octets.left(finEntete).split(' ');
    const QByteArray corps = octets.mid(finEntete + 1);
    if (entete.size() != 3 || entete.at(0) != FORMAT || entete.at(1) != VERSION ||
        entete.at(2) != empreinte(corps))
        return illisible();
    return lireCorps(corps);
}

Resultat<QList<Grille>> lireCorps(const QByteArray& corps)
{
    if (corps.size() > TAILLE_MAX)
        return illisible();
    QJsonParseError erreur;
    const QJsonDocument document = QJsonDocument::fromJson(corps, &erreur);
    if (erreur.error != QJsonParseError::NoError || !document.isObject())
        return illisible();
    const QJsonValue valeur = document.object().value(QLatin1String("grilles"));
    if (!valeur.isArray() || valeur.toArray().size() > GRILLES_MAX)
        return illisible();
    QList<Grille> grilles;
    for (const QJsonValue& grille : valeur.toArray()) {
        const auto lue = lireGrille(grille);
        if (!lue)
            return illisible();
        grilles.append(*lue);
    }
    return grilles;
}

QString chemin()
{
    const QString base = Application::chemins().courante;
    return base.isEmpty() ? QString() : base + SUFFIXE;
}

Resultat<QList<Grille>> charger()
{
    const QString fichier = chemin();
    if (fichier.isEmpty())
        return QList<Grille>();
    const QFileInfo infos(fichier);
    EcritureSure::supprimerProvisoires(infos.absolutePath(), infos.fileName());
    if (!infos.exists())
        return QList<Grille>();
    QFile f(fichier);
    if (infos.size() > TAILLE_MAX || !f.open(QIODevice::ReadOnly))
        return illisible();
    return lire(f.readAll());
}

Resultat<> enregistrer(const QList<Grille>& grilles)
{
    const QString fichier = chemin();
    if (fichier.isEmpty())
        return {};
    if (grilles.isEmpty()) {
        if (!QFile::exists(fichier) || QFile::remove(fichier))
            return {};
        return FichierSur::echec(fichier, EcritureSure::Panne::Autre, QFile(fichier).errorString());
    }
    EcritureSure ecriture(fichier);
    if (ecriture.ecrire(ecrire(grilles)) && ecriture.valider())
        return {};
    return FichierSur::echec(fichier, ecriture.panne(), ecriture.detail());
}

Resultat<> effacer()
{
    return enregistrer({});
}

Resultat<Identites> identites(const QList<qint64>& eleves, const QList<qint64>& noeuds)
{
    Identites resultat;
    const Resultat<QHash<qint64, EleveBase>> lus = lireEleves(eleves);
    if (!lus)
        return lus.erreur();
    for (auto it = lus->cbegin(); it != lus->cend(); ++it)
        resultat.eleves.insert(it.key(), {it->nom, it->prenom});
    const Resultat<QHash<qint64, NoeudBase>> refs = lireNoeuds(noeuds);
    if (!refs)
        return refs.erreur();
    for (auto it = refs->cbegin(); it != refs->cend(); ++it)
        resultat.refs.insert(it.key(), it->ref);
    return resultat;
}

Resultat<QList<Retour>> confronter(const QList<Grille>& grilles)
{
    QList<Retour> retours;
    for (const Grille& grille : grilles) {
        Retour retour;
        retour.grille = grille;
        retour.grille.cases.clear();
        const Resultat<bool> existe = grilleExiste(grille);
        if (!existe)
            return existe.erreur();
        if (!*existe) {
            retour.introuvable = true;
            retour.perdues = int(grille.cases.size());
            retours.append(retour);
            continue;
        }
        QList<qint64> idsEleves;
        QList<qint64> idsNoeuds;
        for (const Case& c : grille.cases) {
            idsEleves.append(c.idEleve);
            idsNoeuds.append(c.idNoeud);
        }
        const Resultat<QHash<qint64, EleveBase>> elevesLus = lireEleves(idsEleves);
        if (!elevesLus)
            return elevesLus.erreur();
        const Resultat<QHash<qint64, NoeudBase>> noeudsLus = lireNoeuds(idsNoeuds);
        if (!noeudsLus)
            return noeudsLus.erreur();
        const Resultat<QHash<Notes::Cle, QString>> datesLues = Notes::dates(idsEleves, idsNoeuds);
        if (!datesLues)
            return datesLues.erreur();
        const QHash<qint64, EleveBase>& eleves = *elevesLus;
        const QHash<qint64, NoeudBase>& noeuds = *noeudsLus;
        const QHash<Notes::Cle, QString>& dates = *datesLues;
        const QSet<qint64> niveaux(grille.niveaux.cbegin(), grille.niveaux.cend());
        QSet<Notes::Cle> vues;
        for (const Case& c : grille.cases) {
            const auto eleve = eleves.constFind(c.idEleve);
            const auto noeud = noeuds.constFind(c.idNoeud);
            const bool eleveReconnu = eleve != eleves.cend() && eleve->nom == c.nom &&
                                      eleve->prenom == c.prenom && eleve->classe == grille.idClasse &&
                                      (niveaux.isEmpty() || niveaux.contains(eleve->niveau));
            // Dans la grille d'un palier, une compétence du palier ; dans celle d'une compétence,
            // un item d'un de ses agrégats.
            const bool noeudReconnu =
                noeud != noeuds.cend() && noeud->ref == c.ref &&
                (grille.sorte == Sorte::Palier ? noeud->parent == grille.idPalier
                                               : noeud->grandParent == grille.idCompetence);
            // Une même case deux fois (fichier retouché) : la première compte.
            const Notes::Cle cle{c.idEleve, c.idNoeud};
            if (!eleveReconnu || !noeudReconnu || vues.contains(cle)) {
                ++retour.perdues;
                continue;
            }
            vues.insert(cle);
            const QString enBase =
                Dates::afficher(QDate::fromString(dates.value(cle), Dates::FORMAT_STOCKAGE));
            if (enBase != c.texte)
                retour.grille.cases.append(c);
        }
        retours.append(retour);
    }
    return retours;
}

// ---------------------------------------------------------------------------
// L'écrivain

Ecrivain::Ecrivain()
{
    minuterie.setSingleShot(true);
    minuterie.setInterval(DELAI_MS);
    connect(&minuterie, &QTimer::timeout, this, &Ecrivain::reecrire);
}

Ecrivain& Ecrivain::instance()
{
    // Jamais détruit : les grilles le quittent encore pendant la fin du programme.
    static Ecrivain* ecrivain = new Ecrivain;
    return *ecrivain;
}

int Ecrivain::inscrire(Source source)
{
    const int cle = suivante++;
    parts.emplace(cle, Part{std::move(source), {}});
    return cle;
}

void Ecrivain::retirer(int cle)
{
    parts.erase(cle);
    suspendu = false;
    reecrire();
}

void Ecrivain::oublier(int cle)
{
    if (parts.erase(cle) == 0 || suspendu)
        return;
    reecrire();
}

void Ecrivain::signaler()
{
    suspendu = false;
    if (!minuterie.isActive())
        minuterie.start();
}

void Ecrivain::reecrire()
{
    // Un échec est dit par le signal ecritureRefusee, une fois par série.
    static_cast<void>(ecrireMaintenant());
}

void Ecrivain::suspendre()
{
    reecrire();
    suspendu = true;
}

Resultat<> Ecrivain::ecrireMaintenant()
{
    minuterie.stop();
    const QString fichier = chemin();
    if (fichier.isEmpty() || retenu)
        return {};
    QList<Grille> grilles;
    for (auto& [cle, part] : parts) {
        if (const std::optional<Grille> grille = part.source())
            part.derniere = *grille;
        if (!part.derniere.cases.isEmpty())
            grilles.append(part.derniere);
    }
    // Rien de changé depuis la dernière écriture réussie : le disque n'est pas touché.
    const QByteArray octets = grilles.isEmpty() ? QByteArray() : ecrire(grilles);
    if (!enEchec && fichier == cheminEcrit && octets == dernierEcrit &&
        QFile::exists(fichier) == !grilles.isEmpty())
        return {};
    if (Resultat<> ecrit = enregistrer(grilles); !ecrit) {
        if (!enEchec)
            Q_EMIT ecritureRefusee(ecrit.erreur().texte);
        enEchec = true;
        return ecrit;
    }
    enEchec = false;
    cheminEcrit = fichier;
    dernierEcrit = octets;
    return {};
}

} // namespace JournalSaisies
