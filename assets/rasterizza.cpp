// Turns one SVG drawing into a raster picture of a given size.
//
//   ponderino_rasterizza DISEGNO.svg USCITA.(png|bmp) LARGHEZZA ALTEZZA
//
// The drawing is scaled to fill the whole picture. Pictures are opaque: the
// drawing is painted over white. A .bmp is written as a plain 24-bit bitmap,
// which is what the program loads beside itself; a .png is 24-bit RGB too.
// An .ico (the Windows program's icon, LARGHEZZA = ALTEZZA) holds the drawing at
// every size Windows draws up to that one, each drawn on its own so that the small
// ones stay sharp: 32-bit bitmaps, and PNG from 256 px on, as Windows stores them.
#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>
#include <string>
#include <vector>

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

// The drawing scaled to fit a square icon, transparent around it.
QImage disegnaIcona(QSvgRenderer& disegno, int lato)
{
    QImage immagine(lato, lato, QImage::Format_ARGB32);
    immagine.fill(Qt::transparent);
    QSizeF misura = disegno.defaultSize();
    misura.scale(QSizeF(lato, lato), Qt::KeepAspectRatio);
    QPainter pittore(&immagine);
    pittore.setRenderHint(QPainter::Antialiasing);
    pittore.setRenderHint(QPainter::SmoothPixmapTransform);
    disegno.render(&pittore, QRectF(QPointF((lato - misura.width()) / 2, (lato - misura.height()) / 2), misura));
    return immagine;
}

void aggiungi16(QByteArray& dati, int valore)
{
    dati.append(char(valore & 0xff)).append(char((valore >> 8) & 0xff));
}

void aggiungi32(QByteArray& dati, quint32 valore)
{
    aggiungi16(dati, int(valore & 0xffff));
    aggiungi16(dati, int(valore >> 16));
}

// One icon image: a PNG, or a bottom-up 32-bit BGRA bitmap with its 1-bit mask.
QByteArray immagineIcona(const QImage& immagine)
{
    const int lato = immagine.width();
    QByteArray dati;
    if (lato >= 256) {
        QBuffer buffer(&dati);
        buffer.open(QIODevice::WriteOnly);
        immagine.save(&buffer, "PNG");
        return dati;
    }
    aggiungi32(dati, 40);
    aggiungi32(dati, quint32(lato));
    aggiungi32(dati, quint32(lato * 2));  // colours and mask
    aggiungi16(dati, 1);
    aggiungi16(dati, 32);
    for (int i = 0; i < 6; ++i)
        aggiungi32(dati, 0);
    for (int y = lato - 1; y >= 0; --y)
        for (int x = 0; x < lato; ++x)
            aggiungi32(dati, immagine.pixel(x, y));  // 0xAARRGGBB: B, G, R, A in the file
    const int rigaMaschera = ((lato + 31) / 32) * 4;
    for (int y = lato - 1; y >= 0; --y) {
        QByteArray riga(rigaMaschera, '\0');
        for (int x = 0; x < lato; ++x)
            if (qAlpha(immagine.pixel(x, y)) == 0)
                riga[x / 8] = char(riga[x / 8] | (0x80 >> (x % 8)));
        dati.append(riga);
    }
    return dati;
}

bool scriviIcona(QSvgRenderer& disegno, int massimo, const QString& uscita)
{
    std::vector<QByteArray> immagini;
    std::vector<int> lati;
    for (int lato : {16, 20, 24, 32, 40, 48, 64, 256})
        if (lato <= massimo) {
            lati.push_back(lato);
            immagini.push_back(immagineIcona(disegnaIcona(disegno, lato)));
        }
    QByteArray file;
    aggiungi16(file, 0);
    aggiungi16(file, 1);
    aggiungi16(file, int(lati.size()));
    quint32 posizione = quint32(6 + 16 * lati.size());
    for (std::size_t i = 0; i < lati.size(); ++i) {
        file.append(char(lati[i] & 0xff)).append(char(lati[i] & 0xff));  // 256 is written 0
        file.append(char(0)).append(char(0));
        aggiungi16(file, 1);
        aggiungi16(file, 32);
        aggiungi32(file, quint32(immagini[i].size()));
        aggiungi32(file, posizione);
        posizione += quint32(immagini[i].size());
    }
    for (const QByteArray& immagine : immagini)
        file.append(immagine);
    QFile scritto(uscita);
    return scritto.open(QIODevice::WriteOnly) && scritto.write(file) == file.size();
}

void aggiungi32Alto(QByteArray& dati, quint32 valore)
{
    for (int spostamento : {24, 16, 8, 0})
        dati.append(char((valore >> spostamento) & 0xff));
}

quint32 crc32(const QByteArray& dati)
{
    quint32 crc = 0xffffffffu;
    for (const char c : dati) {
        crc ^= quint8(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void aggiungiBlocco(QByteArray& file, const char* tipo, const QByteArray& contenuto)
{
    aggiungi32Alto(file, quint32(contenuto.size()));
    const QByteArray blocco = QByteArray(tipo) + contenuto;
    file.append(blocco);
    aggiungi32Alto(file, crc32(blocco));
}

// A 24-bit PNG whose rows are stored unfiltered. Qt's writer picks a filter for each row,
// mostly Paeth, which costs the reader about as much as the inflating: unfiltered, the
// start screen's title picture decodes in half the time, and its file is no larger.
bool scriviPng(const QImage& immagine, const QString& uscita)
{
    const QImage rgb = immagine.convertToFormat(QImage::Format_RGB888);
    QByteArray righe;
    for (int y = 0; y < rgb.height(); ++y)
        righe.append('\0').append(reinterpret_cast<const char*>(rgb.constScanLine(y)), rgb.width() * 3);
    QByteArray intestazione;
    aggiungi32Alto(intestazione, quint32(rgb.width()));
    aggiungi32Alto(intestazione, quint32(rgb.height()));
    intestazione.append("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, deflate, no filter choice, no interlace
    QByteArray file("\x89PNG\r\n\x1a\n");
    aggiungiBlocco(file, "IHDR", intestazione);
    aggiungiBlocco(file, "IDAT", qCompress(righe, 9).mid(4));  // qCompress puts the length first
    aggiungiBlocco(file, "IEND", QByteArray());
    QFile scritto(uscita);
    return scritto.open(QIODevice::WriteOnly) && scritto.write(file) == file.size();
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

    if (formato == "ico") {
        if (larghezza != altezza || larghezza < 16)
            return fallisci("un'icona è quadrata, di almeno 16 px");
        if (!scriviIcona(disegno, larghezza, uscita))
            return fallisci("impossibile scrivere " + uscita.toStdString());
        return 0;
    }

    QImage immagine(larghezza, altezza, QImage::Format_RGB32);
    immagine.fill(Qt::white);
    {
        QPainter pittore(&immagine);
        pittore.setRenderHint(QPainter::Antialiasing);
        pittore.setRenderHint(QPainter::TextAntialiasing);
        pittore.setRenderHint(QPainter::SmoothPixmapTransform);
        disegno.render(&pittore, QRectF(0, 0, larghezza, altezza));
    }

    const bool scritta = formato == "png" ? scriviPng(immagine, uscita)
                                          : immagine.convertToFormat(QImage::Format_RGB888).save(uscita, "BMP");
    if (!scritta)
        return fallisci("impossibile scrivere " + uscita.toStdString());
    return 0;
}
