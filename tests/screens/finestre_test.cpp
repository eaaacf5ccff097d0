// The windows as designed: sizes, positions, stacking, tab order, access keys, fonts,
// and how they are shown, brought back and closed.

#include "ambiente.h"

#include <QFontInfo>
#include <QMessageBox>
#include <QTimer>

namespace ponderino::prova {
namespace {

class DisegnoTest : public FinestreTest {};

// Makes the window the active one, as the window system does when the user clicks it.
void attiva(QWidget* finestra) {
    finestra->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(finestra));
}

QPoint assoluta(QWidget* w) { return w->mapTo(w->window(), QPoint(0, 0)); }

// Every window built from its table: its caption and size, where the small ones open,
// and every control at the place and size the table gives it.
void controllaDaTabella(QWidget* w, const TabellaFinestra& t) {
    SCOPED_TRACE(t.nome);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->windowTitle(), QString::fromUtf8(t.progetto.didascalia));
    EXPECT_EQ(w->size(), QSize(pixel(t.progetto.larghezza), pixel(t.progetto.altezza)));
    if (t.progetto.left >= 0) {
        EXPECT_EQ(w->geometry().topLeft(), QPoint(pixel(t.progetto.left), pixel(t.progetto.top)));
    }
    for (const Controllo& c : t.controlli) {
        QWidget* k = w->findChild<QWidget*>(c.nome);
        ASSERT_NE(k, nullptr) << c.nome;
        const AreaPixel a = areaPixel(t, c);
        EXPECT_EQ(QRect(assoluta(k), k->size()), QRect(a.x, a.y, a.w, a.h)) << c.nome;
    }
}

TEST_F(DisegnoTest, FinestreDelleDimensioniEDidascalieGiuste) {
    Form1* f1 = mostra<Form1>();
    clic(f1->Command1);
    clic(f1->Command2);
    QTest::mouseClick(f1->Image1, Qt::LeftButton);
    Form2* f2 = esistente<Form2>();
    clic(f2->Command2);
    f2->alt->setText("170");
    f2->torace->setText("90");
    f2->eta->setText("30");
    f2->peso->setText("70");
    f2->spalle->setText("40");
    f2->vita->setText("80");
    clic(f2->Command4);
    const std::pair<QWidget*, const TabellaFinestra&> finestre[] = {
        {f1, tabellaForm1},          {f2, tabellaForm2},          {esistente<form7>(), tabellaForm7},
        {esistente<Form5>(), tabellaForm5}, {esistente<Form3>(), tabellaForm3}, {esistente<form4>(), tabellaForm4},
    };
    for (const auto& [w, t] : finestre) controllaDaTabella(w, t);
    EXPECT_FALSE(f1->windowIcon().isNull());
    // The unit boxes' right edges meet the data-entry panel's right edge.
    EXPECT_EQ(assoluta(f2->Text4[1]).x() + f2->Text4[1]->width(), assoluta(f2->Picture4).x() + f2->Picture4->width());
}

TEST_F(DisegnoTest, ImpilamentoComeNelDisegno) {
    Form2* f = apriForm2();
    // Qt keeps siblings back to front, as the table's stacking has them.
    for (QWidget* genitore : std::initializer_list<QWidget*>{f, f->Picture1, f->Picture2}) {
        QStringList visti, attesi;
        for (QObject* o : genitore->children())
            if (o->isWidgetType() && !o->objectName().isEmpty()) visti << o->objectName();
        for (const Controllo* c : ordineDiPittura(tabellaForm2))
            if (f->findChild<QWidget*>(c->nome)->parentWidget() == genitore) attesi << c->nome;
        EXPECT_EQ(visti, attesi);
    }
    // What lies over help1's corner and the unit boxes is what the user sees there.
    EXPECT_EQ(f->childAt(pixel(5400) + 5, pixel(5760) + 5), f->help1);
    EXPECT_EQ(f->childAt(pixel(7300), pixel(3100)), f->Text4[1]);
}

