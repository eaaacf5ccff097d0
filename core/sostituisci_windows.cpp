// Replacing the results file on Windows, with wide-character paths throughout so
// that a folder such as C:\Users\Niccolò works.
#include "core/sostituisci.h"

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

// Writes all of `contenuto` and flushes it to disk; gives 0 or the Windows error.
DWORD scriviTutto(HANDLE h, std::string_view contenuto) {
    DWORD scritti = 0;
    if (!WriteFile(h, contenuto.data(), static_cast<DWORD>(contenuto.size()), &scritti, nullptr))
        return GetLastError();
    if (scritti != contenuto.size()) return ERROR_DISK_FULL;
    return FlushFileBuffers(h) ? 0 : GetLastError();
}

// The write in place, for a folder that takes no temporary file: the file keeps
// its attributes and permissions, and gets its old content back if the write fails.
void scriviSulPosto(const fs::path& file, std::string_view contenuto) {
    const HANDLE h = CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) fallita(file, GetLastError());
    std::string prima;
    char blocco[4096];
    DWORD letti = 0;
    while (ReadFile(h, blocco, sizeof blocco, &letti, nullptr) && letti > 0) prima.append(blocco, letti);
    SetFilePointer(h, 0, nullptr, FILE_BEGIN);
    DWORD errore = SetEndOfFile(h) ? scriviTutto(h, contenuto) : GetLastError();
    if (errore != 0) {
        SetFilePointer(h, 0, nullptr, FILE_BEGIN);
        if (SetEndOfFile(h)) (void)scriviTutto(h, prima);
    }
    CloseHandle(h);
    if (errore != 0) fallita(file, errore);
}

}  // namespace

void sostituisciFile(const fs::path& file, std::string_view contenuto) {
    const DWORD attributi = GetFileAttributesW(file.c_str());
    const bool esiste = attributi != INVALID_FILE_ATTRIBUTES;
    if (!esiste && GetLastError() != ERROR_FILE_NOT_FOUND) fallita(file, GetLastError());
    if (esiste) {
        if (attributi & FILE_ATTRIBUTE_DIRECTORY) scritturaFallita(file, EISDIR);
        // A read-only file is kept, not replaced.
        if (attributi & FILE_ATTRIBUTE_READONLY) scritturaFallita(file, EACCES);
        // A program that holds the file open without sharing it (a spreadsheet,
        // say) would make the replace fail halfway: ask first, and write nothing.
        const HANDLE prova = CreateFileW(file.c_str(), GENERIC_WRITE | DELETE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (prova != INVALID_HANDLE_VALUE) {
            CloseHandle(prova);
        } else if (const DWORD errore = GetLastError();
                   errore == ERROR_SHARING_VIOLATION || errore == ERROR_LOCK_VIOLATION) {
            fallita(file, errore);
        }  // anything else (no right to delete, say) is for the steps below to meet
    }

    static std::atomic<unsigned> contatore{0};
    const fs::path cartella = file.parent_path();
    const std::wstring prefisso =
        L"." + file.filename().wstring() + L"." + std::to_wstring(GetCurrentProcessId()) + L".";
    fs::path temporaneo;
    HANDLE h = INVALID_HANDLE_VALUE;
    for (int tentativo = 0; h == INVALID_HANDLE_VALUE; ++tentativo) {
        temporaneo = cartella / (prefisso + std::to_wstring(contatore++) + L".tmp");
        h = CreateFileW(temporaneo.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                        FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY, nullptr);
        if (h != INVALID_HANDLE_VALUE) break;
        const DWORD errore = GetLastError();
        if ((errore == ERROR_FILE_EXISTS || errore == ERROR_ALREADY_EXISTS) && tentativo < 100) continue;
        if (esiste && errore == ERROR_ACCESS_DENIED) return scriviSulPosto(file, contenuto);
        fallita(file, errore);
    }

    auto abbandona = [&](DWORD errore) {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        DeleteFileW(temporaneo.c_str());
        fallita(file, errore);
    };
    if (const DWORD errore = scriviTutto(h, contenuto)) abbandona(errore);
    CloseHandle(h);
    h = INVALID_HANDLE_VALUE;
    // The new file takes the old one's plain attributes, not the temporary ones.
    SetFileAttributesW(temporaneo.c_str(), esiste ? (attributi & ~DWORD{FILE_ATTRIBUTE_TEMPORARY})
                                                    : FILE_ATTRIBUTE_NORMAL);
    if (!MoveFileExW(temporaneo.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        abbandona(GetLastError());
}

}  // namespace ponderino
