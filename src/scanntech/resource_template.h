#pragma once

#include <string>
#include <string_view>

namespace monitor::scanntech {

/** Every occurrence of `placeholder` in `text` replaced by `value`, matching ASCII letters
 *  without regard to case. The replaced text is not searched again. */
std::string ReplaceIgnoreCase(std::string_view text, std::string_view placeholder,
                              std::string_view value);

struct ResourceValues {
    std::string idEmpresa;
    std::string idLocal;
    std::string estado;
    std::string idCaja;
};

/** A resource template with "{idEmpresa}", "{idLocal}", "{estado}" and "{idCaja}" filled in
 *  that order, each step working on the result of the one before. */
std::string FillResourceTemplate(std::string_view templ, const ResourceValues& values);

}  // namespace monitor::scanntech
