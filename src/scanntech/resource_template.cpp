#include "scanntech/resource_template.h"

#include <cctype>

namespace monitor::scanntech {
namespace {

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string ReplaceIgnoreCase(std::string_view text, std::string_view placeholder,
                              std::string_view value) {
    if (placeholder.empty()) return std::string(text);
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        if (i + placeholder.size() <= text.size() &&
            SameIgnoringCase(text.substr(i, placeholder.size()), placeholder)) {
            out += value;
            i += placeholder.size();
        } else {
            out += text[i++];
        }
    }
    return out;
}

std::string FillResourceTemplate(std::string_view templ, const ResourceValues& values) {
    std::string out = ReplaceIgnoreCase(templ, "{idEmpresa}", values.idEmpresa);
    out = ReplaceIgnoreCase(out, "{idLocal}", values.idLocal);
    out = ReplaceIgnoreCase(out, "{estado}", values.estado);
    return ReplaceIgnoreCase(out, "{idCaja}", values.idCaja);
}

}  // namespace monitor::scanntech
