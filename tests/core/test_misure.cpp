#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cfloat>
#include <cmath>
#include <random>
#include <string>

#include "core/misure.h"

using namespace ponderino;

namespace {

const ImpostazioniRegionali francesi{",", "\u202F"};  // narrow no-break space groups digits
const ImpostazioniRegionali arabe{"\u066B", "\u066C"};  // two-byte separators

struct Lettura {
    std::string_view testo;
    const ImpostazioniRegionali* regionali;
    double atteso;
};

TEST(NumeroDaTesto, LeggeINumeriAccettati) {
    const auto* it = &regionaliItaliane;
    const auto* punto = &regionaliPunto;
    const Lettura casi[] = {
        {" 175 ", it, 175},       {"\t42\t", it, 42},      {"70,5", it, 70.5},     {"70.5", it, 705},
        {"1.75", it, 175},        {"1E2", it, 100},        {"1e2", it, 100},       {"-12,5", it, -12.5},
        {"+3", it, 3},            {"1.234.567,5", it, 1234567.5}, {"1..5", it, 15}, {".5", it, 5},
        {",5", it, 0.5},          {"5,", it, 5},           {"1,5E-3", it, 0.0015}, {"1,5e+2", it, 150},
        {"0,1", it, 0.1},         {"9007199254740993", it, 9007199254740992.0},  // ties to even
        {"70.5", punto, 70.5},    {"70,5", punto, 705},    {"1,234.5", punto, 1234.5},
        {"1\u202F234,5", &francesi, 1234.5}, {"1\u066C234\u066B5", &arabe, 1234.5},
        {"1,7976931348623157E308", it, DBL_MAX},
        {"4,9E-324", it, 4.9406564584124654e-324},    // the smallest subnormal
        {"0E999999999999999999", it, 0},         {"1E-9999999999999999999", it, 0},  // beyond a long long
        {"1E22", it, 1e22},       {"1E23", it, 1e23},     {"9007199254740992,5", it, 9007199254740992.0},
        {"123456789012345678901234567890", it, 1.2345678901234568e29},
        {"0,3", it, 0.3},         {"3E-1", it, 0.3},       {"30000000000000000000000E-23", it, 0.3},
        // Only the characters given count, not those after them.
        {std::string_view("75", 1), it, 7}, {std::string_view("7E5", 1), it, 7}, {std::string_view("7E55", 3), it, 7e5},
    };
    for (const auto& c : casi)
        EXPECT_EQ(numeroDaTesto(c.testo, *c.regionali), c.atteso) << '"' << c.testo << '"';
}

TEST(NumeroDaTesto, UnNumeroTroppoPiccoloDiventaUnoZeroConIlSuoSegno) {
    EXPECT_EQ(std::bit_cast<std::uint64_t>(numeroDaTesto("1E-400", regionaliItaliane)), 0u);
    EXPECT_TRUE(std::signbit(numeroDaTesto("-1E-400", regionaliItaliane)));
    EXPECT_TRUE(std::signbit(numeroDaTesto("-0", regionaliItaliane)));
    EXPECT_EQ(numeroDaTesto("1" + std::string(400, '0') + "E-800", regionaliPunto), 0.0);
    EXPECT_EQ(numeroDaTesto("0," + std::string(500, '0') + "1E+500", regionaliItaliane), 0.1);
    EXPECT_EQ(numeroDaTesto("0," + std::string(93, '0') + "1", regionaliItaliane), 1e-94);
    EXPECT_EQ(numeroDaTesto(std::string(700, '0') + "1E-400", regionaliItaliane), 0.0);
}

TEST(NumeroDaTesto, RifiutaCioCheNonENumero) {
    const std::string_view italiani[] = {"", "   ", "\t", "175cm", "1,2,3", "1,2.3", "--1", "+-1", "- 1", "1E", "1E+",
                                         "E5", ",", ".", "-", "1 000", "0x10", "inf", "nan", "1e400", "-1,8E308",
                                         "1,5 kg", "(5)", "5-", "\u00BD", "1E2,5", "1\u202F000", "1" "\xE2\x80" "000",
                                         "175\n", std::string_view("1\0" "2", 3), std::string_view("   ", 2)};
    for (const std::string_view t : italiani)
        EXPECT_THROW(numeroDaTesto(t, regionaliItaliane), ErroreDati) << '"' << t << '"';
    EXPECT_THROW(numeroDaTesto("1.2.3", regionaliPunto), ErroreDati);
    EXPECT_THROW(numeroDaTesto("1 234,5", francesi), ErroreDati);
    EXPECT_THROW(numeroDaTesto("1\xE2\x80", francesi), ErroreDati);  // half a grouping character
    // Huge, however many zeros come first or however small its negative exponent.
    for (const std::string& t : {"1" + std::string(400, '9'), std::string(700, '0') + ",1E1000",
                                 "1" + std::string(500, '0') + "E-100"})
        EXPECT_THROW(numeroDaTesto(t, regionaliItaliane), ErroreDati) << t.substr(0, 10);
    EXPECT_STREQ(ErroreDati().what(), "Mancano i dati ");
}

TEST(NumeroDaTesto, SeparatoriVuotiNonCorrispondonoMai) {
    const ImpostazioniRegionali vuote{"", ""};
    EXPECT_EQ(numeroDaTesto("12", vuote), 12);
    EXPECT_THROW(numeroDaTesto("1,2", vuote), ErroreDati);
    EXPECT_EQ(numeroDaTesto("1.5", ImpostazioniRegionali{"", "."}), 15);
}

struct Testo {
    double valore;
    const char* generale;  // under Italian settings
    const char* risultato;
    const char* risultatoPunto;
};

TEST(TestoRisultato, TabellaDegliEsempi) {
    const Testo casi[] = {
        {63.456, "63,456", "63,4", "63.4"},
        {7, "7", "7", "7"},
        {123.45, "123,45", "123,", "123."},
        {0.5, "0,5", "0,5", "0.5"},
        {-12.34, "-12,34", "-12,", "-12."},
        {-0.25, "-0,25", "-0,2", "-0.2"},
        {12345.6, "12345,6", "1234", "1234"},
        {1234.5, "1234,5", "1234", "1234"},
        {200.0 / 3, "66,6666666666667", "66,6", "66.6"},
        {94.0 / 95, "0,989473684210526", "0,98", "0.98"},
        {std::nextafter(60.0, 0.0), "60", "60", "60"},
        {0.00001, "1E-05", "1E-0", "1E-0"},
        {1.5e16, "1,5E+16", "1,5E", "1.5E"},
        {0.0, "0", "0", "0"},
        {-0.0, "0", "0", "0"},
        {0.0001, "0,0001", "0,00", "0.00"},
        {0.000123456, "0,000123456", "0,00", "0.00"},
        {-0.00001, "-1E-05", "-1E-", "-1E-"},
        {1e-10, "1E-10", "1E-1", "1E-1"},
        {1e14, "100000000000000", "1000", "1000"},
        {999999999999999.0, "999999999999999", "9999", "9999"},
        {999999999999999.5, "1E+15", "1E+1", "1E+1"},  // rounds up into exponent form
        {1e100, "1E+100", "1E+1", "1E+1"},
        {DBL_MAX, "1,79769313486232E+308", "1,79", "1.79"},
        {4.9406564584124654e-324, "4,94065645841247E-324", "4,94", "4.94"},
        {0.1 + 0.2, "0,3", "0,3", "0.3"},
        {100, "100", "100", "100"},
    };
    for (const auto& c : casi) {
        EXPECT_EQ(testoGenerale(c.valore, regionaliItaliane), c.generale) << c.valore;
        EXPECT_EQ(testoRisultato(c.valore, regionaliItaliane), c.risultato) << c.valore;
        EXPECT_EQ(testoRisultato(c.valore, regionaliPunto), c.risultatoPunto) << c.valore;
    }
    EXPECT_THROW(testoRisultato(INFINITY, regionaliItaliane), ErroreDati);
    EXPECT_THROW(testoRisultato(NAN, regionaliItaliane), ErroreDati);
}

TEST(TestoRisultato, TagliaAQuattroCaratteriNonAQuattroByte) {
    EXPECT_EQ(testoRisultato(63.456, arabe), "63\u066B4");
    EXPECT_EQ(testoRisultato(123.45, arabe), "123\u066B");
    EXPECT_EQ(testoRisultato(0.5, arabe), "0\u066B5");
    EXPECT_EQ(testoRisultato(-0.25, arabe), "-0\u066B2");
    EXPECT_EQ(testoRisultato(63.456, ImpostazioniRegionali{"\u2396", ""}), "63\u23964");  // three bytes
}

// The shortest text of a double, written with a decimal comma and grouping,
// must read back as that very double.
TEST(NumeroDaTesto, RileggeIlTestoPiuCortoDiOgniDouble) {
    std::mt19937_64 caso(7);
    std::uniform_real_distribution<double> misure(-3000, 3000);
    for (int i = 0; i < 40000; ++i) {
        // Odd turns: any double; even turns: a measure with a few decimals.
        const double scala = std::pow(10.0, i % 7);
        const double valore = i % 2 ? std::bit_cast<double>(caso()) : std::round(misure(caso) * scala) / scala;
        if (!std::isfinite(valore)) continue;
        char c[40];
        std::string testo(c, std::to_chars(c, c + sizeof c, valore, std::chars_format::fixed).ptr - c);
        if (testo.size() > 30) testo.assign(c, std::to_chars(c, c + sizeof c, valore).ptr - c);
        for (char& x : testo) x = x == '.' ? ',' : x;
        if (testo.size() > 6 && testo.find_first_of(",e") > 4) testo.insert(2, ".");  // grouping anywhere
        ASSERT_EQ(std::bit_cast<std::uint64_t>(numeroDaTesto(testo, regionaliItaliane)),
                  std::bit_cast<std::uint64_t>(valore)) << testo;
    }
}

// Fifteen significant digits survive a trip through a double, so reading a
// general text back and writing it again must give the same text.
TEST(TestoRisultato, IlTestoGeneraleSiRileggeUguale) {
    std::mt19937_64 caso(20240601);
    for (int i = 0; i < 20000; ++i) {
        const double valore = std::bit_cast<double>(caso());
        if (!std::isfinite(valore)) continue;
        for (const auto* r : {&regionaliItaliane, &regionaliPunto, &arabe}) {
            const std::string testo = testoGenerale(valore, *r);
            ASSERT_EQ(testoGenerale(numeroDaTesto(testo, *r), *r), testo) << valore;
        }
    }
}

}  // namespace
