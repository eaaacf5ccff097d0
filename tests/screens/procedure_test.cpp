// The windows' commands as steps, for both editions: what each click does, in order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "screens/procedure.h"

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

const DatiSoggetto mario{"Mario Rossi", "30", "70", "45", "95", "80", "175"};
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
         {"Salva \"0,98\",\"75\",\"71,5\",\"69,2\",\"68,7\",\"75\",\"77,7\",\"22,8\"\r\n", "Mostra form4"}},
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
