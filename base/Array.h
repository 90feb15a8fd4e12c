#pragma once

#include "base/Verify.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

namespace brelvo {

// The growable array behind every list in the program: names, rectangles, menus, surfaces and
// editor records.
//
// Capacity grows by a fixed step when one is set and otherwise by an eighth of the size, at
// least 4 and at most 1024 slots, so that repeated Add calls stay amortised without letting a
// large array claim a great deal of memory at once. Elements are moved into the new storage, so
// any movable type can be held. New elements are value-initialised: numbers and plain structs
// start at zero. Running out of memory ends the program.
template <typename T>
class Array {
public:
    Array() = default;
    Array(const Array& other);
    // Leaves other empty, keeping its grow step.
    Array(Array&& other) noexcept;
    Array& operator=(const Array& other);
    Array& operator=(Array&& other) noexcept;
    ~Array() { Clear(); }

    int GetSize() const { return m_size; }
    int GetCapacity() const { return m_capacity; }

    // Precondition: 0 <= index < GetSize(). Not checked, because every list loop runs through
    // it.
    T& operator[](int index) { return m_data[index]; }
    const T& operator[](int index) const { return m_data[index]; }

    // Makes the array hold count elements (a negative count counts as 0); 0 also releases the
    // storage. A growBy other than -1 replaces the grow step; 0 selects the automatic step.
    void SetSize(int count, int growBy = -1);
    // Stores value at index, first growing the array to index + 1 elements when it is shorter.
    // value may be an element of this array.
    void SetAtGrow(int index, const T& value);
    void SetAtGrow(int index, T&& value);
    // Appends value and returns its index. value may be an element of this array.
    int Add(const T& value);
    int Add(T&& value);
    void RemoveAll() { SetSize(0); }

    T* begin() { return m_data; }
    T* end() { return m_data + m_size; }
    const T* begin() const { return m_data; }
    const T* end() const { return m_data + m_size; }

private:
    static T* Allocate(int count);
    static void Release(T* data);
    void ConstructRange(int from, int to);
    void DestroyRange(int from, int to);
    void Clear();

    T* m_data = nullptr;
    int m_size = 0;
    int m_capacity = 0;
    int m_growBy = 0;
};

template <typename T>
T* Array<T>::Allocate(int count) {
    VERIFY(count > 0 && static_cast<std::size_t>(count) <= SIZE_MAX / sizeof(T));
    const std::size_t bytes = static_cast<std::size_t>(count) * sizeof(T);
    void* p;
    if constexpr (alignof(T) > __STDCPP_DEFAULT_NEW_ALIGNMENT__)
        p = ::operator new (bytes, std::align_val_t{alignof(T)}, std::nothrow);
    else
        p = ::operator new(bytes, std::nothrow);
    VERIFY(p != nullptr);
    return static_cast<T*>(p);
}

template <typename T>
void Array<T>::Release(T* data) {
    if constexpr (alignof(T) > __STDCPP_DEFAULT_NEW_ALIGNMENT__)
        ::operator delete (data, std::align_val_t{alignof(T)});
    else
        ::operator delete(data);
}

template <typename T>
void Array<T>::ConstructRange(int from, int to) {
    for (int i = from; i < to; ++i)
        ::new (static_cast<void*>(m_data + i)) T();
}

template <typename T>
void Array<T>::DestroyRange(int from, int to) {
    std::destroy(m_data + from, m_data + to);
}

template <typename T>
void Array<T>::Clear() {
    DestroyRange(0, m_size);
    Release(m_data);
    m_data = nullptr;
    m_size = 0;
    m_capacity = 0;
}

template <typename T>
Array<T>::Array(const Array& other) : m_growBy(other.m_growBy) {
    if (other.m_size == 0)
        return;
    m_data = Allocate(other.m_size);
    m_capacity = other.m_size;
    for (; m_size < other.m_size; ++m_size)
        ::new (static_cast<void*>(m_data + m_size)) T(other.m_data[m_size]);
}

template <typename T>
Array<T>::Array(Array&& other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)), m_size(std::exchange(other.m_size, 0)),
      m_capacity(std::exchange(other.m_capacity, 0)), m_growBy(other.m_growBy) {}

template <typename T>
Array<T>& Array<T>::operator=(const Array& other) {
    if (this != &other)
        *this = Array(other);
    return *this;
}

template <typename T>
Array<T>& Array<T>::operator=(Array&& other) noexcept {
    if (this != &other) {
        Clear();
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
        m_capacity = std::exchange(other.m_capacity, 0);
        m_growBy = other.m_growBy;
    }
    return *this;
}

template <typename T>
void Array<T>::SetSize(int count, int growBy) {
    VERIFY(growBy >= -1);
    if (growBy != -1)
        m_growBy = growBy;
    if (count <= 0) {
        Clear();
        return;
    }
    if (m_data == nullptr) {
        m_data = Allocate(count);
        m_capacity = count;
        ConstructRange(0, count);
        m_size = count;
        return;
    }
    if (count > m_capacity) {
        const int step = m_growBy != 0 ? m_growBy : std::clamp(m_size / 8, 4, 1024);
        const std::int64_t wanted = std::max(static_cast<std::int64_t>(m_capacity) + step,
                                             static_cast<std::int64_t>(count));
        const int capacity = static_cast<int>(std::min<std::int64_t>(wanted, INT32_MAX));
        T* data = Allocate(capacity);
        if constexpr (std::is_trivially_copyable_v<T>) {
            std::memcpy(static_cast<void*>(data), static_cast<const void*>(m_data),
                        static_cast<std::size_t>(m_size) * sizeof(T));
        } else {
            for (int i = 0; i < m_size; ++i) {
                ::new (static_cast<void*>(data + i)) T(std::move(m_data[i]));
                m_data[i].~T();
            }
        }
        Release(m_data);
        m_data = data;
        m_capacity = capacity;
    }
    if (count < m_size)
        DestroyRange(count, m_size);
    else
        ConstructRange(m_size, count);
    m_size = count;
}

template <typename T>
void Array<T>::SetAtGrow(int index, const T& value) {
    VERIFY(index >= 0 && index < INT32_MAX);
    if (index < m_size) {
        m_data[index] = value;
        return;
    }
    // Growing may move the elements and so invalidate value when it refers to one of them.
    T copy(value);
    SetSize(index + 1);
    m_data[index] = std::move(copy);
}

template <typename T>
void Array<T>::SetAtGrow(int index, T&& value) {
    VERIFY(index >= 0 && index < INT32_MAX);
    if (index < m_size) {
        m_data[index] = std::move(value);
        return;
    }
    T moved(std::move(value));
    SetSize(index + 1);
    m_data[index] = std::move(moved);
}

template <typename T>
int Array<T>::Add(const T& value) {
    const int index = m_size;
    SetAtGrow(index, value);
    return index;
}

template <typename T>
int Array<T>::Add(T&& value) {
    const int index = m_size;
    SetAtGrow(index, std::move(value));
    return index;
}

} // namespace brelvo
