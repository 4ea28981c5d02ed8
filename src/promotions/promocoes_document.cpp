#include "promotions/promocoes_document.h"

namespace monitor::promotions {

using namespace json;

MemberTable TArticulos::Members() const noexcept {
    static constexpr MemberDef kMembers[] = {
        TextMember("codigoBarras", &TArticulos::CodigoBarras),
        TextMember("nombre", &TArticulos::Nombre),
    };
    return kMembers;
}

MemberTable TItems::Members() const noexcept {
    static constexpr MemberDef kMembers[] = {
        ListMember<&TItems::FArticulosArray, &TItems::FArticulos>("articulos", "FArticulos"),
        IntegerMember("cantidad", &TItems::Cantidad),
    };
    return kMembers;
}

MemberTable TItemsDocument::Members() const noexcept {
    static constexpr MemberDef kMembers[] = {
        ListMember<&TItemsDocument::FItemsArray, &TItemsDocument::FItems>("items", "FItems"),
    };
    return kMembers;
}

MemberTable TAutor::Members() const noexcept {
    static constexpr MemberDef kMembers[] = {
        TextMember("descripcion", &TAutor::Descripcion),
    };
    return kMembers;
}

TDetallesPromo::TDetallesPromo()
    : Beneficios(std::make_unique<TBeneficios>()),
      Condiciones(std::make_unique<TCondiciones>()) {}

// Released in the order they were made.
TDetallesPromo::~TDetallesPromo() {
    Beneficios.reset();
    Condiciones.reset();
}

MemberTable TDetallesPromo::Members() const noexcept {
    static constexpr MemberDef kMembers[] = {
        ObjectMember<&TDetallesPromo::Beneficios>("beneficios"),
        ObjectMember<&TDetallesPromo::Condiciones>("condiciones"),
        DoubleMember("descuento", &TDetallesPromo::Descuento),
        IntegerMember("paga", &TDetallesPromo::Paga),
        DoubleMember("precio", &TDetallesPromo::Precio),
    };
    return kMembers;
}

TResults::TResults()
    : Autor(std::make_unique<TAutor>()), Detalles(std::make_unique<TDetallesPromo>()) {}

// Released in the order they were made.
TResults::~TResults() {
    Autor.reset();
    Detalles.reset();
}

MemberTable TResults::Members() const noexcept {
    static constexpr MemberDef kMembers[] = {
        ObjectMember<&TResults::Autor>("autor"),
        TextMember("descripcion", &TResults::Descripcion),
        ObjectMember<&TResults::Detalles>("detalles"),
        IntegerMember("id", &TResults::Id),
        IntegerMember("limitePromocionesPorTicket", &TResults::LimitePromocionesPorTicket),
        TextMember("tipo", &TResults::Tipo),
        TextMember("titulo", &TResults::Titulo),
        DateTimeMember("vigenciaDesde", &TResults::VigenciaDesde),
        DateTimeMember("vigenciaHasta", &TResults::VigenciaHasta),
    };
    return kMembers;
}

MemberTable TPromocoes::Members() const noexcept {
    static constexpr MemberDef kMembers[] = {
        ListMember<&TPromocoes::FResultsArray, &TPromocoes::FResults>("results", "FResults"),
        IntegerMember("total", &TPromocoes::Total),
    };
    return kMembers;
}

}  // namespace monitor::promotions
