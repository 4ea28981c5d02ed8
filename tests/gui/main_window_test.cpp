#include "app/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QSystemTrayIcon>
#include <QThread>
#include <QToolButton>
#include <optional>
#include <string>
#include <vector>

#include "app/message_box_errors.h"
#include "modal.h"
#include "support/fake_clock.h"
#include "support/recording_notices.h"
#include "support/temp_dir.h"
#include "support/test_database.h"

namespace monitor {
namespace {

using testing::ModalScript;

class RecordingErrors final : public UnhandledErrors {
  public:
    void ShowUnhandled(const std::string& message) override { messages.push_back(message); }
    std::vector<std::string> messages;
};

void Settle() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

/** The main window on a clone of the sample store; ending the program is recorded. */
class MainWindow : public ::testing::Test {
  protected:
    MainWindow() {
        database.WriteSettingsFile(dir.Path());
        window.Terminate = [this](int status) { terminated.push_back(status); };
    }
    ~MainWindow() override { window.hide(); }

    testing::TestDatabase database{true};
    testing::TempDir dir;
    testing::FakeClock clock;
    testing::RecordingNotices notices;
    ErrorLog log{dir.Path(), "scanntech-monitor", clock, notices};
    StoreDatabase store{dir.Path(), log, notices};
    RecordingErrors errors;
    TFPrincipal window{store, errors};
    std::vector<int> terminated;
};

TEST_F(MainWindow, ShowsTheStoreHeaderTheIntervalAndStartsTheTimer) {
    EXPECT_FALSE(window.tmImportaPromocao().Enabled()) << "off until the window is shown";
    window.show();
    Settle();

    EXPECT_EQ(window.windowTitle(), "Monitor de Promoções Scanntech Versão: 17");
    EXPECT_EQ(window.size(), QSize(429, 340));
    EXPECT_EQ(window.minimumSize(), window.maximumSize()) << "not resizable";
    EXPECT_FALSE(window.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(window.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(window.palette().color(QPalette::Window), QColor(Qt::white));
    EXPECT_FALSE(window.Image1->pixmap().isNull());
    EXPECT_EQ(window.Image1->geometry(), QRect(0, 0, 429, 146));

    EXPECT_EQ(window.lbRazaosocial->text(), "Razão social");
    EXPECT_EQ(window.edtRazaoSocial->text(), "Mercado Bom Preço Ltda");
    EXPECT_EQ(window.lbcnpj->text(), "CNPJ");
    EXPECT_EQ(window.edtCnpj->text(), "12.345.678/0001-90");
    EXPECT_EQ(window.lbStatus->text(), "Consulta de Promoções");
    EXPECT_EQ(window.lbIntervalo->text(), "Será feita a consulta de promoções a cada 2 minutos.");
    // Top to bottom in this order.
    const std::vector<QWidget*> order{window.Image1, window.lbRazaosocial, window.edtRazaoSocial,
                                      window.lbcnpj, window.edtCnpj,       window.pnlRodape};
    for (std::size_t i = 1; i < order.size(); ++i) {
        EXPECT_GE(order[i]->geometry().top(), order[i - 1]->geometry().bottom()) << i;
    }
    EXPECT_EQ(window.pnlRodape->geometry(), QRect(0, 227, 429, 113));
    EXPECT_TRUE(window.btnImportar->isVisible());
    EXPECT_FALSE(window.btnImportar->isEnabled());
    EXPECT_EQ(window.btnImportar->iconSize(), QSize(50, 50));

    EXPECT_TRUE(window.tmImportaPromocao().Enabled());
    EXPECT_EQ(window.tmImportaPromocao().Timer().interval(), 60000);
    EXPECT_EQ(window.RxTrayIcon1->toolTip(), "Monitor de Promoções Scanntech");
    EXPECT_FALSE(window.RxTrayIcon1->icon().isNull());
    ASSERT_EQ(window.RxTrayIcon1->contextMenu(), window.PMRxAplication);
    const QList<QAction*> items = window.PMRxAplication->actions();
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0]->text(), "Abrir");
    EXPECT_EQ(items[1]->text(), "Sair");
    EXPECT_TRUE(terminated.empty());
    EXPECT_TRUE(notices.alerts.empty());
}

TEST_F(MainWindow, ShowingAgainReconnectsAndReloadsWithoutRestartingTheCountdown) {
    window.TrayAvailable = [] { return true; };
    window.show();
    Settle();
    const int firstSession = store.DM1()->ZConnection1.BackendPid();
    QThread::msleep(300);

    database.Exec(
        "update emitente set razaosocial = 'Mercado Novo'; "
        "update config_scanntech set minutosentreconsultapromocao = null");
    window.setWindowState(Qt::WindowMinimized);
    Settle();
    EXPECT_FALSE(window.isVisible()) << "minimised to the tray";
    EXPECT_TRUE(window.tmImportaPromocao().Enabled()) << "monitoring goes on while hidden";

    window.PMSAbrir->trigger();
    Settle();
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.isMinimized());
    EXPECT_EQ(window.edtRazaoSocial->text(), "Mercado Novo");
    EXPECT_EQ(window.lbIntervalo->text(), "Será feita a consulta de promoções a cada  minutos.");
    EXPECT_NE(store.DM1()->ZConnection1.BackendPid(), firstSession) << "reconnected";
    EXPECT_TRUE(window.tmImportaPromocao().Enabled());
    EXPECT_LE(window.tmImportaPromocao().Timer().remainingTime(), 59750)
        << "the running countdown was not restarted";

