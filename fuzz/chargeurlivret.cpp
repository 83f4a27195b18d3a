// SPDX-License-Identifier: GPL-3.0-or-later
// Cible : le chargeur du livret des compétences, sur un contenu CSV quelconque. La base est
// une base SQLite en mémoire posée une fois par le script du schéma du programme ; chaque
// entrée est chargée dans une transaction annulée ensuite, ce qui la laisse intacte.
#include "commun.h"

#include "core/commun/transaction.h"
#include "core/db/chargeurlivret.h"
#include "core/db/initialisation.h"
#include "core/db/schema.h"

#include <QSqlDatabase>
#include <QSqlQuery>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    Fuzz::preparer(argc, argv);
    QSqlDatabase base = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    base.setDatabaseName(QStringLiteral(":memory:"));
    if (!base.open())
        Fuzz::incoherence("base en mémoire impossible à ouvrir");
    const auto instructions = Schema::instructionsScript();
    if (!instructions || !Initialisation::executerScript(*instructions))
        Fuzz::incoherence("script du schéma en échec");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille)
{
    const QString chemin = Fuzz::ecrireFichier(donnees, taille);
    Transaction transaction;
    if (!transaction.estOuverte())
        Fuzz::incoherence("transaction impossible à ouvrir");
    ChargeurLivret chargeur;
    // Un refus (fichier mal formé, code en double que la base refuse) ne laisse rien à vérifier.
    if (chargeur.load(chemin)) {
        // Chaque nœud a un code et un libellé non vides, et son parent existe.
        QSqlQuery requete;
        if (!requete.exec(QStringLiteral(
                "SELECT COUNT(*) FROM competences c WHERE c.ref='' OR c.libelle='' OR (c.id_comp_parent<>0 "
                "AND NOT EXISTS (SELECT 1 FROM competences p WHERE p.id_comp=c.id_comp_parent))")) ||
            !requete.next() || requete.value(0).toInt() != 0)
            Fuzz::incoherence("arbre des compétences incohérent après un chargement réussi");
    }
    // La transaction est annulée à la destruction : la base reste celle du départ.
    return 0;
}
