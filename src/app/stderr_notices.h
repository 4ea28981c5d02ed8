#pragma once

#include <ostream>

#include "app/unhandled_errors.h"
#include "notices/notices.h"

namespace monitor {

/** Notices for the headless service: an alert's text goes to standard error, one line per
 *  alert; there is no progress window to show. Alerts answer "not confirmed". */
class StderrNotices final : public Notices {
  public:
    explicit StderrNotices(std::ostream& out) : out_(out) {}

    bool ExibeAlerta(const std::string& texto, TTipoAlerta, const std::string&,
                     const std::string&) override {
        out_ << texto << std::endl;
        return false;
    }
    void ExibeCarregando(bool) override {}
    void MensagemCarregando(const std::string&) override {}

  private:
    std::ostream& out_;
};

/** The headless default error handler: the message, captioned with the application title, on
 *  standard error. */
class StderrUnhandledErrors final : public UnhandledErrors {
  public:
    explicit StderrUnhandledErrors(std::ostream& out) : out_(out) {}

    void ShowUnhandled(const std::string& message) override {
        out_ << kApplicationTitle << ": " << message << std::endl;
    }

  private:
    std::ostream& out_;
};

}  // namespace monitor
