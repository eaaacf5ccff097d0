#include "screens/procedure.h"

#include <algorithm>
#include <string>

#include "core/metodi.h"
#include "core/risultati.h"
#include "screens/tabelle.h"

namespace ponderino {

namespace {

const RigaMetodo* rigaMetodo(std::string_view finestra, std::string_view controllo) {
    if (finestra != "Form2") return nullptr;
    for (const RigaMetodo& m : metodiForm2)
        if (controllo == m.pulsante) return &m;
    return nullptr;
}

const RigaGuida* rigaGuida(std::string_view finestra, std::string_view controllo) {
    if (finestra != "Form2") return nullptr;
    for (const RigaGuida& g : guideForm2)
        if (controllo == g.pulsante) return &g;
    return nullptr;
}

const RigaComando* rigaComando(std::string_view finestra, std::string_view controllo) {
    for (const RigaComando& c : comandi)
        if (finestra == c.finestra && controllo == c.controllo) return &c;
    return nullptr;
}

using Passi = std::vector<Passo>;

// The picture boxes of the calculation screen that the commands fill.
constexpr const char* riquadroFormula = "formula";
constexpr const char* riquadroGuida = "help1";

Passo testo(const char* controllo, std::string valore) { return {Azione::Testo, controllo, std::move(valore)}; }
Passo passo(Azione a, std::string valore = {}) { return {a, {}, std::move(valore)}; }

// Missing data: one line for each of the fields that is empty, then the message.
void datiMancanti(Passi& passi, const DatiSoggetto& dati, const std::vector<std::string_view>& campi) {
    for (std::string_view c : campi)
        if (campoDati(dati, c).empty()) passi.push_back(passo(Azione::Stampa, std::string(mancanoIDati)));
    passi.push_back(passo(Azione::Messaggio, std::string(mancanoIDati)));
}

Passi metodo(const RigaMetodo& m, const Ingresso& in) {
    Passi passi;
    if (m.svuotaUnita) passi.push_back(testo("Text5", ""));
    if (m.persistenza) passi.push_back(passo(Azione::Persistenza));
    double valore;
    std::string risultato;
    try {
        valore = calcolaMetodo(m.metodo, in.dati, in.regionali);
        risultato = testoRisultato(valore, in.regionali);
    } catch (const ErroreDati&) {
        datiMancanti(passi, in.dati, campiMetodo(m.metodo));
        return passi;
    }
    passi.push_back(testo("kgp", risultato));
    passi.push_back(testo("metodo", m.nome));
    passi.push_back(passo(Azione::Stampa, m.nome));
    passi.push_back({Azione::Immagine, riquadroFormula, m.immagine});
    passi.push_back(testo("Text5", m.unita));
    return passi;
}

Passi guida(const RigaGuida& g) {
    return {{Azione::Immagine, riquadroGuida, g.guida},
            passo(Azione::Attendi, std::to_string(durataGuidaMs)),
            {Azione::Immagine, riquadroGuida, g.neutra}};
}

Passi comando(const RigaComando& c, const Ingresso& in) {
    switch (c.comando) {
    case Comando::Mostra: return {passo(Azione::Mostra, c.finestraMostrata)};
    case Comando::Termina: return {passo(Azione::Fine)};
    case Comando::Conferma: {
        std::string linea;
        try {
            linea = lineaRisultati(calcolaRisultati(in.dati, in.regionali));
        } catch (const ErroreDati&) {
            Passi passi;
            datiMancanti(passi, in.dati, {"alt", "torace"});
            return passi;
        }
        return {passo(Azione::Salva, linea), passo(Azione::Mostra, c.finestraMostrata)};
    }
    case Comando::Pulisci: {
        Passi passi;
        for (const char* n : svuotaPulisci) passi.push_back(testo(n, ""));
        passi.push_back({Azione::Immagine, riquadroFormula, immaginePulisci});
        passi.push_back(testo("Text5", ""));
        passi.push_back(passo(Azione::Salva, std::string(lineaZeri)));
        return passi;
    }
    case Comando::Esci: return {passo(Azione::Salva, std::string(lineaZeri)), passo(Azione::Fine)};
    case Comando::Stampa: {
        // After the summary, the date stands on the screen: month, day, year.
        Passi passi{passo(Azione::Riepilogo)};
        for (const std::string& riga : righeData(in.oggi)) passi.push_back(passo(Azione::Stampa, riga));
        return passi;
    }
    }
    return {};
}

}  // namespace

bool leggeMisure(std::string_view finestra, std::string_view controllo) {
    if (rigaMetodo(finestra, controllo)) return true;
    const RigaComando* c = rigaComando(finestra, controllo);
    return c && (c->comando == Comando::Conferma || c->comando == Comando::Stampa);
}

std::vector<Passo> procedura(std::string_view finestra, std::string_view controllo, const Ingresso& ingresso) {
    if (const RigaMetodo* m = rigaMetodo(finestra, controllo)) return metodo(*m, ingresso);
    if (const RigaGuida* g = rigaGuida(finestra, controllo)) return guida(*g);
    if (const RigaComando* c = rigaComando(finestra, controllo)) return comando(*c, ingresso);
    return {};
}

std::vector<ImmagineCaricata> immaginiCaricate() {
    std::vector<ImmagineCaricata> tutte;
    const auto aggiungi = [&](const char* file, const char* riquadro) {
        if (std::none_of(tutte.begin(), tutte.end(),
                         [&](const ImmagineCaricata& i) { return std::string_view(i.file) == file; }))
            tutte.push_back({file, "Form2", riquadro});
    };
    for (const RigaMetodo& m : metodiForm2) aggiungi(m.immagine, riquadroFormula);
    aggiungi(immaginePulisci, riquadroFormula);
    for (const RigaGuida& g : guideForm2) aggiungi(g.guida, riquadroGuida);
    for (const RigaGuida& g : guideForm2) aggiungi(g.neutra, riquadroGuida);
    return tutte;
}

const char* nomeAzione(Azione a) {
    switch (a) {
    case Azione::Testo: return "Testo";
    case Azione::Immagine: return "Immagine";
    case Azione::Stampa: return "Stampa";
    case Azione::Persistenza: return "Persistenza";
    case Azione::Messaggio: return "Messaggio";
    case Azione::Salva: return "Salva";
    case Azione::Riepilogo: return "Riepilogo";
    case Azione::Mostra: return "Mostra";
    case Azione::Attendi: return "Attendi";
    case Azione::Fine: return "Fine";
    }
    return "";
}

}  // namespace ponderino
