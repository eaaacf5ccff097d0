#include "screens/calc/Form2.h"

#include "core/risultati.h"
#include "report/stampa.h"
#include "screens/mostra.h"
#include "screens/piattaforma.h"
#include "screens/start/informazioni.h"

#include <QLocale>
#include <QPointer>

#include <array>

namespace ponderino {

namespace {

constexpr auto P = Tipo::Pannello;
constexpr auto E = Tipo::Etichetta;
constexpr auto C = Tipo::Casella;
constexpr auto B = Tipo::Pulsante;
constexpr auto S = Allinea::Sinistra;
constexpr auto M = Allinea::Centro;

const ProgettoFinestra progetto{
    "Form calcolo", 11250, 8280, -1, -1, sans825, sistema, sistema, nullptr, nullptr, false};

// Rows within one container stand front first.
// clang-format off
const Controllo controlli[] = {
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

}  // namespace

// The method bar: every button runs the same procedure with its own row.
struct Form2::PulsanteMetodo {
    QPushButton* Form2::*pulsante;
    MetodoCalcolo metodo;
    const char* nome;      // put into metodo
    const char* unita;     // put into Text5
    const char* immagine;  // formula picture file
    bool svuotaUnita;      // empties Text5 first
    bool persistenza;      // switches drawing persistence on
};

namespace {
using PM = MetodoCalcolo;
}

// clang-format off
static const std::array<Form2::PulsanteMetodo, 8> pulsantiMetodo{{
    {&Form2::lorent,    PM::Lorentz,    "LORENTZ",      "Index", "lore.bmp",   true,  false},
    {&Form2::Command12, PM::Bertheam,   "BERTHEAM",     "Kg",    "berth.bmp",  true,  true},
    {&Form2::Command5,  PM::Gautrelet,  "GAUTRELET",    "Kg",    "gautr.bmp",  false, false},
    {&Form2::Command6,  PM::Enrhart,    "ENRHART",      "Kg",    "enrh.bmp",   false, false},
    {&Form2::Command14, PM::VanDerVael, "VAN DER VAEL", "Kg",    "vander.bmp", true,  true},
    {&Form2::Command13, PM::Broca,      "BROCA",        "Kg",    "broca.bmp",  true,  true},
    {&Form2::Command15, PM::Perrault,   "PERRAULT",     "Kg",    "perra.bmp",  true,  true},
    {&Form2::Command7,  PM::Bmi,        "B.M.I.",       "Index", "bmi2.bmp",   false, false},
}};
// clang-format on

// The measurement guides: the picture shown for a while, then the one left behind.
struct Form2::PulsanteGuida {
    QPushButton* Form2::*pulsante;
    const char* guida;
    const char* neutra;
};

static const std::array<Form2::PulsanteGuida, 3> pulsantiGuida{{
    {&Form2::Command1, "biac.bmp", "grayne1.bmp"},
    {&Form2::Command3, "tora.bmp", "grayne3.bmp"},
    {&Form2::Command11, "vita.bmp", "grayne2.bmp"},
}};

ImpostazioniRegionali impostazioniRegionali() {
    const QLocale locale = QLocale::system();
    return ImpostazioniRegionali{locale.decimalPoint().toStdString(),
                                 locale.groupSeparator().toStdString()};
}

Form2::Form2() {
    costruisci(progetto, controlli);

    const auto casella = [this](const char* n) { return controllo<QLineEdit>(n); };
    const auto pulsante = [this](const char* n) { return controllo<QPushButton>(n); };
    const auto riquadro = [this](const char* n) { return controllo<Riquadro>(n); };

    nome = casella("nome"), eta = casella("eta"), peso = casella("peso");
    spalle = casella("spalle"), torace = casella("torace"), vita = casella("vita");
    alt = casella("alt");
    Text1 = casella("Text1"), metodo = casella("metodo"), Text3 = casella("Text3");
    text2 = casella("text2"), kgp = casella("kgp"), Text5 = casella("Text5");
    for (int i = 0; i < 6; ++i) Text4[i] = casella(qPrintable(QStringLiteral("Text4(%1)").arg(i)));
    for (int i = 0; i < 7; ++i)
        Label2[i] = controllo<QLabel>(QStringLiteral("Label2(%1)").arg(i));
    Picture1 = riquadro("Picture1"), Picture2 = riquadro("Picture2"), Picture3 = riquadro("Picture3");
    Picture4 = riquadro("Picture4"), Picture5 = riquadro("Picture5");
    formula = riquadro("formula"), help1 = riquadro("help1");
    lorent = pulsante("lorent"), Command12 = pulsante("Command12"), Command5 = pulsante("Command5");
    Command6 = pulsante("Command6"), Command14 = pulsante("Command14");
    Command13 = pulsante("Command13"), Command15 = pulsante("Command15");
    Command7 = pulsante("Command7");
    Command4 = pulsante("Command4"), Command8 = pulsante("Command8");
    Command10 = pulsante("Command10"), Command2 = pulsante("Command2");
    Command9 = pulsante("Command9");
    Command1 = pulsante("Command1"), Command3 = pulsante("Command3");
    Command11 = pulsante("Command11");

    // A measure field is known by its label's text.
    QLineEdit* const campi[] = {nome, eta, peso, spalle, torace, vita, alt};
    for (int i = 0; i < 7; ++i) campi[i]->setAccessibleName(Label2[i]->text().trimmed());
    kgp->setAccessibleName(QStringLiteral("Risultato"));
    metodo->setAccessibleName(QStringLiteral("Metodo"));
    formula->setAccessibleName(QStringLiteral("Formula del metodo"));
    help1->setAccessibleName(QStringLiteral("Guida alle misure"));
    Command1->setAccessibleName(QStringLiteral("Come misurare la larghezza delle spalle"));
    Command3->setAccessibleName(QStringLiteral("Come misurare la circonferenza del torace"));
    Command11->setAccessibleName(QStringLiteral("Come misurare la circonferenza della vita"));

    for (const PulsanteMetodo& p : pulsantiMetodo)
        connect(this->*p.pulsante, &QPushButton::clicked, this, [this, &p] { eseguiMetodo(p); });
    for (const PulsanteGuida& g : pulsantiGuida)
        connect(this->*g.pulsante, &QPushButton::clicked, this, [this, &g] { eseguiGuida(g); });
    connect(Command4, &QPushButton::clicked, this, &Form2::conferma);
    connect(Command8, &QPushButton::clicked, this, &Form2::pulisci);
    connect(Command9, &QPushButton::clicked, this, &Form2::esci);
    connect(Command10, &QPushButton::clicked, this, &Form2::stampaRiepilogo);
    connect(Command2, &QPushButton::clicked, this, [] { mostra<Form3>(); });
}

DatiSoggetto Form2::leggiDati() const {
    return DatiSoggetto{nome->text().toStdString(),   eta->text().toStdString(),
                        peso->text().toStdString(),   spalle->text().toStdString(),
                        torace->text().toStdString(), vita->text().toStdString(),
                        alt->text().toStdString()};
}

QLineEdit* Form2::campo(std::string_view n) const {
    if (n == "nome") return nome;
    if (n == "eta") return eta;
    if (n == "peso") return peso;
    if (n == "spalle") return spalle;
    if (n == "torace") return torace;
    if (n == "vita") return vita;
    return alt;
}

void Form2::percorsoDatiMancanti(const std::vector<std::string_view>& campi) {
    const QString avviso = QString::fromUtf8(mancanoIDati.data(), mancanoIDati.size());
    for (std::string_view c : campi) {
        if (campo(c)->text().isEmpty()) stampa(avviso);
    }
    mostraMessaggio(this, avviso);
}

void Form2::eseguiMetodo(const PulsanteMetodo& p) {
    if (p.svuotaUnita) Text5->setText(QString());
    if (p.persistenza) setPersistenza(true);
    try {
        const ImpostazioniRegionali regionali = impostazioniRegionali();
        const double valore = calcolaMetodo(p.metodo, leggiDati(), regionali);
        kgp->setText(QString::fromStdString(testoRisultato(valore, regionali)));
        metodo->setText(QString::fromUtf8(p.nome));
        stampa(metodo->text());
        formula->setImmagine(caricaFileImmagine(QString::fromUtf8(p.immagine)));
        formula->setOrigine(QString::fromUtf8(p.immagine));
        Text5->setText(QString::fromUtf8(p.unita));
    } catch (const ErroreDati&) {
        percorsoDatiMancanti(campiMetodo(p.metodo));
    } catch (const std::exception& e) {
        // A formula picture that cannot be loaded is not missing data: say what it is.
        mostraMessaggio(this, QString::fromUtf8(e.what()));
    }
}

void Form2::conferma() {
    try {
        const RigaRisultati riga = calcolaRisultati(leggiDati(), impostazioniRegionali());
        scriviRisultati("dati.txt", riga);
    } catch (const ErroreDati&) {
        percorsoDatiMancanti({"alt", "torace"});
        return;
    } catch (const std::exception& e) {
        // The results could not be stored: the old file is intact, and the user is told why.
        mostraMessaggio(this, QString::fromUtf8(e.what()));
        return;
    }
    mostra<form4>();
}

void Form2::pulisci() {
    for (QLineEdit* c : {vita, torace, nome, eta, alt, peso, spalle, kgp, metodo}) c->clear();
    try {
        formula->setImmagine(caricaFileImmagine(QStringLiteral("gray.bmp")));
        formula->setOrigine(QStringLiteral("gray.bmp"));
        Text5->setText(QString());
        scriviZeri("dati.txt");
    } catch (const std::exception& e) {
        mostraMessaggio(this, QString::fromUtf8(e.what()));
    }
}

void Form2::esci() {
    try {
        scriviZeri("dati.txt");
    } catch (const std::exception& e) {
        mostraMessaggio(this, QString::fromUtf8(e.what()));
    }
    piattaforma().terminaProgramma();
}

void Form2::eseguiGuida(const PulsanteGuida& g) {
    // The window may be closed from its frame while the guide is held.
    const QPointer<Form2> io(this);
    try {
        help1->setImmagine(caricaFileImmagine(QString::fromUtf8(g.guida)));
        help1->setOrigine(QString::fromUtf8(g.guida));
        piattaforma().attendi(durataGuida);
        if (!io) return;
        help1->setImmagine(caricaFileImmagine(QString::fromUtf8(g.neutra)));
        help1->setOrigine(QString::fromUtf8(g.neutra));
    } catch (const std::exception& e) {
        if (io) mostraMessaggio(this, QString::fromUtf8(e.what()));
    }
}

void Form2::stampaRiepilogo() {
    const QDate oggi = piattaforma().oggi();
    const DataStampa data{oggi.day(), oggi.month(), oggi.year()};
    try {
        ponderino::stampaRiepilogo(leggiDati(), "dati.txt", data, impostazioniRegionali());
    } catch (const std::exception& e) {
        mostraMessaggio(this, QString::fromUtf8(e.what()));
        return;
    }
    for (const std::string& riga : righeData(data)) stampa(QString::fromStdString(riga));
}

}  // namespace ponderino
