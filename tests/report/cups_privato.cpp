// The private CUPS server of the printer tests, and their main().
#include "cups_privato.h"

#include <gtest/gtest.h>

#include <QApplication>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>
#include <unistd.h>

#include "ambiente.h"
#include "pdf_testo.h"

#ifndef PONDERINO_CUPS_PRIVATO
#error "PONDERINO_CUPS_PRIVATO must name tests/report/cups-privato.sh"
#endif

namespace ponderino::prova {

namespace fs = std::filesystem;

CupsPrivato& cups() {
    static CupsPrivato c;
    return c;
}

std::string CupsPrivato::lavoriInCoda() const { return esegui("lpstat -o 2>&1"); }

int CupsPrivato::lavoriCompletati() const {
    std::istringstream in(esegui("lpstat -W completed -o 2>/dev/null"));
    int n = 0;
    for (std::string riga; std::getline(in, riga);)
        if (!riga.empty()) ++n;
    return n;
}

bool CupsPrivato::attendiFineStampa(int secondi) const {
    using namespace std::chrono;
    const auto limite = steady_clock::now() + seconds(secondi);
    const std::string chiedi = "bash '" PONDERINO_CUPS_PRIVATO "' stampato '" + cartella.string() + "'";
    for (; steady_clock::now() < limite; std::this_thread::sleep_for(milliseconds(250)))
        if (std::system(chiedi.c_str()) == 0) return true;
    return false;
}

std::string CupsPrivato::registro() const {
    std::ifstream in(cartella / "log" / "error_log");
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void avviaCups() {
    CupsPrivato& c = cups();
    c.cartella = cartellaTemporanea("ponderino-cups");
    int stato = 0;
    const std::string uscita = esegui("bash " + tra_apici(PONDERINO_CUPS_PRIVATO) + " start " +
                                          tra_apici(c.cartella) + " " + std::to_string(getpid()) +
                                          " 2>&1",
                                      &stato);
    if (stato == 77) {
        c.motivoSalto = "stampante vera non provata: " + uscita;
        return;
    }
    if (stato != 0) {
        c.errore = "il cupsd privato non parte: " + uscita;
        return;
    }
    setenv("CUPS_SERVER", (c.cartella / "cups.sock").c_str(), 1);
    // Nothing of the user's own printer choice may take over the default.
    setenv("HOME", c.cartella.c_str(), 1);
    unsetenv("PRINTER");
    unsetenv("LPDEST");
}

void fermaCups() {
    CupsPrivato& c = cups();
    if (c.cartella.empty()) return;
    esegui("bash " + tra_apici(PONDERINO_CUPS_PRIVATO) + " stop " + tra_apici(c.cartella) + " 2>&1");
    if (!std::getenv("PONDERINO_TENERE_PDF")) {
        std::error_code ec;
        fs::remove_all(c.cartella, ec);
    }
}

}  // namespace ponderino::prova

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests (CTest's discovery) needs no server.
    if (!GTEST_FLAG_GET(list_tests)) ponderino::prova::avviaCups();
    int esito;
    {
        QApplication app(argc, argv);
        ponderino::prova::collegaRegistro();
        esito = RUN_ALL_TESTS();
    }
    ponderino::prova::fermaCups();
    return esito;
}
