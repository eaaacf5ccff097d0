#include "pdf_testo.h"

#include "riepilogo_atteso.h"
#include "core/notazione_c.h"
#include "tests/esempio.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <iterator>
#include <map>
#include <regex>
#include <stdexcept>
#include <random>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#endif

namespace ponderino::prova {

#ifdef _WIN32
// Under Wine a Windows program can start the build machine's own tools (poppler's
// pdftotext and pdftoppm): Wine runs a Unix program given to CreateProcess, though it
// can neither wait for it nor hand it a pipe. So the shell writes the output and then
// the exit status to files, and the status file's arrival ends the wait.
std::string esegui(const std::string& comando, int* stato) {
    const std::filesystem::path cartella = cartellaTemporanea("ponderino-esegui");
    const std::string uscita = cartella.generic_string() + "/uscita", esito = cartella.generic_string() + "/esito";
    const std::string script = "{ " + comando + "\n} > " + tra_apici(uscita) + "; echo $? > " +
                               tra_apici(esito + ".parziale") + " && mv " + tra_apici(esito + ".parziale") +
                               " " + tra_apici(esito);
    std::ofstream(cartella / "comando.sh", std::ios::binary) << script;
    std::wstring riga = L"/bin/sh " + std::filesystem::path(cartella.generic_string() + "/comando.sh").wstring();
    STARTUPINFOW avvio{};
    avvio.cb = sizeof avvio;
    PROCESS_INFORMATION processo{};
    if (!CreateProcessW(L"Z:\\bin\\sh", riga.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &avvio, &processo)) {
        if (stato) *stato = -1;
        return {};
    }
    CloseHandle(processo.hThread);
    CloseHandle(processo.hProcess);
    for (int i = 0; i < 1200 && !std::filesystem::exists(esito); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::ifstream in(uscita, std::ios::binary), codice(esito);
    std::ostringstream testo;
    testo << in.rdbuf();
    int n = -1;
    codice >> n;
    if (stato) *stato = n;
    in.close();
    codice.close();
    std::filesystem::remove_all(cartella);
    return testo.str();
}
#else
std::string esegui(const std::string& comando, int* stato) {
    std::string uscita;
    FILE* f = popen(comando.c_str(), "r");
    if (!f) {
        if (stato) *stato = -1;
        return uscita;
    }
    std::array<char, 4096> buf;
    std::size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), f)) > 0) uscita.append(buf.data(), n);
    const int s = pclose(f);
    if (stato) *stato = WIFEXITED(s) ? WEXITSTATUS(s) : -1;
    return uscita;
}
#endif

// In /tmp on both systems: under Wine "/tmp" names the same folder for the test and
// for the tools it starts.
std::filesystem::path cartellaTemporanea(const std::string& prefisso) {
    std::filesystem::path cartella;
    do cartella = "/tmp/" + prefisso + "-" + std::to_string(std::random_device{}());
    while (!std::filesystem::create_directory(cartella));
    return cartella;
}

std::string tra_apici(const std::filesystem::path& p) {
    std::string r = "'";
    for (char c : p.generic_string()) r += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return r + "'";
}

