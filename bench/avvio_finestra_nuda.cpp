// Start-up probe for the baseline: a bare Qt window of the start screen's size, then on a
// "click" a second bare window of the calculation screen's size. Built with the same flags
// as the program's probe and reporting the same line (see avvio_ponderino.cpp).
// With --testo each window shows one label, for reference: what the first line of text
// costs a Qt program.

#include "bench/cronometro_avvio.h"

#include <QLabel>

#include <cstdio>
#include <cstring>
#include <memory>

using namespace ponderino::banco;

int main(int argc, char* argv[]) {
    const std::int64_t inizio = adessoNs();
    const bool testo = argc > 1 && std::strcmp(argv[1], "--testo") == 0;
    ApplicazioneCronometrata app(argc, argv);
    app.osserva([](QWidget* w) { return w->objectName() == QLatin1String("prima"); });
    QWidget prima;
    prima.setObjectName(QStringLiteral("prima"));
    prima.setFixedSize(750, 550);
    if (testo) (new QLabel(QStringLiteral("Ponderino"), &prima))->move(20, 20);
    prima.show();
    const std::int64_t primoFrame = app.attendiPrimoFrame();
    const std::int64_t cpuPrimoFrame = app.cpuAlFrame();

    app.osserva([](QWidget* w) { return w->objectName() == QLatin1String("seconda"); });
    const std::int64_t clic = adessoNs();
    auto seconda = std::make_unique<QWidget>();
    seconda->setObjectName(QStringLiteral("seconda"));
    seconda->setFixedSize(750, 552);
    if (testo) (new QLabel(QStringLiteral("Form calcolo"), seconda.get()))->move(20, 20);
    seconda->show();
    const std::int64_t secondaFrame = app.attendiPrimoFrame();
    const long picco = piccoMemoriaKb();

    std::printf("main=%lld primo_frame=%lld cpu_primo_frame=%lld continua=%lld picco_kb=%ld\n",
                static_cast<long long>(inizio), static_cast<long long>(primoFrame),
                static_cast<long long>(cpuPrimoFrame),
                static_cast<long long>(secondaFrame - clic), picco);
    std::fflush(stdout);
    return 0;
}
