#pragma once
// The start screen: the hub from which the user reaches the calculation screen, the
// information and author screens, or ends the program.

#include "screens/finestra.h"

namespace ponderino {

class Form1 : public Finestra {
    Q_OBJECT
public:
    Form1();

    Riquadro *Picture1, *Picture2, *Picture3;
    Cliccabile* Image1;
    QPushButton *Command1, *Command2, *Command3;
};

}  // namespace ponderino
