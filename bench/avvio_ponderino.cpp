// Start-up probe for the program: starts exactly as the program does (application set-up,
// then the start screen), and reports on one line of standard output
//   main=<ns> primo_frame=<ns> cpu_primo_frame=<ns> continua=<ns> picco_kb=<KiB>
// main and primo_frame are CLOCK_MONOTONIC instants (entry to main, first frame of Form1
// complete), cpu_primo_frame the CPU time the process had used by then, continua the time
// from the click on "&Continua" to the first frame of Form2, picco_kb the peak resident
// memory with Form2 shown. bench_finestre runs it.

#include "bench/cronometro_avvio.h"
#include "screens/calc/Form2.h"
#include "screens/mostra.h"
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
    const std::int64_t form2 = app.attendiPrimoFrame();
    const long picco = piccoMemoriaKb();

    std::printf("main=%lld primo_frame=%lld cpu_primo_frame=%lld continua=%lld picco_kb=%ld\n",
                static_cast<long long>(inizio), static_cast<long long>(primoFrame),
                static_cast<long long>(cpuPrimoFrame),
                static_cast<long long>(form2 - clic), picco);
    std::fflush(stdout);
    return esistente<Form2>() ? 0 : 1;
}
