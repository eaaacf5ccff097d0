#include "core/risultati.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>

#include "core/metodi.h"

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
    case EDQUOT: return "spazio disco esaurito per l'utente";
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

namespace {

[[noreturn]] void scritturaFallita(const fs::path& file, int codice) {
    throw ErroreFile("Impossibile scrivere il file " + file.string() + ": " + motivoErrore(codice), file, codice);
}

[[noreturn]] void letturaFallita(const fs::path& file, int codice) {
    throw ErroreFile("Impossibile leggere il file " + file.string() + ": " + motivoErrore(codice), file, codice);
}

[[noreturn]] void contenutoNonValido(const fs::path& file) {
    throw ErroreFile("Il file " + file.string() + " non contiene otto valori validi", file, 0);
}

// Replaces `file` with `contenuto` in one step: a temporary file beside it is
// written, flushed to disk and renamed over it. The old file is either kept
// whole or replaced whole, and the temporary file never outlives the call.
void sostituisci(const fs::path& file, std::string_view contenuto) {
    // Opening a link for output writes where it points; so does this.
    fs::path destinazione = file;
    std::error_code ignorato;
    if (fs::is_symlink(fs::symlink_status(file, ignorato))) {
        fs::path vero = fs::weakly_canonical(file, ignorato);
        if (!ignorato) destinazione = vero;
    }

    struct stat stato {};
    bool esiste = false;
    if (::stat(destinazione.c_str(), &stato) == 0) {
        if (S_ISDIR(stato.st_mode)) scritturaFallita(file, EISDIR);
        // A read-only file is kept, not replaced. The mode bits decide it for
        // every user, the system's own check for the rest (the file belongs to
        // someone else, a read-only file system).
        if ((stato.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) scritturaFallita(file, EACCES);
        if (::access(destinazione.c_str(), W_OK) != 0 && errno != ENOENT) scritturaFallita(file, errno);
        esiste = true;
    } else if (errno != ENOENT) {
        scritturaFallita(file, errno);
    }

    static std::atomic<unsigned> contatore{0};
    const fs::path cartella = destinazione.parent_path();
    const std::string prefisso = "." + destinazione.filename().string() + "." + std::to_string(::getpid()) + ".";
    fs::path temporaneo;
    int fd = -1;
    for (int tentativo = 0; fd < 0; ++tentativo) {
        temporaneo = cartella / (prefisso + std::to_string(contatore++) + ".tmp");
        fd = ::open(temporaneo.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && (errno != EEXIST || tentativo >= 100)) scritturaFallita(file, errno);
    }

    auto abbandona = [&](int codice) {
        if (fd >= 0) ::close(fd);
        ::unlink(temporaneo.c_str());
        scritturaFallita(file, codice);
    };

    if (esiste) (void)::fchmod(fd, stato.st_mode & 07777);  // the old file's permissions
    const char* dati = contenuto.data();
    std::size_t resto = contenuto.size();
    while (resto > 0) {
        const ssize_t scritti = ::write(fd, dati, resto);
        if (scritti < 0) {
            if (errno == EINTR) continue;
            abbandona(errno);
        }
        dati += scritti;
        resto -= static_cast<std::size_t>(scritti);
    }
    if (::fsync(fd) != 0 && errno != EINVAL) abbandona(errno);
    const int chiusura = ::close(fd);
    fd = -1;
    if (chiusura != 0) abbandona(errno);
    if (::rename(temporaneo.c_str(), destinazione.c_str()) != 0) abbandona(errno);

    // Make the rename itself durable; a folder that cannot be synced changes nothing.
    const int fdCartella = ::open(cartella.empty() ? "." : cartella.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fdCartella >= 0) {
        (void)::fsync(fdCartella);
        ::close(fdCartella);
    }
}

bool spazio(char c) { return c == ' ' || c == '\t'; }

}  // namespace

void scriviRisultati(const fs::path& file, const RigaRisultati& riga) {
    std::string linea;
    for (std::size_t i = 0; i < riga.size(); ++i) {
        if (i > 0) linea += ',';
        linea += '"';
        linea += riga[i];
        linea += '"';
    }
    linea += "\r\n";
    sostituisci(file, linea);
}

void scriviZeri(const fs::path& file) { sostituisci(file, "0,0,0,0,0,0,0,0\r\n"); }

std::vector<ValoreRisultato> leggiRisultati(const fs::path& file) {
    // Only the first 64 KiB are read; the line must be complete within them.
    constexpr std::size_t limite = 64 * 1024;
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) letturaFallita(file, errno);
    std::string dati(limite + 1, '\0');
    std::size_t letti = 0;
    while (letti < dati.size()) {
        const ssize_t n = ::read(fd, dati.data() + letti, dati.size() - letti);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int codice = errno;
            ::close(fd);
            letturaFallita(file, codice);
        }
        if (n == 0) break;
        letti += static_cast<std::size_t>(n);
    }
    ::close(fd);
    const bool troncato = letti > limite;
    dati.resize(troncato ? limite : letti);

    // The first line ends at the first carriage return or line feed.
    std::string_view riga = dati;
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
            if (chiusa == std::string_view::npos) contenutoNonValido(file);
            valori.emplace_back(std::string(riga.substr(i + 1, chiusa - i - 1)));
            i = chiusa + 1;
            while (i < riga.size() && spazio(riga[i])) ++i;
        } else {
            std::size_t fine = riga.find(',', i);
            if (fine == std::string_view::npos) fine = riga.size();
            std::size_t ultimo = fine;
            while (ultimo > i && spazio(riga[ultimo - 1])) --ultimo;
            double numero = 0;
            const auto [fermo, errore] = std::from_chars(riga.data() + i, riga.data() + ultimo, numero);
            if (i == ultimo || errore != std::errc() || fermo != riga.data() + ultimo || !std::isfinite(numero))
                contenutoNonValido(file);
            valori.emplace_back(numero);
            i = fine;
        }
        // A field ends at a comma or at the end of the line; the line must not
        // have been cut by the reading limit.
        if (i < riga.size()) {
            if (riga[i] != ',') contenutoNonValido(file);
            ++i;
        } else if (valori.size() < 8 || !completa) {
            contenutoNonValido(file);
        }
    }
    return valori;
}

}  // namespace ponderino
