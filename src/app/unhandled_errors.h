#pragma once

#include <string>

namespace monitor {

/** The caption of the application's own message boxes. */
inline constexpr const char* kApplicationTitle = "Tarvelo Importação de pedidos";

/** The application's default handler for errors that no routine caught: the desktop shows a
 *  message box captioned with the application title, the headless service writes a line to
 *  standard error. */
class UnhandledErrors {
  public:
    virtual ~UnhandledErrors() = default;
    virtual void ShowUnhandled(const std::string& message) = 0;
};

/** Lets only one report be on screen at a time. A message box is modal, and while it waits the
 *  timer keeps ticking; a database that stays down would otherwise stack up one box per tick.
 *  Reports made while one is open are counted and dropped: the open box already tells why. */
class SingleErrorBox final : public UnhandledErrors {
  public:
    explicit SingleErrorBox(UnhandledErrors& inner) : inner_(inner) {}

    void ShowUnhandled(const std::string& message) override;
    bool Showing() const noexcept { return showing_; }
    int Dropped() const noexcept { return dropped_; }

  private:
    UnhandledErrors& inner_;
    bool showing_ = false;
    int dropped_ = 0;
};

}  // namespace monitor
