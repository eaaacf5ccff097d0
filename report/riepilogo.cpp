#include "report/riepilogo.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <string_view>
#include <utility>

namespace ponderino {

namespace {

constexpr std::string_view sottotitolo = "Programma per la determinazione del proprio peso corporeo";
constexpr std::string_view intestazioneRisultati = "In base ai dati inseriti riassumo i risultati ottenuti";

// The result sentences, in the order of the values in the results file.
constexpr std::array<std::string_view, 8> frasiRisultati = {
    "In base al metodo di Lorentz l'indice risultante  e' :",
    "In base al metodo di Bertheam il peso ideale e'di  Kg:",
    "In base al metodo di Gautrelet il peso ideale e'di Kg:",
    "In base al metodo di Enrhart  il  peso ideale e'di Kg:",
    "In base al metodo di VanDerVael il peso ideale e'di Kg:",
    "In base  al metodo  di  Broca  il peso ideale e' di Kg:",
    "In base al metodo di Perrault il peso ideale e' di  Kg:",
    "In base al metodo  del  B.M.I. l'indice  risultante e':",
};

constexpr std::array<std::string_view, 4> avvertenze = {
    " Attenzione i calcoli descritti sono derivati da letture di testi adeguati o da ricerche fatte su internet",
    " sono solo dati indicativi e in ogni caso NON SOSTITUISCONO il giusto rapporto con il proprio medico ",
    " di fiducia.",
    " Per cui l'autore declina qualsiasi responsabilita' derivata dal cattivo uso di queste informazioni",
};

Voce accanto(std::string testo) { return {Giunzione::Adiacente, std::move(testo)}; }
Voce zona(std::string testo) { return {Giunzione::ProssimaZona, std::move(testo)}; }

void righeVuote(std::vector<RigaStampa>& doc, int quante) {
    for (int i = 0; i < quante; ++i) doc.emplace_back();
}

std::string dueCifre(int n) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", n);
    return buf;
}

std::string quattroCifre(int n) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d", n);
    return buf;
}

}  // namespace

double inizioZonaSeguente(double x, double larghezzaZona) {
    return (std::floor(x / larghezzaZona) + 1) * larghezzaZona;
}

std::vector<VocePosta> disponiRiga(const RigaStampa& riga, double larghezzaZona,
                                   const std::function<double(const std::string&)>& larghezza) {
    std::vector<VocePosta> poste;
    double x = 0;
    for (const Voce& voce : riga) {
        if (voce.giunzione == Giunzione::ProssimaZona) x = inizioZonaSeguente(x, larghezzaZona);
        poste.push_back({voce.testo, x});
        x += larghezza(voce.testo);
    }
    return poste;
}

std::string testoVoce(const ValoreRisultato& valore, const ImpostazioniRegionali& regionali) {
    if (const auto* testo = std::get_if<std::string>(&valore)) return *testo;
    std::string numero = testoGenerale(std::get<double>(valore), regionali);
    if (!numero.empty() && numero.front() == '-') return numero + " ";
    return " " + numero + " ";
}

std::string testoData(const DataStampa& data) {
    return dueCifre(data.giorno) + "/" + dueCifre(data.mese) + "/" + quattroCifre(data.anno);
}

std::array<std::string, 3> righeData(const DataStampa& data) {
    return {dueCifre(data.mese), dueCifre(data.giorno), quattroCifre(data.anno)};
}

std::vector<RigaStampa> documentoRiepilogo(const DatiSoggetto& dati,
                                           const std::vector<ValoreRisultato>& valori,
                                           const DataStampa& data,
                                           const ImpostazioniRegionali& regionali) {
    if (valori.size() < frasiRisultati.size())
        throw std::invalid_argument("il riepilogo richiede otto valori");

    std::vector<RigaStampa> doc;
    doc.reserve(righeRiepilogo);

    // The title line, then the program's name.
    righeVuote(doc, 1);
    righeVuote(doc, 2);
    doc.push_back({accanto(std::string(33, ' ')), accanto(std::string(sottotitolo))});
    righeVuote(doc, 1);

    doc.push_back({accanto("data"), accanto(" "), accanto(testoData(data))});
    righeVuote(doc, 1);

    // The measures exactly as typed; height comes last.
    doc.push_back({accanto("nome              "), zona(dati.nome)});
    doc.push_back({accanto("eta'              "), zona("         "), zona(dati.eta)});
    doc.push_back({accanto("peso              "), zona(dati.peso)});
    doc.push_back({accanto("larghezza spalle  "), zona(dati.spalle)});
    doc.push_back({accanto("circonfer torace  "), zona(dati.torace)});
    doc.push_back({accanto("circonfer vita    "), zona(dati.vita)});
    doc.push_back({accanto("altezza           "), zona(dati.alt)});
    righeVuote(doc, 2);

    doc.push_back({accanto(std::string(33, ' ')), accanto(std::string(intestazioneRisultati))});
    doc.push_back({accanto(std::string(22, ' ')), accanto(std::string(54, '_'))});
    righeVuote(doc, 1);

    for (std::size_t i = 0; i < frasiRisultati.size(); ++i) {
        doc.push_back({accanto(std::string(frasiRisultati[i])), accanto(" "),
                       accanto(testoVoce(valori[i], regionali))});
        righeVuote(doc, 2);
    }

    for (auto riga : avvertenze) doc.push_back({accanto(std::string(riga))});
    return doc;
}

}  // namespace ponderino
