#pragma once
// One way of making every window: a table of controls in twips (screens/tabelle.h),
// turned into Qt widgets by one builder, and a window surface on which lines of text
// are printed.

#include <QColor>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QStringList>
#include <QWidget>

#include <future>
#include <span>
#include <stdexcept>

#include "screens/procedure.h"
#include "screens/tabelle.h"

namespace ponderino {

// The Qt font of a design font: both faces are drawn with Liberation Sans, whose metrics
// match Arial's; the size and weight are kept.
QFont fontDa(const Carattere& c);

// A failure to load a picture file; the message is in Italian and names the file.
class ErroreImmagine : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The decimal and grouping characters of the user's regional settings.
ImpostazioniRegionali impostazioniRegionali();

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
    // A picture still being decoded on another thread: the box takes it when it is
    // first painted or asked for, waiting for it only then.
    void setImmagine(std::future<QImage> inArrivo);
    const QPixmap& immagine() const;
    // The name of the file or resource shown, for whoever needs to know which it is.
    QString origine() const { return origine_; }
    void setOrigine(const QString& o) { origine_ = o; }
    // Repeats the picture across the whole box, as a wallpaper.
    void setAffiancata(bool affiancata) { affiancata_ = affiancata; update(); }
protected:
    void paintEvent(QPaintEvent*) override;
private:
    mutable QPixmap immagine_;
    mutable std::future<QImage> inArrivo_;
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
    // What a command of this window reads when it runs: nothing but the date and the
    // regional settings, but for the calculation screen's measures.
    virtual Ingresso ingresso() const;
    // Applies the steps of a command to this window, its storage and its printer.
    void applica(const std::vector<Passo>& passi, const Ingresso& ingresso);

protected:
    Finestra();
    void costruisci(const TabellaFinestra& tabella);
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
