// The window tests' main(): Qt's offscreen platform, the program's application set-up,
// and the platform seam's recorders.
#include "ambiente.h"

#ifndef _WIN32
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// With PONDERINO_PROVA_UTENTE set, a run started by the superuser goes on as that
// ordinary user, so that permission bits (a read-only folder) mean what they mean for
// the program's users. The picture files are first copied where that user can read them.
void diventaUtente() {
#ifndef _WIN32
    const QByteArray nome = qgetenv("PONDERINO_PROVA_UTENTE");
    if (nome.isEmpty() || geteuid() != 0) return;
    const passwd* utente = getpwnam(nome.constData());
    if (!utente) return;
    static QTemporaryDir copia;
    chmod(copia.path().toLocal8Bit().constData(), 0755);
    const QDir runtime(ponderino::prova::cartellaImmagini());
    for (const QString& f : runtime.entryList({QStringLiteral("*.bmp")}, QDir::Files))
        QFile::copy(runtime.filePath(f), copia.filePath(f));
    ponderino::prova::cartellaImmagini() = copia.path();
    if (setgid(utente->pw_gid) != 0 || setuid(utente->pw_uid) != 0) std::abort();
    qputenv("HOME", "/tmp");
#endif
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    diventaUtente();
    QApplication app(argc, argv);
    ponderino::preparaApplicazione();
    ponderino::prova::collegaRegistro();
    ::testing::InitGoogleTest(&argc, argv);
    const int esito = RUN_ALL_TESTS();
    // A test that could not run all it holds is skipped, not passed (CTest: 77).
    return esito == 0 && ::testing::UnitTest::GetInstance()->skipped_test_count() > 0 ? 77 : esito;
}
