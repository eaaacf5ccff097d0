#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <grp.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <pwd.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <bit>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <thread>

#include "core/risultati.h"
#include "core/sostituisci.h"
#include "tests/esempio.h"

using namespace ponderino;
namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

const DatiSoggetto& esempio = prova::mario;

TEST(CalcolaRisultati, RigaDellEsempioInEntrambeLeImpostazioni) {
    EXPECT_EQ(calcolaRisultati(esempio, regionaliItaliane), prova::confermati);
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

// What a save says: its ErroreFile's message, or that it succeeded.
std::string esito(const std::function<void()>& scrittura) {
    try {
        scrittura();
    } catch (const ErroreFile& e) {
        return e.what();
    }
    return "nessun errore";
}

#ifdef _WIN32
// A function this program imports from kernel32 fails with `errore` (result 0) at the
// calls whose bits are set in `fallite`, the lowest the first call, the top one every
// later call; `azione` runs at the first. Meanwhile its import-table entry points to a
// stand-in: the save calls through that table, the C runtime the tests read with does
// not. On x64 the caller passes and clears the arguments, so one stand-in serves all.
class Guasto {
public:
    Guasto(const char* funzione, DWORD errore, unsigned fallite, std::function<void()> azione) {
        auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
        const auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
        const auto& tabella = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew)
                                  ->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IAT];
        const auto vera = GetProcAddress(GetModuleHandleW(L"kernel32.dll"), funzione);
        vera_ = reinterpret_cast<Vera>(reinterpret_cast<void*>(vera));
        voce_ = reinterpret_cast<void**>(base + tabella.VirtualAddress);
        for (auto** fine = voce_ + tabella.Size / sizeof *voce_; *voce_ != reinterpret_cast<void*>(vera_); ++voce_)
            if (voce_ + 1 == fine) throw std::runtime_error(funzione);
        DWORD protezione;
        VirtualProtect(voce_, sizeof *voce_, PAGE_READWRITE, &protezione);
        *voce_ = reinterpret_cast<void*>(&finta);
        errore_ = errore, fallite_ = fallite, azione_ = std::move(azione);
    }
    ~Guasto() { *voce_ = reinterpret_cast<void*>(vera_); }

private:
    using Vera = BOOL(WINAPI*)(void*, void*, void*, void*, void*);
    static BOOL WINAPI finta(void* a, void* b, void* c, void* d, void* e) {
        const bool fallisce = fallite_ & 1u;
        fallite_ = fallite_ >> 1 | (fallite_ & 0x80000000u);
        if (!fallisce) return vera_(a, b, c, d, e);
        if (const auto azione = std::exchange(azione_, nullptr)) azione();
        SetLastError(errore_);
        return FALSE;
    }
    static inline Vera vera_;
    static inline DWORD errore_;
    static inline unsigned fallite_;
    static inline std::function<void()> azione_;
    void** voce_;
};

// Under Wine only the Linux permissions make a folder refuse new files, and they do
// not bind the superuser: make windows runs this program again as an ordinary user,
// PONDERINO_CARTELLA_CHIUSA naming a folder it may not write, holding a dati.txt it
// may. With `chiusa`, `prova` runs there on a copy of dati.txt, copied back after.
std::string nelFiglio(bool chiusa, const std::function<std::string()>& prova) {
    wchar_t nome[MAX_PATH];
    if (!chiusa) return prova();
    if (!GetEnvironmentVariableW(L"PONDERINO_CARTELLA_CHIUSA", nome, MAX_PATH)) return "salta: nessuna cartella chiusa";
    const fs::path qui = fs::current_path(), altrove(nome);
    const auto copia = [](const fs::path& da, const fs::path& a) {
        std::ofstream(a, std::ios::binary | std::ios::trunc) << std::ifstream(da, std::ios::binary).rdbuf();
    };
    copia("dati.txt", altrove / "dati.txt");
    fs::current_path(altrove);
    const std::string testo = prova();
    fs::current_path(qui);
    copia(altrove / "dati.txt", "dati.txt");
    return testo;
}
#else
// A system call that fails with `codice` from now on in this process (a seccomp
// filter), or with no code kills it; with `argomento`, only when that argument has
// the bit `bit` or, with no bit, equals `uguale`. No call, no fault.
struct Guasto {
    long chiamata = -1;
    int codice = 0, argomento = -1;
    std::uint32_t bit = 0, uguale = 0;
};

