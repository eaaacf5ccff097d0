// Replacing the results file on Linux and other POSIX systems.
#include "core/sostituisci.h"

#include "core/risultati.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace ponderino {

namespace fs = std::filesystem;

namespace {

// Names a save tries for its temporary file before it gives up: a save of another
// thread may hold one, a process that died with our number may have left one.
constexpr int tentativiNome = 100;

[[noreturn]] void rifiuta(const fs::path& file, int codice, const std::string& motivo) {
    throw ErroreFile("Impossibile scrivere il file " + testoPercorso(file) + ": " + motivo, file, codice);
}

// Whatever the folder allows, only a regular file is written: opening a FIFO may
// wait for good, and a socket or a device is no place for the results.
[[noreturn]] void nonRegolare(const fs::path& file, mode_t modo) {
    rifiuta(file, EINVAL,
            motivoNonRegolare(S_ISFIFO(modo)   ? fs::file_type::fifo
                              : S_ISSOCK(modo) ? fs::file_type::socket
                                               : fs::file_type::character));
}

// fsync, where a file that cannot be synced (EINVAL) counts as synced. Gives 0 or the error number.
int sincronizza(int fd) { return ::fsync(fd) != 0 && errno != EINVAL ? errno : 0; }

// Writes all of `contenuto` to fd and flushes it; gives 0 or the error number.
int scriviTutto(int fd, std::string_view contenuto) {
    const char* dati = contenuto.data();
    std::size_t resto = contenuto.size();
    while (resto > 0) {
        const ssize_t scritti = ::write(fd, dati, resto);
        if (scritti < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        dati += scritti;
        resto -= static_cast<std::size_t>(scritti);
    }
    return sincronizza(fd);
}

// Writes `contenuto` over the start of the file and flushes it; then, with `taglia`,
// cuts the file to that length and flushes again. Until the cut the file holds the
// new bytes over the old ones, never fewer bytes than before. Gives 0 or the error number.
int scriviDaCapo(int fd, std::string_view contenuto, bool taglia) {
    for (std::size_t fatti = 0; fatti < contenuto.size();) {
        const ssize_t n =
            ::pwrite(fd, contenuto.data() + fatti, contenuto.size() - fatti, static_cast<off_t>(fatti));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return n < 0 ? errno : EIO;
        fatti += static_cast<std::size_t>(n);
    }
    if (const int codice = sincronizza(fd)) return codice;
    if (!taglia) return 0;
    if (::ftruncate(fd, static_cast<off_t>(contenuto.size())) != 0) return errno;
    return sincronizza(fd);
}

// Reads the whole file from its start, to put it back should an in-place write fail;
// gives 0 or the error number.
int leggiTutto(int fd, std::string& testo) {
    char blocco[4096];
    for (ssize_t n; (n = ::pread(fd, blocco, sizeof blocco, static_cast<off_t>(testo.size()))) != 0;) {
        if (n > 0) testo.append(blocco, static_cast<std::size_t>(n));
        else if (errno != EINTR) return errno;
    }
    return 0;
}

// The write in place, for a folder that takes no temporary file. Mode and owner
// stay as they are, since the file itself is kept. The open never waits, and what
// it finds must still be a regular file: a FIFO may have taken its place meanwhile.
void scriviSulPosto(const fs::path& file, const fs::path& destinazione, std::string_view contenuto) {
    const int fd = ::open(destinazione.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) scritturaFallita(file, errno);
    struct stat stato {};
    std::string prima;
    const int lettura = ::fstat(fd, &stato) != 0 ? errno : S_ISREG(stato.st_mode) ? leggiTutto(fd, prima) : 0;
    if (lettura != 0 || !S_ISREG(stato.st_mode)) {
        ::close(fd);
        if (lettura != 0) scritturaFallita(file, lettura);
        nonRegolare(file, stato.st_mode);
    }

    int codice = scriviDaCapo(fd, contenuto, prima.size() > contenuto.size());
    if (codice != 0) {
        const bool rimesso = scriviDaCapo(fd, prima, true) == 0;
        ::close(fd);
        scritturaFallita(file, codice, !rimesso);
    }
    if (::close(fd) == 0) return;
    // The descriptor is gone all the same; the old bytes go back through another one.
    codice = errno;
    const int diNuovo = ::open(destinazione.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    const bool rimesso = diNuovo >= 0 && scriviDaCapo(diNuovo, prima, true) == 0;
    const bool chiuso = diNuovo >= 0 && ::close(diNuovo) == 0;
    scritturaFallita(file, codice, !(rimesso && chiuso));
}

}  // namespace

void sostituisciFile(const fs::path& file, std::string_view contenuto) {
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
        if (!S_ISREG(stato.st_mode)) nonRegolare(file, stato.st_mode);
        // A read-only file is kept, not replaced. The mode bits decide it for
        // every user, the system's own check for the rest (the file belongs to
        // someone else, a read-only file system).
        if ((stato.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) scritturaFallita(file, EACCES);
        if (::access(destinazione.c_str(), W_OK) != 0 && errno != ENOENT) scritturaFallita(file, errno);
        esiste = true;
    } else if (errno != ENOENT) {
        scritturaFallita(file, errno);
    }

    const fs::path cartella = destinazione.parent_path();
    const std::string prefisso = "." + destinazione.filename().string() + "." + std::to_string(::getpid()) + ".";
    fs::path temporaneo;
    int fd = -1;
    for (int tentativo = 0;; ++tentativo) {
        temporaneo = cartella / (prefisso + std::to_string(tentativo) + ".tmp");
        // Open to its owner only until it takes the old file's permissions, so that
        // it is never more open than the file it replaces; a first dati.txt gets
        // 0666 less the umask, as any new file.
        fd = ::open(temporaneo.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, esiste ? 0600 : 0666);
        if (fd >= 0) break;
        const int codice = errno;
        if (codice == EEXIST && tentativo < tentativiNome) continue;
        if (codice == EEXIST) rifiuta(file, codice, "troppi file temporanei nella cartella");
        // Only a folder that takes no new file leaves the write in place as the one
        // way; a full disk, a quota or a fault refuses, the old file untouched.
        if (esiste && (codice == EACCES || codice == EPERM)) return scriviSulPosto(file, destinazione, contenuto);
        scritturaFallita(file, codice);
    }

    auto abbandona = [&](int codice) {
        if (fd >= 0) ::close(fd);
        ::unlink(temporaneo.c_str());
        scritturaFallita(file, codice);
    };

    // The old file's permissions; where they cannot be kept, nothing is replaced.
    if (esiste && ::fchmod(fd, stato.st_mode & 07777) != 0) abbandona(errno);
    if (const int codice = scriviTutto(fd, contenuto)) abbandona(codice);
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

}  // namespace ponderino
