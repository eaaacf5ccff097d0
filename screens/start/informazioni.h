#pragma once
// The four small windows that give fixed information and lead back to a main window.

#include "screens/finestra.h"

namespace ponderino {

// "Informazioni": what the program is for.
class form7 : public Finestra {
    Q_OBJECT
public:
    form7();
    void carica() override;
    QPushButton* Command1;
};

// "AUTORE": the author screen; its "Esci" is a label that answers a click.
class Form5 : public Finestra {
    Q_OBJECT
public:
    Form5();
    Cliccabile *Label1, *Label2, *Label3, *Label4, *Label5;
};

// "Avviso": where the methods are explained.
class Form3 : public Finestra {
    Q_OBJECT
public:
    Form3();
    void carica() override;
    QPushButton* Command1;
};

// "Info": what to do after confirming the data.
class form4 : public Finestra {
    Q_OBJECT
public:
    form4();
    void carica() override;
    QPushButton* Command1;
};

}  // namespace ponderino
