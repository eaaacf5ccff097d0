// Fuzz target for the reading of typed measures.
//
// Properties checked on every input, under several regional settings:
// - a text either reads as a finite double or fails with ErroreDati, and
//   nothing else escapes;
// - the general text of what it reads reads back to the same text, and the
//   result text is its first characters;
// - swapping comma and full stop in the text, and the settings with it,
//   gives the same number; a text without separators reads the same everywhere;
// - a text in plain C notation reads under full-stop settings exactly as
//   std::from_chars reads it.
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

#include "core/misure.h"

using namespace ponderino;

namespace {

void verifica(bool condizione) {
    if (!condizione) __builtin_trap();
}

// `sensate`: settings whose decimal separator is not empty and holds no digit,
// sign, blank or E, so that a general text can be read back.
std::optional<double> leggi(std::string_view testo, const ImpostazioniRegionali& regionali, bool sensate = true) {
    try {
        const double valore = numeroDaTesto(testo, regionali);
        verifica(std::isfinite(valore));
        const std::string generale = testoGenerale(valore, regionali);
        if (sensate) {
            // Only the largest doubles have a 15-digit text beyond the range of a double.
            try {
                verifica(testoGenerale(numeroDaTesto(generale, regionali), regionali) == generale);
            } catch (const ErroreDati&) {
                verifica(std::fabs(valore) > 1.797693134862315e308);
            }
        }
        const std::string risultato = testoRisultato(valore, regionali);
        verifica(!risultato.empty() && generale.compare(0, risultato.size(), risultato) == 0);
        return valore;
    } catch (const ErroreDati&) {
        return std::nullopt;
    }
}

bool stessoNumero(std::optional<double> a, std::optional<double> b) {
    if (!a || !b) return !a && !b;
    return std::memcmp(&*a, &*b, sizeof(double)) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* dati, std::size_t quanti) {
    const std::string testo(reinterpret_cast<const char*>(dati), quanti);

    const auto italiano = leggi(testo, regionaliItaliane);
    const auto punto = leggi(testo, regionaliPunto);
    const auto francese = leggi(testo, ImpostazioniRegionali{",", "\u202F"});
    leggi(testo, ImpostazioniRegionali{"\u066B", "\u066C"});
    leggi(testo, ImpostazioniRegionali{"", ""}, false);

    std::string scambiato = testo;
    for (char& c : scambiato) c = c == ',' ? '.' : c == '.' ? ',' : c;
    verifica(stessoNumero(italiano, leggi(scambiato, regionaliPunto)));

    if (testo.find_first_of(",.") == std::string::npos) verifica(stessoNumero(italiano, punto));
    if (testo.find('.') == std::string::npos && testo.find("\u202F") == std::string::npos)
        verifica(stessoNumero(italiano, francese));

    const std::size_t segno = !testo.empty() && (testo[0] == '+' || testo[0] == '-');
    if (testo.find_first_not_of("0123456789.eE+-") == std::string::npos && segno < quanti &&
        (std::isdigit(static_cast<unsigned char>(testo[segno])) || testo[segno] == '.')) {
        const char* inizio = testo.data() + (testo[0] == '+');
        double atteso = 0;
        const auto [fine, errore] = std::from_chars(inizio, testo.data() + quanti, atteso);
        if (errore == std::errc() && fine == testo.data() + quanti)
            verifica(stessoNumero(punto, atteso));
        else if (errore != std::errc::result_out_of_range)
            verifica(!punto);
    }

    // Separators taken from the input itself: odd settings must not crash either.
    if (quanti >= 2) leggi(testo.substr(2), ImpostazioniRegionali{testo.substr(0, 1), testo.substr(1, 1)}, false);
    return 0;
}
