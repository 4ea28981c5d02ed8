#include "notices/progress_window.h"

#include "notices/qt_font.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QScreen>
#include <QTimer>
#include <QtMath>

#include "notices/notice_frame.h"

namespace monitor {
namespace {

constexpr int kDots = 8;
constexpr int kBarStep = 5;

}  // namespace

BusyIndicator::BusyIndicator(QWidget* parent) : QWidget(parent), timer_(new QTimer(this)) {
    setObjectName("ActivityIndicator1");
    connect(timer_, &QTimer::timeout, this, [this] {
        step_ = (step_ + 1) % kDots;
        update();
    });
    timer_->start(90);
}

void BusyIndicator::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const QPointF centre = QRectF(rect()).center();
    const qreal radius = std::min(width(), height()) / 2.0 - 4;
    for (int i = 0; i < kDots; ++i) {
        const qreal angle = 2 * M_PI * i / kDots - M_PI / 2;
        // The dot at the current step is the darkest; the others fade behind it.
        const int age = (step_ - i + kDots) % kDots;
        QColor c(9, 65, 177);
        c.setAlpha(255 - age * 28);
        painter.setBrush(c);
        painter.drawEllipse(centre + QPointF(radius * qCos(angle), radius * qSin(angle)), 3.5, 3.5);
    }
}

TFCarregando::TFCarregando(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      Label1(new QLabel("Processando...", this)),
      ActivityIndicator1(new BusyIndicator(this)),
      ProgressBar1(new QProgressBar(this)),
      Timer1(new QTimer(this)) {
    setObjectName("FCarregando");
    setFixedSize(kWidth, kHeight);
    const int inner = kWidth - 2 * kNoticeFrameWidth;

    Label1->setObjectName("Label1");
    Label1->setFont(MakeFont({"Arial", "Liberation Sans", "DejaVu Sans"}, 16, true));
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setWordWrap(true);
    Label1->setGeometry(kNoticeFrameWidth, kNoticeFrameWidth, inner, 70);

    ActivityIndicator1->setGeometry((kWidth - 36) / 2, 76, 36, 36);

    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setGeometry(24, 122, kWidth - 48, 18);

    Timer1->setObjectName("Timer1");
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
    Timer1->start(1);

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect desktop = screen->geometry();
        move(desktop.x() + (desktop.width() - kWidth) / 2,
             desktop.y() + (desktop.height() - kHeight) / 2);
    }
}

void TFCarregando::Timer1Timer() {
    const int next = ProgressBar1->value() + kBarStep;
    ProgressBar1->setValue(next >= 100 ? 1 : next);
}

void TFCarregando::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        hide();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TFCarregando::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintNoticeFrame(painter, rect());
}

}  // namespace monitor