    // The tray icon's double-click does the same.
    window.setWindowState(Qt::WindowMinimized);
    Settle();
    EXPECT_FALSE(window.isVisible());
    emit window.RxTrayIcon1->activated(QSystemTrayIcon::DoubleClick);
    Settle();
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(terminated.empty());
}

TEST_F(MainWindow, WithoutANotificationAreaMinimisingLeavesTheWindowOnTheTaskBar) {
    window.TrayAvailable = [] { return false; };
    window.show();
    Settle();
    window.setWindowState(Qt::WindowMinimized);
    Settle();
    EXPECT_TRUE(window.isVisible()) << "not hidden: nothing could bring it back";
    EXPECT_TRUE(window.isMinimized());
    EXPECT_TRUE(window.tmImportaPromocao().Enabled());
}

TEST_F(MainWindow, TheCloseButtonAndSairEndTheProgram) {
    struct Case {
        const char* name;
        bool hiddenInTray;
        bool viaMenu;
    } cases[] = {
        {"close button", false, false}, {"Sair", false, true}, {"Sair from the tray", true, true}};
    window.TrayAvailable = [] { return true; };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        terminated.clear();
        window.show();
        Settle();
        if (c.hiddenInTray) {
            window.setWindowState(Qt::WindowMinimized);
            Settle();
            ASSERT_FALSE(window.isVisible());
        }
        if (c.viaMenu) {
            window.Sair1->trigger();
        } else {
            window.close();
        }
        Settle();
        EXPECT_EQ(terminated, std::vector<int>{0});
        EXPECT_FALSE(window.isVisible()) << "closed, not minimised to the tray";
    }
}

TEST_F(MainWindow, AFailedFirstConnectionEndsTheProgramWithoutAnyTick) {
    testing::WriteFile(dir / "arquivo.ini", "[dadosbanco]\nporta=1\n");
    window.show();
    Settle();
    EXPECT_EQ(terminated, std::vector<int>{1});
    EXPECT_FALSE(window.tmImportaPromocao().Enabled());
    ASSERT_EQ(notices.alerts.size(), 1u);
    EXPECT_EQ(notices.alerts[0].texto,
              "Não foi possível estabelecer conexão com o Banco de dados!");
}

TEST(DefaultErrorHandler, ShowsOneMessageBoxCaptionedWithTheTitleAtATime) {
    MessageBoxErrors boxes;
    SingleErrorBox errors(boxes);
    int open = 0;
    QString title, text;
    ModalScript script(
        [&] {
            errors.ShowUnhandled("second failure while the first is on screen");
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (auto* box = qobject_cast<QMessageBox*>(w); box != nullptr && box->isVisible()) {
                    ++open;
                    title = box->windowTitle();
                    text = box->text();
                }
            }
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                box->accept();
        },
        [] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                box->accept();
        });
    errors.ShowUnhandled("connection lost");
    EXPECT_EQ(open, 1);
    EXPECT_EQ(title, "Tarvelo Importação de pedidos");
    EXPECT_EQ(text, "connection lost");
    EXPECT_EQ(errors.Dropped(), 1);
}

}  // namespace
}  // namespace monitor
