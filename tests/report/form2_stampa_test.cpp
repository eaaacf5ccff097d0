// "&Stampa" clicked on the real calculation screen, printing on the private
// CUPS server's default queue.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "core/risultati.h"
#include "tests/esempio.h"
#include "cups_privato.h"
#include "ambiente.h"
#include "pdf_testo.h"
#include "report/riepilogo.h"

using namespace ponderino;
using namespace ponderino::prova;
using ClicSuStampa = FinestreTest;  // the calculation screen, its folder and the seam's recorders
namespace fs = std::filesystem;

namespace {


class ClicSuStampaVera : public ClicSuStampa {
protected:
    void SetUp() override {
        RICHIEDE_CUPS();
        ClicSuStampa::SetUp();
        ASSERT_TRUE(cups().lavoriInCoda().empty()) << cups().lavoriInCoda();
        std::error_code ec;
        fs::remove(cups().fileStampato(), ec);
        prima = cups().lavoriCompletati();
    }
    int prima = 0;
};

// A language, and how a bare 2.5 of dati.txt prints under it.
struct Lingua {
    const char *nome, *lang, *dueEMezzo;
};

void PrintTo(const Lingua& lingua, std::ostream* uscita) { *uscita << lingua.lang; }

class ClicSuStampaInLingua : public ClicSuStampaVera, public testing::WithParamInterface<Lingua> {};

// A program takes its language once, when it starts: each entry runs this test again
// in a test program of its own started under the entry's language, which prints.
TEST_P(ClicSuStampaInLingua, StampaIlRiepilogoELaDataSulloSchermo) {
    const char* lingua = std::getenv("PONDERINO_PROVA_LINGUA");
    if (lingua == nullptr || std::string(lingua) != GetParam().lang) {
        const auto* prova = testing::UnitTest::GetInstance()->current_test_info();
        int stato = 0;
        const std::string uscita =
            esegui(std::string("LANG=") + GetParam().lang + " LC_ALL= LC_NUMERIC= PONDERINO_PROVA_LINGUA=" +
                       GetParam().lang + " " + tra_apici(fs::read_symlink("/proc/self/exe")) + " --gtest_filter=" +
                       prova->test_suite_name() + "." + prova->name() + " 2>&1",
                   &stato);
        ASSERT_EQ(stato, 0) << uscita;
        if (uscita.find("[  SKIPPED ] 1 test") != std::string::npos) GTEST_SKIP() << uscita;
        EXPECT_NE(uscita.find("[  PASSED  ] 1 test"), std::string::npos) << uscita;
        return;
    }
    scriviRisultati(dati(), confermati);
    Form2* f = apriForm2();
    // Fields changed after the last confirmation print as they stand now.
    DatiSoggetto adesso = mario;
    adesso.nome = "Anna Bianchi";
    adesso.alt = "";
    digita(f, adesso);

    clic(f->Command10);
    EXPECT_TRUE(registro().messaggi.empty()) << registro().messaggi.front().testo.toStdString();
    EXPECT_EQ(f->righeStampate(), (QStringList{"12", "08", "2026"}));
    ASSERT_TRUE(cups().attendiFineStampa()) << "coda: " << cups().lavoriInCoda();
    EXPECT_EQ(cups().lavoriCompletati(), prima + 1);
    auto atteso = riepilogoEsempio(',');
    atteso[7] = "nome Anna Bianchi";
    atteso[13] = "altezza";
    EXPECT_EQ(leggiPdf(cups().fileStampato()).size(), 1u) << "pagine stampate";
    controllaRighe(righeLette(leggiPdf(cups().fileStampato())), atteso);

    // A second click prints again and three more lines; the bare numbers of a
    // hand-edited file print with the decimal separator of the user's language.
    fs::remove(cups().fileStampato());
    std::ofstream(dati(), std::ios::binary) << "0,0,0,0,0,0,0,2.5\r\n";
    registro().oggi = QDate(2027, 3, 1);
    clic(f->Command10);
    EXPECT_EQ(f->righeStampate(), (QStringList{"12", "08", "2026", "03", "01", "2027"}));
    ASSERT_TRUE(cups().attendiFineStampa()) << "coda: " << cups().lavoriInCoda();
    EXPECT_EQ(cups().lavoriCompletati(), prima + 2);
    std::vector<std::string> risultati(8, "0");
    risultati[7] = GetParam().dueEMezzo;
    const auto secondo = riepilogoLetto("01/03/2027", {"Anna Bianchi", "30", "70", "45", "95", "80", ""}, risultati);
    controllaRighe(righeLette(leggiPdf(cups().fileStampato())), secondo);
    EXPECT_EQ(registro().terminazioni, 0);
}

INSTANTIATE_TEST_SUITE_P(Lingue, ClicSuStampaInLingua,
                         testing::Values(Lingua{"italiano", "it_IT.UTF-8", "2,5"},
                                         Lingua{"inglese", "en_US.UTF-8", "2.5"}),
                         [](const auto& lingua) { return std::string(lingua.param.nome); });

TEST_F(ClicSuStampaVera, SenzaDatiTxtUnMessaggioENienteStampato) {
    Form2* f = apriForm2();
    digita(f, mario);
    clic(f->Command10);

    ASSERT_EQ(registro().messaggi.size(), 1u);
    EXPECT_EQ(registro().messaggi[0].titolo, QStringLiteral("ponderino"));
    EXPECT_TRUE(registro().messaggi[0].testo.contains(QStringLiteral("dati.txt"))) << registro().messaggi[0].testo.toStdString();
    EXPECT_TRUE(f->righeStampate().isEmpty());
    EXPECT_EQ(f->leggiDati().nome, mario.nome);
    EXPECT_EQ(f->leggiDati().alt, mario.alt);
    EXPECT_EQ(registro().terminazioni, 0);
    // The queue takes jobs in order: once a later click has printed, nothing came before it.
    scriviRisultati(dati(), confermati);
    clic(f->Command10);
    ASSERT_TRUE(cups().attendiFineStampa()) << "coda: " << cups().lavoriInCoda();
    EXPECT_EQ(cups().lavoriCompletati(), prima + 1);
    controllaRighe(righeLette(leggiPdf(cups().fileStampato())), riepilogoEsempio(','));
}

// A printer the program cannot use: its own message, nothing printed, the screen
// still there; once the printer is back, the next click prints.
TEST_F(ClicSuStampaVera, StampanteCheNonSiPuoUsare) {
    const struct {
        const char *guasto, *rimedio, *messaggio;
    } casi[] = {
        {"lpadmin -p altra -E -v file:/dev/null && lpadmin -d altra && lpadmin -x altra",
         "lpadmin -d ponderino-test", "Nessuna stampante predefinita"},
        {"cupsdisable ponderino-test", "cupsenable ponderino-test",
         "La stampante predefinita ponderino-test non è disponibile"},
    };
    scriviRisultati(dati(), confermati);
    Form2* f = apriForm2();
    digita(f, mario);
    int attesi = prima;
    for (const auto& c : casi) {
        SCOPED_TRACE(c.guasto);
        registro().messaggi.clear();
        int stato = 0;
        ASSERT_EQ(esegui(std::string(c.guasto) + " 2>&1", &stato), "");
        clic(f->Command10);
        esegui(std::string(c.rimedio) + " 2>&1", &stato);
        ASSERT_EQ(stato, 0);
        ASSERT_EQ(registro().messaggi.size(), 1u);
        EXPECT_EQ(registro().messaggi[0].testo.toStdString(), c.messaggio);
        EXPECT_TRUE(f->isVisible());
        clic(f->Command10);
        ASSERT_TRUE(cups().attendiFineStampa()) << "coda: " << cups().lavoriInCoda();
        EXPECT_EQ(cups().lavoriCompletati(), ++attesi);
        controllaRighe(righeLette(leggiPdf(cups().fileStampato())), riepilogoEsempio(','));
    }
    EXPECT_EQ(registro().messaggi.size(), 1u);
    EXPECT_EQ(registro().terminazioni, 0);
}

}  // namespace
