// Start-up probe for the program: starts exactly as the program does (application set-up,
// then the start screen) and prints the line of cronometro_avvio.h once Form1's first
// frame is complete. Run it in the folder holding the picture files.

#include "bench/cronometro_avvio.h"
#include "screens/mostra.h"
#include "screens/start/Form1.h"

int main(int argc, char* argv[]) {
    const long long inizio = ponderino::banco::adessoNs();
    ponderino::banco::ApplicazioneCronometrata app(argc, argv);
    ponderino::preparaApplicazione();
    ponderino::mostra<ponderino::Form1>();
    return app.misura(inizio);
}
