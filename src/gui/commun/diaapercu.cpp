// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/commun/diaapercu.h"

#include "gui/commun/messages.h"
#include "gui/commun/qprogressindicator.h"

#include "ui_diaapercu.h"

#include <QEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QStyle>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

// Les bornes du zoom, en pixels de l'écran par point de la feuille.
constexpr double ECHELLE_MIN = 0.1;
constexpr double ECHELLE_MAX = 3.0;
constexpr double PAS_ZOOM = 1.25;
// Au-delà, l'image d'une page est dessinée moins finement et agrandie à l'écran.
constexpr qint64 PIXELS_MAX = 8'000'000;

} // namespace

diaApercu::Source::~Source() = default;

QString diaApercu::Source::legende(int) const
{
    return {};
}

// La surface où les pages sont montrées, dans la zone qui défile : chaque page sur fond
// sombre, son image (ou ce qui l'empêche), et sous elle son numéro et sa légende.
class diaApercu::Vue : public QWidget
{
public:
    static constexpr int MARGE = 16;
    static constexpr int ECART = 16;

    explicit Vue(diaApercu* apercu) : apercu(apercu), indicateur(new QProgressIndicator(this))
    {
        setObjectName(QStringLiteral("vue"));
        setFocusPolicy(Qt::StrongFocus);
        setAccessibleName(diaApercu::tr("Pages de l'aperçu"));
        indicateur->setFixedSize(32, 32);
        indicateur->hide();
    }

    int hauteurLegende() const { return fontMetrics().height() + 8; }

    // Les pages montrées et leur place, en pixels de l'écran.
    QList<QPair<int, QRect>> places() const
    {
        QList<QPair<int, QRect>> resultat;
        int x = MARGE;
        for (int page = apercu->debut; page < std::min(apercu->debut + apercu->parVue(), apercu->nombre());
             ++page) {
            const QSizeF taille = apercu->origine->taille(page) * apercu->facteur;
            const QRect place(x, MARGE, std::max(1, qRound(taille.width())),
                              std::max(1, qRound(taille.height())));
            resultat.append({page, place});
            x = place.right() + 1 + ECART;
        }
        return resultat;
    }

    QSize tailleVoulue() const
    {
        int largeur = 0, hauteur = 0;
        for (const auto& [page, place] : places()) {
            largeur = place.right() + 1;
            hauteur = std::max(hauteur, place.bottom() + 1);
        }
        return {largeur + MARGE, hauteur + hauteurLegende() + MARGE};
    }

    // L'indicateur tourne au milieu de la première page montrée qui n'a encore rien à montrer.
    void placerIndicateur()
    {
        for (const auto& [page, place] : places())
            if (apercu->images.value(page).isNull() && !apercu->echecs.contains(page)) {
                indicateur->move(place.center() - QPoint(16, 16));
                if (!indicateur->isAnimated())
                    indicateur->startAnimation();
                indicateur->show();
                return;
            }
        indicateur->stopAnimation();
        indicateur->hide();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter peintre(this);
        peintre.fillRect(rect(), palette().color(QPalette::Dark));
        peintre.setRenderHint(QPainter::SmoothPixmapTransform);
        const int total = apercu->nombre();
        for (const auto& [page, place] : places()) {
            peintre.fillRect(place.translated(3, 3), palette().color(QPalette::Shadow));
            peintre.fillRect(place, Qt::white);
            const QImage image = apercu->images.value(page);
            if (!image.isNull()) {
                // Une image d'un autre zoom sert en attendant la nouvelle.
                peintre.drawImage(place, image);
            } else {
                const QString echec = apercu->echecs.value(page);
                peintre.setPen(echec.isEmpty() ? QColor(Qt::darkGray) : QColor(176, 0, 0));
                peintre.drawText(place.adjusted(12, 12, -12, -12), Qt::AlignCenter | Qt::TextWordWrap,
                                 echec.isEmpty() ? diaApercu::tr("Préparation de la page...") : echec);
            }
            peintre.setPen(palette().color(QPalette::Shadow));
            peintre.drawRect(place.adjusted(0, 0, -1, -1));
            QString legende = diaApercu::tr("%1 / %2").arg(page + 1).arg(total);
            if (const QString texte = apercu->origine->legende(page); !texte.isEmpty())
                legende += QStringLiteral(" — ") + texte;
            const QRect bas(place.left(), place.bottom() + 5, place.width(), hauteurLegende() - 5);
            peintre.setPen(palette().color(QPalette::BrightText));
            peintre.drawText(bas, Qt::AlignHCenter | Qt::AlignTop,
                             fontMetrics().elidedText(legende, Qt::ElideRight, bas.width()));
        }
        if (hasFocus()) {
            peintre.setPen(QPen(palette().color(QPalette::Highlight), 2));
            peintre.drawRect(rect().adjusted(1, 1, -1, -1));
        }
    }

