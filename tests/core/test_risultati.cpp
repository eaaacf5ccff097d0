#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <set>
#include <sstream>
#include <thread>

#include "core/risultati.h"

using namespace ponderino;
namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

const DatiSoggetto esempio{"Mario", "30", "70", "45", "95", "80", "175"};

TEST(CalcolaRisultati, RigaDellEsempioInEntrambeLeImpostazioni) {
    EXPECT_EQ(calcolaRisultati(esempio, regionaliItaliane),
              (RigaRisultati{"0,98", "75", "71,5", "69,2", "68,7", "75", "77,7", "22,8"}));
    EXPECT_EQ(calcolaRisultati(esempio, regionaliPunto),
              (RigaRisultati{"0.98", "75", "71.5", "69.2", "68.7", "75", "77.7", "22.8"}));
}

TEST(CalcolaRisultati, AltezzeParticolari) {
    struct Caso {
        const char *alt, *eta;
        RigaRisultati attesa;
    } casi[] = {
        {"100", "30", {"0,98", "15", "61,5", "39,5", "12,5", "0", "2,7", "70"}},
        {"90", "20", {"0,98", "2", "60,2", "35,6", "5", "-10", "-8,2", "86,4"}},
        {"250", "30", {"0,98", "135", "81,5", "98,9", "125", "150", "152,", "11,2"}},
        {"12000", "30", {"0,98", "9535", "1648", "4750", "8937", "1190", "1190", "0,00"}},
    };
    for (const auto& c : casi) {
        DatiSoggetto d = esempio;
        d.alt = c.alt;
        d.eta = c.eta;
        EXPECT_EQ(calcolaRisultati(d, regionaliItaliane), c.attesa) << c.alt;
    }
}

TEST(CalcolaRisultati, UnSoloGuastoFermaTutto) {
    for (auto campo : {&DatiSoggetto::torace, &DatiSoggetto::alt, &DatiSoggetto::eta, &DatiSoggetto::peso,
                       &DatiSoggetto::spalle, &DatiSoggetto::vita}) {
        for (const char* testo : {"", "0", "abc"}) {
            DatiSoggetto d = esempio;
            d.*campo = testo;
            if (std::string_view(testo) == "0" && campo != &DatiSoggetto::torace && campo != &DatiSoggetto::alt)
                continue;  // zero is a valid value there
            EXPECT_THROW(calcolaRisultati(d, regionaliItaliane), ErroreDati) << testo;
        }
    }
    DatiSoggetto senzaNome = esempio;
    senzaNome.nome = "\x01\"junk\",";
    EXPECT_EQ(calcolaRisultati(senzaNome, regionaliItaliane), calcolaRisultati(esempio, regionaliItaliane));
}

