#include "services/CMemSkarden.h"

void* CMemSkarden::operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return Zelkoran::CMem::alloc(size, kSkardyMemoryModule);
}

void CMemSkarden::operator delete(void* pointer) noexcept { Zelkoran::CMem::free(pointer); }

void CMemSkarden::operator delete(void* pointer, const std::nothrow_t&) noexcept { Zelkoran::CMem::free(pointer); }
