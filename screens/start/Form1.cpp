#include "screens/start/Form1.h"

#include "screens/calc/Form2.h"
#include "screens/mostra.h"
#include "screens/piattaforma.h"
#include "screens/start/informazioni.h"

namespace ponderino {

namespace {

// The frame left around the title picture by its box.
constexpr Colore cornice{96, 96, 96};

const ProgettoFinestra progetto{"PONDERINO", 11250, 8250, -1, -1, sans825,
                                sistema, sistema, ":/disegni/icona.png", nullptr, false};

// clang-format off
const Controllo controlli[] = {
// name        kind             container  Left   Top  Width  Height picture / caption          font      back     text     align             Tab
{"Picture1",   Tipo::Pannello,  "",           0,    0, 11295, 8295, ":/disegni/form1_tessera.png", nessuno,  sistema, sistema, Allinea::Sinistra, 0},
{"Picture2",   Tipo::Pannello,  "Picture1", 1560,  120,  8055, 6735, ":/disegni/titolo.png",     nessuno,  cornice, sistema, Allinea::Sinistra, 5},
{"Picture3",   Tipo::Pannello,  "Picture1",  120, 7200, 11055,  855, nullptr,                    nessuno,  teal,    sistema, Allinea::Sinistra, 1},
{"Image1",     Tipo::Immagine,  "Picture2", 6000, 5760,  1740,  720, ":/disegni/autore.png",     nessuno,  sistema, sistema, Allinea::Sinistra, -1},
{"Command3",   Tipo::Pulsante,  "Picture3", 8760,  120,  1935,  495, "&Termina",                 sans975b, sistema, sistema, Allinea::Centro,   4},
{"Command2",   Tipo::Pulsante,  "Picture3", 4440,  120,  1935,  495, "&Continua",                sans975b, sistema, sistema, Allinea::Centro,   3},
{"Command1",   Tipo::Pulsante,  "Picture3",  360,  120,  1935,  495, "&Informazioni",            sans975b, sistema, sistema, Allinea::Centro,   2},
};
// clang-format on

}  // namespace

Form1::Form1() {
    costruisci(progetto, controlli);
    Picture1 = controllo<Riquadro>("Picture1");
    // The wallpaper is one block of tiles repeated: the same look as a whole-window
    // picture for a fraction of the decoding and memory.
    Picture1->setAffiancata(true);
    Picture2 = controllo<Riquadro>("Picture2");
    Picture3 = controllo<Riquadro>("Picture3");
    Image1 = controllo<Cliccabile>("Image1");
    Command1 = controllo<QPushButton>("Command1");
    Command2 = controllo<QPushButton>("Command2");
    Command3 = controllo<QPushButton>("Command3");
    Image1->setAccessibleName(QStringLiteral("Autore"));
    Picture2->setAccessibleName(QStringLiteral("Ponderino, il calcolo del peso ideale"));
    Image1->setCursor(Qt::PointingHandCursor);

    connect(Command1, &QPushButton::clicked, this, [] { mostra<form7>(); });
    connect(Command2, &QPushButton::clicked, this, [] {
        // Reaching the calculation screen fails quietly: the start screen stays as it is.
        try {
            mostra<Form2>();
        } catch (...) {
        }
    });
    connect(Command3, &QPushButton::clicked, this, [] { piattaforma().terminaProgramma(); });
    connect(Image1, &Cliccabile::clicked, this, [] { mostra<Form5>(); });
}

}  // namespace ponderino
