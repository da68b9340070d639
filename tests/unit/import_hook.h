#pragma once
// Puts a function of the test's own in the place of one that this program imports from the
// platform, for the life of the object. The framework's calls go through the same slot of the
// import table as the test's own, so the stand-in sees what the framework hands the platform,
// and can answer as Windows does where Wine does not.
#include <windows.h>

// The linker's name for a function's import slot: decorated with its argument bytes on 32 bits.
#ifdef _WIN64
#define IMPORT_SLOT_NAME(function, argumentBytes) "__imp_" #function
#else
#define IMPORT_SLOT_NAME(function, argumentBytes) "__imp__" #function "@" #argumentBytes
#endif
// Declares `variable` as the import slot of `function`.
#define DECLARE_IMPORT_SLOT(variable, function, argumentBytes) \
  extern "C" void* variable asm(IMPORT_SLOT_NAME(function, argumentBytes))

template <class Function>
class ImportHook {
 public:
  ImportHook(void*& slot, Function standIn)
      : m_slot(slot), m_original(reinterpret_cast<Function>(slot)) {
    Put(reinterpret_cast<void*>(standIn));
  }
  ImportHook(const ImportHook&) = delete;
  ImportHook& operator=(const ImportHook&) = delete;
  ~ImportHook() { Put(reinterpret_cast<void*>(m_original)); }

  // The platform's function (for a delay-loaded one, the stub that loads it on its first call).
  Function Original() const { return m_original; }

 private:
  void Put(void* target) {
    DWORD protection = 0;
    ::VirtualProtect(&m_slot, sizeof m_slot, PAGE_READWRITE, &protection);
    m_slot = target;
    ::VirtualProtect(&m_slot, sizeof m_slot, protection, &protection);
  }

  void*& m_slot;
  Function m_original;
};
