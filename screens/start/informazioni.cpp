#include "screens/start/informazioni.h"

#include "screens/calc/Form2.h"
#include "screens/mostra.h"
#include "screens/start/Form1.h"

namespace ponderino {

namespace {

constexpr auto B = Tipo::Pulsante;
constexpr auto E = Tipo::Etichetta;
constexpr auto S = Allinea::Sinistra;
constexpr auto M = Allinea::Centro;

// --- form7 -------------------------------------------------------------------------------
const ProgettoFinestra progetto7{"Informazioni", 5250, 4290, 4995, 3990, sans975b,
                                 nero, verde, nullptr, nullptr, true};
const Controllo controlli7[] = {
    {"Command1", B, "", 3600, 3960, 1455, 255, "&Esci", sans825b, nero, verde, M, 0},
};
const char* const testo7[] = {
    "",
    " Il  programma      PONDERINO  nasce  per ",
    " integrare le informazioni personali orientate alla ",
    " determinazione   del   proprio   peso  corporeo.",
    " A differenza della formula del B.M.I. normalmente",
    " usata, nella  quale  vengono utilizzati dati di ",
    " ordine generico quali il peso e l'altezza, questo",
    " programma utilizza vari metodi  per detrminare il",
    " peso ideale di un soggetto.",
    " All'  interno  infatti   verranno  richiesti dati",
    " relativi  alla  conformazione fisica dell' utente",
    " il  quale  alla fine potra' dedurre un quadro piu'",
    " dettagliato della situazione personale.",
    " I metodi  di  calcolo  illustrati  sono  descritti",
    " in un volume di fisiochinesiterapia,o tratti dalla",
    "rete.",
};

// --- Form5 -------------------------------------------------------------------------------
#ifdef _WIN32
#define PONDERINO_VERSIONE_PER "Versione 1.0 per Windows"
#else
#define PONDERINO_VERSIONE_PER "Versione 1.0 per il desktop Linux"
#endif
const ProgettoFinestra progetto5{"AUTORE", 4710, 2415, 5265, 3990, sans825,
                                 nero, sistema, nullptr, nullptr, false};
// clang-format off
const Controllo controlli5[] = {
    {"Label1", E, "",  120,  120, 4455, 495, "Ponderino",                                sans18,   nero,    verde,   M, 0},
    {"Label2", E, "",  120,  720, 4455, 495, "Calcolo del peso ideale con otto metodi",  sans975b, nero,    verde,   S, 1},
    {"Label3", E, "", 120, 1320, 4455, 375, PONDERINO_VERSIONE_PER,                      sans975b, nero,    verde,   S, 2},
    {"Label4", E, "", 120, 1680, 2895, 375, "Programma libero",                          sans975b, nero,    verde,   S, 3},
    {"Label5", E, "", 3240, 1800, 1215, 375, "Esci",                                     sans12b,  sistema, sistema, M, 4},
};
// clang-format on

// --- Form3 -------------------------------------------------------------------------------
const ProgettoFinestra progetto3{"Avviso", 4680, 3195, 5205, 4365, sans135b,
                                 sistema, blu, nullptr, nullptr, false};
const Controllo controlli3[] = {
    {"Command1", B, "", 1920, 2520, 975, 495, "&Esci", sans825, sistema, sistema, M, 0},
};
const char* const testo3[] = {
    "",
    "              PONDERINO",
    "",
    "  Per la spiegazione dei metodi",
    "  Leggi il file Help.htm allegato",
    "  al programma.",
};

// --- form4 -------------------------------------------------------------------------------
const ProgettoFinestra progetto4{"Info", 4380, 2160, 5580, 4545, sans825,
                                 giallino, sistema, nullptr, ":/disegni/form4_sfondo.png", false};
const Controllo controlli4[] = {
    {"Command1", B, "", 1560, 1680, 1215, 375, "&Esci", sans825, sistema, sistema, M, 0},
};

}  // namespace

form7::form7() {
    costruisci(progetto7, controlli7);
    Command1 = controllo<QPushButton>("Command1");
    connect(Command1, &QPushButton::clicked, this, [] { mostra<Form1>(); });
}

void form7::carica() {
    for (const char* riga : testo7) stampa(QString::fromUtf8(riga));
}

Form5::Form5() {
    costruisci(progetto5, controlli5);
    Label1 = controllo<Cliccabile>("Label1");
    Label2 = controllo<Cliccabile>("Label2");
    Label3 = controllo<Cliccabile>("Label3");
    Label4 = controllo<Cliccabile>("Label4");
    Label5 = controllo<Cliccabile>("Label5");
    Label5->setCursor(Qt::PointingHandCursor);
    connect(Label5, &Cliccabile::clicked, this, [] { mostra<Form1>(); });
}

Form3::Form3() {
    costruisci(progetto3, controlli3);
    Command1 = controllo<QPushButton>("Command1");
    connect(Command1, &QPushButton::clicked, this, [] { mostra<Form2>(); });
}

void Form3::carica() {
    setPersistenza(true);
    for (const char* riga : testo3) stampa(QString::fromUtf8(riga));
}

form4::form4() {
    costruisci(progetto4, controlli4);
    Command1 = controllo<QPushButton>("Command1");
    connect(Command1, &QPushButton::clicked, this, [] { mostra<Form2>(); });
}

void form4::carica() { setPersistenza(true); }

}  // namespace ponderino
