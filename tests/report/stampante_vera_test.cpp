// "&Stampa" on a real default printer: a private CUPS queue whose file device
// keeps the job as PDF, read back with poppler.
#include "report/stampa.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <string>

#include "core/risultati.h"
#include "tests/esempio.h"
#include "cups_privato.h"
#include "pdf_testo.h"

using namespace ponderino;
using namespace ponderino::prova;
namespace fs = std::filesystem;

namespace {


class StampanteVera : public ::testing::Test {
protected:
    void SetUp() override {
        RICHIEDE_CUPS();
        dir = cartellaTemporanea("ponderino-dati");
        ASSERT_TRUE(cups().lavoriInCoda().empty()) << cups().lavoriInCoda();
        std::error_code ec;
        fs::remove(cups().fileStampato(), ec);
        prima = cups().lavoriCompletati();
    }
    void TearDown() override {
        if (!dir.empty()) fs::remove_all(dir);
        if (HasFailure() && !cups().cartella.empty())
            std::cerr << "registro di cupsd:\n" << cups().registro();
    }
    fs::path dir;
    int prima = 0;
};

// The job as printed: one page holding the `attese` lines.
void controllaLavoro(const fs::path& pdf, const std::vector<std::string>& attese) {
    const auto pagine = leggiPdf(pdf);
    ASSERT_EQ(pagine.size(), 1u) << "pagine stampate";
    controllaRighe(righeLette(pagine), attese);
}

TEST_F(StampanteVera, UnLavoroConTutteLe47Righe) {
    const fs::path dati = dir / "dati.txt";
    scriviRisultati(dati, confermati);
    const DataStampa oggi{8, 12, 2026};
    stampaRiepilogo(mario, dati, oggi);
    ASSERT_TRUE(cups().attendiFineStampa()) << "coda: " << cups().lavoriInCoda();
    EXPECT_EQ(cups().lavoriCompletati(), prima + 1);
    controllaLavoro(cups().fileStampato(), riepilogoEsempio(','));
}

TEST_F(StampanteVera, DopoPulisciStampaGliZeri) {
    const fs::path dati = dir / "dati.txt";
    scriviZeri(dati);
    const DatiSoggetto vuoto{};
    const DataStampa oggi{1, 3, 2027};
    stampaRiepilogo(vuoto, dati, oggi);
    ASSERT_TRUE(cups().attendiFineStampa()) << "coda: " << cups().lavoriInCoda();
    EXPECT_EQ(cups().lavoriCompletati(), prima + 1);
    controllaLavoro(cups().fileStampato(),
                    riepilogoLetto("01/03/2027", std::vector<std::string>(7), std::vector<std::string>(8, "0")));
}

TEST_F(StampanteVera, FileDatiMancanteNonMandaNulla) {
    const fs::path dati = dir / "dati.txt";
    try {
        stampaRiepilogo(mario, dati, {8, 12, 2026});
        FAIL() << "nessuna eccezione";
    } catch (const ErroreStampa& e) {
        EXPECT_NE(std::string(e.what()).find("dati.txt"), std::string::npos) << e.what();
    }
    // The queue takes jobs in order: once a later one is printed, nothing came before it.
    scriviRisultati(dati, confermati);
    stampaRiepilogo(mario, dati, {8, 12, 2026});
    ASSERT_TRUE(cups().attendiFineStampa()) << "coda: " << cups().lavoriInCoda();
    EXPECT_EQ(cups().lavoriCompletati(), prima + 1);
    controllaLavoro(cups().fileStampato(), riepilogoEsempio(','));
}

}  // namespace
