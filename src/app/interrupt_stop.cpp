#include "app/interrupt_stop.h"

#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace zarvex {

namespace {

int g_pipe[2] = {-1, -1};
volatile std::sig_atomic_t g_pending = 0;

// Only async-signal-safe calls here: a byte into the pipe wakes the event loop.
void onSignal(int) {
    if (g_pending) {
        static const char kMessage[] = "\nInterrupted twice: ending now.\n";
        (void)!::write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
        ::_exit(0);
    }
    g_pending = 1;
    const char byte = 1;
    (void)!::write(g_pipe[1], &byte, 1);
}

} // namespace

InterruptStop::InterruptStop(std::function<void()> onStop) : onStop_(std::move(onStop)) {
    if (g_pipe[0] < 0 && ::pipe(g_pipe) != 0) {
        std::perror("zarvex: interrupt pipe");
        return;
    }
    notifier_ = std::make_unique<QSocketNotifier>(g_pipe[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &InterruptStop::drain);
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

InterruptStop::~InterruptStop() {
    ::signal(SIGINT, SIG_DFL);
    ::signal(SIGTERM, SIG_DFL);
}

void InterruptStop::drain() {
    char buffer[16];
    (void)!::read(g_pipe[0], buffer, sizeof buffer);
    std::fputs("zarvex: stop requested; the script stops before its next line (Ctrl-C again ends now)\n",
               stderr);
    if (onStop_)
        onStop_();
}

} // namespace zarvex
