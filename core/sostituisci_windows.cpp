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

// The error number of a failure that outlasted the retries: the file stayed in use.
DWORD inUso(DWORD errore) { return errore == ERROR_ACCESS_DENIED ? ERROR_SHARING_VIOLATION : errore; }

[[noreturn]] void fallitaConNota(const fs::path& file, DWORD errore, const std::string& nota) {
    const int codice = numeroErrore(errore);
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

// The write in place, for a folder that takes no temporary file: the file keeps
// its attributes and permissions. The new bytes go first and the end of file after
// them, so the file never stands empty; a failed write puts the old bytes back,
// and the message says when even that failed.
void scriviSulPosto(const fs::path& file, std::string_view contenuto, Pazienza& pazienza) {
    HANDLE h;
    while ((h = CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr)) == INVALID_HANDLE_VALUE) {
        const DWORD errore = GetLastError();
        if (!pazienza.riprova(errore, false)) fallita(file, errore);
    }
    std::string prima;
    char blocco[4096];
    DWORD letti = 0;
    while (ReadFile(h, blocco, sizeof blocco, &letti, nullptr) && letti > 0) prima.append(blocco, letti);
    const DWORD errore = scriviEChiudiQui(h, contenuto);
    const bool ripristinato = errore == 0 || scriviEChiudiQui(h, prima) == 0;
    CloseHandle(h);
    if (errore != 0) scritturaFallita(file, numeroErrore(errore), !ripristinato);
}

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

}  // namespace

void sostituisciFile(const fs::path& file, std::string_view contenuto) {
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
    auto abbandona = [&](DWORD errore) {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        while (!DeleteFileW(temporaneo.c_str())) {
            const DWORD rimosso = GetLastError();
            if (rimosso == ERROR_FILE_NOT_FOUND) break;
            if (!pazienza.riprova(rimosso, true)) {
                fallitaConNota(file, errore, ". Resta il file temporaneo " + testoPercorso(temporaneo));
            }
        }
        fallita(file, errore);
    };
    if (const DWORD errore = scriviTutto(h, contenuto)) abbandona(errore);
    // The new file takes the old one's plain attributes, not the temporary ones.
    FILE_BASIC_INFO base{};
    base.FileAttributes = esiste ? (attributi & ~DWORD{FILE_ATTRIBUTE_TEMPORARY}) : FILE_ATTRIBUTE_NORMAL;
    if (!SetFileInformationByHandle(h, FileBasicInfo, &base, sizeof base)) abbandona(GetLastError());
    // Renamed while still open, so that no scanner gets in between; if another
    // program holds dati.txt for a moment, tried again. Delete access was granted
    // above, so a lasting "access denied" here is a holder that does not share it.
    while (!rinominaAperto(h, file)) {
        const DWORD errore = GetLastError();
        if (!pazienza.riprova(errore, true)) abbandona(inUso(errore));
    }
    CloseHandle(h);
}

}  // namespace ponderino
