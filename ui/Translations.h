#pragma once
// The program speaks Japanese throughout: Qt's own texts (standard buttons such as キャンセル,
// context menus) from Qt's Japanese translations, and dates, month and day names (the calendar)
// from the Japanese locale.

class QCoreApplication;

namespace tokimori {

// Installs Qt's Japanese translations on app and makes Japanese the default locale. False when
// the translations are not installed (Qt's English texts remain).
bool UseJapanese(QCoreApplication& app);

} // namespace tokimori
