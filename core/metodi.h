// The eight calculation methods: six ideal-weight formulas and two indices.
#pragma once

#include <string_view>
#include <vector>

#include "core/misure.h"

namespace ponderino {

// The methods in the program's fixed order: the order of the buttons, of the
// values in the results file and of the sentences in the report.
enum class MetodoCalcolo { Lorentz, Bertheam, Gautrelet, Enrhart, VanDerVael, Broca, Perrault, Bmi };

inline constexpr MetodoCalcolo tuttiIMetodi[] = {
    MetodoCalcolo::Lorentz,  MetodoCalcolo::Bertheam, MetodoCalcolo::Gautrelet,
    MetodoCalcolo::Enrhart,  MetodoCalcolo::VanDerVael, MetodoCalcolo::Broca,
    MetodoCalcolo::Perrault, MetodoCalcolo::Bmi};

// Converts the method's fields, in the order campiMetodo gives and no others,
// and evaluates its formula. Throws ErroreDati when a conversion fails or a
// step of the formula divides by zero, overflows or is invalid; otherwise the
// result is finite (possibly zero or negative).
double calcolaMetodo(MetodoCalcolo metodo, const DatiSoggetto& dati, const ImpostazioniRegionali& regionali);

// The names of the fields a method reads, in the order it converts them,
// e.g. {"vita", "torace"} for Lorentz.
std::vector<std::string_view> campiMetodo(MetodoCalcolo metodo);

// The formulas on numbers, parameters in conversion order. Every operation is
// one rounded double operation in the order written; each throws ErroreDati on
// a division by zero, an overflow or an invalid operation in any step.
double indiceLorentz(double vita, double torace);                 // (vita + 14) / torace
double formulaBertheam(double alt, double eta);                   // ((alt - 100) * 0.8) + (eta / 2)
double indiceGautrelet(double spalle, double alt, double peso);   // (((spalle * 1.66) + (alt * 0.4)) + peso) / 3
double formulaEnrhart(double alt, double torace);                 // (alt * torace) / 240
double formulaVanDerVael(double alt);                             // ((alt - 150) * 0.75) + 50
double formulaBroca(double alt);                                  // alt - 100
double formulaPerrault(double eta, double alt);                   // (alt - 100) + ((eta / 10) * 0.9)
double indiceBmi(double peso, double alt);                        // peso / (((alt / 100) * alt) / 100)

}  // namespace ponderino
