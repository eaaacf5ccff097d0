// The windows' commands as steps, for both editions: what each click does, in order.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "screens/procedure.h"
#include "screens/tabelle.h"
#include "tests/esempio.h"

using namespace ponderino;

namespace {

// One step as "Azione controllo=valore", "Azione valore" or "Azione".
std::string descrivi(const Passo& p) {
    std::string s = nomeAzione(p.azione);
    if (!p.controllo.empty()) return s + " " + p.controllo + "=" + p.valore;
    return p.valore.empty() ? s : s + " " + p.valore;
}

struct Caso {
    const char* finestra;
    const char* controllo;
    DatiSoggetto dati;
    std::vector<std::string> passi;
    ImpostazioniRegionali regionali = regionaliItaliane;
};

using prova::byteEsempio;
using prova::mario;
const std::string mancano = "Mancano i dati ";
const std::vector<std::string> pulisci = {
    "Testo vita=",  "Testo torace=", "Testo nome=",   "Testo eta=",
    "Testo alt=",   "Testo peso=",   "Testo spalle=", "Testo kgp=",
    "Testo metodo=", "Immagine formula=gray.bmp", "Testo Text5=", "Salva 0,0,0,0,0,0,0,0\r\n"};

}  // namespace

TEST(Procedure, OgniComandoIlSuoElencoDiPassi) {
    const Caso casi[] = {
        {"Form2", "Command13", {"", "", "", "", "", "", "170"},
         {"Testo Text5=", "Persistenza", "Testo kgp=70", "Testo metodo=BROCA", "Stampa BROCA",
          "Immagine formula=broca.bmp", "Testo Text5=Kg"}},
        {"Form2", "Command7", {"", "", "70", "", "", "", "175"},
         {"Testo kgp=22,8", "Testo metodo=B.M.I.", "Stampa B.M.I.", "Immagine formula=bmi2.bmp", "Testo Text5=Index"}},
        {"Form2", "Command7", {"", "", "70", "", "", "", "175"},
         {"Testo kgp=22.8", "Testo metodo=B.M.I.", "Stampa B.M.I.", "Immagine formula=bmi2.bmp", "Testo Text5=Index"},
         {".", ","}},
        {"Form2", "Command14", mario,
         {"Testo Text5=", "Persistenza", "Testo kgp=68,7", "Testo metodo=VAN DER VAEL", "Stampa VAN DER VAEL",
          "Immagine formula=vander.bmp", "Testo Text5=Kg"}},
        // Missing data: a line for each empty field the method reads, then the message.
        {"Form2", "lorent", {"", "", "", "", "90", "", ""}, {"Testo Text5=", "Stampa " + mancano, "Messaggio " + mancano}},
        {"Form2", "lorent", {}, {"Testo Text5=", "Stampa " + mancano, "Stampa " + mancano, "Messaggio " + mancano}},
        {"Form2", "lorent", {"", "", "", "", "0", "80", ""}, {"Testo Text5=", "Messaggio " + mancano}},
        {"Form2", "Command7", {"", "", "70", "", "", "", "abc"}, {"Messaggio " + mancano}},
        {"Form2", "Command4", mario,
         {"Salva " + byteEsempio, "Mostra form4"}},
        {"Form2", "Command4", {}, {"Stampa " + mancano, "Stampa " + mancano, "Messaggio " + mancano}},
        {"Form2", "Command8", mario, pulisci},
        {"Form2", "Command9", mario, {"Salva 0,0,0,0,0,0,0,0\r\n", "Fine"}},
        {"Form2", "Command10", mario, {"Riepilogo", "Stampa 12", "Stampa 08", "Stampa 2026"}},
        {"Form2", "Command1", {}, {"Immagine help1=biac.bmp", "Attendi 1000", "Immagine help1=grayne1.bmp"}},
        {"Form2", "Command3", {}, {"Immagine help1=tora.bmp", "Attendi 1000", "Immagine help1=grayne3.bmp"}},
        {"Form2", "Command11", {}, {"Immagine help1=vita.bmp", "Attendi 1000", "Immagine help1=grayne2.bmp"}},
        {"Form2", "Command2", {}, {"Mostra Form3"}},
        {"Form1", "Command1", {}, {"Mostra form7"}},
        {"Form1", "Command2", {}, {"Mostra Form2"}},
        {"Form1", "Command3", {}, {"Fine"}},
        {"Form1", "Image1", {}, {"Mostra Form5"}},
        {"form7", "Command1", {}, {"Mostra Form1"}},
        {"Form5", "Label5", {}, {"Mostra Form1"}},
        {"Form3", "Command1", {}, {"Mostra Form2"}},
        {"form4", "Command1", {}, {"Mostra Form2"}},
        // No command: the title picture, a label, a button of another window's name.
        {"Form1", "Picture2", {}, {}},
        {"Form5", "Label1", {}, {}},
        {"form7", "Command4", {}, {}},
    };
    for (const Caso& c : casi) {
        std::vector<std::string> visti;
        for (const Passo& p : procedura(c.finestra, c.controllo, {c.dati, c.regionali, {8, 12, 2026}}))
            visti.push_back(descrivi(p));
        EXPECT_EQ(visti, c.passi) << c.finestra << "." << c.controllo;
    }
}

