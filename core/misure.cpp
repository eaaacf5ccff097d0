#include "core/misure.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <system_error>

#include "core/notazione_c.h"

namespace ponderino {

ErroreDati::ErroreDati() : std::runtime_error(std::string(mancanoIDati)) {}

namespace {

bool spazio(char c) { return c == ' ' || c == '\t'; }
bool cifra(char c) { return c >= '0' && c <= '9'; }

// Whether t[i...] begins with the separator `s`; an empty separator never matches.
bool separatore(std::string_view t, std::size_t i, std::string_view s) {
    return !s.empty() && t.substr(i, s.size()) == s;
}

// For a number out of range: whether it is tiny rather than huge, that is whether
// its first significant digit stands below the units. `c` is the number as C text,
// [-]digits[.digits][e[sign]digits], and `esponente` the value of its exponent.
bool minuscolo(std::string_view c, long long esponente) {
    const std::string_view mantissa = c.substr(0, c.find_first_of("eE"));
    const std::size_t punto = std::min(mantissa.find('.'), mantissa.size());
    const std::size_t prima = mantissa.find_first_of("123456789");
    if (prima == std::string_view::npos) return true;  // all zeros
    const long long potenza = prima < punto ? static_cast<long long>(punto - prima) - 1
                                            : -static_cast<long long>(prima - punto);
    return potenza + esponente < 0;
}

}  // namespace

double numeroDaTesto(std::string_view testo, const ImpostazioniRegionali& regionali) {
    std::size_t inizio = 0, fine = testo.size();
    while (inizio < fine && spazio(testo[inizio])) ++inizio;
    while (fine > inizio && spazio(testo[fine - 1])) --fine;
    const std::string_view t = testo.substr(inizio, fine - inizio);
    const std::size_t n = t.size();

    // The number as C text: [-]digits[.digits][e[sign]digits],
    // never longer than the typed text.
    char corto[64];
    std::unique_ptr<char[]> lungo;
    char* const c = n <= sizeof corto ? corto : (lungo = std::make_unique<char[]>(n)).get();
    char* p = c;
    std::size_t i = 0;
    const bool negativo = n > 0 && t[0] == '-';
    if (negativo) *p++ = '-';
    if (n > 0 && (t[0] == '+' || t[0] == '-')) ++i;

    // Mantissa: digits, grouping dropped wherever it stands among the integer
    // digits, at most one decimal separator.
    bool parteIntera = true, cifre = false;
    while (i < n) {
        if (cifra(t[i])) {
            cifre = true;
            *p++ = t[i++];
        } else if (parteIntera && separatore(t, i, regionali.decimale)) {
            parteIntera = false;
            *p++ = '.';
            i += regionali.decimale.size();
        } else if (parteIntera && separatore(t, i, regionali.raggruppamento)) {
            i += regionali.raggruppamento.size();
        } else {
            break;
        }
    }
    if (!cifre) throw ErroreDati();

    // Exponent: E or e, an optional sign, at least one digit.
    long long esponente = 0;
    if (i < n && (t[i] == 'e' || t[i] == 'E')) {
        *p++ = t[i++];
        const bool esponenteNegativo = i < n && t[i] == '-';
        if (i < n && (t[i] == '+' || t[i] == '-')) *p++ = t[i++];
        const std::size_t primaCifra = i;
        for (; i < n && cifra(t[i]); *p++ = t[i++])
            if (esponente < 1'000'000'000'000) esponente = esponente * 10 + (t[i] - '0');
        if (i == primaCifra) throw ErroreDati();
        if (esponenteNegativo) esponente = -esponente;
    }
    if (i != n) throw ErroreDati();

    double valore = 0;
    const auto [fermo, errore] = leggiDoubleC(c, p, valore);
    // Out of range: a tiny number is the zero of its sign, a huge one a failure.
    if (errore == std::errc::result_out_of_range && minuscolo(std::string_view(c, p - c), esponente))
        return negativo ? -0.0 : 0.0;
    if (errore != std::errc() || fermo != p || !std::isfinite(valore)) throw ErroreDati();
    return valore;
}

std::string testoGenerale(double valore, const ImpostazioniRegionali& regionali) {
    if (!std::isfinite(valore)) throw ErroreDati();
    if (valore == 0) return "0";

    // Rounded once, to 15 significant digits: [-]d.ddddddddddddddde[+-]dd[d]
    char scientifico[40];
    const char* const fine = scriviScientifico14(scientifico, scientifico + sizeof scientifico, valore);
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
