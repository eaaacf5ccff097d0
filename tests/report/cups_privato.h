// A private CUPS server for one test program: started by main() before the
// QApplication exists (libcups reads CUPS_SERVER once), stopped at the end.
#pragma once

#include <filesystem>
#include <string>

namespace ponderino::prova {

struct CupsPrivato {
    // Empty when the server runs; otherwise why this machine cannot run it
    // (the tests skip) or why it failed to start (the tests fail).
    std::string motivoSalto;
    std::string errore;
    std::filesystem::path cartella;

    std::filesystem::path fileStampato() const { return cartella / "uscita" / "job.pdf"; }

    // Jobs still queued or printing.
    std::string lavoriInCoda() const;
    // Jobs the queue has finished so far.
    int lavoriCompletati() const;
    // Waits (at most `secondi`) for the queue to empty and the printed file to
    // stop growing; false on timeout.
    bool attendiFineStampa(int secondi = 60) const;
    // The server's error log, for failure messages.
    std::string registro() const;
};

// The one server of this program.
CupsPrivato& cups();

// Starts it and points CUPS_SERVER at it; call before QApplication.
void avviaCups();
void fermaCups();

// GTest: fails with the start error, skips with the reason, or lets the test run.
#define RICHIEDE_CUPS()                                                  \
    do {                                                                 \
        if (!::ponderino::prova::cups().errore.empty())                  \
            FAIL() << ::ponderino::prova::cups().errore;                 \
        if (!::ponderino::prova::cups().motivoSalto.empty())             \
            GTEST_SKIP() << ::ponderino::prova::cups().motivoSalto;      \
    } while (0)

}  // namespace ponderino::prova
