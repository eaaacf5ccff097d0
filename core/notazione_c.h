// Numbers in C notation, with std::from_chars / std::to_chars where the standard
// library has them for double, and with strtod / snprintf under the "C" locale
// where it does not (the WebAssembly build's library).
#pragma once

#include <charconv>
#include <cstddef>

namespace ponderino {

// Reads a double from [inizio, fine) as std::from_chars does with the general
// format: an optional minus, digits with at most one point, an optional exponent.
// Out of range gives std::errc::result_out_of_range with the nearest double
// (infinite or zero) in `valore`; a subnormal value is read as it is. Infinity
// and NaN texts are not numbers here: callers refuse non-finite values anyway.
std::from_chars_result leggiDoubleC(const char* inizio, const char* fine, double& valore);

// Writes a finite value as "[-]d.ddddddddddddddde[+-]dd[d]": 15 significant
// digits, rounded once, as std::to_chars(..., scientific, 14) does. `fine` must
// leave room for at least 32 characters. Gives the end of the text written.
char* scriviScientifico14(char* inizio, char* fine, double valore);

}  // namespace ponderino
