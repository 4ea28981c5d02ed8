#include "promotions/reenvio_document.h"

namespace monitor::promotions {

using namespace json;

MemberTable TReenvio::Members() const noexcept {
    static constexpr MemberDef kMembers[] = {
        IntegerMember("codigoCaja", &TReenvio::CodigoCaja),
        DateTimeMember("fecha", &TReenvio::Fecha),
        TextMember("tipo", &TReenvio::Tipo),
    };
    return kMembers;
}

MemberTable TListaReenvio::Members() const noexcept {
    static constexpr MemberDef kMembers[] = {
        ListMember<&TListaReenvio::FItemsArray, &TListaReenvio::FItems>("Items", "FItems"),
    };
    return kMembers;
}

}  // namespace monitor::promotions
