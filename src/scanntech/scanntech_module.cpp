#include "scanntech/scanntech_module.h"

namespace monitor::scanntech {

void ScanntechModule::CriaDMScanntech() noexcept {
    try {
        if (!dm_) dm_ = std::make_unique<TDMScanntech>(connection_, clock_);
    } catch (const std::exception& e) {
        Remember(e.what());
        return;
    } catch (...) {
        Remember("unknown error");
        return;
    }
    try {
        dm_->RecarregaConfiguracao();
    } catch (...) {
        // The preparation that follows rereads the settings and reports the failure.
    }
}

void ScanntechModule::Remember(const char* failure) noexcept {
    try {
        failure_ = failure;
    } catch (...) {
        failure_.clear();
    }
}

TDMScanntech& ScanntechModule::DM() {
    if (dm_) return *dm_;
    throw ScanntechModuleError(failure_.empty()
                                   ? "the Scanntech data module has not been created"
                                   : "the Scanntech data module could not be created: " + failure_);
}

}  // namespace monitor::scanntech
