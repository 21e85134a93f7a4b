#include "ui/Settings.h"

#include <QSettings>
#include <cmath>

#include "view/Settings.h"

namespace tokimori {

namespace {

constexpr const char* kApplication = kSettingsApplication;
constexpr const char* kSection = kSettingsSection;

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

} // namespace tokimori
