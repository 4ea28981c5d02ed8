#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <utility>
#include <vector>

namespace monitor::json {

/** An owning list of document elements, in order. An element may be absent (null), as a JSON
 *  array read with null elements leaves it. */
template <class T>
class TObjectList {
public:
    using Items = std::vector<std::unique_ptr<T>>;

    TObjectList() = default;
    explicit TObjectList(Items items) noexcept : items_(std::move(items)) {}
    TObjectList(const TObjectList&) = delete;
    TObjectList& operator=(const TObjectList&) = delete;

    /** Appends a new element made by its parameterless constructor and returns it. */
    T& Add() { return *Add(std::make_unique<T>()); }
    /** Appends the element (which may be null) and returns it. */
    T* Add(std::unique_ptr<T> item) {
        items_.push_back(std::move(item));
        return items_.back().get();
    }

    std::size_t Count() const noexcept { return items_.size(); }
    bool IsEmpty() const noexcept { return items_.empty(); }
    /** The i-th element, null when absent. */
    T* operator[](std::size_t i) const noexcept { return items_[i].get(); }

    std::span<const std::unique_ptr<T>> ItemsView() const noexcept { return items_; }
    auto begin() const noexcept { return items_.begin(); }
    auto end() const noexcept { return items_.end(); }

private:
    Items items_;
};

}  // namespace monitor::json