    void keyPressEvent(QKeyEvent* evenement) override
    {
        QScrollBar* verticale = apercu->ui->zone->verticalScrollBar();
        QScrollBar* horizontale = apercu->ui->zone->horizontalScrollBar();
        switch (evenement->key()) {
        case Qt::Key_PageDown:
            apercu->suivante();
            break;
        case Qt::Key_PageUp:
            apercu->precedente();
            break;
        case Qt::Key_Home:
            apercu->premierePage();
            break;
        case Qt::Key_End:
            apercu->dernierePage();
            break;
        case Qt::Key_Down:
            verticale->triggerAction(QAbstractSlider::SliderSingleStepAdd);
            break;
        case Qt::Key_Up:
            verticale->triggerAction(QAbstractSlider::SliderSingleStepSub);
            break;
        case Qt::Key_Right:
            horizontale->triggerAction(QAbstractSlider::SliderSingleStepAdd);
            break;
        case Qt::Key_Left:
            horizontale->triggerAction(QAbstractSlider::SliderSingleStepSub);
            break;
        default:
            QWidget::keyPressEvent(evenement); // Échap et Tab vont au dialogue
        }
    }

    void wheelEvent(QWheelEvent* evenement) override
    {
        if (!(evenement->modifiers() & Qt::ControlModifier)) {
            evenement->ignore(); // la zone défile
            return;
        }
        evenement->angleDelta().y() > 0 ? apercu->agrandir() : apercu->reduire();
        evenement->accept();
    }

    void focusInEvent(QFocusEvent* evenement) override
    {
        update();
        QWidget::focusInEvent(evenement);
    }
    void focusOutEvent(QFocusEvent* evenement) override
    {
        update();
        QWidget::focusOutEvent(evenement);
    }

private:
    diaApercu* apercu;
    QProgressIndicator* indicateur;
};

