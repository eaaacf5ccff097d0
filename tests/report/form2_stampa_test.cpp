// "&Stampa" clicked on the real calculation screen, printing on the private
// CUPS server's default queue.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <thread>

#include "core/risultati.h"
#include "cups_privato.h"
#include "form2_prova.h"
#include "report/riepilogo.h"

using namespace ponderino;
using namespace ponderino::prova;
namespace fs = std::filesystem;

namespace {

const DatiSoggetto mario{"Mario Rossi", "30", "70", "45", "95", "80", "175"};
const RigaRisultati confermati = {"0,98", "75", "71,5", "69,2", "68,7", "75", "77,7", "22,8"};

class ClicSuStampaVera : public ClicSuStampa {
protected:
    void SetUp() override {
        RICHIEDE_CUPS();
        ClicSuStampa::SetUp();
        ASSERT_TRUE(cups().lavoriInCoda().empty()) << cups().lavoriInCoda();
        std::error_code ec;
        fs::remove(cups().fileStampato(), ec);
        prima = cups().lavoriCompletati();
    }
    int prima = 0;
};

// Every visible line of the printed job, in order.
std::vector<std::string> testoStampato() {
    std::vector<std::string> r;
    for (const auto& riga : righeLette(leggiPdf(cups().fileStampato()))) r.push_back(riga.testo);
    return r;
}

std::vector<std::string> testoAtteso(const std::vector<RigaStampa>& documento) {
    std::vector<std::string> r;
    for (const auto& riga : documento)
        if (!testoVisibile(riga).empty()) r.push_back(testoVisibile(riga));
    return r;
}

TEST_F(ClicSuStampaVera, StampaIlRiepilogoELaDataSulloSchermo) {
    scriviRisultati(dati(), confermati);
    Form2* f = apri();
    // Fields changed after the last confirmation print as they stand now.
    DatiSoggetto adesso = mario;
    adesso.nome = "Anna Bianchi";
    adesso.alt = "";
    digita(f, adesso);

    clic(f->Command10);
    EXPECT_TRUE(messaggi.empty()) << messaggi.front().testo.toStdString();
    EXPECT_EQ(f->righeStampate(), (QStringList{"12", "08", "2026"}));
    ASSERT_TRUE(cups().attendiFineStampa()) << "coda: " << cups().lavoriInCoda();
    EXPECT_EQ(cups().lavoriCompletati(), prima + 1);
    const auto atteso =
        testoAtteso(documentoRiepilogo(adesso, leggiRisultati(dati()), DataStampa{8, 12, 2026}));
    ASSERT_EQ(atteso.size(), 23u);
    EXPECT_EQ(leggiPdf(cups().fileStampato()).size(), 1u) << "pagine stampate";
    EXPECT_EQ(testoStampato(), atteso);

    // A second click prints again and three more lines; the bare numbers of a
    // hand-edited file print with the user's decimal separator.
    fs::remove(cups().fileStampato());
    std::ofstream(dati(), std::ios::binary) << "0,0,0,0,0,0,0,2.5\r\n";
    oggi = QDate(2027, 3, 1);
    clic(f->Command10);
    EXPECT_EQ(f->righeStampate(), (QStringList{"12", "08", "2026", "03", "01", "2027"}));
    ASSERT_TRUE(cups().attendiFineStampa()) << "coda: " << cups().lavoriInCoda();
    EXPECT_EQ(cups().lavoriCompletati(), prima + 2);
    const auto secondo = testoStampato();
    EXPECT_EQ(secondo, testoAtteso(documentoRiepilogo(adesso, leggiRisultati(dati()), DataStampa{1, 3, 2027},
                                                      impostazioniRegionali())));
    const std::string numero = " 2" + impostazioniRegionali().decimale + "5";
    EXPECT_TRUE(std::any_of(secondo.begin(), secondo.end(),
                            [&](const std::string& riga) { return riga.ends_with(numero); }));
    EXPECT_EQ(terminazioni, 0);
}

TEST_F(ClicSuStampaVera, SenzaDatiTxtUnMessaggioENienteStampato) {
    Form2* f = apri();
    digita(f, mario);
    clic(f->Command10);

    ASSERT_EQ(messaggi.size(), 1u);
    EXPECT_EQ(messaggi[0].titolo, QStringLiteral("ponderino"));
    EXPECT_TRUE(messaggi[0].testo.contains(QStringLiteral("dati.txt"))) << messaggi[0].testo.toStdString();
    EXPECT_TRUE(f->righeStampate().isEmpty());
    EXPECT_EQ(f->leggiDati().nome, mario.nome);
    EXPECT_EQ(f->leggiDati().alt, mario.alt);
    EXPECT_EQ(terminazioni, 0);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    EXPECT_EQ(cups().lavoriInCoda(), "");
    EXPECT_EQ(cups().lavoriCompletati(), prima);
    EXPECT_FALSE(fs::exists(cups().fileStampato()));
}

}  // namespace
