// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/commun/apropos.h"

#include "core/commun/application.h"
#include "gui/commun/invite.h"

#include "ui_apropos.h"

#include <QMessageBox>
#include <QPushButton>

Apropos::Apropos(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::Apropos>())
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    ui->lbVersion->setText(tr("Version %1").arg(Application::VERSION_AFFICHEE));
    ui->textBrowser->setHtml(textePresentation());

    connect(ui->btAPropos, &QPushButton::clicked, this, &Apropos::aProposQt);
    connect(ui->btLicence, &QPushButton::clicked, this, &Apropos::licence);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

Apropos::~Apropos() = default;

void Apropos::aProposQt()
{
    QMessageBox::aboutQt(this);
}

void Apropos::licence()
{
    Invite::ouvrirDocument(this, Application::DOCUMENT_LICENCE);
}

QString Apropos::textePresentation() const
{
    QString html;
    html += tr("<p><b>Quorvel</b> : la saisie des validations du livret personnel de compétences "
               "et l'impression des livrets et des attestations, pour les enseignants et les "
               "directeurs d'école primaire.</p>");
    html += tr("<p>© 2026 les développeurs de Quorvel</p>");
    html += tr("<p>Quorvel est un logiciel libre : vous pouvez le redistribuer et le modifier selon les "
               "termes de la licence publique générale GNU (GNU GPL) publiée par la Free Software "
               "Foundation, en version 3 ou, à votre choix, toute version ultérieure.</p>"
               "<p>Ce programme est distribué dans l'espoir qu'il sera utile, mais SANS AUCUNE "
               "GARANTIE, pas même la garantie implicite de qualité marchande ou d'adéquation à un "
               "usage particulier. Le texte complet de la licence se trouve dans le fichier "
               "licence.pdf livré avec le programme (bouton « Contrat de licence (PDF) »).</p>");
    html += tr("<p><b>Remerciements</b></p>"
               "<ul>"
               "<li>la boîte à outils Qt 6, de The Qt Company et de ses contributeurs, sous licence "
               "GNU LGPL version 3 (bouton « À propos de Qt ») ;</li>"
               "<li>SQLite, la bibliothèque de base de données, de D. Richard Hipp et de ses "
               "contributeurs, dans le domaine public ;</li>"
               "<li>le chiffrement des fichiers de classe, écrit pour Quorvel et distribué sous la "
               "même licence que lui, avec la compression zlib et les fonctions de contrôle de "
               "Qt ;</li>"
               "<li>le thème d'icônes Oxygen, des auteurs du projet KDE, sous licence GNU LGPL "
               "version 3 ou ultérieure ;</li>"
               "<li>les polices Liberation, © Red Hat, sous licence SIL Open Font License "
               "version 1.1 ;</li>"
               "<li>les images de l'espace de travail et du livret, créées pour Quorvel.</li>"
               "</ul>");
    return html;
}
