// The summary as data: every line, item and join, for the cases a user meets.
#include "report/riepilogo.h"

#include "riepilogo_atteso.h"
#include "tests/esempio.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

using namespace ponderino;

namespace {

// The whole document as riepilogo_atteso.txt writes it out, for the given field texts,
// printed result items and date text.
std::vector<RigaStampa> atteso(const DatiSoggetto& d, const std::vector<std::string>& risultati,
                               const std::string& data) {
    std::map<std::string, std::string> valori = {
        {"data", data},       {"nome", d.nome},     {"eta", d.eta},   {"peso", d.peso},
        {"spalle", d.spalle}, {"torace", d.torace}, {"vita", d.vita}, {"alt", d.alt}};
    for (int i = 0; i < 8; ++i) valori["r" + std::to_string(i + 1)] = risultati[i];
    std::vector<RigaStampa> r;
    for (const auto& riga : prova::riepilogoAtteso(valori)) {
        RigaStampa voci;
        for (const auto& v : riga) voci.push_back({v.zona ? Giunzione::ProssimaZona : Giunzione::Adiacente, v.testo});
        r.push_back(std::move(voci));
    }
    return r;
}

std::vector<ValoreRisultato> testi(const std::vector<std::string>& v) {
    return {v.begin(), v.end()};
}

using prova::mario;
const std::vector<std::string> confermati(prova::confermati.begin(), prova::confermati.end());
const std::vector<ValoreRisultato> zeri(8, 0.0);
const DataStampa ottoDicembre{8, 12, 2026};

void confronta(const std::vector<RigaStampa>& avuto, const std::vector<RigaStampa>& voluto) {
    ASSERT_EQ(avuto.size(), 47u);
    ASSERT_EQ(voluto.size(), 47u);
    for (std::size_t i = 0; i < voluto.size(); ++i) {
        ASSERT_EQ(avuto[i].size(), voluto[i].size()) << "riga " << i + 1;
        for (std::size_t j = 0; j < voluto[i].size(); ++j) {
            EXPECT_EQ(avuto[i][j].testo, voluto[i][j].testo) << "riga " << i + 1 << ", voce " << j + 1;
            EXPECT_EQ(avuto[i][j].giunzione, voluto[i][j].giunzione)
                << "riga " << i + 1 << ", voce " << j + 1;
        }
    }
}

struct CasoDocumento {
    const char* nome;
    DatiSoggetto dati;
    std::vector<ValoreRisultato> valori;
    DataStampa data;
    std::vector<std::string> risultatiStampati;
    std::string testoData;
};

class Documento : public ::testing::TestWithParam<CasoDocumento> {};

TEST_P(Documento, HaLe47RigheAttese) {
    const auto& c = GetParam();
    confronta(documentoRiepilogo(c.dati, c.valori, c.data),
              atteso(c.dati, c.risultatiStampati, c.testoData));
}

INSTANTIATE_TEST_SUITE_P(
    Casi, Documento,
    ::testing::Values(
        CasoDocumento{"confermato", mario, testi(confermati), ottoDicembre, confermati, "08/12/2026"},
        CasoDocumento{"dopoPulisci", mario, zeri, ottoDicembre, std::vector<std::string>(8, " 0 "),
                      "08/12/2026"},
        CasoDocumento{"campiVuoti", DatiSoggetto{}, zeri, {1, 3, 2027},
                      std::vector<std::string>(8, " 0 "), "01/03/2027"},
        // Fields changed after the confirmation: the new texts, the old results.
        CasoDocumento{"campiModificati", {"  Anna ", "4O", "", "45,5", "abc", "-3", "1.750"},
                      testi(confermati), {31, 1, 2027}, confermati, "31/01/2027"},
        // Only the first eight values count; numbers and texts may be mixed.
        CasoDocumento{"valoriMisti", mario,
                      {std::string("0,98"), -10.0, 2.5, std::string(""), 0.0, 150.0,
                       std::string("1E+1"), 1e20, std::string("in più")},
                      {9, 9, 999}, {"0,98", "-10 ", " 2,5 ", "", " 0 ", " 150 ", "1E+1", " 1E+20 "},
                      "09/09/0999"}),
    [](const auto& info) { return std::string(info.param.nome); });

TEST(Documento, FrasiDeiRisultatiHannoLaLunghezzaGiusta) {
    const auto doc = documentoRiepilogo(mario, testi(confermati), ottoDicembre);
    const std::size_t lunghezze[8] = {54, 54, 54, 54, 55, 55, 55, 55};
    for (int i = 0; i < 8; ++i) {
        const auto& riga = doc[19 + 3 * i];
        ASSERT_EQ(riga.size(), 3u);
        EXPECT_EQ(riga[0].testo.size(), lunghezze[i]) << riga[0].testo;
        // A stored text follows after exactly one space.
        EXPECT_EQ(riga[1].testo + riga[2].testo, " " + confermati[i]);
    }
}

TEST(Documento, LaPrimaVoceDiOgniRigaEAdiacente) {
    for (const auto& riga : documentoRiepilogo(DatiSoggetto{}, zeri, ottoDicembre)) {
        if (!riga.empty()) {
            EXPECT_EQ(riga.front().giunzione, Giunzione::Adiacente);
        }
    }
}

TEST(Documento, MenoDiOttoValoriNonBastano) {
    EXPECT_THROW(documentoRiepilogo(mario, std::vector<ValoreRisultato>(7, 0.0), ottoDicembre),
                 std::invalid_argument);
}

TEST(Zone, InizioDellaZonaSeguente) {
    struct {
        double x, zona, atteso;
    } casi[] = {
        {0, 14, 14},      {0.001, 14, 14}, {13.999, 14, 14}, {14, 14, 28},
        {14.001, 14, 28}, {27.5, 14, 28},  {28, 14, 42},     {100, 14, 112},
        {0, 99.09375, 99.09375}, {99.09375, 99.09375, 198.1875}, {99.0, 99.09375, 99.09375},
    };
    for (const auto& c : casi) EXPECT_DOUBLE_EQ(inizioZonaSeguente(c.x, c.zona), c.atteso) << c.x;
    // A line placed: each item where the one before ended, or at the next zone.
    const auto cifre = [](const std::string& t) { return double(t.size()); };
    const RigaStampa riga{{Giunzione::Adiacente, "Peso "}, {Giunzione::Adiacente, "70"},
                          {Giunzione::ProssimaZona, "Età"}, {Giunzione::ProssimaZona, "12345678901234"},
                          {Giunzione::ProssimaZona, "x"}};
    EXPECT_EQ(disponiRiga(riga, 14, cifre),
              (std::vector<VocePosta>{{"Peso ", 0}, {"70", 5}, {"Età", 14}, {"12345678901234", 28}, {"x", 56}}));
}

TEST(TestoVoce, TestoImmutatoNumeroConSpazi) {
    struct {
        ValoreRisultato valore;
        const char* atteso;
    } casi[] = {
        {std::string("0,98"), "0,98"},
        {std::string(" 7 "), " 7 "},
        {std::string(""), ""},
        {0.0, " 0 "},
        {-0.0, " 0 "},
        {75.0, " 75 "},
        {-10.0, "-10 "},
        {2.5, " 2,5 "},
        {1e20, " 1E+20 "},
        {-1.5e-7, "-1,5E-07 "},
    };
    for (const auto& c : casi) EXPECT_EQ(testoVoce(c.valore), c.atteso);
    EXPECT_EQ(testoVoce(2.5, regionaliPunto), " 2.5 ");
}

TEST(Data, TestoERigheDelloSchermo) {
    struct {
        DataStampa data;
        const char* testo;
        std::array<std::string, 3> righe;
    } casi[] = {
        {{8, 12, 2026}, "08/12/2026", {"12", "08", "2026"}},
        {{1, 3, 2027}, "01/03/2027", {"03", "01", "2027"}},
        {{31, 10, 2030}, "31/10/2030", {"10", "31", "2030"}},
        {{5, 6, 812}, "05/06/0812", {"06", "05", "0812"}},
    };
    for (const auto& c : casi) {
        EXPECT_EQ(testoData(c.data), c.testo);
        EXPECT_EQ(righeData(c.data), c.righe);
    }
}

}  // namespace