diaApercu::diaApercu(QWidget* parent, std::unique_ptr<Source> source, Impression impression)
    : QDialog(parent), ui(std::make_unique<Ui::diaApercu>()), origine(std::move(source)),
      envoi(std::move(impression))
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    btImprimer = ui->buttonBox->addButton(tr("&Imprimer"), QDialogButtonBox::ActionRole);
    btImprimer->setToolTip(tr("Envoyer ces pages à l'imprimante choisie, telles qu'elles sont montrées"));
    btImprimer->setIcon(QIcon(QStringLiteral(":/menus/printer")));
    btImprimer->setEnabled(static_cast<bool>(envoi));

    ui->btPremiere->setIcon(style()->standardIcon(QStyle::SP_MediaSkipBackward));
    ui->btPrecedente->setIcon(style()->standardIcon(QStyle::SP_ArrowLeft));
    ui->btSuivante->setIcon(style()->standardIcon(QStyle::SP_ArrowRight));
    ui->btDerniere->setIcon(style()->standardIcon(QStyle::SP_MediaSkipForward));
    ui->btLargeur->setCheckable(true);
    ui->btPageEntiere->setCheckable(true);
    ui->rbUne->setChecked(true);

    vue = new Vue(this);
    ui->zone->setWidget(vue);
    ui->zone->setBackgroundRole(QPalette::Dark);
    // La zone se redispose quand elle change de taille (pas quand ses barres apparaissent).
    ui->zone->installEventFilter(this);
    // Au clavier, les pages viennent après les contrôles du zoom, avant « Imprimer » et « Fermer ».
    setTabOrder(ui->btAgrandir, vue);
    setTabOrder(vue, btImprimer);
    setTabOrder(btImprimer, ui->buttonBox->button(QDialogButtonBox::Close));

    connect(ui->btPremiere, &QToolButton::clicked, this, &diaApercu::premierePage);
    connect(ui->btPrecedente, &QToolButton::clicked, this, &diaApercu::precedente);
    connect(ui->btSuivante, &QToolButton::clicked, this, &diaApercu::suivante);
    connect(ui->btDerniere, &QToolButton::clicked, this, &diaApercu::dernierePage);
    connect(ui->edPage, &QSpinBox::valueChanged, this, [this](int numero) { allerA(numero - 1); });
    connect(ui->btLargeur, &QToolButton::clicked, this, &diaApercu::pleineLargeur);
    connect(ui->btPageEntiere, &QToolButton::clicked, this, &diaApercu::pageEntiere);
    connect(ui->btAgrandir, &QToolButton::clicked, this, &diaApercu::agrandir);
    connect(ui->btReduire, &QToolButton::clicked, this, &diaApercu::reduire);
    connect(ui->rbDeux, &QRadioButton::toggled, this, &diaApercu::montrerDeux);
    connect(btImprimer, &QPushButton::clicked, this, &diaApercu::imprimer);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &diaApercu::reject);
    for (const QKeySequence& touches :
         {QKeySequence(QKeySequence::ZoomIn), QKeySequence(Qt::CTRL | Qt::Key_Equal)})
        connect(new QShortcut(touches, this), &QShortcut::activated, this, &diaApercu::agrandir);
    connect(new QShortcut(QKeySequence::ZoomOut, this), &QShortcut::activated, this, &diaApercu::reduire);

    minuteur.setSingleShot(true);
    minuteur.setInterval(0);
    connect(&minuteur, &QTimer::timeout, this, &diaApercu::dessinerSuivante);
    redisposition.setSingleShot(true);
    redisposition.setInterval(0);
    connect(&redisposition, &QTimer::timeout, this, &diaApercu::disposer);

    // Une grande fenêtre : la page doit se lire.
    if (const QScreen* ecran = parent ? parent->screen() : screen()) {
        const QRect dispo = ecran->availableGeometry();
        resize(std::min(dispo.width() * 9 / 10, std::max(width(), dispo.height() * 3 / 4)),
               dispo.height() * 9 / 10);
    }
    disposer();
    vue->setFocus();
}

diaApercu::~diaApercu()
{
    ferme = true;
    minuteur.stop();
}

int diaApercu::nombre() const
{
    return origine->nombre();
}

QImage diaApercu::image(int page) const
{
    const QImage trouvee = images.value(page);
    return trouvee.size() == tailleImage(page) ? trouvee : QImage();
}

bool diaApercu::montrees() const
{
    for (int page = debut; page < std::min(debut + parVue(), nombre()); ++page)
        if (image(page).isNull() && !echecs.contains(page))
            return false;
    return true;
}

QSize diaApercu::tailleImage(int page) const
{
    const QSizeF taille = origine->taille(page) * facteur * devicePixelRatioF();
    QSize pixels(std::max(1, qRound(taille.width())), std::max(1, qRound(taille.height())));
    if (qint64(pixels.width()) * pixels.height() > PIXELS_MAX)
        pixels.scale(pixels * std::sqrt(double(PIXELS_MAX) / (double(pixels.width()) * pixels.height())),
                     Qt::KeepAspectRatio);
    return pixels;
}

