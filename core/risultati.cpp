#include "core/risultati.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <string_view>

#include "core/metodi.h"
#include "core/notazione_c.h"
#include "core/sostituisci.h"

namespace ponderino {

namespace fs = std::filesystem;

ErroreFile::ErroreFile(const std::string& messaggio, fs::path file, int codice)
    : std::runtime_error(messaggio), file_(std::move(file)), codice_(codice) {}

std::string motivoErrore(int codice) {
    switch (codice) {
    case EACCES:
    case EPERM: return "permesso negato";
    case ENOSPC:
    case EFBIG: return "disco pieno";
#ifdef EDQUOT
    case EDQUOT: return "spazio disco esaurito per l'utente";
#endif
    case EISDIR: return "è una cartella";
    case EROFS: return "file system di sola lettura";
    case ENOENT: return "file o cartella inesistente";
    case ENOTDIR: return "percorso non valido";
    case ENAMETOOLONG: return "nome troppo lungo";
    case EMFILE:
    case ENFILE: return "troppi file aperti";
    case EIO: return "errore di lettura o scrittura sul disco";
    case ETXTBSY:
    case EBUSY: return "file in uso";
    case ELOOP: return "troppi collegamenti simbolici";
    default: return std::strerror(codice);
    }
}

RigaRisultati calcolaRisultati(const DatiSoggetto& dati, const ImpostazioniRegionali& regionali) {
    // Evaluation order, each value turned into its text at once; the array is
    // indexed in file order (the MetodoCalcolo order).
    static constexpr MetodoCalcolo ordine[] = {
        MetodoCalcolo::Bertheam, MetodoCalcolo::Gautrelet, MetodoCalcolo::Enrhart,    MetodoCalcolo::Bmi,
        MetodoCalcolo::Lorentz,  MetodoCalcolo::Perrault,  MetodoCalcolo::VanDerVael, MetodoCalcolo::Broca};
    RigaRisultati riga;
    for (const MetodoCalcolo metodo : ordine)
        riga[static_cast<std::size_t>(metodo)] = testoRisultato(calcolaMetodo(metodo, dati, regionali), regionali);
    return riga;
}

std::string testoPercorso(const fs::path& file) {
    const std::u8string testo = file.u8string();
    return std::string(testo.begin(), testo.end());
}

ErroreFile erroreContenuto(const fs::path& file) {
    return ErroreFile("Il file " + testoPercorso(file) + " non contiene otto valori validi", file, 0);
}

void scritturaFallita(const fs::path& file, int codice, bool perso) {
    throw ErroreFile("Impossibile scrivere il file " + testoPercorso(file) + ": " + motivoErrore(codice) +
                         (perso ? ". Il contenuto precedente non è stato ripristinato" : ""),
                     file, codice);
}

namespace {

[[noreturn]] void letturaFallita(const fs::path& file, int codice) {
    throw ErroreFile("Impossibile leggere il file " + testoPercorso(file) + ": " + motivoErrore(codice), file,
                     codice);
}

bool spazio(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::string lineaRisultati(const RigaRisultati& riga) {
    std::string linea;
    for (std::size_t i = 0; i < riga.size(); ++i) {
        if (i > 0) linea += ',';
        linea += '"';
        linea += riga[i];
        linea += '"';
    }
    linea += "\r\n";
    return linea;
}

void scriviRisultati(const fs::path& file, const RigaRisultati& riga) {
    sostituisciFile(file, lineaRisultati(riga));
}

void scriviZeri(const fs::path& file) { sostituisciFile(file, lineaZeri); }

std::optional<std::vector<ValoreRisultato>> valoriRisultati(std::string_view contenuto) {
    const bool troncato = contenuto.size() > limiteLetturaRisultati;
    if (troncato) contenuto = contenuto.substr(0, limiteLetturaRisultati);

    // The first line ends at the first carriage return or line feed.
    std::string_view riga = contenuto;
    const std::size_t fineRiga = riga.find_first_of("\r\n");
    const bool completa = fineRiga != std::string_view::npos || !troncato;
    riga = riga.substr(0, fineRiga);

    std::vector<ValoreRisultato> valori;
    valori.reserve(8);
    std::size_t i = 0;
    while (valori.size() < 8) {
        while (i < riga.size() && spazio(riga[i])) ++i;
        if (i < riga.size() && riga[i] == '"') {
            const std::size_t chiusa = riga.find('"', i + 1);
            if (chiusa == std::string_view::npos) return std::nullopt;
            valori.emplace_back(std::string(riga.substr(i + 1, chiusa - i - 1)));
            i = chiusa + 1;
            while (i < riga.size() && spazio(riga[i])) ++i;
        } else {
            std::size_t fine = riga.find(',', i);
            if (fine == std::string_view::npos) fine = riga.size();
            std::size_t ultimo = fine;
            while (ultimo > i && spazio(riga[ultimo - 1])) --ultimo;
            double numero = 0;
            const auto [fermo, errore] = leggiDoubleC(riga.data() + i, riga.data() + ultimo, numero);
            if (i == ultimo || errore != std::errc() || fermo != riga.data() + ultimo || !std::isfinite(numero))
                return std::nullopt;
            valori.emplace_back(numero);
            i = fine;
        }
        // A field ends at a comma or at the end of the line; the line must not
        // have been cut by the reading limit.
        if (i < riga.size()) {
            if (riga[i] != ',') return std::nullopt;
            ++i;
        } else if (valori.size() < 8 || !completa) {
            return std::nullopt;
        }
    }
    return valori;
}

std::string motivoNonRegolare(fs::file_type tipo) {
    return tipo == fs::file_type::fifo     ? "è una pipe con nome"
           : tipo == fs::file_type::socket ? "è un socket"
                                           : "è un dispositivo";
}

std::vector<ValoreRisultato> leggiRisultati(const fs::path& file) {
    std::error_code errore;
    const fs::file_status stato = fs::status(file, errore);
    if (fs::is_directory(stato)) letturaFallita(file, EISDIR);
    if (fs::exists(stato) && !fs::is_regular_file(stato))
        throw ErroreFile("Impossibile leggere il file " + testoPercorso(file) + ": " + motivoNonRegolare(stato.type()),
                         file, EINVAL);
    errno = 0;
    std::ifstream in(file, std::ios::binary);
    if (!in) letturaFallita(file, errno != 0 ? errno : ENOENT);
    // One byte past the limit tells a longer file from one that ends there.
    std::string dati(limiteLetturaRisultati + 1, '\0');
    in.read(dati.data(), static_cast<std::streamsize>(dati.size()));
    if (in.bad()) letturaFallita(file, EIO);
    dati.resize(static_cast<std::size_t>(in.gcount()));
    auto valori = valoriRisultati(dati);
    if (!valori) throw erroreContenuto(file);
    return std::move(*valori);
}

}  // namespace ponderino
