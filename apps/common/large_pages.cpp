// Large blocks in huge pages, on Linux.
//
// A window-sized picture is megabytes (8 MB at 1080p, 33 MB at 4K) and is
// written whole right after it is made. On a virtual machine a fault of a
// 4 KiB page can cost ten microseconds, so the first touch of one 1080p
// picture alone costs some 20 ms: most of the start-up. Asking the kernel
// for huge pages (2 MiB) on such a block before it is touched makes the
// faults 512 times fewer. The kernel grants them where transparent huge
// pages are on ("madvise" or "always"); elsewhere the hint changes nothing.
//
// The hook is the program's own global operator new, which C++ lets a
// program replace: blocks of 4 MiB and more get the hint, and every block,
// large or small, comes from malloc and goes back to free.

#include <cstdint>
#include <cstdlib>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace {

constexpr std::size_t kLargeBlock = std::size_t{4} << 20;

void* allocate(std::size_t bytes) {
  void* block = std::malloc(bytes == 0 ? 1 : bytes);
  if (!block) throw std::bad_alloc();
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  if (bytes >= kLargeBlock) {
    // madvise takes whole pages: the pages wholly inside the block.
    static const std::uintptr_t page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t first = (start + page - 1) / page * page;
    const std::uintptr_t end = (start + bytes) / page * page;
    if (end > first) madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
  }
#endif
  return block;
}

}  // namespace

void* operator new(std::size_t bytes) { return allocate(bytes); }
void* operator new[](std::size_t bytes) { return allocate(bytes); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
