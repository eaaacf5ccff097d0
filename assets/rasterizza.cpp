// Turns one SVG drawing into a raster picture of a given size.
//
//   ponderino_rasterizza DISEGNO.svg USCITA.(png|bmp) LARGHEZZA ALTEZZA
//
// The drawing is scaled to fill the whole picture. Pictures are opaque: the
// drawing is painted over white. A .bmp is written as a plain 24-bit bitmap,
// which is what the program loads beside itself; a .png keeps 32-bit RGB.
#include <QByteArray>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>
#include <string>

namespace {

int fallisci(const std::string& messaggio)
{
    std::fprintf(stderr, "ponderino_rasterizza: %s\n", messaggio.c_str());
    return 1;
}

// Qt's note about a missing XDG_RUNTIME_DIR says nothing about the drawing and
// only clutters the build log; every other message goes through.
void filtraMessaggi(QtMsgType tipo, const QMessageLogContext& contesto, const QString& testo)
{
    if (testo.startsWith(QLatin1String("QStandardPaths:")))
        return;
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(tipo, contesto, testo)));
}

bool leggiDimensione(const char* testo, int& valore)
{
    bool ok = false;
    valore = QByteArray(testo).toInt(&ok);
    return ok && valore > 0 && valore <= 8192;
}

} // namespace

int main(int argc, char* argv[])
{
    // No display is needed to rasterise: the build may run on a headless machine.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(filtraMessaggi);
    QGuiApplication app(argc, argv);

    if (argc != 5)
        return fallisci("uso: DISEGNO.svg USCITA.(png|bmp) LARGHEZZA ALTEZZA");

    const QString sorgente = QString::fromLocal8Bit(argv[1]);
    const QString uscita = QString::fromLocal8Bit(argv[2]);
    int larghezza = 0;
    int altezza = 0;
    if (!leggiDimensione(argv[3], larghezza) || !leggiDimensione(argv[4], altezza))
        return fallisci("dimensioni non valide");

    const QString formato = QFileInfo(uscita).suffix().toLower();
    if (formato != "png" && formato != "bmp" && formato != "ico")
        return fallisci("formato di uscita sconosciuto: " + formato.toStdString());

    QSvgRenderer disegno(sorgente);
    if (!disegno.isValid())
        return fallisci("disegno non leggibile: " + sorgente.toStdString());

    // An icon (the Windows program's) is square and transparent around the drawing.
    const bool icona = formato == "ico";
    QImage immagine(larghezza, altezza, icona ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    immagine.fill(icona ? Qt::transparent : Qt::white);
    QRectF dove(0, 0, larghezza, altezza);
    if (icona) {
        QSizeF misura = disegno.defaultSize();
        misura.scale(dove.size(), Qt::KeepAspectRatio);
        dove = QRectF(QPointF((larghezza - misura.width()) / 2, (altezza - misura.height()) / 2), misura);
    }
    {
        QPainter pittore(&immagine);
        pittore.setRenderHint(QPainter::Antialiasing);
        pittore.setRenderHint(QPainter::TextAntialiasing);
        pittore.setRenderHint(QPainter::SmoothPixmapTransform);
        disegno.render(&pittore, dove);
    }

    if (formato == "bmp")
        immagine = immagine.convertToFormat(QImage::Format_RGB888);

    if (!immagine.save(uscita, formato.toLatin1().constData()))
        return fallisci("impossibile scrivere " + uscita.toStdString());
    return 0;
}