// Only what reads the measures waits for the core on the web.
TEST(Procedure, SoloICalcoliLegganoLeMisure) {
    for (const char* c : {"lorent", "Command12", "Command5", "Command6", "Command14", "Command13", "Command15",
                          "Command7", "Command4", "Command10"})
        EXPECT_TRUE(leggeMisure("Form2", c)) << c;
    for (const char* c : {"Command8", "Command9", "Command1", "Command2", "nome"}) EXPECT_FALSE(leggeMisure("Form2", c)) << c;
    EXPECT_FALSE(leggeMisure("Form1", "Command2"));
}

// Every picture a step loads with a whole subject's measures is one the build carries,
// in the same box, and the build carries no other.
TEST(Procedure, LeImmaginiCaricateSonoQuelleDeiPassi) {
    std::set<std::string> daiPassi, elenco;
    for (const TabellaFinestra* t : tabelleFinestre)
        for (const Controllo& c : t->controlli)
            for (const Passo& p : procedura(t->nome, c.nome, {mario}))
                if (p.azione == Azione::Immagine) daiPassi.insert(std::string(t->nome) + "." + p.controllo + "=" + p.valore);
    for (const ImmagineCaricata& i : immaginiCaricate())
        elenco.insert(std::string(i.finestra) + "." + i.riquadro + "=" + i.file);
    EXPECT_EQ(daiPassi, elenco);
    EXPECT_EQ(elenco.size(), immaginiCaricate().size());
}

// How both editions lay out a window: places in whole pixels through the panels, Tab
// order, stacking, captions and the names a screen reader speaks.
TEST(Disposizione, LeRegoleDiUnaTabella) {
    const auto riga = [](const char* nome, Tipo tipo, const char* dentro, int left, int tab, const char* testo = "") {
        return Controllo{nome, tipo, dentro, left, left, 100, 50, testo, nessuno, sistema, sistema, Allinea::Sinistra, tab};
    };
    const Controllo controlli[] = {
        riga("P", Tipo::Pannello, "", 22, 3),          riga("b", Tipo::Pulsante, "P", 8, 2, "&Esci&"),
        riga("a", Tipo::Casella, "P", 7, 0, " due  parole "), riga("L", Tipo::Etichetta, "", 0, -1, " Altezza"),
        riga("c", Tipo::Pulsante, "", 0, 1, "B.M.I."),  riga("nome", Tipo::Casella, "", 0, -1),
        riga("Label2(0)", Tipo::Etichetta, "", 0, -1, "Nome e cognome "),
    };
    const TabellaFinestra t{"Prova", {}, controlli, {}, nullptr};
    const auto nomi = [](const std::vector<const Controllo*>& v) {
        std::vector<std::string> n;
        for (const Controllo* c : v) n.push_back(c->nome);
        return n;
    };
    EXPECT_EQ(nomi(ordineDiTab(t)), (std::vector<std::string>{"a", "c", "b"}));
    // Back to front: the first row of a container is in front, a panel's children before it.
    EXPECT_EQ(nomi(ordineDiPittura(t)), (std::vector<std::string>{"Label2(0)", "nome", "c", "L", "P", "a", "b"}));
    const AreaPixel a = areaPixel(t, controlli[1]);  // 22 twips make 1 px, 8 make 1 px, 7 make 0
    EXPECT_EQ(std::vector<int>({a.x, a.y, a.w, a.h}), (std::vector<int>{2, 2, 7, 3}));
    EXPECT_EQ(areaPixel(t, controlli[2]).x, 1);
    for (const auto& [nome, atteso] : std::vector<std::pair<int, std::string>>{
             {1, "Esci"}, {2, "due parole"}, {3, "Altezza"}, {4, "B.M.I."}, {0, ""}, {5, "Nome e cognome"}})
        EXPECT_EQ(nomeAccessibile(t, controlli[nome]), atteso) << controlli[nome].nome;
    for (const auto& [testo, prima, tasto, dopo] : std::vector<std::array<std::string, 4>>{
             {"&Conferma", "", "C", "onferma"}, {"Help && &metodi", "Help & ", "m", "etodi"},
             {"B.M.I.", "B.M.I.", "", ""}, {"Esci&", "Esci", "", ""}, {"&Dati & &&altro", "", "D", "ati  &altro"},
             {"&\xc3\xa8 qui", "", "\xc3\xa8", " qui"}}) {
        const Didascalia d = pezziDidascalia(testo);
        EXPECT_EQ((std::array<std::string, 4>{testo, d.prima, d.tasto, d.dopo}),
                  (std::array<std::string, 4>{testo, prima, tasto, dopo}));
    }
}
