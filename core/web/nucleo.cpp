// The calculation core as the web page sees it (embind): the eight methods, the
// number texts, the results-file line and the printed summary. Texts are UTF-8
// JavaScript strings; a subject is {nome, eta, peso, spalle, torace, vita, alt}.
// Built by scripts/web.sh into ponderino-core.js.
#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <cerrno>
#include <string>

#include "core/metodi.h"
#include "core/misure.h"
#include "core/risultati.h"
#include "report/riepilogo.h"

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
    return {campo(d, "nome"),   campo(d, "eta"),  campo(d, "peso"), campo(d, "spalle"),
            campo(d, "torace"), campo(d, "vita"), campo(d, "alt")};
}

ImpostazioniRegionali regionali(const std::string& decimale, const std::string& raggruppamento) {
    return {decimale, raggruppamento};
}

val esito(bool ok) {
    val o = val::object();
    o.set("ok", ok);
    return o;
}

val errore(const std::string& messaggio) {
    val o = esito(false);
    o.set("errore", messaggio);
    return o;
}

bool metodoValido(int metodo) { return metodo >= 0 && metodo < 8; }

val calcola(int metodo, const val& d, const std::string& dec, const std::string& rag) {
    if (!metodoValido(metodo)) return esito(false);
    try {
        const ImpostazioniRegionali r = regionali(dec, rag);
        const double valore = calcolaMetodo(static_cast<MetodoCalcolo>(metodo), dati(d), r);
        val o = esito(true);
        o.set("testo", testoRisultato(valore, r));
        return o;
    } catch (const ErroreDati&) {
        return esito(false);
    }
}

val campi(int metodo) {
    val elenco = val::array();
    if (!metodoValido(metodo)) return elenco;
    for (const std::string_view c : campiMetodo(static_cast<MetodoCalcolo>(metodo)))
        elenco.call<void>("push", std::string(c));
    return elenco;
}

val numero(const std::string& testo, const std::string& dec, const std::string& rag) {
    try {
        const double valore = numeroDaTesto(testo, regionali(dec, rag));
        val o = esito(true);
        o.set("valore", valore);
        return o;
    } catch (const ErroreDati&) {
        return esito(false);
    }
}

// null for a value that has no text (infinite or NaN).
val testo(double valore, const std::string& dec, const std::string& rag) {
    try {
        return val(testoRisultato(valore, regionali(dec, rag)));
    } catch (const ErroreDati&) {
        return val::null();
    }
}

val riga(const val& d, const std::string& dec, const std::string& rag) {
    try {
        val o = esito(true);
        o.set("riga", lineaRisultati(calcolaRisultati(dati(d), regionali(dec, rag))));
        return o;
    } catch (const ErroreDati&) {
        return esito(false);
    }
}

std::string zeri() { return std::string(lineaZeri); }

val valoriJs(const std::vector<ValoreRisultato>& valori) {
    val elenco = val::array();
    for (const ValoreRisultato& v : valori) {
        if (const auto* t = std::get_if<std::string>(&v))
            elenco.call<void>("push", *t);
        else
            elenco.call<void>("push", std::get<double>(v));
    }
    return elenco;
}

val leggi(const std::string& contenuto) {
    const auto valori = valoriRisultati(contenuto);
    if (!valori) return errore(erroreContenuto(fileDati).what());
    val o = esito(true);
    o.set("valori", valoriJs(*valori));
    return o;
}

// `contenuto` is the stored line, or null/undefined when nothing is stored: then,
// as on the desktop without dati.txt, the file cannot be read.
val riepilogo(const val& d, const val& contenuto, int giorno, int mese, int anno, const std::string& dec,
              const std::string& rag) {
    if (!contenuto.isString())
        return errore(std::string("Impossibile leggere il file ") + fileDati + ": " + motivoErrore(ENOENT));
    const auto valori = valoriRisultati(contenuto.as<std::string>());
    if (!valori) return errore(erroreContenuto(fileDati).what());
    const auto documento = documentoRiepilogo(dati(d), *valori, {giorno, mese, anno}, regionali(dec, rag));
    val righe = val::array();
    for (const RigaStampa& r : documento) {
        val voci = val::array();
        for (const Voce& v : r) {
            val voce = val::object();
            voce.set("zona", v.giunzione == Giunzione::ProssimaZona);
            voce.set("testo", v.testo);
            voci.call<void>("push", voce);
        }
        righe.call<void>("push", voci);
    }
    val o = esito(true);
    o.set("righe", righe);
    return o;
}

}  // namespace
}  // namespace ponderino

EMSCRIPTEN_BINDINGS(ponderino) {
    using namespace ponderino;
    emscripten::function("calcola", &calcola);
    emscripten::function("campiMetodo", &campi);
    emscripten::function("numeroDaTesto", &numero);
    emscripten::function("testoRisultato", &testo);
    emscripten::function("rigaRisultati", &riga);
    emscripten::function("rigaZeri", &zeri);
    emscripten::function("leggiRiga", &leggi);
    emscripten::function("riepilogo", &riepilogo);
    emscripten::constant("mancanoIDati", std::string(mancanoIDati));
}
