// The commands and the printed summary as the web page calls them (embind). The
// page passes what the fields hold and gets back the steps to apply, or the
// summary's lines already placed. Texts are UTF-8 JavaScript strings; a subject
// is {nome, eta, peso, spalle, torace, vita, alt}.
// Built by scripts/web.sh into ponderino-core.js.
#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <cerrno>
#include <string>

#include "core/risultati.h"
#include "report/riepilogo.h"
#include "screens/procedure.h"
#include "screens/tabelle.h"

using emscripten::val;

namespace ponderino {
namespace {

// The results file the page keeps in its storage, named as the desktop names it.
constexpr const char* fileDati = "dati.txt";

std::string campo(const val& oggetto, const char* nome) {
    const val v = oggetto[nome];
    return v.isString() ? v.as<std::string>() : std::string();
}

DatiSoggetto dati(const val& d) {
    return datiDaiCampi([&](const char* nome) { return campo(d, nome); });
}

val errore(const std::string& messaggio) {
    val o = val::object();
    o.set("ok", false);
    o.set("errore", messaggio);
    return o;
}

// [{azione, controllo, valore}, ...]
val passi(const std::string& finestra, const std::string& controllo, const val& d, const std::string& dec,
          const std::string& rag, int giorno, int mese, int anno) {
    val elenco = val::array();
    for (const Passo& p : procedura(finestra, controllo, {dati(d), {dec, rag}, {giorno, mese, anno}})) {
        val o = val::object();
        o.set("azione", std::string(nomeAzione(p.azione)));
        o.set("controllo", p.controllo);
        o.set("valore", p.valore);
        elenco.call<void>("push", o);
    }
    return elenco;
}

// `contenuto` is the stored line, or null/undefined when nothing is stored: then,
// as on the desktop without dati.txt, the file cannot be read. `misura(testo)` gives
// a text's width in the page's summary font, whose size is `punti` pixels; each item
// comes back with where it starts: {ok, righe: [[{testo, x}, ...], ...]}.
val riepilogo(const val& d, const val& contenuto, int giorno, int mese, int anno, const std::string& dec,
              const std::string& rag, const val& misura, double pixelFont) {
    if (!contenuto.isString())
        return errore(std::string("Impossibile leggere il file ") + fileDati + ": " + motivoErrore(ENOENT));
    const auto valori = valoriRisultati(contenuto.as<std::string>());
    if (!valori) return errore(erroreContenuto(fileDati).what());
    const double zona = colonneZona * carattereMedioEm * pixelFont;
    val righe = val::array();
    for (const RigaStampa& r : documentoRiepilogo(dati(d), *valori, {giorno, mese, anno}, {dec, rag})) {
        val voci = val::array();
        const auto larghezza = [&](const std::string& t) { return misura(t).as<double>(); };
        for (const VocePosta& v : disponiRiga(r, zona, larghezza)) {
            val voce = val::object();
            voce.set("testo", v.testo);
            voce.set("x", v.x);
            voci.call<void>("push", voce);
        }
        righe.call<void>("push", voci);
    }
    val o = val::object();
    o.set("ok", true);
    o.set("righe", righe);
    return o;
}

}  // namespace
}  // namespace ponderino

EMSCRIPTEN_BINDINGS(ponderino) {
    emscripten::function("procedura", &ponderino::passi);
    emscripten::function("riepilogo", &ponderino::riepilogo);
}
