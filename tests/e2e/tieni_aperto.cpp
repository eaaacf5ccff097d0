// A stand-in for a spreadsheet that has a file open: holds the file named on the
// command line open without sharing it, says "aperto" once it does, and lets it go
// when its standard input is closed. Windows only.
#include <windows.h>

#include <cstdio>

int wmain(int argc, wchar_t* argv[]) {
    if (argc != 2) return 2;
    const HANDLE file = CreateFileW(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    std::puts("aperto");
    std::fflush(stdout);
    char c;
    DWORD letti = 0;
    while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), &c, 1, &letti, nullptr) && letti > 0) {
    }
    CloseHandle(file);
    return 0;
}
