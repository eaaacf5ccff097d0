#include "screens/tabelle.h"

#include <algorithm>

namespace ponderino {

namespace {

constexpr auto P = Tipo::Pannello;
constexpr auto E = Tipo::Etichetta;
constexpr auto C = Tipo::Casella;
constexpr auto B = Tipo::Pulsante;
constexpr auto S = Allinea::Sinistra;
constexpr auto M = Allinea::Centro;

// --- Form1: the start screen ---------------------------------------------------------------
// The wallpaper Picture1 is one block of tiles repeated: the same look as a whole-window
// picture for a fraction of the decoding and memory.
// The frame left around the title picture by its box.
constexpr Colore cornice{96, 96, 96};

constexpr ProgettoFinestra progetto1{"PONDERINO", 11250, 8250, -1, -1, sans825,
                                     sistema, sistema, ":/disegni/icona.png", nullptr, false};

// clang-format off
constexpr Controllo controlli1[] = {
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

// --- Form2: the calculation screen ---------------------------------------------------------
constexpr ProgettoFinestra progetto2{
    "Form calcolo", 11250, 8280, -1, -1, sans825, sistema, sistema, nullptr, nullptr, false};

// Rows within one container stand front first.
// clang-format off
constexpr Controllo controlli2[] = {
// name          kind container   Left   Top  Width Height caption / text / picture                      font      back          text     align Tab
// Children of the window, all in front of the backdrop.
{"Command15",    B, "",          8520,  240, 1095,  495, "Formula Perrault",                             sans825,  sistema,      sistema, M, 49},
{"Command14",    B, "",          5760,  240, 1095,  495, "    Formula      VanDerVael",                  sans825,  sistema,      sistema, M, 48},
{"Command13",    B, "",          7200,  240, 1095,  495, "Formula Broca",                                sans825,  sistema,      sistema, M, 47},
{"Command12",    B, "",          1800,  240, 1095,  495, "Formula Bertheam",                             sans825,  sistema,      sistema, M, 46},
{"Command2",     B, "",          4920, 7680, 1575,  375, "&Help metodi",                                 sans825b, marrone,      sistema, M, 44},
{"Text4(4)",     C, "",          6600, 4440,  735,  285, "Cm",                                           sans825b, sistema,      sistema, M, 40},
{"Text4(3)",     C, "",          6600, 3960,  735,  285, "Cm",                                           sans825b, sistema,      sistema, M, 39},
{"Text4(2)",     C, "",          6600, 3480,  735,  285, "Cm",                                           sans825b, sistema,      sistema, M, 38},
{"Text4(1)",     C, "",          6600, 3000,  735,  285, "Cm",                                           sans825b, sistema,      sistema, M, 37},
{"lorent",       B, "",           360,  240, 1095,  495, "Indice di Lorentz",                            sans825,  sistema,      sistema, M, 15},
{"Command5",     B, "",          3120,  240, 1095,  495, "Indice di Gautrelet",                          sans825,  sistema,      sistema, M, 14},
{"Command6",     B, "",          4440,  240, 1095,  495, "Formula di Enrhart",                           sans825,  sistema,      sistema, M, 13},
{"Command7",     B, "",          9840,  240, 1095,  495, "B.M.I.",                                       sans825,  marrone,      sistema, M, 12},
{"Command8",     B, "",          7800, 5040, 3135,  375, "&Pulisci dati per un nuovo utente",            sans825b, sistema,      sistema, M, 11},
{"Command9",     B, "",          9360, 7680, 1575,  375, "&Esci",                                        sans825b, sistema,      sistema, M, 10},
{"Command10",    B, "",           360, 7680, 1575,  375, "&Stampa",                                      sans825b, sistema,      sistema, M,  9},
{"Picture1",     P, "",             0,    0, 11775, 8295, ":/disegni/form2_sfondo.png",                  nessuno,  sistema,      sistema, S,  8},
// On the backdrop.
{"help1",        P, "Picture1",  5400, 5760, 4095, 1335, ":/disegni/sollevatori.png",                    nessuno,  sistema,      sistema, S, 45},
{"Command11",    B, "Picture1",  2760, 3000,  735,  255, "&?",                                           sans825b, sistema,      sistema, M, 43},
{"Command3",     B, "Picture1",  2760, 2520,  735,  255, "&?",                                           sans825b, sistema,      sistema, M, 42},
{"Command1",     B, "Picture1",  2760, 2040,  735,  255, "&?",                                           sans825b, sistema,      sistema, M, 41},
{"Picture5",     P, "Picture1",   120, 7440, 11055,  735, nullptr,                                       nessuno,  teal,         sistema, S, 28},
{"Picture2",     P, "Picture1",  3600,  960, 7575, 6255, nullptr,                                        nessuno,  blu_notte,    sistema, S, 19},
{"Picture3",     P, "Picture1",   120,  120, 11055,  735, nullptr,                                       nessuno,  teal,         sistema, S, 18},
// On the main panel.
{"Command4",     B, "Picture2",   120, 4320, 3615,  375, "&Conferma qui i dati prima di continuare",     sans825b, bianco,       sistema, M,  7},
{"formula",      P, "Picture2",  3840, 1440, 3495, 1095, ":/disegni/lavagnetta.png",                     nessuno,  sistema,      sistema, S, 35},
{"Text5",        C, "Picture2",  5760, 3360, 1095,  375, " Kg",                                          sans975b, giallo_chiaro, sistema, M, 34},
{"kgp",          C, "Picture2",  4440, 3360, 1095,  375, "",                                             sans12b,  bianco,       sistema, M, 33},
{"text2",        C, "Picture2",  3840, 2760, 3495,  375, " Il tuo peso ideale o indice e' di ",          sans975b, giallino,     sistema, M, 32},
{"Text3",        C, "Picture2",  3840,  840, 3495,  375, " Il metodo di calcolo usa questa formula",     sans825b, giallino,     sistema, S, 31},
{"metodo",       C, "Picture2",  5280,  240, 2055,  375, "",                                             sans975b, sistema,      nero,    M, 30},
{"Text1",        C, "Picture2",  3840,  240, 1335,  375, " Secondo ",                                    sans975b, giallino,     sistema, M, 29},
{"Picture4",     P, "Picture2",   120,  240, 3615, 3975, nullptr,                                        nessuno,  nero,         sistema, S, 20},
// On the data-entry panel, row by row.
{"Label2(0)",    E, "Picture4",   120,  240, 1695,  375, " Nome soggetto",                               sans825b, sistema,      sistema, S, 27},
{"nome",         C, "Picture4",  1920,  240, 1575,  315, "",                                             arial9b,  sistema,      sistema, M,  0},
{"Label2(1)",    E, "Picture4",   120,  720, 1695,  375, " Eta' soggetto",                               sans825b, sistema,      sistema, S, 26},
{"eta",          C, "Picture4",  1920,  750,  735,  285, "",                                             arial9b,  sistema,      sistema, M,  1},
{"Text4(5)",     C, "Picture4",  2760,  720,  735,  285, "Anni",                                         sans825b, sistema,      sistema, M, 50},
{"Label2(2)",    E, "Picture4",   120, 1200, 1695,  375, " Peso attuale",                                sans825b, sistema,      sistema, S, 25},
{"peso",         C, "Picture4",  1920, 1230,  735,  285, "",                                             arial9b,  sistema,      sistema, M,  2},
{"Text4(0)",     C, "Picture4",  2760, 1200,  735,  285, "Kg",                                           sans825b, sistema,      sistema, M, 36},
{"Label2(3)",    E, "Picture4",   120, 1680, 1695,  375, " Larghezza spalle",                            sans825b, sistema,      sistema, S, 24},
{"spalle",       C, "Picture4",  1920, 1710,  735,  285, "",                                             arial9b,  sistema,      sistema, M,  3},
{"Label2(4)",    E, "Picture4",   120, 2160, 1695,  375, " Circonf. torace",                             sans825b, sistema,      sistema, S, 23},
{"torace",       C, "Picture4",  1920, 2190,  735,  285, "",                                             arial9b,  sistema,      sistema, M,  4},
{"Label2(5)",    E, "Picture4",   120, 2640, 1695,  375, " Circonf. vita",                               sans825b, sistema,      sistema, S, 22},
{"vita",         C, "Picture4",  1920, 2670,  735,  285, "",                                             arial9b,  sistema,      sistema, M,  5},
{"Label2(6)",    E, "Picture4",   120, 3120, 1695,  375, " Altezza soggetto",                            sans825b, sistema,      sistema, S, 21},
{"alt",          C, "Picture4",  1920, 3150,  735,  285, "",                                             arial9b,  sistema,      sistema, M,  6},
};
// clang-format on

// --- form7 -------------------------------------------------------------------------------
constexpr ProgettoFinestra progetto7{"Informazioni", 5250, 4290, 4995, 3990, sans975b,
                                     nero, verde, nullptr, nullptr, true};
constexpr Controllo controlli7[] = {
    {"Command1", B, "", 3600, 3960, 1455, 255, "&Esci", sans825b, nero, verde, M, 0},
};
constexpr const char* testo7[] = {
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
// The one line that names the edition.
#if defined(PONDERINO_EDIZIONE_WEB)
#define PONDERINO_VERSIONE_PER "Versione 1.0 per il browser"
#elif defined(_WIN32)
#define PONDERINO_VERSIONE_PER "Versione 1.0 per Windows"
#else
#define PONDERINO_VERSIONE_PER "Versione 1.0 per il desktop Linux"
#endif
constexpr ProgettoFinestra progetto5{"AUTORE", 4710, 2415, 5265, 3990, sans825,
                                     nero, sistema, nullptr, nullptr, false};
// clang-format off
constexpr Controllo controlli5[] = {
    {"Label1", E, "",  120,  120, 4455, 495, "Ponderino",                                sans18,   nero,    verde,   M, 0},
    {"Label2", E, "",  120,  720, 4455, 495, "Calcolo del peso ideale con otto metodi",  sans975b, nero,    verde,   S, 1},
    {"Label3", E, "", 120, 1320, 4455, 375, PONDERINO_VERSIONE_PER,                      sans975b, nero,    verde,   S, 2},
    {"Label4", E, "", 120, 1680, 2895, 375, "Programma libero",                          sans975b, nero,    verde,   S, 3},
    {"Label5", E, "", 3240, 1800, 1215, 375, "Esci",                                     sans12b,  sistema, sistema, M, 4},
};
// clang-format on

// --- Form3 -------------------------------------------------------------------------------
constexpr ProgettoFinestra progetto3{"Avviso", 4680, 3195, 5205, 4365, sans135b,
                                     sistema, blu, nullptr, nullptr, false};
constexpr Controllo controlli3[] = {
    {"Command1", B, "", 1920, 2520, 975, 495, "&Esci", sans825, sistema, sistema, M, 0},
};
constexpr const char* testo3[] = {
    "",
    "              PONDERINO",
    "",
    "  Per la spiegazione dei metodi",
    "  Leggi il file Help.htm allegato",
    "  al programma.",
};

// --- form4 -------------------------------------------------------------------------------
constexpr ProgettoFinestra progetto4{"Info", 4380, 2160, 5580, 4545, sans825,
                                     giallino, sistema, nullptr, ":/disegni/form4_sfondo.png", false};
constexpr Controllo controlli4[] = {
    {"Command1", B, "", 1560, 1680, 1215, 375, "&Esci", sans825, sistema, sistema, M, 0},
};

using PM = MetodoCalcolo;

}  // namespace

// clang-format off
constinit const std::array<RigaMetodo, 8> metodiForm2{{
    {"lorent",    PM::Lorentz,    "LORENTZ",      "Index", "lore.bmp",   true,  false},
    {"Command12", PM::Bertheam,   "BERTHEAM",     "Kg",    "berth.bmp",  true,  true},
    {"Command5",  PM::Gautrelet,  "GAUTRELET",    "Kg",    "gautr.bmp",  false, false},
    {"Command6",  PM::Enrhart,    "ENRHART",      "Kg",    "enrh.bmp",   false, false},
    {"Command14", PM::VanDerVael, "VAN DER VAEL", "Kg",    "vander.bmp", true,  true},
    {"Command13", PM::Broca,      "BROCA",        "Kg",    "broca.bmp",  true,  true},
    {"Command15", PM::Perrault,   "PERRAULT",     "Kg",    "perra.bmp",  true,  true},
    {"Command7",  PM::Bmi,        "B.M.I.",       "Index", "bmi2.bmp",   false, false},
}};
// clang-format on

constinit const std::array<RigaGuida, 3> guideForm2{{
    {"Command1", "biac.bmp", "grayne1.bmp"},
    {"Command3", "tora.bmp", "grayne3.bmp"},
    {"Command11", "vita.bmp", "grayne2.bmp"},
}};

// clang-format off
constinit const std::array<RigaComando, 13> comandi{{
    {"Form1", "Command1",  Comando::Mostra,   "form7"},
    {"Form1", "Command2",  Comando::Mostra,   "Form2"},
    {"Form1", "Command3",  Comando::Termina,  nullptr},
    {"Form1", "Image1",    Comando::Mostra,   "Form5"},
    {"form7", "Command1",  Comando::Mostra,   "Form1"},
    {"Form5", "Label5",    Comando::Mostra,   "Form1"},
    {"Form3", "Command1",  Comando::Mostra,   "Form2"},
    {"form4", "Command1",  Comando::Mostra,   "Form2"},
    {"Form2", "Command2",  Comando::Mostra,   "Form3"},
    {"Form2", "Command4",  Comando::Conferma, "form4"},
    {"Form2", "Command8",  Comando::Pulisci,  nullptr},
    {"Form2", "Command9",  Comando::Esci,     nullptr},
    {"Form2", "Command10", Comando::Stampa,   nullptr},
}};
// clang-format on

constinit const std::array<NomeAccessibile, 10> nomiAccessibili{{
    {"Form1", "Picture2", "Ponderino, il calcolo del peso ideale"},
    {"Form1", "Image1", "Autore"},
    {"Form2", "kgp", "Risultato"},
    {"Form2", "metodo", "Metodo"},
    {"Form2", "Text5", "Unità del risultato"},
    {"Form2", "formula", "Formula del metodo"},
    {"Form2", "help1", "Guida alle misure"},
    {"Form2", "Command1", "Come misurare la larghezza delle spalle"},
    {"Form2", "Command3", "Come misurare la circonferenza del torace"},
    {"Form2", "Command11", "Come misurare la circonferenza della vita"},
}};

constinit const std::array<RigaCampo, 7> righeCampi{{
    {"Label2(0)", "nome", nullptr, &DatiSoggetto::nome},
    {"Label2(1)", "eta", "Text4(5)", &DatiSoggetto::eta},
    {"Label2(2)", "peso", "Text4(0)", &DatiSoggetto::peso},
    {"Label2(3)", "spalle", "Text4(1)", &DatiSoggetto::spalle},
    {"Label2(4)", "torace", "Text4(2)", &DatiSoggetto::torace},
    {"Label2(5)", "vita", "Text4(3)", &DatiSoggetto::vita},
    {"Label2(6)", "alt", "Text4(4)", &DatiSoggetto::alt},
}};

DatiSoggetto datiDaiCampi(const std::function<std::string(const char* campo)>& testo) {
    DatiSoggetto dati;
    for (const RigaCampo& r : righeCampi) dati.*r.misura = testo(r.campo);
    return dati;
}

constinit const std::array<const char*, 9> svuotaPulisci{"vita", "torace", "nome", "eta", "alt",
                                                         "peso", "spalle", "kgp",  "metodo"};

constinit const TabellaFinestra tabellaForm1{"Form1", progetto1, controlli1, {}, "Picture1"};
constinit const TabellaFinestra tabellaForm2{"Form2", progetto2, controlli2, {}, nullptr};
constinit const TabellaFinestra tabellaForm7{"form7", progetto7, controlli7, testo7, nullptr};
constinit const TabellaFinestra tabellaForm5{"Form5", progetto5, controlli5, {}, nullptr};
constinit const TabellaFinestra tabellaForm3{"Form3", progetto3, controlli3, testo3, nullptr};
constinit const TabellaFinestra tabellaForm4{"form4", progetto4, controlli4, {}, nullptr};

constinit const std::array<const TabellaFinestra*, 6> tabelleFinestre{
    &tabellaForm1, &tabellaForm2, &tabellaForm7, &tabellaForm5, &tabellaForm3, &tabellaForm4};

}  // namespace ponderino

namespace ponderino {

namespace {

const Controllo* trova(const TabellaFinestra& t, std::string_view nome) {
    for (const Controllo& c : t.controlli)
        if (nome == c.nome) return &c;
    return nullptr;
}

std::string_view contenitore(const Controllo& c) { return c.contenitore ? c.contenitore : ""; }

}  // namespace

AreaPixel areaPixel(const TabellaFinestra& t, const Controllo& c) {
    AreaPixel a{pixel(c.left), pixel(c.top), pixel(c.width), pixel(c.height)};
    for (const Controllo* p = trova(t, contenitore(c)); p; p = trova(t, contenitore(*p))) {
        a.x += pixel(p->left);
        a.y += pixel(p->top);
    }
    return a;
}

std::vector<const Controllo*> ordineDiTab(const TabellaFinestra& t) {
    std::vector<const Controllo*> ordine;
    for (const Controllo& c : t.controlli)
        if (c.tabIndex >= 0 && prendeFuoco(c)) ordine.push_back(&c);
    std::stable_sort(ordine.begin(), ordine.end(),
                     [](const Controllo* a, const Controllo* b) { return a->tabIndex < b->tabIndex; });
    return ordine;
}

std::vector<const Controllo*> ordineDiPittura(const TabellaFinestra& t) {
    std::vector<const Controllo*> ordine;
    const std::function<void(std::string_view)> dipingi = [&](std::string_view dentro) {
        for (auto c = t.controlli.rbegin(); c != t.controlli.rend(); ++c) {
            if (contenitore(*c) != dentro) continue;
            ordine.push_back(&*c);
            dipingi(c->nome);
        }
    };
    dipingi("");
    return ordine;
}

Didascalia pezziDidascalia(std::string_view testo) {
    Didascalia d;
    std::string* pezzo = &d.prima;
    for (std::size_t i = 0; i < testo.size(); ++i) {
        if (testo[i] != '&') {
            *pezzo += testo[i];
        } else if (i + 1 < testo.size() && testo[i + 1] == '&') {
            *pezzo += testo[++i];
        } else if (i + 1 < testo.size() && d.tasto.empty()) {
            d.tasto = testo[++i];
            // The whole character, when it takes more than one byte of UTF-8.
            while (i + 1 < testo.size() && (static_cast<unsigned char>(testo[i + 1]) & 0xC0) == 0x80) d.tasto += testo[++i];
            pezzo = &d.dopo;
        }
    }
    return d;
}

std::string nomeAccessibile(const TabellaFinestra& t, const Controllo& c) {
    for (const NomeAccessibile& n : nomiAccessibili)
        if (std::string_view(n.finestra) == t.nome && std::string_view(n.controllo) == c.nome) return n.nome;
    for (const RigaCampo& r : righeCampi)
        if (std::string_view(r.campo) == c.nome)
            if (const Controllo* etichetta = trova(t, r.etichetta)) return nomeAccessibile(t, *etichetta);
    std::string testo = c.testo ? c.testo : "";
    switch (c.tipo) {
    case Tipo::Pulsante: {
        const Didascalia d = pezziDidascalia(testo);
        testo = d.prima + d.tasto + d.dopo;
        break;
    }
    case Tipo::Etichetta:
    case Tipo::Casella: break;
    case Tipo::Pannello:
    case Tipo::Immagine: return {};
    }
    // Spaces and line breaks as one space, none at the ends.
    std::string nome;
    for (const char ch : testo) {
        const bool spazio = ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r';
        if (!spazio) nome += ch;
        else if (!nome.empty() && nome.back() != ' ') nome += ' ';
    }
    if (!nome.empty() && nome.back() == ' ') nome.pop_back();
    return nome;
}

}  // namespace ponderino
