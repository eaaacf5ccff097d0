// Test main for the report tests that paint: a QApplication on the offscreen
// platform, and no way to reach any real printer (CUPS is pointed at a socket
// that does not exist, so there is no default printer).
#include <gtest/gtest.h>

#include <QApplication>

#include "ambiente.h"
#include "screens/finestra.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("CUPS_SERVER", "/nonexistent/ponderino/cups.sock");
    qunsetenv("PRINTER");
    qunsetenv("LPDEST");
    QApplication app(argc, argv);
    ponderino::preparaApplicazione();  // the program's fonts, where it carries them
    ponderino::prova::collegaRegistro();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
