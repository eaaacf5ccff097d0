#include "core/misure.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <cmath>
#include <memory>
#include <system_error>

namespace ponderino {

ErroreDati::ErroreDati() : std::runtime_error(std::string(mancanoIDati)) {}

namespace {

bool spazio(char c) { return c == ' ' || c == '\t'; }
bool cifra(char c) { return c >= '0' && c <= '9'; }

// A separator of the regional settings: the common one-byte separators get a
// plain comparison, longer ones (several bytes of UTF-8) a text comparison.
// An empty separator never matches.
struct SeparatoreCorto {
    explicit SeparatoreCorto(std::string_view s) : c(s.empty() ? '\0' : s[0]), presente(!s.empty()) {}
    bool trova(std::string_view t, std::size_t i) const { return presente && t[i] == c; }
    std::size_t lunghezza() const { return 1; }
    char c;
    bool presente;
};

struct SeparatoreLungo {
    explicit SeparatoreLungo(std::string_view s) : testo(s) {}
    bool trova(std::string_view t, std::size_t i) const {
        return !testo.empty() && t.size() - i >= testo.size() && t.compare(i, testo.size(), testo) == 0;
    }
    std::size_t lunghezza() const { return testo.size(); }
    std::string_view testo;
};

// Beyond this a double no longer holds every integer.
constexpr std::uint64_t interoEsatto = std::uint64_t{1} << 53;

// The digits of a number as read: their integer while it stays within a few
// digits past interoEsatto (`grande` tells that digits were left out), and how
// many digits stood after the decimal separator.
struct Mantissa {
    std::uint64_t intero = 0;
    bool grande = false;
    long long decimali = 0;
    bool cifre = false;
};

// Eight digits at once, for long numbers: `otto` holds eight characters as
// read from memory on a little-endian machine.
bool ottoCifre(std::uint64_t otto) {
    return ((otto & 0xF0F0F0F0F0F0F0F0) | (((otto + 0x0606060606060606) & 0xF0F0F0F0F0F0F0F0) >> 4)) ==
           0x3333333333333333;
}

std::uint64_t valoreOttoCifre(std::uint64_t otto) {
    otto -= 0x3030303030303030;
    otto = (otto * 10) + (otto >> 8);  // pairs of digits
    return (((otto & 0x000000FF000000FF) * 0x000F424000000064) +
            (((otto >> 16) & 0x000000FF000000FF) * 0x0000271000000001)) >> 32;
}

// Reads the mantissa from t[i...]: digits, at most one decimal separator, and
// grouping skipped among the integer digits; stops at the first character that
// does not belong to it. With `copia` it also copies the mantissa to p as C
// text (the separator as '.') and returns the end of the copy.
template <bool copia, class Separatore>
char* leggiMantissa(std::string_view t, std::size_t& inizio, char* p, Mantissa& m, const Separatore& decimale,
                    const Separatore& raggruppamento) {
    // Kept in locals: every store through p may alias anything reached by reference.
    const std::size_t n = t.size();
    std::size_t i = inizio;
    std::uint64_t intero = 0;
    long long decimali = 0;
    bool grande = false, parteIntera = true;
    std::size_t cifre = 0;
    while (i < n) {
        const unsigned cifra = static_cast<unsigned char>(t[i]) - unsigned{'0'};
        if (cifra < 10) {
            if constexpr (!copia && std::endian::native == std::endian::little) {
                if (n - i >= 8 && intero < 10'000'000'000) {
                    std::uint64_t otto;
                    std::memcpy(&otto, t.data() + i, 8);
                    if (ottoCifre(otto)) {
                        intero = intero * 100'000'000 + valoreOttoCifre(otto);
                        decimali += parteIntera ? 0 : 8;
                        cifre += 8;
                        i += 8;
                        continue;
                    }
                }
            }
            if constexpr (copia) *p++ = t[i];
            if (intero <= interoEsatto)
                intero = intero * 10 + cifra;
            else
                grande = true;
            decimali += !parteIntera;
            ++cifre;
            ++i;
        } else if (parteIntera && decimale.trova(t, i)) {
            if constexpr (copia) *p++ = '.';
            parteIntera = false;
            i += decimale.lunghezza();
        } else if (parteIntera && raggruppamento.trova(t, i)) {
            i += raggruppamento.lunghezza();  // grouping is skipped wherever it stands
        } else {
            break;
        }
    }
    inizio = i;
    m = Mantissa{intero, grande, decimali, cifre > 0};
    return p;
}

// The powers of ten that a double holds exactly.
constexpr double potenzeEsatte[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Called when std::from_chars reports a value out of range for the plain
// number in `testo` ([-]digits[.digits][e[sign]digits]). Tells whether the
// number is tiny (it rounds to zero) rather than too large for a double.
bool troppoPiccolo(std::string_view testo) {
    std::size_t i = testo.empty() || testo[0] != '-' ? 0 : 1;
    long long interi = 0, primaSignificativa = -1, indice = 0;
    bool parteIntera = true;
    for (; i < testo.size() && testo[i] != 'e' && testo[i] != 'E'; ++i) {
        if (testo[i] == '.') {
            parteIntera = false;
            continue;
        }
        if (parteIntera) ++interi;
        if (primaSignificativa < 0 && testo[i] != '0') primaSignificativa = indice;
        ++indice;
    }
    if (primaSignificativa < 0) return true;  // all zeros: never out of range, but zero anyway
    long long esponente = 0;
    bool negativo = false;
    if (i < testo.size()) {
        ++i;
        if (i < testo.size() && (testo[i] == '+' || testo[i] == '-')) negativo = testo[i++] == '-';
        for (; i < testo.size(); ++i)
            if (esponente < 1'000'000'000'000LL) esponente = esponente * 10 + (testo[i] - '0');
    }
    // Power of ten of the first significant digit.
    long long potenza = interi - 1 - primaSignificativa + (negativo ? -esponente : esponente);
    return potenza < 0;
}

}  // namespace

double numeroDaTesto(std::string_view testo, const ImpostazioniRegionali& regionali) {
    std::size_t inizio = 0, fine = testo.size();
    while (inizio < fine && spazio(testo[inizio])) ++inizio;
    while (fine > inizio && spazio(testo[fine - 1])) --fine;
    const std::string_view t = testo.substr(inizio, fine - inizio);
    if (t.empty()) throw ErroreDati();

    const std::size_t n = t.size();
    const bool negativo = t[0] == '-';
    const std::size_t inizioMantissa = t[0] == '+' || t[0] == '-' ? 1 : 0;
    std::size_t i = inizioMantissa;
    Mantissa m;
    const std::string_view decimale = regionali.decimale, raggruppamento = regionali.raggruppamento;
    const bool corti = decimale.size() <= 1 && raggruppamento.size() <= 1;
    if (corti)
        leggiMantissa<false>(t, i, nullptr, m, SeparatoreCorto(decimale), SeparatoreCorto(raggruppamento));
    else
        leggiMantissa<false>(t, i, nullptr, m, SeparatoreLungo(decimale), SeparatoreLungo(raggruppamento));
    if (!m.cifre) throw ErroreDati();
    const std::size_t inizioEsponente = i;
    long long esponente = 0;
    if (i < n && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        bool esponenteNegativo = false;
        if (i < n && (t[i] == '+' || t[i] == '-')) esponenteNegativo = t[i++] == '-';
        const std::size_t primaCifra = i;
        for (; i < n && cifra(t[i]); ++i)
            if (esponente < 1'000'000) esponente = esponente * 10 + (t[i] - '0');
        if (i == primaCifra) throw ErroreDati();
        if (esponenteNegativo) esponente = -esponente;
    }
    if (i != n) throw ErroreDati();

    if (m.intero == 0) return negativo ? -0.0 : 0.0;
    // Most typed numbers have few digits and a small exponent: the integer of
    // their digits and the power of ten are both exact doubles, so one
    // multiplication or division rounds straight to the nearest double.
    const long long potenza = esponente - m.decimali;
    if (!m.grande && m.intero <= interoEsatto && potenza >= -22 && potenza <= 22) {
        const double intero = static_cast<double>(m.intero);
        const double valore = potenza >= 0 ? intero * potenzeEsatte[potenza] : intero / potenzeEsatte[-potenza];
        return negativo ? -valore : valore;
    }

    // Every other number is copied as plain C text ([-]digits[.digits][e[sign]digits],
    // never longer than the typed text) for std::from_chars, which also rounds
    // it to the nearest double.
    char locale[96];
    std::unique_ptr<char[]> grande;
    char* const normale = n <= sizeof locale ? locale : (grande = std::make_unique<char[]>(n)).get();
    char* p = normale;
    if (negativo) *p++ = '-';
    i = inizioMantissa;
    if (corti)
        p = leggiMantissa<true>(t, i, p, m, SeparatoreCorto(decimale), SeparatoreCorto(raggruppamento));
    else
        p = leggiMantissa<true>(t, i, p, m, SeparatoreLungo(decimale), SeparatoreLungo(raggruppamento));
    const std::string_view coda = t.substr(inizioEsponente);  // already checked: [eE][+-]digits
    p = std::copy(coda.begin(), coda.end(), p);

    double valore = 0;
    const auto [fermo, errore] = std::from_chars(normale, p, valore);
    if (errore == std::errc::result_out_of_range) {
        // Too small a number reads as the nearest double, a zero of its sign;
        // too large a number is a failure.
        if (troppoPiccolo(std::string_view(normale, p - normale))) return negativo ? -0.0 : 0.0;
        throw ErroreDati();
    }
    if (errore != std::errc() || fermo != p || !std::isfinite(valore)) throw ErroreDati();
    return valore;
}

std::string testoGenerale(double valore, const ImpostazioniRegionali& regionali) {
    if (!std::isfinite(valore)) throw ErroreDati();
    if (valore == 0) return "0";

    // Rounded once, to 15 significant digits: [-]d.ddddddddddddddde[+-]dd[d]
    char scientifico[40];
    const auto fine = std::to_chars(scientifico, scientifico + sizeof scientifico, valore,
                                    std::chars_format::scientific, 14).ptr;
    const bool negativo = scientifico[0] == '-';
    const char* const mantissa = scientifico + (negativo ? 1 : 0);
    char cifre[15];
    cifre[0] = mantissa[0];
    for (int k = 1; k < 15; ++k) cifre[k] = mantissa[k + 1];
    int quante = 15;
    while (quante > 1 && cifre[quante - 1] == '0') --quante;
    const char* e = mantissa + 16;  // the 'e'
    const bool esponenteNegativo = e[1] == '-';
    int esponente = 0;
    for (const char* q = e + 2; q < fine; ++q) esponente = esponente * 10 + (*q - '0');
    if (esponenteNegativo) esponente = -esponente;

    std::string testo;
    testo.reserve(24 + regionali.decimale.size());
    if (negativo) testo += '-';
    if (esponente >= -4 && esponente <= 14) {
        if (esponente >= 0) {
            const int interi = esponente + 1;
            for (int k = 0; k < interi; ++k) testo += k < quante ? cifre[k] : '0';
            if (quante > interi) {
                testo += regionali.decimale;
                testo.append(cifre + interi, cifre + quante);
            }
        } else {
            testo += '0';
            testo += regionali.decimale;
            testo.append(static_cast<std::size_t>(-esponente - 1), '0');
            testo.append(cifre, cifre + quante);
        }
    } else {
        testo += cifre[0];
        if (quante > 1) {
            testo += regionali.decimale;
            testo.append(cifre + 1, cifre + quante);
        }
        testo += 'E';
        testo += esponenteNegativo ? '-' : '+';
        const int grandezza = esponenteNegativo ? -esponente : esponente;
        if (grandezza < 10) testo += '0';
        testo += std::to_string(grandezza);
    }
    return testo;
}

std::string testoRisultato(double valore, const ImpostazioniRegionali& regionali) {
    std::string testo = testoGenerale(valore, regionali);
    // Four characters, not bytes: the decimal separator may take several bytes
    // of UTF-8. A character starts at every byte that is not a continuation byte.
    int caratteri = 0;
    for (std::size_t i = 0; i < testo.size(); ++i) {
        if ((static_cast<unsigned char>(testo[i]) & 0xC0) != 0x80 && ++caratteri > 4) {
            testo.resize(i);
            break;
        }
    }
    return testo;
}

const std::string& campoDati(const DatiSoggetto& dati, std::string_view campo) {
    if (campo == "nome") return dati.nome;
    if (campo == "eta") return dati.eta;
    if (campo == "peso") return dati.peso;
    if (campo == "spalle") return dati.spalle;
    if (campo == "torace") return dati.torace;
    if (campo == "vita") return dati.vita;
    if (campo == "alt") return dati.alt;
    throw std::invalid_argument("campo sconosciuto: " + std::string(campo));
}

}  // namespace ponderino
