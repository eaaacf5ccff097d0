// The printed summary as the tests expect it, written out once in riepilogo_atteso.txt
// (its path comes in as PONDERINO_RIEPILOGO_ATTESO); the web edition's print test reads
// the same file.
#pragma once

#include <algorithm>
#include <cstddef>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace ponderino::prova {

struct VoceAttesa {
    bool zona;  // starts at the next tab zone, not right after the item before
    std::string testo;
};

// The 47 lines, each a list of items, every {name} replaced by valori.at(name).
inline std::vector<std::vector<VoceAttesa>> riepilogoAtteso(const std::map<std::string, std::string>& valori) {
    std::ifstream in(PONDERINO_RIEPILOGO_ATTESO, std::ios::binary);
    if (!in) throw std::runtime_error("non leggo " PONDERINO_RIEPILOGO_ATTESO);
    std::vector<std::vector<VoceAttesa>> righe;
    for (std::string riga; std::getline(in, riga);) {
        if (!riga.empty() && riga.back() == '\r') riga.pop_back();
        if (riga.starts_with('#')) continue;
        std::vector<VoceAttesa> voci;
        for (std::size_t inizio = 0; inizio < riga.size();) {
            const std::size_t fine = std::min(riga.find('|', inizio), riga.size());
            std::string testo = riga.substr(inizio, fine - inizio);
            const bool zona = testo.starts_with('>');
            if (zona) testo.erase(0, 1);
            for (std::size_t a = 0; (a = testo.find('{', a)) != std::string::npos;) {
                const std::size_t b = testo.find('}', a);
                const std::string& valore = valori.at(testo.substr(a + 1, b - a - 1));
                testo.replace(a, b - a + 1, valore);
                a += valore.size();
            }
            voci.push_back({zona, testo});
            inizio = fine + 1;
        }
        righe.push_back(std::move(voci));
    }
    return righe;
}

}  // namespace ponderino::prova
