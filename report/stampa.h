// Putting the summary on paper: the Qt renderer of the printer lines and the
// back end of the calculation screen's "&Stampa" command.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <vector>

#include <QFont>

#include "core/misure.h"
#include "report/riepilogo.h"

class QPagedPaintDevice;
class QPrinter;

namespace ponderino {

// A summary that could not be printed. what() is an Italian sentence for the
// user: the results file and what is wrong with it, "Nessuna stampante
// predefinita", or why the printer refused the job.
class ErroreStampa : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The document font: Arial, 12 points, drawn with Liberation Sans, which has
// Arial's metrics (Arial itself where Liberation Sans is missing).
QFont fontRiepilogo();

// Draws the lines on the device from the top-left corner of its printable
// area, one line per line height of fontRiepilogo() on that device; a
// next-zone item starts at the first multiple of colonneZona average character
// widths strictly right of the current position; a line that would pass the
// bottom starts a new page; whatever passes the right edge is clipped.
// Opens and closes its own painter, so the device receives one document.
// Returns the number of pages. Throws ErroreStampa when the device refuses the
// painter or fails to finish the document.
int disegnaDocumento(QPagedPaintDevice& foglio, const std::vector<RigaStampa>& righe);

// Reads the results file, builds the summary and draws it on the given printer.
// The file is read and checked before anything reaches the printer; on any
// failure ErroreStampa is thrown and nothing is printed.
// Bare numbers of the file print with the decimal separator of `regionali`.
void stampaRiepilogo(const DatiSoggetto& dati, const std::filesystem::path& fileDati,
                     const DataStampa& oggi, QPrinter& stampante,
                     const ImpostazioniRegionali& regionali = regionaliItaliane);

// The "&Stampa" command: the same on the system's default printer, as one job
// and without a dialog. Throws ErroreStampa ("Nessuna stampante predefinita",
// "La stampante predefinita X non è disponibile" for a stopped queue, or the file
// and the reason) without sending anything when the file or the printer is not
// usable. Needs a QGuiApplication.
void stampaRiepilogo(const DatiSoggetto& dati, const std::filesystem::path& fileDati,
                     const DataStampa& oggi, const ImpostazioniRegionali& regionali = regionaliItaliane);

}  // namespace ponderino