// Each test works in a folder of its own, as the program does in its working directory.
class FileRisultati : public testing::Test {
protected:
    void SetUp() override {
        do cartella_ = fs::temp_directory_path() / ("ponderino-" + std::to_string(std::random_device{}()));
        while (!fs::create_directory(cartella_));
        precedente_ = fs::current_path();
        fs::current_path(cartella_);
    }
    void TearDown() override {
        fs::current_path(precedente_);
        fs::permissions(cartella_, fs::perms::owner_all, fs::perm_options::add);
        for (const auto& voce : fs::recursive_directory_iterator(cartella_))
            fs::permissions(voce.path(), fs::perms::owner_all, fs::perm_options::add, errore_);
        fs::remove_all(cartella_);
    }
    static std::string contenuto(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static void scrivi(const fs::path& file, std::string_view testo) {
        std::ofstream(file, std::ios::binary) << testo;
    }
    std::set<std::string> voci() const {
        std::set<std::string> nomi;
        for (const auto& voce : fs::directory_iterator(cartella_)) nomi.insert(testoPercorso(voce.path().filename()));
        return nomi;
    }
    // Runs a write that must fail, and checks the old file and the folder are untouched.
    void scritturaRifiutata(const std::function<void()>& scrittura, const std::string& messaggio) {
        const auto primaVoci = voci();
        const std::string prima = fs::is_regular_file("dati.txt") ? contenuto("dati.txt") : "";
        try {
            scrittura();
            ADD_FAILURE() << "the write succeeded";
        } catch (const ErroreFile& e) {
            EXPECT_EQ(e.what(), messaggio);
        }
        EXPECT_EQ(voci(), primaVoci);
        if (fs::is_regular_file("dati.txt")) {
            EXPECT_EQ(contenuto("dati.txt"), prima);
        }
    }
    fs::path cartella_, precedente_;
    std::error_code errore_;
};

const RigaRisultati rigaEsempio{"0,98", "75", "71,5", "69,2", "68,7", "75", "77,7", "22,8"};
const std::string byteEsempio = "\"0,98\",\"75\",\"71,5\",\"69,2\",\"68,7\",\"75\",\"77,7\",\"22,8\"\r\n";
const std::string byteZeri = "0,0,0,0,0,0,0,0\r\n";

TEST_F(FileRisultati, ByteEsattiDelleDueForme) {
    scriviRisultati("dati.txt", rigaEsempio);
    EXPECT_EQ(contenuto("dati.txt"), byteEsempio);
    scriviRisultati("dati.txt", rigaEsempio);
    EXPECT_EQ(contenuto("dati.txt"), byteEsempio);
    scriviZeri("dati.txt");
    EXPECT_EQ(contenuto("dati.txt"), byteZeri);
    EXPECT_EQ(byteZeri.size(), 17u);
    EXPECT_EQ(voci(), std::set<std::string>{"dati.txt"});
}

#ifndef _WIN32
TEST_F(FileRisultati, SostituisceMantenendoIPermessiEIlCollegamento) {
    scrivi("vero.txt", std::string(1000, 'x'));
    fs::permissions("vero.txt", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink("vero.txt", "dati.txt");
    scriviZeri("dati.txt");
    EXPECT_TRUE(fs::is_symlink("dati.txt"));
    EXPECT_EQ(contenuto("vero.txt"), byteZeri);
    EXPECT_EQ(fs::status("vero.txt").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}
#endif

TEST_F(FileRisultati, UnaCartellaDiNomeDatiTxtNonVieneToccata) {
    fs::create_directory("dati.txt");
    scritturaRifiutata([] { scriviZeri("dati.txt"); }, "Impossibile scrivere il file dati.txt: è una cartella");
    EXPECT_TRUE(fs::is_directory("dati.txt"));
}

TEST_F(FileRisultati, UnFileDiSolaLetturaNonVieneSostituito) {
    scrivi("dati.txt", byteEsempio);
    fs::permissions("dati.txt", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    scritturaRifiutata([] { scriviZeri("dati.txt"); }, "Impossibile scrivere il file dati.txt: permesso negato");
}

TEST_F(FileRisultati, UnaCartellaInesistente) {
    scritturaRifiutata([] { scriviZeri("manca/dati.txt"); },
                       "Impossibile scrivere il file manca/dati.txt: file o cartella inesistente");
}

#ifndef _WIN32
// A folder that takes no new file: an existing writable dati.txt is written in place.
TEST_F(FileRisultati, UnaCartellaDiSolaLettura) {
    if (geteuid() == 0) GTEST_SKIP() << "root writes into a read-only folder anyway";
    fs::permissions(cartella_, fs::perms::owner_read | fs::perms::owner_exec);
    scritturaRifiutata([] { scriviZeri("dati.txt"); }, "Impossibile scrivere il file dati.txt: permesso negato");
    fs::permissions(cartella_, fs::perms::owner_write, fs::perm_options::add);
    scrivi("dati.txt", byteEsempio);
    fs::permissions(cartella_, fs::perms::owner_write, fs::perm_options::remove);
    scriviZeri("dati.txt");
    EXPECT_EQ(contenuto("dati.txt"), byteZeri);
    EXPECT_EQ(voci(), std::set<std::string>{"dati.txt"});
}

// A process that may not grow a file beyond a limit stands for a full disk. With the
// folder open the temporary file's write fails and the old file survives; in a folder
// that takes no new file dati.txt is written in place, cut off at the limit, and its
// old content is put back, or the message says it could not be.
TEST_F(FileRisultati, UnDiscoPienoLasciaIlVecchioFile) {
    const std::string pieno = "Impossibile scrivere il file dati.txt: disco pieno";
    const RigaRisultati lunga{"1111111111", "2", "3", "4", "5", "6", "7", "8"};
    const struct {
        bool chiusa;
        rlim_t limite;
        std::string vecchio, messaggio;
    } casi[] = {
        {false, 0, byteEsempio, pieno},
        {true, 30, byteZeri, pieno},  // between the old size (17) and the new (51)
        {true, 10, byteEsempio, pieno + ". Il contenuto precedente non è stato ripristinato"},
    };
    const passwd* nessuno = getpwnam("nobody");
    for (const auto& c : casi) {
        SCOPED_TRACE(c.limite);
        scrivi("dati.txt", c.vecchio);
        const auto primaVoci = voci();
        // As an ordinary user (the superuser's child becomes nobody), so that a
        // read-only folder takes no new file.
        if (c.chiusa && geteuid() == 0) {
            ASSERT_NE(nessuno, nullptr);
            ASSERT_EQ(chown(".", nessuno->pw_uid, nessuno->pw_gid), 0);
            ASSERT_EQ(chown("dati.txt", nessuno->pw_uid, nessuno->pw_gid), 0);
        }
        int tubo[2];
        ASSERT_EQ(pipe(tubo), 0);
        const pid_t figlio = fork();
        ASSERT_GE(figlio, 0);
        if (figlio == 0) {
            std::string esito = "nessun errore";
            if (c.chiusa && geteuid() == 0 && (setgid(nessuno->pw_gid) != 0 || setuid(nessuno->pw_uid) != 0))
                _exit(3);
            if (c.chiusa) chmod(".", 0555);
            signal(SIGXFSZ, SIG_IGN);
            const rlimit limite{c.limite, c.limite};
            setrlimit(RLIMIT_FSIZE, &limite);
            try {
                scriviRisultati("dati.txt", c.limite == 30 ? rigaEsempio : lunga);
            } catch (const ErroreFile& e) {
                esito = e.what();
            }
            _exit(write(tubo[1], esito.data(), esito.size()) == ssize_t(esito.size()) ? 0 : 2);
        }
        close(tubo[1]);
        std::string messaggio;
        char blocco[256];
        for (ssize_t n; (n = read(tubo[0], blocco, sizeof blocco)) > 0;) messaggio.append(blocco, std::size_t(n));
        close(tubo[0]);
        int stato = 0;
        ASSERT_EQ(waitpid(figlio, &stato, 0), figlio);
        chmod(".", 0755);
        ASSERT_TRUE(WIFEXITED(stato) && WEXITSTATUS(stato) == 0) << stato;
        EXPECT_EQ(messaggio, c.messaggio);
        if (c.messaggio == pieno) {
            EXPECT_EQ(contenuto("dati.txt"), c.vecchio);
        }
        EXPECT_EQ(voci(), primaVoci);
    }
}
#else
// A program that holds dati.txt open without sharing it, as a spreadsheet does; or
// only for a moment, as a virus scanner does, which the save waits for.
TEST_F(FileRisultati, UnFileInUsoNonVieneToccato) {
    auto tieni = [] {
        return CreateFileW(L"dati.txt", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    scrivi("dati.txt", byteEsempio);
    const HANDLE tenuto = tieni();
    ASSERT_NE(tenuto, INVALID_HANDLE_VALUE);
    scritturaRifiutata([] { scriviZeri("dati.txt"); }, "Impossibile scrivere il file dati.txt: file in uso");
    CloseHandle(tenuto);
    EXPECT_EQ(contenuto("dati.txt"), byteEsempio);

    const HANDLE perUnMomento = tieni();
    ASSERT_NE(perUnMomento, INVALID_HANDLE_VALUE);
    std::thread lascia([perUnMomento] {
        Sleep(300);
        CloseHandle(perUnMomento);
    });
    EXPECT_NO_THROW(scriviZeri("dati.txt"));
    lascia.join();
    EXPECT_EQ(contenuto("dati.txt"), "0,0,0,0,0,0,0,0\r\n");
}
#endif

// Wide paths: a user folder such as C:\Users\Niccolò, in messages too.
TEST_F(FileRisultati, UnaCartellaConLettereAccentate) {
    const fs::path cartella(u8"Niccolò");
    fs::create_directory(cartella);
    scriviRisultati(cartella / "dati.txt", rigaEsempio);
    scriviRisultati(cartella / "dati.txt", rigaEsempio);
    EXPECT_EQ(contenuto(cartella / "dati.txt"), byteEsempio);
    EXPECT_EQ(leggiRisultati(cartella / "dati.txt").size(), 8u);
    const fs::path cartellaDati = cartella / "cartella";
    fs::create_directory(cartellaDati);
    scritturaRifiutata([&] { scriviZeri(cartellaDati); },
                       "Impossibile scrivere il file " + testoPercorso(cartellaDati) + ": è una cartella");
    EXPECT_NE(testoPercorso(cartellaDati).find("Niccolò"), std::string::npos);
}

TEST_F(FileRisultati, RileggeCioCheScrive) {
    scriviRisultati("dati.txt", rigaEsempio);
    const auto valori = leggiRisultati("dati.txt");
    ASSERT_EQ(valori.size(), 8u);
    for (std::size_t i = 0; i < 8; ++i) EXPECT_EQ(std::get<std::string>(valori[i]), rigaEsempio[i]);
    scriviZeri("dati.txt");
    EXPECT_EQ(leggiRisultati("dati.txt"), std::vector<ValoreRisultato>(8, 0.0));
}

TEST_F(FileRisultati, LetturaDiContenutiValidi) {
    using V = std::vector<ValoreRisultato>;
    const std::string s = "s";
    struct Caso {
        std::string testo;
        V attesi;
    } casi[] = {
        {"1,2,3,4,5,6,7,8", V{1.0, 2.0, 3.0, 4.0, 5.0, 6.0, 7.0, 8.0}},  // no line end
        {" 1 ,\t-2.5, 3e1 ,4,5,6,7,8\rjunk", V{1.0, -2.5, 30.0, 4.0, 5.0, 6.0, 7.0, 8.0}},
        {"\"a,b\",\"\",0,\"s\",\"s\",\"s\",\"s\",\"s\",oltre,\"\n", V{"a,b", "", 0.0, s, s, s, s, s}},
        {"\"\0\",1,1,1,1,1,1,1\n\x80\xff"s + std::string(100000, 'z'), V{std::string(1, '\0'), 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0}},
        {"0,0,0,0,0,0,0,0," + std::string(200000, '9'), V(8, 0.0)},
    };
    for (const auto& c : casi) {
        scrivi("dati.txt", c.testo);
        EXPECT_EQ(leggiRisultati("dati.txt"), c.attesi) << c.testo.substr(0, 40);
    }
}

TEST_F(FileRisultati, LetturaDiContenutiNonValidi) {
    const std::string casi[] = {
        "",
        "\r\n0,0,0,0,0,0,0,0\r\n",
        "0,0,0,0,0,0,0\r\n",
        "0,0,0,0,0,0,0,\r\n",
        "\"0,98\",\"75\",\"71,5\r\n",
        "\"a\"b,0,0,0,0,0,0,0\n",
        "abc,0,0,0,0,0,0,0\n",
        "inf,0,0,0,0,0,0,0\n",
        "nan,0,0,0,0,0,0,0\n",
        "1e999,0,0,0,0,0,0,0\n",
        "0x1,0,0,0,0,0,0,0\n",
        "0,0,0,0,0,0,0,0" + std::string(100000, '0'),  // the eighth value is cut by the limit
        std::string(1 << 20, '\0'),
    };
    for (const auto& testo : casi) {
        scrivi("dati.txt", testo);
        try {
            leggiRisultati("dati.txt");
            ADD_FAILURE() << "accepted: " << testo.substr(0, 40);
        } catch (const ErroreFile& e) {
            EXPECT_STREQ(e.what(), "Il file dati.txt non contiene otto valori validi");
        }
    }
}

TEST_F(FileRisultati, LetturaDiUnFileCheNonSiPuoLeggere) {
    const std::pair<std::string, std::string> casi[] = {
        {"", "Impossibile leggere il file dati.txt: file o cartella inesistente"},
        {"cartella", "Impossibile leggere il file dati.txt: è una cartella"},
    };
    for (const auto& [prepara, messaggio] : casi) {
        if (prepara == "cartella") fs::create_directory("dati.txt");
        try {
            leggiRisultati("dati.txt");
            ADD_FAILURE() << "read succeeded";
        } catch (const ErroreFile& e) {
            EXPECT_EQ(e.what(), messaggio);
            EXPECT_EQ(e.file(), "dati.txt");
        }
    }
}

}  // namespace
