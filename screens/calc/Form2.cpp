#include "screens/calc/Form2.h"

#include "core/risultati.h"
#include "report/stampa.h"
#include "screens/mostra.h"
#include "screens/piattaforma.h"
#include "screens/start/informazioni.h"

#include <QLocale>
#include <QPointer>

#include <array>

namespace ponderino {

ImpostazioniRegionali impostazioniRegionali() {
    const QLocale locale = QLocale::system();
    return ImpostazioniRegionali{locale.decimalPoint().toStdString(),
                                 locale.groupSeparator().toStdString()};
}

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

    // A measure field is known by its label's text.
    QLineEdit* const campi[] = {nome, eta, peso, spalle, torace, vita, alt};
    for (int i = 0; i < 7; ++i) campi[i]->setAccessibleName(Label2[i]->text().trimmed());
    kgp->setAccessibleName(QStringLiteral("Risultato"));
    metodo->setAccessibleName(QStringLiteral("Metodo"));
    formula->setAccessibleName(QStringLiteral("Formula del metodo"));
    help1->setAccessibleName(QStringLiteral("Guida alle misure"));
    Command1->setAccessibleName(QStringLiteral("Come misurare la larghezza delle spalle"));
    Command3->setAccessibleName(QStringLiteral("Come misurare la circonferenza del torace"));
    Command11->setAccessibleName(QStringLiteral("Come misurare la circonferenza della vita"));

    for (const RigaMetodo& p : metodiForm2)
        connect(pulsante(p.pulsante), &QPushButton::clicked, this, [this, &p] { eseguiMetodo(p); });
    for (const RigaGuida& g : guideForm2)
        connect(pulsante(g.pulsante), &QPushButton::clicked, this, [this, &g] { eseguiGuida(g); });
    connect(Command4, &QPushButton::clicked, this, &Form2::conferma);
    connect(Command8, &QPushButton::clicked, this, &Form2::pulisci);
    connect(Command9, &QPushButton::clicked, this, &Form2::esci);
    connect(Command10, &QPushButton::clicked, this, &Form2::stampaRiepilogo);
    connect(Command2, &QPushButton::clicked, this, [] { mostra<Form3>(); });
}

DatiSoggetto Form2::leggiDati() const {
    return DatiSoggetto{nome->text().toStdString(),   eta->text().toStdString(),
                        peso->text().toStdString(),   spalle->text().toStdString(),
                        torace->text().toStdString(), vita->text().toStdString(),
                        alt->text().toStdString()};
}

QLineEdit* Form2::campo(std::string_view n) const {
    if (n == "nome") return nome;
    if (n == "eta") return eta;
    if (n == "peso") return peso;
    if (n == "spalle") return spalle;
    if (n == "torace") return torace;
    if (n == "vita") return vita;
    return alt;
}

void Form2::percorsoDatiMancanti(const std::vector<std::string_view>& campi) {
    const QString avviso = QString::fromUtf8(mancanoIDati.data(), mancanoIDati.size());
    for (std::string_view c : campi) {
        if (campo(c)->text().isEmpty()) stampa(avviso);
    }
    mostraMessaggio(this, avviso);
}

void Form2::eseguiMetodo(const RigaMetodo& p) {
    if (p.svuotaUnita) Text5->setText(QString());
    if (p.persistenza) setPersistenza(true);
    try {
        const ImpostazioniRegionali regionali = impostazioniRegionali();
        const double valore = calcolaMetodo(p.metodo, leggiDati(), regionali);
        kgp->setText(QString::fromStdString(testoRisultato(valore, regionali)));
        metodo->setText(QString::fromUtf8(p.nome));
        stampa(metodo->text());
        formula->setImmagine(caricaFileImmagine(QString::fromUtf8(p.immagine)));
        formula->setOrigine(QString::fromUtf8(p.immagine));
        Text5->setText(QString::fromUtf8(p.unita));
    } catch (const ErroreDati&) {
        percorsoDatiMancanti(campiMetodo(p.metodo));
    } catch (const std::exception& e) {
        // A formula picture that cannot be loaded is not missing data: say what it is.
        mostraMessaggio(this, QString::fromUtf8(e.what()));
    }
}

void Form2::conferma() {
    try {
        const RigaRisultati riga = calcolaRisultati(leggiDati(), impostazioniRegionali());
        scriviRisultati("dati.txt", riga);
    } catch (const ErroreDati&) {
        percorsoDatiMancanti({"alt", "torace"});
        return;
    } catch (const std::exception& e) {
        // The results could not be stored: the old file is intact, and the user is told why.
        mostraMessaggio(this, QString::fromUtf8(e.what()));
        return;
    }
    mostra<form4>();
}

void Form2::pulisci() {
    for (QLineEdit* c : {vita, torace, nome, eta, alt, peso, spalle, kgp, metodo}) c->clear();
    try {
        formula->setImmagine(caricaFileImmagine(QString::fromUtf8(immaginePulisci)));
        formula->setOrigine(QString::fromUtf8(immaginePulisci));
        Text5->setText(QString());
        scriviZeri("dati.txt");
    } catch (const std::exception& e) {
        mostraMessaggio(this, QString::fromUtf8(e.what()));
    }
}

void Form2::esci() {
    try {
        scriviZeri("dati.txt");
    } catch (const std::exception& e) {
        mostraMessaggio(this, QString::fromUtf8(e.what()));
    }
    piattaforma().terminaProgramma();
}

void Form2::eseguiGuida(const RigaGuida& g) {
    // The window may be closed from its frame while the guide is held.
    const QPointer<Form2> io(this);
    try {
        help1->setImmagine(caricaFileImmagine(QString::fromUtf8(g.guida)));
        help1->setOrigine(QString::fromUtf8(g.guida));
        piattaforma().attendi(durataGuida);
        if (!io) return;
        help1->setImmagine(caricaFileImmagine(QString::fromUtf8(g.neutra)));
        help1->setOrigine(QString::fromUtf8(g.neutra));
    } catch (const std::exception& e) {
        if (io) mostraMessaggio(this, QString::fromUtf8(e.what()));
    }
}

void Form2::stampaRiepilogo() {
    const QDate oggi = piattaforma().oggi();
    const DataStampa data{oggi.day(), oggi.month(), oggi.year()};
    try {
        ponderino::stampaRiepilogo(leggiDati(), "dati.txt", data, impostazioniRegionali());
    } catch (const std::exception& e) {
        mostraMessaggio(this, QString::fromUtf8(e.what()));
        return;
    }
    for (const std::string& riga : righeData(data)) stampa(QString::fromStdString(riga));
}

}  // namespace ponderino
