#pragma once

#include <QMessageBox>
#include <QString>

#include "app/unhandled_errors.h"

namespace monitor {

/** The desktop's default error handler: a message box captioned with the application title. */
class MessageBoxErrors final : public UnhandledErrors {
  public:
    void ShowUnhandled(const std::string& message) override {
        QMessageBox box(QMessageBox::Critical, QString::fromUtf8(kApplicationTitle),
                        QString::fromStdString(message), QMessageBox::Ok);
        box.setObjectName("DefaultErrorBox");
        box.exec();
    }
};

}  // namespace monitor
