// The pictures: the files beside the program and the design resources load,
// have the sizes the windows are laid out for, and line up with the controls
// that lie over them.
#include <QColor>
#include <QFile>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <QSet>
#include <QString>

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

#include "screens/procedure.h"
#include "screens/tabelle.h"

namespace {

struct Picture {
    const char* nome;
    int larghezza;
    int altezza;
};

// Each picture a command loads, at the size of the box it is loaded into.
std::vector<Picture> fileAccanto()
{
    std::vector<Picture> f;
    for (const ponderino::ImmagineCaricata& i : ponderino::immaginiCaricate())
        for (const ponderino::Controllo& c : ponderino::tabellaForm2.controlli)
            if (std::string_view(c.nome) == i.riquadro) {
                const ponderino::AreaPixel a = ponderino::areaPixel(ponderino::tabellaForm2, c);
                f.push_back({i.file, a.w, a.h});
            }
    return f;
}

const Picture disegni[] = {
    {"form2_sfondo", 800, 559}, {"lavagnetta", 229, 69}, {"sollevatori", 274, 103},
    {"form1_tessera", 100, 100}, {"titolo", 533, 446},    {"autore", 116, 48},
    {"icona", 135, 112},        {"form4_sfondo", 295, 144},
};

QString accanto(const char* nome)
{
    return QStringLiteral(PONDERINO_RUNTIME_DIR "/") + QString::fromLatin1(nome);
}

QImage risorsa(const QString& nome)
{
    return QImage(QStringLiteral(":/disegni/") + nome + QStringLiteral(".png"));
}

int coloriDiversi(const QImage& immagine)
{
    QSet<QRgb> colori;
    for (int y = 0; y < immagine.height(); ++y)
        for (int x = 0; x < immagine.width(); ++x)
            colori.insert(immagine.pixel(x, y));
    return colori.size();
}

bool scuro(QRgb p) { return qRed(p) < 90 && qGreen(p) < 90 && qBlue(p) < 90; }

}  // namespace

TEST(FileAccanto, OgniBitmapSiCaricaConLaSuaMisura)
{
    const std::vector<Picture> tutte = fileAccanto();
    ASSERT_EQ(tutte.size(), ponderino::immaginiCaricate().size());
    for (const Picture& f : tutte) {
        SCOPED_TRACE(f.nome);
        QImageReader lettore(accanto(f.nome));
        EXPECT_EQ(lettore.format(), "bmp");
        const QImage immagine = lettore.read();
        ASSERT_FALSE(immagine.isNull()) << lettore.errorString().toStdString();
        EXPECT_EQ(immagine.size(), QSize(f.larghezza, f.altezza));

        // A plain 24-bit bitmap: bits per pixel at offset 28 of the file.
        QFile file(accanto(f.nome));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray testa = file.read(30);
        ASSERT_EQ(testa.size(), 30);
        EXPECT_EQ(testa.left(2), "BM");
        EXPECT_EQ(static_cast<unsigned char>(testa[28]), 24);
    }
}

TEST(FileAccanto, LeFormuleSonoTutteDiverseEDiverseDallaLavagnaVuota)
{
    std::vector<const char*> formule;
    for (const ponderino::RigaMetodo& m : ponderino::metodiForm2) formule.push_back(m.immagine);
    formule.push_back(ponderino::immaginePulisci);
    QList<QImage> viste;
    for (const char* nome : formule) {
        SCOPED_TRACE(nome);
        const QImage immagine(accanto(nome));
        for (const QImage& altra : viste)
            EXPECT_NE(immagine, altra);
        viste.append(immagine);
        // Lettering is antialiased, so a written board has many shades.
        if (QByteArray(nome) != ponderino::immaginePulisci) {
            EXPECT_GT(coloriDiversi(immagine), 40);
        }
    }
}

TEST(FileAccanto, LeGuideSonoDisegniEIQuadriNeutriNo)
{
    for (const ponderino::RigaGuida& g : ponderino::guideForm2) {
        SCOPED_TRACE(g.guida);
        EXPECT_GT(coloriDiversi(QImage(accanto(g.guida))), 100);
        EXPECT_LT(coloriDiversi(QImage(accanto(g.neutra))), 12);
    }
    EXPECT_LT(coloriDiversi(QImage(accanto(ponderino::immaginePulisci))), 12);
}

