#pragma once
// The windows' commands, written once for both editions: each gives back, in order,
// what it does as a list of steps, and the Qt windows and the web page each apply
// them with their own controls, storage, printer and message box. No Qt here.
//
// Applying a list: each step in order. A step that fails (a picture that cannot be
// loaded, a line that cannot be stored, a summary that cannot be printed) is told in
// the message box and the steps after it are left out, all but the end of the program,
// which still comes once the message is closed.

#include <string>
#include <string_view>
#include <vector>

#include "core/misure.h"
#include "report/riepilogo.h"

namespace ponderino {

enum class Azione {
    Testo,        // puts `valore` into the text box `controllo`
    Immagine,     // loads the picture file `valore` into the picture box `controllo`
    Stampa,       // prints `valore` as one line on the window's own surface
    Persistenza,  // switches the window's drawing persistence on
    Messaggio,    // shows `valore` in the message box and waits for OK
    Salva,        // stores `valore` as the whole of dati.txt
    Riepilogo,    // prints the summary of the subject and of what dati.txt holds
    Mostra,       // shows the window named `valore`
    Attendi,      // holds for `valore` milliseconds, taking no input meanwhile
    Fine,         // ends the program
};

struct Passo {
    Azione azione;
    std::string controllo;
    std::string valore;
    bool operator==(const Passo&) const = default;
};

// What a command may read when it runs: the measures as typed, the regional settings
// and today's date.
struct Ingresso {
    DatiSoggetto dati;
    ImpostazioniRegionali regionali = regionaliItaliane;
    DataStampa oggi{1, 1, 2000};
};

// Whether the command of a control reads the measures (and so, on the web, needs the
// core loaded); every other command gives the same steps whatever the input.
bool leggeMisure(std::string_view finestra, std::string_view controllo);

// The steps of the click on `controllo` of `finestra`; none for a control without a command.
std::vector<Passo> procedura(std::string_view finestra, std::string_view controllo, const Ingresso& ingresso);

// A picture file a command loads, and the picture box of the window it goes into.
struct ImmagineCaricata {
    const char* file;
    const char* finestra;
    const char* riquadro;
};
// Every picture file the commands load, each once, in the order their rows name them:
// the files that must stand beside the program, and that the page must carry.
std::vector<ImmagineCaricata> immaginiCaricate();

// The name of an Azione, as the web page knows it ("Testo", "Immagine", ...).
const char* nomeAzione(Azione a);

}  // namespace ponderino
