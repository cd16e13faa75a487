// The DLL's entry points and the bookkeeping of live objects and locks.
#include "Module.h"

#include "BrowserDouble.h"
#include "ClassFactory.h"
#include "ControlWindow.h"
#include "DoubleLog.h"

#include <exdisp.h>

#include <algorithm>
#include <vector>

namespace qbdouble {

namespace {

HINSTANCE instance = nullptr;
std::vector<BrowserDouble*> liveObjects;
volatile LONG locks = 0;

}  // namespace

HINSTANCE ModuleInstance() { return instance; }

void ObjectCreated(BrowserDouble* object) {
  liveObjects.push_back(object);
  if (liveObjects.size() == 1 && !ControlWindow::Instance().Create()) {
    Log("ControlWindowFailed error=" + std::to_string(GetLastError()));
  }
}

void ObjectDestroyed(BrowserDouble* object) {
  liveObjects.erase(std::remove(liveObjects.begin(), liveObjects.end(), object),
                    liveObjects.end());
  if (!liveObjects.empty()) return;
  ControlWindow::Instance().Destroy();
  ControlWindow::UnregisterWindowClass();
  PageWindow::UnregisterWindowClass();
}

BrowserDouble* CurrentObject() { return liveObjects.empty() ? nullptr : liveObjects.back(); }

void LockModule() { InterlockedIncrement(&locks); }

void UnlockModule() { InterlockedDecrement(&locks); }

}  // namespace qbdouble

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    qbdouble::instance = instance;
    DisableThreadLibraryCalls(instance);
  } else if (reason == DLL_PROCESS_DETACH && !qbdouble::liveObjects.empty()) {
    // Only the file is touched here: windows and COM are not safe to use
    // while the loader lock is held at process exit.
    ULONG refs = 0;
    for (const qbdouble::BrowserDouble* object : qbdouble::liveObjects) refs += object->RefCount();
    qbdouble::Log("Shutdown refs=" + std::to_string(refs) +
                  " objects=" + std::to_string(qbdouble::liveObjects.size()));
  }
  return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (clsid != CLSID_WebBrowser) return CLASS_E_CLASSNOTAVAILABLE;
  return qbdouble::ClassFactory::Instance().QueryInterface(iid, object);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  const bool busy = !qbdouble::liveObjects.empty() || qbdouble::locks != 0 ||
                    qbdouble::ClassFactory::Instance().InUse();
  return busy ? S_FALSE : S_OK;
}
