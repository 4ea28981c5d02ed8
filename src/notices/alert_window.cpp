#include "notices/alert_window.h"

#include "notices/qt_font.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

#include "notices/notice_frame.h"

namespace monitor {
namespace {

constexpr int kFreeBelowText = 25;
constexpr int kButtonRowHeight = 28;
constexpr int kBottomLineHeight = 17;
const char* const kBottomLine = "Pressione ESC Para Continuar.";


/** Blanks and control characters off both ends, as the measurement wants. */
QString TrimControls(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first].unicode() <= ' ') ++first;
    while (last > first && text[last - 1].unicode() <= ' ') --last;
    return text.mid(first, last - first);
}

}  // namespace

TFAlerta::TFAlerta(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      texto(new QLabel(this)),
      GridPanel1(new QWidget(this)),
      BtnConfirmar(new QPushButton(GridPanel1)),
      BtnCancelar(new QPushButton(GridPanel1)),
      Label2(new QLabel(this)) {
    setObjectName("FAlerta");
    setModal(true);
    texto->setObjectName("texto");
    texto->setFont(MakeFont({"MS Reference Sans Serif", "Verdana", "DejaVu Sans"}, 12, true));
    texto->setAlignment(Qt::AlignCenter);
    texto->setWordWrap(true);
    texto->setTextFormat(Qt::PlainText);

    GridPanel1->setObjectName("GridPanel1");
    auto* grid = new QGridLayout(GridPanel1);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(0);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    BtnConfirmar->setObjectName("BtnConfirmar");
    BtnCancelar->setObjectName("BtnCancelar");
    for (QPushButton* b : {BtnConfirmar, BtnCancelar}) {
        b->setFixedSize(75, kButtonRowHeight);
        b->installEventFilter(this);
    }
    grid->addWidget(BtnConfirmar, 0, 0, Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(BtnCancelar, 0, 1, Qt::AlignLeft | Qt::AlignVCenter);
    connect(BtnConfirmar, &QPushButton::clicked, this, [this] {
        Resposta = true;
        done(QDialog::Accepted);
    });
    connect(BtnCancelar, &QPushButton::clicked, this, [this] {
        Resposta = false;
        done(QDialog::Rejected);
    });

    Label2->setObjectName("Label2");
    Label2->setFont(MakeFont({"MS Sans Serif", "Microsoft Sans Serif", "DejaVu Sans"}, 10, false));
    Label2->setAlignment(Qt::AlignCenter);

    setFixedSize(kBaseWidth, kBaseHeight);
}

void TFAlerta::Prepara(const QString& text, TTipoAlerta tipo, const QString& confirmar,
                       const QString& cancelar) {
    GridPanel1->setVisible(false);
    if (tipo == TTipoAlerta::TAPressioneESC) {
        BtnConfirmar->setVisible(false);
        BtnCancelar->setVisible(false);
        Label2->setVisible(true);
    } else {
        GridPanel1->setVisible(true);
        BtnConfirmar->setVisible(true);
        BtnCancelar->setVisible(true);
        Label2->setVisible(false);
        switch (tipo) {
            case TTipoAlerta::TAConfirmaCancela:
                BtnConfirmar->setText("Confirmar");
                BtnCancelar->setText("Cancelar");
                break;
            case TTipoAlerta::TASimNao:
            case TTipoAlerta::TANaoSim:
                BtnConfirmar->setText("Sim");
                BtnCancelar->setText("Não");
                break;
            default:
                BtnConfirmar->setText(confirmar);
                BtnCancelar->setText(cancelar);
                break;
        }
    }
    mensagem_ = text;
    texto->setText(text);
    TipoAlerta = tipo;
    Arrange();
}

void TFAlerta::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    raise();
    activateWindow();
    Resposta = false;
    if (BtnConfirmar->isVisibleTo(this)) {
        (TipoAlerta == TTipoAlerta::TANaoSim ? BtnCancelar : BtnConfirmar)->setFocus();
    } else {
        setFocus();
    }
    Label2->setText(kBottomLine);
}

bool TFAlerta::eventFilter(QObject* watched, QEvent* event) {
    // The window sees key presses before its buttons do.
    if (event->type() == QEvent::KeyPress && HandleKey(static_cast<QKeyEvent*>(event))) return true;
    return QDialog::eventFilter(watched, event);
}

void TFAlerta::keyPressEvent(QKeyEvent* event) {
    if (!HandleKey(event)) QDialog::keyPressEvent(event);
}

bool TFAlerta::HandleKey(QKeyEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (event->key() == Qt::Key_C && mods == Qt::ControlModifier) {
        QGuiApplication::clipboard()->setText(mensagem_);
        return true;
    }
    if (event->key() == Qt::Key_F4 && mods == Qt::AltModifier) return true;
    if (event->key() == Qt::Key_Escape) {
        Resposta = false;
        done(QDialog::Rejected);
        return true;
    }
    return false;
}

void TFAlerta::closeEvent(QCloseEvent* event) {
    // Only ESC or a button ends the alert; the window manager's close (Alt+F4) does not.
    event->ignore();
}

void TFAlerta::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintNoticeFrame(painter, rect());
}

void TFAlerta::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    Arrange();
}

void TFAlerta::Arrange() {
    const QRect panel = rect().adjusted(kNoticeFrameWidth, kNoticeFrameWidth, -kNoticeFrameWidth,
                                        -kNoticeFrameWidth);
    const bool buttons = GridPanel1->isVisibleTo(this);
    const int textBottom = panel.bottom() - kFreeBelowText - (buttons ? kButtonRowHeight : 0);
    texto->setGeometry(
        QRect(QPoint(panel.left() + 4, panel.top() + 4), QPoint(panel.right() - 4, textBottom)));
    GridPanel1->setGeometry(panel.left(), panel.bottom() - kFreeBelowText - kButtonRowHeight + 8,
                            panel.width(), kButtonRowHeight);
    Label2->setGeometry(panel.left(), panel.bottom() - kBottomLineHeight - 3, panel.width(),
                        kBottomLineHeight);
}

void AjustaAlerta(TFAlerta& alerta, const QString& text) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect desktop = screen != nullptr ? screen->geometry() : QRect(0, 0, 1024, 768);
    const QFontMetrics metrics(alerta.texto->font());
    const QRect measured =
        metrics.boundingRect(QRect(0, 0, desktop.width() / 2, 1 << 20),
                             Qt::TextWordWrap | Qt::TextExpandTabs, TrimControls(text));
    const int width = std::max(measured.width() + 16, TFAlerta::kBaseWidth);
    const int height = std::max(measured.height() + 50, TFAlerta::kBaseHeight);
    alerta.setFixedSize(width, height);
    alerta.move(desktop.x() + desktop.width() / 2 - width / 2,
                desktop.y() + desktop.height() / 2 - height / 2);
}

}  // namespace monitor
