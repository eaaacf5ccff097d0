#include "ambiente.h"


namespace ponderino::prova {

Registro& registro() {
    static Registro r;
    return r;
}

QString& cartellaImmagini() {
    static QString c = QStringLiteral(PONDERINO_RUNTIME_DIR);
    return c;
}

void FinestreTest::SetUp() {
    ASSERT_TRUE(dir_.isValid());
    const QDir runtime(cartellaImmagini());
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

void collegaRegistro() {
    piattaforma().messaggio = [](QWidget*, const Messaggio& m) {
        registro().messaggi.push_back(m);
        if (registro().duranteMessaggio) registro().duranteMessaggio();
    };
    piattaforma().terminaProgramma = [] { ++registro().terminazioni; };
    piattaforma().attendi = [](std::chrono::milliseconds d) {
        registro().attese.push_back(d);
        if (registro().duranteAttesa) registro().duranteAttesa();
    };
    piattaforma().oggi = [] { return registro().oggi; };
}

Form2* FinestreTest::apriForm2() {
    Form2* f = mostra<Form2>();
    QCoreApplication::processEvents();
    return f;
}

}  // namespace ponderino::prova
