#include "upload/venda_document.h"

namespace monitor::upload {

using namespace json;

MemberTable TPagos::Members() const noexcept {
    static constexpr MemberDef kMembers[] = {
        IntegerMember("codigoTipoPago", &TPagos::CodigoTipoPago),
        TextMember("codigoMoneda", &TPagos::CodigoMoneda),
        DoubleMember("importe", &TPagos::Importe),
        DoubleMember("cotizacion", &TPagos::Cotizacion),
        TextMember("documentoCliente", &TPagos::DocumentoCliente),
        TextMember("bin", &TPagos::Bin),
        TextMember("ultimosDigitosTarjeta", &TPagos::UltimosDigitosTarjeta),
        TextMember("numeroAutorizacion", &TPagos::NumeroAutorizacion),
        TextMember("codigoTarjeta", &TPagos::CodigoTarjeta),
    };
    return kMembers;
}

MemberTable TProduto::Members() const noexcept {
    static constexpr MemberDef kMembers[] = {
        TextMember("codigoArticulo", &TProduto::CodigoArticulo),
        TextMember("codigoBarras", &TProduto::CodigoBarras),
        TextMember("descripcionArticulo", &TProduto::DescripcionArticulo),
        DoubleMember("cantidad", &TProduto::Cantidad),
        DoubleMember("importeUnitario", &TProduto::ImporteUnitario),
        DoubleMember("importe", &TProduto::Importe),
        DoubleMember("descuento", &TProduto::Descuento),
        DoubleMember("recargo", &TProduto::Recargo),
    };
    return kMembers;
}

MemberTable TVenda::Members() const noexcept {
    static constexpr MemberDef kMembers[] = {
        DoubleMember("total", &TVenda::Total),
        TextMember("codigoMoneda", &TVenda::CodigoMoneda),
        DoubleMember("cotizacion", &TVenda::Cotizacion),
        DateTimeMember("fecha", &TVenda::Fecha),
        TextMember("documentoCliente", &TVenda::DocumentoCliente),
        DoubleMember("descuentoTotal", &TVenda::DescuentoTotal),
        DoubleMember("recargoTotal", &TVenda::RecargoTotal),
        BooleanMember("cancelacion", &TVenda::Cancelacion),
        TextMember("numero", &TVenda::Numero),
        IntegerMember("codigoCanalVenta", &TVenda::CodigoCanalVenta),
        ListMember<&TVenda::FPagosArray, &TVenda::FPagos>("pagos", "FPagos"),
        ListMember<&TVenda::FDetallesArray, &TVenda::FDetalles>("detalles", "FDetalles"),
    };
    return kMembers;
}

}  // namespace monitor::upload
