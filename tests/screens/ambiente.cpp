#include "ambiente.h"

namespace ponderino::prova {

Registro& registro() {
    static Registro r;
    return r;
}

void FinestreTest::SetUp() {
    ASSERT_TRUE(dir_.isValid());
    const QDir runtime(QStringLiteral(PONDERINO_RUNTIME_DIR));
    for (const QString& f : runtime.entryList({QStringLiteral("*.bmp")}, QDir::Files))
        QFile::copy(runtime.filePath(f), dir_.filePath(f));
    precedente_ = QDir::currentPath();
    QDir::setCurrent(dir_.path());
    registro() = Registro{};
}

void FinestreTest::TearDown() {
    chiudiTutto();
    QDir::setCurrent(precedente_);
}

Form2* FinestreTest::apriForm2() {
    Form2* f = mostra<Form2>();
    QCoreApplication::processEvents();
    return f;
}

}  // namespace ponderino::prova

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ponderino::preparaApplicazione();
    using namespace ponderino;
    using ponderino::prova::registro;
    piattaforma().messaggio = [](QWidget*, const Messaggio& m) {
        registro().messaggi.push_back(m);
        if (registro().duranteMessaggio) registro().duranteMessaggio();
    };
    piattaforma().terminaProgramma = [] { ++registro().terminazioni; };
    piattaforma().attendi = [](std::chrono::milliseconds d) {
        registro().attese.push_back(d);
        if (registro().duranteAttesa) registro().duranteAttesa();
    };
    piattaforma().oggi = [] { return QDate(2026, 12, 8); };
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
