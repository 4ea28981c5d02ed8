// Renders the windows on a real X server (Xvfb) into PNG files in the build folder, for a person
// to look at, and checks the few pixels that tell the pictures came out.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QThread>
#include <cstdlib>
#include <string>

#include "app/main_window.h"
#include "notices/alert_window.h"
#include "notices/progress_window.h"
#include "support/fake_clock.h"
#include "support/recording_notices.h"
#include "support/temp_dir.h"
#include "support/test_database.h"

namespace monitor {
namespace {

class NoErrors final : public UnhandledErrors {
  public:
    void ShowUnhandled(const std::string& message) override { ADD_FAILURE() << message; }
};

QString OutputDir() {
    const char* dir = std::getenv("MONITOR_SCREENSHOT_DIR");
    const QString path = dir != nullptr ? QString(dir) : QDir::currentPath() + "/screenshots";
    QDir().mkpath(path);
    return path;
}

QImage Save(QWidget& widget, const char* name) {
    widget.show();
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
        QThread::msleep(5);
    }
    const QPixmap picture = widget.grab();
    const QString file = OutputDir() + "/" + name + ".png";
    EXPECT_TRUE(picture.save(file)) << file.toStdString();
    return picture.toImage();
}

bool Near(QColor a, QColor b, int tolerance = 24) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

TEST(Screenshots, MainWindow) {
    testing::TestDatabase database(true);
    testing::TempDir dir;
    database.WriteSettingsFile(dir.Path());
    testing::FakeClock clock;
    testing::RecordingNotices notices;
    ErrorLog log(dir.Path(), "scanntech-monitor", clock, notices);
    StoreDatabase store(dir.Path(), log, notices);
    NoErrors errors;
    TFPrincipal window(store, errors);
    window.Terminate = [](int status) { ADD_FAILURE() << "terminated with " << status; };

    const QImage image = Save(window, "main_window");
    ASSERT_EQ(image.size(), QSize(429, 340));
    EXPECT_TRUE(Near(image.pixelColor(2, 2), QColor(9, 65, 177), 40)) << "the banner's blue";
    EXPECT_EQ(image.pixelColor(5, 330), QColor(Qt::white));
    EXPECT_EQ(window.edtRazaoSocial->text(), "Mercado Bom Preço Ltda");
}

TEST(Screenshots, AlertAndProgressWindows) {
    for (const auto& [name, text] :
         {std::pair{"alert_short",
                    QString("Não foi possível estabelecer conexão com o Banco de dados!")},
          std::pair{"alert_long",
                    QString("Erro ao enviar a venda 1002: o servidor não respondeu dentro do "
                            "tempo limite de 5000 ms. ")
                        .repeated(6)}}) {
        SCOPED_TRACE(name);
        TFAlerta alerta;
        AjustaAlerta(alerta, text);
        alerta.Prepara(text, TTipoAlerta::TAPressioneESC, {}, {});
        const QImage image = Save(alerta, name);
        const int h = image.height();
        EXPECT_TRUE(Near(image.pixelColor(1, 1), QColor(9, 65, 177))) << "dark blue at the top";
        EXPECT_TRUE(Near(image.pixelColor(1, h - 2), QColor(191, 209, 244))) << "light blue below";
        EXPECT_EQ(image.pixelColor(5, h / 2), QColor(Qt::white)) << "the white panel";
        alerta.done(0);
    }
    TFCarregando progress;
    progress.Label1->setText("Conectando ao banco de dados...");
    const QImage image = Save(progress, "progress");
    EXPECT_EQ(image.size(), QSize(512, 159));
    EXPECT_TRUE(Near(image.pixelColor(1, 1), QColor(9, 65, 177)));
}

}  // namespace
}  // namespace monitor
