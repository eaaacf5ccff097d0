// Ponderino: the program starts on its start screen and nothing else.

#include "screens/mostra.h"
#include "screens/start/Form1.h"

#include <QApplication>
#include <QStyleFactory>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    ponderino::preparaApplicazione();
    ponderino::mostra<ponderino::Form1>();
    return app.exec();
}
