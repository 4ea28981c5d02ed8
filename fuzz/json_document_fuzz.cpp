// Any bytes read into each wire document: no crash, no leak, no hang; what a document then
// writes is pure-ASCII JSON. Any parsed value reads back the same from its indented form.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "json/conversion_error.h"
#include "json/json_value.h"
#include "json/json_writer.h"
#include "promotions/promocoes_document.h"
#include "promotions/reenvio_document.h"
#include "upload/venda_document.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

template <class Document>
void ReadAndWrite(std::string_view text) {
    Document document;
    try {
        document.SetAsJson(text);
    } catch (const monitor::json::EConversionError&) {
        // the document may be partly filled; it must still write and release cleanly
    }
    const std::string written = document.AsJson();
    for (const char c : written) Check(static_cast<unsigned char>(c) < 0x80);
    Check(monitor::json::Parse(written).has_value());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    ReadAndWrite<monitor::promotions::TPromocoes>(text);
    ReadAndWrite<monitor::promotions::TListaReenvio>(text);
    ReadAndWrite<monitor::upload::TVenda>(text);

    if (const auto value = monitor::json::Parse(text)) {
        const auto again = monitor::json::Parse(monitor::json::WriteIndented(*value));
        Check(again.has_value());
        Check(monitor::json::WriteCompact(*again) == monitor::json::WriteCompact(*value));
    }
    return 0;
}
