#pragma once
// Showing a window, the one way for all six: the first show creates the window in its
// design state and runs its load step; later shows only bring it to the front, with
// everything in it unchanged. A window closed from its frame is destroyed, and the next
// show creates it afresh.

#include <QPointer>

#include <string_view>

namespace ponderino {

template <class F>
QPointer<F>& istanza() {
    static QPointer<F> finestra;
    return finestra;
}

// The window if it exists, or nullptr.
template <class F>
F* esistente() {
    return istanza<F>().data();
}

template <class F>
F* mostra() {
    QPointer<F>& finestra = istanza<F>();
    if (!finestra) {
        finestra = new F;
        finestra->carica();
        finestra->posiziona();
        finestra->show();
    } else {
        finestra->showNormal();
    }
    finestra->raise();
    finestra->activateWindow();
    return finestra.data();
}

// The same for a window known by its name ("Form1", "Form2", "form7", "Form5", "Form3", "form4").
void mostraFinestra(std::string_view nome);

}  // namespace ponderino
