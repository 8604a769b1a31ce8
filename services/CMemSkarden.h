// Editor objects in the engine's memory manager: the root class of the tabs
// and the owner pointer of the other editor objects, both charged to the
// editor's memory module.
#pragma once

#include <Zelkoran/CMem.h>

#include <cstddef>
#include <memory>
#include <new>
#include <utility>

// The editor's own memory module in the engine's statistics.
constexpr int kSkardyMemoryModule = 15;

// Objects of derived classes are created only with new (std::nothrow), which
// yields null when the engine has no memory left; there is no throwing form.
class CMemSkarden {
public:
    static void* operator new(std::size_t size, const std::nothrow_t&) noexcept;
    static void operator delete(void* pointer) noexcept;
    static void operator delete(void* pointer, const std::nothrow_t&) noexcept;
};

// Destroys an editor object made by makeSkardyObject and returns its memory.
template <class T>
struct SkardyDelete {
    void operator()(T* object) const noexcept
    {
        object->~T();
        Zelkoran::CMem::free(object);
    }
};

template <class T>
using SkardyPtr = std::unique_ptr<T, SkardyDelete<T>>;

// Constructs T in module-15 memory; null when the memory is not available.
template <class T, class... Args>
SkardyPtr<T> makeSkardyObject(Args&&... args)
{
    void* memory = Zelkoran::CMem::alloc(sizeof(T), kSkardyMemoryModule);
    if (!memory)
        return nullptr;
    return SkardyPtr<T>(new (memory) T(std::forward<Args>(args)...));
}
