// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/db/lecteurcsv.h"

#include <QFile>
#include <QStringDecoder>

#include <algorithm>
#include <utility>

namespace {

// Les octets 0x80 à 0x9F de Windows-1252 ; les autres octets valent leur code Latin-1. Les
// cinq positions que le jeu ne définit pas gardent le caractère de contrôle de même code,
// comme le fait le convertisseur de la boîte à outils.
constexpr char16_t TABLE_WINDOWS_1252[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 0x98
};

// Coupe le texte en lignes comme un flux de texte les lit : chaque ligne s'arrête au « \n »,
// un « \r » qui le précède appartient à la fin de ligne ; un texte final sans « \n » forme
// une dernière ligne, et un texte vide ne donne aucune ligne.
QStringList couperEnLignes(const QString& texte)
{
    QStringList lignes;
    qsizetype debut = 0;
    const qsizetype taille = texte.size();
    while (debut < taille) {
        qsizetype fin = texte.indexOf(QLatin1Char('\n'), debut);
        const bool dernier = fin < 0;
        if (dernier)
            fin = taille;
        qsizetype finTexte = fin;
        if (!dernier && finTexte > debut && texte.at(finTexte - 1) == QLatin1Char('\r'))
            --finTexte;
        lignes.append(texte.mid(debut, finTexte - debut));
        debut = fin + 1;
    }
    return lignes;
}

// Le séparateur de la première ligne : le premier « ; », « , » ou tabulation hors guillemets.
// Chaque guillemet bascule l'état, ce qui traite aussi les guillemets doublés.
QChar separateurDetecte(const QString& premiereLigne)
{
    bool entreGuillemets = false;
    for (const QChar c : premiereLigne) {
        if (c == QLatin1Char('"'))
            entreGuillemets = !entreGuillemets;
        else if (!entreGuillemets &&
                 (c == QLatin1Char(';') || c == QLatin1Char(',') || c == QLatin1Char('\t')))
            return c;
    }
    return QChar();
}

} // namespace

const QStringList& LecteurCsv::ligne(int index) const
{
    static const QStringList aucune;
    if (index < 0 || index >= contenu.size())
        return aucune;
    return contenu.at(index);
}

QString LecteurCsv::decoderWindows1252ParTable(const QByteArray& octets)
{
    QString texte;
    texte.reserve(octets.size());
    for (const char octet : octets) {
        const auto code = static_cast<unsigned char>(octet);
        if (code >= 0x80 && code <= 0x9F)
            texte.append(QChar(TABLE_WINDOWS_1252[code - 0x80]));
        else
            texte.append(QChar(static_cast<char16_t>(code)));
    }
    return texte;
}

QString LecteurCsv::decoder(const QByteArray& octets)
{
    QString texte = decoderSelonEncodage(octets);
    // Une marque U+FEFF restée dans le texte (fichiers mis bout à bout, cellule collée depuis
    // un autre fichier) est invisible, et la base la retire en tête d'un texte enregistré :
    // elle est retirée partout, pour que ce qui est vérifié soit ce qui sera enregistré (un
    // libellé fait de cette seule marque est un libellé vide).
    texte.remove(QChar(0xFEFF));
    return texte;
}

QString LecteurCsv::decoderSelonEncodage(const QByteArray& octets)
{
    // La BOM, s'il y en a une, choisit l'encodage Unicode ; le décodeur la retire du texte.
    if (const auto encodage = QStringConverter::encodingForData(octets)) {
        QStringDecoder decodeur(*encodage);
        return decodeur.decode(octets);
    }
    // Sans BOM, un fichier qui porte des octets non ASCII et se lit sans faute en UTF-8 est
    // de l'UTF-8 (ce qu'écrivent Base Elèves et les tableurs d'aujourd'hui) : en Windows-1252,
    // chaque lettre accentuée y donnerait deux caractères (« Ã© »), et « Nom élève » ne se
    // trouverait plus. Un texte Windows-1252 accentué n'est presque jamais de l'UTF-8 valide
    // (« é » seul, octet E9, y ouvre une suite qui n'est pas complétée).
    if (std::any_of(octets.cbegin(), octets.cend(), [](char octet) { return octet & 0x80; })) {
        QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        const QString texte = utf8.decode(octets);
        if (!utf8.hasError())
            return texte;
    }
    // Sinon Windows-1252 partout (pas le jeu 8 bits du système, qui sous Linux est UTF-8).
    QStringDecoder decodeur("windows-1252");
    if (decodeur.isValid())
        return decodeur.decode(octets);
    return decoderWindows1252ParTable(octets);
}