namespace {

std::string senzaEntita(std::string s) {
    static const std::pair<const char*, const char*> entita[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&#39;", "'"}, {"&amp;", "&"}};
    for (const auto& [da, a] : entita) {
        for (std::size_t pos = 0; (pos = s.find(da, pos)) != std::string::npos; pos += std::strlen(a))
            s.replace(pos, std::strlen(da), a);
    }
    return s;
}

}  // namespace

std::vector<Pagina> leggiPdf(const std::filesystem::path& file) {
    int stato = 0;
    const std::string html = esegui("pdftotext -bbox " + tra_apici(file) + " - 2>&1", &stato);
    if (stato != 0) {
        ADD_FAILURE() << "pdftotext non legge " << file << ": " << html;
        return {};
    }
    // pdftotext writes C notation whatever the regional settings of the test.
    const auto numero = [](const std::ssub_match& m) {
        double v = 0;
        ponderino::leggiDoubleC(&*m.first, &*m.first + m.length(), v);
        return v;
    };
    std::vector<Pagina> pagine;
    static const std::regex elemento(
        R"re(<page width="([0-9.]+)" height="([0-9.]+)">|<word xMin="([-0-9.]+)" yMin="([-0-9.]+)" xMax="([-0-9.]+)" yMax="([-0-9.]+)">([^<]*)</word>)re");
    for (std::sregex_iterator it(html.begin(), html.end(), elemento), fine; it != fine; ++it) {
        const auto& m = *it;
        if (m[1].matched) {
            pagine.push_back({numero(m[1]), numero(m[2]), {}});
        } else if (!pagine.empty()) {
            pagine.back().parole.push_back({static_cast<int>(pagine.size()) - 1, numero(m[3]),
                                            numero(m[4]), numero(m[5]), numero(m[6]),
                                            senzaEntita(m[7])});
        }
    }
    return pagine;
}

std::vector<RigaLetta> righeLette(const std::vector<Pagina>& pagine) {
    std::vector<RigaLetta> righe;
    for (const Pagina& pagina : pagine) {
        std::vector<Parola> parole = pagina.parole;
        std::stable_sort(parole.begin(), parole.end(),
                         [](const Parola& a, const Parola& b) { return a.y0 < b.y0; });
        std::vector<RigaLetta> suPagina;
        for (const Parola& p : parole) {
            if (suPagina.empty() || std::abs(suPagina.back().y - p.y0) > 1.0)
                suPagina.push_back({p.pagina, p.y0, {}, {}});
            suPagina.back().parole.push_back(p);
        }
        for (RigaLetta& r : suPagina) {
            std::stable_sort(r.parole.begin(), r.parole.end(),
                             [](const Parola& a, const Parola& b) { return a.x0 < b.x0; });
            for (const Parola& p : r.parole) r.testo += (r.testo.empty() ? "" : " ") + p.testo;
            righe.push_back(std::move(r));
        }
    }
    return righe;
}

std::vector<std::string> riepilogoLetto(const std::string& data, const std::vector<std::string>& misure,
                                        const std::vector<std::string>& risultati) {
    std::map<std::string, std::string> valori = {{"data", data}};
    const char* campi[] = {"nome", "eta", "peso", "spalle", "torace", "vita", "alt"};
    for (int i = 0; i < 7; ++i) valori[campi[i]] = misure.at(i);
    for (int i = 0; i < 8; ++i) valori["r" + std::to_string(i + 1)] = risultati.at(i);
    std::vector<std::string> r;
    for (const auto& voci : riepilogoAtteso(valori)) {
        std::string testo, letto;
        for (const auto& v : voci) testo += (v.zona ? " " : "") + v.testo;
        std::istringstream parole(testo);
        for (std::string p; parole >> p;) letto += (letto.empty() ? "" : " ") + p;
        r.push_back(letto);
    }
    return r;
}

std::vector<std::string> riepilogoEsempio(char d) {
    std::vector<std::string> valori;
    for (std::string v : confermati) {
        std::replace(v.begin(), v.end(), ',', d);
        valori.push_back(v);
    }
    return riepilogoLetto("08/12/2026", {mario.nome, mario.eta, mario.peso, mario.spalle, mario.torace, mario.vita, mario.alt},
                          valori);
}

void controllaRighe(const std::vector<RigaLetta>& righe, const std::vector<std::string>& attese,
                    double altezzaRiga) {
    ASSERT_EQ(attese.size(), righeRiepilogo);
    std::vector<std::size_t> piene;
    for (std::size_t i = 0; i < attese.size(); ++i)
        if (!attese[i].empty()) piene.push_back(i);
    ASSERT_EQ(righe.size(), piene.size());
    double tolleranza = 0.3;  // points
    if (altezzaRiga == 0) {
        ASSERT_EQ(piene[2], 7u);
        ASSERT_EQ(piene[3], 8u);
        altezzaRiga = righe[3].y - righe[2].y;
        ASSERT_GT(altezzaRiga, 5.0);
        tolleranza = 0.05 * altezzaRiga;
    }
    for (std::size_t k = 0; k < piene.size(); ++k) {
        EXPECT_EQ(righe[k].testo, attese[piene[k]]) << "riga " << piene[k] + 1;
        EXPECT_NEAR(righe[k].y - righe[0].y, double(piene[k] - piene[0]) * altezzaRiga, tolleranza)
            << "riga " << piene[k] + 1;
    }
}

Immagine paginaInGrigio(const std::filesystem::path& file, int pagina) {
    Immagine img;
    const auto base = file.parent_path() / ("pagina-" + std::to_string(pagina));
    int stato = 0;
    const std::string n = std::to_string(pagina);
    const std::string messaggi = esegui("pdftoppm -r 72 -gray -singlefile -f " + n + " -l " + n + " " +
                                            tra_apici(file) + " " + tra_apici(base) + " 2>&1",
                                        &stato);
    if (stato != 0) {
        ADD_FAILURE() << "pdftoppm non disegna " << file << ": " << messaggi;
        return img;
    }
    std::ifstream in(base.string() + ".pgm", std::ios::binary);
    std::string magia;
    int massimo = 0;
    in >> magia >> img.larghezza >> img.altezza >> massimo;
    in.get();
    if (magia != "P5" || massimo != 255 || img.larghezza <= 0 || img.altezza <= 0) {
        ADD_FAILURE() << "immagine PGM inattesa da pdftoppm";
        return {};
    }
    img.pixel.resize(static_cast<std::size_t>(img.larghezza) * img.altezza);
    in.read(reinterpret_cast<char*>(img.pixel.data()), static_cast<std::streamsize>(img.pixel.size()));
    return img;
}

}  // namespace ponderino::prova
