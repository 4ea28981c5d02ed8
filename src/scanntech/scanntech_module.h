#pragma once

#include <memory>
#include <stdexcept>
#include <string>

#include "common/clock.h"
#include "data/connection.h"
#include "scanntech/dm_scanntech.h"

namespace monitor::scanntech {

class ScanntechModuleError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

/** Holds the Scanntech data module for the life of the program: created by the first
 *  CriaDMScanntech and kept until the holder goes. Every Scanntech operation takes the
 *  holder, calls CriaDMScanntech and then works on DM(). */
class ScanntechModule {
  public:
    ScanntechModule(db::Connection& DBPostgres, const Clock& clock) noexcept
        : connection_(DBPostgres), clock_(clock) {}

    /** Creates the data module when it does not exist yet, then rereads the settings
     *  (RecarregaConfiguracao). Every failure is swallowed: when creating failed, DM() says so. */
    void CriaDMScanntech() noexcept;

    bool Exists() const noexcept { return dm_ != nullptr; }
    /** The local clock the Scanntech operations take their time stamps from. */
    const Clock& LocalClock() const noexcept { return clock_; }
    /** The data module; throws ScanntechModuleError when it has not been created. */
    TDMScanntech& DM();

  private:
    void Remember(const char* failure) noexcept;

    db::Connection& connection_;
    const Clock& clock_;
    std::unique_ptr<TDMScanntech> dm_;
    std::string failure_;
};

}  // namespace monitor::scanntech
