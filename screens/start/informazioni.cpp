#include "screens/start/informazioni.h"

#include "screens/calc/Form2.h"
#include "screens/mostra.h"
#include "screens/start/Form1.h"

#include <string_view>

namespace ponderino {

form7::form7() {
    costruisci(tabellaForm7);
    Command1 = controllo<QPushButton>("Command1");
}

void form7::carica() {
    for (const char* riga : tabellaForm7.righe) stampa(QString::fromUtf8(riga));
}

Form5::Form5() {
    costruisci(tabellaForm5);
    Label1 = controllo<Cliccabile>("Label1");
    Label2 = controllo<Cliccabile>("Label2");
    Label3 = controllo<Cliccabile>("Label3");
    Label4 = controllo<Cliccabile>("Label4");
    Label5 = controllo<Cliccabile>("Label5");
    Label5->setCursor(Qt::PointingHandCursor);
}

Form3::Form3() {
    costruisci(tabellaForm3);
    Command1 = controllo<QPushButton>("Command1");
}

void Form3::carica() {
    setPersistenza(true);
    for (const char* riga : tabellaForm3.righe) stampa(QString::fromUtf8(riga));
}

form4::form4() {
    costruisci(tabellaForm4);
    Command1 = controllo<QPushButton>("Command1");
}

void form4::carica() { setPersistenza(true); }

void mostraFinestra(std::string_view nome) {
    if (nome == "Form1") mostra<Form1>();
    else if (nome == "Form2") mostra<Form2>();
    else if (nome == "form7") mostra<form7>();
    else if (nome == "Form5") mostra<Form5>();
    else if (nome == "Form3") mostra<Form3>();
    else if (nome == "form4") mostra<form4>();
}

}  // namespace ponderino
