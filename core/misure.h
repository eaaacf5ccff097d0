// The subject's measures and the conversions between typed text and numbers.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace ponderino {

// The seven measure texts of the calculation screen, exactly as typed (UTF-8).
struct DatiSoggetto {
    std::string nome, eta, peso, spalle, torace, vita, alt;
};

// The user's decimal separator and digit-grouping character, as UTF-8 texts
// (either may be longer than one byte, e.g. the French narrow no-break space).
struct ImpostazioniRegionali {
    std::string decimale;
    std::string raggruppamento;
};

// Italian settings: decimal comma, full stop for grouping.
inline const ImpostazioniRegionali regionaliItaliane{",", "."};
// Settings with a full-stop decimal separator and comma grouping.
inline const ImpostazioniRegionali regionaliPunto{".", ","};

inline constexpr std::string_view mancanoIDati = "Mancano i dati ";

// The one failure of a calculation: a measure that is missing, not a number or
// out of range, or an arithmetic fault. It never says which field or why;
// what() is the missing-data message.
class ErroreDati : public std::runtime_error {
public:
    ErroreDati();
};

// Reads a typed measure: blanks (space, tab) around it are ignored; an optional
// sign; digits with the grouping text skipped anywhere among the integer digits;
// at most one decimal separator; an optional exponent (E or e, optional sign,
// digits). Gives the nearest double. Throws ErroreDati for anything else,
// including an empty or blank text and a number too large for a double.
// A number too small for a double is not a failure: it reads as the nearest
// double, which is a subnormal value or a zero of the same sign.
double numeroDaTesto(std::string_view testo, const ImpostazioniRegionali& regionali);

// The general decimal text of a finite value: 15 significant digits, fixed
// notation for decimal exponents -4 to 14 and exponent notation ("1E-05",
// "1,5E+16") otherwise, no trailing zeros, the regional decimal separator.
// Zero, negative zero included, is "0". Throws ErroreDati for an infinite or
// NaN value, which no calculation can produce.
std::string testoGenerale(double valore, const ImpostazioniRegionali& regionali);

// The result text shown and stored for a value: the first four characters
// (not bytes) of its general decimal text, or the whole text when shorter.
std::string testoRisultato(double valore, const ImpostazioniRegionali& regionali);

// The text of the field called `campo` ("nome", "eta", "peso", "spalle",
// "torace", "vita" or "alt"); throws std::invalid_argument for any other name.
const std::string& campoDati(const DatiSoggetto& dati, std::string_view campo);

}  // namespace ponderino