TEST_F(DisegnoTest, OrdineDiTabulazioneEFuocoIniziale) {
    Form2* f = apriForm2();
    attiva(f);
    EXPECT_EQ(QApplication::focusWidget(), f->nome);
    QStringList attesi;
    for (const Controllo* c : ordineDiTab(tabellaForm2)) attesi << c->nome;
    attesi << attesi.front();
    QStringList visti{QApplication::focusWidget()->objectName()};
    for (int i = 1; i < attesi.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visti << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(visti, attesi);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget()->objectName(), attesi[attesi.size() - 2]);
}

// A button pressed by its access key clicks itself a moment later, as a mouse would.
void tastoDiAccesso(QWidget* finestra, Qt::Key tasto) {
    attiva(finestra);
    QTest::keyClick(finestra, tasto, Qt::AltModifier);
    QTest::qWait(200);
}

TEST_F(DisegnoTest, TastiDiAccesso) {
    Form2* f = apriForm2();
    attiva(f);
    // Alt+? takes the focus to each of the three guide buttons in turn, from the waist
    // up, and starts no guide.
    for (QWidget* guida : {f->Command11, f->Command3, f->Command1, f->Command11}) {
        QTest::keyClick(f, '?', Qt::AltModifier);
        EXPECT_EQ(QApplication::focusWidget()->objectName(), guida->objectName());
    }
    EXPECT_TRUE(registro().attese.empty());
    // Alt+H opens the warning screen; Alt+P clears; Alt+C confirms; Alt+E leaves.
    tastoDiAccesso(f, Qt::Key_H);
    EXPECT_NE(esistente<Form3>(), nullptr);
    digita(f->nome, "Anna");
    tastoDiAccesso(f, Qt::Key_P);
    EXPECT_EQ(f->nome->text(), "");
    EXPECT_EQ(leggiFile(dati()), "0,0,0,0,0,0,0,0\r\n");
    tastoDiAccesso(f, Qt::Key_C);
    ASSERT_EQ(registro().messaggi.size(), 1u);
    EXPECT_EQ(registro().messaggi[0].testo, "Mancano i dati ");
    tastoDiAccesso(f, Qt::Key_E);
    EXPECT_EQ(registro().terminazioni, 1);
    // Alt+S prints the zero line Alt+P wrote; CUPS is pointed nowhere here.
    tastoDiAccesso(f, Qt::Key_S);
    ASSERT_EQ(registro().messaggi.size(), 2u);
    EXPECT_EQ(registro().messaggi[1].testo, "Nessuna stampante predefinita");
}

TEST_F(DisegnoTest, CaratteriEColori) {
    Form2* f = apriForm2();
    const QFontInfo campo(f->nome->font());
    EXPECT_EQ(campo.family(), "Liberation Sans");
    EXPECT_TRUE(campo.bold());
    EXPECT_DOUBLE_EQ(f->nome->font().pointSizeF(), 9.0);
    EXPECT_DOUBLE_EQ(f->kgp->font().pointSizeF(), 12.0);
    EXPECT_FALSE(f->lorent->font().bold());
    EXPECT_TRUE(f->Command4->font().bold());
    EXPECT_EQ(f->Command7->palette().color(QPalette::Button), QColor(128, 64, 0));
    EXPECT_EQ(f->Command2->palette().color(QPalette::Button), QColor(128, 64, 0));
    EXPECT_EQ(f->Command4->palette().color(QPalette::Button), QColor(255, 255, 255));
    EXPECT_EQ(f->Picture2->palette().color(QPalette::Window), QColor(0, 0, 128));
    EXPECT_EQ(f->Text5->text(), " Kg");
    EXPECT_EQ(f->Command14->text(), "    Formula      VanDerVael");
    EXPECT_EQ(f->Command4->accessibleName(), "Conferma qui i dati prima di continuare");
    EXPECT_EQ(f->alt->accessibleName(), "Altezza soggetto");
    // Captions that do not fit wrap onto more lines instead of being cut.
    const QImage immagine = f->lorent->grab().toImage();
    int righeConTesto = 0;
    for (int y = 0; y < immagine.height(); ++y) {
        bool scuro = false;
        for (int x = 4; x < immagine.width() - 4; ++x)
            if (qGray(immagine.pixel(x, y)) < 80) scuro = true;
        righeConTesto += scuro;
    }
    EXPECT_GT(righeConTesto, 14);
}

