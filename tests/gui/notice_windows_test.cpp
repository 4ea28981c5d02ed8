#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <string>

#include "modal.h"
#include "notices/qt_notices.h"

namespace monitor {
namespace {

using testing::ModalScript;

void Key(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(target, &press);
}

/** The widget a key press goes to: the focused button, or the window itself. */
QWidget* KeyTarget(TFAlerta& alerta) {
    return alerta.focusWidget() != nullptr ? alerta.focusWidget() : &alerta;
}

void CloseAnyAlert(QtNotices& notices) {
    if (notices.Alerta() != nullptr) notices.Alerta()->done(0);
}

TEST(Alert, EachKindShowsItsButtonsOrBottomLineAndEscAnswersNo) {
    struct Case {
        TTipoAlerta tipo;
        bool buttons;
        QString confirm, cancel;
        const char* focus;  // objectName of the focused button; "" for none
    } cases[] = {
        {TTipoAlerta::TAConfirmaCancela, true, "Confirmar", "Cancelar", "BtnConfirmar"},
        {TTipoAlerta::TASimNao, true, "Sim", "Não", "BtnConfirmar"},
        {TTipoAlerta::TAPressioneESC, false, "", "", ""},
        {TTipoAlerta::TANaoSim, true, "Sim", "Não", "BtnCancelar"},
        {TTipoAlerta::TAPersonalizado, true, "Gravar", "Descartar", "BtnConfirmar"},
    };
    QtNotices notices;
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.tipo));
        bool seen = false;
        ModalScript script(
            [&] {
                TFAlerta& a = *notices.Alerta();
                seen = true;
                EXPECT_TRUE(a.isVisible());
                EXPECT_TRUE(a.isModal());
                EXPECT_TRUE(a.windowFlags() & Qt::FramelessWindowHint);
                EXPECT_EQ(a.texto->text(), "Deseja continuar?");
                EXPECT_EQ(a.GridPanel1->isVisible(), c.buttons);
                EXPECT_EQ(a.BtnConfirmar->isVisible(), c.buttons);
                EXPECT_EQ(a.BtnCancelar->isVisible(), c.buttons);
                EXPECT_EQ(a.Label2->isVisible(), !c.buttons);
                EXPECT_EQ(a.Label2->text(), "Pressione ESC Para Continuar.");
                if (c.buttons) {
                    EXPECT_EQ(a.BtnConfirmar->text(), c.confirm);
                    EXPECT_EQ(a.BtnCancelar->text(), c.cancel);
                    EXPECT_EQ(a.BtnConfirmar->size(), QSize(75, 28));
                    EXPECT_LT(a.BtnConfirmar->mapTo(&a, QPoint(0, 0)).x(),
                              a.BtnCancelar->mapTo(&a, QPoint(0, 0)).x());
                }
                const QWidget* f = a.focusWidget();
                EXPECT_EQ(f == a.BtnConfirmar || f == a.BtnCancelar ? f->objectName() : QString(),
                          c.focus);
                Key(KeyTarget(a), Qt::Key_Escape);  // the window sees it before the button
            },
            [&] { CloseAnyAlert(notices); });
        EXPECT_FALSE(notices.ExibeAlerta("Deseja continuar?", c.tipo, "Gravar", "Descartar"));
        EXPECT_TRUE(seen);
        EXPECT_EQ(notices.Alerta(), nullptr) << "freed when closed";
    }
}

TEST(Alert, TheButtonsAnswerYesAndNo) {
    QtNotices notices;
    for (const bool confirm : {true, false}) {
        SCOPED_TRACE(confirm);
        ModalScript script(
            [&] {
                TFAlerta& a = *notices.Alerta();
                (confirm ? a.BtnConfirmar : a.BtnCancelar)->click();
            },
            [&] { CloseAnyAlert(notices); });
        EXPECT_EQ(notices.ExibeAlerta("Excluir?", TTipoAlerta::TASimNao), confirm);
    }
}

