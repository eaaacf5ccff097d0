// Fuzz target for the reader of the results file.
//
// Whatever the file holds, the reader either gives exactly eight values (texts
// without quotation marks or line ends, finite numbers) or throws ErroreFile
// naming the file. When the eight values are all texts, writing them back and
// reading the new file gives the same texts.
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/risultati.h"

using namespace ponderino;
namespace fs = std::filesystem;

namespace {

void verifica(bool condizione) {
    if (!condizione) __builtin_trap();
}

fs::path cartella() {
    const fs::path memoria = "/dev/shm";
    return fs::is_directory(memoria) ? memoria : fs::temp_directory_path();
}

const fs::path letto = cartella() / ("ponderino-fuzz-" + std::to_string(::getpid()) + "-dati.txt");
const fs::path riscritto = cartella() / ("ponderino-fuzz-" + std::to_string(::getpid()) + "-copia.txt");

// Removes the two files when the fuzzer ends.
struct Pulizia {
    ~Pulizia() {
        std::error_code ignorato;
        fs::remove(letto, ignorato);
        fs::remove(riscritto, ignorato);
    }
} pulizia;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* dati, std::size_t quanti) {
    {
        std::ofstream file(letto, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(dati), static_cast<std::streamsize>(quanti));
    }
    std::vector<ValoreRisultato> valori;
    try {
        valori = leggiRisultati(letto);
    } catch (const ErroreFile& e) {
        verifica(std::string(e.what()).find(letto.string()) != std::string::npos);
        return 0;
    }
    verifica(valori.size() == 8);
    RigaRisultati riga;
    bool soloTesti = true;
    for (std::size_t i = 0; i < 8; ++i) {
        if (const double* numero = std::get_if<double>(&valori[i])) {
            verifica(std::isfinite(*numero));
            soloTesti = false;
        } else {
            riga[i] = std::get<std::string>(valori[i]);
            verifica(riga[i].find_first_of("\"\r\n") == std::string::npos);
        }
    }
    if (soloTesti) {
        scriviRisultati(riscritto, riga);
        verifica(leggiRisultati(riscritto) == valori);
    }
    return 0;
}
