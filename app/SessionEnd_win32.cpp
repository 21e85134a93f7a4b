#include "app/SessionEnd.h"

namespace tokimori {

// Qt closes the windows itself when Windows ends the session.
void CloseOnSessionEnd(QWidget*) {}

bool SessionEndRequested() {
    return false;
}

} // namespace tokimori
