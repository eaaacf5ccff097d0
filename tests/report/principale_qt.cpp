// Test main for the report tests that paint: a QApplication on the offscreen
// platform, and no way to reach any real printer (CUPS is pointed at a socket
// that does not exist, so there is no default printer).
#include <gtest/gtest.h>

#include <QApplication>

#include <cstdlib>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("CUPS_SERVER", "/nonexistent/ponderino/cups.sock", 1);
    unsetenv("PRINTER");
    unsetenv("LPDEST");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
