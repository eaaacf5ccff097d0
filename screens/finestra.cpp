#include "screens/finestra.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImageReader>
#include <QLocale>
#include <QPointer>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStyleOptionButton>
#include <QStyleFactory>
#include <QStylePainter>

#include <algorithm>
#include <chrono>
#include <string>

#include "core/sostituisci.h"
#include "report/stampa.h"
#include "screens/mostra.h"
#include "screens/piattaforma.h"

namespace ponderino {

namespace {

// The one face that stands in for the design's MS Sans Serif and Arial.
const QString faccia = QStringLiteral("Liberation Sans");

QColor qColore(const Colore& c) { return QColor(c.r, c.g, c.b); }

void coloraSfondo(QWidget* w, const Colore& sfondo, QPalette::ColorRole ruolo) {
    if (sfondo.sistema()) return;
    QPalette p = w->palette();
    p.setColor(ruolo, qColore(sfondo));
    w->setPalette(p);
    w->setAutoFillBackground(ruolo == QPalette::Window);
}

void coloraTesto(QWidget* w, const Colore& colore, QPalette::ColorRole ruolo) {
    if (colore.sistema()) return;
    QPalette p = w->palette();
    p.setColor(ruolo, qColore(colore));
    w->setPalette(p);
}

// Decodes a picture by the format its name gives. A reader left to guess the format
// first asks every image format plugin, loading them all at start-up.
QImage decodifica(const QString& percorso) {
    QImageReader lettore(percorso, QFileInfo(percorso).suffix().toLatin1());
    lettore.setAutoDetectImageFormat(false);
    return lettore.read();
}

// A design picture; on a high-DPI screen (`doppia`) its twice-as-large drawing, shown at
// the same logical size so that nothing is blurred. Reentrant: the picture boxes have
// theirs decoded on a thread of their own.
QImage immagineRisorsa(const QString& percorso, bool doppia) {
    if (doppia) {
        QString doppio = percorso;
        doppio.insert(doppio.lastIndexOf(QLatin1Char('.')), QStringLiteral("@2x"));
        QImage i = decodifica(doppio);
        if (!i.isNull()) {
            i.setDevicePixelRatio(2.0);
            return i;
        }
    }
    return decodifica(percorso);
}

bool schermoDoppio() { return qApp->devicePixelRatio() > 1.0; }

QPixmap risorsa(const char* nome) {
    if (!nome) return QPixmap();
    return QPixmap::fromImage(immagineRisorsa(QString::fromUtf8(nome), schermoDoppio()));
}

// The same, decoded on another thread while the window is built, shown and its first
// frame painted around it: the start screen's title picture alone takes a few
// milliseconds to decode.
std::future<QImage> risorsaInArrivo(const char* nome) {
    return std::async(std::launch::async, immagineRisorsa, QString::fromUtf8(nome), schermoDoppio());
}

}  // namespace

QFont fontDa(const Carattere& c) {
    QFont f(faccia);
    f.setPointSizeF(c.punti);
    f.setWeight(c.grassetto ? QFont::Bold : QFont::Normal);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

void preparaApplicazione() {
    // Windows has no Liberation Sans: there the program carries its own copy.
    for (const char* f : {":/caratteri/LiberationSans-Regular.ttf", ":/caratteri/LiberationSans-Bold.ttf"})
        if (QFile::exists(QString::fromLatin1(f))) QFontDatabase::addApplicationFont(QString::fromLatin1(f));
    // Fusion draws the face colours the design gives to some buttons.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setApplicationName(QStringLiteral("ponderino"));
    // Ties the windows to the desktop menu entry (on Wayland too).
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.ponderino.Ponderino"));
    QApplication::setFont(fontDa(sans825));
    QApplication::setQuitOnLastWindowClosed(true);
}

QPixmap caricaFileImmagine(const QString& nomeFile) {
    const QFileInfo info(nomeFile);
    if (!info.exists())
        throw ErroreImmagine("Impossibile caricare l'immagine " + nomeFile.toStdString() +
                             ": il file non esiste.");
    if (!info.isFile())
        throw ErroreImmagine("Impossibile caricare l'immagine " + nomeFile.toStdString() +
                             ": non è un file.");
    QImageReader lettore(nomeFile);
    lettore.setDecideFormatFromContent(true);
    const QImage immagine = lettore.read();
    if (immagine.isNull())
        throw ErroreImmagine("Impossibile caricare l'immagine " + nomeFile.toStdString() +
                             ": il file non contiene un'immagine leggibile.");
    return QPixmap::fromImage(immagine);
}

// ---------------------------------------------------------------------------------------

void Pulsante::paintEvent(QPaintEvent*) {
    QStylePainter p(this);
    QStyleOptionButton opzioni;
    initStyleOption(&opzioni);
    opzioni.text.clear();
    p.drawControl(QStyle::CE_PushButtonBevel, opzioni);

    QRect area = rect().adjusted(3, 1, -3, -1);
    if (isDown()) area.translate(1, 1);
    p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                             QPalette::ButtonText));
    p.drawText(area, Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic, text());