void diaApercu::disposer()
{
    if (nombre() > 0 && mode != Zoom::Libre) {
        // La place des pages montrées, en points, côte à côte.
        double largeur = 0, hauteur = 0;
        for (int page = debut; page < std::min(debut + parVue(), nombre()); ++page) {
            largeur += origine->taille(page).width();
            hauteur = std::max(hauteur, origine->taille(page).height());
        }
        const QSize dispo = ui->zone->maximumViewportSize();
        const int ecarts = 2 * Vue::MARGE + (parVue() - 1) * Vue::ECART;
        // Pleine largeur : la barre verticale sera là (les pages dépassent en hauteur).
        const double enLargeur =
            (dispo.width() - ecarts - ui->zone->verticalScrollBar()->sizeHint().width()) / largeur;
        const double enHauteur = (dispo.height() - 2 * Vue::MARGE - vue->hauteurLegende()) / hauteur;
        facteur = mode == Zoom::Largeur ? enLargeur : std::min(enLargeur, enHauteur);
    }
    facteur = std::clamp(facteur, ECHELLE_MIN, ECHELLE_MAX);
    vue->resize(vue->tailleVoulue());
    vue->placerIndicateur();
    vue->update();
    mettreAJourControles();
    oublier();
    relancer();
}

void diaApercu::mettreAJourControles()
{
    const int n = nombre();
    {
        const QSignalBlocker bloqueur(ui->edPage);
        ui->edPage->setRange(1, std::max(1, n));
        ui->edPage->setValue(debut + 1);
    }
    ui->lbNombre->setText(tr("sur %1").arg(n));
    ui->btPremiere->setEnabled(debut > 0);
    ui->btPrecedente->setEnabled(debut > 0);
    ui->btSuivante->setEnabled(debut + parVue() < n);
    ui->btDerniere->setEnabled(debut + parVue() < n);
    ui->btLargeur->setChecked(mode == Zoom::Largeur);
    ui->btPageEntiere->setChecked(mode == Zoom::Page);
    ui->btAgrandir->setEnabled(facteur < ECHELLE_MAX);
    ui->btReduire->setEnabled(facteur > ECHELLE_MIN);
    const double reel = logicalDpiX() / 72.0; // pixels de l'écran par point à taille réelle
    ui->lbZoom->setText(tr("%1 %").arg(qRound(facteur / reel * 100)));
    QStringList lignes;
    for (int page = debut; page < std::min(debut + parVue(), n); ++page) {
        const QString legende = origine->legende(page);
        lignes << (legende.isEmpty() ? tr("Page %1 sur %2.").arg(page + 1).arg(n)
                                     : tr("Page %1 sur %2 : %3.").arg(page + 1).arg(n).arg(legende));
    }
    if (n == 0)
        lignes << tr("Aucune page à montrer.");
    ui->lbLegende->setText(lignes.join(QLatin1Char('\n')));
    vue->setAccessibleDescription(lignes.join(QLatin1Char(' ')));
}

void diaApercu::allerA(int page)
{
    const int borne = std::max(0, nombre() - 1);
    const int voulue = std::clamp(page, 0, borne);
    if (voulue == debut) {
        mettreAJourControles();
        return;
    }
    debut = voulue;
    // Une page revue qui n'avait pas pu être lue est redemandée.
    echecs.clear();
    annonce = false;
    ui->zone->verticalScrollBar()->setValue(0);
    disposer();
}

void diaApercu::premierePage()
{
    allerA(0);
}

void diaApercu::precedente()
{
    allerA(debut - parVue());
}

void diaApercu::suivante()
{
    if (debut + parVue() < nombre())
        allerA(debut + parVue());
}

void diaApercu::dernierePage()
{
    allerA(std::max(0, nombre() - parVue()));
}

void diaApercu::pleineLargeur()
{
    mode = Zoom::Largeur;
    annonce = false;
    disposer();
}

