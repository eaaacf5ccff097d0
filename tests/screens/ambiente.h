#pragma once
// What the window tests share: a real QApplication on the offscreen platform, the
// platform seam replaced by recorders, and a fresh working folder holding the picture
// files beside the program.

#include "screens/calc/Form2.h"
#include "screens/mostra.h"
#include "screens/piattaforma.h"
#include "screens/start/Form1.h"
#include "screens/start/informazioni.h"
#include "tests/esempio.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

namespace ponderino::prova {

// What went through the seam during one test.
struct Registro {
    std::vector<Messaggio> messaggi;
    int terminazioni = 0;
    std::vector<std::chrono::milliseconds> attese;
    // Runs during a hold, while the guide is on screen.
    std::function<void()> duranteAttesa;
    // Runs while a message box would be open.
    std::function<void()> duranteMessaggio;
    // The date the program takes as today.
    QDate oggi{2026, 12, 8};
};

Registro& registro();
// Puts the recorders of registro() in the platform seam; the test programs' main()
// calls it once the QApplication exists.
void collegaRegistro();

// Where the fixture takes the picture files from.
QString& cartellaImmagini();

inline std::string leggiFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void scriviFile(const std::filesystem::path& p, const std::string& contenuto) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out << contenuto;
}

// Closes every window and lets Qt destroy them, as closing from the frame does.
inline void chiudiTutto() {
    for (QWidget* w : QApplication::topLevelWidgets()) w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

inline void digita(QLineEdit* campo, const QString& testo) {
    campo->clear();
    QTest::keyClicks(campo, testo);
}

inline void clic(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }

// Types a subject's measures into the calculation screen's fields, as a user would.
inline void digita(Form2* f, const DatiSoggetto& d) {
    for (const RigaCampo& r : righeCampi)
        digita(f->findChild<QLineEdit*>(r.campo), QString::fromStdString(d.*r.misura));
}

// Expected texts are written with the decimal comma; under other settings the comma
// becomes the user's decimal separator.
inline QString regionale(QString testo) {
    const QString decimale = QString::fromStdString(impostazioniRegionali().decimale);
    return testo.replace(QRegularExpression(QStringLiteral("(\\d),(\\d)")), "\\1" + decimale + "\\2");
}

// The line Conferma stores for the sample subject, under the user's settings.
inline std::string rigaEsempio() { return regionale(QString::fromStdString(byteEsempio)).toStdString(); }

// Each test runs in a fresh working folder with the picture files beside it.
class FinestreTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::filesystem::path cartella() const { return std::filesystem::path(dir_.path().toStdString()); }
    std::filesystem::path dati() const { return cartella() / "dati.txt"; }
    Form2* apriForm2();

private:
    QTemporaryDir dir_;
    QString precedente_;
};

}  // namespace ponderino::prova
