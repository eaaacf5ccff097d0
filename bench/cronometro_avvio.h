#pragma once
// What the two start-up probes share: an application that notes when the first frame of
// its first window is complete and prints, on one line of standard output,
//   main=<ns> primo_frame=<ns> picco_kb=<KiB>
// main and primo_frame are CLOCK_MONOTONIC instants (entry to main, first frame complete),
// picco_kb the peak resident memory (VmHWM) by then. bench/avvio.py reads the line.
//
// A frame is complete when the outermost event whose handling painted a widget has
// returned: the expose or update request that repaints a window paints its whole widget
// tree and hands it to the platform before it returns.

#include <QApplication>

#include <cstdio>
#include <ctime>

namespace ponderino::banco {

inline long long adessoNs(clockid_t orologio = CLOCK_MONOTONIC) {
    timespec t{};
    clock_gettime(orologio, &t);
    return t.tv_sec * 1'000'000'000LL + t.tv_nsec;
}

inline long piccoMemoriaKb() {
    long kb = -1;
    if (std::FILE* f = std::fopen("/proc/self/status", "r")) {
        char riga[256];
        while (std::fgets(riga, sizeof riga, f))
            if (std::sscanf(riga, "VmHWM: %ld", &kb) == 1) break;
        std::fclose(f);
    }
    return kb;
}

class ApplicazioneCronometrata : public QApplication {
public:
    ApplicazioneCronometrata(int& argc, char** argv) : QApplication(argc, argv) {}

    // Runs the event loop until the first frame is complete, then prints the line;
    // `inizio` is the instant main was entered.
    int misura(long long inizio) {
        exec();
        std::printf("main=%lld primo_frame=%lld cpu=%lld picco_kb=%ld\n", inizio, fine_, cpu_, piccoMemoriaKb());
        return fine_ > 0 ? 0 : 1;
    }

    bool notify(QObject* destinatario, QEvent* evento) override {
        const bool pittura = evento->type() == QEvent::Paint;
        ++profondita_;
        const bool r = QApplication::notify(destinatario, evento);
        --profondita_;
        dipinta_ = dipinta_ || (pittura && destinatario->isWidgetType());
        if (profondita_ == 0 && dipinta_ && fine_ == 0) {
            fine_ = adessoNs();
            cpu_ = adessoNs(CLOCK_PROCESS_CPUTIME_ID);
            exit(0);  // quit() would close the windows first
        }
        return r;
    }

private:
    int profondita_ = 0;
    bool dipinta_ = false;
    long long fine_ = 0;
    long long cpu_ = 0;
};

}  // namespace ponderino::banco
