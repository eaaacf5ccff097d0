#pragma once
// The narrow boundary between the windows and the machine: message boxes, the end
// of the program, the guide's hold and today's date. Everything above it is the real
// program; tests replace these four operations so that nothing blocks or exits.

#include <QDate>
#include <QString>

#include <chrono>
#include <functional>

class QWidget;

namespace ponderino {

// What a message box shows. The program's boxes all carry the title "ponderino",
// only an OK button and no icon.
struct Messaggio {
    QString titolo;
    QString testo;
};

inline const QString titoloApplicazione = QStringLiteral("ponderino");

struct Piattaforma {
    // Shows a modal message box and returns when the user has closed it.
    std::function<void(QWidget* finestra, const Messaggio&)> messaggio;
    // Ends the program at once: every window closes, no further step runs.
    std::function<void()> terminaProgramma;
    // Holds what is on the screen for a while: the windows are painted, user input is
    // held back and delivered in order once the hold ends.
    std::function<void(std::chrono::milliseconds)> attendi;
    // Today's date, for the printed summary.
    std::function<QDate()> oggi;
};

// The operations in use; starts with the real ones.
Piattaforma& piattaforma();
// The real operations, for restoring them.
Piattaforma piattaformaReale();

// Shows the message box of the program with the given text.
void mostraMessaggio(QWidget* finestra, const QString& testo);

}  // namespace ponderino
