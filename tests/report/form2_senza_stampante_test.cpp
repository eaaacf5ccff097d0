// "&Stampa" clicked on the real calculation screen when the machine has no
// default printer: a message, nothing on the screen's surface, nothing lost.
#include <gtest/gtest.h>

#include "core/risultati.h"
#include "ambiente.h"
#include "pdf_testo.h"

using namespace ponderino;
using namespace ponderino::prova;
using ClicSuStampa = FinestreTest;  // the calculation screen, its folder and the seam's recorders

namespace {

TEST_F(ClicSuStampa, SenzaStampantePredefinitaUnMessaggio) {
    scriviZeri(dati());
    Form2* f = apriForm2();
    const DatiSoggetto tipo{"Mario", "30", "70", "45", "95", "80", "175"};
    digita(f, tipo);
    clic(f->Command10);

    ASSERT_EQ(registro().messaggi.size(), 1u);
    EXPECT_EQ(registro().messaggi[0].titolo, QStringLiteral("ponderino"));
    EXPECT_EQ(registro().messaggi[0].testo, QStringLiteral("Nessuna stampante predefinita"));
    EXPECT_TRUE(f->righeStampate().isEmpty());
    const DatiSoggetto dopo = f->leggiDati();
    EXPECT_EQ(dopo.nome, tipo.nome);
    EXPECT_EQ(dopo.torace, tipo.torace);
    EXPECT_EQ(dopo.alt, tipo.alt);
    EXPECT_EQ(registro().terminazioni, 0);

    // The program goes on: the command works again once there is a reason to.
    clic(f->Command10);
    EXPECT_EQ(registro().messaggi.size(), 2u);
}

}  // namespace
