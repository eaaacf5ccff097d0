#include "screens/start/Form1.h"

namespace ponderino {

Form1::Form1() {
    costruisci(tabellaForm1);
    Picture1 = controllo<Riquadro>("Picture1");
    Picture2 = controllo<Riquadro>("Picture2");
    Picture3 = controllo<Riquadro>("Picture3");
    Image1 = controllo<Cliccabile>("Image1");
    Command1 = controllo<QPushButton>("Command1");
    Command2 = controllo<QPushButton>("Command2");
    Command3 = controllo<QPushButton>("Command3");
    Image1->setCursor(Qt::PointingHandCursor);
}

}  // namespace ponderino
