#include "app/Help.h"

namespace tokimori {

bool OpenSystemHelp(QWidget*, const QString&) {
    return false;
}

void CloseSystemHelp() {}

} // namespace tokimori
