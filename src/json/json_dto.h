#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "json/conversion_error.h"
#include "json/member_table.h"
#include "json/object_list.h"

namespace monitor::json {

namespace detail {
template <auto ArrayField, auto ListField>
struct ListAccessOf;
}

/** Base of the documents with list members. A list member is held twice: the array field
 *  (`F<Name>Array`) that reading fills, and the owning list field (`F<Name>`) that the class's
 *  property builds from the array on first use and that writing uses. Each element is owned
 *  by exactly one of the two, so nothing a read brings in is lost or leaked. */
class TArrayMapper : public TMappedObject {
protected:
    TArrayMapper() = default;

    /** Builds the list from the array when there is none yet: the list takes the array's
     *  elements in order (the same objects). An existing list is returned unchanged. */
    template <class T>
    static TObjectList<T>& ListFromArray(std::unique_ptr<TObjectList<T>>& list,
                                         std::vector<std::unique_ptr<T>>& array) {
        if (!list) {
            list = std::make_unique<TObjectList<T>>(std::move(array));
            array.clear();
        }
        return *list;
    }

    /** The elements the array stands for once brought in line with the list: the list's when
     *  it exists, otherwise the array's own. Writing goes through this, so it builds nothing. */
    template <class T>
    static std::span<const std::unique_ptr<T>> ArrayFromList(
        const std::unique_ptr<TObjectList<T>>& list,
        const std::vector<std::unique_ptr<T>>& array) noexcept {
        if (list) return list->ItemsView();
        return array;
    }

    template <auto ArrayField, auto ListField>
    friend struct detail::ListAccessOf;
};

namespace detail {

template <auto ArrayField, auto ListField>
struct ListAccessOf {
    using Owner = typename MemberPointer<decltype(ArrayField)>::Class;
    using Element = typename MemberPointer<decltype(ArrayField)>::Type::value_type::element_type;

    static std::span<const std::unique_ptr<Element>> Elements(const TMappedObject& o) noexcept {
        const Owner& owner = static_cast<const Owner&>(o);
        return TArrayMapper::ArrayFromList(owner.*ListField, owner.*ArrayField);
    }
    static std::size_t Count(const TMappedObject& owner) noexcept {
        return Elements(owner).size();
    }
    static const TMappedObject* At(const TMappedObject& owner, std::size_t i) noexcept {
        return Elements(owner)[i].get();
    }
    static void ClearArray(TMappedObject& owner) noexcept {
        (static_cast<Owner&>(owner).*ArrayField).clear();
    }
    static void AppendToArray(TMappedObject& owner, std::unique_ptr<TMappedObject> element) {
        std::unique_ptr<Element> typed(static_cast<Element*>(element.release()));
        (static_cast<Owner&>(owner).*ArrayField).push_back(std::move(typed));
    }
    static std::unique_ptr<TMappedObject> Create() { return std::make_unique<Element>(); }

    static constexpr ListAccess kAccess{&Count, &At, &ClearArray, &AppendToArray, &Create};
};

}  // namespace detail

/** A list member: `ArrayField` (std::vector<std::unique_ptr<T>>) is read under `name`;
 *  `ListField` (std::unique_ptr<TObjectList<T>>) is written under the name derived from
 *  `list_field`, the field's own name ("FResults" is written "results"). */
template <auto ArrayField, auto ListField>
constexpr MemberDef ListMember(std::string_view name, std::string_view list_field) noexcept {
    return MemberDef{name, list_field, MemberKind::List, MemberMarker::GenericListReflect,
                     &detail::ListAccessOf<ArrayField, ListField>::kAccess};
}

/** Options of the mapper. The documents set both; their date members carry SuppressZero,
 *  whose rules take precedence. */
enum TJsonOption : std::uint8_t { joDateIsUTC = 1 << 0, joDateFormatISO8601 = 1 << 1 };
using TJsonOptions = std::uint8_t;

/** A JSON document: written as one compact JSON object of its members in declaration order,
 *  read from JSON text into the already constructed document. */
class TJsonDTO : public TArrayMapper {
public:
    /** The document as compact JSON text (pure ASCII). */
    virtual std::string AsJson() const;
    /** Reads JSON text into the document. Text that is not JSON and a null root change nothing;
     *  a root array is read into the member named "Items" (if any). Throws EConversionError
     *  when the text does not fit (or nests too deep, or holds a number out of a double's
     *  range); the document may then be partly filled. */
    virtual void SetAsJson(std::string_view text);
    std::string ToString() const { return AsJson(); }

    TJsonOptions Options() const noexcept { return FOptions; }

protected:
    TJsonDTO() = default;

private:
    TJsonOptions FOptions = joDateIsUTC | joDateFormatISO8601;
};

}  // namespace monitor::json