TEST_F(DisegnoTest, OgniControlloHaUnNomeAccessibile) {
    Form1* f1 = mostra<Form1>();
    clic(f1->Command1);
    QTest::mouseClick(f1->Image1, Qt::LeftButton);
    Form2* f2 = apriForm2();
    clic(f2->Command2);
    int controlli = 0;
    for (QWidget* finestra : QApplication::topLevelWidgets()) {
        if (!qobject_cast<Finestra*>(finestra)) continue;
        for (QWidget* w : finestra->findChildren<QWidget*>()) {
            if (w->objectName().isEmpty() || w->objectName().startsWith("qt_")) continue;
            ++controlli;
            // Internal control names never reach a screen reader; what takes the focus has a name.
            EXPECT_NE(w->accessibleName(), w->objectName());
            if (w->focusPolicy() != Qt::NoFocus) {
                EXPECT_FALSE(w->accessibleName().trimmed().isEmpty()) << w->objectName().toStdString();
            }
        }
    }
    EXPECT_GT(controlli, 60);
    EXPECT_EQ(f2->eta->accessibleName(), "Eta' soggetto");
    EXPECT_EQ(f2->Command14->accessibleName(), "Formula VanDerVael");
    EXPECT_EQ(f1->Image1->accessibleName(), "Autore");
    EXPECT_EQ(f2->Text5->accessibleName(), "Unità del risultato");
    EXPECT_EQ(f1->Picture1->accessibleName(), "");
}

// ---------------------------------------------------------------------------------------

class CicloDiVitaTest : public FinestreTest {};

TEST_F(CicloDiVitaTest, ContinuaDueVolteRiportaLaStessaForm2) {
    Form1* f1 = mostra<Form1>();
    clic(f1->Command2);
    Form2* f2 = esistente<Form2>();
    ASSERT_NE(f2, nullptr);
    digita(f2->alt, "170");
    clic(f2->Command13);
    clic(f1->Command2);
    EXPECT_EQ(esistente<Form2>(), f2);
    EXPECT_EQ(f2->alt->text(), "170");
    EXPECT_EQ(f2->kgp->text(), "70");
    EXPECT_EQ(f2->formula->origine(), "broca.bmp");
    EXPECT_TRUE(f1->isVisible());
}

TEST_F(CicloDiVitaTest, InformazioniStampaUnaVoltaSola) {
    Form1* f1 = mostra<Form1>();
    clic(f1->Command1);
    form7* info = esistente<form7>();
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->righeStampate().size(), 16);
    EXPECT_EQ(info->righeStampate()[1], " Il  programma      PONDERINO  nasce  per ");
    EXPECT_EQ(info->righeStampate()[15], "rete.");
    clic(info->Command1);
    EXPECT_TRUE(info->isVisible());
    clic(f1->Command1);
    EXPECT_EQ(esistente<form7>(), info);
    EXPECT_EQ(info->righeStampate().size(), 16);
    // The printed text is really drawn, in green on black.
    const QImage immagine = info->grab().toImage();
    bool verde = false;
    for (int y = 0; y < 60 && !verde; ++y)
        for (int x = 0; x < immagine.width() && !verde; ++x)
            verde = immagine.pixelColor(x, y).green() > 150 && immagine.pixelColor(x, y).red() < 100;
    EXPECT_TRUE(verde);
}

TEST_F(CicloDiVitaTest, AvvisoUnaSolaVoltaConLeSueSeiRighe) {
    Form2* f = apriForm2();
    for (int i = 0; i < 3; ++i) clic(f->Command2);
    Form3* avviso = esistente<Form3>();
    ASSERT_NE(avviso, nullptr);
    EXPECT_EQ(avviso->righeStampate(),
              (QStringList{"", "              PONDERINO", "", "  Per la spiegazione dei metodi",
                           "  Leggi il file Help.htm allegato", "  al programma."}));
    EXPECT_TRUE(avviso->persistenza());
    int avvisi = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) avvisi += qobject_cast<Form3*>(w) != nullptr;
    EXPECT_EQ(avvisi, 1);
    clic(avviso->Command1);
    EXPECT_TRUE(avviso->isVisible());
}

