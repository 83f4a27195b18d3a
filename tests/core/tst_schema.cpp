// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/db/requetes.h"
#include "core/db/schema.h"
#include "support/environnement.h"
#include "support/sql.h"

#include <QTest>

class TstSchema : public QObject
{
    Q_OBJECT
    Environnement::Dossier dossier;

private Q_SLOTS:
    void initTestCase() { Environnement::preparer(); }

    void init()
    {
        dossier = Environnement::nouveauDossierDonnees();
        QVERIFY(Environnement::ouvrirBase());
    }

    // Ce que les autres fonctions tiennent pour acquis du schéma : un niveau créé se range après
    // les sept de départ, les noms se comparent sans la casse, maj est rempli par la base.
    void baseNeuve()
    {
        QVERIFY(Environnement::poserSchema());
        QVERIFY(Requetes::creerNiveau("GS"));
        QCOMPARE(Sql::lignes("SELECT libelle FROM niveaux ORDER BY tri DESC LIMIT 2"),
                 QStringList({"GS", "CYCLE III"}));
        Sql::valeur("INSERT INTO eleves (nom, prenom) VALUES ('Dupont', 'Léa')");
        QCOMPARE(Sql::valeur("SELECT COUNT(*) FROM eleves WHERE nom='DUPONT' AND maj IS NOT NULL").toInt(),
                 1);
    }

    void ouvertureImpossible()
    {
        Environnement::fermerBase();
        const Resultat<> ouverte =
            Schema::ouvrirBaseParDefaut(dossier->filePath(QStringLiteral("absent/sous/QuorvelV3.sqlite")));
        QVERIFY(!ouverte);
        QVERIFY(!ouverte.erreur().texte.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TstSchema)
#include "tst_schema.moc"
