#pragma once
// The designs of the six windows as plain tables in twips: the Qt windows are built
// from them, and the web edition reads them as written out by ponderino_finestre_js.
// No Qt here.

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <span>
#include <vector>

#include "core/metodi.h"
#include "core/misure.h"

namespace ponderino {

// 15 twips make one logical pixel; Qt's high-DPI scaling does the rest.
constexpr int pixel(int twips) { return (twips + 7) / 15; }

// Fonts as the design names them, with their size in points and weight.
struct Carattere {
    const char* nome;
    double punti;
    bool grassetto;
};

// The fonts the windows use, by face, size in points and weight ("b": bold).
inline constexpr Carattere sans825{"MS Sans Serif", 8.25, false};
inline constexpr Carattere sans825b{"MS Sans Serif", 8.25, true};
inline constexpr Carattere sans975b{"MS Sans Serif", 9.75, true};
inline constexpr Carattere sans12b{"MS Sans Serif", 12, true};
inline constexpr Carattere sans135b{"MS Sans Serif", 13.5, true};
inline constexpr Carattere sans18{"MS Sans Serif", 18, false};
inline constexpr Carattere arial9b{"Arial", 9, true};
// A control that shows no text of its own.
inline constexpr Carattere nessuno{nullptr, 0, false};

// An RGB colour of the design, or the platform's usual colour for that kind of control.
struct Colore {
    int r = -1, g = -1, b = -1;
    constexpr bool sistema() const { return r < 0; }
};
inline constexpr Colore sistema{};

// The colours of the design.
inline constexpr Colore nero{0, 0, 0}, bianco{255, 255, 255}, verde{0, 255, 0}, blu{0, 0, 255},
    blu_notte{0, 0, 128}, teal{0, 128, 128}, marrone{128, 64, 0}, giallino{255, 255, 128},
    giallo_chiaro{255, 255, 192};

enum class Tipo {
    Pannello,   // picture box: a coloured panel or picture frame that may hold controls
    Etichetta,  // label
    Casella,    // single-line editable text box
    Pulsante,   // push button with an access key
    Immagine,   // a picture without a window of its own, clickable
};

enum class Allinea { Sinistra, Centro };

// One control of a window's design. Left and Top are measured from the inner top-left
// corner of the container; the container is named, or empty for the window itself.
// Within a container the rows stand in stacking order: the first is in front.
struct Controllo {
    const char* nome;
    Tipo tipo;
    const char* contenitore;
    int left, top, width, height;  // twips
    const char* testo;             // caption, initial text, or picture resource
    Carattere carattere;
    Colore sfondo;
    Colore colore;
    Allinea allinea;
    int tabIndex;  // -1: none
};

// The window itself.
struct ProgettoFinestra {
    const char* didascalia;
    int larghezza, altezza;  // client area, twips
    int left, top;           // client area from the screen's corner; -1: centred
    Carattere carattere;
    Colore sfondo;
    Colore colore;
    const char* icona;     // resource, or nullptr
    const char* immagine;  // background picture resource, or nullptr
    bool persistenza;      // drawing persistence when created
};

// A whole window: its design, its controls and the lines its load step prints.
struct TabellaFinestra {
    const char* nome;  // the window's name: "Form1", "Form2", "form7", ...
    ProgettoFinestra progetto;
    std::span<const Controllo> controlli;
    std::span<const char* const> righe;
    const char* affiancato;  // the panel whose picture repeats across it as a wallpaper, or nullptr
};

extern const TabellaFinestra tabellaForm1, tabellaForm2, tabellaForm7, tabellaForm5, tabellaForm3,
    tabellaForm4;

// The six windows in the order above.
extern const std::array<const TabellaFinestra*, 6> tabelleFinestre;

// How both editions lay out a window from its table.
// A control's box in the window's client area, in pixels: each container's place and
// its own, each in whole pixels, as nested widgets stand.
struct AreaPixel {
    int x, y, w, h;
};
AreaPixel areaPixel(const TabellaFinestra& t, const Controllo& c);
// Whether a control takes the focus: text boxes and buttons.
constexpr bool prendeFuoco(const Controllo& c) { return c.tipo == Tipo::Casella || c.tipo == Tipo::Pulsante; }
// Tab order: ascending TabIndex over the controls that take the focus, equal ones in
// table order.
std::vector<const Controllo*> ordineDiTab(const TabellaFinestra& t);
// Stacking, back to front: within a container the first row is in front, and whatever
// a panel holds stands in front of the panel.
std::vector<const Controllo*> ordineDiPittura(const TabellaFinestra& t);
// A caption in three pieces around its access key, the character after the first single
// '&'; "&&" is a plain '&', and any other single '&' (a trailing one too) is not shown.
struct Didascalia {
    std::string prima, tasto, dopo;
};
Didascalia pezziDidascalia(std::string_view testo);
// What a screen reader calls a control: the name the table gives it, else the label of
// its measure row, else a button's caption, a label's or a box's text; empty: nothing.
std::string nomeAccessibile(const TabellaFinestra& t, const Controllo& c);

// The method bar of the calculation screen: every button runs the same procedure
// with its own row.
struct RigaMetodo {
    const char* pulsante;  // the button's control name
    MetodoCalcolo metodo;
    const char* nome;      // put into metodo
    const char* unita;     // put into Text5
    const char* immagine;  // formula picture file
    bool svuotaUnita;      // empties Text5 first
    bool persistenza;      // switches drawing persistence on
};
extern const std::array<RigaMetodo, 8> metodiForm2;

// The measurement guides: the picture shown for a while, then the one left behind.
struct RigaGuida {
    const char* pulsante;
    const char* guida;
    const char* neutra;
};
extern const std::array<RigaGuida, 3> guideForm2;

// The picture the formula box shows after the data are cleared.
inline constexpr const char* immaginePulisci = "gray.bmp";

}  // namespace ponderino

namespace ponderino {

// What a control's click does, beside the method bar and the guides above.
enum class Comando {
    Mostra,    // shows the window named in `finestraMostrata`
    Termina,   // ends the program
    Conferma,  // stores the eight results, then shows the info screen
    Pulisci,   // empties the screen for a new subject
    Esci,      // stores the zero line and ends the program
    Stampa,    // prints the summary
};
struct RigaComando {
    const char* finestra;
    const char* controllo;
    Comando comando;
    const char* finestraMostrata;  // Mostra, Conferma: the window shown
};
extern const std::array<RigaComando, 13> comandi;

// Names a screen reader speaks where a control shows no words of its own.
struct NomeAccessibile {
    const char* finestra;
    const char* controllo;
    const char* nome;
};
extern const std::array<NomeAccessibile, 10> nomiAccessibili;

// The calculation screen's measure rows: each field with the label that names it and
// the unit box beside it (nullptr: none). Top to bottom.
struct RigaCampo {
    const char* etichetta;
    const char* campo;
    const char* unita;
    std::string DatiSoggetto::*misura;  // where the field's text goes in the subject's data
};
extern const std::array<RigaCampo, 7> righeCampi;

// The subject's data from the measure fields, `testo(campo)` giving a field's text:
// how the calculation screen and the web page read what was typed.
DatiSoggetto datiDaiCampi(const std::function<std::string(const char* campo)>& testo);

// The boxes "Pulisci" empties, in the order it empties them.
extern const std::array<const char*, 9> svuotaPulisci;

// How long a guide picture stays in the guide box, in milliseconds.
inline constexpr int durataGuidaMs = 1000;

}  // namespace ponderino
