// Writes the window tables as an ES module for the web edition, bundled into its script:
//   export const FINESTRE = { "Form1": {progetto, controlli, tab, righe, comandi}, ...,
//                             "Form2": {..., metodi, guide, campi} };
// (metodi: the method bar, {pulsante, nome, unita, immagine} each, left to right)
//   export const DISEGNI = { "broca.bmp": "disegni/broca.svg", ... }  (every picture a command loads)
// Sizes and places are in pixels, each control's in the client area; `z` is its place
// in the stacking, back to front; `tab` the Tab order; `accessibile` what a screen
// reader calls it. A command is {"passi": [...]} when its steps do not depend on what
// is typed, else {"nucleo": true}: the page asks the core for its steps.
// A host program run by scripts/web.sh: ponderino_finestre_js <out.mjs>
// With --immagini it prints, as a CMake list, each picture file a command loads with the
// size of its box: "lore;233;73;berth;...", for the build to draw them.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "screens/procedure.h"
#include "screens/tabelle.h"

using namespace ponderino;

namespace {

std::string testo(const char* t) {
    if (!t) return "null";
    std::string s = "\"";
    for (const char* p = t; *p; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c == '"' || c == '\\') {
            s += '\\';
            s += *p;
        } else if (c < 0x20) {
            char u[8];
            std::snprintf(u, sizeof u, "\\u%04x", c);
            s += u;
        } else {
            s += *p;
        }
    }
    return s + '"';
}

std::string senzaEstensione(std::string_view n) { return std::string(n.substr(0, n.rfind('.'))); }

// A picture as the page shows it: ":/disegni/x.png" or "x.bmp" becomes "disegni/x.svg".
std::string disegno(const char* nome) {
    if (!nome || !*nome) return "null";
    std::string_view n = nome;
    if (n.starts_with(":/disegni/")) n.remove_prefix(10);
    return testo(("disegni/" + senzaEstensione(n) + ".svg").c_str());
}

std::string carattere(const Carattere& c) {
    if (!c.nome) return "null";
    char punti[32];
    std::snprintf(punti, sizeof punti, "%g", c.punti);
    return std::string("{\"punti\":") + punti +
           ",\"grassetto\":" + (c.grassetto ? "true" : "false") + "}";
}

std::string colore(const Colore& c) {
    if (c.sistema()) return "null";
    return "[" + std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) + "]";
}

std::string booleano(bool b) { return b ? "true" : "false"; }

const char* tipo(Tipo t) {
    switch (t) {
    case Tipo::Pannello: return "Pannello";
    case Tipo::Etichetta: return "Etichetta";
    case Tipo::Casella: return "Casella";
    case Tipo::Pulsante: return "Pulsante";
    case Tipo::Immagine: return "Immagine";
    }
    return "";
}

// A button's caption as [before, access key, after]; null for other controls.
std::string didascalia(const Controllo& c) {
    if (c.tipo != Tipo::Pulsante) return "null";
    const Didascalia d = pezziDidascalia(c.testo ? c.testo : "");
    return "[" + testo(d.prima.c_str()) + "," + testo(d.tasto.c_str()) + "," + testo(d.dopo.c_str()) + "]";
}

// A window's place: -1 (centred) stays -1.
int posto(int twips) { return twips < 0 ? -1 : pixel(twips); }

