#include "tests/host/library_loader.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

#if defined(_WIN32)
#include <malloc.h>
#include <windows.h>
#else
#include <dlfcn.h>
#include <elf.h>
#include <link.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace fmod_host {

namespace {

std::atomic<uint64_t> allocations{0};
std::atomic<uint64_t> frees{0};

void count_allocation() { allocations.fetch_add(1, std::memory_order_relaxed); }
void count_free() { frees.fetch_add(1, std::memory_order_relaxed); }

// One allocation function a watched library may import, and the wrapper its
// import is pointed at.
struct redirect {
  const char* name;
  void* wrapper;
};

#if defined(_WIN32)

// The wrappers call the same functions the library would have reached: the
// C runtime's (msvcrt, shared by every module of the process) and KERNEL32's.
void* __cdecl w_malloc(size_t n) { count_allocation(); return malloc(n); }
void* __cdecl w_calloc(size_t n, size_t s) { count_allocation(); return calloc(n, s); }
void* __cdecl w_realloc(void* p, size_t n) { count_allocation(); return realloc(p, n); }
void __cdecl w_free(void* p) { count_free(); free(p); }
void* __cdecl w_aligned_malloc(size_t n, size_t a) { count_allocation(); return _aligned_malloc(n, a); }
void* __cdecl w_aligned_offset_malloc(size_t n, size_t a, size_t o) {
  count_allocation();
  return _aligned_offset_malloc(n, a, o);
}
void* __cdecl w_aligned_realloc(void* p, size_t n, size_t a) {
  count_allocation();
  return _aligned_realloc(p, n, a);
}
void __cdecl w_aligned_free(void* p) { count_free(); _aligned_free(p); }
void* __cdecl w_expand(void* p, size_t n) { count_allocation(); return _expand(p, n); }
char* __cdecl w_strdup(const char* s) { count_allocation(); return _strdup(s); }
LPVOID WINAPI w_HeapAlloc(HANDLE h, DWORD f, SIZE_T n) { count_allocation(); return HeapAlloc(h, f, n); }
LPVOID WINAPI w_HeapReAlloc(HANDLE h, DWORD f, LPVOID p, SIZE_T n) {
  count_allocation();
  return HeapReAlloc(h, f, p, n);
}
BOOL WINAPI w_HeapFree(HANDLE h, DWORD f, LPVOID p) { count_free(); return HeapFree(h, f, p); }
LPVOID WINAPI w_VirtualAlloc(LPVOID p, SIZE_T n, DWORD t, DWORD pr) {
  count_allocation();
  return VirtualAlloc(p, n, t, pr);
}
BOOL WINAPI w_VirtualFree(LPVOID p, SIZE_T n, DWORD t) { count_free(); return VirtualFree(p, n, t); }
HLOCAL WINAPI w_LocalAlloc(UINT f, SIZE_T n) { count_allocation(); return LocalAlloc(f, n); }
HLOCAL WINAPI w_LocalReAlloc(HLOCAL h, SIZE_T n, UINT f) { count_allocation(); return LocalReAlloc(h, n, f); }
HLOCAL WINAPI w_LocalFree(HLOCAL h) { count_free(); return LocalFree(h); }
HGLOBAL WINAPI w_GlobalAlloc(UINT f, SIZE_T n) { count_allocation(); return GlobalAlloc(f, n); }
HGLOBAL WINAPI w_GlobalReAlloc(HGLOBAL h, SIZE_T n, UINT f) { count_allocation(); return GlobalReAlloc(h, n, f); }
HGLOBAL WINAPI w_GlobalFree(HGLOBAL h) { count_free(); return GlobalFree(h); }

const redirect REDIRECTS[] = {
    {"malloc", reinterpret_cast<void*>(&w_malloc)},
    {"calloc", reinterpret_cast<void*>(&w_calloc)},
    {"realloc", reinterpret_cast<void*>(&w_realloc)},
    {"free", reinterpret_cast<void*>(&w_free)},
    {"_aligned_malloc", reinterpret_cast<void*>(&w_aligned_malloc)},
    {"_aligned_offset_malloc", reinterpret_cast<void*>(&w_aligned_offset_malloc)},
    {"_aligned_realloc", reinterpret_cast<void*>(&w_aligned_realloc)},
    {"_aligned_free", reinterpret_cast<void*>(&w_aligned_free)},
    {"_expand", reinterpret_cast<void*>(&w_expand)},
    {"_strdup", reinterpret_cast<void*>(&w_strdup)},
    {"HeapAlloc", reinterpret_cast<void*>(&w_HeapAlloc)},
    {"HeapReAlloc", reinterpret_cast<void*>(&w_HeapReAlloc)},
    {"HeapFree", reinterpret_cast<void*>(&w_HeapFree)},
    {"VirtualAlloc", reinterpret_cast<void*>(&w_VirtualAlloc)},
    {"VirtualFree", reinterpret_cast<void*>(&w_VirtualFree)},
    {"LocalAlloc", reinterpret_cast<void*>(&w_LocalAlloc)},
    {"LocalReAlloc", reinterpret_cast<void*>(&w_LocalReAlloc)},
    {"LocalFree", reinterpret_cast<void*>(&w_LocalFree)},
    {"GlobalAlloc", reinterpret_cast<void*>(&w_GlobalAlloc)},
    {"GlobalReAlloc", reinterpret_cast<void*>(&w_GlobalReAlloc)},
    {"GlobalFree", reinterpret_cast<void*>(&w_GlobalFree)},
};

std::string last_error_text() {
  const DWORD code = GetLastError();
  char* text = nullptr;
  FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                     FORMAT_MESSAGE_IGNORE_INSERTS,
                 nullptr, code, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
  std::string s = "error " + std::to_string(code);
  if (text) {
    s += ": ";
    s += text;
    LocalFree(text);
  }
  return s;
}

#else

extern "C" {
void* w_malloc(size_t n) { count_allocation(); return malloc(n); }
void* w_calloc(size_t n, size_t s) { count_allocation(); return calloc(n, s); }
void* w_realloc(void* p, size_t n) { count_allocation(); return realloc(p, n); }
void* w_reallocarray(void* p, size_t n, size_t s) {
  count_allocation();
  size_t bytes;
  if (__builtin_mul_overflow(n, s, &bytes)) return nullptr;
  return realloc(p, bytes);
}
void w_free(void* p) { count_free(); free(p); }
void* w_aligned_alloc(size_t a, size_t n) { count_allocation(); return aligned_alloc(a, n); }
int w_posix_memalign(void** out, size_t a, size_t n) {
  count_allocation();
  return posix_memalign(out, a, n);
}
void* w_memalign(size_t a, size_t n) {
  count_allocation();
  void* p = nullptr;
  return posix_memalign(&p, a, n) == 0 ? p : nullptr;
}
void* w_valloc(size_t n) {
  count_allocation();
  void* p = nullptr;
  return posix_memalign(&p, static_cast<size_t>(sysconf(_SC_PAGESIZE)), n) == 0 ? p : nullptr;
}
void* w_mmap(void* a, size_t n, int prot, int flags, int fd, off_t off) {
  count_allocation();
  return mmap(a, n, prot, flags, fd, off);
}
int w_munmap(void* a, size_t n) { count_free(); return munmap(a, n); }
void* w_sbrk(intptr_t n) { count_allocation(); return sbrk(n); }
}

// operator new and delete, for a library that takes them from a shared C++
// runtime rather than carrying its own.
void* w_new(size_t n) { count_allocation(); return ::operator new(n); }
void* w_new_nothrow(size_t n, const std::nothrow_t& t) noexcept {
  count_allocation();
  return ::operator new(n, t);
}
void* w_new_aligned(size_t n, std::align_val_t a) {
  count_allocation();
  return ::operator new(n, a);
}
void w_delete(void* p) noexcept { count_free(); ::operator delete(p); }
void w_delete_sized(void* p, size_t) noexcept { count_free(); ::operator delete(p); }
void w_delete_aligned(void* p, std::align_val_t a) noexcept { count_free(); ::operator delete(p, a); }
void w_delete_sized_aligned(void* p, size_t, std::align_val_t a) noexcept {
  count_free();
  ::operator delete(p, a);
}

const redirect REDIRECTS[] = {
    {"malloc", reinterpret_cast<void*>(&w_malloc)},
    {"calloc", reinterpret_cast<void*>(&w_calloc)},
    {"realloc", reinterpret_cast<void*>(&w_realloc)},
    {"reallocarray", reinterpret_cast<void*>(&w_reallocarray)},
    {"free", reinterpret_cast<void*>(&w_free)},
    {"aligned_alloc", reinterpret_cast<void*>(&w_aligned_alloc)},
    {"posix_memalign", reinterpret_cast<void*>(&w_posix_memalign)},
    {"memalign", reinterpret_cast<void*>(&w_memalign)},
    {"valloc", reinterpret_cast<void*>(&w_valloc)},
    {"mmap", reinterpret_cast<void*>(&w_mmap)},
    {"mmap64", reinterpret_cast<void*>(&w_mmap)},
    {"munmap", reinterpret_cast<void*>(&w_munmap)},
    {"sbrk", reinterpret_cast<void*>(&w_sbrk)},
    {"_Znwm", reinterpret_cast<void*>(&w_new)},
    {"_Znam", reinterpret_cast<void*>(&w_new)},
    {"_ZnwmRKSt9nothrow_t", reinterpret_cast<void*>(&w_new_nothrow)},
    {"_ZnamRKSt9nothrow_t", reinterpret_cast<void*>(&w_new_nothrow)},
    {"_ZnwmSt11align_val_t", reinterpret_cast<void*>(&w_new_aligned)},
    {"_ZnamSt11align_val_t", reinterpret_cast<void*>(&w_new_aligned)},
    {"_ZdlPv", reinterpret_cast<void*>(&w_delete)},
    {"_ZdaPv", reinterpret_cast<void*>(&w_delete)},
    {"_ZdlPvm", reinterpret_cast<void*>(&w_delete_sized)},
    {"_ZdaPvm", reinterpret_cast<void*>(&w_delete_sized)},
    {"_ZdlPvSt11align_val_t", reinterpret_cast<void*>(&w_delete_aligned)},
    {"_ZdaPvSt11align_val_t", reinterpret_cast<void*>(&w_delete_aligned)},
    {"_ZdlPvmSt11align_val_t", reinterpret_cast<void*>(&w_delete_sized_aligned)},
    {"_ZdaPvmSt11align_val_t", reinterpret_cast<void*>(&w_delete_sized_aligned)},
};

#if defined(__x86_64__)
constexpr unsigned RELOC_JUMP_SLOT = R_X86_64_JUMP_SLOT;
constexpr unsigned RELOC_GLOB_DAT = R_X86_64_GLOB_DAT;
#elif defined(__aarch64__)
constexpr unsigned RELOC_JUMP_SLOT = R_AARCH64_JUMP_SLOT;
constexpr unsigned RELOC_GLOB_DAT = R_AARCH64_GLOB_DAT;
#endif

#endif

void* wrapper_for(const char* name) {
  for (const redirect& r : REDIRECTS)
    if (std::strcmp(r.name, name) == 0) return r.wrapper;
  return nullptr;
}

}  // namespace

