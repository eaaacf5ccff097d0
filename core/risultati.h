// All eight results at once, and the results file dati.txt that holds them.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/misure.h"

namespace ponderino {

// The eight result texts in MetodoCalcolo order, which is the file order.
using RigaRisultati = std::array<std::string, 8>;

// Evaluates Bertheam, Gautrelet, Enrhart, Bmi, Lorentz, Perrault, VanDerVael
// and Broca in that order, turning each value into its result text at once;
// the first failure ends the work with ErroreDati.
RigaRisultati calcolaRisultati(const DatiSoggetto& dati, const ImpostazioniRegionali& regionali);

// A results file that cannot be written, read or understood. what() is an
// Italian sentence naming the file and the reason, e.g.
// "Impossibile scrivere il file dati.txt: permesso negato".
class ErroreFile : public std::runtime_error {
public:
    ErroreFile(const std::string& messaggio, std::filesystem::path file, int codice);
    const std::filesystem::path& file() const noexcept { return file_; }
    // The system's error number, or 0 when the content was at fault.
    int codice() const noexcept { return codice_; }

private:
    std::filesystem::path file_;
    int codice_;
};

// A path as UTF-8 text, for messages.
std::string testoPercorso(const std::filesystem::path& file);

// The Italian reason for a system error number ("permesso negato", "disco pieno", ...).
std::string motivoErrore(int codice);
// Why what stands as the results file is no place for them: a named pipe (whose
// open may wait for good), a socket or a device.
std::string motivoNonRegolare(std::filesystem::file_type tipo);

// The exact bytes of the results file: "t1",...,"t8" CR LF, and the zero line.
std::string lineaRisultati(const RigaRisultati& riga);
inline constexpr std::string_view lineaZeri = "0,0,0,0,0,0,0,0\r\n";

// Both writers replace the file as a whole and atomically: the new line goes to
// a temporary file in the same folder, which is flushed to disk and renamed over
// the old one. In a folder that takes no new file, an existing writable file is
// written in place instead. On any failure they throw ErroreFile and leave the
// old file as it was (an in-place write that cannot put it back says so in the
// error), with no temporary file behind. An existing file without
// write permission is refused, not replaced; so is one that another program
// holds open without sharing it (Windows).
void scriviRisultati(const std::filesystem::path& file, const RigaRisultati& riga);  // "t1",...,"t8" CR LF
void scriviZeri(const std::filesystem::path& file);                                   // 0,0,0,0,0,0,0,0 CR LF

// A value of the results file: a quoted text (without its quotes) or a bare number.
using ValoreRisultato = std::variant<std::string, double>;

// The error of a results file whose first line does not begin with eight values:
// "Il file dati.txt non contiene otto valori validi".
ErroreFile erroreContenuto(const std::filesystem::path& file);

// The most of a results file that is read.
inline constexpr std::size_t limiteLetturaRisultati = 64 * 1024;

// The first eight values of the first line of a results file's content, as
// leggiRisultati reads them; only the first limiteLetturaRisultati bytes count,
// and the line must be complete within them. Nothing when they are not there.
std::optional<std::vector<ValoreRisultato>> valoriRisultati(std::string_view contenuto);

// Reads the first line of the file (at most its first 64 KiB) and gives its
// first eight values. Fields are split at commas outside quotation marks; a
// quoted field gives its text, a bare field a finite number in C notation
// (blanks around it ignored). Throws ErroreFile when the file cannot be read, is
// no regular file (a named pipe is never opened), or its first line does not begin
// with eight such values.
std::vector<ValoreRisultato> leggiRisultati(const std::filesystem::path& file);

}  // namespace ponderino
