#pragma once
// Shared pieces of the window tests: copies of the test photos, the recorded message boxes,
// and byte checks of rewritten photos.

#include <QApplication>
#include <QByteArray>
#include <QDateTime>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QPointer>
#include <QProcess>
#include <QSettings>
#include <QString>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

#include "ui/MessageService.h"
#include "ui/Texts.h"
#include "ui/Translations.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace tokimori::test {

inline QString PhotosDir() {
    return QString::fromUtf8(TOKIMORI_PHOTOS);
}

// A file's bytes; a file that cannot be read fails the test (two missing files never compare
// equal).
inline QByteArray ReadBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        QTest::qFail(qPrintable("cannot read " + path), __FILE__, __LINE__);
    return f.readAll();
}

// Copies the named test photos (name -> name in the copy folder); a copy that fails fails the
// test.
inline void CopyPhotos(const QTemporaryDir& dir, const QList<QPair<QString, QString>>& names) {
    for (const auto& [from, to] : names)
        if (!QFile::copy(PhotosDir() + "/" + from, dir.filePath(to)))
            QTest::qFail(qPrintable("cannot copy " + from), __FILE__, __LINE__);
}

// A file made immutable (chattr +i) while the object lives: a real obstacle even for root.
// False when this file system cannot.
class ImmutableFile {
  public:
    explicit ImmutableFile(const QString& path) : path_(path) {
        done_ = QProcess::execute("chattr", {"+i", path}) == 0;
    }
    ~ImmutableFile() {
        if (done_) QProcess::execute("chattr", {"-i", path_});
    }
    explicit operator bool() const { return done_; }

  private:
    QString path_;
    bool done_ = false;
};

inline QDateTime Modified(const QString& path) {
    return QFileInfo(path).lastModified();
}

inline void SetModified(const QString& path, const QDateTime& t) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.setFileTime(t, QFileDevice::FileModificationTime));
}

// The program's stored settings, and one of them read or written by its key.
inline QSettings Store() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, "Tokimori", "Tokimori");
}

inline void Store(const QString& key, const QString& value) {
    QSettings s = Store();
    s.setValue("Tokimori/" + key, value);
}

inline QString Stored(const QString& key) {
    return Store().value("Tokimori/" + key).toString();
}

// Runs `drive` on the modal window of class T once it is shown (the action that opens it comes
// after this call), then closes it if `drive` left it open: a check failing inside `drive` ends
// the test instead of leaving the action waiting forever. Whatever modal window stands there
// after ten seconds is closed too, `drive` not run.
template <class T> void WhenModal(std::function<void(T*)> drive) {
    auto* poll = new QTimer;
    auto* waited = new QElapsedTimer;
    waited->start();
    QObject::connect(poll, &QTimer::timeout, [poll, waited, drive] {
        QPointer<QWidget> modal = QApplication::activeModalWidget();
        T* dialog = qobject_cast<T*>(modal.data());
        if (!dialog && waited->elapsed() < 10000) return;
        poll->stop();
        poll->deleteLater();
        delete waited;
        if (dialog) drive(dialog);
        if (modal && modal->isVisible()) {
            if (auto* d = qobject_cast<QDialog*>(modal.data()))
                d->reject();
            else
                modal->close();
        }
    });
    poll->start(10);
}

// Records every message box and answers from a queue (OK when it is empty).
// Whether picture (shown at t) is fitted to frame f by the thumbnail's rule: the whole width or
// height of the frame, the natural size's proportions (within a pixel), centred the other way.
inline bool FitsIn(const QRect& t, const QRect& f, const QSize& natural) {
    const bool across = t.width() == f.width() && t.left() == f.left() &&
                        std::abs(2 * (t.top() - f.top()) - (f.height() - t.height())) <= 1;
    const bool down = t.height() == f.height() && t.top() == f.top() &&
                      std::abs(2 * (t.left() - f.left()) - (f.width() - t.width())) <= 1;
    const int skew = std::abs(t.width() * natural.height() - t.height() * natural.width());
    return (across || down) && skew <= std::max(natural.width(), natural.height());
}

class MessageRecorder {
  public:
    MessageRecorder() {
        MessageService::setResponder([this](const Message& m) {
            shown.append(m);
            return answers.isEmpty() ? MessageAnswer::Ok : answers.takeFirst();
        });
    }
    ~MessageRecorder() { MessageService::setResponder({}); }
    QStringList texts() const {
        QStringList out;
        for (const Message& m : shown)
            out << m.text;
        return out;
    }
    QList<Message> shown;
    QList<MessageAnswer> answers;
};

// While it lives, the calling thread no longer passes over file permissions as root does
// (CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH leave its effective set), so a folder of mode 000 is a
// real obstacle. active() is false when that could not be arranged.
class NoPermissionOverride {
  public:
    NoPermissionOverride() {
        if (syscall(SYS_capget, &header_, saved_) != 0) return;
        __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        changed_ = syscall(SYS_capset, &header_, reduced) == 0;
    }
    ~NoPermissionOverride() {
        if (changed_) syscall(SYS_capset, &header_, saved_);
    }
    NoPermissionOverride(const NoPermissionOverride&) = delete;
    NoPermissionOverride& operator=(const NoPermissionOverride&) = delete;
    // Whether a folder of mode 000 now refuses this thread.
    bool active() const {
        QTemporaryDir probe;
        QFile::setPermissions(probe.path(), {});
        const bool refused = !QFile(probe.path() + "/x").open(QIODevice::WriteOnly);
        QFile::setPermissions(probe.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                QFileDevice::ExeOwner);
        return refused;
    }

  private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2] = {};
    bool changed_ = false;
};

// Every changed byte lies within the first `limit` bytes of a date text
// ("dddd:dd:dd dd:dd:dd") of the original, and the size is unchanged.
inline bool OnlyDateTextsChanged(const QByteArray& before, const QByteArray& after, int limit,
                                 QString* why) {
    if (before.size() != after.size()) {
        *why = "size changed";
        return false;
    }
    auto isDate = [&](qsizetype start) {
        static const char shape[] = "dddd:dd:dd dd:dd:dd";
        if (start < 0 || start + 19 > before.size()) return false;
        for (int k = 0; k < 19; ++k) {
            const char c = before[start + k];
            if (shape[k] == 'd' ? (c < '0' || c > '9') : c != shape[k]) return false;
        }
        return true;
    };
    for (qsizetype i = 0; i < before.size(); ++i) {
        if (before[i] == after[i]) continue;
        bool inside = false;
        for (qsizetype s = i - 18; s <= i && !inside; ++s)
            inside = isDate(s) && i - s < limit;
        if (!inside) {
            *why = QString("byte %1 changed outside a date text").arg(i);
            return false;
        }
    }
    return true;
}

// Runs a QtTest object with the user's home, settings, runtime folder and locks in temporary
// folders, never the real ones, and in Japanese as the program runs. The platform is the offscreen
// one unless QT_QPA_PLATFORM names another (xcb on a server with a window manager,
// tools/with-wm.sh).
template <class TestObject> int RunQtTest(int argc, char** argv) {
    QTemporaryDir home, config, runtime;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    QFile::setPermissions(runtime.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    UseJapanese(app);
    TestObject t;
    return QTest::qExec(&t, argc, argv);
}

// Whether the tests run on a real X server with a window manager (frames, focus, placement).
inline bool OnWindowManager() {
    return QGuiApplication::platformName() == "xcb";
}

} // namespace tokimori::test