TEST(Alert, PressioneEscClosesOnlyWithEscAndCtrlCCopiesExactlyTheMessage) {
    QtNotices notices;
    const std::string message = "  Falha na conexão:\n\ttimeout  ";
    bool checked = false;
    ModalScript script(
        [&] {
            TFAlerta& a = *notices.Alerta();
            Key(&a, Qt::Key_F4, Qt::AltModifier);
            a.close();  // what the window manager does on Alt+F4
            EXPECT_TRUE(a.isVisible());
            QGuiApplication::clipboard()->setText("before");
            Key(&a, Qt::Key_C, Qt::ControlModifier);
            EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), message);
            EXPECT_TRUE(a.isVisible());
            EXPECT_EQ(a.findChildren<QPushButton*>().size(), 2);
            EXPECT_FALSE(a.BtnConfirmar->isVisible());
            checked = true;
            Key(&a, Qt::Key_Escape);
        },
        [&] { CloseAnyAlert(notices); });
    EXPECT_FALSE(notices.ExibeAlerta(message, TTipoAlerta::TAPressioneESC));
    EXPECT_TRUE(checked);
}

TEST(Alert, IsSizedForItsTextAndCentredOnTheScreen) {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QString longText =
        QString("Não foi possível enviar a venda 1002 ao Scanntech: ").repeated(12);
    for (const QString& text : {QString("Falha"), longText}) {
        SCOPED_TRACE(text.size());
        TFAlerta alerta;
        AjustaAlerta(alerta, text);
        const QSize size = alerta.size();
        if (text.size() < 10) {
            EXPECT_EQ(size, QSize(406, 136));
        } else {
            const QRect measured =
                QFontMetrics(alerta.texto->font())
                    .boundingRect(QRect(0, 0, screen.width() / 2, 100000),
                                  Qt::TextWordWrap | Qt::TextExpandTabs, text.trimmed());
            EXPECT_EQ(size, QSize(measured.width() + 16, measured.height() + 50));
            EXPECT_GT(size.width(), 406);
            EXPECT_LE(size.width(), screen.width() / 2 + 16) << "wrapped at half the screen";
            EXPECT_GT(size.height(), 136);
        }
        EXPECT_EQ(alerta.pos(), QPoint(screen.width() / 2 - size.width() / 2,
                                       screen.height() / 2 - size.height() / 2));
    }
}

TEST(Alert, AnAlertAskedForWhileOneIsOpenWaitsForItToClose) {
    QtNotices notices;
    std::vector<QString> shown;
    int mostOpen = 0;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        int open = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            open += w->isVisible() && dynamic_cast<TFAlerta*>(w) != nullptr;
        mostOpen = std::max(mostOpen, open);
        if (TFAlerta* a = notices.Alerta()) {
            if (shown.empty() || shown.back() != a->Mensagem()) {
                shown.push_back(a->Mensagem());
                // While the first waits, a timer tick asks for another one.
                if (shown.size() == 1) {
                    EXPECT_FALSE(notices.ExibeAlerta("segundo", TTipoAlerta::TAPressioneESC));
                }
                Key(a, Qt::Key_Escape);
            }
        }
    });
    watcher.start(10);
    ModalScript rescue([] {}, [&] { CloseAnyAlert(notices); });
    notices.ExibeAlerta("primeiro", TTipoAlerta::TAPressioneESC);
    EXPECT_EQ(shown, (std::vector<QString>{"primeiro", "segundo"}));
    EXPECT_EQ(mostOpen, 1);
}

TEST(Progress, ShowsItsMessageKeepsTheBarMovingAndGoesAwayWhenClosed) {
    QtNotices notices;
    notices.MensagemCarregando("ignored");  // no window: nothing happens
    EXPECT_EQ(notices.Carregando(), nullptr);

    notices.ExibeCarregando(false);
    TFCarregando* window = notices.Carregando();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->size(), QSize(512, 159));
    EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(window->Label1->text(), "Processando...");
    notices.MensagemCarregando("Conectando ao banco de dados...");
    notices.MensagemCarregando("");
    EXPECT_EQ(window->Label1->text(), "Conectando ao banco de dados...");

    const int bar = window->ProgressBar1->value();
    const int spin = window->ActivityIndicator1->Step();
    for (int i = 0; i < 30; ++i) {
        QThread::msleep(10);
        QApplication::processEvents();
    }
    EXPECT_NE(window->ProgressBar1->value(), bar);
    EXPECT_NE(window->ActivityIndicator1->Step(), spin);
    EXPECT_GE(window->ProgressBar1->value(), 1);
    EXPECT_LT(window->ProgressBar1->value(), 100);

    Key(window, Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(notices.Carregando(), window) << "hidden, not gone";
    notices.ExibeCarregando(true);
    EXPECT_EQ(notices.Carregando(), nullptr);
    notices.ExibeCarregando(true);
}

}  // namespace
}  // namespace monitor
