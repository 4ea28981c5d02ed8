#pragma once

#include "scanntech/scanntech_module.h"

namespace monitor::upload {

/** The daily closing step for one register movement. Daily closings are not uploaded: the step
 *  only makes sure the Scanntech data module exists. */
void ProcessaMovimento(scanntech::ScanntechModule& module, int codmovimento);

}  // namespace monitor::upload
