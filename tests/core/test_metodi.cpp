#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <string>

#include "core/metodi.h"

using namespace ponderino;
using M = MetodoCalcolo;

namespace {

// A subject with every field given by name; fields not named stay empty.
DatiSoggetto soggetto(std::initializer_list<std::pair<std::string_view, std::string>> campi) {
    DatiSoggetto d;
    for (const auto& [nome, testo] : campi) const_cast<std::string&>(campoDati(d, nome)) = testo;
    return d;
}

std::uint64_t bit(double x) { return std::bit_cast<std::uint64_t>(x); }

struct Esempio {
    M metodo;
    DatiSoggetto dati;
    double valore;
    const char* testo;  // Italian result text
};

TEST(CalcolaMetodo, EsempiDelleFormule) {
    const Esempio casi[] = {
        {M::Lorentz, soggetto({{"vita", "80"}, {"torace", "90"}}), 94.0 / 90, "1,04"},
        {M::Bertheam, soggetto({{"alt", "170"}, {"eta", "30"}}), 71, "71"},
        {M::Gautrelet, soggetto({{"spalle", "40"}, {"alt", "170"}, {"peso", "70"}}), 68.13333333333334, "68,1"},
        {M::Enrhart, soggetto({{"alt", "170"}, {"torace", "90"}}), 63.75, "63,7"},
        {M::VanDerVael, soggetto({{"alt", "170"}}), 65, "65"},
        {M::VanDerVael, soggetto({{"alt", "100"}}), 12.5, "12,5"},
        {M::Broca, soggetto({{"alt", "170"}}), 70, "70"},
        {M::Broca, soggetto({{"alt", "90"}}), -10, "-10"},
        {M::Perrault, soggetto({{"alt", "170"}, {"eta", "30"}}), 72.7, "72,7"},
        {M::Bmi, soggetto({{"peso", "70"}, {"alt", "175"}}), 70 / 3.0625, "22,8"},
        {M::Bmi, soggetto({{"peso", " 70,5 "}, {"alt", "1.75"}}), 70.5 / 3.0625, "23,0"},
    };
    for (const auto& c : casi) {
        const double v = calcolaMetodo(c.metodo, c.dati, regionaliItaliane);
        EXPECT_DOUBLE_EQ(v, c.valore) << static_cast<int>(c.metodo);
        EXPECT_EQ(testoRisultato(v, regionaliItaliane), c.testo) << static_cast<int>(c.metodo);
    }
}

// Inputs for which the written order of operations gives a different double
// from an algebraically equal regrouping; the results must match the written order.
TEST(CalcolaMetodo, OrdineDelleOperazioniBitPerBit) {
    struct Caso {
        M metodo;
        DatiSoggetto dati;
        double giusto, regruppato;
    } casi[] = {
        // (30 * 1.66 + 152 * 0.4) + 79, not 30 * 1.66 + (152 * 0.4 + 79)
        {M::Gautrelet, soggetto({{"spalle", "30"}, {"alt", "152"}, {"peso", "79"}}), 0x1.f999999999999p+5,
         0x1.f99999999999bp+5},
        // 50 / ((179 / 100 * 179) / 100), not 50 / (1.79 * 1.79) nor 50 / (179 * 179 / 10000)
        {M::Bmi, soggetto({{"peso", "50"}, {"alt", "179"}}), 0x1.f35c35b9217c2p+3, 0x1.f35c35b9217c3p+3},
        // (1 / 10) * 0.9, not 1 * 0.09
        {M::Perrault, soggetto({{"eta", "1"}, {"alt", "100"}}), 0x1.70a3d70a3d70bp-4, 0x1.70a3d70a3d70ap-4},
        // (151 - 100) * 0.8, not 151 * 0.8 - 80
        {M::Bertheam, soggetto({{"alt", "151"}, {"eta", "20"}}), 0x1.9666666666667p+5, 0x1.9666666666668p+5},
        // (60 + 14) / 87, not 60 / 87 + 14 / 87
        {M::Lorentz, soggetto({{"vita", "60"}, {"torace", "87"}}), 0x1.b37e875b37e87p-1, 0x1.b37e875b37e88p-1},
        // (151 * 80) / 240, not 151 * (80 / 240)
        {M::Enrhart, soggetto({{"alt", "151"}, {"torace", "80"}}), 0x1.92aaaaaaaaaabp+5, 0x1.92aaaaaaaaaaap+5},
    };
    for (const auto& c : casi) {
        ASSERT_NE(bit(c.giusto), bit(c.regruppato));
        EXPECT_EQ(bit(calcolaMetodo(c.metodo, c.dati, regionaliItaliane)), bit(c.giusto)) << static_cast<int>(c.metodo);
    }
}

TEST(CalcolaMetodo, GuastiAritmeticiFallisconoConErroreDati) {
    struct Caso {
        M metodo;
        DatiSoggetto dati;
    } casi[] = {
        {M::Lorentz, soggetto({{"vita", "80"}, {"torace", "0"}})},           // division by zero
        {M::Lorentz, soggetto({{"vita", "-14"}, {"torace", "0"}})},          // 0 / 0
        {M::Lorentz, soggetto({{"vita", "80"}, {"torace", "1E-320"}})},      // quotient overflows
        {M::Bmi, soggetto({{"peso", "70"}, {"alt", "0"}})},                  // zero divisor
        {M::Bmi, soggetto({{"peso", "0"}, {"alt", "0"}})},                   // 0 / 0
        {M::Bmi, soggetto({{"peso", "70"}, {"alt", "1E200"}})},              // divisor overflows, quotient would be 0
        {M::Gautrelet, soggetto({{"spalle", "1,5E+308"}, {"alt", "170"}, {"peso", "70"}})},  // first product
        {M::Gautrelet, soggetto({{"spalle", "1E308"}, {"alt", "1E308"}, {"peso", "-1E308"}})},  // middle sum
        {M::Enrhart, soggetto({{"alt", "1E300"}, {"torace", "1E10"}})},
        {M::Bertheam, soggetto({{"alt", "-1,7E308"}, {"eta", "-1,7E308"}})},  // final sum
        {M::Perrault, soggetto({{"eta", "1,7E308"}, {"alt", "1,7E308"}})},
    };
    for (const auto& c : casi)
        EXPECT_THROW(calcolaMetodo(c.metodo, c.dati, regionaliItaliane), ErroreDati) << static_cast<int>(c.metodo);
}

TEST(CalcolaMetodo, UnUnderflowNonEUnGuasto) {
    EXPECT_EQ(calcolaMetodo(M::Enrhart, soggetto({{"alt", "1E-200"}, {"torace", "1E-200"}}), regionaliItaliane), 0);
}

// Every listed field must be a number; every other field is never read.
TEST(CalcolaMetodo, LeggeSoloICampiDelMetodo) {
    const char* tutti[] = {"nome", "eta", "peso", "spalle", "torace", "vita", "alt"};
    for (const M metodo : tuttiIMetodi) {
        const auto campi = campiMetodo(metodo);
        DatiSoggetto buoni;
        for (const char* c : tutti) {
            const bool letto = std::find(campi.begin(), campi.end(), c) != campi.end();
            const_cast<std::string&>(campoDati(buoni, c)) = letto ? "170" : "x!";
        }
        EXPECT_NO_THROW(calcolaMetodo(metodo, buoni, regionaliItaliane)) << static_cast<int>(metodo);
        for (const auto campo : campi) {
            for (const char* guasto : {"", " ", "abc", "17O"}) {
                DatiSoggetto d = buoni;
                const_cast<std::string&>(campoDati(d, campo)) = guasto;
                EXPECT_THROW(calcolaMetodo(metodo, d, regionaliItaliane), ErroreDati) << campo << " " << guasto;
            }
        }
    }
}

TEST(CampiMetodo, CampiInOrdineDiConversione) {
    using V = std::vector<std::string_view>;
    EXPECT_EQ(campiMetodo(M::Lorentz), (V{"vita", "torace"}));
    EXPECT_EQ(campiMetodo(M::Bertheam), (V{"alt", "eta"}));
    EXPECT_EQ(campiMetodo(M::Gautrelet), (V{"spalle", "alt", "peso"}));
    EXPECT_EQ(campiMetodo(M::Enrhart), (V{"alt", "torace"}));
    EXPECT_EQ(campiMetodo(M::VanDerVael), (V{"alt"}));
    EXPECT_EQ(campiMetodo(M::Broca), (V{"alt"}));
    EXPECT_EQ(campiMetodo(M::Perrault), (V{"eta", "alt"}));
    EXPECT_EQ(campiMetodo(M::Bmi), (V{"peso", "alt"}));
}

}  // namespace