TEST_F(CicloDiVitaTest, UnaFinestraChiusaTornaNuova) {
    Form2* f = apriForm2();
    digita(f->alt, "170");
    clic(f->Command2);
    f->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(esistente<Form2>(), nullptr);
    Form2* nuova = apriForm2();
    EXPECT_EQ(nuova->alt->text(), "");
    EXPECT_EQ(nuova->Text5->text(), " Kg");
    EXPECT_FALSE(nuova->persistenza());
    // Form3 was left open and leads back to the new Form2.
    clic(esistente<Form3>()->Command1);
    EXPECT_EQ(esistente<Form2>(), nuova);
}

TEST_F(CicloDiVitaTest, TerminaEAutore) {
    Form1* f1 = mostra<Form1>();
    // A click on the title picture outside the button does nothing.
    QTest::mouseClick(f1->Picture2, Qt::LeftButton, {}, QPoint(50, 50));
    EXPECT_EQ(esistente<Form5>(), nullptr);
    QTest::mouseClick(f1->Image1, Qt::LeftButton);
    Form5* autore = esistente<Form5>();
    ASSERT_NE(autore, nullptr);
    EXPECT_EQ(autore->Label1->text(), "Ponderino");
    EXPECT_EQ(autore->Label5->focusPolicy(), Qt::NoFocus);
    QTest::mouseClick(autore->Label5, Qt::LeftButton);
    EXPECT_TRUE(autore->isVisible());
    EXPECT_TRUE(f1->isVisible());
    clic(f1->Command3);
    EXPECT_EQ(registro().terminazioni, 1);
    EXPECT_FALSE(std::filesystem::exists(dati()));
}

TEST_F(CicloDiVitaTest, IlMessaggioVeroHaTitoloSoloOkENessunaIcona) {
    Form2* f = apriForm2();
    const auto registrato = piattaforma().messaggio;
    piattaforma().messaggio = piattaformaReale().messaggio;
    QString titolo, testo;
    QMessageBox::Icon icona = QMessageBox::Warning;
    QMessageBox::StandardButtons pulsanti;
    // The box must become the active modal window within 3 s; otherwise every box is
    // closed, so that the test fails instead of waiting for ever.
    QTimer attesa;
    QElapsedTimer da;
    da.start();
    QObject::connect(&attesa, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box && da.elapsed() < 3000) return;
        attesa.stop();
        if (!box) {
            ADD_FAILURE() << "nessun messaggio attivo dopo 3 s";
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* m = qobject_cast<QMessageBox*>(w)) m->reject();
            return;
        }
        titolo = box->windowTitle();
        testo = box->text();
        icona = box->icon();
        pulsanti = box->standardButtons();
        box->accept();
    });
    attesa.start(10);
    clic(f->lorent);
    piattaforma().messaggio = registrato;
    EXPECT_EQ(titolo, "ponderino");
    EXPECT_EQ(testo, "Mancano i dati ");
    EXPECT_EQ(icona, QMessageBox::NoIcon);
    EXPECT_EQ(pulsanti, QMessageBox::Ok);
}

TEST_F(CicloDiVitaTest, LAttesaVeraTieneLaGuidaPerUnSecondo) {
    Form2* f = apriForm2();
    const auto registrata = piattaforma().attendi;
    piattaforma().attendi = piattaformaReale().attendi;
    QElapsedTimer tempo;
    tempo.start();
    clic(f->Command1);
    piattaforma().attendi = registrata;
    EXPECT_GE(tempo.elapsed(), 900);
    EXPECT_LT(tempo.elapsed(), 5000);
    EXPECT_EQ(f->help1->origine(), "grayne1.bmp");
}

}  // namespace
}  // namespace ponderino::prova
