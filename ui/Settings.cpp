#include "ui/Settings.h"

#include <QSettings>
#include <cmath>

namespace tokimori {

namespace {

constexpr char kApplication[] = "Tokimori";
constexpr char kSection[] = "Tokimori";
// The largest stored window value taken, in twips: far beyond any screen, and still a whole
// number of pixels that fits an int.
constexpr double kLargestSetting = 1.0e9;

// On Windows the store is where the program has always kept its settings:
// HKEY_CURRENT_USER\Software\VB and VBA Program Settings\Tokimori\Tokimori.
QSettings Store() {
#ifdef _WIN32
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, "VB and VBA Program Settings",
                     kApplication);
#else
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, kApplication, kApplication);
#endif
}

QString AsText(const QVariant& v) {
    if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float)
        return QString::number(v.toDouble(), 'g', 15);
    return v.toString();
}

} // namespace

QString GetReg(const QString& key, const QVariant& defaultValue) {
    QSettings s = Store();
    s.beginGroup(kSection);
    const QVariant stored = s.value(key);
    return stored.isValid() ? stored.toString() : AsText(defaultValue);
}

Status SetReg(const QString& key, const QVariant& value) {
    QSettings s = Store();
    s.beginGroup(kSection);
    s.setValue(key, AsText(value));
    s.endGroup();
    s.sync();
    if (s.status() == QSettings::AccessError)
        return MakeError(err::PermissionDenied,
                         "cannot write the settings " + s.fileName().toStdString());
    if (s.status() == QSettings::FormatError)
        return MakeError(err::PathFileAccess,
                         "settings file damaged " + s.fileName().toStdString());
    return {};
}

Result<float> SettingNumber(const QString& text) {
    bool ok = false;
    const QString t = text.trimmed();
    const double v = t.toDouble(&ok);
    // Not a number at all, or none that a window can take (nan, inf): a type mismatch.
    if (!ok || !std::isfinite(v))
        return MakeError(err::TypeMismatch, "not a number: " + text.toStdString());
    // A number too large for a window's position or size: an overflow, as converting it would be.
    if (std::fabs(v) > kLargestSetting)
        return MakeError(err::Overflow, "out of range: " + text.toStdString());
    return static_cast<float>(v);
}

} // namespace tokimori
