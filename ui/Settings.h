#pragma once
// The per-user settings store: application "Tokimori", section "Tokimori", one text value per
// key (WTOP, WLEFT, WWidth, WHeight, DefPath). The registry on Windows, the user's INI file
// elsewhere.

#include <QString>
#include <QVariant>

#include "base/RunError.h"

namespace tokimori {

// The text stored under key, or the default as text when nothing is stored there.
QString GetReg(const QString& key, const QVariant& defaultValue);

// Stores value as text under key; a store that cannot be written is error 70.
Status SetReg(const QString& key, const QVariant& value);

} // namespace tokimori
