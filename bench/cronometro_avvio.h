#pragma once
// What the two start-up probes share: an application that notices when a window's first
// frame has been painted, the monotonic clock, and the process's peak resident memory.
//
// A frame is complete when the outermost event whose handling painted the window has
// returned: the expose or update request that repaints a window paints the whole widget
// tree and hands it to the platform before it returns.

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QWidget>

#include <cstdint>
#include <ctime>
#include <functional>

namespace ponderino::banco {

// CLOCK_MONOTONIC in nanoseconds; the same clock as the parent process's.
inline std::int64_t adessoNs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return std::int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec;
}

// CPU time this process has used so far, user and system, in nanoseconds. It counts
// from the spawn (the dynamic loader's work included) and, unlike wall time, hardly
// depends on what else the machine is doing.
inline std::int64_t cpuNs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return std::int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec;
}

// Peak resident set size of this process (VmHWM), in KiB; -1 when unknown.
inline long piccoMemoriaKb() {
    QFile stato(QStringLiteral("/proc/self/status"));
    if (!stato.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& riga : stato.readAll().split('\n')) {
        if (riga.startsWith("VmHWM:")) return riga.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// Platforms without window stacking (offscreen) warn on every raise; the other messages
// of Qt go where they would.
inline QtMessageHandler& gestorePrecedente() {
    static QtMessageHandler h = nullptr;
    return h;
}
inline void senzaAvvisiDiRaise(QtMsgType tipo, const QMessageLogContext& contesto, const QString& testo) {
    if (testo == QLatin1String("This plugin does not support raise()")) return;
    if (gestorePrecedente()) gestorePrecedente()(tipo, contesto, testo);
}
inline void tacitaAvvisiDiRaise() { gestorePrecedente() = qInstallMessageHandler(senzaAvvisiDiRaise); }

class ApplicazioneCronometrata : public QApplication {
public:
    ApplicazioneCronometrata(int& argc, char** argv) : QApplication(argc, argv) { tacitaAvvisiDiRaise(); }

    // Runs the event loop until a widget of a window that `finestra` accepts has been
    // painted and the event that painted it has returned; gives the time of that moment.
    // A frame already completed since the last call counts.
    std::int64_t attendiPrimoFrame() {
        if (fine_ == 0) {
            QEventLoop ciclo;
            ciclo_ = &ciclo;
            ciclo.exec();
            ciclo_ = nullptr;
        }
        const std::int64_t t = fine_;
        cpu_ = cpuFine_;
        fine_ = 0;
        dipinta_ = false;
        return t;
    }

    // CPU time of the process when the frame last waited for was complete.
    std::int64_t cpuAlFrame() const { return cpu_; }

    // Which window to watch; set it before the window is created or shown.
    void osserva(std::function<bool(QWidget*)> finestra) {
        finestra_ = std::move(finestra);
        fine_ = 0;
        dipinta_ = false;
    }

    bool notify(QObject* destinatario, QEvent* evento) override {
        const bool pittura = evento->type() == QEvent::Paint;
        ++profondita_;
        const bool r = QApplication::notify(destinatario, evento);
        --profondita_;
        if (pittura && finestra_ && fine_ == 0 && destinatario->isWidgetType() &&
            finestra_(static_cast<QWidget*>(destinatario)->window()))
            dipinta_ = true;
        if (profondita_ == 0 && dipinta_ && fine_ == 0) {
            fine_ = adessoNs();
            cpuFine_ = cpuNs();
            if (ciclo_) ciclo_->quit();
        }
        return r;
    }

private:
    std::function<bool(QWidget*)> finestra_;
    QEventLoop* ciclo_ = nullptr;
    int profondita_ = 0;
    bool dipinta_ = false;
    std::int64_t fine_ = 0;
    std::int64_t cpuFine_ = 0;
    std::int64_t cpu_ = 0;
};

}  // namespace ponderino::banco
