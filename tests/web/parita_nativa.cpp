// The native side of the core parity test (parita.test.mjs): reads subjects from
// standard input and prints, one JSON line each, what the web core gives for them:
// each method's result, the line the confirmation stores, and the summary placed.
// A subject is ten fields separated by 0x1F and ended by 0x1E: decimal separator,
// grouping, the seven measure texts, and a results-file content for the summary.
#include <cstdio>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "core/risultati.h"
#include "report/riepilogo.h"
#include "screens/procedure.h"
#include "screens/tabelle.h"

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

// The width of a text as the parity test measures it: its UTF-16 code units.
double unita16(const std::string& t) {
    double n = 0;
    for (const unsigned char c : t) n += (c & 0xC0) != 0x80 ? 1 : 0;  // one per code point
    for (const unsigned char c : t) n += c >= 0xF0 ? 1 : 0;            // two for those past U+FFFF
    return n;
}

std::string numero(double x) {
    char b[32];
    std::snprintf(b, sizeof b, "%.17g", x);
    return b;
}

// What the text box named `controllo` is given by the steps, or null.
std::string testoDi(const std::vector<Passo>& passi, const std::string& controllo) {
    for (const Passo& p : passi)
        if (p.azione == Azione::Testo && p.controllo == controllo) return json(p.valore);
    return "null";
}

// {"r": [8 results or null], "l": stored line or null, "s": summary lines or the error}
std::string esiti(const std::vector<std::string>& f) {
    const Ingresso in{{f[2], f[3], f[4], f[5], f[6], f[7], f[8]}, {f[0], f[1]}, {9, 12, 2026}};
    std::string o = "{\"r\":[";
    for (std::size_t i = 0; i < metodiForm2.size(); ++i) {
        const std::vector<Passo> passi = procedura("Form2", metodiForm2[i].pulsante, in);
        o += (i ? "," : "") + testoDi(passi, "kgp");
    }
    o += "],\"l\":";
    const std::vector<Passo> conferma = procedura("Form2", "Command4", in);
    o += conferma.front().azione == Azione::Salva ? json(conferma.front().valore) : "null";
    o += ",\"s\":";
    const auto valori = valoriRisultati(f[9]);
    if (!valori) return o + json(erroreContenuto("dati.txt").what()) + "}";
    const double zona = colonneZona * carattereMedioEm * 10;
    o += '[';
    bool primaRiga = true;
    for (const RigaStampa& riga : documentoRiepilogo(in.dati, *valori, in.oggi, in.regionali)) {
        o += primaRiga ? "[" : ",[";
        primaRiga = false;
        const auto poste = disponiRiga(riga, zona, [](const std::string& t) { return unita16(t); });
        for (std::size_t i = 0; i < poste.size(); ++i)
            o += std::string(i ? "," : "") + "{\"testo\":" + json(poste[i].testo) + ",\"x\":" + numero(poste[i].x) + "}";
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