void finestra(std::ostream& o, const TabellaFinestra& t) {
    const ProgettoFinestra& p = t.progetto;
    o << "  " << testo(t.nome) << ": {\n    \"progetto\":{\"didascalia\":" << testo(p.didascalia)
      << ",\"larghezza\":" << pixel(p.larghezza) << ",\"altezza\":" << pixel(p.altezza)
      << ",\"left\":" << posto(p.left) << ",\"top\":" << posto(p.top) << ",\"carattere\":" << carattere(p.carattere)
      << ",\"sfondo\":" << colore(p.sfondo) << ",\"colore\":" << colore(p.colore)
      << ",\"icona\":" << disegno(p.icona) << ",\"immagine\":" << disegno(p.immagine)
      << "},\n    \"controlli\":[\n";
    const std::vector<const Controllo*> pittura = ordineDiPittura(t);
    for (std::size_t i = 0; i < t.controlli.size(); ++i) {
        const Controllo& c = t.controlli[i];
        const AreaPixel a = areaPixel(t, c);
        const auto z = std::find(pittura.begin(), pittura.end(), &c) - pittura.begin() + 1;
        // A panel or picture row names its picture where other rows have their text.
        const bool figura = c.tipo == Tipo::Pannello || c.tipo == Tipo::Immagine;
        o << "      {\"nome\":" << testo(c.nome) << ",\"tipo\":\"" << tipo(c.tipo)
          << "\",\"contenitore\":" << testo(c.contenitore) << ",\"x\":" << a.x << ",\"y\":" << a.y
          << ",\"w\":" << a.w << ",\"h\":" << a.h << ",\"z\":" << z
          << ",\"testo\":" << (figura ? "null" : testo(c.testo)) << ",\"didascalia\":" << didascalia(c)
          << ",\"immagine\":" << (figura ? disegno(c.testo) : "null")
          << ",\"accessibile\":" << testo(nomeAccessibile(t, c).c_str())
          << ",\"carattere\":" << carattere(c.carattere) << ",\"sfondo\":" << colore(c.sfondo)
          << ",\"colore\":" << colore(c.colore) << ",\"allinea\":\""
          << (c.allinea == Allinea::Centro ? "Centro" : "Sinistra") << "\""
          << ",\"affiancata\":" << booleano(t.affiancato && std::string_view(t.affiancato) == c.nome)
          << "}" << (i + 1 < t.controlli.size() ? "," : "") << "\n";
    }
    o << "    ],\n    \"tab\":[";
    const std::vector<const Controllo*> tab = ordineDiTab(t);
    for (std::size_t i = 0; i < tab.size(); ++i) o << (i ? ", " : "") << testo(tab[i]->nome);
    o << "],\n    \"righe\":[";
    for (std::size_t i = 0; i < t.righe.size(); ++i) o << (i ? ",\n      " : "\n      ") << testo(t.righe[i]);
    o << (t.righe.empty() ? "]" : "\n    ]");
    o << ",\n    \"comandi\":{";
    bool primo = true;
    for (const Controllo& c : t.controlli) {
        const std::vector<Passo> passi = procedura(t.nome, c.nome, {});
        if (passi.empty()) continue;
        o << (primo ? "\n      " : ",\n      ") << testo(c.nome) << ": ";
        primo = false;
        if (leggeMisure(t.nome, c.nome)) {
            o << "{\"nucleo\":true}";
            continue;
        }
        o << "{\"passi\":[";
        for (std::size_t i = 0; i < passi.size(); ++i)
            o << (i ? ", " : "") << "{\"azione\":" << testo(nomeAzione(passi[i].azione))
              << ",\"controllo\":" << testo(passi[i].controllo.c_str())
              << ",\"valore\":" << testo(passi[i].valore.c_str()) << "}";
        o << "]}";
    }
    o << "\n    }";
    if (&t == &tabellaForm2) {
        o << ",\n    \"metodi\":[";
        for (std::size_t i = 0; i < metodiForm2.size(); ++i)
            o << (i ? ",\n      " : "\n      ") << "{\"pulsante\":" << testo(metodiForm2[i].pulsante)
              << ",\"nome\":" << testo(metodiForm2[i].nome) << ",\"unita\":" << testo(metodiForm2[i].unita)
              << ",\"immagine\":" << testo(metodiForm2[i].immagine) << "}";
        o << "],\n    \"guide\":[";
        for (std::size_t i = 0; i < guideForm2.size(); ++i) o << (i ? ", " : "") << testo(guideForm2[i].pulsante);
        o << "]";
    }
    // The measure rows of whichever window holds the measure fields.
    const char* separa = ",\n    \"campi\":[\n      ";
    for (const RigaCampo& r : righeCampi) {
        if (std::none_of(t.controlli.begin(), t.controlli.end(),
                         [&](const Controllo& c) { return std::string_view(c.nome) == r.campo; }))
            continue;
        o << separa << "{\"etichetta\":" << testo(r.etichetta) << ",\"campo\":" << testo(r.campo)
          << ",\"unita\":" << testo(r.unita) << "}";
        separa = ",\n      ";
    }
    if (std::string_view(separa).starts_with(",\n      ")) o << "\n    ]";
    o << "\n  }";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string_view(argv[1]) == "--immagini") {
        const char* separa = "";
        for (const ImmagineCaricata& i : immaginiCaricate()) {
            for (const TabellaFinestra* t : tabelleFinestre) {
                if (std::string_view(t->nome) != i.finestra) continue;
                for (const Controllo& c : t->controlli)
                    if (std::string_view(c.nome) == i.riquadro) {
                        const AreaPixel a = areaPixel(*t, c);
                        std::cout << separa << senzaEstensione(i.file) << ';' << a.w << ';' << a.h;
                        separa = ";";
                    }
            }
        }
        return std::cout ? 0 : 1;
    }
    if (argc != 2) {
        std::cerr << "uso: ponderino_finestre_js <finestre.mjs> | --immagini\n";
        return 2;
    }
    std::ofstream o(argv[1], std::ios::binary);
    o << "// Written by ponderino_finestre_js from screens/tabelle.cpp: do not edit.\n"
         "export const FINESTRE = {\n";
    for (std::size_t i = 0; i < tabelleFinestre.size(); ++i)
        finestra(o << (i ? ",\n" : ""), *tabelleFinestre[i]);
    o << "\n};\nexport const DISEGNI = {";
    const std::vector<ImmagineCaricata> file = immaginiCaricate();
    for (std::size_t i = 0; i < file.size(); ++i)
        o << (i ? ",\n  " : "\n  ") << testo(file[i].file) << ": " << disegno(file[i].file);
    o << "\n};\n";
    o.close();
    if (!o) {
        std::cerr << "ponderino_finestre_js: impossibile scrivere " << argv[1] << "\n";
        return 1;
    }
    return 0;
}
