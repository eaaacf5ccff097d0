#include "screens/piattaforma.h"

#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace ponderino {

namespace {

void messaggioReale(QWidget* finestra, const Messaggio& m) {
    // The box has no parent: a window the user closes from its frame while the box is
    // open must not take the box (and the running command) down with it.
    QMessageBox box(QMessageBox::NoIcon, m.titolo, m.testo, QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    if (finestra) {
        const QRect g = finestra->frameGeometry();
        box.adjustSize();
        box.move(g.center() - QPoint(box.width() / 2, box.height() / 2));
    }
    box.exec();
}

void attendiReale(std::chrono::milliseconds durata) {
    // Paint what changed, then wait without handling any click or key: they are queued
    // and delivered, in order, when the next command-level event loop runs.
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible()) w->repaint();
    }
    QEventLoop attesa;
    QTimer::singleShot(durata, &attesa, &QEventLoop::quit);
    attesa.exec(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace

Piattaforma piattaformaReale() {
    return Piattaforma{
        messaggioReale,
        [] { QCoreApplication::exit(0); },
        attendiReale,
        [] { return QDate::currentDate(); },
    };
}

Piattaforma& piattaforma() {
    static Piattaforma p = piattaformaReale();
    return p;
}

void mostraMessaggio(QWidget* finestra, const QString& testo) {
    piattaforma().messaggio(finestra, Messaggio{titoloApplicazione, testo});
}

}  // namespace ponderino
