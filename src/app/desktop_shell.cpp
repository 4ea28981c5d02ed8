#include "app/desktop_shell.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <memory>

#include "app/main_window.h"
#include "app/message_box_errors.h"
#include "app/monitor_cycle.h"
#include "app/store_operations.h"
#include "common/clock.h"
#include "data/store_database.h"
#include "notices/error_log.h"
#include "notices/qt_notices.h"

namespace monitor {
namespace {

// SIGTERM (the session ending) and SIGINT close the window as "Sair" does. The handler only
// raises a flag, which a check under way looks at between its steps, and wakes the event loop
// through a pipe.
volatile std::sig_atomic_t stopSignal = 0;
int stopPipe[2] = {-1, -1};

extern "C" void OnStopSignal(int) {
    stopSignal = 1;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = write(stopPipe[1], &byte, 1);
}

void CloseOnStopSignals(TFPrincipal& window) {
    if (pipe2(stopPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    auto* notifier = new QSocketNotifier(stopPipe[0], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
        char buffer[16];
        while (read(stopPipe[0], buffer, sizeof buffer) > 0) {
        }
        window.Sair1Click();
    });
    struct sigaction action {};
    action.sa_handler = &OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

}  // namespace

int RunDesktop(int argc, char** argv, const ProgramOptions& options) {
    QApplication application(argc, argv);
    application.setApplicationName("scanntech-monitor");
    // The window hides behind the tray icon; only "Sair" or closing the window ends the program.
    application.setQuitOnLastWindowClosed(false);

    SystemClock clock;
    QtNotices notices;
    MessageBoxErrors messageBoxes;
    SingleErrorBox errors(messageBoxes);
    ErrorLog log(options.dir, "scanntech-monitor", clock, notices);
    StoreDatabase store(options.dir, log, notices);
    store.CriaDM();
    if (store.DM1() == nullptr) return 1;

    const std::unique_ptr<MonitorOperations> operations =
        CreateStoreOperations({store, clock, log, notices});
    TFPrincipal window(store, errors);
    MonitorCycle cycle(*store.DM1(), *operations, window.tmImportaPromocao(), clock, log, notices,
                       errors);
    bool ending = false;
    // A check that is under way when the program ends stops at its next step.
    cycle.SetStopRequested([&ending] { return ending || stopSignal != 0; });
    window.Terminate = [&ending](int status) {
        ending = true;
        QCoreApplication::exit(status);
    };
    window.OnTick([&cycle] { cycle.tmImportaPromocaoTimer(); });
    CloseOnStopSignals(window);

    // The event loop shows the window as it starts, so that a failed first connection can
    // end it.
    QTimer::singleShot(0, &window, [&window] { window.show(); });
    return QApplication::exec();
}

}  // namespace monitor
