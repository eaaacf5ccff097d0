// Replacing the results file on Windows, with wide-character paths throughout so
// that a folder such as C:\Users\Niccolò works.
#include "core/sostituisci.h"

#include "core/risultati.h"

#include <windows.h>

#include <atomic>
#include <cerrno>
#include <string>

namespace ponderino {

namespace fs = std::filesystem;

namespace {

// The error numbers ErroreFile carries are errno values on every platform.
int numeroErrore(DWORD errore) {
    switch (errore) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE: return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT: return EACCES;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE: return EBUSY;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
    case ERROR_DIRECTORY: return ENOTDIR;
    case ERROR_TOO_MANY_OPEN_FILES: return EMFILE;
    default: return EIO;
    }
}

[[noreturn]] void fallita(const fs::path& file, DWORD errore) { scritturaFallita(file, numeroErrore(errore)); }

// Antivirus scanners, the search indexer and sync clients open a new or changed
// file for a moment. What they hold up is tried again, for about a second in all
// per save, before the save gives up with "file in uso".
class Pazienza {
public:
    // True (after a short pause) when `errore` is worth another try now.
    bool riprova(DWORD errore, bool ancheAccessoNegato) {
        const bool passeggero = errore == ERROR_SHARING_VIOLATION || errore == ERROR_LOCK_VIOLATION ||
                                (ancheAccessoNegato && errore == ERROR_ACCESS_DENIED);
        if (!passeggero || GetTickCount64() >= fine_) return false;
        Sleep(25);
        return true;
    }

private:
    ULONGLONG fine_ = GetTickCount64() + 1000;
};

// The error number of a rename still refused when the retries are over. "Access
// denied" is what a scanner's brief hold gives too, so it tells nothing by itself:
// dati.txt made read-only or replaced by a folder meanwhile is named as such, and
// anything else is a holder that does not share it.
int rifiutoDurevole(const fs::path& file, DWORD errore) {
    if (errore != ERROR_ACCESS_DENIED) return numeroErrore(errore);
    const DWORD ora = GetFileAttributesW(file.c_str());
    if (ora != INVALID_FILE_ATTRIBUTES && (ora & FILE_ATTRIBUTE_DIRECTORY)) return EISDIR;
    if (ora != INVALID_FILE_ATTRIBUTES && (ora & FILE_ATTRIBUTE_READONLY)) return EACCES;
    return EBUSY;
}

[[noreturn]] void fallitaConNota(const fs::path& file, int codice, const std::string& nota) {
    throw ErroreFile("Impossibile scrivere il file " + testoPercorso(file) + ": " + motivoErrore(codice) + nota,
                     file, codice);
}

// Writes all of `contenuto` from the file's start and flushes it to disk; gives 0
// or the Windows error.
DWORD scriviTutto(HANDLE h, std::string_view contenuto) {
    if (SetFilePointer(h, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) return GetLastError();
    DWORD scritti = 0;
    if (!WriteFile(h, contenuto.data(), static_cast<DWORD>(contenuto.size()), &scritti, nullptr))
        return GetLastError();
    if (scritti != contenuto.size()) return ERROR_DISK_FULL;
    return FlushFileBuffers(h) ? 0 : GetLastError();
}

// Writes `contenuto` over the file's start, then ends the file there.
DWORD scriviEChiudiQui(HANDLE h, std::string_view contenuto) {
    if (const DWORD errore = scriviTutto(h, contenuto)) return errore;
    if (!SetEndOfFile(h)) return GetLastError();
    return FlushFileBuffers(h) ? 0 : GetLastError();
}

// Reads the whole file from its start, to put it back should the write in place
// fail; gives 0 or the Windows error. Fewer bytes than the file's size count as a
// read error: only a whole copy is worth putting back.
DWORD leggiTutto(HANDLE h, std::string& testo) {
    LARGE_INTEGER dimensione{};
    if (!GetFileSizeEx(h, &dimensione)) return GetLastError();
    char blocco[4096];
    for (DWORD letti = 0;; testo.append(blocco, letti)) {
        if (!ReadFile(h, blocco, sizeof blocco, &letti, nullptr)) return GetLastError();
        if (letti == 0) break;
    }
    return testo.size() == static_cast<unsigned long long>(dimensione.QuadPart) ? 0 : ERROR_READ_FAULT;
}

// The write in place, for a folder that takes no temporary file: the file keeps
// its attributes and permissions. Nothing is written unless the old content has
// been read whole. The new bytes go first and the end of file after them, so the
// file never stands empty; a failed write puts the old bytes back, and the message
// says when even that failed.
void scriviSulPosto(const fs::path& file, std::string_view contenuto, Pazienza& pazienza) {
    HANDLE h;
    while ((h = CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr)) == INVALID_HANDLE_VALUE) {
        const DWORD errore = GetLastError();
        if (!pazienza.riprova(errore, false)) fallita(file, errore);
    }
    std::string prima;
    if (const DWORD lettura = leggiTutto(h, prima)) {
        CloseHandle(h);
        fallita(file, lettura);
    }
    const DWORD errore = scriviEChiudiQui(h, contenuto);
    const bool ripristinato = errore == 0 || scriviEChiudiQui(h, prima) == 0;
    CloseHandle(h);
    if (errore != 0) scritturaFallita(file, numeroErrore(errore), !ripristinato);
}

// The old file's attributes the new one keeps.
constexpr DWORD attributiTenuti =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// Renames the open temporary file over `file`, replacing it.
BOOL rinominaAperto(HANDLE h, const fs::path& file) {
    const std::wstring nome = file.wstring();
    std::string spazio(sizeof(FILE_RENAME_INFO) + nome.size() * sizeof(wchar_t), '\0');
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(spazio.data());
    info->ReplaceIfExists = TRUE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(nome.size() * sizeof(wchar_t));
    nome.copy(info->FileName, nome.size());
    return SetFileInformationByHandle(h, FileRenameInfo, info, static_cast<DWORD>(spazio.size()));
}

// A dati.txt that is a symbolic link (or a junction) is refused, with its reason:
// replacing it would cut the link, and where it points is the link's to say. Other
// reparse points (a cloud file's placeholder) are files like any other.
bool collegamento(const fs::path& file) {
    const DWORD attributi = GetFileAttributesW(file.c_str());
    if (attributi == INVALID_FILE_ATTRIBUTES || !(attributi & FILE_ATTRIBUTE_REPARSE_POINT)) return false;
    const HANDLE h = CreateFileW(file.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return true;
    FILE_ATTRIBUTE_TAG_INFO info{};
    const bool letto = GetFileInformationByHandleEx(h, FileAttributeTagInfo, &info, sizeof info);
    CloseHandle(h);
    // A link made by WSL (and by Wine, for a link of Linux's) has a tag of its own.
    constexpr DWORD collegamentoLinux = 0xA000001D;  // IO_REPARSE_TAG_LX_SYMLINK
    // A reparse point whose tag cannot be read, or has none, counts as a link.
    return !letto || info.ReparseTag == IO_REPARSE_TAG_SYMLINK || info.ReparseTag == IO_REPARSE_TAG_MOUNT_POINT ||
           info.ReparseTag == collegamentoLinux || info.ReparseTag == 0;
}

}  // namespace

void sostituisciFile(const fs::path& file, std::string_view contenuto) {
    if (collegamento(file))
        throw ErroreFile("Impossibile scrivere il file " + testoPercorso(file) + ": è un collegamento simbolico", file,
                         EINVAL);
    Pazienza pazienza;
    const DWORD attributi = GetFileAttributesW(file.c_str());
    const bool esiste = attributi != INVALID_FILE_ATTRIBUTES;
    if (!esiste && GetLastError() != ERROR_FILE_NOT_FOUND) fallita(file, GetLastError());
    if (esiste) {
        if (attributi & FILE_ATTRIBUTE_DIRECTORY) scritturaFallita(file, EISDIR);
        // A read-only file is kept, not replaced.
        if (attributi & FILE_ATTRIBUTE_READONLY) scritturaFallita(file, EACCES);
        // A program that holds the file open without sharing it (a spreadsheet,
        // say) would make the replace fail halfway: ask first, and write nothing.
        // A file the user may not write (its ACL) is kept like a read-only one.
        DWORD accesso = GENERIC_WRITE | DELETE;
        for (;;) {
            const HANDLE prova =
                CreateFileW(file.c_str(), accesso, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (prova != INVALID_HANDLE_VALUE) {
                CloseHandle(prova);
                break;
            }
            const DWORD errore = GetLastError();
            if (pazienza.riprova(errore, false)) continue;
            if (errore == ERROR_SHARING_VIOLATION || errore == ERROR_LOCK_VIOLATION) fallita(file, errore);
            if (errore != ERROR_ACCESS_DENIED) break;  // for the steps below to meet
            if (accesso == GENERIC_WRITE) scritturaFallita(file, EACCES);
            accesso = GENERIC_WRITE;  // no right to delete it: maybe to write it in place
        }
        if (accesso == GENERIC_WRITE) return scriviSulPosto(file, contenuto, pazienza);
    }

    static std::atomic<unsigned> contatore{0};
    const fs::path cartella = file.parent_path();
    const std::wstring prefisso =
        L"." + file.filename().wstring() + L"." + std::to_wstring(GetCurrentProcessId()) + L".";
    fs::path temporaneo;
    HANDLE h = INVALID_HANDLE_VALUE;
    for (int tentativo = 0; h == INVALID_HANDLE_VALUE; ++tentativo) {
        temporaneo = cartella / (prefisso + std::to_wstring(contatore++) + L".tmp");
        // Not shared: nothing opens it before it has its place.
        h = CreateFileW(temporaneo.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                        FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY, nullptr);
        if (h != INVALID_HANDLE_VALUE) break;
        const DWORD errore = GetLastError();
        if ((errore == ERROR_FILE_EXISTS || errore == ERROR_ALREADY_EXISTS) && tentativo < 100) continue;
        if (esiste && errore == ERROR_ACCESS_DENIED) return scriviSulPosto(file, contenuto, pazienza);
        fallita(file, errore);
    }

    // On failure the temporary file goes, and the message says so if it stays.
    auto abbandona = [&](int codice) {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        while (!DeleteFileW(temporaneo.c_str())) {
            const DWORD rimosso = GetLastError();
            if (rimosso == ERROR_FILE_NOT_FOUND) break;
            if (!pazienza.riprova(rimosso, true)) {
                fallitaConNota(file, codice, ". Resta il file temporaneo " + testoPercorso(temporaneo));
            }
        }
        scritturaFallita(file, codice);
    };
    if (const DWORD errore = scriviTutto(h, contenuto)) abbandona(numeroErrore(errore));
    // The new file takes those of the old one's attributes that its owner chose, not
    // the temporary file's and not the storage's own (offline, cloud placeholder,
    // compressed...). Zero would leave the temporary file's attributes, hidden among
    // them, as they are: then it is NORMAL.
    FILE_BASIC_INFO base{};
    base.FileAttributes = esiste ? attributi & attributiTenuti : 0;
    if (base.FileAttributes == 0) base.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    if (!SetFileInformationByHandle(h, FileBasicInfo, &base, sizeof base)) abbandona(numeroErrore(GetLastError()));
    // Renamed while still open, so that no scanner gets in between; if another
    // program holds dati.txt for a moment, tried again.
    while (!rinominaAperto(h, file)) {
        const DWORD errore = GetLastError();
        if (!pazienza.riprova(errore, true)) abbandona(rifiutoDurevole(file, errore));
    }
    // The rename made durable: FlushFileBuffers on the renamed file once more, which
    // on NTFS also commits the journal that holds the rename. Not write-through: that
    // covers the file's own writes, and the rename is a change of the folder. Should
    // it fail, dati.txt already holds the new results, but they may not outlast a
    // power cut, and the message says the save failed.
    const bool durevole = FlushFileBuffers(h);
    const DWORD errore = GetLastError();
    CloseHandle(h);
    if (!durevole) fallita(file, errore);
}

}  // namespace ponderino