allocation_counts watched_allocation_counts() {
  allocation_counts c;
  c.allocations = allocations.load(std::memory_order_relaxed);
  c.frees = frees.load(std::memory_order_relaxed);
  return c;
}

#if defined(_WIN32)

shared_library::shared_library(const std::string& path) {
  handle_ = reinterpret_cast<void*>(LoadLibraryA(path.c_str()));
  if (!handle_) error_ = "LoadLibrary " + path + ": " + last_error_text();
}

shared_library::~shared_library() {
  if (handle_) FreeLibrary(reinterpret_cast<HMODULE>(handle_));
}

void* shared_library::symbol(const char* name) const {
  if (!handle_) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(handle_), name));
}

// Walks the import descriptors of the loaded image: each names a DLL, a list
// of imported names and the import address table the code calls through.
int shared_library::watch_allocations() {
  if (!handle_) return -1;
  auto* base = reinterpret_cast<unsigned char*>(handle_);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (dir.VirtualAddress == 0) return 0;
  int redirected = 0;
  for (auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
       imp->Name != 0; ++imp) {
    const DWORD names_rva = imp->OriginalFirstThunk ? imp->OriginalFirstThunk : imp->FirstThunk;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + names_rva);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const auto* by_name = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      void* wrapper = wrapper_for(reinterpret_cast<const char*>(by_name->Name));
      if (!wrapper) continue;
      DWORD old = 0;
      if (!VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &old)) {
        error_ = "VirtualProtect: " + last_error_text();
        return -1;
      }
      slots->u1.Function = reinterpret_cast<ULONG_PTR>(wrapper);
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
      ++redirected;
    }
  }
  return redirected;
}

