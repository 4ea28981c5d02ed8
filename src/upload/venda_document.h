#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/date_time.h"
#include "json/json_dto.h"

namespace monitor::upload {

/** One payment of a sale movement. Members in the order they are written. */
class TPagos final : public json::TMappedObject {
public:
    std::int32_t CodigoTipoPago = 0;
    std::string CodigoMoneda;
    double Importe = 0.0;
    double Cotizacion = 0.0;
    std::string DocumentoCliente;
    std::string Bin;
    std::string UltimosDigitosTarjeta;
    std::string NumeroAutorizacion;
    std::string CodigoTarjeta;

    json::MemberTable Members() const noexcept override;
};

/** One article line of a sale movement. */
class TProduto final : public json::TMappedObject {
public:
    std::string CodigoArticulo;
    std::string CodigoBarras;
    std::string DescripcionArticulo;
    double Cantidad = 0.0;
    double ImporteUnitario = 0.0;
    double Importe = 0.0;
    double Descuento = 0.0;
    double Recargo = 0.0;

    json::MemberTable Members() const noexcept override;
};

/** The sale movement ("movimiento") document posted to Scanntech for a sale or its
 *  cancellation. Owns its payments and lines. */
class TVenda final : public json::TJsonDTO {
public:
    double Total = 0.0;
    std::string CodigoMoneda;
    double Cotizacion = 0.0;
    TDateTime Fecha;
    std::string DocumentoCliente;
    double DescuentoTotal = 0.0;
    double RecargoTotal = 0.0;
    bool Cancelacion = false;
    std::string Numero;
    std::int32_t CodigoCanalVenta = 0;

    /** The payments ("pagos"), created empty on first use. */
    json::TObjectList<TPagos>& Pagos() { return ListFromArray(FPagos, FPagosArray); }
    /** The article lines ("detalles"), created empty on first use. */
    json::TObjectList<TProduto>& Detalles() { return ListFromArray(FDetalles, FDetallesArray); }

    json::MemberTable Members() const noexcept override;

private:
    std::vector<std::unique_ptr<TPagos>> FPagosArray;
    std::unique_ptr<json::TObjectList<TPagos>> FPagos;
    std::vector<std::unique_ptr<TProduto>> FDetallesArray;
    std::unique_ptr<json::TObjectList<TProduto>> FDetalles;
};

}  // namespace monitor::upload
