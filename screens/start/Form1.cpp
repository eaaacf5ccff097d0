#include "screens/start/Form1.h"

#include "screens/calc/Form2.h"
#include "screens/mostra.h"
#include "screens/piattaforma.h"
#include "screens/start/informazioni.h"

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
    Image1->setAccessibleName(QStringLiteral("Autore"));
    Picture2->setAccessibleName(QStringLiteral("Ponderino, il calcolo del peso ideale"));
    Image1->setCursor(Qt::PointingHandCursor);

    connect(Command1, &QPushButton::clicked, this, [] { mostra<form7>(); });
    connect(Command2, &QPushButton::clicked, this, [] {
        // Reaching the calculation screen fails quietly: the start screen stays as it is.
        try {
            mostra<Form2>();
        } catch (...) {
        }
    });
    connect(Command3, &QPushButton::clicked, this, [] { piattaforma().terminaProgramma(); });
    connect(Image1, &Cliccabile::clicked, this, [] { mostra<Form5>(); });
}

}  // namespace ponderino
