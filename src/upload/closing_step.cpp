#include "upload/closing_step.h"

namespace monitor::upload {

void ProcessaMovimento(scanntech::ScanntechModule& module, int /*codmovimento*/) {
    // Daily closings are not uploaded; the key is not even looked up.
    module.CriaDMScanntech();
}

}  // namespace monitor::upload
