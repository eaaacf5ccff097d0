// Replacing the results file on Linux and other POSIX systems.
#include "core/sostituisci.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>

namespace ponderino {

namespace fs = std::filesystem;

namespace {

// Writes all of `contenuto` to fd; gives 0 or the error number.
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
    return ::fsync(fd) != 0 && errno != EINVAL ? errno : 0;
}

// Reads what the file holds now, to put it back should an in-place write fail;
// a file that cannot be read whole is not written.
std::string vecchioContenuto(const fs::path& file, const fs::path& destinazione) {
    std::string testo;
    const int fd = ::open(destinazione.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) scritturaFallita(file, errno);
    char blocco[4096];
    ssize_t n;
    while ((n = ::read(fd, blocco, sizeof blocco)) != 0) {
        if (n > 0) testo.append(blocco, static_cast<std::size_t>(n));
        else if (errno != EINTR) {
            const int codice = errno;
            ::close(fd);
            scritturaFallita(file, codice);
        }
    }
    ::close(fd);
    return testo;
}

// The write in place, for a folder that takes no temporary file. Mode and owner
// stay as they are, since the file itself is kept.
void scriviSulPosto(const fs::path& file, const fs::path& destinazione, std::string_view contenuto) {
    const std::string prima = vecchioContenuto(file, destinazione);
    const int fd = ::open(destinazione.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) scritturaFallita(file, errno);
    const int codice = scriviTutto(fd, contenuto);
    if (codice != 0) {
        const bool rimesso =
            ::ftruncate(fd, 0) == 0 && ::lseek(fd, 0, SEEK_SET) == 0 && scriviTutto(fd, prima) == 0;
        ::close(fd);
        scritturaFallita(file, codice, !rimesso);
    }
    if (::close(fd) != 0) scritturaFallita(file, errno);
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
        if (fd >= 0 || (errno == EEXIST && tentativo < 100)) continue;
        if (esiste && errno != ENOENT && errno != ENOTDIR) return scriviSulPosto(file, destinazione, contenuto);
        scritturaFallita(file, errno);
    }

    auto abbandona = [&](int codice) {
        if (fd >= 0) ::close(fd);
        ::unlink(temporaneo.c_str());
        scritturaFallita(file, codice);
    };

    if (esiste) (void)::fchmod(fd, stato.st_mode & 07777);  // the old file's permissions
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
