// The printed summary of one subject as plain data: 47 printer lines, each a
// sequence of items joined side by side or at the next 14-column print zone.
// No Qt here; report/stampa.h puts these lines on paper.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "core/misure.h"
#include "core/risultati.h"

namespace ponderino {

// A calendar date as the printed summary shows it.
struct DataStampa {
    int giorno;  // 1..31
    int mese;    // 1..12
    int anno;    // four digits
};

// How an item joins the one before it on its line.
enum class Giunzione {
    Adiacente,     // starts where the previous item ended
    ProssimaZona,  // starts at the first print zone right of the current position
};

// One printed item. The first item of a line is always Adiacente.
struct Voce {
    Giunzione giunzione;
    std::string testo;

    bool operator==(const Voce&) const = default;
};

// A printed line; an empty line has no items.
using RigaStampa = std::vector<Voce>;

inline constexpr std::size_t righeRiepilogo = 47;
// Print zones begin every this many columns from the left edge.
inline constexpr int colonneZona = 14;
// A column is the summary font's average character width. Liberation Sans (Arial's
// metric twin) declares it as 1208 of its 2048 units to the em; the desktop reads it
// from the font, the web page, which cannot read a font's tables, takes it from here.
inline constexpr double carattereMedioEm = 1208.0 / 2048.0;

// Where a next-zone item starts when the current position is x: the first
// multiple of larghezzaZona strictly right of x (a label that ends exactly on a
// mark puts its value at the next one).
double inizioZonaSeguente(double x, double larghezzaZona);

// An item as it stands on its line: its text and where it starts.
struct VocePosta {
    std::string testo;
    double x;

    bool operator==(const VocePosta&) const = default;
};

// Places the items of one line from the left edge: each where the one before ended,
// or, joined at the next zone, where inizioZonaSeguente says. `larghezza(testo)` gives
// an item's width, in the unit of larghezzaZona. The printer and the web page place
// the summary with this alone, each with its own font's widths.
std::vector<VocePosta> disponiRiga(const RigaStampa& riga, double larghezzaZona,
                                   const std::function<double(const std::string&)>& larghezza);

// How a value of the results file prints: a text unchanged; a number with a
// sign position in front (a space, or its minus sign) and one space behind,
// e.g. 0 -> " 0 ", -2,5 -> "-2,5 ".
std::string testoVoce(const ValoreRisultato& valore,
                      const ImpostazioniRegionali& regionali = regionaliItaliane);

// "dd/mm/yyyy", e.g. "08/12/2026".
std::string testoData(const DataStampa& data);

// The three lines the calculation screen shows after printing: month and day
// with two digits, year with four: {"12", "08", "2026"} for 8 December 2026.
std::array<std::string, 3> righeData(const DataStampa& data);

// The whole summary: exactly righeRiepilogo lines. `dati` are the field texts
// as typed (printed unchanged), `valori` the values read back from the results
// file, of which the first eight are used. Throws std::invalid_argument when
// fewer than eight values are given.
std::vector<RigaStampa> documentoRiepilogo(const DatiSoggetto& dati,
                                           const std::vector<ValoreRisultato>& valori,
                                           const DataStampa& data,
                                           const ImpostazioniRegionali& regionali = regionaliItaliane);

}  // namespace ponderino
