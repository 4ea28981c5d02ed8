#include "app/main_window.h"

#include "notices/qt_font.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolButton>

#include "app/interval_text.h"
#include "app/svg_picture.h"

namespace monitor {
namespace {

constexpr int kBannerHeight = 146;
constexpr int kFooterHeight = 113;
const QColor kText(35, 35, 35);
const QColor kGrey(128, 128, 128);


QLabel* Label(QWidget* parent, const char* name, const QString& text, const QFont& font,
              const QColor& colour) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setFont(font);
    label->setAlignment(Qt::AlignCenter);
    label->setTextFormat(Qt::PlainText);
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, colour);
    label->setPalette(p);
    return label;
}

}  // namespace

TFPrincipal::TFPrincipal(StoreDatabase& store, UnhandledErrors& errors, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      store_(store),
      errors_(errors),
      timer_(this) {
    setObjectName("FPrincipal");
    setWindowTitle("Monitor de Promoções Scanntech Versão: 17");
    setWindowIcon(MonitorIcon());
    setFixedSize(kClientWidth, kClientHeight);
    setFont(MakeFont({"Tahoma", "DejaVu Sans"}, 8, false));
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    Terminate = [](int status) { QCoreApplication::exit(status); };
    TrayAvailable = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };

    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Image1->setGeometry(0, 0, kClientWidth, kBannerHeight);
    Image1->setAlignment(Qt::AlignCenter);
    Image1->setPixmap(SvgPixmap(":/monitor/banner.svg", QSize(kClientWidth, kBannerHeight)));

    const QFont header = MakeFont({"Roboto Bk", "Roboto", "DejaVu Sans"}, 10, false);
    lbRazaosocial = Label(this, "lbRazaosocial", "Razão social", header, kText);
    edtRazaoSocial = Label(this, "edtRazaoSocial", QString(), header, kGrey);
    lbcnpj = Label(this, "lbcnpj", "CNPJ", header, kText);
    edtCnpj = Label(this, "edtCnpj", QString(), header, kGrey);
    lbRazaosocial->setGeometry(0, 150, kClientWidth, 18);
    edtRazaoSocial->setGeometry(0, 168, kClientWidth, 18);
    lbcnpj->setGeometry(0, 189, kClientWidth, 18);
    edtCnpj->setGeometry(0, 207, kClientWidth, 18);

    pnlRodape = new QWidget(this);
    pnlRodape->setObjectName("pnlRodape");
    pnlRodape->setGeometry(0, kClientHeight - kFooterHeight, kClientWidth, kFooterHeight);
    lbStatus = Label(pnlRodape, "lbStatus", "Consulta de Promoções",
                     MakeFont({"Tahoma", "DejaVu Sans"}, 12, true), kText);
    lbStatus->setGeometry(0, 5, kClientWidth, 22);
    btnImportar = new QToolButton(pnlRodape);
    btnImportar->setObjectName("btnImportar");
    btnImportar->setAutoRaise(true);
    btnImportar->setIconSize(QSize(50, 50));
    btnImportar->setIcon(QIcon(SvgPixmap(":/monitor/import.svg", QSize(50, 50))));
    btnImportar->setGeometry((kClientWidth - 58) / 2, 29, 58, 54);
    btnImportar->setEnabled(false);
    lbIntervalo =
        Label(pnlRodape, "lbIntervalo", QString(), MakeFont({"Tahoma", "DejaVu Sans"}, 8, true), kText);
    lbIntervalo->setWordWrap(true);
    lbIntervalo->setGeometry(4, 85, kClientWidth - 8, 26);

    PMRxAplication = new QMenu(this);
    PMRxAplication->setObjectName("PMRxAplication");
    PMSAbrir = PMRxAplication->addAction("Abrir");
    PMSAbrir->setObjectName("PMSAbrir");
    Sair1 = PMRxAplication->addAction("Sair");
    Sair1->setObjectName("Sair1");
    connect(PMSAbrir, &QAction::triggered, this, [this] { Guarded([this] { PMSAbrirClick(); }); });
    connect(Sair1, &QAction::triggered, this, [this] { Guarded([this] { Sair1Click(); }); });

    RxTrayIcon1 = new QSystemTrayIcon(MonitorIcon(), this);
    RxTrayIcon1->setObjectName("RxTrayIcon1");
    RxTrayIcon1->setToolTip("Monitor de Promoções Scanntech");
    RxTrayIcon1->setContextMenu(PMRxAplication);
    connect(RxTrayIcon1, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason r) {
                if (r == QSystemTrayIcon::DoubleClick) Guarded([this] { RxTrayIcon1DblClick(); });
            });
    if (QSystemTrayIcon::isSystemTrayAvailable()) RxTrayIcon1->show();
}

TFPrincipal::~TFPrincipal() = default;

void TFPrincipal::OnTick(std::function<void()> tick) {
    connect(&timer_.Timer(), &QTimer::timeout, this,
            [this, tick = std::move(tick)] { Guarded(tick); });
}

void TFPrincipal::Guarded(const std::function<void()>& handler) noexcept {
    try {
        handler();
    } catch (const std::exception& e) {
        try {
            errors_.ShowUnhandled(e.what());
        } catch (...) {
            // The default handler itself failed; nothing is left to show it with.
        }
    } catch (...) {
        try {
            errors_.ShowUnhandled("Unknown error");
        } catch (...) {
        }
    }
}

void TFPrincipal::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!placed_) {
        placed_ = true;
        if (const QScreen* s = screen() != nullptr ? screen() : QGuiApplication::primaryScreen()) {
            const QRect desktop = s->availableGeometry();
            move(desktop.center() -
                 QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
        }
    }
    // Spontaneous show events come from the window system (restoring, mapping); the window
    // "becomes visible" when the program shows it.
    if (!event->spontaneous()) Guarded([this] { FormShow(); });
}

void TFPrincipal::FormShow() {
    lbStatus->setText("Consulta de Promoções");
    const bool connected = store_.ConectarBanco();
    if (connected) {
        edtRazaoSocial->setText(QString::fromStdString(store_.RazaoSocial()));
        edtCnpj->setText(QString::fromStdString(store_.Cnpj()));
    } else {
        Terminate(1);
    }
    if (TDM1* dm = store_.DM1()) {
        lbIntervalo->setText(QString::fromStdString(TextoIntervalo(dm->QConfigScannTech)));
    }
    timer_.SetInterval(std::chrono::milliseconds(60000));
    btnImportar->setEnabled(false);
    // A program that is ending makes no tick.
    if (connected) timer_.SetEnabled(true);
}

void TFPrincipal::closeEvent(QCloseEvent* event) {
    Guarded([this] { FormClose(); });
    event->accept();
}

void TFPrincipal::FormClose() {
    Terminate(0);
}

void TFPrincipal::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized()) {
        Guarded([this] { ApplicationEvents1Minimize(); });
    }
}

void TFPrincipal::ApplicationEvents1Minimize() {
    // Without a notification area nothing could bring a hidden window back: it stays
    // minimised on the task bar instead.
    if (!TrayAvailable()) return;
    QTimer::singleShot(0, this, [this] {
        if (isMinimized()) hide();
    });
}

void TFPrincipal::ShowAgain() {
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

void TFPrincipal::PMSAbrirClick() {
    ShowAgain();
}

void TFPrincipal::RxTrayIcon1DblClick() {
    ShowAgain();
}

void TFPrincipal::Sair1Click() {
    close();
}

}  // namespace monitor
