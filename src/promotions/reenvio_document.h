#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/date_time.h"
#include "json/json_dto.h"

namespace monitor::promotions {

/** One resend request: the day to send again and the register (0 or less: every register). */
class TReenvio final : public json::TMappedObject {
public:
    std::int32_t CodigoCaja = 0;
    TDateTime Fecha;
    std::string Tipo;

    json::MemberTable Members() const noexcept override;
};

/** A list of resend requests. Scanntech sends it as a bare JSON array, which reading puts in
 *  "Items"; an object with an "Items" member reads the same. */
class TListaReenvio final : public json::TJsonDTO {
public:
    json::TObjectList<TReenvio>& Items() { return ListFromArray(FItems, FItemsArray); }
    json::MemberTable Members() const noexcept override;

private:
    std::vector<std::unique_ptr<TReenvio>> FItemsArray;
    std::unique_ptr<json::TObjectList<TReenvio>> FItems;
};

}  // namespace monitor::promotions