    if (hasFocus()) {
        QStyleOptionFocusRect fuoco;
        fuoco.initFrom(this);
        fuoco.rect = rect().adjusted(3, 3, -3, -3);
        p.drawPrimitive(QStyle::PE_FrameFocusRect, fuoco);
    }
}

Riquadro::Riquadro(QWidget* genitore) : QWidget(genitore) {}

void Riquadro::setImmagine(const QPixmap& immagine) {
    inArrivo_ = {};
    immagine_ = immagine;
    update();
}

void Riquadro::setImmagine(std::future<QImage> inArrivo) {
    inArrivo_ = std::move(inArrivo);
    immagine_ = QPixmap();
    update();
}

const QPixmap& Riquadro::immagine() const {
    if (inArrivo_.valid()) immagine_ = QPixmap::fromImage(inArrivo_.get());
    return immagine_;
}

void Riquadro::paintEvent(QPaintEvent*) {
    const QPixmap& figura = immagine();
    if (figura.isNull()) return;
    QPainter p(this);
    if (affiancata_)
        p.drawTiledPixmap(rect(), figura);
    else
        p.drawPixmap(0, 0, figura);
}

void Cliccabile::mouseReleaseEvent(QMouseEvent* e) {
    QLabel::mouseReleaseEvent(e);
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()))
        emit clicked();
}

// ---------------------------------------------------------------------------------------

Finestra::Finestra() : QWidget(nullptr) {
    // A window the user closes from its frame is gone; the next show makes it afresh.
    setAttribute(Qt::WA_DeleteOnClose);
}

