#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/date_time.h"
#include "json/json_dto.h"

namespace monitor::promotions {

/** An article a promotion applies to. */
class TArticulos final : public json::TMappedObject {
public:
    std::string CodigoBarras;
    std::string Nombre;

    json::MemberTable Members() const noexcept override;
};

/** A group of articles with the quantity the promotion asks or gives. */
class TItems final : public json::TJsonDTO {
public:
    json::TObjectList<TArticulos>& Articulos() {
        return ListFromArray(FArticulos, FArticulosArray);
    }
    json::MemberTable Members() const noexcept override;

    // Members in the order they are written.
private:
    std::vector<std::unique_ptr<TArticulos>> FArticulosArray;
    std::unique_ptr<json::TObjectList<TArticulos>> FArticulos;

public:
    std::int32_t Cantidad = 0;
};

/** A list of item groups, the shape that benefits and conditions share. */
class TItemsDocument : public json::TJsonDTO {
public:
    json::TObjectList<TItems>& Items() { return ListFromArray(FItems, FItemsArray); }
    json::MemberTable Members() const noexcept override;

private:
    std::vector<std::unique_ptr<TItems>> FItemsArray;
    std::unique_ptr<json::TObjectList<TItems>> FItems;
};

/** What the customer gets. */
class TBeneficios final : public TItemsDocument {};

/** What the customer must buy. */
class TCondiciones final : public TItemsDocument {};

class TAutor final : public json::TMappedObject {
public:
    std::string Descripcion;

    json::MemberTable Members() const noexcept override;
};

/** A promotion's rules. Made with empty benefits and conditions. */
class TDetallesPromo final : public json::TMappedObject {
public:
    TDetallesPromo();
    ~TDetallesPromo() override;

    std::unique_ptr<TBeneficios> Beneficios;
    std::unique_ptr<TCondiciones> Condiciones;
    double Descuento = 0.0;
    std::int32_t Paga = 0;
    double Precio = 0.0;

    json::MemberTable Members() const noexcept override;
};

/** One promotion. Made with an empty author and empty details. */
class TResults final : public json::TJsonDTO {
public:
    TResults();
    ~TResults() override;

    std::unique_ptr<TAutor> Autor;
    std::string Descripcion;
    std::unique_ptr<TDetallesPromo> Detalles;
    std::int32_t Id = 0;
    std::int32_t LimitePromocionesPorTicket = 0;
    std::string Tipo;
    std::string Titulo;
    TDateTime VigenciaDesde;
    TDateTime VigenciaHasta;

    json::MemberTable Members() const noexcept override;
};

/** One page of Scanntech's promotions answer. */
class TPromocoes final : public json::TJsonDTO {
public:
    json::TObjectList<TResults>& Results() { return ListFromArray(FResults, FResultsArray); }
    json::MemberTable Members() const noexcept override;

    // Members in the order they are written.
private:
    std::vector<std::unique_ptr<TResults>> FResultsArray;
    std::unique_ptr<json::TObjectList<TResults>> FResults;

public:
    std::int32_t Total = 0;
};

}  // namespace monitor::promotions
