#pragma once

#include <QWidget>
#include <functional>

#include "app/qt_monitor_timer.h"
#include "app/unhandled_errors.h"
#include "data/store_database.h"

class QAction;
class QLabel;
class QMenu;
class QSystemTrayIcon;
class QToolButton;

namespace monitor {

/** The main window: the store's company header and the promotion-check interval under a
 *  banner, the tray icon with its menu, and the one-minute monitoring timer. Every showing
 *  reconnects to the database; minimising hides the window behind the tray icon; closing it,
 *  or "Sair" in the tray menu, ends the program. */
class TFPrincipal final : public QWidget {
  public:
    TFPrincipal(StoreDatabase& store, UnhandledErrors& errors, QWidget* parent = nullptr);
    ~TFPrincipal() override;

    static constexpr int kClientWidth = 429;
    static constexpr int kClientHeight = 340;

    QtMonitorTimer& tmImportaPromocao() noexcept { return timer_; }
    /** Connects the timer's tick. */
    void OnTick(std::function<void()> tick);

    /** Ends the program with a status; by default it leaves the application's event loop. */
    std::function<void(int)> Terminate;
    /** Whether the desktop has a notification area; by default Qt is asked, at each minimise. */
    std::function<bool()> TrayAvailable;

    void FormShow();
    void FormClose();
    void ApplicationEvents1Minimize();
    void PMSAbrirClick();
    void RxTrayIcon1DblClick();
    void Sair1Click();

    QLabel* Image1;
    QLabel* lbRazaosocial;
    QLabel* edtRazaoSocial;
    QLabel* lbcnpj;
    QLabel* edtCnpj;
    QWidget* pnlRodape;
    QLabel* lbStatus;
    QToolButton* btnImportar;
    QLabel* lbIntervalo;
    QSystemTrayIcon* RxTrayIcon1;
    QMenu* PMRxAplication;
    QAction* PMSAbrir;
    QAction* Sair1;

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void Guarded(const std::function<void()>& handler) noexcept;
    void ShowAgain();

    StoreDatabase& store_;
    UnhandledErrors& errors_;
    QtMonitorTimer timer_;
    bool placed_ = false;
};

}  // namespace monitor
