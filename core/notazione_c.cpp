#include "core/notazione_c.h"

#include <version>

// The fallback is chosen by what the library offers, not by platform.
// PONDERINO_NOTAZIONE_C_STRTOD forces it, so that the native tests run it too.
#if defined(__cpp_lib_to_chars) && __cpp_lib_to_chars >= 201611L && !defined(PONDERINO_NOTAZIONE_C_STRTOD)
#define PONDERINO_CHARCONV_DOUBLE 1
#else
#define PONDERINO_CHARCONV_DOUBLE 0
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#endif

namespace ponderino {

#if PONDERINO_CHARCONV_DOUBLE

std::from_chars_result leggiDoubleC(const char* inizio, const char* fine, double& valore) {
    return std::from_chars(inizio, fine, valore);
}

char* scriviScientifico14(char* inizio, char* fine, double valore) {
    return std::to_chars(inizio, fine, valore, std::chars_format::scientific, 14).ptr;
}

#else

namespace {
bool cifra(char c) { return c >= '0' && c <= '9'; }
}  // namespace

std::from_chars_result leggiDoubleC(const char* inizio, const char* fine, double& valore) {
    // The longest prefix that from_chars would take: strtod alone would also take
    // leading blanks, a plus sign and hexadecimal numbers.
    const char* p = inizio;
    if (p < fine && *p == '-') ++p;
    bool cifre = false;
    for (; p < fine && cifra(*p); ++p) cifre = true;
    if (p < fine && *p == '.') {
        ++p;
        for (; p < fine && cifra(*p); ++p) cifre = true;
    }
    if (!cifre) return {inizio, std::errc::invalid_argument};
    if (p < fine && (*p == 'e' || *p == 'E')) {
        const char* q = p + 1;
        if (q < fine && (*q == '+' || *q == '-')) ++q;
        if (q < fine && cifra(*q)) {
            while (q < fine && cifra(*q)) ++q;
            p = q;
        }
    }
    const std::string testo(inizio, p);
    errno = 0;
    const double letto = std::strtod(testo.c_str(), nullptr);
    // Too large: from_chars leaves the value alone and says so. Too small: the
    // nearest double, a subnormal or a zero, which strtod also flags with ERANGE.
    if (errno == ERANGE && std::isinf(letto)) return {p, std::errc::result_out_of_range};
    valore = letto;
    if (errno == ERANGE && letto == 0) return {p, std::errc::result_out_of_range};
    return {p, std::errc()};
}

char* scriviScientifico14(char* inizio, char* fine, double valore) {
    const int n = std::snprintf(inizio, static_cast<std::size_t>(fine - inizio), "%.14e", valore);
    return inizio + n;
}

#endif

}  // namespace ponderino
