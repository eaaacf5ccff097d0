#include "screens/calc/Form2.h"

namespace ponderino {

Form2::Form2() {
    costruisci(tabellaForm2);

    const auto casella = [this](const char* n) { return controllo<QLineEdit>(n); };
    const auto pulsante = [this](const char* n) { return controllo<QPushButton>(n); };
    const auto riquadro = [this](const char* n) { return controllo<Riquadro>(n); };

    nome = casella("nome"), eta = casella("eta"), peso = casella("peso");
    spalle = casella("spalle"), torace = casella("torace"), vita = casella("vita");
    alt = casella("alt");
    Text1 = casella("Text1"), metodo = casella("metodo"), Text3 = casella("Text3");
    text2 = casella("text2"), kgp = casella("kgp"), Text5 = casella("Text5");
    for (int i = 0; i < 6; ++i) Text4[i] = casella(qPrintable(QStringLiteral("Text4(%1)").arg(i)));
    for (int i = 0; i < 7; ++i)
        Label2[i] = controllo<QLabel>(QStringLiteral("Label2(%1)").arg(i));
    Picture1 = riquadro("Picture1"), Picture2 = riquadro("Picture2"), Picture3 = riquadro("Picture3");
    Picture4 = riquadro("Picture4"), Picture5 = riquadro("Picture5");
    formula = riquadro("formula"), help1 = riquadro("help1");
    lorent = pulsante("lorent"), Command12 = pulsante("Command12"), Command5 = pulsante("Command5");
    Command6 = pulsante("Command6"), Command14 = pulsante("Command14");
    Command13 = pulsante("Command13"), Command15 = pulsante("Command15");
    Command7 = pulsante("Command7");
    Command4 = pulsante("Command4"), Command8 = pulsante("Command8");
    Command10 = pulsante("Command10"), Command2 = pulsante("Command2");
    Command9 = pulsante("Command9");
    Command1 = pulsante("Command1"), Command3 = pulsante("Command3");
    Command11 = pulsante("Command11");
}

DatiSoggetto Form2::leggiDati() const {
    return datiDaiCampi([this](const char* campo) { return controllo<QLineEdit>(campo)->text().toStdString(); });
}

Ingresso Form2::ingresso() const {
    Ingresso in = Finestra::ingresso();
    in.dati = leggiDati();
    return in;
}

}  // namespace ponderino
