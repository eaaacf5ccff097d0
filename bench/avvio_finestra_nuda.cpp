// Start-up probe for the baseline: a bare Qt window of the start screen's size with one
// label, which is enough to bring in the font machinery (fontconfig, FreeType, HarfBuzz)
// any text needs. Same build flags and same line as avvio_ponderino.cpp.

#include "bench/cronometro_avvio.h"

#include <QLabel>

int main(int argc, char* argv[]) {
    const long long inizio = ponderino::banco::adessoNs();
    ponderino::banco::ApplicazioneCronometrata app(argc, argv);
    QWidget finestra;
    finestra.setFixedSize(750, 550);
    (new QLabel(QStringLiteral("Ponderino"), &finestra))->move(20, 20);
    finestra.show();
    return app.misura(inizio);
}
