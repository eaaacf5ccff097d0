// Writes the window tables as an ES module for the web edition, bundled into its script:
//   export const FINESTRE = { "Form1": {progetto, controlli, righe, comandi, nomi}, ...,
//                             "Form2": {..., metodi, guide, campi} };
//   export const DISEGNI = { "broca.bmp": "disegni/broca.svg", ... }  (every picture a command loads)
// A command is {"passi": [...]} when its steps do not depend on what is typed, else
// {"nucleo": true}: the page asks the core for its steps.
// A host program run by scripts/web.sh: ponderino_finestre_js <out.mjs>
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

// A picture as the page shows it: ":/disegni/x.png" or "x.bmp" becomes "disegni/x.svg".
std::string disegno(const char* nome) {
    if (!nome || !*nome) return "null";
    std::string_view n = nome;
    if (n.starts_with(":/disegni/")) n.remove_prefix(10);
    n = n.substr(0, n.rfind('.'));
    return testo(("disegni/" + std::string(n) + ".svg").c_str());
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

void finestra(std::ostream& o, const TabellaFinestra& t) {
    const ProgettoFinestra& p = t.progetto;
    o << "  " << testo(t.nome) << ": {\n    \"progetto\":{\"didascalia\":" << testo(p.didascalia)
      << ",\"larghezza\":" << p.larghezza << ",\"altezza\":" << p.altezza << ",\"left\":" << p.left
      << ",\"top\":" << p.top << ",\"carattere\":" << carattere(p.carattere)
      << ",\"sfondo\":" << colore(p.sfondo) << ",\"colore\":" << colore(p.colore)
      << ",\"icona\":" << disegno(p.icona) << ",\"immagine\":" << disegno(p.immagine)
      << "},\n    \"controlli\":[\n";
    for (std::size_t i = 0; i < t.controlli.size(); ++i) {
        const Controllo& c = t.controlli[i];
        // A panel or picture row names its picture where other rows have their text.
        const bool figura = c.tipo == Tipo::Pannello || c.tipo == Tipo::Immagine;
        o << "      {\"nome\":" << testo(c.nome) << ",\"tipo\":\"" << tipo(c.tipo)
          << "\",\"contenitore\":" << testo(c.contenitore) << ",\"left\":" << c.left
          << ",\"top\":" << c.top << ",\"width\":" << c.width << ",\"height\":" << c.height
          << ",\"testo\":" << (figura ? "null" : testo(c.testo))
          << ",\"immagine\":" << (figura ? disegno(c.testo) : "null")
          << ",\"carattere\":" << carattere(c.carattere) << ",\"sfondo\":" << colore(c.sfondo)
          << ",\"colore\":" << colore(c.colore) << ",\"allinea\":\""
          << (c.allinea == Allinea::Centro ? "Centro" : "Sinistra") << "\",\"tabIndex\":" << c.tabIndex
          << ",\"affiancata\":" << booleano(t.affiancato && std::string_view(t.affiancato) == c.nome)
          << "}" << (i + 1 < t.controlli.size() ? "," : "") << "\n";
    }
    o << "    ],\n    \"righe\":[";
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
    o << "\n    },\n    \"nomi\":{";
    primo = true;
    for (const NomeAccessibile& n : nomiAccessibili) {
        if (std::string_view(n.finestra) != t.nome) continue;
        o << (primo ? "" : ", ") << testo(n.controllo) << ": " << testo(n.nome);
        primo = false;
    }
    o << "}";
    if (&t == &tabellaForm2) {
        o << ",\n    \"metodi\":[";
        for (std::size_t i = 0; i < metodiForm2.size(); ++i) o << (i ? ", " : "") << testo(metodiForm2[i].pulsante);
        o << "],\n    \"guide\":[";
        for (std::size_t i = 0; i < guideForm2.size(); ++i) o << (i ? ", " : "") << testo(guideForm2[i].pulsante);
        o << "],\n    \"campi\":[";
        for (std::size_t i = 0; i < righeCampi.size(); ++i)
            o << (i ? ",\n      " : "\n      ") << "{\"etichetta\":" << testo(righeCampi[i].etichetta)
              << ",\"campo\":" << testo(righeCampi[i].campo) << ",\"unita\":" << testo(righeCampi[i].unita) << "}";
        o << "\n    ]";
    }
    o << "\n  }";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "uso: ponderino_finestre_js <finestre.mjs>\n";
        return 2;
    }
    std::ofstream o(argv[1], std::ios::binary);
    o << "// Written by ponderino_finestre_js from screens/tabelle.cpp: do not edit.\n"
         "export const FINESTRE = {\n";
    for (std::size_t i = 0; i < tabelleFinestre.size(); ++i)
        finestra(o << (i ? ",\n" : ""), *tabelleFinestre[i]);
    o << "\n};\nexport const DISEGNI = {";
    std::vector<const char*> file;
    for (const RigaMetodo& m : metodiForm2) file.push_back(m.immagine);
    for (const RigaGuida& g : guideForm2) file.insert(file.end(), {g.guida, g.neutra});
    file.push_back(immaginePulisci);
    for (std::size_t i = 0; i < file.size(); ++i)
        o << (i ? ",\n  " : "\n  ") << testo(file[i]) << ": " << disegno(file[i]);
    o << "\n};\n";
    o.close();
    if (!o) {
        std::cerr << "ponderino_finestre_js: impossibile scrivere " << argv[1] << "\n";
        return 1;
    }
    return 0;
}
