// Reading printed PDF files back for the tests: words with their boxes
// (pdftotext -bbox), words grouped into lines, and a page as a grey image.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "report/riepilogo.h"

namespace ponderino::prova {

// Runs a shell command; gives its standard output, and its exit status in *stato.
std::string esegui(const std::string& comando, int* stato = nullptr);

// A new empty folder under /tmp, e.g. /tmp/ponderino-pdf-Ab12Cd.
std::filesystem::path cartellaTemporanea(const std::string& prefisso);

// A path quoted for the shell.
std::string tra_apici(const std::filesystem::path& p);

struct Parola {
    int pagina;  // from 0
    double x0, y0, x1, y1;  // points, from the top-left corner of the paper
    std::string testo;
};

struct Pagina {
    double larghezza, altezza;  // points
    std::vector<Parola> parole;
};

// Every page of the file with its words; fails the calling test (and gives
// nothing) when pdftotext cannot read it.
std::vector<Pagina> leggiPdf(const std::filesystem::path& file);

struct RigaLetta {
    int pagina;
    double y;                    // top of the line's words, points
    std::string testo;           // its words joined by single spaces
    std::vector<Parola> parole;  // left to right
};

// The words of each page grouped by their top edge, top to bottom.
std::vector<RigaLetta> righeLette(const std::vector<Pagina>& pagine);

// The printed summary as a reader sees its 47 lines ("" for an empty one): those of
// riepilogo_atteso.txt, words joined by single blanks, with the date, the seven field
// texts and the eight results as they stand on the sheet.
std::vector<std::string> riepilogoLetto(const std::string& data, const std::vector<std::string>& misure,
                                        const std::vector<std::string>& risultati);
// The sample subject, Mario Rossi (30, 70, 45, 95, 80, 175), confirmed and printed
// on 8 December 2026, with the decimal separator his results were written with.
std::vector<std::string> riepilogoEsempio(char decimale);

// Fails the calling test unless the printed lines are the non-empty ones of
// `attese`, in order, each the right number of line heights (within 0.3 points)
// below the first. altezzaRiga 0: measured between "nome" and "eta'" (within 5%),
// as a queue may scale the page.
void controllaRighe(const std::vector<RigaLetta>& righe, const std::vector<std::string>& attese,
                    double altezzaRiga = 0);

// One page rendered in grey levels (0 black .. 255 white), one pixel per point.
struct Immagine {
    int larghezza = 0, altezza = 0;
    std::vector<unsigned char> pixel;
    unsigned char at(int x, int y) const { return pixel[static_cast<std::size_t>(y) * larghezza + x]; }
};
Immagine paginaInGrigio(const std::filesystem::path& file, int pagina /* from 1 */);

}  // namespace ponderino::prova
