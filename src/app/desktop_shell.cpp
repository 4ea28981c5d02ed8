#include "app/desktop_shell.h"

#include <QApplication>
#include <QTimer>
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
    cycle.SetStopRequested([&ending] { return ending; });
    window.Terminate = [&ending](int status) {
        ending = true;
        QCoreApplication::exit(status);
    };
    window.OnTick([&cycle] { cycle.tmImportaPromocaoTimer(); });

    // The event loop shows the window as it starts, so that a failed first connection can
    // end it.
    QTimer::singleShot(0, &window, [&window] { window.show(); });
    return QApplication::exec();
}

}  // namespace monitor
