// Driving the calculation screen's "&Stampa" for real: a fresh working folder
// (where dati.txt lives), the platform seam's message box and date replaced by
// recorders, and the window opened the way the program opens it.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <filesystem>
#include <vector>

#include "pdf_testo.h"
#include "screens/calc/Form2.h"
#include "screens/mostra.h"
#include "screens/piattaforma.h"

namespace ponderino::prova {

class ClicSuStampa : public ::testing::Test {
protected:
    void SetUp() override {
        salvata_ = piattaforma();
        piattaforma().messaggio = [this](QWidget*, const Messaggio& m) { messaggi.push_back(m); };
        piattaforma().terminaProgramma = [this] { ++terminazioni; };
        piattaforma().oggi = [this] { return oggi; };
        cartella = cartellaTemporanea("ponderino-form2");
        precedente_ = QDir::currentPath();
        QDir::setCurrent(QString::fromStdString(cartella.string()));
    }

    void TearDown() override {
        for (QWidget* w : QApplication::topLevelWidgets()) w->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        QDir::setCurrent(precedente_);
        piattaforma() = salvata_;
        std::error_code ec;
        std::filesystem::remove_all(cartella, ec);
    }

    Form2* apri() {
        Form2* f = mostra<Form2>();
        QCoreApplication::processEvents();
        return f;
    }

    static void digita(Form2* f, const DatiSoggetto& d) {
        const std::pair<QLineEdit*, const std::string*> campi[] = {
            {f->nome, &d.nome},     {f->eta, &d.eta},   {f->peso, &d.peso}, {f->spalle, &d.spalle},
            {f->torace, &d.torace}, {f->vita, &d.vita}, {f->alt, &d.alt}};
        for (const auto& [campo, testo] : campi) {
            campo->clear();
            QTest::keyClicks(campo, QString::fromStdString(*testo));
        }
    }

    static void clic(QPushButton* b) {
        QTest::mouseClick(b, Qt::LeftButton);
        QCoreApplication::processEvents();
    }

    std::filesystem::path dati() const { return cartella / "dati.txt"; }

    std::vector<Messaggio> messaggi;
    int terminazioni = 0;
    QDate oggi{2026, 12, 8};
    std::filesystem::path cartella;

private:
    Piattaforma salvata_;
    QString precedente_;
};

}  // namespace ponderino::prova
