#pragma once
// One way of making every window: a table of controls in twips, turned into Qt widgets
// by one builder, and a window surface on which lines of text are printed.

#include <QColor>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QStringList>
#include <QWidget>

#include <span>
#include <stdexcept>

namespace ponderino {

// 15 twips make one logical pixel; Qt's high-DPI scaling does the rest.
constexpr int pixel(int twips) { return (twips + 7) / 15; }

// Fonts as the design names them. Both faces are drawn with Liberation Sans, whose
// metrics match Arial's; the size and weight are kept.
struct Carattere {
    const char* nome;
    double punti;
    bool grassetto;
};
QFont fontDa(const Carattere& c);

// The fonts the windows use, by face, size in points and weight ("b": bold).
inline constexpr Carattere sans825{"MS Sans Serif", 8.25, false};
inline constexpr Carattere sans825b{"MS Sans Serif", 8.25, true};
inline constexpr Carattere sans975b{"MS Sans Serif", 9.75, true};
inline constexpr Carattere sans12b{"MS Sans Serif", 12, true};
inline constexpr Carattere sans135b{"MS Sans Serif", 13.5, true};
inline constexpr Carattere sans18{"MS Sans Serif", 18, false};
inline constexpr Carattere arial9b{"Arial", 9, true};
// A control that shows no text of its own.
inline constexpr Carattere nessuno{nullptr, 0, false};

// An RGB colour of the design, or the platform's usual colour for that kind of control.
struct Colore {
    int r = -1, g = -1, b = -1;
    bool sistema() const { return r < 0; }
    QColor qt() const { return QColor(r, g, b); }
};
inline constexpr Colore sistema{};

// The colours of the design.
inline constexpr Colore nero{0, 0, 0}, bianco{255, 255, 255}, verde{0, 255, 0}, blu{0, 0, 255},
    blu_notte{0, 0, 128}, teal{0, 128, 128}, marrone{128, 64, 0}, giallino{255, 255, 128},
    giallo_chiaro{255, 255, 192};

enum class Tipo {
    Pannello,   // picture box: a coloured panel or picture frame that may hold controls
    Etichetta,  // label
    Casella,    // single-line editable text box
    Pulsante,   // push button with an access key
    Immagine,   // a picture without a window of its own, clickable
};

enum class Allinea { Sinistra, Centro };

// One control of a window's design. Left and Top are measured from the inner top-left
// corner of the container; the container is named, or empty for the window itself.
// Within a container the rows stand in stacking order: the first is in front.
struct Controllo {
    const char* nome;
    Tipo tipo;
    const char* contenitore;
    int left, top, width, height;  // twips
    const char* testo;             // caption, initial text, or picture resource
    Carattere carattere;
    Colore sfondo;
    Colore colore;
    Allinea allinea;
    int tabIndex;  // -1: none
};

// The window itself.
struct ProgettoFinestra {
    const char* didascalia;
    int larghezza, altezza;  // client area, twips
    int left, top;           // client area from the screen's corner; -1: centred
    Carattere carattere;
    Colore sfondo;
    Colore colore;
    const char* icona;     // resource, or nullptr
    const char* immagine;  // background picture resource, or nullptr
    bool persistenza;      // drawing persistence when created
};

// A failure to load a picture file; the message is in Italian and names the file.
class ErroreImmagine : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Sets up the application for the windows: Fusion style, the program's name and font.
void preparaApplicazione();

// Loads a picture file by its name, relative to the working directory.
QPixmap caricaFileImmagine(const QString& nomeFile);

// Push button whose caption wraps at spaces, centred, with its access key underlined.
class Pulsante : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;
protected:
    void paintEvent(QPaintEvent*) override;
};

// Picture box: a panel of one colour, showing its picture unscaled from the top-left.
class Riquadro : public QWidget {
    Q_OBJECT
public:
    explicit Riquadro(QWidget* genitore);
    void setImmagine(const QPixmap& immagine);
    const QPixmap& immagine() const { return immagine_; }
    // The name of the file or resource shown, for whoever needs to know which it is.
    QString origine() const { return origine_; }
    void setOrigine(const QString& o) { origine_ = o; }
    // Repeats the picture across the whole box, as a wallpaper.
    void setAffiancata(bool affiancata) { affiancata_ = affiancata; update(); }
protected:
    void paintEvent(QPaintEvent*) override;
private:
    QPixmap immagine_;
    QString origine_;
    bool affiancata_ = false;
};

// A picture or a label that answers a mouse click and never takes the focus.
class Cliccabile : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
signals:
    void clicked();
protected:
    void mouseReleaseEvent(QMouseEvent* e) override;
};

// The base of the six windows: built from its design, with its own surface.
class Finestra : public QWidget {
    Q_OBJECT
public:
    // Prints one line on the window's own surface at the print position, which then
    // moves to the start of the next line.
    void stampa(const QString& riga);
    // Drawing persistence: while on, printed lines are kept and drawn again on every
    // repaint; a line printed while it is off is drawn once and lost on the next repaint.
    void setPersistenza(bool attiva) { persistenza_ = attiva; }
    bool persistenza() const { return persistenza_; }
    // Every line printed on the surface since the window was created, in order.
    QStringList righeStampate() const;
    // The load step, run once when the window is created.
    virtual void carica() {}
    // Places the window where its design puts it.
    void posiziona();

protected:
    Finestra();
    void costruisci(const ProgettoFinestra& progetto, std::span<const Controllo> controlli);
    template <class W> W* controllo(const QString& nome) const {
        return qobject_cast<W*>(controlli_.value(nome));
    }
    void paintEvent(QPaintEvent*) override;

private:
    struct Riga {
        QString testo;
        bool persistente;
        bool disegnata;
    };
    QWidget* crea(const Controllo& c, std::span<const Controllo> tutti);
    ProgettoFinestra progetto_{};
    QPixmap sfondo_;
    QHash<QString, QWidget*> controlli_;
    QList<Riga> righe_;
    bool persistenza_ = false;
};

}  // namespace ponderino
