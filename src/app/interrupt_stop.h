#pragma once
// Ctrl-C in a headless run does what the window's Stop action does: it asks the running
// script or upload to stop before its next line or block. A second Ctrl-C while the first
// has been seen ends the program at once.

#include <QObject>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace zarvex {

class InterruptStop : public QObject {
    Q_OBJECT
public:
    // Installs SIGINT and SIGTERM handlers; `onStop` runs on the UI thread, inside a pump.
    explicit InterruptStop(std::function<void()> onStop);
    ~InterruptStop() override;

private:
    void drain();
    std::function<void()> onStop_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace zarvex
