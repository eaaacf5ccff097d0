// The native side of the core parity test (parita.test.mjs): reads subjects from
// standard input and prints, one JSON line each, what the web core gives for them.
// A subject is ten fields separated by 0x1F and ended by 0x1E: decimal separator,
// grouping, the seven measure texts, and a results-file content for the summary.
#include <cstdio>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "core/metodi.h"
#include "core/risultati.h"
#include "report/riepilogo.h"

using namespace ponderino;

namespace {

std::string json(const std::string& t) {
    std::string s = "\"";
    for (const char c : t) {
        if (c == '"' || c == '\\') {
            s += '\\';
            s += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char u[8];
            std::snprintf(u, sizeof u, "\\u%04x", static_cast<unsigned char>(c));
            s += u;
        } else {
            s += c;
        }
    }
    return s + '"';
}

// {"r": [8 results or null], "l": line or null, "s": summary lines or the error}
std::string esiti(const std::vector<std::string>& f) {
    const ImpostazioniRegionali r{f[0], f[1]};
    const DatiSoggetto d{f[2], f[3], f[4], f[5], f[6], f[7], f[8]};
    std::string o = "{\"r\":[";
    for (const MetodoCalcolo m : tuttiIMetodi) {
        if (m != MetodoCalcolo::Lorentz) o += ',';
        try {
            o += json(testoRisultato(calcolaMetodo(m, d, r), r));
        } catch (const ErroreDati&) {
            o += "null";
        }
    }
    o += "],\"l\":";
    try {
        o += json(lineaRisultati(calcolaRisultati(d, r)));
    } catch (const ErroreDati&) {
        o += "null";
    }
    o += ",\"s\":";
    const auto valori = valoriRisultati(f[9]);
    if (!valori) return o + json(erroreContenuto("dati.txt").what()) + "}";
    o += '[';
    bool primaRiga = true;
    for (const RigaStampa& riga : documentoRiepilogo(d, *valori, {9, 12, 2026}, r)) {
        o += primaRiga ? "[" : ",[";
        primaRiga = false;
        for (std::size_t i = 0; i < riga.size(); ++i)
            o += std::string(i ? "," : "") + "{\"zona\":" +
                 (riga[i].giunzione == Giunzione::ProssimaZona ? "true" : "false") +
                 ",\"testo\":" + json(riga[i].testo) + "}";
        o += ']';
    }
    return o + "]}";
}

}  // namespace

int main() {
    std::ios::sync_with_stdio(false);
    const std::string ingresso{std::istreambuf_iterator<char>(std::cin), {}};
    std::vector<std::string> campi(1);
    for (const char c : ingresso) {
        if (c == '\x1f') {
            campi.emplace_back();
        } else if (c == '\x1e') {
            if (campi.size() != 10) {
                std::cerr << "ponderino_parita: a subject has " << campi.size() << " fields\n";
                return 2;
            }
            std::cout << esiti(campi) << '\n';
            campi.assign(1, std::string());
        } else {
            campi.back() += c;
        }
    }
    return 0;
}