bool guasta(const Guasto& g) {
    if (g.chiamata < 0) return true;
    const std::uint32_t numero = offsetof(seccomp_data, nr);
    // The argument's low half; with no argument, the call number once more, which matches.
    const std::uint32_t dove = g.argomento < 0 ? numero
                                               : std::uint32_t(offsetof(seccomp_data, args) + 8 * g.argomento +
                                                               (std::endian::native == std::endian::big ? 4 : 0));
    const std::uint32_t atteso = g.argomento < 0 ? std::uint32_t(g.chiamata) : g.bit ? g.bit : g.uguale;
    sock_filter filtro[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, numero),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, std::uint32_t(g.chiamata), 0, 3),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, dove),
        BPF_JUMP(BPF_JMP | (g.bit ? BPF_JSET : BPF_JEQ) | BPF_K, atteso, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, g.codice == 0 ? SECCOMP_RET_KILL_PROCESS
                                                 : SECCOMP_RET_ERRNO | (std::uint32_t(g.codice) & SECCOMP_RET_DATA)),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    const sock_fprog programma{static_cast<unsigned short>(std::size(filtro)), filtro};
    return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &programma) == 0;
}

// Puts a tmpfs of 64 KiB and 16 inodes over the working folder, in a mount namespace
// of the calling process (with a user namespace of its own for an ordinary user).
// Gives "" or why it could not.
std::string tmpfsPiccolo() {
    const std::string qui = fs::current_path().string();
    const uid_t utente = geteuid();
    const gid_t gruppo = getegid();
    if (unshare(CLONE_NEWNS) != 0) {
        // A process that changed its user is not dumpable, and may not write its own maps.
        prctl(PR_SET_DUMPABLE, 1, 0, 0, 0);
        if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return "unshare: "s + std::strerror(errno);
        std::ofstream("/proc/self/setgroups") << "deny";
        std::ofstream("/proc/self/uid_map") << "0 " << utente << " 1";
        std::ofstream("/proc/self/gid_map") << "0 " << gruppo << " 1";
    }
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("ponderino", qui.c_str(), "tmpfs", 0, "size=64k,nr_inodes=16") != 0 || chdir(qui.c_str()) != 0)
        return "mount: "s + std::strerror(errno);
    return "";
}

// Runs `prova` in a child process and gives back the text it returns, or "segnale N"
// when the child was killed. The superuser's child runs as nobody, who is given the
// folder and all in it, so that permissions count as for any user; with `chiusa` the
// folder takes no new file meanwhile. A child still there after ten seconds (a save
// that waits for good) is ended by SIGALRM.
std::string nelFiglio(bool chiusa, const std::function<std::string()>& prova) {
    const passwd* nessuno = getpwnam("nobody");
    const bool radice = geteuid() == 0;
    if (radice) {
        EXPECT_NE(nessuno, nullptr);
        if (nessuno == nullptr) return "";
        EXPECT_EQ(lchown(".", nessuno->pw_uid, nessuno->pw_gid), 0);
        for (const auto& voce : fs::directory_iterator("."))
            EXPECT_EQ(lchown(voce.path().c_str(), nessuno->pw_uid, nessuno->pw_gid), 0);
    }
    int tubo[2];
    EXPECT_EQ(pipe(tubo), 0);
    const pid_t figlio = fork();
    if (figlio == 0) {
        close(tubo[0]);
        if (radice && (setgroups(0, nullptr) != 0 || setgid(nessuno->pw_gid) != 0 || setuid(nessuno->pw_uid) != 0))
            _exit(3);
        if (chiusa) chmod(".", 0555);
        const rlimit senzaCore{0, 0};
        setrlimit(RLIMIT_CORE, &senzaCore);
        alarm(10);
        const std::string testo = prova();
        _exit(write(tubo[1], testo.data(), testo.size()) == ssize_t(testo.size()) ? 0 : 2);
    }
    close(tubo[1]);
    std::string testo;
    char blocco[256];
    for (ssize_t n; (n = read(tubo[0], blocco, sizeof blocco)) > 0;) testo.append(blocco, std::size_t(n));
    close(tubo[0]);
    int stato = 0;
    EXPECT_EQ(waitpid(figlio, &stato, 0), figlio);
    if (chiusa) chmod(".", 0755);
    if (WIFSIGNALED(stato)) return "segnale " + std::to_string(WTERMSIG(stato));
    EXPECT_TRUE(WIFEXITED(stato) && WEXITSTATUS(stato) == 0) << stato;
    return testo;
}
#endif

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
    // Runs a write that must fail, here or, with `chiusa` given, nelFiglio; and checks
    // the old file and the folder are untouched.
    void scritturaRifiutata(const std::function<void()>& scrittura, const std::string& messaggio,
                            std::optional<bool> chiusa = std::nullopt) {
        const auto primaVoci = voci();
        const std::string prima = fs::is_regular_file("dati.txt") ? contenuto("dati.txt") : "";
        const auto prova = [&] { return esito(scrittura); };
        EXPECT_EQ(chiusa ? nelFiglio(*chiusa, prova) : prova(), messaggio);
        EXPECT_EQ(voci(), primaVoci);
        if (fs::is_regular_file("dati.txt")) {
            EXPECT_EQ(contenuto("dati.txt"), prima);
        }
    }
    fs::path cartella_, precedente_;
    std::error_code errore_;
};

