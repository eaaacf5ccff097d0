#include "screens/start/informazioni.h"

#include "screens/calc/Form2.h"
#include "screens/mostra.h"
#include "screens/start/Form1.h"

namespace ponderino {

form7::form7() {
    costruisci(tabellaForm7);
    Command1 = controllo<QPushButton>("Command1");
    connect(Command1, &QPushButton::clicked, this, [] { mostra<Form1>(); });
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
    connect(Label5, &Cliccabile::clicked, this, [] { mostra<Form1>(); });
}

Form3::Form3() {
    costruisci(tabellaForm3);
    Command1 = controllo<QPushButton>("Command1");
    connect(Command1, &QPushButton::clicked, this, [] { mostra<Form2>(); });
}

void Form3::carica() {
    setPersistenza(true);
    for (const char* riga : tabellaForm3.righe) stampa(QString::fromUtf8(riga));
}

form4::form4() {
    costruisci(tabellaForm4);
    Command1 = controllo<QPushButton>("Command1");
    connect(Command1, &QPushButton::clicked, this, [] { mostra<Form2>(); });
}

void form4::carica() { setPersistenza(true); }

}  // namespace ponderino
