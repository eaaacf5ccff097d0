// The commands of the calculation screen, driven by clicks and typing on the real window.

#include "ambiente.h"

#include "core/risultati.h"

namespace ponderino::prova {
namespace {

const QString mancano = QStringLiteral("Mancano i dati ");

struct CasoMetodo {
    QPushButton* Form2::*pulsante;
    std::vector<std::pair<QLineEdit* Form2::*, QString>> campi;
    QString kgp;
};

class MetodiTest : public FinestreTest {};

TEST_F(MetodiTest, OgniPulsanteMostraRisultatoNomeUnitaEFormula) {
    // The separator is the system's: from LANG on Linux, from the Windows regional
    // settings that Wine derives from LANG.
    const QByteArray lingua = qgetenv("LANG");
    if (lingua.startsWith("it_") || lingua.startsWith("en_")) {
        EXPECT_EQ(impostazioniRegionali().decimale, lingua.startsWith("it_") ? "," : ".");
    }
    const std::vector<CasoMetodo> casi = {
        {&Form2::lorent, {{&Form2::vita, "80"}, {&Form2::torace, "90"}}, "1,04"},
        {&Form2::Command12, {{&Form2::alt, "170"}, {&Form2::eta, "30"}}, "71"},
        {&Form2::Command5, {{&Form2::spalle, "40"}, {&Form2::alt, "170"}, {&Form2::peso, "70"}}, "68,1"},
        {&Form2::Command6, {{&Form2::alt, "170"}, {&Form2::torace, "90"}}, "63,7"},
        {&Form2::Command14, {{&Form2::alt, "100"}}, "12,5"},
        {&Form2::Command13, {{&Form2::alt, "90"}}, "-10"},
        {&Form2::Command15, {{&Form2::alt, "170"}, {&Form2::eta, "30"}}, "72,7"},
        {&Form2::Command7, {{&Form2::peso, "70"}, {&Form2::alt, "175"}}, "22,8"},
    };
    ASSERT_EQ(casi.size(), metodiForm2.size());
    for (const CasoMetodo& c : casi) {
        Form2* f = apriForm2();
        for (const auto& [campo, testo] : c.campi) digita(f->*campo, testo);
        clic(f->*c.pulsante);
        // The name, unit and picture its row of the method table gives.
        const RigaMetodo& m = *std::find_if(metodiForm2.begin(), metodiForm2.end(), [&](const RigaMetodo& r) {
            return (f->*c.pulsante)->objectName() == r.pulsante;
        });
        SCOPED_TRACE(m.nome);
        EXPECT_EQ(f->kgp->text(), regionale(c.kgp));
        EXPECT_EQ(f->metodo->text(), m.nome);
        EXPECT_EQ(f->Text5->text(), m.unita);
        EXPECT_EQ(f->formula->origine(), m.immagine);
        EXPECT_FALSE(f->formula->immagine().isNull());
        EXPECT_EQ(f->righeStampate(), QStringList{m.nome});
        EXPECT_TRUE(registro().messaggi.empty());
        chiudiTutto();
    }
}

TEST_F(MetodiTest, LeRigheStampateSiAccumulanoEUnPulsanteNonScriveFile) {
    Form2* f = apriForm2();
    digita(f->alt, "170");
    EXPECT_EQ(f->Text5->text(), " Kg");
    clic(f->Command13);
    clic(f->Command13);
    EXPECT_EQ(f->righeStampate(), (QStringList{"BROCA", "BROCA"}));
    EXPECT_TRUE(f->persistenza());
    EXPECT_FALSE(std::filesystem::exists(dati()));
}

TEST_F(MetodiTest, LorentzEBmiNonAccendonoLaPersistenza) {
    Form2* f = apriForm2();
    digita(f->vita, "80");
    digita(f->torace, "90");
    clic(f->lorent);
    EXPECT_FALSE(f->persistenza());
}

struct CasoMancante {
    const char* descrizione;
    QPushButton* Form2::*pulsante;
    std::vector<std::pair<QLineEdit* Form2::*, QString>> campi;
    int righe;         // "Mancano i dati " lines printed
    QString unita;     // Text5 afterwards
};

TEST_F(MetodiTest, PercorsoDatiMancanti) {
    const std::vector<CasoMancante> casi = {
        {"vita vuota", &Form2::lorent, {{&Form2::torace, "90"}}, 1, ""},
        {"vita e torace vuoti", &Form2::lorent, {}, 2, ""},
        {"torace zero", &Form2::lorent, {{&Form2::vita, "80"}, {&Form2::torace, "0"}}, 0, ""},
        {"vita -14 e torace zero", &Form2::lorent, {{&Form2::vita, "-14"}, {&Form2::torace, "0"}}, 0, ""},
        {"altezza non numerica", &Form2::Command7, {{&Form2::peso, "70"}, {&Form2::alt, "abc"}}, 0, " Kg"},
        {"altezza zero nel B.M.I.", &Form2::Command7, {{&Form2::peso, "70"}, {&Form2::alt, "0"}}, 0, " Kg"},
        {"eta vuota", &Form2::Command12, {{&Form2::alt, "170"}}, 1, ""},
        {"tutto vuoto per Gautrelet", &Form2::Command5, {}, 3, " Kg"},
        {"altezza di soli spazi", &Form2::Command14, {{&Form2::alt, "   "}}, 0, ""},
        {"altezza con unita", &Form2::Command13, {{&Form2::alt, "175cm"}}, 0, ""},
        {"spalle fuori scala", &Form2::Command5, {{&Form2::spalle, "1.5E+308"}, {&Form2::alt, "170"}, {&Form2::peso, "70"}}, 0, " Kg"},
        {"campi di Enrhart vuoti", &Form2::Command6, {}, 2, " Kg"},
        {"eta vuota per Perrault", &Form2::Command15, {{&Form2::alt, "170"}}, 1, ""},
    };
    for (const CasoMancante& c : casi) {
        SCOPED_TRACE(c.descrizione);
        registro() = Registro{};
        Form2* f = apriForm2();
        for (const auto& [campo, testo] : c.campi) digita(f->*campo, testo);
        clic(f->*c.pulsante);
        EXPECT_EQ(f->righeStampate(), QStringList(QList<QString>(c.righe, mancano)));
        ASSERT_EQ(registro().messaggi.size(), 1u);
        EXPECT_EQ(registro().messaggi[0].testo, mancano);
        EXPECT_EQ(registro().messaggi[0].titolo, "ponderino");
        EXPECT_EQ(f->kgp->text(), "");
        EXPECT_EQ(f->metodo->text(), "");
        EXPECT_EQ(f->formula->origine(), ":/disegni/lavagnetta.png");
        EXPECT_EQ(f->Text5->text(), c.unita);
        chiudiTutto();
    }
}

TEST_F(MetodiTest, UnErroreLasciaIlRisultatoPrecedente) {
    Form2* f = apriForm2();
    digita(f->alt, "170");
    clic(f->Command13);
    digita(f->torace, "90");
    clic(f->lorent);  // vita is empty
    EXPECT_EQ(f->kgp->text(), "70");
    EXPECT_EQ(f->metodo->text(), "BROCA");
    EXPECT_EQ(f->formula->origine(), "broca.bmp");
    EXPECT_EQ(f->Text5->text(), "");
    EXPECT_EQ(f->righeStampate(), (QStringList{"BROCA", mancano}));
}

TEST_F(MetodiTest, ImmagineDellaFormulaMancanteOGuasta) {
    const std::vector<std::pair<const char*, std::string>> casi = {
        {"mancante", ""}, {"vuota", "\x01"}, {"non un'immagine", "testo qualunque"}};
    for (const auto& [descrizione, contenuto] : casi) {
        SCOPED_TRACE(descrizione);
        registro() = Registro{};
        std::filesystem::remove(cartella() / "broca.bmp");
        if (!contenuto.empty()) scriviFile(cartella() / "broca.bmp", contenuto == "\x01" ? "" : contenuto);
        Form2* f = apriForm2();
        digita(f->alt, "170");
        clic(f->Command13);
        // The result and the name are already shown, and the name line printed.
        EXPECT_EQ(f->kgp->text(), "70");
        EXPECT_EQ(f->metodo->text(), "BROCA");
        EXPECT_EQ(f->righeStampate(), QStringList{"BROCA"});
        EXPECT_EQ(f->formula->origine(), ":/disegni/lavagnetta.png");
        EXPECT_EQ(f->Text5->text(), "");
        ASSERT_EQ(registro().messaggi.size(), 1u);
        EXPECT_TRUE(registro().messaggi[0].testo.contains("broca.bmp"));
        chiudiTutto();
    }
}

// ---------------------------------------------------------------------------------------

class ConfermaTest : public FinestreTest {
protected:
    void compila(Form2* f) {
        digita(f->nome, "Mario");
        digita(f->eta, "30");
        digita(f->alt, "175");
        digita(f->peso, "70");
        digita(f->spalle, "45");
        digita(f->torace, "95");
        digita(f->vita, "80");
    }
    std::string rigaAttesa() const { return rigaEsempio(); }
};

TEST_F(ConfermaTest, ScriveLaRigaEMostraInfo) {
    Form2* f = apriForm2();
    compila(f);
    clic(f->Command4);
    EXPECT_EQ(leggiFile(dati()), rigaAttesa());
    ASSERT_NE(esistente<form4>(), nullptr);
    EXPECT_TRUE(esistente<form4>()->isVisible());
    // The screen keeps what it showed.
    EXPECT_EQ(f->kgp->text(), "");
    EXPECT_EQ(f->Text5->text(), " Kg");
    EXPECT_TRUE(f->righeStampate().isEmpty());
    // Confirming again rewrites the same bytes, and form4 is the same window.
    form4* info = esistente<form4>();
    clic(info->Command1);
    clic(f->Command4);
    EXPECT_EQ(leggiFile(dati()), rigaAttesa());
    EXPECT_EQ(esistente<form4>(), info);
}

TEST_F(ConfermaTest, UnFallimentoLasciaIlFileComEra) {
    struct Caso {
        const char* descrizione;
        std::vector<std::pair<QLineEdit* Form2::*, QString>> modifiche;
        int righe;
    };
    const std::vector<Caso> casi = {
        {"torace zero", {{&Form2::torace, "0"}}, 0},
        {"altezza zero", {{&Form2::alt, "0"}}, 0},
        {"altezza e torace vuoti", {{&Form2::alt, ""}, {&Form2::torace, ""}}, 2},
        {"solo eta vuota", {{&Form2::eta, ""}}, 0},
        {"peso illeggibile", {{&Form2::peso, "settanta"}}, 0},
        {"torace vuoto", {{&Form2::torace, ""}}, 1},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.descrizione);
        registro() = Registro{};
        scriviFile(dati(), "vecchio contenuto\r\n");
        Form2* f = apriForm2();
        compila(f);
        for (const auto& [campo, testo] : c.modifiche) digita(f->*campo, testo);
        clic(f->Command4);
        EXPECT_EQ(leggiFile(dati()), "vecchio contenuto\r\n");
        EXPECT_EQ(f->righeStampate(), QStringList(QList<QString>(c.righe, mancano)));
        ASSERT_EQ(registro().messaggi.size(), 1u);
        EXPECT_EQ(registro().messaggi[0].testo, mancano);
        EXPECT_EQ(esistente<form4>(), nullptr);
        chiudiTutto();
    }
}

TEST_F(ConfermaTest, UnFileNonScrivibileVieneDettoConChiarezza) {
    std::filesystem::create_directory(dati());
    Form2* f = apriForm2();
    compila(f);
    clic(f->Command4);
    EXPECT_TRUE(std::filesystem::is_directory(dati()));
    ASSERT_EQ(registro().messaggi.size(), 1u);
    EXPECT_TRUE(registro().messaggi[0].testo.contains("dati.txt"));
    EXPECT_TRUE(f->righeStampate().isEmpty());
    EXPECT_EQ(esistente<form4>(), nullptr);
}

// ---------------------------------------------------------------------------------------

class PulisciEsciTest : public ConfermaTest {};

const std::string rigaZeri = "0,0,0,0,0,0,0,0\r\n";

TEST_F(PulisciEsciTest, PulisciSvuotaTuttoEScriveLaRigaDiZeri) {
    Form2* f = apriForm2();
    compila(f);
    clic(f->Command4);
    clic(f->Command13);
    for (int volta = 0; volta < 2; ++volta) {
        clic(f->Command8);
        for (QLineEdit* c : {f->nome, f->eta, f->peso, f->spalle, f->torace, f->vita, f->alt, f->kgp,
                             f->metodo, f->Text5})
            EXPECT_EQ(c->text(), "") << c->objectName().toStdString();
        EXPECT_EQ(f->formula->origine(), "gray.bmp");
        EXPECT_EQ(leggiFile(dati()), rigaZeri);
    }
    EXPECT_EQ(f->Text4[0]->text(), "Kg");
    EXPECT_EQ(f->righeStampate(), QStringList{"BROCA"});
    EXPECT_TRUE(registro().messaggi.empty());
    // A confirmation with everything empty prints two lines and keeps the zero line.
    clic(f->Command4);
    EXPECT_EQ(f->righeStampate(), (QStringList{"BROCA", mancano, mancano}));
    EXPECT_EQ(leggiFile(dati()), rigaZeri);
}

TEST_F(PulisciEsciTest, PulisciSenzaGrayBmpAvvisaEProsegue) {
    std::filesystem::remove(cartella() / "gray.bmp");
    scriviFile(dati(), "precedente");
    Form2* f = apriForm2();
    compila(f);
    digita(f->alt, "170");
    clic(f->Command13);
    clic(f->Command8);
    EXPECT_EQ(f->nome->text(), "");
    EXPECT_EQ(f->kgp->text(), "");
    EXPECT_EQ(f->formula->origine(), "broca.bmp");
    EXPECT_EQ(f->Text5->text(), "Kg");
    EXPECT_EQ(leggiFile(dati()), "precedente");
    ASSERT_EQ(registro().messaggi.size(), 1u);
    EXPECT_TRUE(registro().messaggi[0].testo.contains("gray.bmp"));
    EXPECT_EQ(registro().terminazioni, 0);
    EXPECT_TRUE(f->isVisible());
}

TEST_F(PulisciEsciTest, PulisciConFileNonScrivibileAvvisa) {
    std::filesystem::create_directory(dati());
    Form2* f = apriForm2();
    clic(f->Command8);
    ASSERT_EQ(registro().messaggi.size(), 1u);
    EXPECT_TRUE(registro().messaggi[0].testo.contains("dati.txt"));
    EXPECT_EQ(registro().terminazioni, 0);
}

TEST_F(PulisciEsciTest, EsciScriveGliZeriETermina) {
    Form2* f = apriForm2();
    compila(f);
    clic(f->Command4);
    clic(f->Command9);
    EXPECT_EQ(leggiFile(dati()), rigaZeri);
    EXPECT_EQ(registro().terminazioni, 1);
    EXPECT_TRUE(registro().messaggi.empty());
}

TEST_F(PulisciEsciTest, EsciConFileNonScrivibileAvvisaPoiTermina) {
    std::filesystem::create_directory(dati());
    Form2* f = apriForm2();
    clic(f->Command9);
    ASSERT_EQ(registro().messaggi.size(), 1u);
    EXPECT_TRUE(registro().messaggi[0].testo.contains("dati.txt"));
    EXPECT_EQ(registro().terminazioni, 1);
}

// ---------------------------------------------------------------------------------------

class GuideTest : public FinestreTest {};

TEST_F(GuideTest, LaGuidaRestaDuranteLAttesaPoiLasciaLaNeutra) {
    const std::vector<std::tuple<QPushButton* Form2::*, QString, QString>> casi = {
        {&Form2::Command1, "biac.bmp", "grayne1.bmp"},
        {&Form2::Command3, "tora.bmp", "grayne3.bmp"},
        {&Form2::Command11, "vita.bmp", "grayne2.bmp"},
    };
    Form2* f = apriForm2();
    EXPECT_EQ(f->help1->origine(), ":/disegni/sollevatori.png");
    for (const auto& [pulsante, guida, neutra] : casi) {
        QString mostrata;
        registro().duranteAttesa = [&, f] { mostrata = f->help1->origine(); };
        clic(f->*pulsante);
        EXPECT_EQ(mostrata, guida);
        EXPECT_EQ(f->help1->origine(), neutra);
    }
    EXPECT_EQ(registro().attese.size(), 3u);
    EXPECT_EQ(registro().attese[0], std::chrono::milliseconds(durataGuidaMs));
    EXPECT_TRUE(registro().messaggi.empty());
}

TEST_F(GuideTest, ImmagineDiGuidaMancanteAvvisaSenzaAttendere) {
    std::filesystem::remove(cartella() / "tora.bmp");
    std::filesystem::remove(cartella() / "grayne1.bmp");
    Form2* f = apriForm2();
    clic(f->Command3);
    EXPECT_TRUE(registro().attese.empty());
    EXPECT_EQ(f->help1->origine(), ":/disegni/sollevatori.png");
    // The neutral picture missing: the guide stays, the user is told.
    clic(f->Command1);
    EXPECT_EQ(f->help1->origine(), "biac.bmp");
    ASSERT_EQ(registro().messaggi.size(), 2u);
    EXPECT_TRUE(registro().messaggi[0].testo.contains("tora.bmp"));
    EXPECT_TRUE(registro().messaggi[1].testo.contains("grayne1.bmp"));
    EXPECT_TRUE(f->isVisible());
}

TEST_F(GuideTest, ChiudereLaFinestraDuranteLAttesaNonFaDanni) {
    Form2* f = apriForm2();
    registro().duranteAttesa = [f] {
        f->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    clic(f->Command11);
    EXPECT_EQ(esistente<Form2>(), nullptr);
    EXPECT_TRUE(registro().messaggi.empty());
}

TEST_F(GuideTest, ChiudereLaFinestraConIlMessaggioApertoNonFaDanni) {
    Form2* f = apriForm2();
    registro().duranteMessaggio = [f] {
        f->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    clic(f->lorent);
    EXPECT_EQ(esistente<Form2>(), nullptr);
    EXPECT_EQ(registro().messaggi.size(), 1u);
}

// ---------------------------------------------------------------------------------------

class StampaTest : public ConfermaTest {};

TEST_F(StampaTest, SenzaFileDatiAvvisaENonStampaNulla) {
    Form2* f = apriForm2();
    clic(f->Command10);
    ASSERT_EQ(registro().messaggi.size(), 1u);
    EXPECT_TRUE(registro().messaggi[0].testo.contains("dati.txt"));
    EXPECT_TRUE(f->righeStampate().isEmpty());
    EXPECT_EQ(registro().terminazioni, 0);
}

TEST_F(StampaTest, SenzaStampanteAvvisaEConservaIDati) {
    // The tests run with CUPS_SERVER pointing nowhere: there is no default printer.
    Form2* f = apriForm2();
    compila(f);
    clic(f->Command4);
    clic(f->Command10);
    ASSERT_EQ(registro().messaggi.size(), 1u);
    EXPECT_EQ(registro().messaggi[0].testo, "Nessuna stampante predefinita");
    EXPECT_EQ(f->nome->text(), "Mario");
    EXPECT_EQ(leggiFile(dati()), rigaAttesa());
}

}  // namespace
}  // namespace ponderino::prova
