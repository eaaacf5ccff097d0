// "&Stampa" clicked on the real calculation screen when the machine has no
// default printer: a message, nothing on the screen's surface, nothing lost.
#include <gtest/gtest.h>

#include "core/risultati.h"
#include "form2_prova.h"

using namespace ponderino;
using namespace ponderino::prova;

namespace {

TEST_F(ClicSuStampa, SenzaStampantePredefinitaUnMessaggio) {
    scriviZeri(dati());
    Form2* f = apri();
    const DatiSoggetto tipo{"Mario", "30", "70", "45", "95", "80", "175"};
    digita(f, tipo);
    clic(f->Command10);

    ASSERT_EQ(messaggi.size(), 1u);
    EXPECT_EQ(messaggi[0].titolo, QStringLiteral("ponderino"));
    EXPECT_EQ(messaggi[0].testo, QStringLiteral("Nessuna stampante predefinita"));
    EXPECT_TRUE(f->righeStampate().isEmpty());
    const DatiSoggetto dopo = f->leggiDati();
    EXPECT_EQ(dopo.nome, tipo.nome);
    EXPECT_EQ(dopo.torace, tipo.torace);
    EXPECT_EQ(dopo.alt, tipo.alt);
    EXPECT_EQ(terminazioni, 0);

    // The program goes on: the command works again once there is a reason to.
    clic(f->Command10);
    EXPECT_EQ(messaggi.size(), 2u);
}

}  // namespace
