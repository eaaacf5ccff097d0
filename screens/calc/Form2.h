#pragma once
// The calculation screen: the subject's measures are typed here, every calculation starts
// here, and one result at a time is shown.

#include "core/metodi.h"
#include "core/misure.h"
#include "screens/finestra.h"

namespace ponderino {

class Form2 : public Finestra {
    Q_OBJECT
public:
    Form2();

    // Measure fields, top to bottom.
    QLineEdit *nome, *eta, *peso, *spalle, *torace, *vita, *alt;
    // Result column.
    QLineEdit *Text1, *metodo, *Text3, *text2, *kgp, *Text5;
    QLineEdit* Text4[6];
    QLabel* Label2[7];
    Riquadro *Picture1, *Picture2, *Picture3, *Picture4, *Picture5, *formula, *help1;
    // Method bar, left to right.
    QPushButton *lorent, *Command12, *Command5, *Command6, *Command14, *Command13, *Command15,
        *Command7;
    QPushButton *Command4, *Command8, *Command10, *Command2, *Command9;
    // Measurement guides: shoulders, chest, waist.
    QPushButton *Command1, *Command3, *Command11;

    // The seven measures as typed, taken when a command runs.
    DatiSoggetto leggiDati() const;

    // The measures, the regional settings and today's date, as a command reads them.
    Ingresso ingresso() const override;
};

}  // namespace ponderino
