#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

#include "common/date_time.h"

namespace monitor::json {

struct MemberDef;
/** A class's mapped members in declaration order, which is also the order they are written. */
using MemberTable = std::span<const MemberDef>;

/** Base of every class mapped to JSON: the documents and the plain member classes. Each class
 *  lists its members in one static table, walked by the one writer and the one reader. */
class TMappedObject {
public:
    virtual ~TMappedObject() = default;
    TMappedObject(const TMappedObject&) = delete;
    TMappedObject& operator=(const TMappedObject&) = delete;

    virtual MemberTable Members() const noexcept = 0;

protected:
    TMappedObject() = default;
};

enum class MemberKind : std::uint8_t { Text, Integer, Double, Boolean, DateTime, Object, List };

/** How a member converts besides its kind's plain rule. */
enum class MemberMarker : std::uint8_t {
    None,
    SuppressZero,        // date-time as ISO text; the zero date as ""
    GenericListReflect,  // owning list written through its property; read into its array
};

/** A nested-object member: held by unique_ptr, possibly absent. */
struct ObjectAccess {
    const TMappedObject* (*get)(const TMappedObject& owner) noexcept;
    /** Puts `value` (possibly null) in place, releasing the object held before. */
    void (*set)(TMappedObject& owner, std::unique_ptr<TMappedObject> value) noexcept;
    /** A new instance of the member's declared class. */
    std::unique_ptr<TMappedObject> (*create)();
};

/** A list member: the array field that reading fills and the owning list that is written. */
struct ListAccess {
    std::size_t (*count)(const TMappedObject& owner) noexcept;
    /** The i-th element to write, null when absent. */
    const TMappedObject* (*at)(const TMappedObject& owner, std::size_t i) noexcept;
    void (*clear_array)(TMappedObject& owner) noexcept;
    void (*append_to_array)(TMappedObject& owner, std::unique_ptr<TMappedObject> element);
    std::unique_ptr<TMappedObject> (*create)();
};

// Scalar fields are reached through pointers to members of the declaring class converted to
// the base; a table is only ever applied to objects of its own class.
using TextField = std::string TMappedObject::*;
using IntegerField = std::int32_t TMappedObject::*;
using DoubleField = double TMappedObject::*;
using BooleanField = bool TMappedObject::*;
using DateTimeField = TDateTime TMappedObject::*;
using MemberAccess = std::variant<TextField, IntegerField, DoubleField, BooleanField,
                                  DateTimeField, const ObjectAccess*, const ListAccess*>;

struct MemberDef {
    std::string_view name;        // the JSON name read (JSONName)
    std::string_view list_field;  // lists only: the owning list field, whose name is written
    MemberKind kind;
    MemberMarker marker;
    MemberAccess access;
};

namespace detail {

template <class>
struct MemberPointer;
template <class C, class M>
struct MemberPointer<M C::*> {
    using Class = C;
    using Type = M;
};

template <auto Field>
struct ObjectAccessOf {
    using Owner = typename MemberPointer<decltype(Field)>::Class;
    using Object = typename MemberPointer<decltype(Field)>::Type::element_type;

    static const TMappedObject* Get(const TMappedObject& owner) noexcept {
        return (static_cast<const Owner&>(owner).*Field).get();
    }
    static void Set(TMappedObject& owner, std::unique_ptr<TMappedObject> value) noexcept {
        (static_cast<Owner&>(owner).*Field).reset(static_cast<Object*>(value.release()));
    }
    static std::unique_ptr<TMappedObject> Create() { return std::make_unique<Object>(); }

    static constexpr ObjectAccess kAccess{&Get, &Set, &Create};
};

template <class C, class T>
constexpr MemberDef Scalar(std::string_view name, MemberKind kind, MemberMarker marker,
                           T C::*field) noexcept {
    static_assert(std::is_base_of_v<TMappedObject, C>);
    return MemberDef{name, {}, kind, marker, static_cast<T TMappedObject::*>(field)};
}

}  // namespace detail

template <class C>
constexpr MemberDef TextMember(std::string_view name, std::string C::*field) noexcept {
    return detail::Scalar(name, MemberKind::Text, MemberMarker::None, field);
}

template <class C>
constexpr MemberDef IntegerMember(std::string_view name, std::int32_t C::*field) noexcept {
    return detail::Scalar(name, MemberKind::Integer, MemberMarker::None, field);
}

template <class C>
constexpr MemberDef DoubleMember(std::string_view name, double C::*field) noexcept {
    return detail::Scalar(name, MemberKind::Double, MemberMarker::None, field);
}

template <class C>
constexpr MemberDef BooleanMember(std::string_view name, bool C::*field) noexcept {
    return detail::Scalar(name, MemberKind::Boolean, MemberMarker::None, field);
}

/** Every date-time member carries SuppressZero. */
template <class C>
constexpr MemberDef DateTimeMember(std::string_view name, TDateTime C::*field) noexcept {
    return detail::Scalar(name, MemberKind::DateTime, MemberMarker::SuppressZero, field);
}

/** `Field` is a std::unique_ptr member of a mapped class holding another mapped class. */
template <auto Field>
constexpr MemberDef ObjectMember(std::string_view name) noexcept {
    return MemberDef{name, {}, MemberKind::Object, MemberMarker::None,
                     &detail::ObjectAccessOf<Field>::kAccess};
}

}  // namespace monitor::json
