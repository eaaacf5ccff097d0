// "&Stampa" on a real default printer: a private CUPS queue whose file device
// keeps the job as PDF, read back with poppler.
#include "report/stampa.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <string>
#include <thread>

#include "core/risultati.h"
#include "cups_privato.h"
#include "pdf_testo.h"

using namespace ponderino;
using namespace ponderino::prova;
namespace fs = std::filesystem;

namespace {

const DatiSoggetto mario{"Mario Rossi", "30", "70", "45", "95", "80", "175"};
const RigaRisultati confermati = {"0,98", "75", "71,5", "69,2", "68,7", "75", "77,7", "22,8"};

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

// The job as printed: one page, and the text of every line of `documento` in
// order, each line the right number of line heights below the first.
void controllaLavoro(const fs::path& pdf, const std::vector<RigaStampa>& documento) {
    const auto pagine = leggiPdf(pdf);
    ASSERT_EQ(pagine.size(), 1u) << "pagine stampate";
    const auto righe = righeLette(pagine);
    std::vector<std::size_t> piene;
    for (std::size_t i = 0; i < documento.size(); ++i)
        if (!testoVisibile(documento[i]).empty()) piene.push_back(i);
    ASSERT_EQ(righe.size(), piene.size());
    // The queue may scale the page, so the line height is taken from two
    // neighbouring lines (the measures "nome" and "eta'").
    ASSERT_EQ(piene[2], 7u);
    ASSERT_EQ(piene[3], 8u);
    const double altezzaRiga = righe[3].y - righe[2].y;
    ASSERT_GT(altezzaRiga, 5.0);
    for (std::size_t k = 0; k < piene.size(); ++k) {
        EXPECT_EQ(righe[k].testo, testoVisibile(documento[piene[k]])) << "riga " << piene[k] + 1;
        EXPECT_NEAR((righe[k].y - righe[0].y) / altezzaRiga, double(piene[k] - piene[0]), 0.05)
            << "riga " << piene[k] + 1;
    }
}

TEST_F(StampanteVera, UnLavoroConTutteLe47Righe) {
    const fs::path dati = dir / "dati.txt";
    scriviRisultati(dati, confermati);
    const DataStampa oggi{8, 12, 2026};
    stampaRiepilogo(mario, dati, oggi);
    ASSERT_TRUE(cups().attendiFineStampa()) << "coda: " << cups().lavoriInCoda();
    EXPECT_EQ(cups().lavoriCompletati(), prima + 1);
    controllaLavoro(cups().fileStampato(), documentoRiepilogo(mario, leggiRisultati(dati), oggi));
}

TEST_F(StampanteVera, DopoPulisciStampaGliZeri) {
    const fs::path dati = dir / "dati.txt";
    scriviZeri(dati);
    const DatiSoggetto vuoto{};
    const DataStampa oggi{1, 3, 2027};
    stampaRiepilogo(vuoto, dati, oggi);
    ASSERT_TRUE(cups().attendiFineStampa()) << "coda: " << cups().lavoriInCoda();
    EXPECT_EQ(cups().lavoriCompletati(), prima + 1);
    controllaLavoro(cups().fileStampato(), documentoRiepilogo(vuoto, leggiRisultati(dati), oggi));
}

TEST_F(StampanteVera, FileDatiMancanteNonMandaNulla) {
    const fs::path dati = dir / "dati.txt";
    try {
        stampaRiepilogo(mario, dati, {8, 12, 2026});
        FAIL() << "nessuna eccezione";
    } catch (const ErroreStampa& e) {
        EXPECT_NE(std::string(e.what()).find("dati.txt"), std::string::npos) << e.what();
    }
    std::this_thread::sleep_for(std::chrono::seconds(1));
    EXPECT_EQ(cups().lavoriInCoda(), "");
    EXPECT_EQ(cups().lavoriCompletati(), prima);
    EXPECT_FALSE(fs::exists(cups().fileStampato()));
}

}  // namespace
