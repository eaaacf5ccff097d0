// Help.htm as delivered beside the program: a self-contained Italian HTML5
// page whose worked examples give exactly what the program shows.
#include "core/metodi.h"
#include "core/misure.h"

#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QString>
#include <QStringDecoder>
#include <QStringList>

#include <gtest/gtest.h>

#include <optional>

namespace {

using ponderino::MetodoCalcolo;

QString leggiAiuto()
{
    QFile file(QStringLiteral(PONDERINO_RUNTIME_DIR "/Help.htm"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray byte = file.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString testo = utf8(byte);
    return utf8.hasError() ? QString() : testo;
}

const QStringList sezioniMetodi = {
    "lorentz", "bertheam", "gautrelet", "enrhart", "vandervael", "broca", "perrault", "bmi"};

std::optional<MetodoCalcolo> metodoDaNome(const QString& nome)
{
    static const QMap<QString, MetodoCalcolo> metodi = {
        {"Lorentz", MetodoCalcolo::Lorentz},   {"Bertheam", MetodoCalcolo::Bertheam},
        {"Gautrelet", MetodoCalcolo::Gautrelet}, {"Enrhart", MetodoCalcolo::Enrhart},
        {"VanDerVael", MetodoCalcolo::VanDerVael}, {"Broca", MetodoCalcolo::Broca},
        {"Perrault", MetodoCalcolo::Perrault}, {"Bmi", MetodoCalcolo::Bmi}};
    if (!metodi.contains(nome))
        return std::nullopt;
    return metodi.value(nome);
}

// "alt=170;eta=30" into the subject's fields; false for an unknown field.
bool riempi(const QString& campi, ponderino::DatiSoggetto& dati)
{
    for (const QString& coppia : campi.split(';', Qt::SkipEmptyParts)) {
        const QStringList parti = coppia.split('=');
        if (parti.size() != 2)
            return false;
        const std::string valore = parti[1].toStdString();
        const QString& campo = parti[0];
        if (campo == "nome") dati.nome = valore;
        else if (campo == "eta") dati.eta = valore;
        else if (campo == "peso") dati.peso = valore;
        else if (campo == "spalle") dati.spalle = valore;
        else if (campo == "torace") dati.torace = valore;
        else if (campo == "vita") dati.vita = valore;
        else if (campo == "alt") dati.alt = valore;
        else return false;
    }
    return true;
}

struct Esempio {
    qsizetype posizione;
    QString metodo, campi, risultato;
};

QList<Esempio> esempi(const QString& pagina)
{
    static const QRegularExpression tag(QStringLiteral("<[a-z]+[^>]*\\sdata-metodo=\"([^\"]*)\"[^>]*>"));
    static const QRegularExpression campi(QStringLiteral("data-campi=\"([^\"]*)\""));
    static const QRegularExpression risultato(QStringLiteral("data-risultato=\"([^\"]*)\""));
    QList<Esempio> trovati;
    for (auto it = tag.globalMatch(pagina); it.hasNext();) {
        const auto m = it.next();
        trovati.append({m.capturedStart(), m.captured(1), campi.match(m.captured()).captured(1),
                        risultato.match(m.captured()).captured(1)});
    }
    return trovati;
}

qsizetype inizioSezione(const QString& pagina, const QString& id)
{
    return pagina.indexOf(QStringLiteral("<section id=\"%1\"").arg(id));
}

}  // namespace

TEST(Aiuto, EUnaPaginaHtml5ItalianaSenzaNienteDiEsterno)
{
    const QString pagina = leggiAiuto();
    ASSERT_FALSE(pagina.isEmpty()) << "Help.htm missing, empty or not UTF-8";
    EXPECT_TRUE(pagina.startsWith(QStringLiteral("<!DOCTYPE html>")));
    EXPECT_TRUE(pagina.contains(QStringLiteral("<html lang=\"it\">")));
    EXPECT_TRUE(pagina.contains(QStringLiteral("<meta charset=\"utf-8\">")));
    EXPECT_TRUE(pagina.contains(QRegularExpression(QStringLiteral("<title>[^<]+</title>"))));
    for (const char* vietato : {"<script", "<link", "<iframe", "<img", "src=", "http:", "https:", "@import", "url("})
        EXPECT_FALSE(pagina.contains(QString::fromLatin1(vietato), Qt::CaseInsensitive)) << vietato;
    EXPECT_TRUE(pagina.contains(QStringLiteral("@media print")));
}

// Every element is closed in the right order, ids are unique and every
// link inside the page points at one of them.
TEST(Aiuto, LeEtichetteSonoAnnidateBeneEIRimandiArrivano)
{
    const QString pagina = leggiAiuto();
    ASSERT_FALSE(pagina.isEmpty());
    const QSet<QString> vuoti = {"meta", "br", "hr", "img", "input", "link", "wbr"};
    const QString corpo = pagina.mid(pagina.indexOf(QStringLiteral("<html")));
    static const QRegularExpression tag(QStringLiteral("<(/?)([a-zA-Z][a-zA-Z0-9]*)[^>]*>"));
    QStringList aperti;
    for (auto it = tag.globalMatch(corpo); it.hasNext();) {
        const auto m = it.next();
        const QString nome = m.captured(2).toLower();
        if (vuoti.contains(nome))
            continue;
        if (m.captured(1).isEmpty()) {
            aperti.append(nome);
        } else {
            ASSERT_FALSE(aperti.isEmpty()) << "</" << nome.toStdString() << "> without opening";
            ASSERT_EQ(aperti.takeLast(), nome) << "at offset " << m.capturedStart();
        }
    }
    EXPECT_TRUE(aperti.isEmpty()) << aperti.join(' ').toStdString();

    static const QRegularExpression id(QStringLiteral("\\sid=\"([^\"]+)\""));
    QSet<QString> ids;
    for (auto it = id.globalMatch(pagina); it.hasNext();) {
        const QString uno = it.next().captured(1);
        EXPECT_FALSE(ids.contains(uno)) << "duplicate id " << uno.toStdString();
        ids.insert(uno);
    }
    static const QRegularExpression rimando(QStringLiteral("href=\"#([^\"]+)\""));
    for (auto it = rimando.globalMatch(pagina); it.hasNext();) {
        const QString meta = it.next().captured(1);
        EXPECT_TRUE(ids.contains(meta)) << meta.toStdString();
    }
}

TEST(Aiuto, HaUnaSezionePerMetodoNellOrdineDelProgramma)
{
    const QString pagina = leggiAiuto();
    qsizetype precedente = -1;
    for (const QString& id : sezioniMetodi) {
        const qsizetype inizio = inizioSezione(pagina, id);
        EXPECT_GT(inizio, precedente) << id.toStdString();
        precedente = inizio;
    }
}

TEST(Aiuto, SpiegaSeparatoreDecimaleEAvvertenzaMedica)
{
    const QString pagina = leggiAiuto();
    for (const char* frase : {"<kbd>70,5</kbd> vale settanta e mezzo", "<kbd>70.5</kbd> vale <strong>705</strong>",
                              "NON SOSTITUISCONO il giusto rapporto con il proprio medico di fiducia",
                              "solo dati indicativi"})
        EXPECT_TRUE(pagina.contains(QString::fromUtf8(frase))) << frase;
}

// Each worked example, computed by the core under Italian settings, gives the
// text the page promises; each method's section opens with its own example.
TEST(Aiuto, GliEsempiDannoCioCheMostraIlProgramma)
{
    const QString pagina = leggiAiuto();
    const QList<Esempio> tutti = esempi(pagina);
    ASSERT_GE(tutti.size(), 16);

    QSet<QString> metodiVisti;
    for (const Esempio& e : tutti) {
        SCOPED_TRACE(QStringLiteral("%1 %2").arg(e.metodo, e.campi).toStdString());
        const auto metodo = metodoDaNome(e.metodo);
        ASSERT_TRUE(metodo.has_value());
        ponderino::DatiSoggetto dati;
        ASSERT_TRUE(riempi(e.campi, dati));
        const double valore = ponderino::calcolaMetodo(*metodo, dati, ponderino::regionaliItaliane);
        EXPECT_EQ(ponderino::testoRisultato(valore, ponderino::regionaliItaliane), e.risultato.toStdString());
        metodiVisti.insert(e.metodo);
    }
    EXPECT_EQ(metodiVisti.size(), 8);

    for (qsizetype i = 0; i < sezioniMetodi.size(); ++i) {
        const qsizetype inizio = inizioSezione(pagina, sezioniMetodi[i]);
        const qsizetype fine = pagina.indexOf(QStringLiteral("</section>"), inizio);
        const auto primo = std::find_if(tutti.begin(), tutti.end(),
                                        [&](const Esempio& e) { return e.posizione > inizio; });
        ASSERT_NE(primo, tutti.end());
        EXPECT_LT(primo->posizione, fine) << sezioniMetodi[i].toStdString();
        EXPECT_EQ(primo->metodo.toLower(), sezioniMetodi[i]);
    }
}
