// The values of one plot line: a run of rows of a column that may be shared with the table it
// was read from and with other lines, so a column read once serves every line drawn from it.
#pragma once

#include "common/codecs.h"

#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace kolshell {

// Memory for a big column: whole huge pages where the system offers them, so that filling
// it costs a page fault every 2 MB instead of every 4 KB.
void* AllocateColumn(size_t bytes);
void FreeColumn(void* p) noexcept;

// Leaves new elements unset: the reader writes every cell, and the pages of a big table are
// then first touched by the thread that fills them.
template <typename T> struct UnsetAllocator : std::allocator<T> {
    using value_type = T;
    template <typename U> struct rebind { using other = UnsetAllocator<U>; };
    UnsetAllocator() = default;
    template <typename U> UnsetAllocator(const UnsetAllocator<U>&) noexcept {}
    T* allocate(size_t n) {
        if (n > size_t(-1) / sizeof(T)) throw std::bad_alloc();
        return static_cast<T*>(AllocateColumn(n * sizeof(T)));
    }
    void deallocate(T* p, size_t) noexcept { FreeColumn(p); }
    template <typename U> void construct(U* p) noexcept { ::new (static_cast<void*>(p)) U; }
    template <typename U, typename... A> void construct(U* p, A&&... a) {
        ::new (static_cast<void*>(p)) U(std::forward<A>(a)...);
    }
};
using Real48Column = std::vector<Real48Bytes, UnsetAllocator<Real48Bytes>>;
// A column held by whoever shares it: the table it was read into and the lines drawn from it.
using SharedColumn = std::shared_ptr<Real48Column>;

class PlotValues {
  public:
    PlotValues() = default;
    // Rows first .. first + count - 1 (0-based) of a column, shared, not copied.
    PlotValues(SharedColumn column, size_t first, size_t count)
        : column_(std::move(column)), first_(first), size_(count) {}

    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    const Real48Bytes* data() const { return column_ ? column_->data() + first_ : nullptr; }
    const Real48Bytes& operator[](size_t i) const { return data()[i]; }
    const Real48Bytes* begin() const { return data(); }
    const Real48Bytes* end() const { return data() + size_; }

    // Writing makes the values the line's own first.
    Real48Bytes& operator[](size_t i) { return Own()[i]; }
    Real48Bytes* begin() { return Own(); }
    Real48Bytes* end() { return Own() + size_; }
    void push_back(const Real48Bytes& v) {
        Own();
        column_->push_back(v);
        ++size_;
    }
    void resize(size_t n) {
        Own();
        column_->resize(n);
        size_ = n;
    }
    // The column these values are taken from, to tell shared columns apart.
    const void* Source() const { return column_.get(); }

  private:
    Real48Bytes* Own() {
        if (!column_ || column_.use_count() > 1 || first_ != 0 || column_->size() != size_) {
            const Real48Bytes* from = data();
            column_ = std::make_shared<Real48Column>(from, from + size_);
            first_ = 0;
        }
        return column_->data();
    }
    SharedColumn column_;
    size_t first_ = 0, size_ = 0;
};

} // namespace kolshell