Resultat<> LecteurCsv::load(const QString& chemin, bool detecterSeparateur)
{
    contenu.clear();
    nbLignes = 0;
    nbColonnes = 0;

    QFile fichier(chemin);
    if (!fichier.open(QIODevice::ReadOnly))
        return Erreur(Raison::FichierIllisible, fichier.errorString()).sur(chemin);
    const QByteArray octets = fichier.read(TAILLE_MAX + 1);
    fichier.close();
    if (octets.size() > TAILLE_MAX)
        return Erreur(Raison::FichierTropGros).sur(chemin).avec(TAILLE_MAX / (1024 * 1024));
    const QStringList lignesTexte = couperEnLignes(decoder(octets));

    if (detecterSeparateur) {
        const QChar trouve = separateurDetecte(lignesTexte.isEmpty() ? QString() : lignesTexte.first());
        if (trouve.isNull())
            return Erreur(Raison::SeparateurIntrouvable).sur(chemin);
        sep = trouve;
    }

    const QChar guillemet = QLatin1Char('"');
    enum Etat { DebutChamp, HorsGuillemets, EntreGuillemets };
    Etat etat = DebutChamp;
    QString champ;
    QStringList ligneCourante;

    for (const QString& ligneTexte : lignesTexte) {
        const QStringList morceaux = ligneTexte.split(QLatin1Char('\r'));
        for (const QString& morceau : morceaux) {
            const qsizetype taille = morceau.size();
            for (qsizetype i = 0; i < taille; ++i) {
                const QChar c = morceau.at(i);
                switch (etat) {
                case DebutChamp:
                    if (c == guillemet) {
                        etat = EntreGuillemets;
                    } else if (c == sep) {
                        ligneCourante.append(champ);
                        champ.clear();
                    } else {
                        champ.append(c);
                        etat = HorsGuillemets;
                    }
                    break;
                case HorsGuillemets:
                    if (c == sep) {
                        ligneCourante.append(champ);
                        champ.clear();
                        etat = DebutChamp;
                    } else {
                        champ.append(c);
                    }
                    break;
                case EntreGuillemets:
                    if (c == guillemet) {
                        if (i + 1 < taille && morceau.at(i + 1) == guillemet) {
                            champ.append(guillemet);
                            ++i;
                        } else {
                            etat = HorsGuillemets;
                        }
                    } else {
                        champ.append(c);
                    }
                    break;
                }
            }
            if (etat == EntreGuillemets) {
                // Le champ entre guillemets continue sur le morceau suivant.
                champ.append(QLatin1String("\n\r"));
                continue;
            }
            ligneCourante.append(champ);
            champ.clear();
            contenu.append(ligneCourante);
            ligneCourante.clear();
            etat = DebutChamp;
        }
    }
    // Guillemet jamais refermé : la ligne n'est gardée que si elle a déjà un champ fermé.
    if (etat == EntreGuillemets && !ligneCourante.isEmpty()) {
        ligneCourante.append(champ);
        contenu.append(ligneCourante);
    }

    qsizetype largeur = 0;
    for (const QStringList& champs : std::as_const(contenu))
        largeur = std::max(largeur, champs.size());
    // Compléter les lignes ferait contenu.size() * largeur cases : bornées avant d'allouer.
    if (largeur > 0 && contenu.size() > CASES_MAX / largeur) {
        const qsizetype lignes = contenu.size();
        contenu.clear();
        return Erreur(Raison::TropDeCases).sur(chemin).enLigne(lignes, largeur);
    }
    nbLignes = int(contenu.size());
    nbColonnes = int(largeur);
    for (QStringList& champs : contenu)
        while (champs.size() < nbColonnes)
            champs.append(QString());
    return {};
}