#else

shared_library::shared_library(const std::string& path) {
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle_) {
    const char* e = dlerror();
    error_ = e ? e : "dlopen failed";
  }
}

shared_library::~shared_library() {
  if (handle_) dlclose(handle_);
}

void* shared_library::symbol(const char* name) const {
  return handle_ ? dlsym(handle_, name) : nullptr;
}

// Walks the dynamic section of the loaded object: its relocation tables say
// which GOT slot receives which imported symbol; with RTLD_NOW every slot
// already holds its target, and pointing it elsewhere redirects each call.
int shared_library::watch_allocations() {
  if (!handle_) return -1;
  link_map* map = nullptr;
  if (dlinfo(handle_, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr) {
    error_ = "dlinfo failed";
    return -1;
  }
  const ElfW(Addr) base = map->l_addr;
  // The loader relocates the section's addresses in place on these systems;
  // an address still below the load base is relative to it.
  auto address = [base](ElfW(Addr) a) { return a < base ? a + base : a; };
  const ElfW(Sym)* symbols = nullptr;
  const char* strings = nullptr;
  const ElfW(Rela)* tables[2] = {nullptr, nullptr};
  size_t sizes[2] = {0, 0};
  for (const ElfW(Dyn)* d = map->l_ld; d->d_tag != DT_NULL; ++d) {
    switch (d->d_tag) {
      case DT_SYMTAB: symbols = reinterpret_cast<const ElfW(Sym)*>(address(d->d_un.d_ptr)); break;
      case DT_STRTAB: strings = reinterpret_cast<const char*>(address(d->d_un.d_ptr)); break;
      case DT_JMPREL: tables[0] = reinterpret_cast<const ElfW(Rela)*>(address(d->d_un.d_ptr)); break;
      case DT_PLTRELSZ: sizes[0] = d->d_un.d_val; break;
      case DT_RELA: tables[1] = reinterpret_cast<const ElfW(Rela)*>(address(d->d_un.d_ptr)); break;
      case DT_RELASZ: sizes[1] = d->d_un.d_val; break;
      default: break;
    }
  }
  if (!symbols || !strings) {
    error_ = "no dynamic symbol table";
    return -1;
  }
  const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  int redirected = 0;
  for (int t = 0; t < 2; ++t) {
    if (!tables[t]) continue;
    const size_t count = sizes[t] / sizeof(ElfW(Rela));
    for (size_t i = 0; i < count; ++i) {
      const ElfW(Rela)& r = tables[t][i];
      const unsigned type = ELF64_R_TYPE(r.r_info);
      if (type != RELOC_JUMP_SLOT && type != RELOC_GLOB_DAT) continue;
      const ElfW(Sym)& sym = symbols[ELF64_R_SYM(r.r_info)];
      void* wrapper = wrapper_for(strings + sym.st_name);
      if (!wrapper) continue;
      void** slot = reinterpret_cast<void**>(base + r.r_offset);
      // The slot may sit in memory made read-only after relocation.
      const uintptr_t first = reinterpret_cast<uintptr_t>(slot) & ~(page - 1);
      if (mprotect(reinterpret_cast<void*>(first), page, PROT_READ | PROT_WRITE) != 0) {
        error_ = "mprotect failed";
        return -1;
      }
      *slot = wrapper;
      ++redirected;
    }
  }
  return redirected;
}

#endif

}  // namespace fmod_host
