#include "report/stampa.h"

#include <exception>
#include <string>

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QString>

#include "core/risultati.h"

namespace ponderino {

namespace {

QString qtesto(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// The results file's values, checked before any printing starts.
std::vector<ValoreRisultato> valoriDalFile(const std::filesystem::path& fileDati) {
    std::vector<ValoreRisultato> valori;
    try {
        valori = leggiRisultati(fileDati);
    } catch (const std::exception& e) {
        throw ErroreStampa(e.what());
    }
    if (valori.size() < 8)
        throw ErroreStampa("Il file " + testoPercorso(fileDati) + " contiene meno di otto valori");
    return valori;
}

}  // namespace

QFont fontRiepilogo() {
    QFont font(QStringLiteral("Arial"), 12);
    // Liberation Sans, which has Arial's metrics, draws the summary on every system:
    // from fonts-liberation on Linux, the program's own copy on Windows (where Wine
    // would give a serif face for Arial).
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
    font.setStyleHint(QFont::SansSerif);
    return font;
}

int disegnaDocumento(QPagedPaintDevice& foglio, const std::vector<RigaStampa>& righe) {
    QPainter pittore;
    if (!pittore.begin(&foglio))
        throw ErroreStampa("La stampante non accetta il documento");

    const QFont font = fontRiepilogo();
    pittore.setFont(font);
    const QFontMetricsF metriche(font, &foglio);
    const double altezzaRiga = metriche.lineSpacing();
    const double larghezzaZona = metriche.averageCharWidth() * colonneZona;
    const double larghezza = foglio.width();
    const double altezza = foglio.height();
    pittore.setClipRect(QRectF(0, 0, larghezza, altezza));

    int pagine = 1;
    double y = 0;
    for (const RigaStampa& riga : righe) {
        if (y > 0 && y + altezzaRiga > altezza) {
            if (!foglio.newPage()) {
                pittore.end();
                throw ErroreStampa("La stampante non accetta una nuova pagina");
            }
            pittore.setClipRect(QRectF(0, 0, larghezza, altezza));
            ++pagine;
            y = 0;
        }
        const auto larghezzaTesto = [&](const std::string& t) { return metriche.horizontalAdvance(qtesto(t)); };
        for (const VocePosta& voce : disponiRiga(riga, larghezzaZona, larghezzaTesto))
            if (voce.x < larghezza) pittore.drawText(QPointF(voce.x, y + metriche.ascent()), qtesto(voce.testo));
        y += altezzaRiga;
    }

    if (!pittore.end())
        throw ErroreStampa("La stampa del documento non si è conclusa");
    return pagine;
}

void stampaRiepilogo(const DatiSoggetto& dati, const std::filesystem::path& fileDati,
                     const DataStampa& oggi, QPrinter& stampante, const ImpostazioniRegionali& regionali) {
    const auto documento = documentoRiepilogo(dati, valoriDalFile(fileDati), oggi, regionali);
    disegnaDocumento(stampante, documento);
}

void stampaRiepilogo(const DatiSoggetto& dati, const std::filesystem::path& fileDati,
                     const DataStampa& oggi, const ImpostazioniRegionali& regionali) {
    const auto documento = documentoRiepilogo(dati, valoriDalFile(fileDati), oggi, regionali);

    const QPrinterInfo predefinita = QPrinterInfo::defaultPrinter();
    if (predefinita.isNull()) throw ErroreStampa("Nessuna stampante predefinita");
    // A stopped queue would keep the job without printing it.
    QPrinter stampante(predefinita, QPrinter::HighResolution);
    if (!stampante.isValid() || predefinita.state() == QPrinter::Error)
        throw ErroreStampa("La stampante predefinita " + predefinita.printerName().toStdString() +
                           " non è disponibile");
    stampante.setDocName(QStringLiteral("Ponderino - riepilogo"));
    disegnaDocumento(stampante, documento);
}

}  // namespace ponderino