const RigaRisultati& rigaEsempio = prova::confermati;
using prova::byteEsempio;
const std::string byteZeri = "0,0,0,0,0,0,0,0\r\n";

TEST_F(FileRisultati, ByteEsattiDelleDueForme) {
    scriviRisultati("dati.txt", rigaEsempio);
    EXPECT_EQ(contenuto("dati.txt"), byteEsempio);
    scriviRisultati("dati.txt", rigaEsempio);
    EXPECT_EQ(contenuto("dati.txt"), byteEsempio);
    scriviZeri("dati.txt");
    EXPECT_EQ(contenuto("dati.txt"), byteZeri);
    EXPECT_EQ(voci(), std::set<std::string>{"dati.txt"});
}

#ifdef _WIN32
// A symbolic dati.txt is refused on Windows, with its reason, and stays a link, its
// target untouched. Where links cannot be made (no developer mode) or are not shown
// as links, skipped.
class CollegamentoWindows : public FileRisultati {};
TEST_F(CollegamentoWindows, UnCollegamentoNonVieneTagliato) {
    scrivi("vero.txt", byteEsempio);
    if (!CreateSymbolicLinkW(L"dati.txt", L"vero.txt", SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE))
        GTEST_SKIP() << "CreateSymbolicLinkW: " << GetLastError();
    const HANDLE h = CreateFileW(L"dati.txt", FILE_READ_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    FILE_ATTRIBUTE_TAG_INFO info{};
    const bool letto = GetFileInformationByHandleEx(h, FileAttributeTagInfo, &info, sizeof info);
    CloseHandle(h);
    if (!letto || !(info.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || info.ReparseTag != IO_REPARSE_TAG_SYMLINK)
        GTEST_SKIP() << "the link is not shown as one: attributes " << std::hex << info.FileAttributes << ", tag "
                     << info.ReparseTag;
    EXPECT_EQ(esito([] { scriviZeri("dati.txt"); }), "Impossibile scrivere il file dati.txt: è un collegamento simbolico");
    EXPECT_NE(GetFileAttributesW(L"dati.txt") & FILE_ATTRIBUTE_REPARSE_POINT, 0u);
    EXPECT_EQ(contenuto("vero.txt"), byteEsempio);
}
#else
TEST_F(FileRisultati, SostituisceMantenendoIPermessiEIlCollegamento) {
    scrivi("vero.txt", std::string(1000, 'x'));
    fs::permissions("vero.txt", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink("vero.txt", "dati.txt");
    scriviZeri("dati.txt");
    EXPECT_TRUE(fs::is_symlink("dati.txt"));
    EXPECT_EQ(contenuto("vero.txt"), byteZeri);
    EXPECT_EQ(fs::status("vero.txt").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    // A first dati.txt: 0666 less the umask, as any new file.
    for (const auto& [maschera, modo] : {std::pair<mode_t, mode_t>{022, 0644}, {077, 0600}, {0, 0666}}) {
        fs::remove("nuovo.txt");
        const mode_t prima = umask(maschera);
        scriviZeri("nuovo.txt");
        umask(prima);
        struct stat stato {};
        EXPECT_EQ(stat("nuovo.txt", &stato) == 0 ? stato.st_mode & 07777 : 1, modo) << std::oct << maschera;
    }
}
#endif

// What stands as dati.txt and is no regular file is refused, whether or not the
// folder takes new files, and before any open that could wait (a FIFO's).
TEST_F(FileRisultati, UnDatiTxtCheNonEUnFileNonVieneToccato) {
    fs::create_directory("dati.txt");
    scritturaRifiutata([] { scriviZeri("dati.txt"); }, "Impossibile scrivere il file dati.txt: è una cartella");
    EXPECT_TRUE(fs::is_directory("dati.txt"));
#ifndef _WIN32
    const struct {
        mode_t tipo;
        std::optional<bool> chiusa;
        std::string motivo;
    } casi[] = {
        {S_IFIFO, std::nullopt, "è una pipe con nome"},
        {S_IFIFO, true, "è una pipe con nome"},
        {S_IFSOCK, true, "è un socket"},
        {S_IFCHR, true, "è un dispositivo"},  // /dev/null's numbers, made by the superuser only
    };
    std::string saltate;
    for (const auto& c : casi) {
        fs::remove_all("dati.txt");
        if (mknod("dati.txt", c.tipo | 0666, c.tipo == S_IFCHR ? makedev(1, 3) : 0) != 0) {
            saltate += c.motivo + ": " + std::strerror(errno) + "; ";
            continue;
        }
        scritturaRifiutata([] { scriviZeri("dati.txt"); }, "Impossibile scrivere il file dati.txt: " + c.motivo,
                           c.chiusa);
        // Nor is it read: a FIFO's open would wait for a writer.
        EXPECT_EQ(esito([] { leggiRisultati("dati.txt"); }), "Impossibile leggere il file dati.txt: " + c.motivo);
        struct stat stato {};
        EXPECT_TRUE(lstat("dati.txt", &stato) == 0 && (stato.st_mode & S_IFMT) == c.tipo) << c.motivo;
    }
    if (!saltate.empty()) GTEST_SKIP() << saltate;
#endif
}

TEST_F(FileRisultati, UnFileDiSolaLetturaNonVieneSostituito) {
    scrivi("dati.txt", byteEsempio);
    fs::permissions("dati.txt", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    scritturaRifiutata([] { scriviZeri("dati.txt"); }, "Impossibile scrivere il file dati.txt: permesso negato");
#ifndef _WIN32
    // Writable by its group but not by its owner, who saves: the system's own check refuses.
    fs::permissions("dati.txt", fs::perms::owner_read | fs::perms::group_read | fs::perms::group_write);
    scritturaRifiutata([] { scriviZeri("dati.txt"); }, "Impossibile scrivere il file dati.txt: permesso negato",
                       false);
#endif
}

TEST_F(FileRisultati, UnaCartellaCheNonPrendeIlFile) {
    scritturaRifiutata([] { scriviZeri("manca/dati.txt"); },
                       "Impossibile scrivere il file manca/dati.txt: file o cartella inesistente");
#ifndef _WIN32
    // Every name the temporary file may take is held, by saves that died say.
    for (int n = 0; n <= 100; ++n)
        scrivi(".dati.txt." + std::to_string(getpid()) + "." + std::to_string(n) + ".tmp", "");
    scritturaRifiutata([] { scriviZeri("dati.txt"); },
                       "Impossibile scrivere il file dati.txt: troppi file temporanei nella cartella");
    for (const int libero : {0, 100}) {  // one name left, the first or the last: the save takes it
        const std::string nome = ".dati.txt." + std::to_string(getpid()) + "." + std::to_string(libero) + ".tmp";
        fs::remove(nome);
        EXPECT_EQ(esito([] { scriviZeri("dati.txt"); }), "nessun errore");
        scrivi(nome, "");
    }
#endif
}

#ifndef _WIN32
// A folder that takes no new file: an existing writable dati.txt is written in place.
TEST_F(FileRisultati, UnaCartellaDiSolaLettura) {
    scritturaRifiutata([] { scriviZeri("dati.txt"); }, "Impossibile scrivere il file dati.txt: permesso negato",
                       true);
    for (const auto& [vecchio, nuovo] : {std::pair{byteEsempio, byteZeri}, {byteZeri, byteEsempio}, {"x"s, byteZeri}}) {
        scrivi("dati.txt", vecchio);
        EXPECT_EQ(nelFiglio(true, [&] { return esito([&] { sostituisciFile("dati.txt", nuovo); }); }), "nessun errore");
        EXPECT_EQ(contenuto("dati.txt"), nuovo);
    }
    EXPECT_EQ(voci(), std::set<std::string>{"dati.txt"});
}

// A process that may not grow a file beyond a limit, a system call made to fail and
// a small tmpfs filled up stand for a full or failing disk. With the folder open the
// save refuses and the old file survives, also when no temporary file can be made;
// in a folder that takes no new file dati.txt is written in place, the new bytes
// over the old ones, and on a failure the old content is put back, or the message
// says it could not be.
TEST_F(FileRisultati, UnDiscoPienoLasciaIlVecchioFile) {
    const std::string inizio = "Impossibile scrivere il file dati.txt: ";
    const std::string pieno = inizio + "disco pieno", io = inizio + "errore di lettura o scrittura sul disco";
    const std::string perso = ". Il contenuto precedente non è stato ripristinato";
    const RigaRisultati lunga{"1111111111", "2", "3", "4", "5", "6", "7", "8"};
    const rlim_t tutto = RLIM_INFINITY;
    const struct {
        bool chiusa;
        rlim_t limite;
        std::string vecchio, messaggio;
        Guasto guasto{};  // for close, the first descriptor the save opens
        bool tmpfs = false;
    } casi[] = {
        {false, 0, byteEsempio, pieno},
        {false, 41, byteEsempio, pieno},  // all but the last byte of the new line (42)
        {true, 30, byteZeri, pieno},  // between the old size (17) and the new (51)
        {true, 10, byteEsempio, pieno + perso},
        {false, tutto, byteEsempio, pieno, {SYS_openat, ENOSPC, 2, O_CREAT}},
        {false, tutto, byteEsempio, inizio + "spazio disco esaurito per l'utente", {SYS_openat, EDQUOT, 2, O_CREAT}},
        {false, tutto, byteEsempio, io, {SYS_openat, EIO, 2, O_CREAT}},
        {false, tutto, byteEsempio, inizio + "troppi file aperti", {SYS_openat, EMFILE, 2, O_CREAT}},
        {false, tutto, byteEsempio, inizio + "permesso negato", {SYS_fchmod, EPERM}},  // old permissions not kept
        {true, tutto, byteEsempio, io + perso, {SYS_fsync, EIO}},  // not even the old bytes reach the disk
        {true, tutto, byteEsempio, io, {SYS_close, EIO, 0}},       // flushed, but the closing fails
        {true, tutto, byteZeri, io, {SYS_close, EIO, 0}},          // the old, shorter bytes cut back
        {true, 45, byteEsempio, io + perso, {SYS_close, EIO, 0}},   // nor can they be written again
        {true, 1, byteZeri, pieno + perso},                          // a single byte fits
        {true, tutto, byteEsempio, inizio + "permesso negato", {SYS_pread64, EPERM}},  // the old bytes unread
        // Killed at its first write in place: nothing is lost.
        {true, tutto, byteEsempio, "segnale " + std::to_string(SIGSYS), {SYS_pwrite64, 0}},
        {false, tutto, byteEsempio, pieno, {}, true},  // no block and no inode left
    };
    std::string saltate;
    for (const auto& c : casi) {
        SCOPED_TRACE(c.messaggio + " " + std::to_string(c.limite) + " " + std::to_string(c.guasto.chiamata));
        scrivi("dati.txt", c.vecchio);
        const auto primaVoci = voci();
        const std::string messaggio = nelFiglio(c.chiusa, [&] {
            if (c.tmpfs) {
                if (const std::string motivo = tmpfsPiccolo(); !motivo.empty()) return "salta: " + motivo;
                scrivi("dati.txt", c.vecchio);
                std::ofstream zavorra("zavorra", std::ios::binary);
                const std::string blocco(4096, 'z');
                while (zavorra.write(blocco.data(), blocco.size()).flush()) {}
                for (int n = 0; std::ofstream("vuoto" + std::to_string(n)); ++n) {}
            }
            signal(SIGXFSZ, SIG_IGN);
            const rlimit limite{c.limite, c.limite};
            setrlimit(RLIMIT_FSIZE, &limite);
            Guasto guasto = c.guasto;
            if (guasto.chiamata == SYS_close) close(int(guasto.uguale = std::uint32_t(open("/", O_RDONLY))));
            if (!guasta(guasto)) return "salta: seccomp: "s + std::strerror(errno);
            std::string testo = esito([&] { scriviRisultati("dati.txt", c.limite == 30 ? rigaEsempio : lunga); });
            return c.tmpfs && contenuto("dati.txt") != c.vecchio ? testo + " (dati.txt cambiato)" : testo;
        });
        if (messaggio.starts_with("salta: ")) {
            saltate += messaggio + "; ";
            continue;
        }
        EXPECT_EQ(messaggio, c.messaggio);
        if (!c.messaggio.ends_with(perso)) {
            EXPECT_EQ(contenuto("dati.txt"), c.vecchio);
        }
        EXPECT_EQ(voci(), primaVoci);
    }
    if (!saltate.empty()) GTEST_SKIP() << saltate;
}
#else
// Windows calls that fail under the save: the old file survives, or the new one
// stands whole, never hidden; written in place (nelFiglio), only once the old bytes
// are read whole, which a failure puts back; a rename refused for good says why.
TEST_F(FileRisultati, UnDiscoPienoLasciaIlVecchioFile) {
    const std::string inizio = "Impossibile scrivere il file dati.txt: ";
    const std::string pieno = inizio + "disco pieno", io = inizio + "errore di lettura o scrittura sul disco";
    const struct {
        bool chiusa;
        const char* funzione;
        DWORD errore;
        unsigned fallite;
        std::string messaggio, dopo = byteEsempio;  // "": not looked at
        std::function<void()> azione = {};
    } casi[] = {
        {false, "WriteFile", ERROR_DISK_FULL, ~0u, pieno},
        {false, "FlushFileBuffers", ERROR_IO_DEVICE, 0b10, io, byteZeri},  // the rename not made durable
        {false, "GetFileAttributesW", 0, ~0u, "nessun errore", byteZeri},  // no attribute to keep
        // Every rename refused, dati.txt turned into a folder or read-only meanwhile.
        {false, "SetFileInformationByHandle", ERROR_ACCESS_DENIED, ~1u, inizio + "è una cartella", "",
         [] { DeleteFileW(L"dati.txt") && CreateDirectoryW(L"dati.txt", nullptr); }},
        {false, "SetFileInformationByHandle", ERROR_ACCESS_DENIED, ~1u, inizio + "permesso negato", byteEsempio,
         [] { SetFileAttributesW(L"dati.txt", FILE_ATTRIBUTE_READONLY); }},
        {true, "ReadFile", ERROR_IO_DEVICE, ~0u, io},
        {true, "WriteFile", ERROR_DISK_FULL, 0b1, pieno},
        {true, "FlushFileBuffers", ERROR_IO_DEVICE, ~0u, io + ". Il contenuto precedente non è stato ripristinato",
         ""},
    };
    std::string saltate;
    for (const auto& c : casi) {
        SCOPED_TRACE(c.messaggio + " " + c.funzione);
        SetFileAttributesW(L"dati.txt", FILE_ATTRIBUTE_NORMAL);
        fs::remove_all("dati.txt");
        scrivi("dati.txt", byteEsempio);
        const auto primaVoci = voci();
        const std::string messaggio = nelFiglio(c.chiusa, [&] {
            Guasto guasto(c.funzione, c.errore, c.fallite, c.azione);
            return esito([] { scriviZeri("dati.txt"); });
        });
        if (messaggio.starts_with("salta: ")) {
            saltate += messaggio + "; ";
            continue;
        }
        EXPECT_EQ(messaggio, c.messaggio);
        if (!c.dopo.empty()) {
            EXPECT_EQ(contenuto("dati.txt"), c.dopo);
        }
        EXPECT_EQ(voci(), primaVoci);
        EXPECT_FALSE(GetFileAttributesW(L"dati.txt") & FILE_ATTRIBUTE_HIDDEN);
    }
    if (!saltate.empty()) GTEST_SKIP() << saltate;
}

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
        {"0,0,0,0,0,0,0," + std::string(limiteLetturaRisultati - 14, '0'), V(8, 0.0)},  // the limit, whole
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
        "1e-400,0,0,0,0,0,0,0\n", "1e,0,0,0,0,0,0,0\n",  // too small; an exponent without digits
        "--1,0,0,0,0,0,0,0\n", "-,0,0,0,0,0,0,0\n",
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
            EXPECT_EQ(e.codice(), 0);
        }
    }
}

TEST_F(FileRisultati, LetturaDiUnFileCheNonSiPuoLeggere) {
    const std::pair<std::string, std::string> casi[] = {
        {"", "Impossibile leggere il file dati.txt: file o cartella inesistente"},
        {"cartella", "Impossibile leggere il file dati.txt: è una cartella"},
    };
#ifndef _WIN32
    // An open refused: its own reason.
    EXPECT_EQ(nelFiglio(false, [] { return guasta({SYS_openat, EPERM}) ? esito([] { leggiRisultati("x"); }) : ""; }),
              "Impossibile leggere il file x: permesso negato");
#endif
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
