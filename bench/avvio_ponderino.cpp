// Start-up probe for the program: starts exactly as the program does (application set-up,
// then the start screen), and reports on one line of standard output
//   main=<ns> primo_frame=<ns> cpu_primo_frame=<ns> continua=<ns> picco_kb=<KiB>
//   primo_clic=<ns> cpu_primo_clic=<ns> prima_conferma=<ns> cpu_prima_conferma=<ns>
// main and primo_frame are CLOCK_MONOTONIC instants (entry to main, first frame of Form1
// complete), cpu_primo_frame the CPU time the process had used by then, continua the time
// from the click on "&Continua" to the first frame of Form2, picco_kb the peak resident
// memory with Form2 shown. Then, with the seven measures typed, the first click on
// "Formula Broca" and the first confirmation of this process, wall and CPU time each: the
// first of each pays for what is loaded on first use. Run it in a folder holding the
// picture files; it writes dati.txt there. bench_finestre runs it.

#include "bench/cronometro_avvio.h"
#include "screens/calc/Form2.h"
#include "screens/mostra.h"
#include "screens/piattaforma.h"
#include "screens/start/Form1.h"

#include <cstdio>

using namespace ponderino;
using namespace ponderino::banco;

int main(int argc, char* argv[]) {
    const std::int64_t inizio = adessoNs();
    ApplicazioneCronometrata app(argc, argv);
    app.osserva([](QWidget* w) { return qobject_cast<Form1*>(w) != nullptr; });
    preparaApplicazione();
    Form1* form1 = mostra<Form1>();
    const std::int64_t primoFrame = app.attendiPrimoFrame();
    const std::int64_t cpuPrimoFrame = app.cpuAlFrame();

    app.osserva([](QWidget* w) { return qobject_cast<Form2*>(w) != nullptr; });
    const std::int64_t clic = adessoNs();
    form1->Command2->click();
    const std::int64_t primoFrameForm2 = app.attendiPrimoFrame();
    const long picco = piccoMemoriaKb();

    // The commands, timed from the click to the handler's return. A message box would
    // mean the command failed: it is counted instead of shown.
    int messaggi = 0;
    piattaforma().messaggio = [&messaggi](QWidget*, const Messaggio&) { ++messaggi; };
    Form2* form2 = esistente<Form2>();
    if (!form2) return 1;
    form2->nome->setText(QStringLiteral("Mario Rossi"));
    form2->eta->setText(QStringLiteral("30"));
    form2->peso->setText(QStringLiteral("70"));
    form2->spalle->setText(QStringLiteral("40"));
    form2->torace->setText(QStringLiteral("90"));
    form2->vita->setText(QStringLiteral("80"));
    form2->alt->setText(QStringLiteral("175"));
    QCoreApplication::processEvents();
    const auto cronometra = [](QPushButton* pulsante, std::int64_t& reale, std::int64_t& cpu) {
        const std::int64_t t = adessoNs(), c = cpuNs();
        pulsante->click();
        reale = adessoNs() - t;
        cpu = cpuNs() - c;
    };
    std::int64_t clicReale = 0, clicCpu = 0, confermaReale = 0, confermaCpu = 0;
    cronometra(form2->Command13, clicReale, clicCpu);
    cronometra(form2->Command4, confermaReale, confermaCpu);

    std::printf("main=%lld primo_frame=%lld cpu_primo_frame=%lld continua=%lld picco_kb=%ld "
                "primo_clic=%lld cpu_primo_clic=%lld prima_conferma=%lld cpu_prima_conferma=%lld\n",
                static_cast<long long>(inizio), static_cast<long long>(primoFrame),
                static_cast<long long>(cpuPrimoFrame), static_cast<long long>(primoFrameForm2 - clic),
                picco, static_cast<long long>(clicReale), static_cast<long long>(clicCpu),
                static_cast<long long>(confermaReale), static_cast<long long>(confermaCpu));
    std::fflush(stdout);
    return messaggi == 0 ? 0 : 1;
}
