#include "app/unhandled_errors.h"

namespace monitor {

void SingleErrorBox::ShowUnhandled(const std::string& message) {
    if (showing_) {
        ++dropped_;
        return;
    }
    showing_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{showing_};
    inner_.ShowUnhandled(message);
}

}  // namespace monitor
