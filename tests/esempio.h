#pragma once
// The tests' sample subject and its eight results (Italian settings), from
// tests/esempio.txt, whose lines the build gives as PONDERINO_ESEMPIO_<NAME>.
#include <sstream>
#include <string>

#include "core/misure.h"
#include "core/risultati.h"

namespace ponderino::prova {

inline const DatiSoggetto mario{PONDERINO_ESEMPIO_NOME, PONDERINO_ESEMPIO_ETA,    PONDERINO_ESEMPIO_PESO,
                                PONDERINO_ESEMPIO_SPALLE, PONDERINO_ESEMPIO_TORACE, PONDERINO_ESEMPIO_VITA,
                                PONDERINO_ESEMPIO_ALT};

inline const RigaRisultati confermati = [] {
    RigaRisultati r;
    std::istringstream in(PONDERINO_ESEMPIO_RISULTATI);
    for (std::string& v : r) in >> v;
    return r;
}();

// The line Conferma stores for mario, under Italian settings.
inline const std::string byteEsempio = [] {
    std::string riga;
    for (const std::string& v : confermati) riga += (riga.empty() ? "\"" : ",\"") + v + "\"";
    return riga + "\r\n";
}();

}  // namespace ponderino::prova