void Finestra::costruisci(const TabellaFinestra& tabella) {
    const ProgettoFinestra& progetto = tabella.progetto;
    progetto_ = progetto;
    persistenza_ = progetto.persistenza;
    setWindowTitle(QString::fromUtf8(progetto.didascalia));
    setFixedSize(pixel(progetto.larghezza), pixel(progetto.altezza));
    setFont(fontDa(progetto.carattere));
    coloraSfondo(this, progetto.sfondo, QPalette::Window);
    coloraTesto(this, progetto.colore, QPalette::WindowText);
    // The icon and the picture boxes' pictures decode first, on threads of their own;
    // what follows runs beside them.
    std::future<QImage> icona = progetto.icona ? risorsaInArrivo(progetto.icona) : std::future<QImage>();
    for (const Controllo& c : tabella.controlli) crea(c, tabella.controlli);
    sfondo_ = risorsa(progetto.immagine);
    // The first font looked up reads the font database, the longest step of a start. Done
    // here, it overlaps the pictures' decoding; at the first paint it would come only
    // after the background box had waited for its picture.
    QFontMetrics(font()).height();
    // From the decoded picture: an icon made from a file name probes the file with every
    // image format plugin, loading them all at start-up.
    if (icona.valid()) setWindowIcon(QIcon(QPixmap::fromImage(icona.get())));
    const auto widget = [this](const Controllo* c) { return controlli_.value(QString::fromUtf8(c->nome)); };
    for (const Controllo* c : ordineDiPittura(tabella)) widget(c)->raise();
    const std::vector<const Controllo*> tab = ordineDiTab(tabella);
    for (std::size_t i = 1; i < tab.size(); ++i) QWidget::setTabOrder(widget(tab[i - 1]), widget(tab[i]));
    if (!tab.empty()) widget(tab.front())->setFocus(Qt::OtherFocusReason);
    if (tabella.affiancato) controllo<Riquadro>(QString::fromUtf8(tabella.affiancato))->setAffiancata(true);
    for (const Controllo& c : tabella.controlli)
        widget(&c)->setAccessibleName(QString::fromStdString(nomeAccessibile(tabella, c)));
    // Every button and clickable picture runs its command's steps; one without a
    // command has none.
    const char* const finestra = tabella.nome;
    for (const Controllo& c : tabella.controlli) {
        const std::string nome = c.nome;
        const auto esegui = [this, finestra, nome] {
            const Ingresso in = ingresso();
            applica(procedura(finestra, nome, in), in);
        };
        if (auto* b = controllo<QPushButton>(QString::fromUtf8(c.nome)))
            connect(b, &QPushButton::clicked, this, esegui);
        else if (auto* i = controllo<Cliccabile>(QString::fromUtf8(c.nome)))
            connect(i, &Cliccabile::clicked, this, esegui);
    }
}

ImpostazioniRegionali impostazioniRegionali() {
    const QLocale locale = QLocale::system();
    return ImpostazioniRegionali{locale.decimalPoint().toStdString(), locale.groupSeparator().toStdString()};
}

Ingresso Finestra::ingresso() const {
    const QDate oggi = piattaforma().oggi();
    return Ingresso{{}, impostazioniRegionali(), DataStampa{oggi.day(), oggi.month(), oggi.year()}};
}

void Finestra::applica(const std::vector<Passo>& passi, const Ingresso& in) {
    // The window may be closed from its frame while a step waits.
    const QPointer<Finestra> io(this);
    const auto testo = [](const std::string& s) { return QString::fromStdString(s); };
    for (auto p = passi.begin(); p != passi.end() && io; ++p) {
        try {
            switch (p->azione) {
            case Azione::Testo: controllo<QLineEdit>(testo(p->controllo))->setText(testo(p->valore)); break;
            case Azione::Immagine: {
                Riquadro* r = controllo<Riquadro>(testo(p->controllo));
                r->setImmagine(caricaFileImmagine(testo(p->valore)));
                r->setOrigine(testo(p->valore));
                break;
            }
            case Azione::Stampa: stampa(testo(p->valore)); break;
            case Azione::Persistenza: setPersistenza(true); break;
            case Azione::Messaggio: mostraMessaggio(this, testo(p->valore)); break;
            case Azione::Salva: sostituisciFile("dati.txt", p->valore); break;
            case Azione::Riepilogo: stampaRiepilogo(in.dati, "dati.txt", in.oggi, in.regionali); break;
            case Azione::Mostra: mostraFinestra(p->valore); break;
            case Azione::Attendi: piattaforma().attendi(std::chrono::milliseconds(std::stoi(p->valore))); break;
            case Azione::Fine: piattaforma().terminaProgramma(); return;
            }
        } catch (const std::exception& e) {
            if (io) mostraMessaggio(this, QString::fromUtf8(e.what()));
            if (std::any_of(p, passi.end(), [](const Passo& x) { return x.azione == Azione::Fine; }))
                piattaforma().terminaProgramma();
            return;
        }
    }
}

