// The renderer on PDF, read back with poppler, and the "&Stampa" back end when
// the results file or the printer is not usable.
#include "report/stampa.h"

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetricsF>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QPrinter>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <fstream>
#include <memory>
#include <string>

#include "core/risultati.h"
#include "tests/esempio.h"
#include "pdf_testo.h"

using namespace ponderino;
using namespace ponderino::prova;
namespace fs = std::filesystem;

namespace {

constexpr double margine = 36;  // points on every side

const DataStampa ottoDicembre{8, 12, 2026};

std::unique_ptr<QPrinter> stampantePdf(const fs::path& file, QPageSize::PageSizeId formato) {
    auto p = std::make_unique<QPrinter>(QPrinter::HighResolution);
    p->setOutputFormat(QPrinter::PdfFormat);
    p->setOutputFileName(QString::fromStdString(file.string()));
    p->setPageSize(QPageSize(formato));
    p->setPageMargins(QMarginsF(margine, margine, margine, margine), QPageLayout::Point);
    return p;
}

// Device pixels of the report font on `foglio`, in points.
struct Misure {
    double riga, colonna;
};
Misure misureInPunti(QPaintDevice& foglio) {
    const QFontMetricsF m(fontRiepilogo(), &foglio);
    const double k = 72.0 / foglio.logicalDpiX();
    return {m.lineSpacing() * 72.0 / foglio.logicalDpiY(), m.averageCharWidth() * k};
}

class SuPdf : public ::testing::Test {
protected:
    void SetUp() override { dir = cartellaTemporanea("ponderino-pdf"); }
    void TearDown() override {
        // PONDERINO_TENERE_PDF=1 keeps the printed files to look at.
        if (!HasFailure() && !std::getenv("PONDERINO_TENERE_PDF")) fs::remove_all(dir);
        else std::cerr << "file della prova lasciati in " << dir << "\n";
    }
    fs::path dir;
};

const Parola* parola(const RigaLetta& riga, const std::string& testo) {
    for (const Parola& p : riga.parole)
        if (p.testo == testo) return &p;
    return nullptr;
}

TEST_F(SuPdf, RiepilogoRigaPerRigaConLeZone) {
    // The results as written under each regional setting; the last file stays for the zones.
    std::vector<RigaLetta> righe;
    std::vector<std::size_t> piene;
    Misure mis{};
    for (const char decimale : {'.', ','}) {
        SCOPED_TRACE(decimale);
        const fs::path dati = dir / "dati.txt";
        RigaRisultati scritti = confermati;
        for (std::string& v : scritti) std::replace(v.begin(), v.end(), ',', decimale);
        scriviRisultati(dati, scritti);
        const fs::path pdf = dir / "riepilogo.pdf";
        auto stampante = stampantePdf(pdf, QPageSize::A4);
        mis = misureInPunti(*stampante);
        stampaRiepilogo(mario, dati, ottoDicembre, *stampante);
        stampante.reset();

        EXPECT_NE(esegui("pdffonts " + tra_apici(pdf)).find("LiberationSans"), std::string::npos)
            << "il carattere Arial non diventa Liberation Sans";
        const auto pagine = leggiPdf(pdf);
        ASSERT_EQ(pagine.size(), 1u);
        righe = righeLette(pagine);
        controllaRighe(righe, riepilogoEsempio(decimale), mis.riga);
    }
    for (std::size_t i = 0; i < righeRiepilogo; ++i)
        if (!riepilogoEsempio(',')[i].empty()) piene.push_back(i);

    // Lines that begin with a visible character begin at the left margin.
    for (std::size_t indice : {5u, 7u, 13u, 19u, 40u}) {
        const auto& r = righe[std::find(piene.begin(), piene.end(), indice) - piene.begin()];
        EXPECT_NEAR(r.parole.front().x0, margine, 0.3) << r.testo;
    }

    // Every label ends before the 14-column mark with this font, so the values
    // stand there; the age follows its spacer, at the 28-column mark.
    struct {
        std::size_t riga;
        const char* valore;
        int colonne;
    } zone[] = {
        {7, "Mario", 14}, {8, "30", 28},  {9, "70", 14},   {10, "45", 14},
        {11, "95", 14},   {12, "80", 14}, {13, "175", 14},
    };
    for (const auto& z : zone) {
        const auto& r = righe[std::find(piene.begin(), piene.end(), z.riga) - piene.begin()];
        const Parola* p = parola(r, z.valore);
        ASSERT_NE(p, nullptr) << r.testo;
        EXPECT_NEAR(p->x0, margine + z.colonne * mis.colonna, 0.3) << r.testo;
    }
}

TEST_F(SuPdf, VociAllaZonaSeguente) {
    auto A = [](const char* t) { return Voce{Giunzione::Adiacente, t}; };
    auto Z = [](const char* t) { return Voce{Giunzione::ProssimaZona, t}; };
    struct {
        RigaStampa riga;
        const char* parola;
        int colonne;
    } casi[] = {
        {{A("WWWWWWWWWWWWWWWW"), Z("oltre")}, "oltre", 28},  // label past the first mark
        {{A("i"), Z("uno"), Z("due")}, "due", 28},
        {{A("i"), Z("uno"), Z("due")}, "uno", 14},
        {{A("x"), Z(""), Z("vuota")}, "vuota", 28},  // an empty item still moves on
        {{Z("subito")}, "subito", 14},               // from the left edge: the first mark
        {{A("a"), Z("WWWWWWWWWWWWWWWW"), Z("terza")}, "terza", 42},
    };
    std::vector<RigaStampa> righe;
    for (const auto& c : casi) righe.push_back(c.riga);
    const fs::path pdf = dir / "zone.pdf";
    auto stampante = stampantePdf(pdf, QPageSize::A4);
    const Misure mis = misureInPunti(*stampante);
    disegnaDocumento(*stampante, righe);
    stampante.reset();

    const auto lette = righeLette(leggiPdf(pdf));
    ASSERT_EQ(lette.size(), std::size(casi));
    for (std::size_t i = 0; i < lette.size(); ++i) {
        const Parola* p = parola(lette[i], casi[i].parola);
        ASSERT_NE(p, nullptr) << lette[i].testo;
        EXPECT_NEAR(p->x0, margine + casi[i].colonne * mis.colonna, 0.3) << lette[i].testo;
    }
}

TEST_F(SuPdf, RigheCheNonStannoPassanoAllaPaginaSeguente) {
    // 40 lines, every third one empty, on A6: the second page starts at the top.
    std::vector<RigaStampa> righe;
    for (int i = 0; i < 40; ++i) {
        if (i % 3 == 2) righe.emplace_back();
        else righe.push_back({{Giunzione::Adiacente, "riga" + std::to_string(i + 1)}});
    }
    const fs::path pdf = dir / "pagine.pdf";
    int pagineDisegnate = 0;
    Misure mis{};
    double altezzaUtile = 0;
    {
        QPdfWriter scrittore(QString::fromStdString(pdf.string()));
        scrittore.setPageSize(QPageSize(QPageSize::A6));
        scrittore.setPageMargins(QMarginsF(margine, margine, margine, margine), QPageLayout::Point);
        mis = misureInPunti(scrittore);
        altezzaUtile = scrittore.pageLayout().paintRect(QPageLayout::Point).height();
        pagineDisegnate = disegnaDocumento(scrittore, righe);
    }
    const int perPagina = static_cast<int>(altezzaUtile / mis.riga);
    ASSERT_GT(perPagina, 14);
    ASSERT_LT(perPagina, 40);

    const auto pagine = leggiPdf(pdf);
    const int attese = (40 + perPagina - 1) / perPagina;
    EXPECT_EQ(pagineDisegnate, attese);
    ASSERT_EQ(static_cast<int>(pagine.size()), attese);
    const auto lette = righeLette(pagine);
    std::size_t k = 0;
    for (int i = 0; i < 40; ++i) {
        if (righe[i].empty()) continue;
        ASSERT_LT(k, lette.size());
        EXPECT_EQ(lette[k].testo, righe[i][0].testo);
        EXPECT_EQ(lette[k].pagina, i / perPagina) << righe[i][0].testo;
        EXPECT_NEAR(lette[k].y - lette[0].y, (i % perPagina) * mis.riga, 0.3) << righe[i][0].testo;
        ++k;
    }
    EXPECT_EQ(k, lette.size());
}

TEST_F(SuPdf, OltreIlMargineDestroNonSiStampa) {
    const std::vector<RigaStampa> righe = {
        {{Giunzione::Adiacente, std::string(80, 'W')}},
        {},
        {{Giunzione::Adiacente, "corta"}},
    };
    const fs::path pdf = dir / "taglio.pdf";
    {
        auto stampante = stampantePdf(pdf, QPageSize::A6);
        disegnaDocumento(*stampante, righe);
    }
    const Immagine img = paginaInGrigio(pdf, 1);
    ASSERT_GT(img.larghezza, 250);
    const int destra = img.larghezza - static_cast<int>(margine);  // printable area ends here
    auto nero = [&](int x0, int x1, int y0, int y1) {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                if (img.at(x, y) < 128) return true;
        return false;
    };
    const int alto = static_cast<int>(margine);
    EXPECT_TRUE(nero(destra - 20, destra - 1, alto, alto + 14)) << "la riga lunga arriva al margine";
    EXPECT_FALSE(nero(destra + 1, img.larghezza, 0, img.altezza)) << "nulla a destra del margine";
}

// --- "&Stampa" without a usable results file or printer ---------------------

struct FileGuasto {
    const char* nome;
    const char* contenuto;  // nullptr: no file at all
};

class FileDatiInutilizzabile : public SuPdf, public ::testing::WithParamInterface<FileGuasto> {};

TEST_P(FileDatiInutilizzabile, NessunaStampaEUnMessaggioCheNominaIlFile) {
    const fs::path dati = dir / "dati.txt";
    if (GetParam().contenuto) std::ofstream(dati, std::ios::binary) << GetParam().contenuto;
    const fs::path pdf = dir / "non-stampato.pdf";
    auto stampante = stampantePdf(pdf, QPageSize::A4);
    try {
        stampaRiepilogo(mario, dati, ottoDicembre, *stampante);
        FAIL() << "nessuna eccezione";
    } catch (const ErroreStampa& e) {
        EXPECT_NE(std::string(e.what()).find("dati.txt"), std::string::npos) << e.what();
    }
    stampante.reset();
    EXPECT_FALSE(fs::exists(pdf)) << "la stampa è cominciata";

    // Without any printer the file is still the first thing reported.
    try {
        stampaRiepilogo(mario, dati, ottoDicembre);
        FAIL() << "nessuna eccezione";
    } catch (const ErroreStampa& e) {
        EXPECT_NE(std::string(e.what()).find("dati.txt"), std::string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(Casi, FileDatiInutilizzabile,
                         ::testing::Values(FileGuasto{"mancante", nullptr}, FileGuasto{"vuoto", ""},
                                           FileGuasto{"setteValori", "\"1\",\"2\",\"3\",\"4\",\"5\",\"6\",\"7\"\r\n"},
                                           FileGuasto{"setteZeri", "0,0,0,0,0,0,0\r\n"},
                                           FileGuasto{"testoQualsiasi", "ciao\r\n"}),
                         [](const auto& info) { return std::string(info.param.nome); });

TEST_F(SuPdf, SenzaStampantePredefinita) {
    const fs::path dati = dir / "dati.txt";
    scriviZeri(dati);
    try {
        stampaRiepilogo(mario, dati, ottoDicembre);
        FAIL() << "nessuna eccezione";
    } catch (const ErroreStampa& e) {
        EXPECT_STREQ(e.what(), "Nessuna stampante predefinita");
    }
}

TEST(Carattere, ArialDiventaLiberationSans) {
    EXPECT_EQ(QFontInfo(fontRiepilogo()).family(), QStringLiteral("Liberation Sans"));
    EXPECT_EQ(fontRiepilogo().pointSize(), 12);
}

}  // namespace
