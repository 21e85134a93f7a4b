#pragma once
// One copy of the program per user: a lock file in the user's runtime folder, and beside it a
// local socket on which the running copy listens, so that a second start can bring the running
// copy's window to the front before it gives way.

#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>

class QLocalServer;
class QLockFile;
class QWidget;

namespace tokimori {

class SingleCopy : public QObject {
    Q_OBJECT
  public:
    // window: what comes to the front when a later copy asks.
    explicit SingleCopy(QWidget* window);
    ~SingleCopy() override;

    // Takes the lock (a lock left by a copy that crashed is taken over) and listens for later
    // copies; false when another copy runs.
    bool acquire();
    bool held() const { return held_; }
    // Asks the running copy to bring its window to the front.
    void bringRunningCopyForward() const;

  private:
    void comeForward();

    QString lockPath_;
    QString socketPath_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer* server_ = nullptr;
    QPointer<QWidget> window_;
    bool held_ = false;
};

} // namespace tokimori