QWidget* Finestra::crea(const Controllo& c, std::span<const Controllo> tutti) {
    const QString nome = QString::fromUtf8(c.nome);
    if (QWidget* esistente = controlli_.value(nome)) return esistente;

    QWidget* genitore = this;
    if (c.contenitore && *c.contenitore) {
        const auto trovato = std::find_if(tutti.begin(), tutti.end(), [&](const Controllo& x) {
            return qstrcmp(x.nome, c.contenitore) == 0;
        });
        Q_ASSERT(trovato != tutti.end());
        genitore = crea(*trovato, tutti);
    }

    const QString testo = QString::fromUtf8(c.testo ? c.testo : "");
    const Qt::Alignment allinea =
        c.allinea == Allinea::Centro ? Qt::AlignCenter : (Qt::AlignLeft | Qt::AlignVCenter);
    QWidget* w = nullptr;
    switch (c.tipo) {
    case Tipo::Pannello: {
        auto* r = new Riquadro(genitore);
        coloraSfondo(r, c.sfondo, QPalette::Window);
        if (c.testo && *c.testo) {
            r->setImmagine(risorsaInArrivo(c.testo));
            r->setOrigine(testo);
        }
        r->setAutoFillBackground(true);
        r->setFocusPolicy(Qt::NoFocus);
        w = r;
        break;
    }
    case Tipo::Etichetta: {
        auto* l = new Cliccabile(testo, genitore);
        l->setAlignment(c.allinea == Allinea::Centro ? Qt::AlignHCenter | Qt::AlignTop
                                                     : Qt::AlignLeft | Qt::AlignTop);
        l->setWordWrap(true);
        l->setTextFormat(Qt::PlainText);
        QPalette p = l->palette();
        p.setColor(QPalette::Window, c.sfondo.sistema() ? p.color(QPalette::Button) : qColore(c.sfondo));
        if (!c.colore.sistema()) p.setColor(QPalette::WindowText, qColore(c.colore));
        l->setPalette(p);
        l->setAutoFillBackground(true);
        w = l;
        break;
    }
    case Tipo::Casella: {
        auto* e = new QLineEdit(testo, genitore);
        e->setAlignment(allinea);
        e->setCursorPosition(0);
        coloraSfondo(e, c.sfondo, QPalette::Base);
        coloraTesto(e, c.colore, QPalette::Text);
        w = e;
        break;
    }
    case Tipo::Pulsante: {
        auto* b = new Pulsante(testo, genitore);
        coloraSfondo(b, c.sfondo, QPalette::Button);
        coloraTesto(b, c.colore, QPalette::ButtonText);
        b->setAutoDefault(false);
        w = b;
        break;
    }
    case Tipo::Immagine: {
        auto* i = new Cliccabile(genitore);
        i->setPixmap(risorsa(c.testo));
        i->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        i->setFocusPolicy(Qt::NoFocus);
        w = i;
        break;
    }
    }
    w->setObjectName(nome);
    w->setGeometry(pixel(c.left), pixel(c.top), pixel(c.width), pixel(c.height));
    if (c.carattere.nome) w->setFont(fontDa(c.carattere));
    controlli_.insert(nome, w);
    return w;
}

void Finestra::posiziona() {
    QRect area(0, 0, width(), height());
    if (progetto_.left >= 0) {
        area.moveTopLeft(QPoint(pixel(progetto_.left), pixel(progetto_.top)));
    } else if (const QScreen* schermo = QGuiApplication::primaryScreen()) {
        area.moveCenter(schermo->availableGeometry().center());
    }
    // The design places the client area; the frame goes around it.
    setGeometry(area);
}

void Finestra::stampa(const QString& riga) {
    righe_.append(Riga{riga, persistenza_, false});
    update();
}

QStringList Finestra::righeStampate() const {
    QStringList r;
    for (const Riga& riga : righe_) r.append(riga.testo);
    return r;
}

void Finestra::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (!sfondo_.isNull()) p.drawPixmap(0, 0, sfondo_);
    p.setFont(font());
    p.setPen(palette().color(QPalette::WindowText));
    const QFontMetrics m(font());
    int y = m.ascent();
    for (Riga& riga : righe_) {
        if (riga.persistente || !riga.disegnata) p.drawText(0, y, riga.testo);
        riga.disegnata = true;
        y += m.height();
    }
}

}  // namespace ponderino