void diaApercu::pageEntiere()
{
    mode = Zoom::Page;
    annonce = false;
    disposer();
}

void diaApercu::agrandir()
{
    mode = Zoom::Libre;
    facteur *= PAS_ZOOM;
    annonce = false;
    disposer();
}

void diaApercu::reduire()
{
    mode = Zoom::Libre;
    facteur /= PAS_ZOOM;
    annonce = false;
    disposer();
}

void diaApercu::montrerDeux(bool deuxPages)
{
    if (deux == deuxPages)
        return;
    deux = deuxPages;
    {
        const QSignalBlocker bloqueur(ui->rbDeux);
        const QSignalBlocker bloqueurUne(ui->rbUne);
        ui->rbDeux->setChecked(deux);
        ui->rbUne->setChecked(!deux);
    }
    annonce = false;
    disposer();
}

void diaApercu::imprimer()
{
    if (!envoi)
        return;
    // Pendant le tirage (et ses pauses), l'aperçu ne dessine plus.
    minuteur.stop();
    if (envoi()) {
        accept();
        return;
    }
    relancer();
}

void diaApercu::done(int resultat)
{
    ferme = true;
    minuteur.stop();
    redisposition.stop();
    QDialog::done(resultat);
}

void diaApercu::changeEvent(QEvent* evenement)
{
    QDialog::changeEvent(evenement);
    if (evenement->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        btImprimer->setText(tr("&Imprimer"));
        mettreAJourControles();
    }
}

void diaApercu::showEvent(QShowEvent* evenement)
{
    QDialog::showEvent(evenement);
    ferme = false;
    disposer();
}

bool diaApercu::eventFilter(QObject* objet, QEvent* evenement)
{
    // Au tour suivant : la zone a fini de prendre sa taille.
    if (objet == ui->zone && evenement->type() == QEvent::Resize && mode != Zoom::Libre && !ferme)
        redisposition.start();
    return QDialog::eventFilter(objet, evenement);
}

int diaApercu::aDessiner() const
{
    const int n = nombre();
    const auto manque = [this](int page) { return !echecs.contains(page) && image(page).isNull(); };
    // Les pages montrées, puis les suivantes, puis la précédente.
    for (int page = debut; page < std::min(debut + parVue(), n); ++page)
        if (manque(page))
            return page;
    for (int page = debut + parVue(); page < std::min(debut + 2 * parVue(), n); ++page)
        if (manque(page))
            return page;
    if (debut > 0 && manque(debut - 1))
        return debut - 1;
    return -1;
}

void diaApercu::relancer()
{
    if (!ferme && isVisible())
        minuteur.start();
}

void diaApercu::oublier()
{
    for (auto it = images.begin(); it != images.end();)
        if (it.key() < debut - 1 || it.key() >= debut + 2 * parVue())
            it = images.erase(it);
        else
            ++it;
}

void diaApercu::dessinerSuivante()
{
    if (ferme)
        return;
    const int page = aDessiner();
    if (page < 0) {
        vue->placerIndicateur();
        if (!annonce && montrees()) {
            annonce = true;
            Q_EMIT pagesMontrees();
        }
        return;
    }
    QImage dessin(tailleImage(page), QImage::Format_ARGB32_Premultiplied);
    dessin.fill(Qt::white);
    QPainter peintre(&dessin);
    peintre.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                           QPainter::SmoothPixmapTransform);
    const Resultat<> dessinee = origine->dessiner(peintre, page);
    peintre.end();
    ++compteDessins;
    if (dessinee) {
        images.insert(page, dessin);
    } else {
        images.remove(page);
        echecs.insert(page, Messages::texteLecture(dessinee.erreur()));
    }
    vue->placerIndicateur();
    vue->update();
    if (!dessinee && !erreurDite) {
        erreurDite = true;
        Messages::lectureImpossible(this, dessinee.erreur());
    }
    relancer();
}