TEST(Disegni, OgniRisorsaHaLaSuaMisuraEIlDoppioPerGliSchermiDensi)
{
    for (const Picture& d : disegni) {
        SCOPED_TRACE(d.nome);
        const QString nome = QString::fromLatin1(d.nome);
        const QImage uno = risorsa(nome);
        const QImage due = risorsa(nome + QStringLiteral("@2x"));
        ASSERT_FALSE(uno.isNull());
        ASSERT_FALSE(due.isNull());
        EXPECT_EQ(uno.size(), QSize(d.larghezza, d.altezza));
        EXPECT_EQ(due.size(), QSize(2 * d.larghezza, 2 * d.altezza));
        EXPECT_FALSE(uno.hasAlphaChannel());
    }
}

// main() runs the tests as on a screen of device pixel ratio 2.
TEST(Disegni, LIconaPrendeLImmagineDoppiaSuUnoSchermoDenso)
{
    ASSERT_DOUBLE_EQ(qApp->devicePixelRatio(), 2.0);
    const QIcon icona(QStringLiteral(":/disegni/icona.png"));
    const QPixmap densa = icona.pixmap(QSize(135, 112), 2.0);
    EXPECT_EQ(densa.size(), QSize(270, 224));
    EXPECT_DOUBLE_EQ(densa.devicePixelRatio(), 2.0);
}

// Image1 lies exactly over the button drawn in the title picture.
TEST(Disegni, IlPulsanteAutoreCoincideConQuelloDelTitolo)
{
    for (int scala : {1, 2}) {
        SCOPED_TRACE(scala);
        const QString suffisso = scala == 1 ? QString() : QStringLiteral("@2x");
        const QImage titolo = risorsa(QStringLiteral("titolo") + suffisso);
        const QImage autore = risorsa(QStringLiteral("autore") + suffisso);
        const QImage sotto = titolo.copy(400 * scala, 384 * scala, 116 * scala, 48 * scala);
        EXPECT_EQ(sotto.convertToFormat(QImage::Format_RGB32),
                  autore.convertToFormat(QImage::Format_RGB32));
    }
}

// Each coloured line of the backdrop reaches close to its "?" button, at the
// button's height, and stops before it.
TEST(Disegni, LeLineeDelManichinoFinisconoAccantoAiPulsanti)
{
    struct Linea {
        const char* misura;
        int yPulsante;  // top of the button; it is 18 px high
        bool (*colore)(QRgb);
    };
    const Linea linee[] = {
        {"spalle", 136, [](QRgb p) { return qRed(p) > 180 && qGreen(p) < 90 && qBlue(p) < 90; }},
        {"torace", 168, [](QRgb p) { return qBlue(p) > 180 && qRed(p) < 90 && qGreen(p) < 120; }},
        {"vita", 200, [](QRgb p) { return qGreen(p) > 120 && qRed(p) < 90 && qBlue(p) < 90; }},
    };
    const QImage sfondo = risorsa(QStringLiteral("form2_sfondo"));
    for (const Linea& l : linee) {
        SCOPED_TRACE(l.misura);
        const int centro = l.yPulsante + 8;
        int fine = -1;
        for (int x = 0; x < 240; ++x)
            if (l.colore(sfondo.pixel(x, centro)))
                fine = x;
        EXPECT_GE(fine, 174);
        EXPECT_LT(fine, 184);
        // drawn across the body, from the left part of the strip
        EXPECT_TRUE(l.colore(sfondo.pixel(40, centro)));
        // and in no other row far from the button's centre
        EXPECT_FALSE(l.colore(sfondo.pixel(120, l.yPulsante - 6)));
        EXPECT_FALSE(l.colore(sfondo.pixel(120, l.yPulsante + 24)));
    }
}

// The real "Esci" button covers the drawn one; the six lines stay above it.
TEST(Disegni, IlTestoDiForm4StaSopraIlPulsante)
{
    const QImage info = risorsa(QStringLiteral("form4_sfondo"));
    const QColor giallo(255, 255, 128);
    int scuriSopra = 0;
    for (int y = 0; y < info.height(); ++y) {
        for (int x = 0; x < info.width(); ++x) {
            const QRgb p = info.pixel(x, y);
            const bool nelPulsante = x >= 104 && x < 185 && y >= 112 && y < 137;
            if (nelPulsante)
                continue;
            if (y < 108) {
                scuriSopra += scuro(p);
                EXPECT_FALSE(x >= 292 && scuro(p)) << x << "," << y;
            } else {
                EXPECT_EQ(QColor(p), giallo) << x << "," << y;
            }
        }
    }
    EXPECT_GT(scuriSopra, 1500);  // six lines of bold text
    EXPECT_FALSE(scuro(info.pixel(110, 116)));  // button face, not text
}
