#include "core/metodi.h"

#include <cmath>

namespace ponderino {

namespace {

// Every step of a formula goes through these helpers, so a fault is caught at
// the step that raises it, even when later steps would bring the value back to
// a finite number (an overflowed divisor would otherwise give a quotient of 0).
// With finite operands a non-finite result can only come from an overflow; a
// NaN only from 0 / 0, which the divisor test already catches.
double passo(double risultato) {
    if (!std::isfinite(risultato)) throw ErroreDati();
    return risultato;
}
double misura(double valore) { return passo(valore); }
double piu(double a, double b) { return passo(a + b); }
double meno(double a, double b) { return passo(a - b); }
double per(double a, double b) { return passo(a * b); }
double diviso(double a, double b) {
    if (b == 0.0) throw ErroreDati();
    return passo(a / b);
}

double leggi(const std::string& testo, const ImpostazioniRegionali& regionali) {
    return numeroDaTesto(testo, regionali);
}

}  // namespace

double indiceLorentz(double vita, double torace) {
    misura(vita), misura(torace);
    return diviso(piu(vita, 14.0), torace);
}

double formulaBertheam(double alt, double eta) {
    misura(alt), misura(eta);
    const double altezza = per(meno(alt, 100.0), 0.8);
    return piu(altezza, diviso(eta, 2.0));
}

double indiceGautrelet(double spalle, double alt, double peso) {
    misura(spalle), misura(alt), misura(peso);
    const double larghezza = per(spalle, 1.66);
    const double altezza = per(alt, 0.4);
    return diviso(piu(piu(larghezza, altezza), peso), 3.0);
}

double formulaEnrhart(double alt, double torace) {
    misura(alt), misura(torace);
    return diviso(per(alt, torace), 240.0);
}

double formulaVanDerVael(double alt) {
    misura(alt);
    return piu(per(meno(alt, 150.0), 0.75), 50.0);
}

double formulaBroca(double alt) {
    misura(alt);
    return meno(alt, 100.0);
}

double formulaPerrault(double eta, double alt) {
    misura(eta), misura(alt);
    const double altezza = meno(alt, 100.0);
    return piu(altezza, per(diviso(eta, 10.0), 0.9));
}

double indiceBmi(double peso, double alt) {
    misura(peso), misura(alt);
    const double metriQuadri = diviso(per(diviso(alt, 100.0), alt), 100.0);
    return diviso(peso, metriQuadri);
}

double calcolaMetodo(MetodoCalcolo metodo, const DatiSoggetto& dati, const ImpostazioniRegionali& regionali) {
    // Each field is converted on its own line, in the method's order.
    switch (metodo) {
    case MetodoCalcolo::Lorentz: {
        const double vita = leggi(dati.vita, regionali);
        const double torace = leggi(dati.torace, regionali);
        return indiceLorentz(vita, torace);
    }
    case MetodoCalcolo::Bertheam: {
        const double alt = leggi(dati.alt, regionali);
        const double eta = leggi(dati.eta, regionali);
        return formulaBertheam(alt, eta);
    }
    case MetodoCalcolo::Gautrelet: {
        const double spalle = leggi(dati.spalle, regionali);
        const double alt = leggi(dati.alt, regionali);
        const double peso = leggi(dati.peso, regionali);
        return indiceGautrelet(spalle, alt, peso);
    }
    case MetodoCalcolo::Enrhart: {
        const double alt = leggi(dati.alt, regionali);
        const double torace = leggi(dati.torace, regionali);
        return formulaEnrhart(alt, torace);
    }
    case MetodoCalcolo::VanDerVael:
        return formulaVanDerVael(leggi(dati.alt, regionali));
    case MetodoCalcolo::Broca:
        return formulaBroca(leggi(dati.alt, regionali));
    case MetodoCalcolo::Perrault: {
        const double eta = leggi(dati.eta, regionali);
        const double alt = leggi(dati.alt, regionali);
        return formulaPerrault(eta, alt);
    }
    case MetodoCalcolo::Bmi: {
        const double peso = leggi(dati.peso, regionali);
        const double alt = leggi(dati.alt, regionali);
        return indiceBmi(peso, alt);
    }
    }
    throw std::invalid_argument("metodo sconosciuto");
}

std::vector<std::string_view> campiMetodo(MetodoCalcolo metodo) {
    switch (metodo) {
    case MetodoCalcolo::Lorentz: return {"vita", "torace"};
    case MetodoCalcolo::Bertheam: return {"alt", "eta"};
    case MetodoCalcolo::Gautrelet: return {"spalle", "alt", "peso"};
    case MetodoCalcolo::Enrhart: return {"alt", "torace"};
    case MetodoCalcolo::VanDerVael: return {"alt"};
    case MetodoCalcolo::Broca: return {"alt"};
    case MetodoCalcolo::Perrault: return {"eta", "alt"};
    case MetodoCalcolo::Bmi: return {"peso", "alt"};
    }
    throw std::invalid_argument("metodo sconosciuto");
}

}  // namespace ponderino
